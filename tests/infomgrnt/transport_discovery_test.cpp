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
using xporttest::bodyReply;
using xporttest::byPacket;
using xporttest::failing;
using xporttest::FakeDrivers;
using xporttest::Image;
using xporttest::PortAnswer;
using xporttest::toHex;

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
        for (std::size_t n = 148; n < buffer.size() && n < reply.bytes().size(); ++n)
            buffer[n] = reply.bytes()[n];
        dwReturned = static_cast<std::uint32_t>(buffer.size());
        return true;
    };
}

std::vector<std::tuple<int, int, int>> drives(const EssentialDataList& records)
{
    std::vector<std::tuple<int, int, int>> found;
    for (const auto& pRecord : records) {
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
        if (packet[46] != 0x10)
            return false;
        asked.push_back(packet[41]);
        const std::uint32_t dwBlocks = packet[41] == 1 || packet[41] == 3 ? 0 : 1000;
        if (packet[41] == 4)
            return false;
        reply.le32(150, dwBlocks);
        return true;
    }));
    EssentialDataList records;
    EXPECT_EQ(ciss->discoverLogicalDrives(controller, records, controller), 0u);
    // Drives 1 and 3 have no blocks, 4 fails; the third drive is 5.
    EXPECT_EQ(drives(records), (std::vector<std::tuple<int, int, int>>{{-1, -1, 0}, {-1, -1, 2}, {-1, -1, 5}}));
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    for (const auto& pRecord : records)
        EXPECT_EQ(pRecord->eObjectType(), 0x8003u);
    // Blocks the transport builds itself: length most significant byte first, no value.
    EXPECT_EQ(toHex({drivers.requests[0].in.begin() + 38, drivers.requests[0].in.begin() + 50}),
              "0a00" "26" "00" "00000000" "11" "0200" "00");
    EXPECT_EQ(drivers.requests[0].in.size(), 660u);
}

TEST_F(TransportDiscovery, PhysicalDrivesFromEitherPresenceMap)
{
    Image identify(148 + 512);
    drivers.setPort(0, cissPort([&](const std::vector<std::uint8_t>& packet, Image& reply) {
        if (packet[46] != 0x11)
            return false;
        reply = identify;
        return true;
    }));
    // 4 ports of 7 targets: bits 0, 8 and 27.
    identify.hex(148 + 18, "01010008");
    EssentialDataList old;
    EXPECT_EQ(ciss->discoverPhysicalDrives(controller, old, controller), 0u);
    EXPECT_EQ(drives(old), (std::vector<std::tuple<int, int, int>>{{0, 0, 0}, {1, 1, 8}, {3, 6, 27}}));
    for (const auto& pRecord : old)
        EXPECT_EQ(pRecord->eObjectType(), 0x8005u);

    // 16 drives per port: port 0 target 0, port 1 target 11, port 7 target 15.
    identify = Image(148 + 512);
    identify.u8(148 + 53, 16).u8(148 + 54, 0x01).u8(148 + 57, 0x08).u8(148 + 69, 0x80);
    identify.hex(148 + 18, "ffffffff");  // ignored with this addressing
    EssentialDataList wide;
    EXPECT_EQ(ciss->discoverPhysicalDrives(controller, wide, controller), 0u);
    EXPECT_EQ(drives(wide), (std::vector<std::tuple<int, int, int>>{{0, 0, 128}, {1, 11, 155}, {7, 15, 255}}));

    identify = Image(148 + 512);
    EssentialDataList none;
    EXPECT_EQ(ciss->discoverPhysicalDrives(controller, none, controller), 3u);
    drivers.setPort(0, failing());
    EXPECT_EQ(ciss->discoverPhysicalDrives(controller, none, controller), 0x80000005u);
    EXPECT_TRUE(none.empty());
}

