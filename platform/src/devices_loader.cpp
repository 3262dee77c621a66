// Loads the simulator library with dlopen and resolves its entry points.
#include "devices_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace tsm::platform {

namespace {

constexpr const char* kLibraryName = "libtsmsim.so";

std::string executableDirectory()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

template <class Fn>
Fn resolve(void* library, const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(library, name));
}

SimulatorEntryPoints loadSimulator()
{
    SimulatorEntryPoints entry;
    const std::string path = simulatorLibraryPath();
    if (path.empty())
        return entry;
    // The library stays loaded for the life of the process, like a driver.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return entry;
    const auto version = resolve<TsmSimAbiVersionFn>(library, "tsmSimAbiVersion");
    if (!version || version() != TSM_SIM_ABI_VERSION)
        return entry;
    entry.open = resolve<TsmSimOpenFn>(library, "tsmSimOpen");
    entry.ioControl = resolve<TsmSimIoControlFn>(library, "tsmSimIoControl");
    entry.close = resolve<TsmSimCloseFn>(library, "tsmSimClose");
    entry.osVersion = resolve<TsmSimOsVersionFn>(library, "tsmSimOsVersion");
    entry.setupRecords = resolve<TsmSimSetupRecordsFn>(library, "tsmSimSetupRecords");
    if (!entry.loaded())
        entry = SimulatorEntryPoints();
    return entry;
}

} // namespace

std::string simulatorLibraryPath()
{
    if (const char* named = std::getenv("TSM_SIM_LIBRARY"))
        return named;
#ifdef TSM_SIM_BUILD_LIBRARY
    if (isFile(TSM_SIM_BUILD_LIBRARY))
        return TSM_SIM_BUILD_LIBRARY;
#endif
    const std::string dir = executableDirectory();
    if (!dir.empty()) {
        for (const std::string& candidate : {dir + "/" + kLibraryName, dir + "/../lib/" + kLibraryName})
            if (isFile(candidate))
                return candidate;
    }
    return std::string();
}

const SimulatorEntryPoints& simulator()
{
    static std::once_flag once;
    static SimulatorEntryPoints entry;
    std::call_once(once, [] { entry = loadSimulator(); });
    return entry;
}

} // namespace tsm::platform
