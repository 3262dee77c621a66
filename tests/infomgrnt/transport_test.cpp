// The transports. On a simulated machine (machines/transports.xml says what
// each port holds): BMIC and SCSI commands, drive and remote discovery and
// identities, the packet sent read back from the machine's capture against
// images written from the packet tables, and what the transport makes of the
// simulated drivers' replies. With a stand-in for the storage drivers, the
// edges no simulated driver produces: an unknown bus type, Fibre Channel
// inquiry data that needs a bigger buffer or points outside itself, a
// management query that never returns, and the time-limited calls that give
// such a query up.
#include "byteimage.h"
#include "capturefile.h"
#include "eventually.h"
#include "imxboundedcall.h"
#include "imxioctlfactory.h"
#include "standindrivers.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <optional>
#include <thread>
#include <tuple>

namespace {

using namespace InfoMgr;
using namespace std::chrono_literals;
using tsmtest::hexDigits;
using tsmtest::toHex;
using Image = tsmtest::ByteImage;
using StandIn = tsmtest::StandInDrivers;
using Bytes = std::vector<std::uint8_t>;

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
    // SCSI status, command status and sense length after a send.
    std::tuple<int, int, std::uint32_t> status() const { return {bScsiStatus, wCommandStatus, dwSenseLength}; }
    CommandBuffers buffers()
    {
        const auto orNull = [](std::vector<std::uint8_t>& bytes) { return bytes.empty() ? nullptr : bytes.data(); };
        return CommandBuffers{orNull(data),   &dwDataLength, orNull(sense),
                              &dwSenseLength, &bScsiStatus,  &wCommandStatus};
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
    std::uint32_t scsi(const SchemaObjectEssentialData& device, std::vector<std::uint8_t> cdb)
    {
        ScsiRequest request{&device, {}, static_cast<std::uint8_t>(cdb.size())};
        std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
        CommandBuffers b = buffers();
        return createIoCtlCommandGroup(device.eCommandType())->sendScsiCommand(request, 1, b);
    }
};

const std::vector<std::uint8_t> kRead10 = {0x28, 0, 0x11, 0x22, 0x33, 0x44, 0, 0x00, 0x01, 0};

class TransportOnMachine : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    // The requests sent since the last call.
    std::vector<tsmtest::CapturedRequest> sent()
    {
        std::vector<tsmtest::CapturedRequest> requests = capture->requests();
        capture.emplace(machine.root() + "/capture.jsonl");
        return requests;
    }
    std::string lastSent() { return sent().back().in; }

    tsmtest::TempMachine machine{TSM_SOURCE_DIR "/tests/infomgrnt/machines/transports.xml"};
    std::optional<tsmtest::CaptureFile> capture{std::in_place, machine.root() + "/capture.jsonl"};
};

TEST_F(TransportOnMachine, CissPacketAndReply)
{
    SchemaObjectEssentialData controller(0, 0x8000, eCSMI_CISS);
    Call identify(512, 16);
    EXPECT_EQ(identify.bmic(controller, 0x11), 0u);
    const Image packet = Image(148 + 512)
                             .hex(0, "1c000000 5a59524349535300 ffffffff 02000000 00000000 78020000")
                             .hex(28, "0000000000000000 ffff 0a")
                             .hex(40, "26 02 04030201 11 0002 00")
                             .hex(56, "01000000");
    EXPECT_EQ(lastSent(), toHex(packet.bytes()));
    // Four logical drives, the map flag of the big map, drive 128 present.
    EXPECT_EQ(toHex(identify.data, 0, 1) + toHex(identify.data, 54, 1), "0401");
    EXPECT_EQ(identify.status(), std::tuple(0, 0, 16u));

    // A refusal with 48 sense bytes: a smaller buffer gets only its room, a
    // larger one is clipped to 40, none at all reports 0.
    for (const auto& [nRoom, dwExpected] : {std::pair<std::size_t, std::uint32_t>{16, 16}, {64, 40}, {0, 0}}) {
        SCOPED_TRACE(nRoom);
        Call call(512, nRoom);
        call.dwSenseLength = nRoom == 0 ? 32 : static_cast<std::uint32_t>(nRoom);
        EXPECT_EQ(call.bmic(controller, 0x64), 0u);
        EXPECT_EQ(call.status(), std::tuple(2, 1, dwExpected));
        const std::size_t nShown = std::min<std::size_t>(dwExpected, 4);
        EXPECT_EQ(toHex(call.sense, 0, nShown), std::string("70000503").substr(0, 2 * nShown));
        EXPECT_EQ(toHex(call.sense, dwExpected), std::string(2 * (nRoom - dwExpected), 'c'));
        // The sense bytes after the key count up from 3: the fortieth is 39.
        EXPECT_TRUE(dwExpected < 40 || call.sense[39] == 39) << toHex(call.sense);
    }

    // A command without data says 4. (A SCSI read at a remote controller's
    // LUN address is the inquiry of remote discovery below; the object model
    // writes through this packet.)
    EXPECT_EQ(Call(0, 0).scsi(controller, {0, 0, 0, 0, 0, 0}), 0u);
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
        EXPECT_EQ(std::tie(call.data, call.sense, call.dwSenseLength),
                  std::tuple(Bytes(512, 0xCC), Bytes(32, 0xCC), 32u));
    }
    for (CommandType eType : types)
        EXPECT_EQ(Call(512, 32).bmic(SchemaObjectEssentialData(9, 0x8000, eType), 0x11), 0x80000007u);
}

