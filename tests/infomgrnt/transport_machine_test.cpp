// BMIC and SCSI commands, drive and remote discovery and identities through
// each transport on a simulated machine: the packet sent, read back from the
// machine's capture against images written from the packet tables, and what
// the transport makes of the simulated drivers' replies.
#include "byteimage.h"
#include "capturefile.h"
#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace {

using namespace InfoMgr;
using tsmtest::toHex;
using Image = tsmtest::ByteImage;

std::string senseBytes(std::size_t nLength)
{
    std::string text = "70 00 05";
    for (std::size_t n = 3; n < nLength; ++n)
        text += " " + toHex(std::vector<std::uint8_t>{static_cast<std::uint8_t>(n)});
    return text;
}

// Ports: 0 CISS, big map, logical drives 0 2 4 5 (4 unreadable), a refusal
// with 48 sense bytes, remote controllers: the maker's, another product,
// another maker, one that answers no inquiry. 1 I2O, 2 Fibre Channel with an
// array controller at 2:3:0, 3 legacy, 4 CISS without physical drives, 5
// CISS small map, 6 CISS with 33 remote controllers, 8 Fibre Channel without the attribute interface; from 10
// the ports of each transport that fail, answer short or garbage, and whose
// firmware fails identify controller.
std::string description()
{
    std::string text = R"(<machine>
  <port number="0" driver="ciss"><controller><board ports="8" drivesperport="16"/>
    <physicaldrive port="0" target="0"/><physicaldrive port="1" target="11"/><physicaldrive port="7" target="15"/>
    <logicaldrive number="0" blocks="1000"/><logicaldrive number="2" blocks="1000"/>
    <logicaldrive number="4" blocks="1000"/><logicaldrive number="5" blocks="1000"/>
    <fail opcode="0x10" drive="4" error="31"/>
    <fail opcode="0x64" scsistatus="2" commandstatus="1" sense=")" + senseBytes(48) + R"("/>
    <remote lun="0400004102000000"><board product="ARRAYBOX 4400   " serial="SUBSYSTEM-SERIAL-0123456789ABCDE"/></remote>
    <remote lun="0500004103000000"><board product="ARRAYBOX 4401   "/></remote>
    <remote lun="0600004104000000"><board vendor="OTHERCO " product="ARRAYBOX 4400   "/></remote>
    <remote lun="0700004105000000"><board product="ARRAYBOX 4400   "/><fail scsiopcode="0x12" error="31"/></remote>
  </controller></port>
  <port number="1" driver="i2o"><controller><physicaldrive port="0" target="1"/>
    <logicaldrive number="3" blocks="4000000000"/><fail opcode="0x64" commandstatus="258"/>
    <fail scsiopcode="0x1a" sense="70 00 05 00 00 00 00 10 00 00 00 00 24 00 00 00 00 00 aa bb cc dd ee ff"/>
  </controller></port>
  <port number="2" driver="fibre"><controller wwn1="1000000000C0FFEE" wwn2="2000000000C0FFEE" portaddress="0xABCDEF" portstate="0x21">
    <remote path="2" target="3" lunbyte="0" wwn1="5000000000000001" wwn2="5000000000000002" portaddress="0x010203" portstate="0x31">
      <fail opcode="0x64" scsistatus="2" commandstatus="1" sense=")" + senseBytes(48) + R"("/></remote>
  </controller></port>
  <port number="3" driver="legacy"><controller bus="eisa" slot="5"><logicaldrive number="3" blocks="4000000000"/></controller></port>
  <port number="4" driver="ciss"><controller><logicaldrive number="0" blocks="10"/><logicaldrive number="2" blocks="10"/>
    <logicaldrive number="5" blocks="10"/></controller></port>
  <port number="5" driver="ciss"><controller><physicaldrive port="0" target="0"/><physicaldrive port="1" target="1"/>
    <physicaldrive port="3" target="6"/></controller></port>
  <port number="8" driver="fibre"><controller hbaapi="false" wwn1="6000000000000001" wwn2="6000000000000002" portaddress="0x445566" portstate="0x41">
    <remote path="1" target="9" lunbyte="4" wwn1="6000000000000001" wwn2="6000000000000002" portaddress="0x445566" portstate="0x41"/>
  </controller></port>
)";
    // 33 remote controllers: a list of 264 bytes.
    text += "  <port number=\"6\" driver=\"ciss\"><controller>";
    for (int nRemote = 1; nRemote <= 33; ++nRemote)
        text += "<remote path=\"1\" target=\"" + std::to_string(nRemote) + "\"/>";
    text += "</controller></port>\n";
    int nPort = 10;
    for (const char* pszContent : {R"(<fault kind="error" error="31"/><controller/>)", R"(<fault kind="short" bytes="20"/><controller/>)",
                                   R"(<fault kind="garbage" seed="7"/><controller/>)", R"(<controller><fail opcode="0x11" error="1117"/></controller>)"})
        for (const char* pszDriver : {"ciss", "i2o", "fibre", "legacy"})
            text += "  <port number=\"" + std::to_string(nPort++) + "\" driver=\"" + pszDriver + "\">" + pszContent + "</port>\n";
    return text + "</machine>\n";
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
    // A read block: drive 2, value 0x01020304, the opcode, the data length.
    std::uint32_t bmic(const SchemaObjectEssentialData& device, std::uint8_t bOpcode)
    {
        BmicRequest request{&device, {}, kBmicBlockSize};
        const auto pTransport = createIoCtlCommandGroup(device.eCommandType());
        pTransport->setupBmicParameters(BmicTransfer{bOpcode, 2, 0x01020304, 1}, dwDataLength, request.block);
        CommandBuffers b = buffers();
        return pTransport->sendBmicCommand(request, 1, b);
    }
    std::uint32_t scsi(const SchemaObjectEssentialData& device, std::vector<std::uint8_t> cdb, std::uint32_t dwDirection = 1)
    {
        ScsiRequest request{&device, {}, static_cast<std::uint8_t>(cdb.size())};
        std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
        CommandBuffers b = buffers();
        return createIoCtlCommandGroup(device.eCommandType())->sendScsiCommand(request, dwDirection, b);
    }
};

