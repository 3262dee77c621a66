// The port scan frame: device names, the scan over every port and its result
// rules, and opening ports of the simulated machine.
#include "imxenumeration.h"

#include <tempmachine.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace {

using InfoMgr::PortAnswer;

TEST(PortScan, NamesAndCoversEveryPortAndFollowsTheResultRules)
{
    EXPECT_EQ(InfoMgr::portDeviceName(0), "\\\\.\\Scsi0:");
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> asked;
        const std::uint32_t result = InfoMgr::scanPorts(
            [&](std::uint32_t port) {
                asked.push_back(port);
                return c.answered.count(port)  ? InfoMgr::ePORT_ANSWERED
                       : c.failed.count(port) ? InfoMgr::ePORT_FAILED
                                              : InfoMgr::ePORT_SILENT;
            },
            c.rule);
        EXPECT_EQ(result, c.result);
        ASSERT_EQ(asked.size(), 256u);
        for (std::uint32_t i = 0; i < 256; ++i)
            EXPECT_EQ(asked[i], i);
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
        EXPECT_FALSE(InfoMgr::sendDeviceRequest(port.get(), 0x0004D008, buffer, sizeof buffer, buffer,
                                                sizeof buffer, returned));
        EXPECT_EQ(GetLastError(), 1u);
        EXPECT_EQ(returned, 0u);

        // Moving hands the handle over; the moved-from owner holds nothing.
        InfoMgr::ScopedDeviceHandle moved(std::move(port));
        EXPECT_TRUE(moved.isValid());
        EXPECT_FALSE(port.isValid());
        const HANDLE raw = moved.get();
        moved = InfoMgr::ScopedDeviceHandle();
        // Closed by the owner: the handle is no longer a device.
        EXPECT_FALSE(InfoMgr::sendDeviceRequest(raw, 0x0004D008, buffer, sizeof buffer, buffer, sizeof buffer,
                                                returned));
        EXPECT_EQ(GetLastError(), 6u);
    }
    EXPECT_FALSE(InfoMgr::openPortDevice(3).isValid());
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_FALSE(InfoMgr::openPortDevice(5).isValid());
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_FALSE(InfoMgr::openDevice("\\\\.\\Nothing").isValid());
    EXPECT_EQ(GetLastError(), 2u);
}

} // namespace
