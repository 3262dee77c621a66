// The platform's device calls behind the transports' device channel.
#include "imxdevicechannel.h"

#include <winioctl.h>

namespace InfoMgr {
namespace {

class PlatformChannel : public DeviceChannel {
public:
    HANDLE openDevice(const std::string& sDeviceName) override
    {
        return CreateFileA(sDeviceName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING, nullptr);
    }
    bool ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override
    {
        DWORD dwBytes = 0;
        const BOOL bOk = DeviceIoControl(hDevice, dwCode, pIn, dwInLength, pOut, dwOutLength, &dwBytes, nullptr);
        dwReturned = dwBytes;
        return bOk != FALSE;
    }
    void closeDevice(HANDLE hDevice) override { CloseHandle(hDevice); }
};

PlatformChannel& platformChannel()
{
    static PlatformChannel channel;
    return channel;
}

DeviceChannel*& installedChannel()
{
    static DeviceChannel* pChannel = nullptr;
    return pChannel;
}

}

DeviceChannel& deviceChannel()
{
    DeviceChannel* pChannel = installedChannel();
    return pChannel != nullptr ? *pChannel : platformChannel();
}

void setDeviceChannel(DeviceChannel* pChannel)
{
    installedChannel() = pChannel;
}

}
