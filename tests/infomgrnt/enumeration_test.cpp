// Controller enumeration: the port scan frame and opening ports, PCI device
// information and the PCI device table with the health driver requests that
// fill it (checked against the capture file), and the slot lookups on the
// machine description of each slot route.
#include "imxenumeration.h"
#include "imxioctlfactory.h"
#include "imxslotlookup.h"
#include "legacy/lnthealth.h"
#include "legacy/lntpcih.h"

#include <byteimage.h>
#include <capturefile.h>
#include <tempmachine.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <numeric>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using InfoMgr::PCIDeviceFinder;
using InfoMgr::PCIDeviceInfo;

const std::string kMachines = std::string(TSM_SOURCE_DIR) + "/sim/machines/";

TEST(PortScan, NamesAndCoversEveryPortAndFollowsTheResultRules)
{
    EXPECT_EQ(InfoMgr::portDeviceName(17), "\\\\.\\Scsi17:");
    EXPECT_EQ(InfoMgr::portDeviceName(255), "\\\\.\\Scsi255:");
    struct Case {
        const char* name;
        std::set<std::uint32_t> answered;
        std::set<std::uint32_t> failed;
        InfoMgr::ScanRule rule;
        std::uint32_t result;
    };
    const Case cases[] = {
        {"nothing anywhere", {}, {}, InfoMgr::eSCAN_CSMI, 3},
        {"nothing anywhere, legacy", {}, {}, InfoMgr::eSCAN_LEGACY, 3},
        {"only failures", {}, {4, 9}, InfoMgr::eSCAN_CSMI, 3},
        {"only failures, legacy", {}, {4, 9}, InfoMgr::eSCAN_LEGACY, 3},
        {"one controller on the last port", {255}, {}, InfoMgr::eSCAN_CSMI, 0},
        {"controllers and failures", {0, 200}, {7}, InfoMgr::eSCAN_CSMI, 0},
        {"controllers and failures, legacy", {0, 200}, {7}, InfoMgr::eSCAN_LEGACY, 0x80000009u},
        {"controllers only, legacy", {3}, {}, InfoMgr::eSCAN_LEGACY, 0},
    };
    std::vector<std::uint32_t> everyPort(256);
    std::iota(everyPort.begin(), everyPort.end(), 0u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> asked;
        const std::uint32_t result = InfoMgr::scanPorts(
            [&](std::uint32_t port) {
                asked.push_back(port);
                return c.answered.count(port) ? InfoMgr::ePORT_ANSWERED
                       : c.failed.count(port) ? InfoMgr::ePORT_FAILED
                                              : InfoMgr::ePORT_SILENT;
            },
            c.rule);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(asked, everyPort);
    }
}

TEST(PortScan, OpensOnlyPortsTheMachineHas)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine>
        <port number="2" driver="other"/>
        <port number="5" driver="other"><fault kind="open" error="5"/></port></machine>)");
    {
        InfoMgr::ScopedDeviceHandle port = InfoMgr::openPortDevice(2);
        ASSERT_TRUE(port.isValid());
        // The port exists but its adapter knows no storage request.
        std::uint8_t buffer[8] = {};
        std::uint32_t returned = 99;
        EXPECT_FALSE(
            InfoMgr::sendDeviceRequest(port.get(), 0x0004D008, buffer, sizeof buffer, buffer, sizeof buffer, returned));
        EXPECT_EQ(GetLastError(), 1u);
        EXPECT_EQ(returned, 0u);

        // Moving hands the handle over; the moved-from owner holds nothing.
        InfoMgr::ScopedDeviceHandle moved(std::move(port));
        EXPECT_TRUE(moved.isValid());
        EXPECT_FALSE(port.isValid());
        const HANDLE raw = moved.get();
        moved = InfoMgr::ScopedDeviceHandle();
        // Closed by the owner: the handle is no longer a device.
        EXPECT_FALSE(
            InfoMgr::sendDeviceRequest(raw, 0x0004D008, buffer, sizeof buffer, buffer, sizeof buffer, returned));
        EXPECT_EQ(GetLastError(), 6u);
    }
    // A port that is not there, one that refuses to open, a device of no port.
    const auto openError = [](const InfoMgr::ScopedDeviceHandle& handle) {
        return handle.isValid() ? 0 : GetLastError();
    };
    EXPECT_EQ(std::vector({openError(InfoMgr::openPortDevice(3)), openError(InfoMgr::openPortDevice(5)),
                           openError(InfoMgr::openDevice("\\\\.\\Nothing"))}),
              std::vector<DWORD>({2, 5, 2}));
}

