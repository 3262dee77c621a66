// simctl: list a machine description, step a machine through a scenario,
// show or replay a packet capture.
#include "listing.h"
#include "replay.h"
#include "scenario.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: simctl list <description.xml>\n"
                 "       simctl show <capture file>\n"
                 "       simctl replay <capture file>   (against the machine named by TSM_MACHINE)\n"
                 "       simctl steps <scenario.xml>\n"
                 "       simctl step <scenario.xml> <number or name>   (becomes the machine named by TSM_MACHINE)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "step")
        return simctl::useStep(argv[2], argv[3], std::cerr) ? 0 : 1;
    if (argc != 3)
        return usage();
    const std::string command = argv[1];
    const std::string path = argv[2];
    if (command == "steps")
        return simctl::listSteps(path, std::cout, std::cerr) ? 0 : 1;
    if (command == "list")
        return simctl::listDescription(path, std::cout, std::cerr) ? 0 : 1;
    if (command != "show" && command != "replay")
        return usage();
    std::ifstream capture(path);
    if (!capture) {
        std::cerr << path << ": cannot be read\n";
        return 1;
    }
    const bool ok = command == "show" ? simctl::showCapture(capture, std::cout, std::cerr)
                                      : simctl::replayCapture(capture, std::cout, std::cerr);
    return ok ? 0 : 1;
}
