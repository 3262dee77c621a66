// Reading and answering the caller's data and status arguments of a send.
#ifndef TSM_INFOMGRNT_IMXCOMMANDBUFFERS_H
#define TSM_INFOMGRNT_IMXCOMMANDBUFFERS_H

#include "imxioctlcommandgroup.h"
#include "imxioctlpacket.h"

#include <cstddef>
#include <cstdint>

namespace InfoMgr {

// Bytes of data the caller hands over: 0 without a buffer.
std::uint32_t transferLength(const CommandBuffers& buffers);

// Sends the packet through the port with the caller's data at nDataOffset:
// the data of a write goes into the packet before the send, the data of a
// read comes back to the caller after it. kIoCtlOk, or kIoCtlRequestFailed
// when the driver refuses the packet.
std::uint32_t exchangeData(const PortHandle& port, MiniportPacket& packet, const CommandBuffers& buffers,
                           std::uint32_t dwDirection, std::uint32_t dwLength, std::size_t nDataOffset);

void storeStatus(const CommandBuffers& buffers, std::uint8_t bScsiStatus, std::uint16_t wCommandStatus);

// Copies returned sense bytes, at most the caller's room and nMaximum; the
// sense length becomes the bytes copied, 0 without a sense buffer.
void storeSense(const CommandBuffers& buffers, const std::uint8_t* pbSense, std::size_t nMaximum);

// Pass-through direction field: 1 read, 2 write, 4 when no data moves.
std::uint32_t packetDirection(std::uint32_t dwDirection, std::uint32_t dwLength);

}

#endif