// A 48-byte header whose byte i is i + 0x10, with class code 01 04 00.
std::array<std::uint8_t, 48> numberedHeader()
{
    std::array<std::uint8_t, 48> header{};
    std::iota(header.begin(), header.end(), 0x10);
    header[9] = 0x00;
    header[10] = 0x04;
    header[11] = 0x01;
    return header;
}

TEST(PciDeviceInfo, AccessorsAtTheEdgesOfA48ByteHeaderAndCopiesOwnTheirBytes)
{
    const auto header = numberedHeader();
    PCIDeviceInfo original(2, 3, 1, header.data(), 48);
    const PCIDeviceInfo copy(original);
    PCIDeviceInfo assigned;
    assigned = original;
    for (const PCIDeviceInfo* pInfo : {&std::as_const(original), &copy, &std::as_const(assigned)}) {
        const PCIDeviceInfo& info = *pInfo;
        EXPECT_EQ((std::vector<unsigned>{info.bus(), info.device(), info.function(), info.readByte(0),
                                         info.readByte(47), info.readWord(0), info.readWord(46), info.readDword(44),
                                         info.readDword(8), info.length(47), info.length(48), info.length(255)}),
                  (std::vector<unsigned>{2, 3, 1, 0x10, 0x3F, 0x1110, 0x3F3E, 0x3F3E3D3Cu, 0x01040018u, 47, 48, 48}));
    }
    original.clear();
    EXPECT_EQ(original.length(48), 0);
    EXPECT_EQ(copy.readByte(47), 0x3F);

    // Assigning to itself keeps the bytes; assigning an empty one empties.
    PCIDeviceInfo& same = assigned;
    assigned = same;
    EXPECT_EQ(assigned.readByte(0), 0x10);
    assigned = original;
    EXPECT_EQ(assigned.length(48), 0);
}

TEST(PciDeviceInfoDeathTest, MisuseStops)
{
    const auto header = numberedHeader();
    const PCIDeviceInfo info(2, 3, 0, header.data(), 48);
    EXPECT_DEATH(info.readByte(48), "bOffset < m_bLength");
    EXPECT_DEATH(info.readWord(47), "\\(bOffset\\+1\\) < m_bLength");
    EXPECT_DEATH(info.readDword(45), "\\(bOffset\\+3\\) < m_bLength");
    EXPECT_DEATH(info.readWord(255), "\\(bOffset\\+1\\) < m_bLength");
    const PCIDeviceInfo empty;
    EXPECT_DEATH(empty.bus(), "m_pbConfigSpaceHeader != 0");
    EXPECT_DEATH(empty.device(), "m_pbConfigSpaceHeader != 0");
    EXPECT_DEATH(empty.function(), "m_pbConfigSpaceHeader != 0");
    EXPECT_DEATH(empty.readByte(0), "bOffset < m_bLength");
}

// The request image of a configuration-header request for bus b, device d:
// words bus, device, function 0, 48 bytes wanted.
std::string headerRequestWords(std::uint8_t bus, std::uint8_t device)
{
    return tsmtest::toHex(tsmtest::ByteImage(16).u8(0, bus).u8(4, device).u8(12, 48).bytes());
}

