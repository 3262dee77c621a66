// The packet plumbing of the transports: port handles, packet buffers, send.
#include "imxioctlpacket.h"

#include "checkassert.h"
#include "imxboundedcall.h"
#include "imxioctlcommandgroup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace InfoMgr {

std::string scsiPortName(std::uint32_t dwPort)
{
    char szName[32];
    std::snprintf(szName, sizeof szName, "\\\\.\\Scsi%u:", dwPort);
    return szName;
}

PortHandle::PortHandle(std::uint32_t dwPort)
    : m_sDeviceName(scsiPortName(dwPort)), m_hDevice(deviceChannel().openDevice(m_sDeviceName))
{
}

PortHandle::PortHandle(PortHandle&& other) noexcept
    : m_sDeviceName(std::move(other.m_sDeviceName)), m_hDevice(other.release())
{
}

PortHandle& PortHandle::operator=(PortHandle&& other) noexcept
{
    if (this != &other) {
        if (isOpen())
            deviceChannel().closeDevice(m_hDevice);
        m_sDeviceName = std::move(other.m_sDeviceName);
        m_hDevice = other.release();
    }
    return *this;
}

PortHandle::~PortHandle()
{
    if (isOpen())
        deviceChannel().closeDevice(m_hDevice);
}

HANDLE PortHandle::release()
{
    HANDLE hDevice = m_hDevice;
    m_hDevice = INVALID_HANDLE_VALUE;
    return hDevice;
}

MiniportPacket::MiniportPacket(const char* pszSignature, std::uint32_t dwTimeout, std::uint32_t dwControlCode,
                               std::uint32_t dwBodyLength, std::size_t nAllocation)
    : m_signature{}, m_dwTimeout(dwTimeout), m_dwControlCode(dwControlCode), m_dwBodyLength(dwBodyLength),
      m_buffer(std::max(nAllocation, sizeof(MiniportHeader) + dwBodyLength), std::uint8_t{0})
{
    // Signatures are copied with their terminating zero; the rest stays zero.
    std::strncpy(m_signature, pszSignature, sizeof m_signature - 1);
    writeHeader();
}

void MiniportPacket::copyIn(std::size_t nOffset, const void* pSource, std::size_t nLength)
{
    TSM_ASSERT(nOffset <= m_buffer.size() && nLength <= m_buffer.size() - nOffset);
    if (nLength != 0)
        std::memcpy(m_buffer.data() + nOffset, pSource, nLength);
}

void MiniportPacket::copyOut(std::size_t nOffset, void* pTarget, std::size_t nLength) const
{
    TSM_ASSERT(nOffset <= m_buffer.size() && nLength <= m_buffer.size() - nOffset);
    if (nLength != 0)
        std::memcpy(pTarget, m_buffer.data() + nOffset, nLength);
}

std::uint8_t MiniportPacket::byteAt(std::size_t nOffset) const
{
    TSM_ASSERT(nOffset < m_buffer.size());
    return m_buffer[nOffset];
}

void MiniportPacket::writeHeader()
{
    MiniportHeader header{};
    header.headerLength.set(sizeof(MiniportHeader));
    std::memcpy(header.signature, m_signature, sizeof header.signature);
    header.timeoutSeconds.set(m_dwTimeout);
    header.controlCode.set(m_dwControlCode);
    header.returnCode.set(0);
    header.length.set(m_dwBodyLength);
    copyIn(0, &header, sizeof header);
}

std::uint32_t MiniportPacket::returnCode() const
{
    MiniportHeader header{};
    copyOut(0, &header, sizeof header);
    return header.returnCode.get();
}

namespace {

// A request whose packet names a finite timeout runs on a worker thread with
// its own copy of the packet and its own handle of the device, so a driver
// that never answers costs the caller no more than that timeout, and the
// caller may close its handle while the abandoned call still runs.
struct BoundedCall {
    bool bOk = false;
    std::uint32_t dwReturned = 0;
    std::vector<std::uint8_t> buffer;
};

bool runBounded(const std::string& sDeviceName, MiniportPacket& packet, std::uint32_t& dwReturned)
{
    auto pCall = std::make_shared<BoundedCall>();
    const auto nSize = static_cast<std::uint32_t>(packet.sendSize());
    pCall->buffer.assign(packet.bytes(), packet.bytes() + nSize);
    DeviceChannel* pChannel = &deviceChannel();
    const bool bFinished = runWithTimeLimit(
        [pCall, pChannel, sDeviceName, nSize] {
            const HANDLE hDevice = pChannel->openDevice(sDeviceName);
            if (hDevice != INVALID_HANDLE_VALUE && hDevice != nullptr) {
                pCall->bOk = pChannel->ioControl(hDevice, kMiniportIoctl, pCall->buffer.data(), nSize,
                                                 pCall->buffer.data(), nSize, pCall->dwReturned);
                pChannel->closeDevice(hDevice);
            }
        },
        std::chrono::seconds(packet.timeoutSeconds()));
    if (!bFinished)
        return false;
    packet.copyIn(0, pCall->buffer.data(), nSize);
    dwReturned = pCall->dwReturned;
    return pCall->bOk;
}

}

std::uint32_t sendPacket(const PortHandle& port, MiniportPacket& packet)
{
    TSM_ASSERT(port.isOpen());
    packet.writeHeader();
    const auto nSize = static_cast<std::uint32_t>(packet.sendSize());
    std::uint32_t dwReturned = 0;
    bool bOk = false;
    if (packet.timeoutSeconds() == kTimeoutForever)
        bOk = deviceChannel().ioControl(port.get(), kMiniportIoctl, packet.bytes(), nSize, packet.bytes(), nSize,
                                        dwReturned);
    else
        bOk = runBounded(port.deviceName(), packet, dwReturned);
    if (!bOk || dwReturned < nSize || packet.returnCode() != 0)
        return kIoCtlRequestFailed;
    return kIoCtlOk;
}

std::uint32_t exchangePacket(std::uint32_t dwPort, MiniportPacket& packet)
{
    const PortHandle port(dwPort);
    if (!port.isOpen())
        return kIoCtlPortNotOpened;
    return sendPacket(port, packet);
}

bool sendPortRequest(const PortHandle& port, std::uint32_t dwCode, void* pBuffer, std::uint32_t dwLength,
                     std::uint32_t& dwReturned)
{
    TSM_ASSERT(port.isOpen());
    dwReturned = 0;
    const bool bOk = deviceChannel().ioControl(port.get(), dwCode, pBuffer, dwLength, pBuffer, dwLength, dwReturned);
    if (dwReturned > dwLength)
        dwReturned = dwLength;
    return bOk;
}

}
