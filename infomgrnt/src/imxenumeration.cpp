// The port scan frame: port device names, opening devices the way the storage
// drivers expect, one buffered request, and the scan over all 256 ports.
#include "imxenumeration.h"

#include <winioctl.h>

#include <cstdio>

namespace InfoMgr {

std::string portDeviceName(std::uint32_t dwPort)
{
    char szName[32];
    std::snprintf(szName, sizeof szName, "\\\\.\\Scsi%u:", static_cast<unsigned>(dwPort));
    return szName;
}

ScopedDeviceHandle& ScopedDeviceHandle::operator=(ScopedDeviceHandle&& other) noexcept
{
    if (this != &other) {
        ScopedDeviceHandle old(release());
        m_hDevice = other.release();
    }
    return *this;
}

ScopedDeviceHandle::~ScopedDeviceHandle()
{
    if (isValid())
        CloseHandle(m_hDevice);
}

HANDLE ScopedDeviceHandle::release()
{
    HANDLE hDevice = m_hDevice;
    m_hDevice = INVALID_HANDLE_VALUE;
    return hDevice;
}

ScopedDeviceHandle openDevice(const std::string& sDeviceName)
{
    return ScopedDeviceHandle(CreateFileA(sDeviceName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING, nullptr));
}

ScopedDeviceHandle openPortDevice(std::uint32_t dwPort)
{
    return openDevice(portDeviceName(dwPort));
}

bool sendDeviceRequest(HANDLE hDevice, std::uint32_t dwControlCode, const void* pIn, std::uint32_t dwInLength,
                       void* pOut, std::uint32_t dwOutLength, std::uint32_t& dwReturned)
{
    DWORD dwBytes = 0;
    // The platform's call takes a non-const input pointer; the drivers never write it.
    const BOOL bOk = DeviceIoControl(hDevice, dwControlCode, const_cast<void*>(pIn), dwInLength, pOut, dwOutLength,
                                     &dwBytes, nullptr);
    dwReturned = bOk ? static_cast<std::uint32_t>(dwBytes) : 0;
    return bOk != FALSE;
}

std::uint32_t scanPorts(const std::function<PortAnswer(std::uint32_t dwPort)>& probe, ScanRule eRule)
{
    std::uint32_t nAnswered = 0;
    bool bAnyFailed = false;
    // Every scan covers all ports: nothing is remembered about them between scans.
    for (std::uint32_t dwPort = 0; dwPort < kScanPortCount; ++dwPort) {
        switch (probe(dwPort)) {
        case ePORT_ANSWERED:
            ++nAnswered;
            break;
        case ePORT_FAILED:
            bAnyFailed = true;
            break;
        case ePORT_SILENT:
            break;
        }
    }
    if (nAnswered == 0)
        return kScanNothingFound;
    if (eRule == eSCAN_LEGACY && bAnyFailed)
        return kScanPortFailed;
    return kScanOk;
}

} // namespace InfoMgr
