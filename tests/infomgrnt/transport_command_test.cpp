// BMIC and SCSI commands through each transport: the packet sent, checked
// against images written from the packet tables, and the reply's data,
// statuses and sense bytes handed back with their clipping rules.
#include "transport_fakedrivers.h"

#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace InfoMgr;
using xporttest::bodyReply;
using xporttest::byPacket;
using xporttest::failing;
using xporttest::FakeDrivers;
using xporttest::Image;
using xporttest::toHex;

std::vector<std::uint8_t> pattern(std::size_t nLength, std::uint8_t bFirst)
{
    std::vector<std::uint8_t> bytes(nLength);
    std::iota(bytes.begin(), bytes.end(), bFirst);
    return bytes;
}

std::string hexOf(const std::vector<std::uint8_t>& bytes, std::size_t nOffset, std::size_t nLength)
{
    return toHex(std::vector<std::uint8_t>(bytes.begin() + nOffset, bytes.begin() + nOffset + nLength));
}

// The caller's side of one send: data, sense room and the out-values.
struct Call {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> sense;
    std::uint32_t dwDataLength = 0;
    std::uint32_t dwSenseLength = 0;
    std::uint8_t bScsiStatus = 0xEE;
    std::uint16_t wCommandStatus = 0xEEEE;

    Call(std::size_t nData, std::size_t nSense)
        : data(nData, 0xCC), sense(nSense, 0xCC), dwDataLength(static_cast<std::uint32_t>(nData)),
          dwSenseLength(static_cast<std::uint32_t>(nSense))
    {
    }
    CommandBuffers buffers()
    {
        return CommandBuffers{data.empty() ? nullptr : data.data(), &dwDataLength,
                              sense.empty() ? nullptr : sense.data(), &dwSenseLength, &bScsiStatus, &wCommandStatus};
    }
    std::uint32_t bmic(CommandType eType, const BmicRequest& request)
    {
        CommandBuffers b = buffers();
        return createIoCtlCommandGroup(eType)->sendBmicCommand(request, 1, b);
    }
    std::uint32_t scsi(CommandType eType, const ScsiRequest& request, std::uint32_t dwDirection = 1)
    {
        CommandBuffers b = buffers();
        return createIoCtlCommandGroup(eType)->sendScsiCommand(request, dwDirection, b);
    }
};

BmicRequest bmic(const SchemaObjectEssentialData& device, std::uint32_t dwDirection, std::uint32_t dwLength)
{
    // Block: read/write code, drive 2, value 0x01020304, opcode 0x11, length.
    BmicRequest request;
    request.pDevice = &device;
    BmicTransfer command;
    command.bOpcode = 0x11;
    command.bDriveIndex = 2;
    command.dwDetail = 0x01020304;
    command.dwDirection = dwDirection;
    createIoCtlCommandGroup(eCSMI_CISS)->setupBmicParameters(command, dwLength, request.block);
    return request;
}

ScsiRequest scsi(const SchemaObjectEssentialData& device, std::vector<std::uint8_t> cdb)
{
    ScsiRequest request;
    request.pDevice = &device;
    std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
    request.bCdbLength = static_cast<std::uint8_t>(cdb.size());
    return request;
}

const std::vector<std::uint8_t> kRead10 = {0x28, 0, 0x11, 0x22, 0x33, 0x44, 0, 0x00, 0x01, 0};
const std::vector<std::uint8_t> kInquiry = {0x12, 0, 0, 0, 0x60, 0};

class TransportCommand : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    tsmtest::TempMachine machine;
    FakeDrivers drivers;

    const std::vector<std::uint8_t>& lastSent() const { return drivers.requests.back().in; }
};

TEST_F(TransportCommand, BmicCommandBlockFollowsDirectionAndLength)
{
    const SchemaObjectEssentialData controller(0, 0x8000, eCSMI_CISS);
    const BmicCommandBlock read = bmic(controller, 1, 512).block;
    EXPECT_EQ(toHex({read.begin(), read.end()}), "26" "02" "04030201" "11" "0002" "00");
    const BmicCommandBlock write = bmic(controller, 2, 0x12345).block;
    EXPECT_EQ(toHex({write.begin(), write.end()}), "27" "02" "04030201" "11" "4523" "00");
    BmicTransfer command;
    command.dwDirection = 3;
    BmicCommandBlock block{};
    EXPECT_DEATH(createIoCtlCommandGroup(eCSMI_CISS)->setupBmicParameters(command, 0, block),
                 "dwControlCode == CONTROL_DIRECTION_READ \\|\\| dwControlCode == CONTROL_DIRECTION_WRITE");
}

