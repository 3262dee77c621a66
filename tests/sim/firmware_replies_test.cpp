// The BMIC replies of the simulated firmware against images written from the
// reply layouts (the controller replies the typical machine's controllers give
// are read back through the agent and pinned by its golden dump): identify
// controller with either map and the refusals; identify physical drive (0x15) with where
// internal and external controllers take the drive number from; and logical
// drive identify (0x10), configuration (0x50), status (0x12) and block reads
// (0x20) with the small and the big drive maps.
#include "firmware_support.h"

#include <tuple>

namespace {

using fwtest::ByteImage;
using fwtest::Bytes;


TEST(FirmwareIdentity, IdentifyControllerWithEitherPresenceMap)
{
    const std::pair<const char*, ByteImage> cases[] = {
        // 4 ports of 7 targets: drives 0, 9 and 20 in the map at 18, the tape (drive 3) at 31.
        {R"(<controller><board id="0x4C01F1A7" revision="C" ports="3"/>
            <firmware version="2.84" redundancy="active" redundancyfailed="true"/>
            <physicaldrive port="0" target="0"/><physicaldrive port="1" target="2"/>
            <physicaldrive port="2" target="6"/><physicaldrive port="0" target="3" type="tape"/>
            <physicaldrive port="0" target="4" present="false"/>
            <logicaldrive number="0" drives="0:0 1:2"/><logicaldrive number="4" drives="2:6"/></controller>)",
         ByteImage(512).u8(0, 2).le32(1, 0x4C01F1A7).text(5, "2.84").le32(18, 0x00100201).u8(31, 0x08)
             .u8(40, 'C').u8(44, 3).u8(106, 1).u8(107, 0x04).u8(108, 1)},
        // (8 ports of 16 targets, two bytes per port from 54 and non-disks from
        // 86: the typical machine's CISS and Fibre Channel array controllers.)
        // A bare controller: no drives, default revision and firmware, two ports.
        {"<controller/>", ByteImage(512).text(5, "1.50").u8(40, 'B').u8(44, 2)},
    };
    for (const auto& [xml, image] : cases) {
        SCOPED_TRACE(xml);
        auto firmware = fwtest::build(xml);
        fwtest::expectReply(*firmware, 0x11, 0, {}, image);
        // A buffer too small for the reply gets what fits.
        EXPECT_EQ(fwtest::bmic(*firmware, 0x11, 0, {}, 20).data, Bytes(image.bytes().begin(), image.bytes().begin() + 20));
    }
    // Redundancy mode and flags at 106 and 107, 108 the failure.
    for (const auto& [redundancy, mode, flags] : std::vector<std::tuple<std::string, uint8_t, uint8_t>>{
             {"none", 0, 0}, {"active", 1, 4}, {"primary", 2, 4}, {"standby", 1, 0}}) {
        SCOPED_TRACE(redundancy);
        auto firmware = fwtest::build("<controller><firmware redundancy=\"" + redundancy + "\"/></controller>");
        const auto answer = fwtest::bmic(*firmware, 0x11, 0, {}, 512);
        EXPECT_EQ(Bytes(answer.data.begin() + 106, answer.data.begin() + 109), (Bytes{mode, flags, 0}));
        EXPECT_EQ(firmware->boardId(), 0u);
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


const char* const kDrives = R"(
    <physicaldrive port="1" target="2" blocks="1000" reserved="10" blocksize="512" vendor="ORVANE  "
                   product="OVD036B7K2" serial="3HX1T2Q" firmware="B107" stamped="true" transfer="ultra-wide"
                   box="3" bay="7"/> <physicaldrive port="0" target="0" transfer="ultra320-narrow" stamped="false"/>
    <physicaldrive port="0" target="1" mode="0x80" modex="0x00"/> <physicaldrive port="0" target="2" present="false"/>
    <logicaldrive number="0" drives="1:2" spares="0:0"/>)";

// Bus 1 target 2, 512-byte blocks, 1000 blocks with 10 reserved, stamped,
// ultra wide (0x4C), data drive of an array (0x20), box 3 bay 7.
Bytes driveNineImage()
{
    return ByteImage(512).u8(0, 1).u8(1, 2).le16(2, 512).le32(4, 1000).le32(8, 10).text(12, "ORVANE  ")
        .text(20, "OVD036B7K2      ").text(52, "3HX1T2Q" + std::string(33, ' ')).text(92, "B107    ").u8(101, 1)
        .u8(103, 0x4C).u8(104, 0x20).u8(114, 3).u8(115, 7);
}

TEST(FirmwarePhysical, InternalControllerTakesTheNumberFromTheHighestByte)
{
    auto firmware = fwtest::build(std::string("<controller>") + kDrives + "</controller>");
    // Port 1 target 2 of the 4 x 7 addressing is drive 9; a CISS controller
    // reads the value most significant byte first.
    fwtest::expectReply(*firmware, 0x15, 0, {9, 0, 0, 0}, driveNineImage());
    const auto shortAnswer = fwtest::bmic(*firmware, 0x15, 0, {9, 0, 0, 0}, 100);
    const Bytes image = driveNineImage();
    EXPECT_EQ(shortAnswer.data, Bytes(image.begin(), image.begin() + 100));

    // Drive 0: a spare, not stamped, Ultra 320 narrow.
    const auto spare = fwtest::bmic(*firmware, 0x15, 0, {0, 0, 0, 0}, 512);
    fwtest::expectGood(spare);
    EXPECT_EQ(spare.data[101], 0);
    EXPECT_EQ(spare.data[103], 0xC8);
    EXPECT_EQ(spare.data[104], 0x40);
    EXPECT_EQ(spare.data[106], 0x09);
    // Raw transfer bytes stand as given.
    const auto raw = fwtest::bmic(*firmware, 0x15, 0, {1, 0, 0, 0}, 512);
    EXPECT_EQ(raw.data[103], 0x80);
    EXPECT_EQ(raw.data[104], 0);
    EXPECT_EQ(raw.data[106], 0);

    // Low bytes set: the number is in the wrong place.
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x15, 0, {0, 0, 0, 9}, 512), 5, 0x24);
    // No such drive, or a drive that is not present.
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x15, 0, {5, 0, 0, 0}, 512), 5, 0x25);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x15, 0, {2, 0, 0, 0}, 512), 5, 0x25);
}