TEST_F(TransportDiscovery, CissRemoteControllersAreTheMakersProductsOnly)
{
    const std::string kVendor = "ORVANE  ";
    int inquiries = 0;
    std::uint8_t bListLength = 24;
    drivers.setPort(0, cissPort([&](const std::vector<std::uint8_t>& packet, Image& reply) {
        if (packet[40] == 0xC3) {
            // Allocation length 8008 in bytes 6 to 9, most significant first.
            if (toHex({packet.begin() + 46, packet.begin() + 50}) != "00001f48" || packet[38] != 12)
                return false;
            reply.hex(148, "000000").u8(151, bListLength);
            reply.hex(156, "0400004102000000");   // kept
            reply.hex(164, "0500004103000000");   // another product
            reply.hex(172, "0600004104000000");   // another maker
            return true;
        }
        if (packet[40] != 0x12)
            return false;
        ++inquiries;
        if (packet[38] != 6 || packet[44] != 96)
            return false;
        const std::uint8_t bTarget = packet[28];
        reply.text(148 + 8, bTarget == 6 ? "OTHERCO " : kVendor);
        reply.text(148 + 16, bTarget == 5 ? "ARRAYBOX 4401   " : "ARRAYBOX 4400   ");
        return true;
    }));
    EssentialDataList records;
    EXPECT_EQ(ciss->discoverRemoteControllers(controller, records), 0u);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->eObjectType(), 0x8007u);
    EXPECT_EQ(records[0]->eCommandType(), eCSMI_CISS);
    EXPECT_EQ(records[0]->port(), 0u);
    EXPECT_EQ(toHex({records[0]->lunAddress().begin(), records[0]->lunAddress().end()}), "0400004102000000");
    // Path: low six bits of entry byte 3; target: byte 0; LUN: byte 4.
    EXPECT_EQ(toHex({records[0]->address().begin(), records[0]->address().end()}), "010402");
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
        if (packet[40] == 0x12 && packet[44] == 95 && bInquiryAnswers) {
            reply.text(148 + 8, "ORVANE  ARRAYBOX 4400   ");
            return true;
        }
        return false;
    }));
    std::array<std::uint8_t, 64> identity{};
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    Image expected(64);
    expected.hex(0, "0c00 03").text(3, "ORVANE  ARRAYBOX 4400   ").text(32, "SUBSYSTEM-NAME-0123456789ABCDEFG");
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), toHex(expected.bytes()));

    // Without an inquiry answer the vendor and product stay empty.
    bInquiryAnswers = false;
    identity.fill(0);
    EXPECT_EQ(ciss->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex({identity.begin(), identity.begin() + 12}), "0c0003000000000000000000");

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

PortAnswer inquiryPort(const Image& data, std::uint32_t dwNeeded, std::vector<std::uint32_t>& sizes,
                       std::uint32_t dwReturned = 0)
{
    return [data, dwNeeded, &sizes, dwReturned](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer,
                                                std::uint32_t& dwBytes) {
        if (dwCode == 0x0004101C) {
            dwBytes = 0;
            return true;
        }
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
    const SchemaObjectEssentialData adapter(2, 0x8000, eCSMI_FIBRE);
    std::vector<std::uint32_t> sizes;
    drivers.setPort(2, inquiryPort(fibreInquiryData(), 40000, sizes));
    EssentialDataList records;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, records), 0u);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->eCommandType(), eCSMI_FIBRE);
    EXPECT_EQ(toHex({records[0]->address().begin(), records[0]->address().end()}), "000100");
    EXPECT_EQ(records[1]->eCommandType(), eCSMI_SWITCH);
    EXPECT_EQ(toHex({records[1]->address().begin(), records[1]->address().end()}), "000200");
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

    // A reply that ends before the second bus's unit keeps what lies inside it.
    sizes.clear();
    drivers.setPort(2, inquiryPort(fibreInquiryData(), 0, sizes, 130));
    EssentialDataList clipped;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, clipped), 0u);
    EXPECT_EQ(clipped.size(), 2u);
    // Offsets that point outside the reply or loop are not followed.
    Image looping = fibreInquiryData();
    looping.le32(40, 32).u8(4, 200).le32(16, 0xFFFFFFF0);
    drivers.setPort(2, inquiryPort(looping, 0, sizes));
    EssentialDataList bounded;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, bounded), 0u);
    EXPECT_EQ(bounded.size(), 200u);

    // The rescan failing gives 3; no port, 0x80000009.
    drivers.setPort(2, failing());
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    const SchemaObjectEssentialData missing(8, 0x8000, eCSMI_FIBRE);
    EXPECT_EQ(fibre->discoverRemoteControllers(missing, none), 0x80000009u);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(drivers.liveHandles(), 0);
}