TEST_F(TransportOnMachine, I2OBmicCountsSectorsAndReportsItsStatusAsSense)
{
    const SchemaObjectEssentialData controller(1, 0x8000, eCSMI_I2O);
    Call call(512, 32);
    EXPECT_EQ(call.bmic(controller, 0x11), 0u);
    const Image packet = Image(92 + 512)
                             .hex(0, "1c000000 5a5952424d494300 ffffffff 01000000 00000000 40020000")
                             .hex(28, "02 11 0100 04030201");
    EXPECT_EQ(lastSent(), toHex(packet.bytes()));
    // One logical drive; drive 1 in the map at 18.
    EXPECT_EQ(toHex(call.data, 0, 1) + toHex(call.data, 18, 4), "0102000000");
    // The status word: its low byte is the SCSI status and the one sense byte.
    EXPECT_EQ(call.bmic(controller, 0x64), 0u);
    EXPECT_EQ(std::tuple(call.status(), toHex(call.sense, 0, 2)), std::tuple(std::tuple(2, 0x0102, 17u), "0200"));

    // Below 512 bytes the count is the byte count; the reply gets the room given.
    for (const auto& [dwLength, pszCount] : {std::pair{200u, "c800"}, {511u, "ff01"}, {1024u, "0200"}, {0u, "0000"}}) {
        SCOPED_TRACE(dwLength);
        Call sized(dwLength, 8);
        EXPECT_EQ(sized.bmic(controller, 0x11), 0u);
        const std::string in = lastSent();
        EXPECT_EQ(std::tuple(in.substr(2 * 30, 4), in.size(), sized.dwSenseLength),
                  std::tuple(pszCount, 2 * (92u + dwLength), 8u));
    }
}