const std::vector<std::uint8_t> kRead10 = {0x28, 0, 0x11, 0x22, 0x33, 0x44, 0, 0x00, 0x01, 0};
const std::vector<std::uint8_t> kInquiry = {0x12, 0, 0, 0, 0x60, 0};

class TransportOnMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        machine.writeDescription(description());
    }
    // The requests sent since the last call.
    std::vector<tsmtest::CapturedRequest> sent()
    {
        std::vector<tsmtest::CapturedRequest> requests = capture->requests();
        capture.emplace(machine.root() + "/capture.jsonl");
        return requests;
    }
    std::string lastSent() { return sent().back().in; }

    tsmtest::TempMachine machine;
    std::optional<tsmtest::CaptureFile> capture{std::in_place, machine.root() + "/capture.jsonl"};
};

TEST_F(TransportOnMachine, BmicCommandBlockFollowsDirectionAndLength)
{
    BmicTransfer command{0x11, 2, 0x01020304, 0};
    BmicCommandBlock block{};
    for (const auto& [dwDirection, dwLength, pszBlock] : {std::tuple{1u, 512u, "26020403020111000200"},
                                                           std::tuple{2u, 0x12345u, "27020403020111452300"}}) {
        command.dwDirection = dwDirection;
        createIoCtlCommandGroup(eCSMI_CISS)->setupBmicParameters(command, dwLength, block);
        EXPECT_EQ(toHex(block), pszBlock);
    }
    command.dwDirection = 3;
    EXPECT_DEATH(createIoCtlCommandGroup(eCSMI_CISS)->setupBmicParameters(command, 0, block),
                 "dwControlCode == CONTROL_DIRECTION_READ \\|\\| dwControlCode == CONTROL_DIRECTION_WRITE");
}

