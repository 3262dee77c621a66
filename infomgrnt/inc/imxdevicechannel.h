// The device calls the transports make (open a device, one control request,
// close), routed through one replaceable table so that a test can stand in
// for the storage drivers.
#ifndef TSM_INFOMGRNT_IMXDEVICECHANNEL_H
#define TSM_INFOMGRNT_IMXDEVICECHANNEL_H

#include <windows.h>

#include <cstdint>
#include <string>

namespace InfoMgr {

class DeviceChannel {
public:
    virtual ~DeviceChannel() = default;
    // INVALID_HANDLE_VALUE when the device cannot be opened.
    virtual HANDLE openDevice(const std::string& sDeviceName) = 0;
    // One control request; false when the call fails.
    virtual bool ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                           std::uint32_t dwOutLength, std::uint32_t& dwReturned) = 0;
    virtual void closeDevice(HANDLE hDevice) = 0;
};

// The channel in use: the platform's CreateFileA / DeviceIoControl /
// CloseHandle unless replaced.
DeviceChannel& deviceChannel();

// Replaces the channel; null restores the platform's. The caller keeps the
// channel alive while it is installed.
void setDeviceChannel(DeviceChannel* pChannel);

}

#endif