TEST_F(TransportOnMachine, I2OScsiPacketAndReadTranslation)
{
    SchemaObjectEssentialData drive(1, 0x8005, eCSMI_I2O);
    drive.setAddress({1, 5, 3});
    Call call(64, 64);
    EXPECT_EQ(call.scsi(drive, {0x1A, 0, 0x3F, 0, 64, 0}), 0u);
    const Image packet = Image(124 + 64)
                             .hex(0, "1c000000 5a595242 4d494300 ffffffff 02000000 00000000 a0000000")
                             .hex(28, "01 05 00 06 1a003f004000")
                             .hex(48, "ffffffff 00000000");
    EXPECT_EQ(lastSent(), toHex(packet.bytes()));
    // The reply frame from 92, clipped to 32: command status, SCSI status at
    // 13, 18 bytes of sense; no data.
    EXPECT_EQ(call.status(), std::tuple(2, 1, 32u));
    EXPECT_EQ(toHex(call.sense, 0, 32),
              "0100" + std::string(22, '0') + hexDigits("02 700005000000001000000000240000000000"));
    EXPECT_EQ(call.data, std::vector<std::uint8_t>(64, 0));

    // READ(10) and READ(6) become read-logical-drive BMIC commands to the LUN byte.
    for (std::uint8_t bOpcode : {std::uint8_t{0x28}, std::uint8_t{0x08}}) {
        SCOPED_TRACE(static_cast<int>(bOpcode));
        std::vector<std::uint8_t> cdb = kRead10;
        cdb[0] = bOpcode;
        Call read(512, 0);
        EXPECT_EQ(read.scsi(drive, cdb), 0u);
        EXPECT_EQ(lastSent().substr(0, 2 * 36),
                  hexDigits("1c000000 5a5952424d494300 ffffffff 01000000 00000000 40020000 03 20 0100 11223344"));
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
    EXPECT_EQ(requests[0].in, toHex(Image(44)
                                        .hex(0, "1c000000 5a59524643000000 ffffffff 01000000 00000000 10000000")
                                        .hex(28, "020300")
                                        .bytes()));
    // The handle (the first remote's) and the ids of the address query's reply.
    EXPECT_EQ(requests[1].in, toHex(Image(148 + 512)
                                        .hex(0, "1c000000 5a59524643000000 ffffffff 02000000 00000000 78020000")
                                        .hex(28, "01000000 4107 000000000000 0a 02 03 00")
                                        .hex(44, "26 02 04030201 11 0002 00")
                                        .hex(60, "01000000")
                                        .bytes()));
    EXPECT_EQ(std::tuple(call.status(), call.data[0]), std::tuple(std::tuple(0, 0, 40u), 0));
    // A refusal with 48 sense bytes: 40 of them.
    EXPECT_EQ(call.bmic(device, 0x64), 0u);
    EXPECT_EQ(std::tuple(call.status(), call.sense[39]), std::tuple(std::tuple(2, 1, 40u), 39));

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
    EXPECT_EQ(lastSent(), toHex(Image(44 + 512)
                                    .hex(0, "1c000000 4f44584d26500000 b4000000 03000000 00000000 10020000")
                                    .hex(28, "02 11 04030201 00020000 0002")
                                    .bytes()));
    EXPECT_EQ(toHex(call.data, 0, 1), "01");
    EXPECT_EQ(call.dwSenseLength, 0u);
    // The firmware's refusal comes back in ReturnCode.
    EXPECT_EQ(call.bmic(drive, 0x99), 0x80000005u);

    Call inquiry(96, 16);
    EXPECT_EQ(inquiry.scsi(drive, {0x12, 0, 0, 0, 0x60, 0}), 0u);
    EXPECT_EQ(inquiry.data[0], 0x7F);
    EXPECT_EQ(lastSent(), toHex(Image(86 + 96)
                                    .hex(0, "1c000000 4f44584d26500000 b4000000 04000000 00000000 9a000000")
                                    .hex(28, "050103 2c010000 00000000")
                                    .u8(41, 6)
                                    .hex(58, "120000006000")
                                    .hex(82, "60000000")
                                    .bytes()));

    // READ(10) is translated; READ(6) goes out as a SCSI packet, which the
    // firmware refuses at this address: the refusal comes back in ReturnCode.
    Call read(512, 0);
    EXPECT_EQ(read.scsi(drive, kRead10), 0u);
    std::string in = lastSent();
    EXPECT_EQ(in.substr(2 * 16, 8), "03000000");
    EXPECT_EQ(in.substr(2 * 28, 2 * 12), hexDigits("03 20 11223344 00020000 0001"));
    EXPECT_EQ(read.scsi(drive, {0x08, 0, 0, 0, 1, 0}), 0x80000005u);
    EXPECT_EQ(lastSent().substr(2 * 16, 8), "04000000");

    // More than 65535 bytes is a misuse.
    Call huge(70000, 0);
    EXPECT_DEATH(huge.bmic(drive, 0x11), "dwIOBufferSize <= MAX_ODX_CMD_SIZE");
}

// Port, object type, command type and address bytes of each record.
std::vector<std::string> identities(const EssentialDataList& records)
{
    std::vector<std::string> found;
    for (const auto& pRecord : records) {
        char text[48];
        std::snprintf(text, sizeof text, "port %u type %#x command %d at ", pRecord->port(),
                      static_cast<unsigned>(pRecord->eObjectType()), static_cast<int>(pRecord->eCommandType()));
        found.push_back(text + toHex(pRecord->address()));
    }
    return found;
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
    for (const auto& [dwPort, nAsked] : {std::pair<std::uint32_t, std::size_t>{0, 32}, {4, 6}}) {
        SCOPED_TRACE(dwPort);
        const SchemaObjectEssentialData controller(dwPort, 0x8000, eCSMI_CISS);
        sent();
        EssentialDataList records;
        EXPECT_EQ(ciss->discoverLogicalDrives(controller, records, controller), 0u);
        EXPECT_EQ(drives(records, 0x8003),
                  (std::vector<std::tuple<int, int, int>>{{-1, -1, 0}, {-1, -1, 2}, {-1, -1, 5}}));
        const std::vector<tsmtest::CapturedRequest> requests = sent();
        EXPECT_EQ(requests.size(), 1 + nAsked);
        // Blocks the transport builds itself: length most significant byte first, no value.
        EXPECT_EQ(requests[0].in.substr(2 * 38, 24), hexDigits("0a00 26 00 00000000 11 0200 00"));
        EXPECT_EQ(requests.back().in.substr(2 * 40, 14),
                  "26" + toHex(std::vector<std::uint8_t>{static_cast<std::uint8_t>(nAsked - 1)}) + "0000000010");
    }
    const struct {
        std::uint32_t dwPort;
        std::uint32_t dwExpected;
        std::vector<std::tuple<int, int, int>> found;
    } physical[] = {
        {5, 0, {{0, 0, 0}, {1, 1, 8}, {3, 6, 27}}}, // 4 ports of 7 targets
        {0, 0, {{0, 0, 128}, {1, 11, 155}, {7, 15, 255}}}, // 16 drives per port
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

TEST_F(TransportOnMachine, CissRemoteControllersAreTheMakersProductsOnlyAndHaveIdentities)
{
    const auto ciss = createIoCtlCommandGroup(eCSMI_CISS);
    const SchemaObjectEssentialData controller(0, 0x8000, eCSMI_CISS);
    EssentialDataList records;
    EXPECT_EQ(ciss->discoverRemoteControllers(controller, records), 0u);
    // Path: low six bits of entry byte 3; target: byte 0; LUN: byte 4.
    ASSERT_EQ(identities(records), std::vector<std::string>{"port 0 type 0x8007 command 0 at 010402"});
    EXPECT_EQ(toHex(records[0]->lunAddress()), "0400004102000000");
    // The list asked for 8008 bytes (bytes 6 to 9 most significant first),
    // then an inquiry of 96 bytes at each of the four entries.
    const std::vector<tsmtest::CapturedRequest> requests = sent();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].in.substr(2 * 38, 2 * 12), hexDigits("0c00 c3000000000000001f48"));
    for (std::size_t n = 1; n < 5; ++n)
        EXPECT_EQ(requests[n].in.substr(2 * 28, 2 * 18),
                  hexDigits("0" + std::to_string(n + 3) + "000041 0" + std::to_string(n + 1) +
                            "000000 ffff 06 00 120000006000"));

    // Only the low byte of the list length counts: 33 entries are read as one.
    EssentialDataList many;
    EXPECT_EQ(ciss->discoverRemoteControllers(SchemaObjectEssentialData(6, 0x8000, eCSMI_CISS), many), 0u);
    EXPECT_EQ(many.size(), 1u);

    // Nothing behind port 5; the other transports have no remote controllers of this kind.
    EssentialDataList none;
    EXPECT_EQ(ciss->discoverRemoteControllers(SchemaObjectEssentialData(5, 0x8000, eCSMI_CISS), none), 3u);
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_I2O)->discoverRemoteControllers(controller, none), 3u);
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->discoverRemoteControllers(controller, none), 3u);
    EXPECT_TRUE(none.empty());

    // Identity records: the record itself is read on the typical machine by
    // the object model; here a remote whose inquiry fails keeps vendor and
    // product empty.
    SchemaObjectEssentialData remote(0, 0x8007, eCSMI_CISS);
    remote.setLunAddress({0x07, 0, 0, 0x41, 0x05, 0, 0, 0});
    std::array<std::uint8_t, 64> identity{};
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex(identity, 0, 32), "0c0003" + std::string(58, '0'));
    // A whole 32-byte name from 44 (the record the object model reads of the
    // typical machine's remote pins the other fields); an inquiry of 95 bytes.
    remote.setLunAddress({0x04, 0, 0, 0x41, 0x02, 0, 0, 0});
    sent();
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(std::string(identity.begin() + 32, identity.end()), "SUBSYSTEM-SERIAL-0123456789ABCDE");
    int inquiries = 0;
    for (const tsmtest::CapturedRequest& request : sent())
        inquiries += request.in.substr(2 * 38, 2 * 7) == hexDigits("0600 12000000 5f") ? 1 : 0;
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
        Image query; // as sent
    } cases[] = {
        {"adapter attributes", adapter, "1000000000c0ffee 2000000000c0ffee 21 abcdef",
         Image(128).hex(0, "1c000000 46434d2650000000 0a000000 0d000000 00000000 64000000")},
        {"port attributes", remote, "5000000000000001 5000000000000002 31 010203",
         Image(124)
             .hex(0, "1c000000 46434d2650000000 0a000000 0e000000 00000000 60000000")
             .hex(28, "08000000 02020300")},
        // Without the management queries the name query answers instead.
        {"adapter name", plainAdapter, "6000000000000001 6000000000000002 41 445566",
         Image(60).hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "ffffff")},
        {"remote name", plainRemote, "6000000000000001 6000000000000002 41 445566",
         Image(60).hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "010904")},
        {"nothing answers the adapter", failingAdapter, "", Image()},
        {"nothing answers the remote", failingRemote, "", Image()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sent();
        std::array<std::uint8_t, 20> identity{};
        EXPECT_EQ(fibre->getRemoteIdentity(c.device, identity.data(), identity.size()),
                  c.identity.empty() ? 0x80000007u : 0u);
        if (c.identity.empty())
            continue;
        EXPECT_EQ(toHex(identity), hexDigits(c.identity));
        EXPECT_EQ(sent().back().in, toHex(c.query.bytes()));
    }
}

