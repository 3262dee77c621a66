// Command results injected by <fail> elements: every controller refusal a
// host tells apart, request errors, single-byte sense, hangs, and rules that
// fire only for one drive, one kind of command or a number of times.
#include "firmware_support.h"

#include <cstdio>

namespace {

using fwtest::Bytes;

std::string senseHex(int key, int code, int qualifier)
{
    char text[64];
    std::snprintf(text, sizeof(text), "70 00 %02x 00 00 00 00 0a 00 00 00 00 %02x %02x 00 00 00 00", key, code,
                  qualifier);
    return text;
}

TEST(FirmwareFail, EveryRefusalReachesTheHostAsGiven)
{
    const struct {
        int key;
        int code;
        int qualifier;
    } refusals[] = {{5, 0x20, 0}, {5, 0x24, 0}, {2, 0x6E, 0}, {2, 0x44, 0},
                    {5, 0x11, 0}, {5, 0x0C, 8}, {5, 0x04, 3}, {5, 0x25, 0}};
    for (const auto& r : refusals) {
        SCOPED_TRACE(senseHex(r.key, r.code, r.qualifier));
        auto firmware = fwtest::build("<controller><fail opcode=\"0x64\" sense=\"" + senseHex(r.key, r.code, r.qualifier)
                                      + "\"/></controller>");
        const auto answer = fwtest::bmic(*firmware, 0x64, 0, {}, 512);
        fwtest::expectCheckCondition(answer, r.key, r.code, r.qualifier);
        EXPECT_EQ(answer.reply.sense.size(), 18u);
        EXPECT_EQ(answer.reply.error, 0u);
        EXPECT_EQ(answer.data, Bytes(512, 0));
        // Other commands are not touched.
        fwtest::expectGood(fwtest::bmic(*firmware, 0x11, 0, {}, 512));
    }
}

TEST(FirmwareFail, StatusesErrorsAndHangs)
{
    auto firmware = fwtest::build(R"(<controller>
        <fail opcode="0x11" commandstatus="4"/>
        <fail opcode="0x66" error="0x1F"/>
        <fail opcode="0x70" scsistatus="2" commandstatus="1" sense="70"/>
        <fail opcode="0xC1" hang="250"/>
        <fail opcode="0x64" hang="40" error="121"/>
    </controller>)");
    // Invalid command, request error, single-byte sense; a hang alone delays
    // the normal answer.
    const struct {
        uint8_t opcode;
        size_t length;
        uint32_t error;
        int scsiStatus, commandStatus;
        Bytes sense;
        uint32_t hang;
    } cases[] = {{0x11, 512, 0, 0, 4, {}, 0},  {0x66, 512, 0x1F, 0, 0, {}, 0}, {0x70, 1536, 0, 2, 1, {0x70}, 0},
                 {0xC1, 512, 0, 0, 0, {}, 250}, {0x64, 512, 121, 0, 0, {}, 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opcode);
        const auto answer = fwtest::bmic(*firmware, c.opcode, 0, {}, c.length);
        EXPECT_EQ(answer.reply.error, c.error);
        EXPECT_EQ(answer.reply.scsiStatus, c.scsiStatus);
        EXPECT_EQ(answer.reply.commandStatus, c.commandStatus);
        EXPECT_EQ(answer.reply.sense, c.sense);
        EXPECT_EQ(answer.reply.hangMilliseconds, c.hang);
        if (c.opcode == 0xC1) {
            EXPECT_EQ(answer.data[8], 1);
        }
    }
}

TEST(FirmwareFail, RulesForOneDriveOneKindAndSomeTimes)
{
    auto firmware = fwtest::build(R"(<controller>
        <physicaldrive port="0" target="4"/>
        <physicaldrive port="0" target="5"/>
        <logicaldrive number="0"/>
        <logicaldrive number="3"/>
        <fail opcode="0x50" drive="3" commandstatus="4"/>
        <fail opcode="0x15" drive="5" commandstatus="4"/>
        <fail scsiopcode="0x12" sense=")" + senseHex(5, 0x20, 0) + R"(" times="2"/>
    </controller>)");
    fwtest::expectGood(fwtest::bmic(*firmware, 0x50, 0, {}, 512));
    EXPECT_EQ(fwtest::bmic(*firmware, 0x50, 3, {}, 512).reply.commandStatus, 4);
    // Physical drives by the number the command carries.
    fwtest::expectGood(fwtest::bmic(*firmware, 0x15, 0, {4, 0, 0, 0}, 512));
    EXPECT_EQ(fwtest::bmic(*firmware, 0x15, 0, {5, 0, 0, 0}, 512).reply.commandStatus, 4);
    // The SCSI rule leaves BMIC commands alone and fires twice.
    fwtest::expectGood(fwtest::bmic(*firmware, 0x12, 0, {}, 1024));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96), 5, 0x20);
    }
    const auto third = fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96);
    fwtest::expectGood(third);
    EXPECT_EQ(third.data[0], 12);
}

} // namespace
