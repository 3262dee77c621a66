// The commands of tsm-machine; each writes to out (results) and err
// (problems) and returns the process exit code.
#ifndef TSM_TOOLS_MACHINE_COMMANDS_H
#define TSM_TOOLS_MACHINE_COMMANDS_H

#include <ostream>
#include <string>
#include <vector>

namespace tsmtool {

int showServices(std::ostream& out, std::ostream& err);
int showEvents(std::ostream& out, std::ostream& err);
int showRegistry(std::ostream& out, std::ostream& err);
int showTrace(std::ostream& out, std::ostream& err);
int useDescription(const std::string& path, std::ostream& out, std::ostream& err);

} // namespace tsmtool

#endif
