// The process-wide handle table and CloseHandle.
#include "handle_table.h"
#include "tsm/neverdestroyed.h"

#include <mutex>
#include <unordered_map>

namespace tsm::platform {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 0x100; // multiples of 4, like Windows handles
};

HandleTable& table()
{
    static tsm::NeverDestroyed<HandleTable> instance;
    return instance.get();
}

} // namespace

HANDLE registerHandle(std::shared_ptr<KernelObject> object)
{
    HandleTable& handles = table();
    std::lock_guard<std::mutex> lock(handles.mutex);
    const uintptr_t value = handles.next;
    handles.next += 4;
    handles.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> lookupHandle(HANDLE handle)
{
    HandleTable& handles = table();
    std::lock_guard<std::mutex> lock(handles.mutex);
    const auto found = handles.objects.find(reinterpret_cast<uintptr_t>(handle));
    return found == handles.objects.end() ? nullptr : found->second;
}

bool closeHandle(HANDLE handle)
{
    std::shared_ptr<KernelObject> object;
    {
        HandleTable& handles = table();
        std::lock_guard<std::mutex> lock(handles.mutex);
        const auto found = handles.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (found == handles.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        object = std::move(found->second);
        handles.objects.erase(found);
    }
    object->close();
    return true;
}

} // namespace tsm::platform

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    return tsm::platform::closeHandle(hObject) ? TRUE : FALSE;
}