TEST(PciDeviceFinder, ScanStopsAtTheFirstBusThatDoesNotAnswer)
{
    tsmtest::TempMachine machine(kMachines + "slot-routing-bridges.xml");
    tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");
    const PCIDeviceFinder finder = PCIDeviceFinder::scanConfigurationSpace();

    // Buses 0 to 2 hold devices: 3 x 32 requests, then bus 3 device 0 is not answered.
    const auto requests = capture.requests();
    ASSERT_EQ(requests.size(), 97u);
    for (const auto& request : requests)
        EXPECT_EQ(std::tuple(request.code, request.device, request.in, request.out.size(), request.ok),
                  std::tuple("0x00072158", "\\\\.\\ZyrHlth", "", 276u * 2, "true"));
    // Bus 0, device 0 holds nothing: answered, 48 bytes of all ones.
    EXPECT_EQ(requests[0].out,
              headerRequestWords(0, 0) + "01000000" + std::string(96, 'f') + std::string(2 * (256 - 48), '0'));
    // Bus 0, device 2 is the first bridge: its header comes back in front.
    EXPECT_EQ(requests[2].out.substr(0, 40 + 8), headerRequestWords(0, 2) + "01000000" + "a7f1010b");
    // Class code bytes 9 to 11: programming interface 00, subclass 04, class 06.
    EXPECT_EQ(requests[2].out.substr(40 + 18, 6), "000406");
    // The last request, bus 3 device 0, is not answered.
    EXPECT_EQ(requests.back().out.substr(0, 40), headerRequestWords(3, 0) + "00000000");

    EXPECT_EQ(finder.deviceCount(), 4u);
    PCIDeviceInfo found;
    ASSERT_TRUE(finder.findDevice(0x060400, 2, found));
    EXPECT_EQ(std::tuple(+found.device(), +found.readByte(25)), std::tuple(6, 2));
    ASSERT_TRUE(finder.findDevice(0x010400, 0, found));
    EXPECT_EQ(std::tuple(+found.bus(), +found.device(), +found.readWord(0), +found.length(255)),
              std::tuple(2, 5, 0xE3C2, 48));
    EXPECT_FALSE(finder.findDevice(0x060400, 3, found));
    EXPECT_FALSE(finder.findDevice(0x010401, 0, found));
    // A copy holds the same devices; a header too short to hold a class code
    // is not recorded.
    PCIDeviceFinder copy(finder);
    copy.addDevice(PCIDeviceInfo(4, 4, 0, numberedHeader().data(), 11));
    EXPECT_EQ(copy.deviceCount(), 4u);
    ASSERT_TRUE(copy.findDevice(0x060400, 1, found));
    EXPECT_EQ(found.device(), 4);
}

TEST(PciDeviceFinder, UnusableRepliesAreSkipped)
{
    {
        SCOPED_TRACE("no health driver: every device is skipped, none recorded");
        tsmtest::TempMachine machine(kMachines + "slot-setup.xml");
        EXPECT_EQ(PCIDeviceFinder::scanConfigurationSpace().deviceCount(), 0u);
    }
    {
        SCOPED_TRACE("replies cut short before the header bytes");
        tsmtest::TempMachine machine;
        machine.writeDescription(R"(<machine><health><fault kind="short" code="0x00072158" bytes="16"/></health>
            <pci><bridge bus="0" device="4" secondary="2"/></pci></machine>)");
        tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");
        EXPECT_EQ(PCIDeviceFinder::scanConfigurationSpace().deviceCount(), 0u);
        // Without an answered flag the scan cannot end early: all 256 x 32.
        EXPECT_EQ(capture.lines().size(), 8192u);
    }
}

TEST(HealthDriver, RequestImagesInTheCapture)
{
    tsmtest::TempMachine machine(kMachines + "slot-routing-bridges.xml");
    tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");

    // A slot request the health driver knows no slot for fails with its code.
    std::uint8_t slot = 0;
    EXPECT_FALSE(InfoMgr::Health::readSlotNumber(2, 5, 0, slot));
    std::uint8_t table[512];
    size_t entries = 0;
    // The table's entries are read by the routing lookups below.
    ASSERT_TRUE(InfoMgr::Health::readRoutingTable(table, entries));
    EXPECT_EQ(entries, 3u);

    const auto requests = capture.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].ok + " " + requests[0].error, "false 31");
    // Routing request: function B10E in word 0, the descriptor's address in
    // word 5, all else zero; the reply carries the status 0 in bits 8-15 of
    // word 0, where the request had the high byte of the function.
    EXPECT_EQ(requests[1].code + " " + requests[1].ok, "0x0007212C true");
    ASSERT_EQ(requests[1].in.size(), 64u);
    EXPECT_EQ(requests[1].in.substr(0, 40), "0eb10000" + std::string(32, '0'));
    EXPECT_NE(requests[1].in.substr(40, 2 * sizeof(void*)), std::string(2 * sizeof(void*), '0'));
    EXPECT_EQ(requests[1].in.substr(40 + 2 * sizeof(void*)), std::string(64 - 40 - 2 * sizeof(void*), '0'));
    EXPECT_EQ(requests[1].out, "0e000000" + requests[1].in.substr(8));
}

// A controller configuration packet: PCI bus, device and function at 48, 49
// and 50, the slot field at 44 filled with a marker.
std::vector<std::uint8_t> configPacket(std::uint8_t bus, std::uint8_t device, std::uint8_t function)
{
    return tsmtest::ByteImage(96).hex(44, "aabb").u8(48, bus).u8(49, device).u8(50, function).bytes();
}