TEST_F(TransportDiscovery, FibreIdentityFromWhicheverQueryAnswers)
{
    const SchemaObjectEssentialData adapter(2, 0x8000, eCSMI_FIBRE);
    SchemaObjectEssentialData remote(2, 0x8007, eCSMI_SWITCH);
    remote.setAddress({1, 9, 4});
    Image adapterAttributes(128);
    adapterAttributes.u8(40, 0x21).hex(42, "1000000000c0ffee 2000000000c0ffee").le32(60, 0x12ABCDEF);
    Image portAttributes(124);
    portAttributes.hex(36, "5000000000000001 5000000000000002").u8(52, 0x31).le32(56, 0x00010203);
    Image name(60);
    name.hex(32, "6000000000000001 6000000000000002").le32(48, 0x00445566).u8(52, 0x41);
    std::array<std::uint8_t, 20> identity{};

    drivers.setPort(2, byPacket({{{"FCM&P", 13}, bodyReply(adapterAttributes.bytes())},
                                 {{"FCM&P", 14}, bodyReply(portAttributes.bytes())},
                                 {{"ZYRFC", 3}, bodyReply(name.bytes())}}));
    EXPECT_EQ(fibre->getRemoteIdentity(adapter, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), "1000000000c0ffee" "2000000000c0ffee" "21" "abcdef");
    Image adapterQuery(128);
    adapterQuery.hex(0, "1c000000 46434d2650000000 0a000000 0d000000 00000000 64000000");
    EXPECT_EQ(toHex(drivers.requests.back().in), toHex(adapterQuery.bytes()));

    EXPECT_EQ(fibre->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), "5000000000000001" "5000000000000002" "31" "010203");
    Image portQuery(124);
    portQuery.hex(0, "1c000000 46434d2650000000 0a000000 0e000000 00000000 60000000").hex(28, "08000000 02010904");
    EXPECT_EQ(toHex(drivers.requests.back().in), toHex(portQuery.bytes()));

    // The management queries fail: the name query answers instead.
    drivers.setPort(2, byPacket({{{"ZYRFC", 3}, bodyReply(name.bytes())}}));
    EXPECT_EQ(fibre->getRemoteIdentity(adapter, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), "6000000000000001" "6000000000000002" "41" "445566");
    Image nameQuery(60);
    nameQuery.hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "ffffff");
    EXPECT_EQ(toHex(drivers.requests.back().in), toHex(nameQuery.bytes()));
    EXPECT_EQ(fibre->getRemoteIdentity(remote, identity.data(), identity.size()), 0u);
    EXPECT_EQ(toHex({drivers.requests.back().in.begin() + 28, drivers.requests.back().in.begin() + 31}), "010904");

    drivers.setPort(2, failing());
    EXPECT_EQ(fibre->getRemoteIdentity(adapter, identity.data(), identity.size()), 0x80000007u);
    EXPECT_EQ(fibre->getRemoteIdentity(remote, identity.data(), identity.size()), 0x80000007u);
}

TEST(TransportTimeout, HangingManagementQueryIsAbandonedAfterItsTimeout)
{
    tsmtest::TempMachine machine;
    // The abandoned call still runs when the test ends, so its drivers stay.
    static FakeDrivers* const pDrivers = new FakeDrivers;
    InfoMgr::setDeviceChannel(pDrivers);
    Image name(60);
    name.hex(32, "6000000000000001 6000000000000002").le32(48, 0x00445566).u8(52, 0x41);
    const PortAnswer hang = [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t& dwReturned) {
        std::this_thread::sleep_for(std::chrono::seconds(12));
        dwReturned = 0;
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
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), "6000000000000001" "6000000000000002" "41" "445566");
}

TEST(FibreRemoteIdentity, ArrayControllerRecordHoldsInquiryAndFirstWorldWideName)
{
    tsmtest::TempMachine machine;
    machine.useDescription(TSM_SOURCE_DIR "/sim/machines/typical.xml");
    // Behind the typical machine's adapter on port 2: the array controller at
    // path 0, target 1 and the enclosure at target 2.
    SchemaObjectEssentialData controller(2, 0x8007, eCSMI_FIBRE);
    controller.setAddress({0, 1, 0});
    std::array<std::uint8_t, 64> identity{};
    identity.fill(0xEE);
    ASSERT_EQ(createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(controller, identity.data(), 64), 0u);
    Image expected(64);
    expected.hex(0, "0c00 04").text(3, "ORVANE  ARRAYBOX 4800   ").hex(38, "5f1a70000b480100");
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), toHex(expected.bytes()));

    // Twenty bytes ask for the names: first and second name, port state, port address.
    std::array<std::uint8_t, 20> names{};
    ASSERT_EQ(createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(controller, names.data(), 20), 0u);
    EXPECT_EQ(toHex({names.begin(), names.begin() + 16}), "5f1a70000b4801005f1a70000b480101");

    // The enclosure is no array controller: its record is its names.
    SchemaObjectEssentialData enclosure(2, 0x8007, eCSMI_SWITCH);
    enclosure.setAddress({0, 2, 0});
    identity.fill(0);
    ASSERT_EQ(createIoCtlCommandGroup(eCSMI_SWITCH)->getRemoteIdentity(enclosure, identity.data(), 64), 0u);
    EXPECT_EQ(toHex({identity.begin(), identity.begin() + 16}), "5f1a70000d2102005f1a70000d210201");
    EXPECT_EQ(toHex({identity.begin() + 20, identity.end()}), std::string(88, '0'));
}

}
