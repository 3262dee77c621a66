// Drive discovery, remote controllers and identities through the transports,
// answered by stand-in drivers with hand-made reply images.
#include "transport_fakedrivers.h"

#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

namespace {

using namespace InfoMgr;
using namespace xporttest;

// A CISS port whose firmware answers by the command in the packet: BMIC
// opcode at packet offset 46 with the drive index at 41, or the SCSI opcode
// at 40 for the LUN address at 28; the answer fills the data area at 148.
using CissFirmware = std::function<bool(const std::vector<std::uint8_t>& packet, Image& reply)>;

PortAnswer cissPort(CissFirmware firmware)
{
    return [firmware](std::uint32_t, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        Image reply(buffer.size());
        if (buffer.size() < 148 || !firmware(buffer, reply))
            return false;
        for (std::size_t n = 148; n < std::min(buffer.size(), reply.bytes().size()); ++n)
            buffer[n] = reply.bytes()[n];
        dwReturned = static_cast<std::uint32_t>(buffer.size());
        return true;
    };
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

class TransportDiscovery : public ::testing::Test {
protected:
    tsmtest::TempMachine machine;
    FakeDrivers drivers;
    const SchemaObjectEssentialData controller{0, 0x8000, eCSMI_CISS};
    const SchemaObjectEssentialData adapter{2, 0x8000, eCSMI_FIBRE};
    const std::unique_ptr<IoCtlCommandGroup> ciss = createIoCtlCommandGroup(eCSMI_CISS);
    const std::unique_ptr<IoCtlCommandGroup> fibre = createIoCtlCommandGroup(eCSMI_FIBRE);
};

TEST_F(TransportDiscovery, LogicalDrivesUpToTheCountWithBlocks)
{
    std::vector<int> asked;
    drivers.setPort(0, cissPort([&](const std::vector<std::uint8_t>& packet, Image& reply) {
        if (packet[46] == 0x11) {
            reply.u8(148, 3);   // three configured logical drives
            return true;
        }
        asked.push_back(packet[41]);
        // Drives 1 and 3 have no blocks, 4 fails; the third drive is 5.
        reply.le32(150, packet[41] == 1 || packet[41] == 3 ? 0 : 1000);
        return packet[46] == 0x10 && packet[41] != 4;
    }));
    EssentialDataList records;
    EXPECT_EQ(ciss->discoverLogicalDrives(controller, records, controller), 0u);
    EXPECT_EQ(drives(records, 0x8003), (std::vector<std::tuple<int, int, int>>{{-1, -1, 0}, {-1, -1, 2}, {-1, -1, 5}}));
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // Blocks the transport builds itself: length most significant byte first, no value.
    EXPECT_EQ(hexOf(drivers.requests[0].in, 38, 12), "0a00" "26" "00" "00000000" "11" "0200" "00");
    EXPECT_EQ(drivers.requests[0].in.size(), 660u);
}

TEST_F(TransportDiscovery, PhysicalDrivesFromEitherPresenceMap)
{
    Image identify;
    drivers.setPort(0, cissPort([&](const std::vector<std::uint8_t>& packet, Image& reply) {
        reply = identify;
        return packet[46] == 0x11;
    }));
    const struct {
        const char* what;
        Image identify;
        std::uint32_t dwExpected;
        std::vector<std::tuple<int, int, int>> found;
    } cases[] = {
        {"4 ports of 7 targets: bits 0, 8 and 27", Image(660).hex(148 + 18, "01010008"), 0, {{0, 0, 0}, {1, 1, 8}, {3, 6, 27}}},
        // The old map is ignored with this addressing.
        {"16 drives per port: port 0 target 0, port 1 target 11, port 7 target 15",
         Image(660).u8(148 + 53, 16).u8(148 + 54, 0x01).u8(148 + 57, 0x08).u8(148 + 69, 0x80).hex(148 + 18, "ffffffff"),
         0, {{0, 0, 128}, {1, 11, 155}, {7, 15, 255}}},
        {"no drives", Image(660), 3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        identify = c.identify;
        EssentialDataList records;
        EXPECT_EQ(ciss->discoverPhysicalDrives(controller, records, controller), c.dwExpected);
        EXPECT_EQ(drives(records, 0x8005), c.found);
    }
    drivers.setPort(0, failing());
    EssentialDataList none;
    EXPECT_EQ(ciss->discoverPhysicalDrives(controller, none, controller), 0x80000005u);
    EXPECT_TRUE(none.empty());
}

TEST_F(TransportDiscovery, CissRemoteControllersAreTheMakersProductsOnly)
{
    int inquiries = 0;
    std::uint8_t bListLength = 24;
    drivers.setPort(0, cissPort([&](const std::vector<std::uint8_t>& packet, Image& reply) {
        if (packet[40] == 0xC3) {
            reply.u8(151, bListLength);
            reply.hex(156, "0400004102000000");   // kept
            reply.hex(164, "0500004103000000");   // another product
            reply.hex(172, "0600004104000000");   // another maker
            // Allocation length 8008 in bytes 6 to 9, most significant first.
            return hexOf(packet, 46, 4) == "00001f48" && packet[38] == 12;
        }
        ++inquiries;
        const std::uint8_t bTarget = packet[28];
        reply.text(148 + 8, bTarget == 6 ? "OTHERCO " : "ORVANE  ");
        reply.text(148 + 16, bTarget == 5 ? "ARRAYBOX 4401   " : "ARRAYBOX 4400   ");
        return packet[40] == 0x12 && packet[38] == 6 && packet[44] == 96;
    }));
    EssentialDataList records;
    EXPECT_EQ(ciss->discoverRemoteControllers(controller, records), 0u);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->eObjectType(), 0x8007u);
    EXPECT_EQ(records[0]->eCommandType(), eCSMI_CISS);
    EXPECT_EQ(records[0]->port(), 0u);
    EXPECT_EQ(hexOf(records[0]->lunAddress()), "0400004102000000");
    // Path: low six bits of entry byte 3; target: byte 0; LUN: byte 4.
    EXPECT_EQ(hexOf(records[0]->address()), "010402");
    EXPECT_EQ(inquiries, 3);

    // Only the low byte of the length counts: 0xFF examines 31 entries.
    bListLength = 0xFF;
    inquiries = 0;
    EssentialDataList many;
    EXPECT_EQ(ciss->discoverRemoteControllers(controller, many), 0u);
    EXPECT_EQ(inquiries, 31);

    bListLength = 0;
    EssentialDataList none;
    EXPECT_EQ(ciss->discoverRemoteControllers(controller, none), 3u);
    // The I2O and legacy transports have no remote controllers.
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_I2O)->discoverRemoteControllers(controller, none), 3u);
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->discoverRemoteControllers(controller, none), 3u);
    EXPECT_TRUE(none.empty());
}

