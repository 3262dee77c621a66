// Firmware calls shared by the simulated miniports.
#include "firmwarecall.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace sim {

FirmwareReply callFirmware(ControllerFirmware& firmware, FirmwareCommand& command)
{
    const size_t asked = command.data.size();
    FirmwareReply reply = firmware.execute(command);
    if (reply.hangMilliseconds)
        std::this_thread::sleep_for(std::chrono::milliseconds(reply.hangMilliseconds));
    if (command.data.size() > asked)
        command.data.resize(asked);
    return reply;
}

std::vector<uint8_t> bmicBlock(uint8_t directionByte, uint8_t driveIndex, std::span<const uint8_t, 4> detail,
                               uint8_t opcode, std::array<uint8_t, 2> tail)
{
    return {directionByte, driveIndex, detail[0], detail[1], detail[2], detail[3], opcode, tail[0], tail[1], 0};
}

void putData(const FirmwareCommand& command, std::span<uint8_t> dataArea)
{
    const size_t n = std::min(command.data.size(), dataArea.size());
    std::copy_n(command.data.begin(), n, dataArea.begin());
    std::fill(dataArea.begin() + static_cast<std::ptrdiff_t>(n), dataArea.end(), uint8_t{0});
}

size_t putSense(const FirmwareReply& reply, std::span<uint8_t> field)
{
    const size_t n = std::min(reply.sense.size(), field.size());
    std::copy_n(reply.sense.begin(), n, field.begin());
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), uint8_t{0});
    return n;
}

} // namespace sim
