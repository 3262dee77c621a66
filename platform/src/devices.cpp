// CreateFileA of device names and DeviceIoControl: dispatched to the drivers
// of the simulated machine through the shared handle table.
#include "devices_loader.h"
#include "handle_table.h"

#include <tsm/machine.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace tsm::platform {

namespace {

// One open device: the simulator's own handle, released on the last close.
class DeviceObject : public KernelObject {
public:
    explicit DeviceObject(void* device) : m_pDevice(device) {}
    ~DeviceObject() override { close(); }
    void close() override
    {
        if (m_pDevice) {
            simulator().close(m_pDevice);
            m_pDevice = nullptr;
        }
    }
    void* device() const { return m_pDevice; }

private:
    void* m_pDevice;
};

bool isDeviceName(const char* name)
{
    return std::strncmp(name, "\\\\.\\", 4) == 0;
}

} // namespace

} // namespace tsm::platform

using tsm::platform::DeviceObject;
using tsm::platform::simulator;

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!tsm::platform::isDeviceName(lpFileName)) {
        // Only devices are opened through this call in the agent.
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const auto& sim = simulator();
    if (!sim.loaded()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    void* device = nullptr;
    const std::string root = tsm::machineRoot();
    const uint32_t error = sim.open(root.c_str(), lpFileName, &device);
    if (error != 0 || !device) {
        SetLastError(error != 0 ? error : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return tsm::platform::registerHandle(std::make_shared<DeviceObject>(device));
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                            LPOVERLAPPED lpOverlapped)
{
    const auto object = tsm::platform::lookupHandleAs<DeviceObject>(hDevice);
    if (!object || !object->device()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped) {
        // Devices here are opened for synchronous I/O only.
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((nInBufferSize && !lpInBuffer) || (nOutBufferSize && !lpOutBuffer) || !lpBytesReturned) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    uint32_t returned = 0;
    const uint32_t error = simulator().ioControl(object->device(), dwIoControlCode, lpInBuffer, nInBufferSize,
                                                 lpOutBuffer, nOutBufferSize, &returned);
    *lpBytesReturned = returned;
    SetLastError(error);
    return error == 0 ? TRUE : FALSE;
}