// A fresh device-information set of the SCSI adapter class, as the setup
// records of the machine now are.
using SetupRecords = std::unique_ptr<void, decltype(&SetupDiDestroyDeviceInfoList)>;
SetupRecords setupRecords()
{
    static const GUID scsiAdapters = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    return {SetupDiGetClassDevsA(&scsiAdapters, nullptr, nullptr, DIGCF_PRESENT), SetupDiDestroyDeviceInfoList};
}

struct SlotCase {
    const char* machine;
    std::uint8_t bus, device, function;
    bool found;
    std::uint8_t slotLow, slotHigh; // the slot field afterwards
};

TEST(SlotLookup, EverySystemRouteOnItsMachine)
{
    const SlotCase cases[] = {
        // The health driver answers.
        {"slot-health.xml", 2, 3, 0, true, 4, 0},
        // Health driver knows the function but not this one: nothing else to ask.
        {"slot-health.xml", 2, 4, 0, false, 255, 0},
        // No health driver; the second setup record matches.
        {"slot-setup.xml", 2, 3, 0, true, 5, 0},
        {"slot-setup.xml", 1, 1, 0, true, 7, 0},
        {"slot-setup.xml", 2, 3, 1, false, 255, 0},
        // A location with two numbers never matches.
        {"slot-two-numbers.xml", 2, 3, 0, false, 255, 0},
        // A UI number that is not valid data: slot 0, found.
        {"slot-ui-invalid.xml", 2, 3, 0, true, 0, 0},
        // Version 4 asks only the health driver, which is absent.
        {"slot-nt4.xml", 2, 3, 0, false, 255, 0},
        // Older than version 4: no slot, the packet is left alone.
        {"slot-old-os.xml", 2, 3, 0, false, 0xAA, 0xBB},
        // The typical machine's controllers find theirs through the health
        // driver and the setup records: the reviewed dump shows each slot.
    };
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(std::string(c.machine) + " " + std::to_string(c.bus) + ":" + std::to_string(c.device) + ":" +
                     std::to_string(c.function));
        tsmtest::TempMachine machine(kMachines + c.machine);
        const SetupRecords records = setupRecords();
        auto packet = configPacket(c.bus, c.device, c.function);
        EXPECT_EQ(InfoMgr::lookupSlotNumber(records.get(), packet.data(), packet.size()), c.found);
        EXPECT_EQ(std::pair(packet[44], packet[45]), std::pair(c.slotLow, c.slotHigh));
        EXPECT_EQ(machine.read("debug-output.log"), "") << "the description was refused";
    }
}

TEST(SlotLookup, FailuresOfTheSystemRouteGiveNoSlot)
{
    tsmtest::TempMachine machine(kMachines + "slot-setup.xml");
    const SetupRecords records = setupRecords();
    // A packet too short to hold the function byte, and no packet at all.
    auto packet = configPacket(2, 3, 0);
    EXPECT_FALSE(InfoMgr::lookupSlotNumber(records.get(), packet.data(), 50));
    EXPECT_EQ(packet[44], 0xAA);
    EXPECT_FALSE(InfoMgr::lookupSlotNumber(records.get(), nullptr, 96));
    // Without a usable set only the health driver is asked.
    EXPECT_FALSE(InfoMgr::lookupSlotNumber(INVALID_HANDLE_VALUE, packet.data(), packet.size()));
    EXPECT_EQ(packet[44], 255);

    // A health driver whose slot request fails hands over to the setup records;
    // a record whose UI number cannot be read is passed over.
    machine.writeDescription(R"(<machine><os major="5" minor="0"/>
      <health present="true"><fault kind="error" code="0x000721F8" error="31"/></health>
      <pci><function bus="2" device="3" function="0" slot="4" header=")" +
                             std::string(96, '0') + R"("/></pci>
      <setup><record location="PCI bus 2, device 3, function 0" ui="unreadable"/>
             <record location="PCI bus 2, device 3, function 0" ui="9"/>
             <record ui="6"/><record location="PCI bus 2, device 5, function 0"/></setup></machine>)");
    const SetupRecords faulty = setupRecords();
    // A record without a location is skipped, never matched; a record without
    // a UI number reads as invalid data: slot 0.
    for (const auto& [bDevice, bFound, bSlot] :
         {std::tuple<std::uint8_t, bool, std::uint8_t>{3, true, 9}, {4, false, 255}, {5, true, 0}}) {
        SCOPED_TRACE(+bDevice);
        packet = configPacket(2, bDevice, 0);
        EXPECT_EQ(InfoMgr::lookupSlotNumber(faulty.get(), packet.data(), packet.size()), bFound);
        EXPECT_EQ(packet[44], bSlot);
    }
    EXPECT_EQ(machine.read("debug-output.log"), "");
}

