// The current machine of each machine root, re-read when its description
// file changes (modification time or size).
#ifndef TSM_SIM_MACHINECACHE_H
#define TSM_SIM_MACHINECACHE_H

#include "machine.h"

#include <memory>
#include <string>

namespace sim {

// The machine of a root; an empty machine when the root has no description
// or a malformed one (the problem is reported once per change of the file).
std::shared_ptr<Machine> currentMachine(const std::string& machineRoot);

// Loads a description file directly (for tools): null with a message naming
// the file, line and problem when it is not usable.
std::shared_ptr<Machine> loadMachineFile(const std::string& path, std::string& message);

} // namespace sim

#endif
