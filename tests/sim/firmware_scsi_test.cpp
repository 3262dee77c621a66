// SCSI commands to the controller, its drives and its remote controllers:
// inquiry data, LUN lists, capacity and reads, and refused CDBs.
#include "firmware_support.h"

namespace {

using fwtest::ByteImage;
using fwtest::Bytes;

const sim::LunAddress kController{};
const sim::LunAddress kLogicalZero{0, 0, 0, 0x40, 0, 0, 0, 0};
const sim::LunAddress kPortOneTargetTwo{2, 0, 0, 0x81, 0, 0, 0, 0};
const sim::LunAddress kNobody{9, 9, 9, 9, 0, 0, 0, 0};

std::unique_ptr<sim::ControllerFirmware> controller()
{
    return fwtest::build(R"(<controller>
        <board serial="P56A"/>
        <firmware version="2.84"/>
        <physicaldrive port="0" target="0"/>
        <physicaldrive port="1" target="2" serial="3HXB" product="OVD146C1K5"/>
        <logicaldrive number="0" blocks="100"><block number="7" hex="c0ffee"/></logicaldrive>
        <logicaldrive number="1" status="failed"/>
        <remote path="1" target="3"><board product="ARRAYBOX 4800   " serial="E12C"/><firmware version="6.02"/></remote>
    </controller>)");
}

TEST(FirmwareScsi, InquiryOfEveryAddress)
{
    auto firmware = controller();
    // Storage array controller (12), version 5, format 2, 91 more bytes.
    const Bytes image = ByteImage(96).hex(0, "0c0005025b").text(8, "ORVANE  ARRAY CONTROLLER2.84P56A" + std::string(16, ' '));
    const auto answer = fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kController);
    fwtest::expectGood(answer);
    EXPECT_EQ(answer.data, image);
    // The allocation length and the buffer both limit the reply.
    Bytes limited(image.begin(), image.begin() + 36);
    limited.resize(96, 0);
    EXPECT_EQ(fwtest::scsi(*firmware, {0x12, 0, 0, 0, 36, 0}, 96).data, limited);
    EXPECT_EQ(fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 20).data, Bytes(image.begin(), image.begin() + 20));

    // The remote answers with its own identity at its own LUN address.
    auto& remote = firmware->remote(0);
    const auto remoteAnswer = fwtest::scsi(remote, {0x12, 0, 0, 0, 95, 0}, 96, firmware->remoteLun(0));
    fwtest::expectGood(remoteAnswer);
    EXPECT_EQ(remoteAnswer.data[0], 12);
    EXPECT_EQ(std::string(remoteAnswer.data.begin() + 8, remoteAnswer.data.begin() + 36),
              "ORVANE  ARRAYBOX 4800   6.02");
    EXPECT_EQ(remoteAnswer.data[95], 0);                // allocation 95

    const auto logical = fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kLogicalZero);
    EXPECT_EQ(logical.data[0], 0);
    EXPECT_EQ(std::string(logical.data.begin() + 8, logical.data.begin() + 32), "ORVANE  LOGICAL VOLUME  ");
    const auto physical = fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kPortOneTargetTwo);
    EXPECT_EQ(physical.data[0], 0);
    EXPECT_EQ(std::string(physical.data.begin() + 8, physical.data.begin() + 40), "ORVANE  OVD146C1K5      B1073HXB");

    // Nothing at the address: peripheral qualifier 3, no data beyond.
    const auto nobody = fwtest::scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kNobody);
    fwtest::expectGood(nobody);
    EXPECT_EQ(nobody.data, ByteImage(96).u8(0, 0x7F).bytes());

    // Vital product data: the supported pages and the unit serial number.
    EXPECT_EQ(fwtest::scsi(*firmware, {0x12, 1, 0x00, 0, 16, 0}, 6).data, (Bytes{12, 0x00, 0, 2, 0x00, 0x80}));
    EXPECT_EQ(fwtest::scsi(*firmware, {0x12, 1, 0x80, 0, 16, 0}, 8).data, (Bytes{12, 0x80, 0, 4, 'P', '5', '6', 'A'}));
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x12, 1, 0x83, 0, 16, 0}, 16), 5, 0x24);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x12, 0, 0x80, 0, 16, 0}, 16), 5, 0x24);
}

TEST(FirmwareScsi, LunLists)
{
    auto firmware = controller();
    // Report physical LUNs: the remote controller, then the drives.
    const Bytes physical = {0, 0, 0, 24, 0, 0, 0, 0,
                            3, 0, 0, 1, 0, 0, 0, 0,
                            0, 0, 0, 0x80, 0, 0, 0, 0,
                            2, 0, 0, 0x81, 0, 0, 0, 0};
    const auto answer = fwtest::scsi(*firmware, {0xC3, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x48, 0, 0}, 8008);
    fwtest::expectGood(answer);
    EXPECT_EQ(Bytes(answer.data.begin(), answer.data.begin() + 32), physical);
    EXPECT_EQ(answer.data[32], 0);
    EXPECT_EQ(fwtest::scsi(*firmware, {0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0}, 64).data,
              [&] { Bytes b(physical.begin(), physical.begin() + 16); b.resize(64, 0); return b; }());

    const Bytes logical = {0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 1, 0, 0, 0x40, 0, 0, 0, 0};
    EXPECT_EQ(fwtest::scsi(*firmware, {0xC2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 24).data, logical);
    Bytes all = {0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    all.insert(all.end(), logical.begin() + 8, logical.end());
    EXPECT_EQ(fwtest::scsi(*firmware, {0xA0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 32).data, all);
    // Lists come from the controller, not from a drive.
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0xC2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 24, kLogicalZero),
                                 5, 0x20);
}

TEST(FirmwareScsi, CapacityReadsAndRefusals)
{
    auto firmware = controller();
    EXPECT_EQ(fwtest::scsi(*firmware, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8, kLogicalZero).data,
              (Bytes{0, 0, 0, 99, 0, 0, 2, 0}));
    const Bytes block = ByteImage(512).hex(0, "c0ffee");
    const auto read10 = fwtest::scsi(*firmware, {0x28, 0, 0, 0, 0, 7, 0, 0, 1, 0}, 512, kLogicalZero);
    fwtest::expectGood(read10);
    EXPECT_EQ(read10.data, block);
    EXPECT_EQ(fwtest::scsi(*firmware, {0x08, 0, 0, 7, 1, 0}, 512, kLogicalZero).data, block);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x28, 0, 0, 0, 0, 99, 0, 0, 2, 0}, 1024, kLogicalZero), 5,
                                 0x21);
    const sim::LunAddress failedDrive{1, 0, 0, 0x40, 0, 0, 0, 0};
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512, failedDrive), 2, 0x04);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x00, 0, 0, 0, 0, 0}, 0, failedDrive), 2, 0x04);
    fwtest::expectGood(fwtest::scsi(*firmware, {0x00, 0, 0, 0, 0, 0}, 0));
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x00, 0, 0, 0, 0, 0}, 0, kNobody), 5, 0x25);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512), 5, 0x20);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 64), 5, 0x20);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {0x12, 0, 0, 0}, 96), 5, 0x24);
    fwtest::expectCheckCondition(fwtest::scsi(*firmware, {}, 96), 5, 0x24);
    // Request sense reports no pending condition.
    const auto sense = fwtest::scsi(*firmware, {0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(sense.data[0], 0x70);
    EXPECT_EQ(sense.data[2], 0);
    EXPECT_EQ(sense.data[7], 10);
}

} // namespace
