// Helpers of the firmware tests: build a controller's firmware from XML text
// and send it BMIC blocks and CDBs the way a transport driver hands them on.
#ifndef TSM_TESTS_SIM_FIRMWARE_SUPPORT_H
#define TSM_TESTS_SIM_FIRMWARE_SUPPORT_H

#include "byteimage.h"
#include "description.h"
#include "firmware.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fwtest {

using Bytes = std::vector<uint8_t>;
using tsmtest::ByteImage;

// The firmware of the one <controller> or <remote> element the text holds;
// a refused one throws, which fails the test.
inline std::unique_ptr<sim::ControllerFirmware>
build(const std::string& xml, sim::DetailByteOrder order = sim::DetailByteOrder::eMostSignificantFirst)
{
    sim::Node root;
    sim::DescriptionError parseError;
    std::string error;
    if (!sim::parseDescriptionText(xml, root, parseError))
        throw std::runtime_error("not XML: " + parseError.problem);
    auto firmware = sim::ControllerFirmware::fromDescription(root, error, order);
    if (!firmware)
        throw std::runtime_error(error);
    return firmware;
}

// The message a refused element gives (empty when it was accepted).
inline std::string refusal(const std::string& xml)
{
    try {
        build(xml);
        return std::string();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

struct Answer {
    sim::FirmwareReply reply;
    Bytes data;
};

// Runs the command: the reply and the data buffer as the firmware left it.
inline Answer run(sim::ControllerFirmware& firmware, sim::FirmwareCommand command)
{
    sim::FirmwareReply reply = firmware.execute(command);
    return {std::move(reply), std::move(command.data)};
}

// A read BMIC block: 0x26, drive index, the four value bytes as given, the
// opcode, the length least significant byte first. Stale bytes fill the
// buffer, so a reply that leaves part of it alone shows.
inline Answer bmic(sim::ControllerFirmware& firmware, uint8_t opcode, uint8_t driveIndex, Bytes value, size_t length,
                   uint8_t first = 0x26)
{
    value.resize(4, 0);
    const Bytes block =
        ByteImage(10).u8(0, first).u8(1, driveIndex).raw(2, value).u8(6, opcode).le16(7, static_cast<uint16_t>(length));
    return run(firmware, {.bBmic = true, .block = block, .direction = 1, .data = Bytes(length, 0xEE)});
}

inline Answer scsi(sim::ControllerFirmware& firmware, Bytes cdb, size_t length, sim::LunAddress lun = {})
{
    return run(firmware, {.bBmic = false,
                          .block = std::move(cdb),
                          .lun = lun,
                          .direction = length == 0 ? 4u : 1u,
                          .data = Bytes(length, 0)});
}

inline void expectGood(const Answer& answer)
{
    const sim::FirmwareReply& reply = answer.reply;
    EXPECT_EQ(std::tuple(reply.error, +reply.scsiStatus, +reply.commandStatus, reply.sense.size()),
              std::tuple(0u, 0, 0, 0u));
}

// A check condition with 18 bytes of fixed-format sense: response code 0x70,
// the key, additional length 10, the code and the qualifier.
inline void expectCheckCondition(const Answer& answer, int key, int code, int qualifier = 0)
{
    const Bytes& sense = answer.reply.sense;
    ASSERT_EQ(std::tuple(+answer.reply.scsiStatus, +answer.reply.commandStatus, sense.size()), std::tuple(2, 1, 18u));
    EXPECT_EQ((std::vector<int>{sense[0], sense[2] & 0x0F, sense[7], sense[12], sense[13]}),
              (std::vector<int>{0x70, key, 10, code, qualifier}));
}

} // namespace fwtest

#endif
