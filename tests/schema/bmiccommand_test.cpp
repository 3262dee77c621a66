// Controller commands: how a driver outcome becomes a status value. What each
// command puts on the wire is checked on the simulated controllers.
#include "bmiccommand.h"

#include <gtest/gtest.h>

#include <cstring>
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

TEST(BmicCommandDeathTest, ReadingPastTheReplyStops)
{
    Core::IdentifyControllerCommand command;
    EXPECT_DEATH(command.view().u32(510), "offset \\+ count <= reply size");
}

}
