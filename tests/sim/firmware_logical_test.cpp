// Logical drive replies: identify (0x10), configuration (0x50), status (0x12)
// and block reads (0x20), with the small and the big drive maps.
#include "firmware_support.h"

namespace {

using fwtest::Bytes;

void put(Bytes& image, size_t offset, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

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
    ASSERT_TRUE(firmware);
    // Three drives of RAID 5: two drives' worth of the smallest usable drive
    // (999000 blocks), 255 heads of 32 sectors.
    Bytes config(512, 0);
    put(config, 10, {3, 0});
    put(config, 12, {3, 0});                          // RAID 5 code
    put(config, 14, {1, 0});
    put(config, 24, {0x00, 0x02});
    put(config, 30, {244, 0});
    config[32] = 255;
    config[44] = 32;
    put(config, 46, {0x07, 0, 0, 0});                 // drives 0, 1, 2
    put(config, 50, {64, 0});
    put(config, 52, {0x80, 0, 0, 0});                 // spare: drive 7
    put(config, 66, {63, 0, 0, 0});
    put(config, 74, {0xB0, 0x7C, 0x1E, 0x00});        // 1998000
    put(config, 78, {0x58, 0x3E, 0x0F, 0x00});        // 999000
    config[130] = 4;
    config[228] = 1;
    const auto configAnswer = fwtest::bmic(*firmware, 0x50, 2, {}, 512);
    fwtest::expectGood(configAnswer);
    EXPECT_EQ(configAnswer.data, config);

    Bytes status(1024, 0);
    status[0] = 5;                                    // recovering
    put(status, 1, {0x02, 0, 0, 0});                  // drive 1 failed
    put(status, 421, {0x39, 0x30, 0, 0});
    status[425] = 1;
    put(status, 494, {0x80, 0, 0, 0});                // spare drive 7 in use
    status[535] = 1;
    status[1001] = 1;
    const auto statusAnswer = fwtest::bmic(*firmware, 0x12, 2, {}, 1024);
    fwtest::expectGood(statusAnswer);
    EXPECT_EQ(statusAnswer.data, status);

    Bytes identity(512, 0);
    put(identity, 0, {0x00, 0x02, 0xB0, 0x7C, 0x1E, 0x00});
    EXPECT_EQ(fwtest::bmic(*firmware, 0x10, 2, {}, 512).data, identity);
}

TEST(FirmwareLogical, AbsentDrivesAnswerEmptyAndNumbersPastTheLimitAreRefused)
{
    auto firmware = fwtest::build(kSmallMapController);
    ASSERT_TRUE(firmware);
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
    ASSERT_TRUE(firmware);
    Bytes config(512, 0);
    put(config, 10, {2, 0});
    put(config, 12, {2, 0});                          // RAID 1 code
    put(config, 14, {1, 0});
    put(config, 16, {0x00, 0xF2, 0x05, 0x2A, 0x01, 0, 0, 0});
    put(config, 24, {0x00, 0x02});
    put(config, 30, {0xFF, 0xFF});
    config[32] = 255;
    config[44] = 32;
    put(config, 50, {128, 0});
    put(config, 74, {0xFF, 0xFF, 0xFF, 0xFF});
    put(config, 78, {0x20, 0x5F, 0x3D, 0x04});        // 71132960 - 2048
    config[98] = 0x01;                                // drive 128
    config[100] = 0x04;                               // drive 146
    config[121] = 0x80;                               // spare 191
    const auto configAnswer = fwtest::bmic(*firmware, 0x50, 0, {}, 512);
    fwtest::expectGood(configAnswer);
    EXPECT_EQ(configAnswer.data, config);

    Bytes status(1024, 0);
    status[0] = 10;                                   // expanding
    put(status, 421, {0xFF, 0xFF, 0xFF, 0xFF});
    status[541] = 0x04;                               // drive 146 failed
    status[834] = 0x80;                               // spare 191 in use
    status[987] = 191;
    put(status, 988, {0x00, 0xBC, 0xA0, 0x65, 0x01, 0, 0, 0});
    EXPECT_EQ(fwtest::bmic(*firmware, 0x12, 0, {}, 1024).data, status);

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
    ASSERT_TRUE(firmware);
    Bytes header(512, 0);
    fwtest::putText(header, 0, "EFI PART");
    put(header, 8, {0x00, 0x00, 0x01, 0x00, 0x5C});
    const auto first = fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 0}, 512);
    fwtest::expectGood(first);
    EXPECT_EQ(first.data, header);

    // Block 4 and 5 in one read; the block number is most significant byte first.
    Bytes two(1024, 0);
    put(two, 512, {1, 2, 3});
    EXPECT_EQ(fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 4}, 1024).data, two);
    // A controller that reads block values least significant byte first.
    auto lsb = fwtest::build(xml, sim::DetailByteOrder::eLeastSignificantFirst);
    ASSERT_TRUE(lsb);
    EXPECT_EQ(fwtest::bmic(*lsb, 0x20, 1, {5, 0, 0, 0}, 512).data, Bytes(two.begin() + 512, two.end()));

    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 100}, 512), 5, 0x21);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 1, {0, 0, 0, 99}, 1024), 5, 0x21);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 2, {}, 512), 2, 0x04);
    fwtest::expectCheckCondition(fwtest::bmic(*firmware, 0x20, 3, {}, 512), 5, 0x25);
}

} // namespace
