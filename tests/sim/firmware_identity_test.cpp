// Identify controller, controller parameters, subsystem information and
// surface status replies of the simulated firmware, against images written
// from the reply layouts.
#include "firmware_support.h"

namespace {

using fwtest::Bytes;

TEST(FirmwareIdentity, IdentifyControllerWithFourPortsOfSevenTargets)
{
    auto firmware = fwtest::build(R"(<controller>
        <board id="0x4C01F1A7" revision="C" ports="3"/>
        <firmware version="2.84" redundancy="active" redundancyfailed="true"/>
        <physicaldrive port="0" target="0"/>
        <physicaldrive port="1" target="2"/>
        <physicaldrive port="2" target="6"/>
        <physicaldrive port="0" target="3" type="tape"/>
        <physicaldrive port="0" target="4" present="false"/>
        <logicaldrive number="0" drives="0:0 1:2"/>
        <logicaldrive number="4" drives="2:6"/>
    </controller>)");
    ASSERT_TRUE(firmware);
    Bytes image(512, 0);
    image[0] = 2;                                       // logical drives
    image[1] = 0xA7; image[2] = 0xF1; image[3] = 0x01; image[4] = 0x4C;
    fwtest::putText(image, 5, "2.84");
    image[18] = 0x01; image[19] = 0x02; image[20] = 0x10;   // drives 0, 9 and 20
    image[31] = 0x08;                                   // the tape, drive 3
    image[40] = 'C';
    image[44] = 3;
    image[106] = 1; image[107] = 0x04; image[108] = 1;
    const auto answer = fwtest::bmic(*firmware, 0x11, 0, {}, 512);
    fwtest::expectGood(answer);
    EXPECT_EQ(answer.data, image);

    // A buffer too small for the reply gets what fits.
    const auto shortAnswer = fwtest::bmic(*firmware, 0x11, 0, {}, 20);
    fwtest::expectGood(shortAnswer);
    EXPECT_EQ(shortAnswer.data, Bytes(image.begin(), image.begin() + 20));
}

TEST(FirmwareIdentity, IdentifyControllerWithEightPortsOfSixteenTargets)
{
    auto firmware = fwtest::build(R"(<remote path="1" target="2">
        <board ports="8" drivesperport="16" fibrechips="2"/>
        <firmware redundancy="primary"/>
        <physicaldrive port="0" target="0"/>
        <physicaldrive port="1" target="9"/>
        <physicaldrive port="7" target="15"/>
        <physicaldrive port="2" target="0" type="other"/>
    </remote>)");
    ASSERT_TRUE(firmware);
    Bytes image(512, 0);
    fwtest::putText(image, 5, "1.50");
    image[40] = 'B';
    image[41] = 0x80;
    image[44] = 8;
    image[53] = 16;
    image[54] = 0x01;                                   // port 0 target 0
    image[57] = 0x02;                                   // port 1, second byte, target 9
    image[69] = 0x80;                                   // port 7 target 15
    image[90] = 0x01;                                   // non-disk on port 2 target 0
    image[106] = 2; image[107] = 0x04;
    image[112] = 2;
    const auto answer = fwtest::bmic(*firmware, 0x11, 0, {}, 512);
    fwtest::expectGood(answer);
    EXPECT_EQ(answer.data, image);
}

TEST(FirmwareIdentity, RedundancyModesAndDefaults)
{
    const struct {
        const char* redundancy;
        uint8_t mode;
        uint8_t flags;
    } cases[] = {{"none", 0, 0}, {"active", 1, 4}, {"primary", 2, 4}, {"standby", 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.redundancy);
        auto firmware = fwtest::build(std::string("<controller><firmware redundancy=\"") + c.redundancy
                                      + "\"/></controller>");
        ASSERT_TRUE(firmware);
        const auto answer = fwtest::bmic(*firmware, 0x11, 0, {}, 512);
        EXPECT_EQ(answer.data[106], c.mode);
        EXPECT_EQ(answer.data[107], c.flags);
        EXPECT_EQ(answer.data[108], 0);
    }
    // A bare controller: no drives, default revision and firmware, two ports.
    auto bare = fwtest::build("<controller/>");
    ASSERT_TRUE(bare);
    Bytes image(512, 0);
    fwtest::putText(image, 5, "1.50");
    image[40] = 'B';
    image[44] = 2;
    EXPECT_EQ(fwtest::bmic(*bare, 0x11, 0, {}, 512).data, image);
    EXPECT_EQ(bare->boardId(), 0u);
}

TEST(FirmwareIdentity, ControllerParameters)
{
    auto firmware = fwtest::build(R"(<remote target="5" path="1">
        <board name="Rack 2 array"/>
        <firmware rebuildpriority="high" expandpriority="low" snapshotpriority="118" accessid="STORAGE-A"/>
    </remote>)");
    ASSERT_TRUE(firmware);
    Bytes image(512, 0);
    image[14] = 128;
    image[15] = 0;
    fwtest::putText(image, 82, "Rack 2 array");
    image[115] = 118;
    fwtest::putText(image, 140, "STORAGE-A");
    const auto answer = fwtest::bmic(*firmware, 0x64, 0, {}, 512);
    fwtest::expectGood(answer);
    EXPECT_EQ(answer.data, image);

    auto defaults = fwtest::build("<controller/>");
    ASSERT_TRUE(defaults);
    Bytes medium(512, 0);
    medium[14] = 64; medium[15] = 64; medium[115] = 64;
    EXPECT_EQ(fwtest::bmic(*defaults, 0x64, 0, {}, 512).data, medium);
}

TEST(FirmwareIdentity, SubsystemInformationAndSurfaceStatus)
{
    auto firmware = fwtest::build(R"(<controller>
        <board serial="P56A3C0KL4B102" chassis="9J2AKS71C0"/>
        <firmware surfacedelay="150"/>
    </controller>)");
    ASSERT_TRUE(firmware);
    Bytes subsystem(512, 0);
    fwtest::putText(subsystem, 4, "9J2AKS71C0                      ");
    fwtest::putText(subsystem, 44, "P56A3C0KL4B102                  ");
    const auto answer = fwtest::bmic(*firmware, 0x66, 0, {}, 512);
    fwtest::expectGood(answer);
    EXPECT_EQ(answer.data, subsystem);

    Bytes surface(1536, 0);
    surface[100] = 150;
    EXPECT_EQ(fwtest::bmic(*firmware, 0x70, 0, {}, 1536).data, surface);

    // Without serial numbers both fields stay zero; the delay defaults to 3 s.
    auto bare = fwtest::build("<controller/>");
    ASSERT_TRUE(bare);
    EXPECT_EQ(fwtest::bmic(*bare, 0x66, 0, {}, 512).data, Bytes(512, 0));
    const auto delay = fwtest::bmic(*bare, 0x70, 0, {}, 1536);
    EXPECT_EQ(delay.data[100], 30);
    EXPECT_EQ(delay.data[101], 0);
}

TEST(FirmwareIdentity, RefusesWhatNoControllerAnswers)
{
    auto firmware = fwtest::build("<controller><board id=\"0x5256A020\"/></controller>");
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->boardId(), 0x5256A020u);
    // Unknown opcode.
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x99, 0, {}, 512), 5, 0x20);
    // A block whose first byte is neither read nor write.
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x11, 0, {}, 512, 0x00), 5, 0x24);
    // A write of a query.
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x11, 0, {}, 512, 0x27), 5, 0x24);
    // A block shorter than ten bytes.
    sim::FirmwareCommand shortBlock;
    shortBlock.block = {0x26, 0, 0, 0, 0, 0, 0x11};
    shortBlock.data.assign(512, 0);
    const auto reply = firmware->execute(shortBlock);
    EXPECT_EQ(reply.scsiStatus, 2);
    EXPECT_EQ(fwtest::senseOf(reply), (std::vector<int>{5, 0x24, 0}));
    // The refusals leave the data alone and tell the host no more than sense.
    const auto refused = fwtest::bmic(*firmware, 0x99, 0, {}, 8);
    EXPECT_EQ(refused.reply.sense.size(), 18u);
    EXPECT_EQ(refused.reply.sense[0], 0x70);
    EXPECT_EQ(refused.reply.sense[7], 10);
}

} // namespace
