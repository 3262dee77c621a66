// The BMIC replies of the simulated firmware where the agent does not read
// them: refusals of commands, drive numbers and limits, the defaults of a
// drive, absent logical drives and block reads. (What the agent reads of
// identify controller and drive, logical drive configuration and status is
// checked through the agent on the typical and the drives machine.)
#include "firmware_support.h"

#include <tuple>

namespace {

using fwtest::ByteImage;
using fwtest::Bytes;


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

    // Identify physical drive: a controller reading the number most
    // significant byte first refuses low bytes, one reading it least
    // significant first and an external controller the high byte; no such
    // drive, or one that is not present.
    const std::string drives = "<physicaldrive port=\"1\" target=\"2\"/><physicaldrive port=\"0\" target=\"2\" present=\"false\"/>";
    auto msb = fwtest::build("<controller>" + drives + "</controller>");
    auto lsb = fwtest::build("<controller>" + drives + "</controller>", sim::DetailByteOrder::eLeastSignificantFirst);
    auto remote = fwtest::build("<remote target=\"3\">" + drives + "</remote>");
    fwtest::expectGood(fwtest::bmic(*msb, 0x15, 0, {9, 0, 0, 0}, 512));
    fwtest::expectCheckCondition(fwtest::bmic(*msb, 0x15, 0, {0, 0, 0, 9}, 512), 5, 0x24);
    fwtest::expectCheckCondition(fwtest::bmic(*lsb, 0x15, 0, {9, 0, 0, 0}, 512), 5, 0x24);
    fwtest::expectCheckCondition(fwtest::bmic(*remote, 0x15, 0, {9, 0, 0, 0}, 512), 5, 0x24);
    fwtest::expectCheckCondition(fwtest::bmic(*msb, 0x15, 0, {5, 0, 0, 0}, 512), 5, 0x25);
    fwtest::expectCheckCondition(fwtest::bmic(*msb, 0x15, 0, {2, 0, 0, 0}, 512), 5, 0x25);
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


const char* const kSmallMapController = R"(<controller> <physicaldrive port="0" target="0"/>
    <logicaldrive number="2" drives="0:0"/> </controller>)";

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
