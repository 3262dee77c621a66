// tsm-tree [--set startup|logical|full] [--refreshes N] [--format
// dump|json|prometheus] [--output FILE] [--timeout SECONDS]: the device tree
// of the emulated machine named by TSM_MACHINE, for people and for monitoring.
#include "treecommand.h"
#include "treerun.h"

#include <iostream>

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    tsmtool::TreeOptions options;
    std::string error;
    if (!tsmtool::parseTreeOptions(arguments, options, error)) {
        std::cerr << "tsm-tree: " << error << "\n";
        tsmtool::treeUsage(std::cerr);
        return 2;
    }
    if (options.help) {
        tsmtool::treeUsage(std::cout);
        return 0;
    }
    return tsmtool::runTree(options, std::cout, std::cerr);
}
