// Finds and loads the simulated machine's library once per process.
#ifndef TSM_PLATFORM_DEVICES_LOADER_H
#define TSM_PLATFORM_DEVICES_LOADER_H

#include "tsm/simabi.h"

#include <string>

namespace tsm::platform {

// The entry points of the loaded library; every pointer is null when no
// library could be loaded (the machine then has no storage hardware).
struct SimulatorEntryPoints {
    TsmSimOpenFn open = nullptr;
    TsmSimIoControlFn ioControl = nullptr;
    TsmSimCloseFn close = nullptr;
    TsmSimOsVersionFn osVersion = nullptr;
    TsmSimSetupRecordsFn setupRecords = nullptr;

    bool loaded() const { return open && ioControl && close && osVersion && setupRecords; }
};

const SimulatorEntryPoints& simulator();

// The library path chosen: $TSM_SIM_LIBRARY, the build's own, or the one
// beside the executable / in the installation's lib folder.
std::string simulatorLibraryPath();

} // namespace tsm::platform

#endif
