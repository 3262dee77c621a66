// Logical drive replies: identify (0x10), configuration (0x50), status (0x12)
// and block reads (0x20), with the small and the big drive maps.
#include "firmware_support.h"

namespace {

using fwtest::ByteImage;
using fwtest::Bytes;

const char* const kSmallMapController = R"(<controller>
    <physicaldrive port="0" target="0" blocks="1000000" reserved="1000"/>
    <physicaldrive port="0" target="1" blocks="2000000" reserved="1000"/>
    <physicaldrive port="0" target="2" blocks="1000000" reserved="0"/>
    <physicaldrive port="1" target="0"/>
    <logicaldrive number="2" raid="5" drives="0:0 0:1 0:2" spares="1:0" stripe="64" dataoffset="63"
                  status="recovering" rebuilding="0:1" blocksleft="12345" failed="0:1" activespares="1:0"
                  source="4" replica="ok" mediaexchange="true"/>
</controller>)";

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
    auto firmware = fwtest::build(R"(<controller>
        <board ports="4" drivesperport="16"/>
        <physicaldrive port="0" target="0"/>
        <physicaldrive port="1" target="2"/>
        <physicaldrive port="3" target="15"/>
        <logicaldrive number="0" raid="1" drives="0:0 1:2" spares="3:15" blocks="5000000000" status="expanding"
                      blocksleft="6000000000" rebuilding="3:15" failed="1:2" activespares="3:15"/>
    </controller>)");
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
        <logicaldrive number="2" status="failed"/>
    </controller>)";
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
