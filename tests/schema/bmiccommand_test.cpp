// Controller commands: what each puts on the wire and how a driver outcome
// becomes a status value.
#include "bmiccommand.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// A device that answers like a controller with a scripted outcome.
class ScriptedDevice : public Core::BmicDevice {
public:
    bool bSendResult = true;
    std::uint16_t wCommandStatus = 0;
    std::uint8_t bScsiStatus = 0;
    std::vector<std::uint8_t> sense;
    std::vector<std::uint8_t> reply;

    Core::BmicParameters seen;

    bool sendBmicCommand(Core::BmicParameters& parameters) override
    {
        seen = parameters;
        parameters.commandStatus = wCommandStatus;
        parameters.scsiStatus = bScsiStatus;
        const std::size_t senseCount = std::min<std::size_t>(sense.size(), parameters.senseLength);
        if (senseCount > 0)
            std::memcpy(parameters.pSenseBuffer, sense.data(), senseCount);
        parameters.senseLength = static_cast<std::uint32_t>(senseCount);
        const std::size_t replyCount = std::min<std::size_t>(reply.size(), parameters.bufferSize);
        if (replyCount > 0)
            std::memcpy(parameters.pBuffer, reply.data(), replyCount);
        return bSendResult;
    }
};

// Fixed-format sense data: key in byte 2, code in byte 12, qualifier in 13.
std::vector<std::uint8_t> senseData(std::uint8_t key, std::uint8_t code, std::uint8_t qualifier)
{
    std::vector<std::uint8_t> sense(18, 0);
    sense[0] = 0x70;
    sense[2] = static_cast<std::uint8_t>(0xF0 | key); // high bits are flags, not key
    sense[12] = code;
    sense[13] = qualifier;
    return sense;
}

TEST(BmicCommand, EveryCommandCarriesItsOpcodeSizeAndAddress)
{
    struct Case {
        const char* pszName;
        std::unique_ptr<Core::BmicCommand> pCommand;
        std::uint8_t bOpcode;
        std::uint32_t dwSize;
        std::uint32_t dwDetail;
        std::uint8_t bLun;
    };
    std::vector<Case> cases;
    cases.push_back({"identify controller", std::make_unique<Core::IdentifyControllerCommand>(0), 0x11, 512, 0, 0});
    cases.push_back({"parameters", std::make_unique<Core::ControllerParametersCommand>(7), 0x64, 512, 7, 0});
    cases.push_back({"cache", std::make_unique<Core::CacheConfigStatusCommand>(0), 0xC1, 512, 0, 0});
    cases.push_back({"surface", std::make_unique<Core::SurfaceStatusCommand>(0), 0x70, 1536, 0, 0});
    cases.push_back({"subsystem", std::make_unique<Core::SubsystemInfoCommand>(0), 0x66, 512, 0, 0});
    cases.push_back({"logical config", std::make_unique<Core::LogicalDriveConfigCommand>(3), 0x50, 512, 0, 3});
    cases.push_back({"logical status", std::make_unique<Core::LogicalDriveStatusCommand>(4), 0x12, 1024, 0, 4});
    cases.push_back({"read logical", std::make_unique<Core::ReadLogicalDriveCommand>(5), 0x20, 512, 0, 5});
    cases.push_back({"identify physical", std::make_unique<Core::IdentifyPhysicalDriveCommand>(0x05000000u), 0x15,
                     512, 0x05000000u, 0});
    for (Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        ScriptedDevice device;
        EXPECT_EQ(c.pCommand->run(device)->value(), 1);
        EXPECT_EQ(device.seen.opcode, c.bOpcode);
        EXPECT_EQ(device.seen.bufferSize, c.dwSize);
        EXPECT_EQ(device.seen.detail, c.dwDetail);
        EXPECT_EQ(device.seen.lun, c.bLun);
        EXPECT_EQ(device.seen.direction, 0u);
        EXPECT_NE(device.seen.pBuffer, nullptr);
        EXPECT_NE(device.seen.pSenseBuffer, nullptr);
        EXPECT_EQ(device.seen.senseLength, 32u);
    }
}

