// ModulePath: paths anchored at the executable's directory.
#ifndef TSM_WEB_MODULEPATH_H
#define TSM_WEB_MODULEPATH_H

#include <string>

namespace Web {

// The executable's full path, upper-cased (ASCII letters only), with
// everything after its last backslash replaced by the relative text; the
// upper-cased path unchanged when it has no backslash.
std::string ModulePath(const std::string& relative);

}

#endif