TEST(SlotLookupDeathTest, OverlongLocationStops)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><setup><record location="PCI bus 2, device 3, function 0 )" +
                             std::string(240, 'x') + R"(" ui="5"/></setup></machine>)");
    const SetupRecords records = setupRecords();
    auto packet = configPacket(2, 3, 0);
    EXPECT_DEATH(InfoMgr::lookupSlotNumber(records.get(), packet.data(), packet.size()),
                 "dwRequiredPropertySize < nMaxLength");
}

TEST(SlotLookup, RoutingTableAndBridges)
{
    const std::string bridges =
        R"(<bridge bus="0" device="4" secondary="2"/><bridge bus="0" device="6" secondary="2"/>)";
    std::string overfull;
    for (int i = 0; i < 33; ++i)
        overfull += R"(<routing bus="0" device="4" slot="3"/>)";
    const struct {
        const char* what;
        std::string machine; // a description file, or the description itself
        std::uint8_t bus;
        bool found;
        std::uint8_t slot;
        std::size_t devices = 0; // when not 0, the bridges the scan must have found
    } cases[] = {
        // Two bridges onto bus 2: the first in the table wins. No bridge leads onto bus 0 or 5.
        {"bridges", "slot-routing-bridges.xml", 2, true, 7},
        {"bridge onto bus 1", "slot-routing-bridges.xml", 1, true, 9},
        {"no bridge onto bus 0", "slot-routing-bridges.xml", 0, false, 255},
        {"no bridge onto bus 5", "slot-routing-bridges.xml", 5, false, 255},
        {"the first bridge has no routing entry: the second one's",
         "<machine><health/><pci>" + bridges +
             R"(<routing bus="0" device="6" slot="3"/><routing bus="1" device="4" slot="8"/></pci></machine>)",
         2, true, 3},
        {"more entries than the 512-byte table holds: the BIOS refuses, its empty table (whose zeros would name a "
         "bridge at device 0) is not read",
         R"(<machine><health/><pci><bridge bus="0" device="0" secondary="2"/>)" + overfull + "</pci></machine>", 2,
         false, 255, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        tsmtest::TempMachine machine;
        if (c.machine[0] == '<')
            machine.writeDescription(c.machine);
        else
            machine.useDescription(kMachines + c.machine);
        const PCIDeviceFinder finder = PCIDeviceFinder::scanConfigurationSpace();
        EXPECT_TRUE(c.devices == 0 || finder.deviceCount() == c.devices) << finder.deviceCount();
        std::uint8_t slot = 0;
        EXPECT_EQ(InfoMgr::lookupSlotByRouting(finder, c.bus, slot), c.found);
        EXPECT_EQ(slot, c.slot);
    }
    // No health driver: no table, no slot.
    tsmtest::TempMachine machine;
    machine.writeDescription("<machine><health present=\"false\"/><pci>" + bridges +
                             R"(<routing bus="0" device="4" slot="3"/></pci></machine>)");
    const std::vector<std::uint8_t> bridge =
        tsmtest::ByteImage(26).hex(0, "a7f101").hex(10, "0406").u8(14, 1).u8(25, 2);
    PCIDeviceFinder finder;
    finder.addDevice(PCIDeviceInfo(0, 4, 0, bridge.data(), 26));
    std::uint8_t slot = 0;
    EXPECT_FALSE(InfoMgr::lookupSlotByRouting(finder, 2, slot));
    EXPECT_EQ(slot, 255);

    // An I2O controller on bus 2 that the system knows no slot for takes the routing's.
    machine.writeDescription(R"(<machine><health/><pci><bridge bus="0" device="4" secondary="2"/>
      <routing bus="0" device="4" slot="7"/></pci><port number="0" driver="i2o"><controller pcibus="2"/></port></machine>)");
    InfoMgr::BusInfoRecord busInfo{};
    EXPECT_EQ(InfoMgr::createIoCtlCommandGroup(eCSMI_I2O)->getControllerBusInfo(
                  SchemaObjectEssentialData(0, 0x8000, eCSMI_I2O), busInfo),
              0u);
    EXPECT_EQ(busInfo[4], 7);
}

} // namespace
