// The caller's data and status arguments of a send.
#include "imxcommandbuffers.h"

#include <algorithm>
#include <cstring>

namespace InfoMgr {

std::uint32_t transferLength(const CommandBuffers& buffers)
{
    return buffers.pData != nullptr && buffers.pdwDataLength != nullptr ? *buffers.pdwDataLength : 0;
}

std::uint32_t exchangeData(const PortHandle& port, MiniportPacket& packet, const CommandBuffers& buffers,
                           std::uint32_t dwDirection, std::uint32_t dwLength, std::size_t nDataOffset)
{
    if (dwDirection == CONTROL_DIRECTION_WRITE && dwLength != 0)
        packet.copyIn(nDataOffset, buffers.pData, dwLength);
    if (sendPacket(port, packet) != kIoCtlOk)
        return kIoCtlRequestFailed;
    if (dwDirection == CONTROL_DIRECTION_READ && dwLength != 0)
        packet.copyOut(nDataOffset, buffers.pData, dwLength);
    return kIoCtlOk;
}

void storeStatus(const CommandBuffers& buffers, std::uint8_t bScsiStatus, std::uint16_t wCommandStatus)
{
    if (buffers.pbScsiStatus != nullptr)
        *buffers.pbScsiStatus = bScsiStatus;
    if (buffers.pwCommandStatus != nullptr)
        *buffers.pwCommandStatus = wCommandStatus;
}

void storeSense(const CommandBuffers& buffers, const std::uint8_t* pbSense, std::size_t nMaximum)
{
    if (buffers.pdwSenseLength == nullptr)
        return;
    if (buffers.pSense == nullptr) {
        *buffers.pdwSenseLength = 0;
        return;
    }
    const std::size_t nCopy = std::min<std::size_t>(*buffers.pdwSenseLength, nMaximum);
    if (nCopy != 0)
        std::memcpy(buffers.pSense, pbSense, nCopy);
    *buffers.pdwSenseLength = static_cast<std::uint32_t>(nCopy);
}

std::uint32_t packetDirection(std::uint32_t dwDirection, std::uint32_t dwLength)
{
    constexpr std::uint32_t kNoData = 4;
    return dwLength == 0 ? kNoData : dwDirection;
}

}
