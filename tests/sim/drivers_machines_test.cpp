// The checked-in machine descriptions as the ports present them: every port
// answers the configuration request of its own transport, and the remote
// controllers of the descriptions are listed where the transports look.
#include "drivers_port.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <map>

using namespace drvtest;

namespace {

Reply csmiConfiguration(int port) { return send(port, packet("ZYRCSMI", 2, 0xFFFFFFFF, 168)); }
Reply legacyConfiguration(int port) { return send(port, packet("ODXM&P", 5, 180, 17)); }

// Entries of the CISS report-physical-LUNs list (length at byte 3, 8 bytes each).
int cissRemotes(int port)
{
    Bytes p = packet("ZYRCISS", 2, 0xFFFFFFFF, 120 + 8008);
    p.u16(36, 0xFFFF).u8(38, 12).raw(40, {0xC3, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x48, 0, 0}).u32(56, 1);
    const Reply reply = send(port, p);
    return reply.ok && at16(reply.out, 78) == 0 ? at8(reply.out, 148 + 3) / 8 : -1;
}

// Logical units in the port's inquiry data, over all buses.
int fibreUnits(int port)
{
    const Reply reply = ioctl(port, 0x0004100C, {}, 16384);
    if (!reply.ok) {
        return -1;
    }
    int units = 0;
    for (int bus = 0; bus < at8(reply.out, 0); ++bus) {
        units += at8(reply.out, 4 + 8 * static_cast<size_t>(bus));
    }
    return units;
}

} // namespace

TEST(MachineDescriptions, TypicalMachinePortsPresentTheirControllers)
{
    tsmtest::TempMachine machine;
    machine.useDescription(std::string(TSM_MACHINES_DIR) + "/typical.xml");
    struct Csmi {
        int port;
        uint8_t cls;
        uint32_t board;
        uint8_t bus, device;
    };
    for (const Csmi& c : {Csmi{0, 4, 0x4C01F1A7, 2, 3}, Csmi{1, 1, 0x4C02F1A7, 2, 4}, Csmi{2, 3, 0x0F01E3C2, 2, 5}}) {
        SCOPED_TRACE("port " + std::to_string(c.port));
        const Reply reply = csmiConfiguration(c.port);
        ASSERT_TRUE(reply.ok) << reply.error;
        EXPECT_EQ(at8(reply.out, 46), c.cls);
        EXPECT_EQ(at32(reply.out, 40), c.board);
        EXPECT_EQ(at8(reply.out, 47), 3);
        EXPECT_EQ(at8(reply.out, 48), c.bus);
        EXPECT_EQ(at8(reply.out, 49), c.device);
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&csmiConfiguration(2).out[80])), "FCA0204H2K7");

    const Reply legacy = legacyConfiguration(3);
    ASSERT_TRUE(legacy.ok) << legacy.error;
    EXPECT_EQ(at8(legacy.out, 40), 2);
    EXPECT_EQ((at32(legacy.out, 28) >> 12) & 0xFF, 5u);
    EXPECT_EQ(slice(legacy.out, 36, 4), (std::vector<uint8_t>{0x20, 0xA0, 0x56, 0x52}));

    EXPECT_EQ(cissRemotes(0), 2);
    EXPECT_EQ(fibreUnits(2), 2);
    EXPECT_FALSE(csmiConfiguration(4).ok);
}

TEST(MachineDescriptions, LargeMachineAnswersOnEveryDescribedPort)
{
    tsmtest::TempMachine machine;
    machine.useDescription(std::string(TSM_MACHINES_DIR) + "/large.xml");
    std::map<int, int> byClass;
    int legacyPorts = 0;
    int remotes = 0;
    for (int port = 0; port < 256; ++port) {
        const Reply csmi = csmiConfiguration(port);
        if (csmi.ok && at32(csmi.out, 20) == 0) {
            const int cls = at8(csmi.out, 46);
            ++byClass[cls];
            remotes += cls == 4 ? cissRemotes(port) : cls == 3 ? fibreUnits(port) : 0;
        } else if (legacyConfiguration(port).ok) {
            ++legacyPorts;
        }
    }
    EXPECT_EQ(byClass[4], 12);
    EXPECT_EQ(byClass[1], 12);
    EXPECT_EQ(byClass[3], 12);
    EXPECT_EQ(legacyPorts, 12);
    EXPECT_EQ(remotes, 39);
}