TEST_F(TransportOnMachine, CissPacketAndReply)
{
    SchemaObjectEssentialData controller(0, 0x8000, eCSMI_CISS);
    Call identify(512, 16);
    EXPECT_EQ(identify.bmic(controller, 0x11), 0u);
    const Image packet = Image(148 + 512).hex(0, "1c000000 5a59524349535300 ffffffff 02000000 00000000 78020000")
                             .hex(28, "0000000000000000 ffff 0a").hex(40, "26 02 04030201 11 0002 00").hex(56, "01000000");
    EXPECT_EQ(lastSent(), toHex(packet.bytes()));
    // Four logical drives, the map flag of the big map, drive 128 present.
    EXPECT_EQ(toHex(identify.data, 0, 1), "04");
    EXPECT_EQ(identify.data[54], 0x01);
    EXPECT_EQ(std::make_tuple(identify.bScsiStatus, identify.wCommandStatus, identify.dwSenseLength),
              std::make_tuple(std::uint8_t{0}, std::uint16_t{0}, 16u));

    // A refusal with 48 sense bytes: a smaller buffer gets only its room, a
    // larger one is clipped to 40, none at all reports 0.
    for (const auto& [nRoom, dwExpected] : {std::pair<std::size_t, std::uint32_t>{16, 16}, {64, 40}, {0, 0}}) {
        SCOPED_TRACE(nRoom);
        Call call(512, nRoom);
        call.dwSenseLength = nRoom == 0 ? 32 : static_cast<std::uint32_t>(nRoom);
        EXPECT_EQ(call.bmic(controller, 0x64), 0u);
        EXPECT_EQ(std::make_tuple(call.bScsiStatus, call.wCommandStatus, call.dwSenseLength),
                  std::make_tuple(std::uint8_t{2}, std::uint16_t{1}, dwExpected));
        EXPECT_EQ(toHex(call.sense, 0, std::min<std::size_t>(dwExpected, 4)), std::string("70000503").substr(0, 2 * std::min<std::size_t>(dwExpected, 4)));
        EXPECT_EQ(toHex(call.sense, dwExpected), std::string(2 * (nRoom - dwExpected), 'c'));
        EXPECT_EQ(dwExpected < 40 || call.sense[39] == 39, true);
    }

    // A remote controller at its LUN address; a write carries the caller's
    // data; a command without data says 4.
    SchemaObjectEssentialData remote(0, 0x8007, eCSMI_CISS);
    remote.setLunAddress({0x04, 0, 0, 0x41, 0x02, 0, 0, 0});
    Call inquiry(96, 0);
    EXPECT_EQ(inquiry.scsi(remote, kInquiry), 0u);
    EXPECT_EQ(lastSent().substr(2 * 28, 2 * 18), "0400004102000000" "ffff" "06" "00" "120000006000");
    EXPECT_EQ(std::string(inquiry.data.begin() + 16, inquiry.data.begin() + 32), "ARRAYBOX 4400   ");
    // Nothing at that address: command status 4, no data.
    remote.setLunAddress({0x09, 0, 0, 0x41, 0x02, 0, 0, 0});
    EXPECT_EQ(inquiry.scsi(remote, kInquiry), 0u);
    EXPECT_EQ(std::make_tuple(inquiry.wCommandStatus, inquiry.data), std::make_tuple(std::uint16_t{4}, std::vector<std::uint8_t>(96, 0)));
    Call write(0, 0);
    write.data = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
    write.dwDataLength = 8;
    EXPECT_EQ(write.scsi(controller, {0x3B, 1, 2, 3, 4, 5}, 2), 0u);
    const std::string written = lastSent();
    EXPECT_EQ(written.size(), 2 * 156u);
    EXPECT_EQ(written.substr(2 * 36, 2 * 24), "ffff" "06" "00" "3b0102030405" "00000000000000000000" "02000000");
    EXPECT_EQ(written.substr(2 * 148), "a0a1a2a3a4a5a6a7");
    Call none(0, 0);
    EXPECT_EQ(none.scsi(controller, {0, 0, 0, 0, 0, 0}), 0u);
    EXPECT_EQ(lastSent().substr(2 * 56, 8), "04000000");
}

