// Identify physical drive (0x15): the reply image, where internal and
// external controllers take the drive number from, and refused numbers.
#include "firmware_support.h"

namespace {

using fwtest::ByteImage;
using fwtest::Bytes;

const char* const kDrives = R"(
    <physicaldrive port="1" target="2" blocks="1000" reserved="10" blocksize="512" vendor="ORVANE  "
                   product="OVD036B7K2" serial="3HX1T2Q" firmware="B107" stamped="true" transfer="ultra-wide"
                   box="3" bay="7"/>
    <physicaldrive port="0" target="0" transfer="ultra320-narrow" stamped="false"/>
    <physicaldrive port="0" target="1" mode="0x80" modex="0x00"/>
    <physicaldrive port="0" target="2" present="false"/>
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
    auto firmware = fwtest::build(R"(<controller>
        <board ports="4" drivesperport="16"/>
        <physicaldrive port="2" target="11"/>
    </controller>)");
    // Drive number 2 x 16 + 11 + 128 = 171.
    const auto answer = fwtest::bmic(*firmware, 0x15, 0, {171, 0, 0, 0}, 512);
    fwtest::expectGood(answer);
    // Defaults: 71132960 blocks, 2048 reserved, Ultra 3 wide (0xCC), bay target + 1.
    const ByteImage image = ByteImage(512).u8(0, 2).u8(1, 11).le16(2, 512).le32(4, 71132960).le32(8, 2048)
        .text(12, "ORVANE  ").text(20, "OVD036B7K2      ").text(52, "3HX2T11Q" + std::string(32, ' '))
        .text(92, "B107    ").u8(101, 1).u8(103, 0xCC).u8(106, 0x01).u8(115, 12);
    EXPECT_EQ(answer.data, image.bytes());
}

} // namespace
