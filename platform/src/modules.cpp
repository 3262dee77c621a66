// LoadLibraryA, GetProcAddress and FreeLibrary over the system's own modules:
// an emulated table of the procedures looked up at run time. Module names are
// compared without case, with or without ".dll" and a folder; other modules
// are not found.
#include <windows.h>

#include <strings.h>

#include <cstring>
#include <string>

namespace {

struct Export {
    const char* name;
    FARPROC address;
};

struct SystemModule {
    const char* name;
    const Export* exports;
    std::size_t count;
};

template <class Fn>
FARPROC asFarProc(Fn function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const Export kAdvapiExports[] = {
    {"ChangeServiceConfig2A", asFarProc(&ChangeServiceConfig2A)},
};

const SystemModule kSystemModules[] = {
    {"advapi32", kAdvapiExports, std::size(kAdvapiExports)},
};

// The table entry behind a handle, or null.
const SystemModule* systemModule(HMODULE handle)
{
    for (const SystemModule& module : kSystemModules)
        if (handle == reinterpret_cast<HMODULE>(const_cast<SystemModule*>(&module)))
            return &module;
    return nullptr;
}

} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName)
{
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // "C:\Windows\System32\ADVAPI32.DLL" -> "advapi32" for the table lookup.
    std::string base(lpLibFileName);
    base.erase(0, base.find_last_of("\\/") == std::string::npos ? 0 : base.find_last_of("\\/") + 1);
    if (base.size() > 4 && ::strcasecmp(base.c_str() + base.size() - 4, ".dll") == 0)
        base.resize(base.size() - 4);
    for (const SystemModule& module : kSystemModules) {
        if (::strcasecmp(module.name, base.c_str()) == 0) {
            SetLastError(ERROR_SUCCESS);
            return reinterpret_cast<HMODULE>(const_cast<SystemModule*>(&module));
        }
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    const SystemModule* module = systemModule(hModule);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Lookup by ordinal (a pointer value below 0x10000) is not offered;
    // procedure names are exact, unlike module names.
    if (lpProcName && reinterpret_cast<uintptr_t>(lpProcName) >= 0x10000) {
        for (std::size_t index = 0; index < module->count; ++index)
            if (std::strcmp(module->exports[index].name, lpProcName) == 0)
                return module->exports[index].address;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

// System modules stay loaded for the life of the process.
BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    if (!systemModule(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