TEST_F(TransportCommand, UnknownBusTypeIsFatal)
{
    // Configuration record with bus type 1 (neither EISA nor PCI) at 47.
    drivers.setPort(0, bodyReply(Image(196).hex(40, "f1a7014c").u8(46, 4).u8(47, 1).bytes()));
    const SchemaObjectEssentialData ciss(0, 0x8000, eCSMI_CISS);
    BusInfoRecord busInfo{};
    EXPECT_DEATH(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, busInfo),
                 "configBuffer.CntlrConfiguration.bIoBusType == 3");
}

TEST_F(TransportCommand, CissPacketAndReply)
{
    SchemaObjectEssentialData device(0, 0x8007, eCSMI_CISS);
    device.setLunAddress({0x40, 0x07, 0, 0, 0, 0, 0, 0x99});
    drivers.setPort(0, bodyReply(Image(148 + 512).u8(76, 0x02).hex(78, "0100").raw(92, pattern(40, 0x70))
                                     .raw(148, pattern(512, 0)).bytes()));

    Call call(512, 16);
    EXPECT_EQ(call.bmic(eCSMI_CISS, bmic(device, 1, 512)), 0u);
    Image sent(148 + 512);
    sent.hex(0, "1c000000 5a59524349535300 ffffffff 02000000 00000000 78020000")
        .hex(28, "4007000000000099 ffff 0a").hex(40, "26 02 04030201 11 0002 00").hex(56, "01000000");
    EXPECT_EQ(toHex(lastSent()), toHex(sent.bytes()));
    EXPECT_EQ(call.data, pattern(512, 0));
    EXPECT_EQ(call.bScsiStatus, 0x02);
    EXPECT_EQ(call.wCommandStatus, 0x0001);
    // A smaller sense buffer gets only its room.
    EXPECT_EQ(call.dwSenseLength, 16u);
    EXPECT_EQ(call.sense, pattern(16, 0x70));

    // A larger one is clipped to 40; none at all reports 0.
    Call wide(512, 64);
    EXPECT_EQ(wide.bmic(eCSMI_CISS, bmic(device, 1, 512)), 0u);
    EXPECT_EQ(wide.dwSenseLength, 40u);
    EXPECT_EQ(std::vector<std::uint8_t>(wide.sense.begin(), wide.sense.begin() + 40), pattern(40, 0x70));
    EXPECT_EQ(wide.sense[40], 0xCC);
    Call noSense(512, 0);
    noSense.dwSenseLength = 32;
    EXPECT_EQ(noSense.bmic(eCSMI_CISS, bmic(device, 1, 512)), 0u);
    EXPECT_EQ(noSense.dwSenseLength, 0u);

    // A write carries the caller's data; a command without data says 4.
    Call write(0, 0);
    write.data = pattern(8, 0xA0);
    write.dwDataLength = 8;
    EXPECT_EQ(write.scsi(eCSMI_CISS, scsi(device, {0x3B, 1, 2, 3, 4, 5}), 2), 0u);
    EXPECT_EQ(lastSent().size(), 156u);
    EXPECT_EQ(hexOf(lastSent(), 36, 24), "ffff" "06" "00" "3b0102030405" "00000000000000000000" "02000000");
    EXPECT_EQ(hexOf(lastSent(), 148, 8), "a0a1a2a3a4a5a6a7");
    Call none(0, 0);
    EXPECT_EQ(none.scsi(eCSMI_CISS, scsi(device, {0, 0, 0, 0, 0, 0})), 0u);
    EXPECT_EQ(hexOf(lastSent(), 56, 4), "04000000");
    EXPECT_EQ(drivers.liveHandles(), 0);
}

TEST_F(TransportCommand, FailuresLeaveTheCallersBuffersAlone)
{
    const xporttest::PortAnswer shortReply = [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t& dwBytes) {
        dwBytes = 20;
        return true;
    };
    for (CommandType eType : {eCSMI_CISS, eCSMI_I2O, eCSMI_FIBRE, eLEGACY}) {
        // A failing call, ReturnCode set by the driver, a reply shorter than the packet.
        for (const auto& answer : {failing(), bodyReply(Image(700).bytes(), 0x10), shortReply}) {
            SCOPED_TRACE(eType);
            drivers.setPort(0, answer);
            Call call(512, 32);
            EXPECT_EQ(call.bmic(eType, bmic(SchemaObjectEssentialData(0, 0x8000, eType), 1, 512)), 0x80000005u);
            EXPECT_EQ(call.data, std::vector<std::uint8_t>(512, 0xCC));
            EXPECT_EQ(call.sense, std::vector<std::uint8_t>(32, 0xCC));
            EXPECT_EQ(call.dwSenseLength, 32u);
        }
        Call call(512, 32);
        EXPECT_EQ(call.bmic(eType, bmic(SchemaObjectEssentialData(9, 0x8000, eType), 1, 512)), 0x80000007u);
    }
    EXPECT_EQ(drivers.liveHandles(), 0);
}