// Answers packets by the control code at 16 ("ZYRFC" 1 and 2 differ only
// there), copying the reply's body over the request's from offset 28.
StandIn::Answer byControlCode(std::map<std::uint32_t, Image> replies)
{
    return [replies](std::uint32_t, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        const auto it = buffer.size() >= 28 ? replies.find(buffer[16]) : replies.end();
        if (it == replies.end())
            return false;
        for (std::size_t n = 28; n < std::min(buffer.size(), it->second.bytes().size()); ++n)
            buffer[n] = it->second.bytes()[n];
        dwReturned = static_cast<std::uint32_t>(buffer.size());
        return true;
    };
}

TEST(TransportStandIn, UnknownBusTypeIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    tsmtest::TempMachine machine;
    // Configuration record with bus type 1 (neither EISA nor PCI) at 47.
    StandIn drivers(8, byControlCode({{2, Image(196).hex(40, "f1a7014c").u8(46, 4).u8(47, 1)}}));
    const SchemaObjectEssentialData ciss(0, 0x8000, eCSMI_CISS);
    BusInfoRecord busInfo{};
    EXPECT_DEATH(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, busInfo),
                 "configBuffer.CntlrConfiguration.bIoBusType == 3");
}

// The adapter bus information of a port's inquiry data: bus count, 8-byte
// bus entries from offset 4 (unit count, offset of the first unit at +4),
// unit records (path, target, LUN, next offset at 8, inquiry data at 12).
Image fibreInquiryData()
{
    Image data(176);
    data.u8(0, 2);
    data.u8(4, 2).le32(8, 32);
    data.u8(12, 1).le32(16, 128);
    data.hex(32, "000100").le32(40, 80).u8(44, 0x0C); // array controller
    data.hex(80, "000200").le32(88, 0).u8(92, 0x2D); // enclosure services (qualifier bits set)
    data.hex(128, "010300").le32(136, 0).u8(140, 0x00); // a disk: not kept
    return data;
}

