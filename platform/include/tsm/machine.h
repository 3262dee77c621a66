// The emulated machine: its root folder and the mapping between the DOS paths
// the agent sees and the host paths underneath. Used by the platform layer,
// the simulator, the tools and the tests; the agent itself sees only Win32.
#ifndef TSM_MACHINE_H
#define TSM_MACHINE_H

#include <string>

namespace tsm {

// The machine root: $TSM_MACHINE, else $XDG_STATE_HOME/tsm-machine, else
// ~/.local/state/tsm-machine. Read from the environment on every call so a
// test can point a process at a fresh machine.
std::string machineRoot();

// Host folder of drive C: ($TSM_MACHINE/drive_c).
std::string driveCRoot();

// Host path of a DOS path. "C:\a\b" lies under drive_c, "Z:\a" is the host's
// "/a", a relative path is taken from the current directory. Backslash and
// slash both separate; every existing component is matched case-insensitively,
// missing ones are kept as written. Returns "" for a drive that does not exist.
std::string dosToHost(const std::string& dosPath);

// DOS path of a host path: under drive_c it is on C:, anything else is on Z:.
std::string hostToDos(const std::string& hostPath);

// Host path of the debugger output sink ($TSM_MACHINE/debug-output.log).
std::string debugOutputPath();

} // namespace tsm

#endif
