// The command line of tsm-tree.
#ifndef TSM_TOOLS_TREECOMMAND_H
#define TSM_TOOLS_TREECOMMAND_H

#include <iosfwd>
#include <string>
#include <vector>

namespace tsmtool {

enum class RegistrationSet { eSTARTUP, eLOGICAL, eFULL };
enum class OutputFormat { eDUMP, eJSON, ePROMETHEUS };

struct TreeOptions {
    RegistrationSet set = RegistrationSet::eSTARTUP;
    OutputFormat format = OutputFormat::eDUMP;
    unsigned refreshes = 1;
    unsigned timeoutSeconds = 50; // under a collector's one-minute period
    std::string output; // empty: standard output
    bool help = false;
};

// The most refreshes one run accepts, and the longest time limit.
constexpr unsigned kMaxRefreshes = 1000000;
constexpr unsigned kMaxTimeoutSeconds = 3600;

// Reads "--set startup|logical|full", "--refreshes N", "--format
// dump|json|prometheus", "--output FILE", "--timeout SECONDS" (each also as
// "--name=value") and "--help"; false with a message on anything else.
bool parseTreeOptions(const std::vector<std::string>& arguments, TreeOptions& options, std::string& error);

void treeUsage(std::ostream& out);

}

#endif
