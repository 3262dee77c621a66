// LoadLibraryA, GetProcAddress and FreeLibrary. The system's own modules are
// an emulated table (names compared without case, with or without ".dll" and
// a folder); any other name is a shared library loaded with dlopen, looked up
// as the DOS path given and as lib<name>.so beside the executable.
#include <windows.h>

#include "tsm/machine.h"

#include <dlfcn.h>
#include <strings.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Export {
    const char* name;
    FARPROC address;
};

template <class Fn>
FARPROC asFarProc(Fn function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct SystemModule {
    const char* name;
    const Export* exports;
    std::size_t count;
};

const Export kAdvapiExports[] = {
    { "ChangeServiceConfig2A", asFarProc(&ChangeServiceConfig2A) },
    { "CloseServiceHandle", asFarProc(&CloseServiceHandle) },
    { "ControlService", asFarProc(&ControlService) },
    { "CreateServiceA", asFarProc(&CreateServiceA) },
    { "DeleteService", asFarProc(&DeleteService) },
    { "DeregisterEventSource", asFarProc(&DeregisterEventSource) },
    { "OpenSCManagerA", asFarProc(&OpenSCManagerA) },
    { "OpenServiceA", asFarProc(&OpenServiceA) },
    { "QueryServiceStatus", asFarProc(&QueryServiceStatus) },
    { "RegCloseKey", asFarProc(&RegCloseKey) },
    { "RegCreateKeyExA", asFarProc(&RegCreateKeyExA) },
    { "RegDeleteKeyA", asFarProc(&RegDeleteKeyA) },
    { "RegOpenKeyExA", asFarProc(&RegOpenKeyExA) },
    { "RegQueryValueExA", asFarProc(&RegQueryValueExA) },
    { "RegSetValueExA", asFarProc(&RegSetValueExA) },
    { "RegisterEventSourceA", asFarProc(&RegisterEventSourceA) },
    { "RegisterServiceCtrlHandlerA", asFarProc(&RegisterServiceCtrlHandlerA) },
    { "ReportEventA", asFarProc(&ReportEventA) },
    { "SetServiceStatus", asFarProc(&SetServiceStatus) },
    { "StartServiceA", asFarProc(&StartServiceA) },
    { "StartServiceCtrlDispatcherA", asFarProc(&StartServiceCtrlDispatcherA) },
};

const Export kKernelExports[] = {
    { "CloseHandle", asFarProc(&CloseHandle) },
    { "CreateEventA", asFarProc(&CreateEventA) },
    { "CreateThread", asFarProc(&CreateThread) },
    { "FormatMessageA", asFarProc(&FormatMessageA) },
    { "GetLastError", asFarProc(&GetLastError) },
    { "GetTickCount", asFarProc(&GetTickCount) },
    { "SetEvent", asFarProc(&SetEvent) },
    { "Sleep", asFarProc(&Sleep) },
    { "WaitForSingleObject", asFarProc(&WaitForSingleObject) },
};

const SystemModule kSystemModules[] = {
    { "advapi32", kAdvapiExports, std::size(kAdvapiExports) },
    { "kernel32", kKernelExports, std::size(kKernelExports) },
};

// "C:\Windows\System32\ADVAPI32.DLL" -> "advapi32" for the table lookup.
std::string baseName(const std::string& name)
{
    std::string base = name.substr(name.find_last_of("\\/") == std::string::npos ? 0 : name.find_last_of("\\/") + 1);
    if (base.size() > 4 && ::strcasecmp(base.c_str() + base.size() - 4, ".dll") == 0)
        base.resize(base.size() - 4);
    return base;
}

// A loaded module: a table entry or a dlopen handle, with its load count.
struct LoadedModule {
    const SystemModule* system = nullptr;
    void* library = nullptr;
    int references = 0;
};

struct ModuleTable {
    std::mutex mutex;
    std::map<HMODULE, LoadedModule> modules;
};

ModuleTable& modules()
{
    static ModuleTable* const instance = new ModuleTable; // lives until the process ends
    return *instance;
}

HMODULE systemModuleHandle(const SystemModule* module) { return reinterpret_cast<HMODULE>(const_cast<SystemModule*>(module)); }

void* openSharedLibrary(const std::string& name)
{
    std::error_code ignored;
    const std::string exeDir = std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path().string();
    const std::string base = baseName(name);
    for (const std::string& candidate :
         { tsm::dosToHost(name), exeDir + "/lib" + base + ".so", exeDir + "/../lib/lib" + base + ".so" }) {
        if (candidate.empty() || !std::filesystem::is_regular_file(candidate, ignored))
            continue;
        if (void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return nullptr;
}

} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName)
{
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string base = baseName(lpLibFileName);
    ModuleTable& table = modules();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const SystemModule& module : kSystemModules) {
        if (::strcasecmp(module.name, base.c_str()) == 0) {
            const HMODULE handle = systemModuleHandle(&module);
            LoadedModule& loaded = table.modules[handle];
            loaded.system = &module;
            ++loaded.references;
            SetLastError(ERROR_SUCCESS);
            return handle;
        }
    }
    void* library = openSharedLibrary(lpLibFileName);
    if (!library) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // dlopen counts its own references; one entry per distinct library.
    const HMODULE handle = reinterpret_cast<HMODULE>(library);
    LoadedModule& loaded = table.modules[handle];
    if (loaded.library)
        ::dlclose(library);
    loaded.library = library;
    ++loaded.references;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    ModuleTable& table = modules();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto found = table.modules.find(hModule);
    if (found == table.modules.end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Lookup by ordinal (a pointer value below 0x10000) is not offered.
    if (!lpProcName || reinterpret_cast<uintptr_t>(lpProcName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    const LoadedModule& loaded = found->second;
    if (loaded.system) {
        for (std::size_t index = 0; index < loaded.system->count; ++index) {
            // Procedure names are exact, unlike module names.
            if (std::string(loaded.system->exports[index].name) == lpProcName)
                return loaded.system->exports[index].address;
        }
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = ::dlsym(loaded.library, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    ModuleTable& table = modules();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto found = table.modules.find(hLibModule);
    if (found == table.modules.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--found->second.references == 0) {
        if (found->second.library)
            ::dlclose(found->second.library);
        table.modules.erase(found);
    }
    return TRUE;
}