TEST_F(TransportCommand, I2OBmicCountsSectorsAndReportsItsStatusAsSense)
{
    const SchemaObjectEssentialData controller(1, 0x8000, eCSMI_I2O);
    drivers.setPort(1, bodyReply(Image(92 + 1024).hex(60, "0201").raw(92, pattern(1024, 0x10)).bytes()));

    Call call(512, 32);
    EXPECT_EQ(call.bmic(eCSMI_I2O, bmic(controller, 1, 512)), 0u);
    Image sent(92 + 512);
    sent.hex(0, "1c000000 5a5952424d494300 ffffffff 01000000 00000000 40020000").hex(28, "02 11 0100 04030201");
    EXPECT_EQ(toHex(lastSent()), toHex(sent.bytes()));
    EXPECT_EQ(call.data, pattern(512, 0x10));
    EXPECT_EQ(call.bScsiStatus, 0x02);
    EXPECT_EQ(call.wCommandStatus, 0x0102);
    EXPECT_EQ(call.dwSenseLength, 17u);
    EXPECT_EQ(call.sense[0], 0x02);

    const struct {
        std::uint32_t dwLength;
        const char* pszCount;
    } counts[] = {{200, "c800"}, {511, "ff01"}, {1024, "0200"}, {0, "0000"}};
    for (const auto& c : counts) {
        SCOPED_TRACE(c.dwLength);
        Call sized(c.dwLength, 8);
        EXPECT_EQ(sized.bmic(eCSMI_I2O, bmic(controller, 1, c.dwLength)), 0u);
        EXPECT_EQ(hexOf(lastSent(), 30, 2), c.pszCount);
        EXPECT_EQ(lastSent().size(), 92u + c.dwLength);
        EXPECT_EQ(sized.dwSenseLength, 8u);
    }
}

TEST_F(TransportCommand, I2OScsiPacketAndReadTranslation)
{
    SchemaObjectEssentialData drive(1, 0x8005, eCSMI_I2O);
    drive.setAddress({1, 5, 3});
    drivers.setPort(1, bodyReply(Image(124 + 96).hex(92, "0300").raw(94, pattern(40, 0x50)).u8(105, 0x02)
                                     .raw(124, pattern(96, 0x30)).bytes()));

    Call call(96, 64);
    EXPECT_EQ(call.scsi(eCSMI_I2O, scsi(drive, kInquiry)), 0u);
    Image sent(124 + 96);
    sent.hex(0, "1c000000 5a595242 4d494300 ffffffff 02000000 00000000 c0000000")
        .hex(28, "01 05 00 06 120000006000").hex(48, "ffffffff 00000000");
    EXPECT_EQ(toHex(lastSent()), toHex(sent.bytes()));
    EXPECT_EQ(call.data, pattern(96, 0x30));
    EXPECT_EQ(call.bScsiStatus, 0x02);
    EXPECT_EQ(call.wCommandStatus, 0x0003);
    // Sense from offset 92, clipped to 32.
    EXPECT_EQ(call.dwSenseLength, 32u);
    EXPECT_EQ(hexOf(call.sense, 0, 4), "03005051");

    // READ(10) and READ(6) become read-logical-drive BMIC commands to the LUN byte.
    for (std::uint8_t bOpcode : {std::uint8_t{0x28}, std::uint8_t{0x08}}) {
        SCOPED_TRACE(static_cast<int>(bOpcode));
        std::vector<std::uint8_t> cdb = kRead10;
        cdb[0] = bOpcode;
        Call read(512, 0);
        EXPECT_EQ(read.scsi(eCSMI_I2O, scsi(drive, cdb)), 0u);
        EXPECT_EQ(hexOf(lastSent(), 0, 36), "1c000000" "5a595242" "4d494300" "ffffffff" "01000000" "00000000"
                                            "40020000" "03" "20" "0100" "11223344");
    }
}

