// tsm-machine <command>: the emulated machine named by TSM_MACHINE, for people.
#include "commands.h"

#include <iostream>

namespace {

void usage(std::ostream& out)
{
    out << "Usage: tsm-machine <command>\n"
           "Commands\n"
           "    services                  the installed services and their states\n"
           "    events                    the Application event log with the message texts\n"
           "    registry                  every registry key and value\n"
           "    trace                     the debugger output lines\n"
           "    use <description.xml>     puts a machine description in place\n"
           "The machine is the folder named by TSM_MACHINE.\n";
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string command = arguments.empty() ? "" : arguments[0];
    if (command == "services" && arguments.size() == 1)
        return tsmtool::showServices(std::cout, std::cerr);
    if (command == "events" && arguments.size() == 1)
        return tsmtool::showEvents(std::cout, std::cerr);
    if (command == "registry" && arguments.size() == 1)
        return tsmtool::showRegistry(std::cout, std::cerr);
    if (command == "trace" && arguments.size() == 1)
        return tsmtool::showTrace(std::cout, std::cerr);
    if (command == "use" && arguments.size() == 2)
        return tsmtool::useDescription(arguments[1], std::cout, std::cerr);
    if (command == "help" || command == "-h" || command == "--help") {
        usage(std::cout);
        return 0;
    }
    if (command.empty())
        std::cerr << "tsm-machine: no command given\n";
    else
        std::cerr << "tsm-machine: \"" << command << "\" is not a command, or takes other arguments\n";
    usage(std::cerr);
    return 2;
}
