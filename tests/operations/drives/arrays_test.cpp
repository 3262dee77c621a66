// The arrays, logical and physical drives the extended registration sets
// find on the drives and the typical machine, drives that vanish or change
// role between refreshes, and each attribute group of drive information
// against the values the drives machine's description sets (3.10 is the
// controller with the 4 x 7 layout, 3.12 the one with the 8 x 16 layout).
#include "drivetree.h"
#include "registration.h"

namespace {

using drivetest::DrivesMachineTest;
using drivetest::expectRows;
using drivetest::tree;

Core::DevicePtr controller(const Core::DevicePtr& pRoot, const char* pszFirmware)
{
    return optest::controllerWith(pRoot, "FirmwareVersion", pszFirmware);
}

std::string edited(const std::vector<std::pair<std::string, std::string>>& edits)
{
    std::string description = tsmtest::readFile(TSM_MACHINES_DIR "/drives.xml");
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
    // Arrays group their logical drives by their data drives.
    EXPECT_EQ(tree(controller(pRoot, "3.10")),
              "A(L0 d0) B(L1 d1 d2 d3) C(L2 L7 d4 d5 s7) D(L3 d6 d8 d9 s21) "
              "E(L4 d10 d11 d12 d13 d23 d24) F(L5 d14 d15 d16 d17) G(L6 d18 d20) u19 u22");
    EXPECT_EQ(tree(controller(pRoot, "3.12")),
              "A(L0 d128 d129 s133) B(L1 L2 L3 L5 L6 L7 L8 L9 d178) C(L4 d179 d180) u252 u253 u254 u255");
    // Drive 19 pulled, unassigned drive 22 made a spare of array A, logical
    // drive 7 deleted, logical drive 4 no longer a snapshot source.
    machine.describe(edited({{"<physicaldrive port=\"2\" target=\"5\"", "<!--"},
                             {"bay=\"6\"/>", "-->"},
                             {"drives=\"0:0\"", "drives=\"0:0\" spares=\"3:1\""},
                             {"<logicaldrive number=\"7\"", "<!--"},
                             {"blocksleft=\"100\"/>", "-->"},
                             {"snapshot=\"source\"", "snapshot=\"none\""}}));
    pRoot = machine.refresh();
    EXPECT_EQ(tree(controller(pRoot, "3.10")), "A(L0 d0 s22) B(L1 d1 d2 d3) C(L2 d4 d5 s7) D(L3 d6 d8 d9 s21) "
                                               "E(L4 d10 d11 d12 d13 d23 d24) F(L5 d14 d15 d16 d17) G(L6 d18 d20)");
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
    EXPECT_EQ(
        drivetest::values(drivetest::find(pRoot, "5.10", "physicaldrive", "7"), {"Status", "SCSIBus", "BayInBox"}),
        "ok|1|8");
}

TEST_F(DrivesMachineTest, LogicalDriveConfigurationGeometryStatusAndSnapshots)
{
    expectRows(s_pRoot, "logicaldrive",
               {"RaidLevel", "StripeSize", "DataOffset", "BlocksPerDrive", "DrivesForFaultTolerance"},
               {{"3.10", "0", "raid0|16|0|2083328|0"},
                {"3.10", "1", "raid4|32|4294967295|2147483648|1"},
                {"3.10", "2", "raid1|64|1024|71130912|1"},
                {"3.10", "5", "adg|8|0|1000|2"},
                {"3.10", "6", "-|128|0|500000|0"}}); // a RAID code without a name

    expectRows(s_pRoot, "logicaldrive",
               {"Heads", "Sectors", "Cylinders", "UseableBlocks", "BlockSize", "Size", "IsBigLogicalDrive"},
               {{"3.10", "0", "64|32|1017|2083328|512|1017|-"},
                {"3.10", "1", "255|63|65535|4294967295|512|2097151|-"}, // largest 32-bit count
                {"3.10", "5", "255|63|65535|6000000000|512|2929687|True"}, // big, block size 0
                {"3.10", "6", "16|8|7812|1000000|4096|3906|-"}});

    expectRows(s_pRoot, "logicaldrive", {"Status", "BlocksLeftToRebuild", "BlocksLeftToExpand", "MediaExchangeReady"},
               {{"3.10", "0", "ok|-|-|-"},
                {"3.10", "1", "expanding|-|12345|-"},
                {"3.10", "2", "recovering|4294967295|-|-"},
                {"3.10", "3", "recovering|77|-|-"},
                {"3.10", "4", "interimrecovery|-|-|-"},
                {"3.10", "5", "queuedforexpansion|-|-|True"},
                {"3.10", "6", "-|-|-|-"}, // a status code without a name
                {"3.12", "0", "recovering|5000000000|-|-"}}); // the 64-bit count
    std::string statuses;
    for (const char* pszNumber : {"1", "2", "3", "4", "5", "6", "7", "8", "9"})
        statuses += drivetest::values(drivetest::find(s_pRoot, "3.12", "logicaldrive", pszNumber), {"Status"}) + " ";
    EXPECT_EQ(statuses, "ok failed notconfigured readyforrecovery wrongdrivereplaced driveimproperlyconnected "
                        "hardwareisoverheating hardwarehasoverheated notyetavailable ");

    expectRows(s_pRoot, "logicaldrive", {"ArrayAccelerator", "SourceVolume", "SnapshotReplicaStatus"},
               {{"3.10", "0", "Enabled|-|-"},
                {"3.10", "4", "Enabled|2|resourceobsolete"},
                {"3.10", "5", "Disabled|-|sourcefailed"},
                {"3.12", "9", "Disabled|-|-"}}); // the controller's accelerator is off
    // Logical drives 2 and 7 rebuild onto drive 7, drive 3 onto drive 21;
    // the 8 x 16 controller names its drive in the big map's byte.
    EXPECT_EQ(optest::valueOf(controller(s_pRoot, "3.10"), "RebuildingDriveList"), "7*-*21*-*");
    EXPECT_EQ(optest::valueOf(controller(s_pRoot, "3.12"), "RebuildingDriveList"), "133*-*");
}

TEST_F(DrivesMachineTest, PhysicalDrivePositionCapacityIdentityAndTransfer)
{
    expectRows(s_pRoot, "physicaldrive",
               {"Status", "SCSIBus", "SCSIID", "BoxOnBus", "BayInBox", "TotalBlocks", "BlockSize", "Size"},
               {{"3.10", "19", "ok|2|5|3|6|143369904|512|70004"},
                {"3.12", "252", "ok|7|12|8|13|4294967286|512|2097151"}, // more reserved than total
                {"3.12", "253", "ok|7|13|8|14|990|512|0"},
                {"3.12", "255", "ok|7|15|8|16|286749488|512|140014"}});

    // The 8-byte field is "ProductID", the 16-byte one "VendorID"; texts keep their width.
    const std::string serial19 = "3HXS000019" + std::string(30, ' ');
    expectRows(s_pRoot, "physicaldrive", {"ProductID", "VendorID", "SerialNumber", "FirmwareRevision", "Stamped"},
               {{"3.10", "19", ("VELDRA  |OVD072B8K3      |" + serial19 + "|C220    |no").c_str()}});
    expectRows(s_pRoot, "physicaldrive", {"DriveTransferRate", "DriveTransferMode", "DriveRebuilding"},
               {{"3.10", "19", "40 MB/Sec|Ultra 2 Narrow|-"},
                {"3.10", "22", "-|-|-"}, // bit 7 of the mode byte without bit 6
                {"3.12", "254", "40 MB/Sec|Ultra Wide|-"},
                {"3.12", "255", "320 MB/Sec|Ultra 320 Wide|-"}});

    // Discovery gives data and spare drives no "ok" status.
    expectRows(s_pRoot, "physicaldrive", {"Status", "SCSIBus", "SCSIID", "Size", "TotalBlocks", "ActiveSpareFor"},
               {{"3.10", "7", "failed|1|0|0|-|FailedDrive"},
                {"3.10", "20", "failed|2|6|0|-|-"},
                {"3.10", "21", "failed|3|0|0|-|FailedDrive"}, // logical drive 3 rebuilds onto it
                {"3.12", "133", "failed|0|5|0|-|FailedDrive"},
                {"3.12", "178", "failed|3|2|0|-|-"}});
}

}
