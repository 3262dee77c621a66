// The arrays, logical and physical drives the extended registration sets
// find on the drives and the typical machine, and drives that vanish or
// change role between refreshes.
#include "drivetree.h"
#include "registration.h"

#include <fstream>
#include <sstream>

namespace {

using drivetest::DrivesMachineTest;
using drivetest::tree;

Core::DevicePtr controller(const Core::DevicePtr& pRoot, const char* pszFirmware)
{
    return optest::controllerWith(pRoot, "FirmwareVersion", pszFirmware);
}

TEST_F(DrivesMachineTest, ArraysGroupLogicalDrivesByTheirDataDrives)
{
    EXPECT_EQ(tree(controller(s_pRoot, "3.10")), "A(L0 d0) B(L1 d1 d2 d3) C(L2 L7 d4 d5 s7) D(L3 d6 d8 d9) "
                                                 "E(L4 d10 d11 d12 d13) F(L5 d14 d15 d16 d17) G(L6 d18 d20) u19 u21 u22");
    EXPECT_EQ(tree(controller(s_pRoot, "3.12")),
              "A(L0 d128 d129 s133) B(L1 L2 L3 L4 L5 L6 L7 L8 L9 d178) u252 u253 u254 u255");
}

std::string edited(const std::vector<std::pair<std::string, std::string>>& edits)
{
    std::ifstream in(TSM_MACHINES_DIR "/drives.xml");
    std::ostringstream text;
    text << in.rdbuf();
    std::string description = text.str();
    for (const auto& [from, to] : edits) {
        const std::size_t at = description.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            description.replace(at, from.size(), to);
    }
    return description;
}

TEST(DriveChanges, VanishedDrivesLeaveAndChangedOnesAreMadeAgain)
{
    optest::useRegistrationSet(&Operations::registerArraySet);
    optest::SimulatedMachine machine("drives.xml");
    Core::DevicePtr pRoot = machine.refresh();
    // Drive 19 pulled, unassigned drive 22 made a spare of array A, logical
    // drive 7 deleted, logical drive 4 no longer a snapshot source.
    machine.describe(edited({{"<physicaldrive port=\"2\" target=\"5\"", "<!--"},
                             {"bay=\"6\"/>", "-->"},
                             {"drives=\"0:0\"", "drives=\"0:0\" spares=\"3:1\""},
                             {"<logicaldrive number=\"7\"", "<!--"},
                             {"blocksleft=\"100\"/>", "-->"},
                             {"snapshot=\"source\"", "snapshot=\"none\""}}));
    pRoot = machine.refresh();
    EXPECT_EQ(tree(controller(pRoot, "3.10")), "A(L0 d0 s22) B(L1 d1 d2 d3) C(L2 d4 d5 s7) D(L3 d6 d8 d9) "
                                               "E(L4 d10 d11 d12 d13) F(L5 d14 d15 d16 d17) G(L6 d18 d20) u21");
    EXPECT_EQ(drivetest::values(drivetest::find(pRoot, "3.10", "logicaldrive", "4"),
                                {"Status", "SourceVolume", "SnapshotReplicaStatus"}),
              "interimrecovery|-|-");
}

TEST(TypicalMachineDrives, FullSetFindsArraysOfLocalAndRemoteControllers)
{
    optest::useRegistrationSet(&Operations::registerArraySet);
    optest::SimulatedMachine machine("typical.xml");
    const Core::DevicePtr pRoot = machine.refresh();
    EXPECT_EQ(tree(controller(pRoot, "2.84")), "A(L0 d128 d129 d130 d131 s145) B(L1 d132 d133) C(L2 d144)");
    EXPECT_EQ(tree(controller(pRoot, "5.10")), "A(L0 d0 d1) u7");
    EXPECT_EQ(tree(controller(pRoot, "1.66")), "A(L0 d0 d1) B(L1 d7) u20");
    EXPECT_EQ(tree(controller(pRoot, "3.08")), "A(L0 d0 d1 d9)");
    // The remote controller identifies its drive by the number in the
    // lowest byte of the command; the description puts it in bay 8.
    EXPECT_EQ(drivetest::values(drivetest::find(pRoot, "5.10", "physicaldrive", "7"), {"Status", "SCSIBus", "BayInBox"}),
              "ok|1|8");
}

}