TEST_F(TransportOnMachine, FailuresLeaveTheCallersBuffersAlone)
{
    const CommandType types[] = {eCSMI_CISS, eCSMI_I2O, eCSMI_FIBRE, eLEGACY};
    // A failing call, a short reply, a garbled one (its ReturnCode is not
    // zero) and a failing firmware on each transport's ports from 10; a port
    // that is not there does not open.
    for (std::uint32_t dwPort = 10; dwPort < 26; ++dwPort) {
        SCOPED_TRACE(dwPort);
        Call call(512, 32);
        EXPECT_EQ(call.bmic(SchemaObjectEssentialData(dwPort, 0x8000, types[(dwPort - 10) % 4]), 0x11), 0x80000005u);
        EXPECT_EQ(call.data, std::vector<std::uint8_t>(512, 0xCC));
        EXPECT_EQ(call.sense, std::vector<std::uint8_t>(32, 0xCC));
        EXPECT_EQ(call.dwSenseLength, 32u);
    }
    for (CommandType eType : types) {
        Call call(512, 32);
        EXPECT_EQ(call.bmic(SchemaObjectEssentialData(9, 0x8000, eType), 0x11), 0x80000007u);
    }
}

TEST_F(TransportOnMachine, I2OBmicCountsSectorsAndReportsItsStatusAsSense)
{
    const SchemaObjectEssentialData controller(1, 0x8000, eCSMI_I2O);
    Call call(512, 32);
    EXPECT_EQ(call.bmic(controller, 0x11), 0u);
    const Image packet = Image(92 + 512).hex(0, "1c000000 5a5952424d494300 ffffffff 01000000 00000000 40020000")
                             .hex(28, "02 11 0100 04030201");
    EXPECT_EQ(lastSent(), toHex(packet.bytes()));
    // One logical drive; drive 1 in the map at 18.
    EXPECT_EQ(toHex(call.data, 0, 1), "01");
    EXPECT_EQ(toHex(call.data, 18, 4), "02000000");
    // The status word: its low byte is the SCSI status and the one sense byte.
    EXPECT_EQ(call.bmic(controller, 0x64), 0u);
    EXPECT_EQ(std::make_tuple(call.bScsiStatus, call.wCommandStatus, call.dwSenseLength, call.sense[0], call.sense[1]),
              std::make_tuple(std::uint8_t{2}, std::uint16_t{0x0102}, 17u, std::uint8_t{2}, std::uint8_t{0}));

    // Below 512 bytes the count is the byte count; the reply gets the room given.
    for (const auto& [dwLength, pszCount] : {std::pair{200u, "c800"}, {511u, "ff01"}, {1024u, "0200"}, {0u, "0000"}}) {
        SCOPED_TRACE(dwLength);
        Call sized(dwLength, 8);
        EXPECT_EQ(sized.bmic(controller, 0x11), 0u);
        const std::string in = lastSent();
        EXPECT_EQ(in.substr(2 * 30, 4), pszCount);
        EXPECT_EQ(in.size(), 2 * (92u + dwLength));
        EXPECT_EQ(sized.dwSenseLength, 8u);
    }
}

