// The remote identity record of the array controller behind the typical
// machine's Fibre Channel adapter, byte by byte, and the world-wide names
// that the enclosure and shorter requests still get.
#include "transport_fakedrivers.h"

#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace InfoMgr;
using xporttest::Image;
using xporttest::toHex;

TEST(FibreRemoteIdentity, ArrayControllerRecordHoldsInquiryAndFirstWorldWideName)
{
    tsmtest::TempMachine machine;
    machine.useDescription(TSM_SOURCE_DIR "/sim/machines/typical.xml");
    // Port 2: the array controller at path 0, target 1 and the enclosure at target 2.
    SchemaObjectEssentialData controller(2, 0x8007, eCSMI_FIBRE);
    controller.setAddress({0, 1, 0});
    std::array<std::uint8_t, 64> identity{};
    identity.fill(0xEE);
    ASSERT_EQ(createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(controller, identity.data(), identity.size()),
              0u);
    Image expected(64);
    expected.hex(0, "0c00 04").text(3, "ORVANE  ARRAYBOX 4800   ").hex(38, "5f1a70000b480100");
    EXPECT_EQ(toHex({identity.begin(), identity.end()}), toHex(expected.bytes()));

    // Twenty bytes ask for the names: first and second name, port state, port address.
    std::array<std::uint8_t, 20> names{};
    ASSERT_EQ(createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(controller, names.data(), names.size()), 0u);
    EXPECT_EQ(toHex({names.begin(), names.begin() + 16}), "5f1a70000b4801005f1a70000b480101");

    // The enclosure is no array controller: its record is its names.
    SchemaObjectEssentialData enclosure(2, 0x8007, eCSMI_SWITCH);
    enclosure.setAddress({0, 2, 0});
    identity.fill(0);
    ASSERT_EQ(createIoCtlCommandGroup(eCSMI_SWITCH)->getRemoteIdentity(enclosure, identity.data(), identity.size()),
              0u);
    EXPECT_EQ(toHex({identity.begin(), identity.begin() + 16}), "5f1a70000d2102005f1a70000d210201");
    EXPECT_EQ(toHex({identity.begin() + 20, identity.end()}), std::string(88, '0'));
}

}