// Answers the rescan, then the inquiry data once the buffer holds dwNeeded;
// the sizes of the buffers offered go to sizes.
StandIn::Answer inquiryPort(const Image& data, std::uint32_t dwNeeded, std::vector<std::uint32_t>& sizes,
                            std::uint32_t dwReturned = 0)
{
    return [data, dwNeeded, &sizes, dwReturned](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer,
                                                std::uint32_t& dwBytes) {
        if (dwCode == 0x0004101C)
            return true;
        if (dwCode != 0x0004100C)
            return false;
        sizes.push_back(static_cast<std::uint32_t>(buffer.size()));
        if (buffer.size() < dwNeeded)
            return false;
        std::copy(data.bytes().begin(), data.bytes().end(), buffer.begin());
        dwBytes = dwReturned != 0 ? dwReturned : static_cast<std::uint32_t>(data.bytes().size());
        return true;
    };
}

TEST(TransportStandIn, FibreRemoteControllersFromTheInquiryData)
{
    tsmtest::TempMachine machine;
    const auto fibre = createIoCtlCommandGroup(eCSMI_FIBRE);
    const SchemaObjectEssentialData adapter(2, 0x8000, eCSMI_FIBRE);
    std::vector<std::uint32_t> sizes;
    StandIn drivers(8, inquiryPort(fibreInquiryData(), 40000, sizes));
    EssentialDataList records;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, records), 0u);
    EXPECT_EQ(identities(records), (std::vector<std::string>{"port 2 type 0x8007 command 2 at 000100",
                                                             "port 2 type 0x8007 command 3 at 000200"}));
    // The buffer grows by 16384 while the call fails.
    EXPECT_EQ(sizes, (std::vector<std::uint32_t>{16384, 32768, 49152}));

    // Never large enough below 131072: seven tries, nothing found.
    sizes.clear();
    drivers.m_answer = inquiryPort(fibreInquiryData(), 131072, sizes);
    EssentialDataList none;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    EXPECT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes.back(), 114688u);

    // A reply that ends before the second bus's unit keeps what lies inside
    // it, and the bus entries it claims past its end (the seventeenth points
    // back at the first unit) are not read; offsets that point outside the
    // reply or loop are not followed.
    const struct {
        Image data;
        std::uint32_t dwReturned;
        std::size_t nFound;
    } bounds[] = {{fibreInquiryData().u8(0, 17).u8(132, 1).le32(136, 32), 130, 2},
                  {fibreInquiryData().le32(40, 32).u8(4, 200).le32(16, 0xFFFFFFF0), 0, 200}};
    for (const auto& b : bounds) {
        SCOPED_TRACE(b.nFound);
        drivers.m_answer = inquiryPort(b.data, 0, sizes, b.dwReturned);
        EssentialDataList found;
        EXPECT_EQ(fibre->discoverRemoteControllers(adapter, found), 0u);
        EXPECT_EQ(found.size(), b.nFound);
    }

    // The rescan failing gives 3; no port, 0x80000009.
    drivers.m_answer = [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t&) { return false; };
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    EXPECT_EQ(fibre->discoverRemoteControllers(SchemaObjectEssentialData(8, 0x8000, eCSMI_FIBRE), none), 0x80000009u);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(drivers.openHandles(), 0);
}