TEST_F(TransportCommand, FibreCommandFollowsItsAddressQuery)
{
    SchemaObjectEssentialData device(2, 0x8007, eCSMI_FIBRE);
    device.setAddress({2, 3, 0});
    device.setLunAddress({0x41, 0x07, 0x55, 0, 0, 0, 0, 0});
    const auto answer = bodyReply(Image(44).hex(28, "0506 0000 44332211").bytes());
    const auto reply = bodyReply(Image(148 + 512).u8(84, 0x02).raw(148, pattern(512, 0x01)).bytes());
    drivers.setPort(2, byPacket({{{"ZYRFC", 1}, answer}, {{"ZYRFC", 2}, reply}}));

    Call call(512, 64);
    EXPECT_EQ(call.bmic(eCSMI_FIBRE, bmic(device, 1, 512)), 0u);
    ASSERT_EQ(drivers.requests.size(), 2u);
    Image query(44);
    query.hex(0, "1c000000 5a59524643000000 ffffffff 01000000 00000000 10000000").hex(28, "020300");
    EXPECT_EQ(toHex(drivers.requests[0].in), toHex(query.bytes()));
    Image sent(148 + 512);
    sent.hex(0, "1c000000 5a59524643000000 ffffffff 02000000 00000000 78020000")
        .hex(28, "44332211 4107 000000000000 0a 05 06 00").hex(44, "26 02 04030201 11 0002 00").hex(60, "01000000");
    EXPECT_EQ(toHex(drivers.requests[1].in), toHex(sent.bytes()));
    EXPECT_EQ(call.data, pattern(512, 0x01));
    EXPECT_EQ(call.bScsiStatus, 0x02);
    EXPECT_EQ(call.dwSenseLength, 40u);

    // A drive of the device is routed with the device's address bytes.
    Call small(512, 8);
    EXPECT_EQ(small.bmic(eCSMI_FIBRE, bmic(PhysicalDriveEssentialData(device, 1, 4, 11), 1, 512)), 0u);
    EXPECT_EQ(hexOf(drivers.requests[2].in, 28, 3), "020300");
    EXPECT_EQ(small.dwSenseLength, 8u);

    // A failing address query stops the command.
    drivers.setPort(2, byPacket({{{"ZYRFC", 2}, reply}}));
    EXPECT_EQ(call.bmic(eCSMI_FIBRE, bmic(device, 1, 512)), 0x80000005u);
    EXPECT_EQ(drivers.requests.back().in[16], 1);
}

TEST_F(TransportCommand, LegacyPacketsAndClipping)
{
    SchemaObjectEssentialData drive(3, 0x8005, eLEGACY);
    drive.setAddress({1, 5, 3});
    drivers.setPort(3, bodyReply(Image(86 + 512).raw(40, pattern(512, 0x40)).bytes()));

    Call call(512, 16);
    EXPECT_EQ(call.bmic(eLEGACY, bmic(drive, 1, 512)), 0u);
    Image sent(44 + 512);
    sent.hex(0, "1c000000 4f44584d26500000 b4000000 03000000 00000000 10020000")
        .hex(28, "02 11 04030201 00020000 0002");
    EXPECT_EQ(toHex(lastSent()), toHex(sent.bytes()));
    EXPECT_EQ(call.data, pattern(512, 0x40));
    EXPECT_EQ(call.dwSenseLength, 0u);

    Call inquiry(96, 16);
    EXPECT_EQ(inquiry.scsi(eLEGACY, scsi(drive, kInquiry)), 0u);
    Image scsiSent(86 + 96);
    scsiSent.hex(0, "1c000000 4f44584d26500000 b4000000 04000000 00000000 9a000000")
        .hex(28, "050103 2c010000 00000000").u8(41, 6).hex(58, "120000006000").hex(82, "60000000");
    EXPECT_EQ(toHex(lastSent()), toHex(scsiSent.bytes()));

    // READ(10) is translated; READ(6) goes out as a SCSI packet.
    Call read(512, 0);
    EXPECT_EQ(read.scsi(eLEGACY, scsi(drive, kRead10)), 0u);
    EXPECT_EQ(hexOf(lastSent(), 16, 4), "03000000");
    EXPECT_EQ(hexOf(lastSent(), 28, 12), "03" "20" "11223344" "00020000" "0001");
    EXPECT_EQ(read.scsi(eLEGACY, scsi(drive, {0x08, 0, 0, 0, 1, 0})), 0u);
    EXPECT_EQ(hexOf(lastSent(), 16, 4), "04000000");

    // More than 65535 bytes is a misuse.
    Call huge(70000, 0);
    EXPECT_DEATH(huge.bmic(eLEGACY, bmic(drive, 1, 70000)), "dwIOBufferSize <= MAX_ODX_CMD_SIZE");
}

}