TEST_F(TransportDiscovery, CissRemoteIdentityRecord)
{
    SchemaObjectEssentialData remote(0, 0x8007, eCSMI_CISS);
    remote.setLunAddress({4, 0, 0, 0x41, 2, 0, 0, 0});
    bool bInquiryAnswers = true;
    drivers.setPort(0, cissPort([&](const std::vector<std::uint8_t>& packet, Image& reply) {
        if (packet[46] == 0x66 && packet[40] == 0x26) {
            reply.text(148 + 44, "SUBSYSTEM-NAME-0123456789ABCDEFGHIJ");
            return true;
        }
        reply.text(148 + 8, "ORVANE  ARRAYBOX 4400   ");
        return packet[40] == 0x12 && packet[44] == 95 && bInquiryAnswers;
    }));
    std::array<std::uint8_t, 64> identity{};
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(hexOf(identity), toHex(Image(64).hex(0, "0c00 03").text(3, "ORVANE  ARRAYBOX 4400   ")
                                         .text(32, "SUBSYSTEM-NAME-0123456789ABCDEFG").bytes()));

    // Without an inquiry answer the vendor and product stay empty.
    bInquiryAnswers = false;
    identity.fill(0);
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(hexOf(identity, 0, 12), "0c0003000000000000000000");

    drivers.setPort(0, failing());
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0x80000005u);
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_I2O)->getRemoteIdentity(remote, identity.data(), identity.size()), 3u);
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
    data.hex(32, "000100").le32(40, 80).u8(44, 0x0C);   // array controller
    data.hex(80, "000200").le32(88, 0).u8(92, 0x2D);    // enclosure services (qualifier bits set)
    data.hex(128, "010300").le32(136, 0).u8(140, 0x00); // a disk: not kept
    return data;
}

// Answers the rescan, then the inquiry data once the buffer holds dwNeeded.
PortAnswer inquiryPort(const Image& data, std::uint32_t dwNeeded, std::vector<std::uint32_t>& sizes,
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

TEST_F(TransportDiscovery, FibreRemoteControllersFromTheInquiryData)
{
    std::vector<std::uint32_t> sizes;
    drivers.setPort(2, inquiryPort(fibreInquiryData(), 40000, sizes));
    EssentialDataList records;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, records), 0u);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->eCommandType(), eCSMI_FIBRE);
    EXPECT_EQ(hexOf(records[0]->address()), "000100");
    EXPECT_EQ(records[1]->eCommandType(), eCSMI_SWITCH);
    EXPECT_EQ(hexOf(records[1]->address()), "000200");
    for (const auto& pRecord : records) {
        EXPECT_EQ(pRecord->eObjectType(), 0x8007u);
        EXPECT_EQ(pRecord->port(), 2u);
    }
    // The buffer grows by 16384 while the call fails.
    EXPECT_EQ(sizes, (std::vector<std::uint32_t>{16384, 32768, 49152}));
    EXPECT_EQ(drivers.requests.front().dwCode, 0x0004101Cu);

    // Never large enough below 131072: seven tries, nothing found.
    sizes.clear();
    drivers.setPort(2, inquiryPort(fibreInquiryData(), 131072, sizes));
    EssentialDataList none;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    EXPECT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes.back(), 114688u);

    // A reply that ends before the second bus's unit keeps what lies inside
    // it; offsets that point outside the reply or loop are not followed.
    const struct {
        Image data;
        std::uint32_t dwReturned;
        std::size_t nFound;
    } bounds[] = {{fibreInquiryData(), 130, 2}, {fibreInquiryData().le32(40, 32).u8(4, 200).le32(16, 0xFFFFFFF0), 0, 200}};
    for (const auto& b : bounds) {
        SCOPED_TRACE(b.nFound);
        drivers.setPort(2, inquiryPort(b.data, 0, sizes, b.dwReturned));
        EssentialDataList found;
        EXPECT_EQ(fibre->discoverRemoteControllers(adapter, found), 0u);
        EXPECT_EQ(found.size(), b.nFound);
    }

    // The rescan failing gives 3; no port, 0x80000009.
    drivers.setPort(2, failing());
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    EXPECT_EQ(fibre->discoverRemoteControllers(SchemaObjectEssentialData(8, 0x8000, eCSMI_FIBRE), none), 0x80000009u);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(drivers.liveHandles(), 0);
}

