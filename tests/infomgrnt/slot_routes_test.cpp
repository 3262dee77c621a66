// Slot lookups on the machine description of each slot route.
#include "imxenumeration.h"
#include "imxslotlookup.h"
#include "legacy/lntpcih.h"

#include <byteimage.h>
#include <tempmachine.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <tuple>
#include <string>

namespace {

const std::string kMachines = std::string(TSM_SOURCE_DIR) + "/sim/machines/";

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
        // The typical machine's controllers: health driver slots, and the setup
        // records where the health driver knows no slot for the function.
        {"typical.xml", 2, 3, 0, true, 2, 0},
        {"typical.xml", 2, 4, 0, true, 3, 0},
        {"typical.xml", 2, 5, 0, true, 4, 0},
        {"typical.xml", 3, 1, 0, false, 255, 0},
    };
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(std::string(c.machine) + " bus " + std::to_string(c.bus) + " device " +
                     std::to_string(c.device) + " function " + std::to_string(c.function));
        tsmtest::TempMachine machine;
        machine.useDescription(kMachines + c.machine);
        const SetupRecords records = setupRecords();
        auto packet = configPacket(c.bus, c.device, c.function);
        EXPECT_EQ(InfoMgr::lookupSlotNumber(records.get(), packet.data(), packet.size()), c.found);
        EXPECT_EQ(packet[44], c.slotLow);
        EXPECT_EQ(packet[45], c.slotHigh);
        EXPECT_EQ(machine.read("debug-output.log"), "") << "the description was refused";
    }
}

TEST(SlotLookup, FailuresOfTheSystemRouteGiveNoSlot)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-setup.xml");
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
    for (const auto& [bDevice, bFound, bSlot] : {std::tuple<std::uint8_t, bool, std::uint8_t>{3, true, 9},
                                                 {4, false, 255}, {5, true, 0}}) {
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
    const std::string bridges = R"(<bridge bus="0" device="4" secondary="2"/><bridge bus="0" device="6" secondary="2"/>)";
    std::string overfull;
    for (int i = 0; i < 33; ++i)
        overfull += R"(<routing bus="0" device="4" slot="3"/>)";
    const struct {
        const char* what;
        std::string machine;    // a description file, or the description itself
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
        {"typical: one bridge onto bus 3", "typical.xml", 3, true, 6},
        {"typical: none onto bus 2", "typical.xml", 2, false, 255},
        {"the first bridge has no routing entry: the second one's",
         "<machine><health/><pci>" + bridges +
             R"(<routing bus="0" device="6" slot="3"/><routing bus="1" device="4" slot="8"/></pci></machine>)",
         2, true, 3},
        {"more entries than the 512-byte table holds: the BIOS refuses",
         "<machine><health/><pci>" + bridges + overfull + "</pci></machine>", 2, false, 255, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        tsmtest::TempMachine machine;
        if (c.machine[0] == '<')
            machine.writeDescription(c.machine);
        else
            machine.useDescription(kMachines + c.machine);
        const InfoMgr::PCIDeviceFinder finder = InfoMgr::PCIDeviceFinder::scanConfigurationSpace();
        if (c.devices != 0) {
            EXPECT_EQ(finder.deviceCount(), c.devices);
        }
        std::uint8_t slot = 0;
        EXPECT_EQ(InfoMgr::lookupSlotByRouting(finder, c.bus, slot), c.found);
        EXPECT_EQ(slot, c.slot);
    }
    // No health driver: no table, no slot.
    tsmtest::TempMachine machine;
    machine.writeDescription("<machine><health present=\"false\"/><pci>" + bridges +
                             R"(<routing bus="0" device="4" slot="3"/></pci></machine>)");
    const std::array<std::uint8_t, 26> bridge{0xA7, 0xF1, 1, 0, 0, 0, 0, 0, 0, 0, 4, 6, 0,
                                              0,    1,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    InfoMgr::PCIDeviceFinder finder;
    finder.addDevice(InfoMgr::PCIDeviceInfo(0, 4, 0, bridge.data(), 26));
    std::uint8_t slot = 0;
    EXPECT_FALSE(InfoMgr::lookupSlotByRouting(finder, 2, slot));
    EXPECT_EQ(slot, 255);
}

} // namespace
