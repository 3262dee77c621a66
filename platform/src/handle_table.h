// One table for every kernel handle of the process (events, devices,
// find handles, event sources), so CloseHandle works on all of them.
#ifndef TSM_PLATFORM_HANDLE_TABLE_H
#define TSM_PLATFORM_HANDLE_TABLE_H

#include <windows.h>

#include <memory>

namespace tsm::platform {

// Base of everything a HANDLE can name. close() runs when the last handle to
// the object is closed (the object itself may live on while a caller uses it).
class KernelObject {
public:
    virtual ~KernelObject() = default;
    virtual void close() {}
};

// Registers an object and gives its new handle (never null, never
// INVALID_HANDLE_VALUE).
HANDLE registerHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null for an unknown or closed handle.
std::shared_ptr<KernelObject> lookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> lookupHandleAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(lookupHandle(handle));
}

// Removes the handle; false (and ERROR_INVALID_HANDLE) if it was not open.
bool closeHandle(HANDLE handle);

} // namespace tsm::platform

#endif
