// Identify controller, controller parameters, subsystem information and
// surface status replies of the simulated firmware, against images written
// from the reply layouts.
#include "firmware_support.h"

namespace {

using fwtest::ByteImage;

TEST(FirmwareIdentity, IdentifyControllerWithEitherPresenceMap)
{
    struct Case {
        const char* xml;
        ByteImage image;
    };
    const Case cases[] = {
        // 4 ports of 7 targets: drives 0, 9 and 20 in the map at 18, the tape (drive 3) at 31.
        {R"(<controller><board id="0x4C01F1A7" revision="C" ports="3"/>
            <firmware version="2.84" redundancy="active" redundancyfailed="true"/>
            <physicaldrive port="0" target="0"/><physicaldrive port="1" target="2"/>
            <physicaldrive port="2" target="6"/><physicaldrive port="0" target="3" type="tape"/>
            <physicaldrive port="0" target="4" present="false"/>
            <logicaldrive number="0" drives="0:0 1:2"/><logicaldrive number="4" drives="2:6"/></controller>)",
         ByteImage(512).u8(0, 2).le32(1, 0x4C01F1A7).text(5, "2.84").le32(18, 0x00100201).u8(31, 0x08)
             .u8(40, 'C').u8(44, 3).u8(106, 1).u8(107, 0x04).u8(108, 1)},
        // 8 ports of 16 targets: two bytes per port from 54, non-disks from 86.
        {R"(<remote path="1" target="2"><board ports="8" drivesperport="16" fibrechips="2"/>
            <firmware redundancy="primary"/>
            <physicaldrive port="0" target="0"/><physicaldrive port="1" target="9"/>
            <physicaldrive port="7" target="15"/><physicaldrive port="2" target="0" type="other"/></remote>)",
         ByteImage(512).text(5, "1.50").u8(40, 'B').u8(41, 0x80).u8(44, 8).u8(53, 16).u8(54, 0x01).u8(57, 0x02)
             .u8(69, 0x80).u8(90, 0x01).u8(106, 2).u8(107, 0x04).u8(112, 2)},
        // A bare controller: no drives, default revision and firmware, two ports.
        {"<controller/>", ByteImage(512).text(5, "1.50").u8(40, 'B').u8(44, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        auto firmware = fwtest::build(c.xml);
        fwtest::expectReply(*firmware, 0x11, 0, {}, c.image);
        // A buffer too small for the reply gets what fits.
        EXPECT_EQ(fwtest::bmic(*firmware, 0x11, 0, {}, 20).data, fwtest::Bytes(c.image.bytes().begin(), c.image.bytes().begin() + 20));
    }
    const struct {
        const char* redundancy;
        uint8_t mode;
        uint8_t flags;
    } modes[] = {{"none", 0, 0}, {"active", 1, 4}, {"primary", 2, 4}, {"standby", 1, 0}};
    for (const auto& c : modes) {
        SCOPED_TRACE(c.redundancy);
        auto firmware = fwtest::build(std::string("<controller><firmware redundancy=\"") + c.redundancy + "\"/></controller>");
        const auto answer = fwtest::bmic(*firmware, 0x11, 0, {}, 512);
        EXPECT_EQ(answer.data[106], c.mode);
        EXPECT_EQ(answer.data[107], c.flags);
        EXPECT_EQ(answer.data[108], 0);
        EXPECT_EQ(firmware->boardId(), 0u);
    }
}

TEST(FirmwareIdentity, ParametersSubsystemAndSurfaceReplies)
{
    auto firmware = fwtest::build(R"(<remote target="5" path="1">
        <board name="Rack 2 array" serial="P56A3C0KL4B102" chassis="9J2AKS71C0"/>
        <firmware rebuildpriority="high" expandpriority="low" snapshotpriority="118" accessid="STORAGE-A"
                  surfacedelay="150"/></remote>)");
    auto bare = fwtest::build("<controller/>");
    const struct {
        sim::ControllerFirmware& firmware;
        uint8_t opcode;
        ByteImage image;
    } cases[] = {
        {*firmware, 0x64, ByteImage(512).u8(14, 128).text(82, "Rack 2 array").u8(115, 118).text(140, "STORAGE-A")},
        {*bare, 0x64, ByteImage(512).u8(14, 64).u8(15, 64).u8(115, 64)},
        {*firmware, 0x66, ByteImage(512).text(4, "9J2AKS71C0" + std::string(22, ' ')).text(44, "P56A3C0KL4B102" + std::string(18, ' '))},
        {*bare, 0x66, ByteImage(512)},
        // The delay in tenths of a second; 3 s without one.
        {*firmware, 0x70, ByteImage(1536).u8(100, 150)},
        {*bare, 0x70, ByteImage(1536).u8(100, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opcode);
        fwtest::expectReply(c.firmware, c.opcode, 0, {}, c.image);
    }
}

TEST(FirmwareIdentity, RefusesWhatNoControllerAnswers)
{
    auto firmware = fwtest::build("<controller><board id=\"0x5256A020\"/></controller>");
    EXPECT_EQ(firmware->boardId(), 0x5256A020u);
    // Unknown opcode; a first byte neither read nor write; a write of a query.
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x99, 0, {}, 512), 5, 0x20);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x11, 0, {}, 512, 0x00), 5, 0x24);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x11, 0, {}, 512, 0x27), 5, 0x24);
    // A block shorter than ten bytes.
    sim::FirmwareCommand shortBlock;
    shortBlock.block = {0x26, 0, 0, 0, 0, 0, 0x11};
    shortBlock.data.assign(512, 0);
    const auto reply = firmware->execute(shortBlock);
    EXPECT_EQ(reply.scsiStatus, 2);
    EXPECT_EQ(fwtest::senseOf(reply), (std::vector<int>{5, 0x24, 0}));
    // The refusals tell the host no more than fixed-format sense.
    const auto refused = fwtest::bmic(*firmware, 0x99, 0, {}, 8);
    EXPECT_EQ(refused.reply.sense.size(), 18u);
    EXPECT_EQ(refused.reply.sense[0], 0x70);
    EXPECT_EQ(refused.reply.sense[7], 10);
}

} // namespace
