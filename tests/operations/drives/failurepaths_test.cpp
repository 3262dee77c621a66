// Drive information when commands fail or facts go stale, with the full
// registration set on one simulated controller: a drive that stops answering
// identify on a later refresh, logical drive commands that fail after
// discovery, an accelerator enabled without a list of drives, and a rebuild
// list that keeps a drive after its rebuild, which the health gauges see
// through.
#include "drivetree.h"
#include "prometheusformat.h"
#include "system.h"

namespace {

using drivetest::below;
using drivetest::values;

// Drives 0 to 3 and an unassigned drive 9 (port 1 target 2) in the given bay
// of box 2; logical drive 0 is a RAID 5 of drives 0 to 2 with drive 3 as its
// spare.
std::string controllerContent(const std::string& logicalDrive, const std::string& rest = "", const char* pszBay = "4")
{
    return "<board ports=\"2\"/><physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"0\" target=\"1\"/>"
           "<physicaldrive port=\"0\" target=\"2\"/><physicaldrive port=\"0\" target=\"3\"/>"
           "<physicaldrive port=\"1\" target=\"2\" serial=\"3HXT000009\" box=\"2\" bay=\"" +
           std::string(pszBay) +
           "\"/>"
           "<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" spares=\"0:3\" " +
           logicalDrive + "/>" + rest;
}

// The value of the device's sample of the gauge, "-" when there is none.
std::string gauge(const std::string& metrics, const std::string& name, const Core::DevicePtr& pDevice)
{
    const std::string start = "\n" + name + "{unique_id=\"" + optest::valueOf(pDevice, "UniqueID") + "\",";
    const std::size_t at = metrics.find(start);
    if (at == std::string::npos)
        return "-";
    const std::size_t end = metrics.find('\n', at + 1);
    return metrics.substr(metrics.rfind(' ', end) + 1, end - metrics.rfind(' ', end) - 1);
}

// The drive operations run with the full set, whichever test runs first.
class DriveFailurePaths : public testing::Test {
protected:
    void SetUp() override { optest::useRegistrationSet(&Operations::registerArraySet); }
};

TEST_F(DriveFailurePaths, IdentifyFailingOnALaterRefreshPublishesTheFailedSetAndKeepsTheRest)
{
    optest::OneController one(controllerContent(""));
    ASSERT_NE(one.pController.get(), nullptr);
    ASSERT_EQ(values(below(one.pController, "physicaldrive", "9"), {"Status", "BayInBox", "Size"}), "ok|4|34731");
    // Discovery's identify still answers, the read's that follows does not;
    // the drive moved to bay 6, which only that read could show.
    one.refresh(controllerContent("", "<fail opcode=\"0x15\" drive=\"9\" after=\"1\" commandstatus=\"4\"/>", "6"));
    const Core::DevicePtr pDrive = below(one.pController, "physicaldrive", "9");
    ASSERT_NE(pDrive.get(), nullptr);
    EXPECT_EQ(values(pDrive, {"Status", "SCSIBus", "SCSIID", "Size", "BoxOnBus", "BayInBox", "SerialNumber"}),
              "failed|1|2|0|2|4|3HXT000009" + std::string(30, ' '));
    const std::string metrics = tsmtool::prometheusFacts(*Schema::System::instance());
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_failed", pDrive), "1") << metrics;
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_identified", pDrive), "0") << metrics;
}

TEST_F(DriveFailurePaths, LogicalDriveCommandsFailingAfterDiscoveryPublishNothing)
{
    // The second refresh describes other values and fails one command of the
    // read that follows discovery: every earlier value stays.
    for (const char* pszOpcode : {"0x50", "0x12"}) {
        SCOPED_TRACE(pszOpcode);
        optest::OneController one(controllerContent("stripe=\"64\""));
        const std::vector<std::string> names = {"RaidLevel", "StripeSize", "Status", "BlocksLeftToExpand"};
        ASSERT_EQ(values(below(one.pController, "logicaldrive", "0"), names), "raid5|64|ok|-");
        one.refresh(controllerContent("stripe=\"256\" status=\"expanding\" blocksleft=\"500\"",
                                      std::string("<fail opcode=\"") + pszOpcode +
                                          "\" drive=\"0\" after=\"1\" commandstatus=\"4\"/>"));
        EXPECT_EQ(values(below(one.pController, "logicaldrive", "0"), names), "raid5|64|ok|-");
    }
}

TEST_F(DriveFailurePaths, AcceleratorEnabledWithoutAListLeavesTheLogicalDrivesAlone)
{
    // Every one of the 32 logical drives has its accelerator off, so the
    // controller's accelerator is on with no drive to list.
    std::string content =
        "<board ports=\"1\"/><cache accelerator=\"enabled\"/><physicaldrive port=\"0\" target=\"0\"/>";
    for (int n = 0; n < 32; ++n)
        content += "<logicaldrive number=\"" + std::to_string(n) +
                   "\" raid=\"0\" drives=\"0:0\" blocks=\"1000\" accelerator=\"disabled\"/>";
    const optest::OneController one(content);
    ASSERT_NE(one.pController.get(), nullptr);
    EXPECT_EQ(values(one.pController, {"ArrayAccelerator", "EnabledAcceleratorList"}), "Enabled|-");
    EXPECT_EQ(values(below(one.pController, "logicaldrive", "31"), {"RaidLevel", "ArrayAccelerator"}), "raid0|-");
}

TEST_F(DriveFailurePaths, ARebuiltDriveStaysOnTheRebuildListButNotInTheGauges)
{
    optest::OneController one(controllerContent(
        "failed=\"0:1\" activespares=\"0:3\" status=\"recovering\" rebuilding=\"0:3\" blocksleft=\"4000\""));
    ASSERT_NE(one.pController.get(), nullptr);
    std::string metrics = tsmtool::prometheusFacts(*Schema::System::instance());
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_rebuilding", below(one.pController, "physicaldrive", "3")), "1")
        << metrics;
    // The rebuild ends; then the spare is taken out of the array. The tree
    // keeps the drive on the list, the gauge does not.
    one.refresh(controllerContent("failed=\"0:1\""));
    metrics = tsmtool::prometheusFacts(*Schema::System::instance());
    EXPECT_EQ(optest::valueOf(one.pController, "RebuildingDriveList"), "3*-*");
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_rebuilding", below(one.pController, "physicaldrive", "3")), "0")
        << metrics;
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_failed", below(one.pController, "physicaldrive", "1")), "1")
        << metrics;
    one.refresh("<board ports=\"1\"/><physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"0\" target=\"1\"/>"
                "<physicaldrive port=\"0\" target=\"2\"/><physicaldrive port=\"0\" target=\"3\"/>"
                "<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" failed=\"0:1\"/>");
    EXPECT_EQ(optest::valueOf(one.pController, "RebuildingDriveList"), "3*-*");
    const Core::DevicePtr pFormerSpare = below(one.pController, "physicaldrive", "3");
    EXPECT_EQ(values(pFormerSpare, {"DriveType", "Status", "DriveRebuilding"}), "unassigned|ok|True");
    metrics = tsmtool::prometheusFacts(*Schema::System::instance());
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_rebuilding", pFormerSpare), "0") << metrics;
    EXPECT_EQ(gauge(metrics, "tsm_physical_drive_identified", pFormerSpare), "1") << metrics;
}

}
