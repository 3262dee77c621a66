// Controller commands: how a driver outcome becomes a status value, and the
// debug-log lines the command layer writes for every request it sends (the
// statuses and sense it logs are read back on the simulated controllers, as
// is what each command puts on the wire).
#include "arraycontroller.h"
#include "bmiccommand.h"
#include "byteimage.h"
#include "logtail.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

// A device that answers like a controller with a scripted outcome.
class ScriptedDevice : public Core::BmicDevice {
public:
    std::uint16_t wCommandStatus = 0;
    std::uint8_t bScsiStatus = 0;
    std::vector<std::uint8_t> sense;

    bool sendBmicCommand(Core::BmicParameters& parameters) override
    {
        parameters.commandStatus = wCommandStatus;
        parameters.scsiStatus = bScsiStatus;
        const std::size_t senseCount = std::min<std::size_t>(sense.size(), parameters.senseLength);
        if (senseCount > 0)
            std::memcpy(parameters.pSenseBuffer, sense.data(), senseCount);
        parameters.senseLength = static_cast<std::uint32_t>(senseCount);
        return true;
    }
};

TEST(BmicCommand, OutcomeTableGivesEachRefusalItsValueAndTreatsWildcards)
{
    // Command status, SCSI status, sense key, code and qualifier; the value.
    const std::tuple<std::uint16_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, int> cases[] = {
        {1, 2, 5, 0x20, 0, 4},  {1, 2, 5, 0x24, 0, 5},  {1, 2, 2, 0x6E, 0, 6}, {1, 2, 2, 0x44, 0, 7},
        {1, 2, 5, 0x11, 0, 8},  {1, 2, 5, 0x0C, 8, 9},  {1, 2, 5, 0x04, 3, 10}, {1, 2, 5, 0x25, 0, 11},
        // Near misses fall through to no row.
        {1, 2, 5, 0x24, 1, 0},  {1, 2, 4, 0x24, 0, 0},  {2, 2, 5, 0x24, 0, 0}, {1, 0, 5, 0x24, 0, 0},
        {1, 2, 5, 0x0C, 0, 0},  {4, 2, 0, 0, 0, 0},
        // No sense at all: what an earlier run left is cleared.
        {0, 0, 0, 0, 0, 1},
    };
    // One command runs every case in turn.
    Core::IdentifyControllerCommand command;
    for (const auto& [wCommand, bScsi, bKey, bCode, bQualifier, iExpected] : cases) {
        SCOPED_TRACE(testing::Message() << "command " << wCommand << " scsi " << int(bScsi) << " sense "
                                        << int(bKey) << "/" << int(bCode) << "/" << int(bQualifier));
        ScriptedDevice device;
        device.wCommandStatus = wCommand;
        device.bScsiStatus = bScsi;
        // Fixed-format sense; the high bits of byte 2 are flags, not key.
        if (iExpected != 1)
            device.sense = tsmtest::ByteImage(18).u8(0, 0x70).u8(2, 0xF0 | bKey).u8(12, bCode).u8(13, bQualifier);
        EXPECT_EQ(command.run(device)->value(), iExpected);
        EXPECT_EQ(command.commandStatus(), wCommand);
        EXPECT_EQ(command.scsiStatus(), bScsi);
        EXPECT_EQ(command.senseKey(), bKey);
        EXPECT_EQ(command.senseCode(), bCode);
        EXPECT_EQ(command.senseQualifier(), bQualifier);
    }

    // The lookup treats the outcome's wildcards.
    EXPECT_EQ(Core::BmicCommand::outcomeValue(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(4, 255, 255, 255, 255), 0);
    // An outcome command status of 0xFFFF matches the first row with the
    // other values; sense values of 255 match any row's.
    EXPECT_EQ(Core::BmicCommand::outcomeValue(0xFFFF, 0, 0, 0, 0), 1);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(0xFFFF, 2, 5, 0x24, 0), 5);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(1, 2, 255, 255, 255), 4);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(1, 2, 5, 255, 8), 9);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(1, 2, 2, 255, 0), 6);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(3, 2, 5, 0x20, 0), 0);
}

TEST(BmicCommand, ControllerLogsEveryRequestItSends)
{
    const tsmtest::LogTail tail;
    const Core::DevicePtr pController(
        new Schema::ArrayController(0xDEAD0002u, 0x4002, 0, Schema::ArrayController::eLOCAL));
    auto& controller = static_cast<Schema::ArrayController&>(*pController);
    Core::IdentifyPhysicalDriveCommand identify(0x0A000000u);
    EXPECT_EQ(identify.run(controller)->value(), Core::Status::eFAILED) << "the handle was never issued";
    const std::uint8_t abCdb[6] = {0x12, 0x00, 0x00, 0x00, 0x60, 0x00};
    Core::ScsiParameters scsi;
    scsi.pCdb = abCdb;
    scsi.cdbLength = sizeof abCdb;
    EXPECT_FALSE(controller.sendScsiCommand(scsi));
    // In this order: the BMIC request, then the SCSI one.
    const std::string text = tail.appended();
    std::size_t at = 0;
    for (const char* line : {"] BMIC Command: 0x15\n", "] BMIC Detail: 0xa000000\n", "] BMIC LUN: 0x0\n",
                             "] Command Status: 0x0\n", "] SCSI CDB: ", "12 00 00 00 60 00"}) {
        at = text.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << text;
    }
}

TEST(BmicCommandDeathTest, ReadingPastTheReplyStops)
{
    Core::IdentifyControllerCommand command;
    EXPECT_DEATH(command.view().u32(510), "offset \\+ count <= reply size");
}

}
