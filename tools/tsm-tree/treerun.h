// One run of tsm-tree: install the set, refresh the tree within the time
// limit, write it in the chosen format.
#ifndef TSM_TOOLS_TREERUN_H
#define TSM_TOOLS_TREERUN_H

#include "treecommand.h"

#include <iosfwd>

namespace tsmtool {

// Returns the exit code: 0, or 1 when the refresh failed or the output could
// not be written. A refresh still running at the time limit cannot be
// stopped, so then the process ends here, after the output is written.
int runTree(const TreeOptions& options, std::ostream& out, std::ostream& err);

}

#endif
