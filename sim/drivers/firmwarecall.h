// Hands one unpacked command to a controller's firmware and brings back its
// reply, the way every simulated miniport does it.
#ifndef TSM_SIM_DRIVERS_FIRMWARECALL_H
#define TSM_SIM_DRIVERS_FIRMWARECALL_H

#include "firmware.h"

#include <array>
#include <cstdint>
#include <span>

namespace sim {

// Runs the command (waiting as long as the firmware says the command takes)
// and trims the reply data to the length the host asked for.
FirmwareReply callFirmware(ControllerFirmware& firmware, FirmwareCommand& command);

// A 10-byte BMIC block rebuilt from the fields a packet carries.
std::vector<uint8_t> bmicBlock(uint8_t directionByte, uint8_t driveIndex, std::span<const uint8_t, 4> detail,
                               uint8_t opcode, std::array<uint8_t, 2> tail);

// Copies the reply data into the packet's data area and zeroes the rest of it.
void putData(const FirmwareCommand& command, std::span<uint8_t> dataArea);

// Copies sense data into a sense field of `room` bytes; returns the bytes copied.
size_t putSense(const FirmwareReply& reply, std::span<uint8_t> field);

} // namespace sim

#endif