TEST(BmicCommand, OutcomeTableGivesEachRefusalItsValue)
{
    struct Case {
        std::uint16_t wCommand;
        std::uint8_t bScsi;
        std::uint8_t bKey, bCode, bQualifier;
        int iExpected;
    };
    const Case cases[] = {
        {1, 2, 5, 0x20, 0, 4},  {1, 2, 5, 0x24, 0, 5},  {1, 2, 2, 0x6E, 0, 6}, {1, 2, 2, 0x44, 0, 7},
        {1, 2, 5, 0x11, 0, 8},  {1, 2, 5, 0x0C, 8, 9},  {1, 2, 5, 0x04, 3, 10}, {1, 2, 5, 0x25, 0, 11},
        // Near misses fall through to no row.
        {1, 2, 5, 0x24, 1, 0},  {1, 2, 4, 0x24, 0, 0},  {2, 2, 5, 0x24, 0, 0}, {1, 0, 5, 0x24, 0, 0},
        {1, 2, 5, 0x0C, 0, 0},  {4, 2, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.wCommand << " scsi " << int(c.bScsi) << " sense "
                                        << int(c.bKey) << "/" << int(c.bCode) << "/" << int(c.bQualifier));
        ScriptedDevice device;
        device.wCommandStatus = c.wCommand;
        device.bScsiStatus = c.bScsi;
        device.sense = senseData(c.bKey, c.bCode, c.bQualifier);
        Core::IdentifyControllerCommand command;
        EXPECT_EQ(command.run(device)->value(), c.iExpected);
        EXPECT_EQ(command.commandStatus(), c.wCommand);
        EXPECT_EQ(command.scsiStatus(), c.bScsi);
        EXPECT_EQ(command.senseKey(), c.bKey);
        EXPECT_EQ(command.senseCode(), c.bCode);
        EXPECT_EQ(command.senseQualifier(), c.bQualifier);
    }
}

TEST(BmicCommand, OutcomeLookupTreatsWildcardsOfTheOutcome)
{
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

TEST(BmicCommand, SendResultDecidesWhenBothStatusesAreZero)
{
    ScriptedDevice device;
    Core::SenseLogicalDriveCommand<Core::SenseLogDrvStatus, Core::_LOGICAL_DRIVE_STATUS> status(0);
    device.bSendResult = false;
    const auto pFailed = status.run(device);
    EXPECT_EQ(pFailed->value(), 0);
    EXPECT_FALSE(pFailed->isOk());
    device.bSendResult = true;
    EXPECT_TRUE(status.run(device)->isOk());
}

TEST(BmicCommand, SingleSenseByteLeavesSenseValuesClear)
{
    ScriptedDevice device;
    device.wCommandStatus = 1;
    device.bScsiStatus = 2;
    device.sense = {0x70};
    Core::IdentifyControllerCommand command;
    EXPECT_EQ(command.run(device)->value(), 0);
    EXPECT_EQ(command.senseKey(), 0);
    EXPECT_EQ(command.senseCode(), 0);
    EXPECT_EQ(command.senseQualifier(), 0);
}

TEST(BmicCommand, OutcomeOfAnEarlierRunIsClearedByTheNext)
{
    ScriptedDevice device;
    device.wCommandStatus = 1;
    device.bScsiStatus = 2;
    device.sense = senseData(5, 0x25, 0);
    Core::IdentifyControllerCommand command;
    EXPECT_EQ(command.run(device)->value(), 11);
    device.wCommandStatus = 0;
    device.bScsiStatus = 0;
    device.sense.clear();
    EXPECT_EQ(command.run(device)->value(), 1);
    EXPECT_EQ(command.commandStatus(), 0);
    EXPECT_EQ(command.senseCode(), 0);
}

TEST(BmicCommand, ReplyIsReadableAfterTheRunAndZeroBefore)
{
    ScriptedDevice device;
    device.reply.assign(512, 0);
    device.reply[0] = 2;
    device.reply[5] = 'V';
    device.reply[18] = 0x34;
    device.reply[19] = 0x12;
    Core::IdentifyControllerCommand command;
    EXPECT_EQ(command.view().u8(0), 0);
    ASSERT_TRUE(command.run(device)->isOk());
    EXPECT_EQ(command.view().u8(0), 2);
    EXPECT_EQ(command.view().u16(18), 0x1234);
    EXPECT_EQ(command.view().fixedText(5, 1), "V");
    EXPECT_EQ(command.view().size(), 512u);
}

TEST(BmicCommandDeathTest, ReadingPastTheReplyStops)
{
    Core::IdentifyControllerCommand command;
    EXPECT_DEATH(command.view().u32(510), "offset \\+ count <= reply size");
}

}
