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

// Copies the caller's data into the packet at nOffset for a write.
void copyDataIn(const CommandBuffers& buffers, std::uint32_t dwDirection, std::uint32_t dwLength,
                MiniportPacket& packet, std::size_t nOffset);
// Copies the packet's data area back to the caller after a read.
void copyDataOut(const CommandBuffers& buffers, std::uint32_t dwDirection, std::uint32_t dwLength,
                 const MiniportPacket& packet, std::size_t nOffset);

void storeStatus(const CommandBuffers& buffers, std::uint8_t bScsiStatus, std::uint16_t wCommandStatus);

// Copies returned sense bytes, at most the caller's room and nMaximum; the
// sense length becomes the bytes copied, 0 without a sense buffer.
void storeSense(const CommandBuffers& buffers, const std::uint8_t* pbSense, std::size_t nMaximum);

// Pass-through direction field: 1 read, 2 write, 4 when no data moves.
std::uint32_t packetDirection(std::uint32_t dwDirection, std::uint32_t dwLength);

}

#endif
