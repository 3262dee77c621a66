// simctl: list a machine description, show or replay a packet capture.
#include "listing.h"
#include "replay.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: simctl list <description.xml>\n"
                 "       simctl show <capture file>\n"
                 "       simctl replay <capture file>   (against the machine named by TSM_MACHINE)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return usage();
    const std::string command = argv[1];
    const std::string path = argv[2];
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