TEST_F(TransportOnMachine, I2OScsiPacketAndReadTranslation)
{
    SchemaObjectEssentialData drive(1, 0x8005, eCSMI_I2O);
    drive.setAddress({1, 5, 3});
    // Nobody at path 1 target 5: the inquiry data says so.
    Call inquiry(96, 0);
    EXPECT_EQ(inquiry.scsi(drive, kInquiry), 0u);
    EXPECT_EQ(inquiry.data[0], 0x7F);
    Call call(64, 64);
    EXPECT_EQ(call.scsi(drive, {0x1A, 0, 0x3F, 0, 64, 0}), 0u);
    const Image packet = Image(124 + 64).hex(0, "1c000000 5a595242 4d494300 ffffffff 02000000 00000000 a0000000")
                             .hex(28, "01 05 00 06 1a003f004000").hex(48, "ffffffff 00000000");
    EXPECT_EQ(lastSent(), toHex(packet.bytes()));
    // The reply frame from 92, clipped to 32: command status, SCSI status at
    // 13, 18 bytes of sense; no data.
    EXPECT_EQ(std::make_tuple(call.bScsiStatus, call.wCommandStatus, call.dwSenseLength),
              std::make_tuple(std::uint8_t{2}, std::uint16_t{1}, 32u));
    EXPECT_EQ(toHex(call.sense, 0, 32), "0100" + std::string(22, '0') + "02" "700005000000001000000000240000000000");
    EXPECT_EQ(call.data, std::vector<std::uint8_t>(64, 0));

    // READ(10) and READ(6) become read-logical-drive BMIC commands to the LUN byte.
    for (std::uint8_t bOpcode : {std::uint8_t{0x28}, std::uint8_t{0x08}}) {
        SCOPED_TRACE(static_cast<int>(bOpcode));
        std::vector<std::uint8_t> cdb = kRead10;
        cdb[0] = bOpcode;
        Call read(512, 0);
        EXPECT_EQ(read.scsi(drive, cdb), 0u);
        EXPECT_EQ(lastSent().substr(0, 2 * 36), "1c000000" "5a595242" "4d494300" "ffffffff" "01000000" "00000000"
                                                "40020000" "03" "20" "0100" "11223344");
    }
}

TEST_F(TransportOnMachine, FibreCommandFollowsItsAddressQuery)
{
    SchemaObjectEssentialData device(2, 0x8007, eCSMI_FIBRE);
    device.setAddress({2, 3, 0});
    device.setLunAddress({0x41, 0x07, 0x55, 0, 0, 0, 0, 0});
    Call call(512, 64);
    EXPECT_EQ(call.bmic(device, 0x11), 0u);
    std::vector<tsmtest::CapturedRequest> requests = sent();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].in, toHex(Image(44).hex(0, "1c000000 5a59524643000000 ffffffff 01000000 00000000 10000000")
                                        .hex(28, "020300").bytes()));
    // The handle (the first remote's) and the ids of the address query's reply.
    EXPECT_EQ(requests[1].in, toHex(Image(148 + 512).hex(0, "1c000000 5a59524643000000 ffffffff 02000000 00000000 78020000")
                                        .hex(28, "01000000 4107 000000000000 0a 02 03 00").hex(44, "26 02 04030201 11 0002 00")
                                        .hex(60, "01000000").bytes()));
    EXPECT_EQ(std::make_tuple(call.bScsiStatus, call.dwSenseLength), std::make_tuple(std::uint8_t{0}, 40u));
    EXPECT_EQ(call.data[0], 0);
    // A refusal with 48 sense bytes: 40 of them.
    EXPECT_EQ(call.bmic(device, 0x64), 0u);
    EXPECT_EQ(std::make_tuple(call.bScsiStatus, call.wCommandStatus, call.dwSenseLength, call.sense[39]),
              std::make_tuple(std::uint8_t{2}, std::uint16_t{1}, 40u, std::uint8_t{39}));

    // A drive of the device is routed with the device's address bytes.
    Call small(512, 8);
    EXPECT_EQ(small.bmic(PhysicalDriveEssentialData(device, 1, 4, 11), 0x15), 0u);
    EXPECT_EQ(sent().front().in.substr(2 * 28, 6), "020300");
    EXPECT_EQ(small.dwSenseLength, 8u);

    // Nothing at the address: the failing address query stops the command.
    device.setAddress({2, 4, 0});
    EXPECT_EQ(call.bmic(device, 0x11), 0x80000005u);
    requests = sent();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].in.substr(2 * 16, 2), "01");
}

