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
inline std::unique_ptr<sim::ControllerFirmware> build(const std::string& xml,
                                                      sim::DetailByteOrder order = sim::DetailByteOrder::eMostSignificantFirst)
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

// A read BMIC block: 0x26, drive index, the four value bytes as given, the
// opcode, the length least significant byte first.
inline Answer bmic(sim::ControllerFirmware& firmware, uint8_t opcode, uint8_t driveIndex, Bytes value, size_t length,
                   uint8_t first = 0x26)
{
    value.resize(4, 0);
    sim::FirmwareCommand command;
    command.bBmic = true;
    command.block = {first, driveIndex, value[0], value[1], value[2], value[3], opcode,
                     static_cast<uint8_t>(length & 0xFF), static_cast<uint8_t>(length >> 8), 0};
    command.direction = 1;
    // Stale bytes show up if the firmware leaves part of the buffer alone.
    command.data.assign(length, 0xEE);
    Answer answer;
    answer.reply = firmware.execute(command);
    answer.data = command.data;
    return answer;
}

inline Answer scsi(sim::ControllerFirmware& firmware, Bytes cdb, size_t length, sim::LunAddress lun = {})
{
    sim::FirmwareCommand command;
    command.bBmic = false;
    command.block = std::move(cdb);
    command.lun = lun;
    command.direction = length == 0 ? 4 : 1;
    command.data.assign(length, 0);
    Answer answer;
    answer.reply = firmware.execute(command);
    answer.data = command.data;
    return answer;
}

// Sense key, code and qualifier of a fixed-format sense block.
inline std::vector<int> senseOf(const sim::FirmwareReply& reply)
{
    if (reply.sense.size() < 14) {
        return {};
    }
    return {reply.sense[2] & 0x0F, reply.sense[12], reply.sense[13]};
}

inline void expectGood(const Answer& answer)
{
    EXPECT_EQ(answer.reply.error, 0u);
    EXPECT_EQ(answer.reply.scsiStatus, 0);
    EXPECT_EQ(answer.reply.commandStatus, 0);
    EXPECT_TRUE(answer.reply.sense.empty());
}

// A read BMIC block answered in full with the image.
inline void expectReply(sim::ControllerFirmware& firmware, uint8_t opcode, uint8_t driveIndex, Bytes value,
                        const Bytes& image)
{
    const Answer answer = bmic(firmware, opcode, driveIndex, std::move(value), image.size());
    expectGood(answer);
    EXPECT_EQ(answer.data, image);
}

inline void expectCheckCondition(const Answer& answer, int key, int code, int qualifier = 0)
{
    EXPECT_EQ(answer.reply.scsiStatus, 2);
    EXPECT_EQ(answer.reply.commandStatus, 1);
    EXPECT_EQ(senseOf(answer.reply), (std::vector<int>{key, code, qualifier}));
}

} // namespace fwtest

#endif
