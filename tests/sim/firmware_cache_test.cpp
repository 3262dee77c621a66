// Cache configuration and status replies (0xC1): sizes with their shift,
// status flags, accelerator maps and battery packs.
#include "firmware_support.h"

namespace {

using fwtest::ByteImage;
using fwtest::Bytes;

TEST(FirmwareCache, BoardSizesBatteryAndAcceleratorMap)
{
    auto firmware = fwtest::build(R"(<controller>
        <cache read="16384" write="49152" status="ok"/>
        <battery packs="2" failed="1"/>
        <logicaldrive number="0"/>
        <logicaldrive number="3" accelerator="disabled"/>
        <logicaldrive number="1"/>
    </controller>)");
    ASSERT_TRUE(firmware);
    // 65536 KB in total does not fit 16 bits: every size is reported halved.
    // Accelerator off for drive 3, pack 1 failed.
    const ByteImage image = ByteImage(512).le32(0, 0x08).le16(4, 8192).le16(6, 24576).le16(38, 32768).u8(40, 2)
        .u8(208, 0x02).u8(210, 1).u8(217, 1);
    const auto answer = fwtest::bmic(*firmware, 0xC1, 0, {}, 512);
    fwtest::expectGood(answer);
    EXPECT_EQ(answer.data, image.bytes());
}

TEST(FirmwareCache, WithoutBoardTheAcceleratorIsOff)
{
    auto firmware = fwtest::build("<controller><logicaldrive number=\"0\"/></controller>");
    ASSERT_TRUE(firmware);
    EXPECT_EQ(fwtest::bmic(*firmware, 0xC1, 0, {}, 512).data, ByteImage(512).u8(8, 1).bytes());

    // Battery packs are reported even without a cache board.
    auto packsOnly = fwtest::build("<controller><battery packs=\"3\" failed=\"0 2\"/></controller>");
    ASSERT_TRUE(packsOnly);
    EXPECT_EQ(fwtest::bmic(*packsOnly, 0xC1, 0, {}, 512).data, ByteImage(512).u8(8, 1).u8(40, 3).u8(208, 0x05).bytes());
}

TEST(FirmwareCache, StatusFlagsShiftAndControllerWideAccelerator)
{
    const struct {
        const char* attributes;
        uint8_t flags;
    } statuses[] = {{"status=\"ok\"", 0x00},
                    {"status=\"temporarilydisabled\"", 0x02},
                    {"status=\"permanentlydisabled\"", 0x04},
                    {"status=\"runadu\"", 0x08},
                    {"flags=\"0x30\"", 0x30}};
    for (const auto& s : statuses) {
        SCOPED_TRACE(s.attributes);
        auto firmware = fwtest::build(std::string("<controller><cache ") + s.attributes + "/></controller>");
        ASSERT_TRUE(firmware);
        const auto answer = fwtest::bmic(*firmware, 0xC1, 0, {}, 512);
        EXPECT_EQ(answer.data[32], s.flags);
        EXPECT_EQ(answer.data[33], 0);
        // Default board: 4 MB read, 12 MB write, unshifted.
        EXPECT_EQ((Bytes(answer.data.begin() + 4, answer.data.begin() + 8)), (Bytes{0x00, 0x10, 0x00, 0x30}));
        EXPECT_EQ(answer.data[38], 0x00);
        EXPECT_EQ(answer.data[39], 0x40);
        EXPECT_EQ(answer.data[217], 0);
    }
    auto shifted = fwtest::build(
        "<controller><cache read=\"4096\" write=\"4096\" total=\"8192\" shift=\"4\" accelerator=\"disabled\"/></controller>");
    ASSERT_TRUE(shifted);
    const auto answer = fwtest::bmic(*shifted, 0xC1, 0, {}, 512);
    EXPECT_EQ((Bytes(answer.data.begin() + 4, answer.data.begin() + 9)), (Bytes{0x00, 0x01, 0x00, 0x01, 1}));
    EXPECT_EQ(answer.data[38], 0x00);
    EXPECT_EQ(answer.data[39], 0x02);
    EXPECT_EQ(answer.data[210], 1);
    EXPECT_EQ(answer.data[217], 4);
}

} // namespace