TEST_F(TransportOnMachine, LegacyPacketsAndClipping)
{
    SchemaObjectEssentialData drive(3, 0x8005, eLEGACY);
    drive.setAddress({1, 5, 3});
    Call call(512, 16);
    EXPECT_EQ(call.bmic(drive, 0x11), 0u);
    EXPECT_EQ(lastSent(), toHex(Image(44 + 512).hex(0, "1c000000 4f44584d26500000 b4000000 03000000 00000000 10020000")
                                    .hex(28, "02 11 04030201 00020000 0002").bytes()));
    EXPECT_EQ(toHex(call.data, 0, 1), "01");
    EXPECT_EQ(call.dwSenseLength, 0u);
    // The firmware's refusal comes back in ReturnCode.
    EXPECT_EQ(call.bmic(drive, 0x99), 0x80000005u);

    Call inquiry(96, 16);
    EXPECT_EQ(inquiry.scsi(drive, kInquiry), 0u);
    EXPECT_EQ(inquiry.data[0], 0x7F);
    EXPECT_EQ(lastSent(), toHex(Image(86 + 96).hex(0, "1c000000 4f44584d26500000 b4000000 04000000 00000000 9a000000")
                                    .hex(28, "050103 2c010000 00000000").u8(41, 6).hex(58, "120000006000").hex(82, "60000000")
                                    .bytes()));

    // READ(10) is translated; READ(6) goes out as a SCSI packet, which the
    // firmware refuses at this address: the refusal comes back in ReturnCode.
    Call read(512, 0);
    EXPECT_EQ(read.scsi(drive, kRead10), 0u);
    std::string in = lastSent();
    EXPECT_EQ(in.substr(2 * 16, 8), "03000000");
    EXPECT_EQ(in.substr(2 * 28, 2 * 12), "03" "20" "11223344" "00020000" "0001");
    EXPECT_EQ(read.scsi(drive, {0x08, 0, 0, 0, 1, 0}), 0x80000005u);
    EXPECT_EQ(lastSent().substr(2 * 16, 8), "04000000");

    // More than 65535 bytes is a misuse.
    Call huge(70000, 0);
    EXPECT_DEATH(huge.bmic(drive, 0x11), "dwIOBufferSize <= MAX_ODX_CMD_SIZE");
}

// (port, target, number) of each drive record; logical drives have no place.
std::vector<std::tuple<int, int, int>> drives(const EssentialDataList& records, std::uint32_t dwType)
{
    std::vector<std::tuple<int, int, int>> found;
    for (const auto& pRecord : records) {
        EXPECT_EQ(pRecord->eObjectType(), dwType);
        if (const auto* pPhysical = dynamic_cast<const PhysicalDriveEssentialData*>(pRecord.get()))
            found.emplace_back(pPhysical->drivePort(), pPhysical->driveTarget(), pPhysical->driveNumber());
        else if (const auto* pLogical = dynamic_cast<const LogicalDriveEssentialData*>(pRecord.get()))
            found.emplace_back(-1, -1, pLogical->driveNumber());
    }
    return found;
}

