// The command line of tsm-tree and the refresh it runs.
#ifndef TSM_TOOLS_TREECOMMAND_H
#define TSM_TOOLS_TREECOMMAND_H

#include <iosfwd>
#include <string>
#include <vector>

namespace tsmtool {

enum class RegistrationSet { eSTARTUP, eLOGICAL, eFULL };

struct TreeOptions {
    RegistrationSet set = RegistrationSet::eSTARTUP;
    unsigned refreshes = 1;
    bool help = false;
};

// The most refreshes one run accepts.
constexpr unsigned kMaxRefreshes = 1000000;

// Reads "--set startup|logical|full", "--refreshes N" (also as "--set=..."
// and "--refreshes=N") and "--help"; false with a message on anything else.
bool parseTreeOptions(const std::vector<std::string>& arguments, TreeOptions& options, std::string& error);

// Installs the set, refreshes the tree root the given number of times and
// writes the dump of the tree; a process installs one set.
void refreshAndDump(const TreeOptions& options, std::ostream& out);

void treeUsage(std::ostream& out);

}

#endif