TEST(FirmwarePhysical, ByteOrderOfTheControllerAndExternalControllers)
{
    auto lsb = fwtest::build(std::string("<controller>") + kDrives + "</controller>",
                             sim::DetailByteOrder::eLeastSignificantFirst);
    EXPECT_EQ(fwtest::bmic(*lsb, 0x15, 0, {0, 0, 0, 9}, 512).data, driveNineImage());
    fwtest::expectCheckCondition(fwtest::bmic(*lsb, 0x15, 0, {9, 0, 0, 0}, 512), 5, 0x24);

    // An external controller takes the number from the lowest byte.
    auto remote = fwtest::build(std::string("<remote target=\"3\">") + kDrives + "</remote>");
    EXPECT_EQ(fwtest::bmic(*remote, 0x15, 0, {0, 0, 0, 9}, 512).data, driveNineImage());
    fwtest::expectCheckCondition(fwtest::bmic(*remote, 0x15, 0, {9, 0, 0, 0}, 512), 5, 0x24);
}

TEST(FirmwarePhysical, BigMapNumbersAndDefaults)
{
    auto firmware = fwtest::build(R"(<controller> <board ports="4" drivesperport="16"/>
        <physicaldrive port="2" target="11"/> </controller>)");
    // Drive number 2 x 16 + 11 + 128 = 171.
    const auto answer = fwtest::bmic(*firmware, 0x15, 0, {171, 0, 0, 0}, 512);
    fwtest::expectGood(answer);
    // Defaults: 71132960 blocks, 2048 reserved, Ultra 3 wide (0xCC), bay target + 1.
    const ByteImage image = ByteImage(512).u8(0, 2).u8(1, 11).le16(2, 512).le32(4, 71132960).le32(8, 2048)
        .text(12, "ORVANE  ").text(20, "OVD036B7K2      ").text(52, "3HX2T11Q" + std::string(32, ' '))
        .text(92, "B107    ").u8(101, 1).u8(103, 0xCC).u8(106, 0x01).u8(115, 12);
    EXPECT_EQ(answer.data, image.bytes());
}


const char* const kSmallMapController = R"(<controller>
    <physicaldrive port="0" target="0" blocks="1000000" reserved="1000"/>
    <physicaldrive port="0" target="1" blocks="2000000" reserved="1000"/>
    <physicaldrive port="0" target="2" blocks="1000000" reserved="0"/> <physicaldrive port="1" target="0"/>
    <logicaldrive number="2" raid="5" drives="0:0 0:1 0:2" spares="1:0" stripe="64" dataoffset="63"
                  status="recovering" rebuilding="0:1" blocksleft="12345" failed="0:1" activespares="1:0"
                  source="4" replica="ok" mediaexchange="true"/> </controller>)";