TEST_F(TransportOnMachine, DrivesUpToTheCountWithBlocksAndFromEitherPresenceMap)
{
    const auto ciss = createIoCtlCommandGroup(eCSMI_CISS);
    // Logical drives: port 0 has four, drive 4 unreadable, so every index is
    // asked; port 4 has three, found by drive 5. Drives without blocks count not.
    const struct {
        std::uint32_t dwPort;
        std::size_t nAsked;
    } logical[] = {{0, 32}, {4, 6}};
    for (const auto& c : logical) {
        SCOPED_TRACE(c.dwPort);
        const SchemaObjectEssentialData controller(c.dwPort, 0x8000, eCSMI_CISS);
        sent();
        EssentialDataList records;
        EXPECT_EQ(ciss->discoverLogicalDrives(controller, records, controller), 0u);
        EXPECT_EQ(drives(records, 0x8003), (std::vector<std::tuple<int, int, int>>{{-1, -1, 0}, {-1, -1, 2}, {-1, -1, 5}}));
        const std::vector<tsmtest::CapturedRequest> requests = sent();
        EXPECT_EQ(requests.size(), 1 + c.nAsked);
        // Blocks the transport builds itself: length most significant byte first, no value.
        EXPECT_EQ(requests[0].in.substr(2 * 38, 24), "0a00" "26" "00" "00000000" "11" "0200" "00");
        EXPECT_EQ(requests.back().in.substr(2 * 40, 14), "26" + toHex(std::vector<std::uint8_t>{
                                                                     static_cast<std::uint8_t>(c.nAsked - 1)}) + "0000000010");
    }
    const struct {
        std::uint32_t dwPort;
        std::uint32_t dwExpected;
        std::vector<std::tuple<int, int, int>> found;
    } physical[] = {
        {5, 0, {{0, 0, 0}, {1, 1, 8}, {3, 6, 27}}},   // 4 ports of 7 targets
        {0, 0, {{0, 0, 128}, {1, 11, 155}, {7, 15, 255}}},   // 16 drives per port
        {4, 3, {}},
        {10, 0x80000005, {}},
    };
    for (const auto& c : physical) {
        SCOPED_TRACE(c.dwPort);
        const SchemaObjectEssentialData controller(c.dwPort, 0x8000, eCSMI_CISS);
        EssentialDataList records;
        EXPECT_EQ(ciss->discoverPhysicalDrives(controller, records, controller), c.dwExpected);
        EXPECT_EQ(drives(records, 0x8005), c.found);
    }
}

TEST_F(TransportOnMachine, CissRemoteControllersAreTheMakersProductsOnly)
{
    const SchemaObjectEssentialData controller(0, 0x8000, eCSMI_CISS);
    EssentialDataList records;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->discoverRemoteControllers(controller, records), 0u);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->eObjectType(), 0x8007u);
    EXPECT_EQ(records[0]->eCommandType(), eCSMI_CISS);
    EXPECT_EQ(records[0]->port(), 0u);
    EXPECT_EQ(toHex(records[0]->lunAddress()), "0400004102000000");
    // Path: low six bits of entry byte 3; target: byte 0; LUN: byte 4.
    EXPECT_EQ(toHex(records[0]->address()), "010402");
    // The list asked for 8008 bytes (bytes 6 to 9 most significant first),
    // then an inquiry of 96 bytes at each of the four entries.
    const std::vector<tsmtest::CapturedRequest> requests = sent();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].in.substr(2 * 38, 2 * 12), "0c00" "c3000000000000001f48");
    for (std::size_t n = 1; n < 5; ++n)
        EXPECT_EQ(requests[n].in.substr(2 * 28, 2 * 18), "0" + std::to_string(n + 3) + "000041" + "0" +
                                                             std::to_string(n + 1) + "000000" "ffff" "06" "00" "120000006000");

    // Only the low byte of the list length counts: 33 entries are read as one.
    EssentialDataList many;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->discoverRemoteControllers(SchemaObjectEssentialData(6, 0x8000, eCSMI_CISS), many), 0u);
    EXPECT_EQ(many.size(), 1u);

    // Nothing behind port 5; the other transports have no remote controllers of this kind.
    EssentialDataList none;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->discoverRemoteControllers(SchemaObjectEssentialData(5, 0x8000, eCSMI_CISS), none), 3u);
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_I2O)->discoverRemoteControllers(controller, none), 3u);
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->discoverRemoteControllers(controller, none), 3u);
    EXPECT_TRUE(none.empty());
}