TEST_F(TransportDiscovery, FibreIdentityFromWhicheverQueryAnswers)
{
    SchemaObjectEssentialData remote(2, 0x8007, eCSMI_SWITCH);
    remote.setAddress({1, 9, 4});
    const PortAnswer adapterAttributes = bodyReply(
        Image(128).u8(40, 0x21).hex(42, "1000000000c0ffee 2000000000c0ffee").le32(60, 0x12ABCDEF).bytes());
    const PortAnswer portAttributes = bodyReply(
        Image(124).hex(36, "5000000000000001 5000000000000002").u8(52, 0x31).le32(56, 0x00010203).bytes());
    const PortAnswer name = bodyReply(
        Image(60).hex(32, "6000000000000001 6000000000000002").le32(48, 0x00445566).u8(52, 0x41).bytes());
    const PortAnswer all = byPacket({{{"FCM&P", 13}, adapterAttributes}, {{"FCM&P", 14}, portAttributes},
                                     {{"ZYRFC", 3}, name}});
    const PortAnswer nameOnly = byPacket({{{"ZYRFC", 3}, name}});
    const struct {
        const char* what;
        PortAnswer port;
        const SchemaObjectEssentialData& device;
        std::string identity;
        Image query;   // as sent
    } cases[] = {
        {"adapter attributes", all, adapter, "1000000000c0ffee" "2000000000c0ffee" "21" "abcdef",
         Image(128).hex(0, "1c000000 46434d2650000000 0a000000 0d000000 00000000 64000000")},
        {"port attributes", all, remote, "5000000000000001" "5000000000000002" "31" "010203",
         Image(124).hex(0, "1c000000 46434d2650000000 0a000000 0e000000 00000000 60000000").hex(28, "08000000 02010904")},
        // The management queries fail: the name query answers instead.
        {"adapter name", nameOnly, adapter, "6000000000000001" "6000000000000002" "41" "445566",
         Image(60).hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "ffffff")},
        {"remote name", nameOnly, remote, "6000000000000001" "6000000000000002" "41" "445566",
         Image(60).hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "010904")},
        {"nothing answers the adapter", failing(), adapter, "", Image()},
        {"nothing answers the remote", failing(), remote, "", Image()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        drivers.setPort(2, c.port);
        drivers.requests.clear();
        std::array<std::uint8_t, 20> identity{};
        EXPECT_EQ(fibre->getRemoteIdentity(c.device, identity.data(), identity.size()),
                  c.identity.empty() ? 0x80000007u : 0u);
        if (c.identity.empty())
            continue;
        EXPECT_EQ(hexOf(identity), c.identity);
        EXPECT_EQ(hexOf(drivers.requests.back().in), hexOf(c.query.bytes()));
    }
}

TEST(TransportTimeout, HangingManagementQueryIsAbandonedAfterItsTimeout)
{
    tsmtest::TempMachine machine;
    // The abandoned call still runs when the test ends, so its drivers stay.
    static FakeDrivers* const pDrivers = new FakeDrivers;
    InfoMgr::setDeviceChannel(pDrivers);
    Image name(60);
    name.hex(32, "6000000000000001 6000000000000002").le32(48, 0x00445566).u8(52, 0x41);
    const PortAnswer hang = [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t&) {
        std::this_thread::sleep_for(std::chrono::seconds(12));
        return false;
    };
    pDrivers->setPort(2, byPacket({{{"FCM&P", 14}, hang}, {{"ZYRFC", 3}, bodyReply(name.bytes())}}));
    SchemaObjectEssentialData remote(2, 0x8007, eCSMI_FIBRE);
    remote.setAddress({0, 7, 1});
    std::array<std::uint8_t, 20> identity{};
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t dwResult =
        createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(remote, identity.data(), identity.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    InfoMgr::setDeviceChannel(nullptr);
    // The port-attributes query names 10 seconds; the name query then answers.
    EXPECT_EQ(dwResult, 0u);
    EXPECT_GE(seconds, 9.9);
    EXPECT_LT(seconds, 11.5);
    EXPECT_EQ(hexOf(identity), "6000000000000001" "6000000000000002" "41" "445566");
}

}