TEST(TransportStandIn, HangingManagementQueryIsAbandonedAfterItsTimeout)
{
    tsmtest::TempMachine machine;
    // The abandoned call still runs when the test ends, so its stand-in stays.
    static StandIn drivers(
        8,
        byControlCode({{3, Image(60).hex(32, "6000000000000001 6000000000000002").le32(48, 0x00445566).u8(52, 0x41)}}));
    setDeviceChannel(&drivers);
    const StandIn::Answer name = drivers.m_answer;
    drivers.m_answer = [name](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        if (buffer[16] == 14)
            std::this_thread::sleep_for(std::chrono::seconds(12));
        return name(dwCode, buffer, dwReturned);
    };
    SchemaObjectEssentialData remote(2, 0x8007, eCSMI_FIBRE);
    remote.setAddress({0, 7, 1});
    std::array<std::uint8_t, 20> identity{};
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t dwResult =
        createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(remote, identity.data(), identity.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    setDeviceChannel(nullptr);
    // The port-attributes query names 10 seconds; the name query then answers.
    EXPECT_EQ(dwResult, 0u);
    EXPECT_TRUE(seconds >= 9.9 && seconds < 11.5) << seconds;
    EXPECT_EQ(toHex(identity), hexDigits("6000000000000001 6000000000000002 41 445566"));
}

TEST(BoundedCall, WorkersAreReusedAndAnOverrunDoesNotBlockTheNextCall)
{
    // Kernel thread ids: unlike library thread ids, not handed out again soon.
    pid_t first = 0, second = 0;
    EXPECT_TRUE(InfoMgr::runWithTimeLimit([&] { first = ::gettid(); }, 1s));
    EXPECT_TRUE(InfoMgr::runWithTimeLimit([&] { second = ::gettid(); }, 1s));
    EXPECT_EQ(first, second);
    EXPECT_NE(first, ::gettid());

    // A call that never answers in time: given up after its limit, while the
    // next call gets a worker of its own and the overrun ends on its own.
    auto release = std::make_shared<std::promise<void>>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(InfoMgr::runWithTimeLimit(
        [wait = release->get_future().share(), finished] {
            wait.wait();
            *finished = true;
        },
        1s));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
    pid_t third = 0;
    EXPECT_TRUE(InfoMgr::runWithTimeLimit([&] { third = ::gettid(); }, 1s));
    EXPECT_NE(third, first);
    release->set_value();
    EXPECT_TRUE(tsmtest::eventually([&] { return finished->load(); }, 2s));
}

}