TEST_F(TransportOnMachine, CissRemoteIdentityRecord)
{
    // The record itself is read on the typical machine by the object model;
    // here a remote whose inquiry fails keeps vendor and product empty.
    const auto ciss = createIoCtlCommandGroup(eCSMI_CISS);
    SchemaObjectEssentialData remote(0, 0x8007, eCSMI_CISS);
    remote.setLunAddress({0x07, 0, 0, 0x41, 0x05, 0, 0, 0});
    std::array<std::uint8_t, 64> identity{};
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex(identity, 0, 32), "0c0003" + std::string(58, '0'));
    // The name reply's text from 44, in its 32 bytes; an inquiry of 95 bytes.
    remote.setLunAddress({0x04, 0, 0, 0x41, 0x02, 0, 0, 0});
    sent();
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex(identity), toHex(Image(64).hex(0, "0c0003").text(3, "ORVANE  ARRAYBOX 4400   ")
                                         .text(32, "SUBSYSTEM-SERIAL-0123456789ABCDE").bytes()));
    int inquiries = 0;
    for (const tsmtest::CapturedRequest& request : sent())
        inquiries += request.in.substr(2 * 38, 2 * 7) == "0600" "12000000" "5f" ? 1 : 0;
    EXPECT_EQ(inquiries, 1);

    SchemaObjectEssentialData failing(10, 0x8007, eCSMI_CISS);
    EXPECT_EQ(ciss->getRemoteIdentity(failing, identity.data(), identity.size()), 0x80000005u);
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_I2O)->getRemoteIdentity(remote, identity.data(), identity.size()), 3u);
}

TEST_F(TransportOnMachine, FibreIdentityFromWhicheverQueryAnswers)
{
    const auto fibre = createIoCtlCommandGroup(eCSMI_FIBRE);
    SchemaObjectEssentialData adapter(2, 0x8000, eCSMI_FIBRE);
    SchemaObjectEssentialData remote(2, 0x8007, eCSMI_SWITCH);
    remote.setAddress({2, 3, 0});
    SchemaObjectEssentialData plainAdapter(8, 0x8000, eCSMI_FIBRE);
    SchemaObjectEssentialData plainRemote(8, 0x8007, eCSMI_SWITCH);
    plainRemote.setAddress({1, 9, 4});
    const SchemaObjectEssentialData failingAdapter(12, 0x8000, eCSMI_FIBRE), failingRemote(12, 0x8007, eCSMI_SWITCH);
    const struct {
        const char* what;
        const SchemaObjectEssentialData& device;
        std::string identity;
        Image query;   // as sent
    } cases[] = {
        {"adapter attributes", adapter, "1000000000c0ffee" "2000000000c0ffee" "21" "abcdef",
         Image(128).hex(0, "1c000000 46434d2650000000 0a000000 0d000000 00000000 64000000")},
        {"port attributes", remote, "5000000000000001" "5000000000000002" "31" "010203",
         Image(124).hex(0, "1c000000 46434d2650000000 0a000000 0e000000 00000000 60000000").hex(28, "08000000 02020300")},
        // Without the management queries the name query answers instead.
        {"adapter name", plainAdapter, "6000000000000001" "6000000000000002" "41" "445566",
         Image(60).hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "ffffff")},
        {"remote name", plainRemote, "6000000000000001" "6000000000000002" "41" "445566",
         Image(60).hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "010904")},
        {"nothing answers the adapter", failingAdapter, "", Image()},
        {"nothing answers the remote", failingRemote, "", Image()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sent();
        std::array<std::uint8_t, 20> identity{};
        EXPECT_EQ(fibre->getRemoteIdentity(c.device, identity.data(), identity.size()), c.identity.empty() ? 0x80000007u : 0u);
        if (c.identity.empty())
            continue;
        EXPECT_EQ(toHex(identity), c.identity);
        EXPECT_EQ(sent().back().in, toHex(c.query.bytes()));
    }
}

}