TEST(FirmwareLogical, SmallMapDriveConfigurationStatusAndIdentity)
{
    auto firmware = fwtest::build(kSmallMapController);
    // Three drives of RAID 5 (code 3): two drives' worth of the smallest usable
    // drive (999000 blocks), 255 heads of 32 sectors; drives 0-2, spare 7.
    const ByteImage config = ByteImage(512).le16(10, 3).le16(12, 3).le16(14, 1).le16(24, 512).le16(30, 244)
        .u8(32, 255).u8(44, 32).le32(46, 0x07).le16(50, 64).le32(52, 0x80).le32(66, 63).le32(74, 1998000)
        .le32(78, 999000).u8(130, 4).u8(228, 1);
    fwtest::expectReply(*firmware, 0x50, 2, {}, config);

    // Recovering (5), drive 1 failed, 12345 blocks left, spare 7 in use.
    const ByteImage status = ByteImage(1024).u8(0, 5).le32(1, 0x02).le32(421, 12345).u8(425, 1).le32(494, 0x80)
        .u8(535, 1).u8(1001, 1);
    fwtest::expectReply(*firmware, 0x12, 2, {}, status);
    EXPECT_EQ(fwtest::bmic(*firmware, 0x10, 2, {}, 512).data, ByteImage(512).le16(0, 512).le32(2, 1998000).bytes());
}

TEST(FirmwareLogical, AbsentDrivesAnswerEmptyAndNumbersPastTheLimitAreRefused)
{
    auto firmware = fwtest::build(kSmallMapController);
    EXPECT_EQ(fwtest::bmic(*firmware, 0x50, 5, {}, 512).data, Bytes(512, 0));
    EXPECT_EQ(fwtest::bmic(*firmware, 0x10, 0, {}, 512).data, Bytes(512, 0));
    Bytes notConfigured(1024, 0);
    notConfigured[0] = 2;
    EXPECT_EQ(fwtest::bmic(*firmware, 0x12, 31, {}, 1024).data, notConfigured);
    for (const uint8_t opcode : {0x10, 0x50, 0x12}) {
        SCOPED_TRACE(opcode);
        fwtest::expectCheckCondition(fwtest::bmic(*firmware, opcode, 32, {}, 1024), 5, 0x24);
    }
}

TEST(FirmwareLogical, BigMapsAndBigDrives)
{
    auto firmware = fwtest::build(R"(<controller> <board ports="4" drivesperport="16"/>
        <physicaldrive port="0" target="0"/> <physicaldrive port="1" target="2"/> <physicaldrive port="3" target="15"/>
        <logicaldrive number="0" raid="1" drives="0:0 1:2" spares="3:15" blocks="5000000000" status="expanding"
                      blocksleft="6000000000" rebuilding="3:15" failed="1:2" activespares="3:15"/> </controller>)");
    // 32-bit fields saturate; drives 128 and 146 and spare 191 in the big maps.
    const ByteImage config = ByteImage(512).le16(10, 2).le16(12, 2).le16(14, 1).le64(16, 5000000000).le16(24, 512)
        .le16(30, 0xFFFF).u8(32, 255).u8(44, 32).le16(50, 128).le32(74, 0xFFFFFFFF).le32(78, 71132960 - 2048)
        .u8(98, 0x01).u8(100, 0x04).u8(121, 0x80);
    fwtest::expectReply(*firmware, 0x50, 0, {}, config);
    // Expanding (10), drive 146 failed, spare 191 in use and rebuilding.
    const ByteImage status = ByteImage(1024).u8(0, 10).le32(421, 0xFFFFFFFF).u8(541, 0x04).u8(834, 0x80).u8(987, 191)
        .le64(988, 6000000000);
    EXPECT_EQ(fwtest::bmic(*firmware, 0x12, 0, {}, 1024).data, status.bytes());
    const auto identity = fwtest::bmic(*firmware, 0x10, 0, {}, 512);
    EXPECT_EQ((Bytes(identity.data.begin() + 2, identity.data.begin() + 6)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(FirmwareLogical, BlockReads)
{
    const char* xml = R"(<controller>
        <logicaldrive number="1" blocks="100" gpt="true"><block number="5" hex="0102 03"/></logicaldrive>
        <logicaldrive number="2" status="failed"/> </controller>)";
    auto firmware = fwtest::build(xml);
    fwtest::expectReply(*firmware, 0x20, 1, {0, 0, 0, 0}, ByteImage(512).text(0, "EFI PART").hex(8, "000001005c"));

    // Block 4 and 5 in one read; the block number is most significant byte first.
    const Bytes two = ByteImage(1024).hex(512, "010203");
    EXPECT_EQ(fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 4}, 1024).data, two);
    // A controller that reads block values least significant byte first.
    auto lsb = fwtest::build(xml, sim::DetailByteOrder::eLeastSignificantFirst);
    EXPECT_EQ(fwtest::bmic(*lsb, 0x20, 1, {5, 0, 0, 0}, 512).data, Bytes(two.begin() + 512, two.end()));

    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 100}, 512), 5, 0x21);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 99}, 1024), 5, 0x21);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 2, {}, 512), 2, 0x04);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 3, {}, 512), 5, 0x25);
}

} // namespace
