// Owners of the platform's Win32 handles. Closing one keeps the error code
// that a failed call left behind, so a caller can still report it after the
// handles of the failed step have gone.
#ifndef TSM_WIN32HANDLES_H
#define TSM_WIN32HANDLES_H

#include "tsm/uniquehandle.h"

#include <windows.h>

namespace tsm {

// Traits of a Win32 handle that closeHandle closes and null marks as none.
template <class Win32Handle, auto closeHandle>
struct Win32HandleTraits {
    using Handle = Win32Handle;
    static Handle invalid() noexcept { return nullptr; }
    static bool isValid(Handle handle) noexcept { return handle != nullptr; }
    static void close(Handle handle) noexcept
    {
        const DWORD savedError = GetLastError();
        closeHandle(handle);
        SetLastError(savedError);
    }
};

using UniqueServiceHandle = UniqueHandle<Win32HandleTraits<SC_HANDLE, CloseServiceHandle>>;
using UniqueLibrary = UniqueHandle<Win32HandleTraits<HMODULE, FreeLibrary>>;
using UniqueRegistryKey = UniqueHandle<Win32HandleTraits<HKEY, RegCloseKey>>;

// Kernel objects: null and INVALID_HANDLE_VALUE both mean none.
struct KernelHandleTraits : Win32HandleTraits<HANDLE, CloseHandle> {
    static bool isValid(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// A directory search of FindFirstFileA, which gives INVALID_HANDLE_VALUE for none.
struct FindHandleTraits : Win32HandleTraits<HANDLE, FindClose> {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
};
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

} // namespace tsm

#endif
