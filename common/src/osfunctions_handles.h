// Move-only owners of the Win32 handles the service framework opens, so every
// handle is closed on every path out of the operation that opened it.
#ifndef TSM_OSFUNCTIONS_HANDLES_H
#define TSM_OSFUNCTIONS_HANDLES_H

#include <windows.h>

#include <utility>

namespace tsm {

template <class Handle, class Traits>
class ScopedGeneric {
public:
    ScopedGeneric() noexcept = default;
    explicit ScopedGeneric(Handle handle) noexcept : m_handle(handle) {}
    ScopedGeneric(ScopedGeneric&& other) noexcept : m_handle(other.release()) {}
    ScopedGeneric& operator=(ScopedGeneric&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedGeneric(const ScopedGeneric&) = delete;
    ScopedGeneric& operator=(const ScopedGeneric&) = delete;
    ~ScopedGeneric() { reset(); }

    Handle get() const noexcept { return m_handle; }
    bool isValid() const noexcept { return Traits::isValid(m_handle); }
    explicit operator bool() const noexcept { return isValid(); }

    [[nodiscard]] Handle release() noexcept { return std::exchange(m_handle, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) noexcept
    {
        // Closing must not disturb the error code a failed call left behind.
        if (Traits::isValid(m_handle)) {
            const DWORD savedError = GetLastError();
            Traits::close(m_handle);
            SetLastError(savedError);
        }
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::invalid();
};

struct ServiceHandleTraits {
    static SC_HANDLE invalid() noexcept { return nullptr; }
    static bool isValid(SC_HANDLE handle) noexcept { return handle != nullptr; }
    static void close(SC_HANDLE handle) noexcept { CloseServiceHandle(handle); }
};
using ScopedServiceHandle = ScopedGeneric<SC_HANDLE, ServiceHandleTraits>;

struct RegistryKeyTraits {
    static HKEY invalid() noexcept { return nullptr; }
    static bool isValid(HKEY key) noexcept { return key != nullptr; }
    static void close(HKEY key) noexcept { RegCloseKey(key); }
};
using ScopedRegistryKey = ScopedGeneric<HKEY, RegistryKeyTraits>;

struct LibraryTraits {
    static HMODULE invalid() noexcept { return nullptr; }
    static bool isValid(HMODULE module) noexcept { return module != nullptr; }
    static void close(HMODULE module) noexcept { FreeLibrary(module); }
};
using ScopedLibrary = ScopedGeneric<HMODULE, LibraryTraits>;

struct KernelHandleTraits {
    static HANDLE invalid() noexcept { return nullptr; }
    static bool isValid(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using ScopedKernelHandle = ScopedGeneric<HANDLE, KernelHandleTraits>;

} // namespace tsm

#endif
