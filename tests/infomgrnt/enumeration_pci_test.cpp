// PCI device information, the PCI device table and the health driver
// requests that fill it, checked against the capture file.
#include "legacy/lnthealth.h"
#include "legacy/lntpcih.h"
#include "imxslotlookup.h"

#include <capturefile.h>
#include <tempmachine.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace {

using InfoMgr::PCIDeviceFinder;
using InfoMgr::PCIDeviceInfo;

const std::string kMachines = std::string(TSM_SOURCE_DIR) + "/sim/machines/";

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

TEST(PciDeviceFinder, CountsDevicesOfOneClassInOrder)
{
    PCIDeviceFinder finder;
    auto header = numberedHeader();
    finder.addDevice(PCIDeviceInfo(0, 7, 0, header.data(), 48));
    header[11] = 0x06; // a bridge: 06 04 00
    finder.addDevice(PCIDeviceInfo(0, 2, 0, header.data(), 48));
    finder.addDevice(PCIDeviceInfo(1, 9, 0, header.data(), 48));
    // A header too short to hold a class code is not recorded.
    finder.addDevice(PCIDeviceInfo(4, 4, 0, header.data(), 11));
    EXPECT_EQ(finder.deviceCount(), 3u);

    PCIDeviceInfo found;
    ASSERT_TRUE(finder.findDevice(0x060400, 0, found));
    EXPECT_EQ(found.device(), 2);
    ASSERT_TRUE(finder.findDevice(0x060400, 1, found));
    EXPECT_EQ(found.bus(), 1);
    EXPECT_FALSE(finder.findDevice(0x060400, 2, found));
    ASSERT_TRUE(finder.findDevice(0x010400, 0, found));
    EXPECT_EQ(found.device(), 7);
    EXPECT_FALSE(finder.findDevice(0x010401, 0, found));

    const PCIDeviceFinder copy(finder);
    EXPECT_EQ(copy.deviceCount(), 3u);
}

// The request image of a configuration-header request for bus b, device d:
// words bus, device, function 0, 48 bytes wanted.
std::string headerRequestWords(int bus, int device)
{
    char text[33];
    std::snprintf(text, sizeof text, "%02x000000%02x0000000000000030000000", bus, device);
    return text;
}

TEST(PciDeviceFinder, ScanStopsAtTheFirstBusThatDoesNotAnswer)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-routing-bridges.xml");
    tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");
    const PCIDeviceFinder finder = PCIDeviceFinder::scanConfigurationSpace();

    // Buses 0 to 2 hold devices: 3 x 32 requests, then bus 3 device 0 is not answered.
    const auto requests = capture.requests("0x00072158");
    ASSERT_EQ(requests.size(), 97u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.device, "\\\\.\\ZyrHlth");
        EXPECT_EQ(request.in, "");
        EXPECT_EQ(request.out.size(), 276u * 2);
        EXPECT_EQ(request.ok, "true");
    }
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
    EXPECT_EQ(found.device(), 6);
    EXPECT_EQ(found.readByte(25), 2);
    ASSERT_TRUE(finder.findDevice(0x010400, 0, found));
    EXPECT_EQ(found.bus(), 2);
    EXPECT_EQ(found.device(), 5);
    EXPECT_EQ(found.readWord(0), 0xE3C2);
    EXPECT_EQ(found.length(255), 48);
}

TEST(PciDeviceFinder, UnusableRepliesAreSkipped)
{
    {
        SCOPED_TRACE("no health driver: every device is skipped, none recorded");
        tsmtest::TempMachine machine;
        machine.useDescription(kMachines + "slot-setup.xml");
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
        EXPECT_EQ(capture.requests("0x00072158").size(), 8192u);
    }
}

TEST(HealthDriver, RequestImagesInTheCapture)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-routing-bridges.xml");
    tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");

    std::uint8_t slot = 0;
    EXPECT_FALSE(InfoMgr::Health::readSlotNumber(2, 5, 0, slot));
    std::uint8_t table[512];
    size_t entries = 0;
    ASSERT_TRUE(InfoMgr::Health::readRoutingTable(table, entries));
    EXPECT_EQ(entries, 3u);
    // The third entry: bus 0, device 2 in bits 3-7, slot at byte 14.
    EXPECT_EQ(table[32], 0);
    EXPECT_EQ(table[33], 0x10);
    EXPECT_EQ(table[46], 9);

    const auto requests = capture.requests();
    ASSERT_EQ(requests.size(), 2u);
    // Slot request: bus 2, device 5 and function 0 packed as 0x28; the health
    // driver knows no slot for it.
    EXPECT_EQ(requests[0].code, "0x000721F8");
    EXPECT_EQ(requests[0].in, "02280000");
    EXPECT_EQ(requests[0].ok, "false");
    EXPECT_EQ(requests[0].error, "31");
    // Routing request: function B10E in word 0, the descriptor's address in
    // word 5, all else zero; the reply carries the status 0 in bits 8-15 of
    // word 0, where the request had the high byte of the function.
    EXPECT_EQ(requests[1].code, "0x0007212C");
    ASSERT_EQ(requests[1].in.size(), 64u);
    EXPECT_EQ(requests[1].in.substr(0, 40), "0eb10000" + std::string(32, '0'));
    EXPECT_NE(requests[1].in.substr(40, 2 * sizeof(void*)), std::string(2 * sizeof(void*), '0'));
    EXPECT_EQ(requests[1].in.substr(40 + 2 * sizeof(void*)), std::string(64 - 40 - 2 * sizeof(void*), '0'));
    EXPECT_EQ(requests[1].out, "0e000000" + requests[1].in.substr(8));
    EXPECT_EQ(requests[1].ok, "true");
}

} // namespace
