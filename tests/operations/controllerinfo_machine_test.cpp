// Controller information read from simulated controllers: each rule of an
// attribute group against the values the test wrote into the machine
// description. What the typical machine shows of every group is held by the
// reviewed dump of the golden test; the cases here are the edges it lacks.
#include "simulatedmachine.h"
#include "system.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using optest::expectAttributes;
using optest::valueOf;

const std::string kBoard = "<board id=\"0x4C05F1A7\" revision=\"B\" serial=\"P00TEST01\" ports=\"2\"/>";
const std::string kCache = "<cache read=\"4096\" write=\"4096\"/>";

// Each case: a controller's content (the board of kBoard when it has none)
// and the attributes it must show; "<none>" for one that must be missing.
TEST(ControllerInfoOnMachine, EveryAttributeGroupFromTheDescription)
{
    const std::vector<std::pair<std::string, std::map<std::string, std::string>>> cases{
        {"<board id=\"0x4C05F1A7\" revision=\"A\" ports=\"4\"/><firmware version=\"2.84\"/>"
         "<physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"0\" target=\"3\"/>"
         "<physicaldrive port=\"1\" target=\"2\"/><physicaldrive port=\"2\" target=\"1\" type=\"tape\"/>"
         "<logicaldrive number=\"0\" raid=\"0\" drives=\"0:0\"/><logicaldrive number=\"1\" raid=\"1\" drives=\"0:3 1:2\"/>",
         {{"FirmwareVersion", "2.84"}, {"HardwareRevision", "Rev A"}, {"Ports", "4"}, {"DrivesPerPort", "0"},
          {"UsingBigMap", "False"}, {"AttachedPhysicalDrives", "0*-*3*-*9*-*"}, {"NonDiskMap", "15*-*"},
          {"PhysicalDriveCount", "3"}, {"LogicalDriveCount", "2"}, {"ControllerName", "Tarvion ArrayLine 240"}}},
        {"<board id=\"0x4C05F1A7\" revision=\"C\" ports=\"8\" drivesperport=\"16\"/><firmware version=\"6.10\"/>"
         "<physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"1\" target=\"15\"/>"
         "<physicaldrive port=\"7\" target=\"15\"/>",
         {{"FirmwareVersion", "6.10"}, {"HardwareRevision", "Rev C"}, {"Ports", "8"}, {"DrivesPerPort", "16"},
          {"UsingBigMap", "True"}, {"AttachedPhysicalDrives", "128*-*159*-*255*-*"}, {"NonDiskMap", "<none>"},
          {"PhysicalDriveCount", "3"}, {"LogicalDriveCount", "0"}}},
        {"<board id=\"0x4C05F1A7\" revision=\"D\"/><firmware version=\"0.99\"/>",
         {{"HardwareRevision", "Rev Unknown"}, {"FirmwareVersion", "0.99"}}},
        // Names from the board table, and a board no table knows.
        {"<board id=\"0x4C0EF1A7\"/>", {{"ControllerName", "Tarvion ArrayLine 520 Integrated"}, {"BusType", "pci"}}},
        {"<board id=\"0x4CFFF1A7\"/>", {{"ControllerName", "Unknown"}}},
        // Cache sizes, ratio and status.
        {"<cache read=\"1000\" write=\"3000\" total=\"4096\"/>",
         {{"CacheSizeRead", "1000"}, {"CacheSizeWrite", "3000"}, {"CacheSizeTotal", "4096"}, {"CacheRatio", "25/75"}}},
        {"<cache read=\"3000\" write=\"1000\" total=\"4096\"/>", {{"CacheRatio", "75/25"}}},
        {"<cache read=\"100\" write=\"900\"/>", {{"CacheRatio", "10/90"}, {"CacheSizeTotal", "1000"}}},
        // 67.99 % truncates to 67 and rounds down to 65; 32 % rounds down to 30.
        {"<cache read=\"2785\" write=\"1311\" total=\"4096\"/>", {{"CacheRatio", "65/30"}}},
        {"<cache read=\"0\" write=\"0\" total=\"8192\"/>", {{"CacheRatio", "100/0"}, {"CacheSizeTotal", "8192"}}},
        {"<cache read=\"4096\" write=\"4096\" status=\"permanentlydisabled\"/>", {{"CacheStatus", "PermenantlyDisabled"}}},
        {"<cache read=\"4096\" write=\"4096\" status=\"runadu\"/>", {{"CacheStatus", "RunADU"}}},
        {"<battery packs=\"1\"/>",
         {{"CacheBoardPresent", "False"}, {"CacheSizeRead", "<none>"}, {"CacheSizeTotal", "<none>"},
          {"CacheRatio", "<none>"}, {"CacheStatus", "<none>"}, {"BatteryPackCount", "<none>"},
          {"BatteryStatus", "<none>"}, {"CacheSizeShiftFactor", "<none>"}}},
        // Battery states.
        {kCache + "<battery packs=\"4\" failed=\"0 3\"/>", {{"BatteryPackCount", "4"}, {"BatteryStatus", "Failed"}}},
        {kCache + "<battery packs=\"0\"/>", {{"BatteryPackCount", "0"}, {"BatteryStatus", "<none>"}}},
        // The surface analysis delay in seconds from tenths.
        {kCache + "<firmware surfacedelay=\"9\"/>", {{"SurfaceAnalysisDelay", "0"}}},
        {kCache + "<firmware surfacedelay=\"6000\"/>", {{"SurfaceAnalysisDelay", "600"}}},
        // Redundancy of paired controllers.
        {kCache + "<firmware redundancy=\"primary\" redundancyfailed=\"true\"/>",
         {{"RedundantState", "Primary"}, {"RedundancyStatus", "Failed"}}},
        // Priorities by number: up to 0 low, up to 117 medium, high above.
        {kCache + "<firmware rebuildpriority=\"0\" expandpriority=\"255\"/>",
         {{"RebuildPriority", "Low"}, {"ExpandPriority", "High"}, {"SnapshotPriority", "<none>"}}},
        {kCache + "<firmware rebuildpriority=\"1\" expandpriority=\"118\"/>",
         {{"RebuildPriority", "Medium"}, {"ExpandPriority", "High"}}},
        {kCache + "<firmware rebuildpriority=\"117\" expandpriority=\"0\"/>",
         {{"RebuildPriority", "Medium"}, {"ExpandPriority", "Low"}}},
        {kCache + "<firmware rebuildpriority=\"118\" expandpriority=\"117\"/>",
         {{"RebuildPriority", "High"}, {"ExpandPriority", "Medium"}}},
        {kCache + "<firmware rebuildpriority=\"255\" expandpriority=\"1\"/>",
         {{"RebuildPriority", "High"}, {"ExpandPriority", "Medium"}}},
    };
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content);
        const optest::OneController one(content.find("<board") == std::string::npos ? kBoard + content : content);
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, expected);
        EXPECT_EQ(valueOf(one.pController, "FullName"),
                  valueOf(one.pController, "ControllerName") + " in Slot " + valueOf(one.pController, "Slot"));
    }
    // The standby partner of a pair is not shown at all.
    const optest::OneController standby(kBoard + "<firmware redundancy=\"standby\"/>");
    EXPECT_EQ(standby.pController.get(), nullptr);
    EXPECT_EQ(Schema::System::instance()->childCount(), 0u);
}

std::string remote(unsigned target, const std::string& board, const std::string& firmware)
{
    return "<remote path=\"1\" target=\"" + std::to_string(target) + "\" kind=\"controller\">" + board + firmware +
           "<cache read=\"64\" write=\"64\"/></remote>";
}

TEST(ControllerInfoOnMachine, RemoteControllersWithoutANameAndTheSnapshotPriority)
{
    const optest::OneController one(
        kBoard + kCache +
        remote(1, "<board product=\"ARRAYBOX 4800   \" serial=\"C1\" chassis=\"K1\"/>",
               "<firmware snapshotpriority=\"high\" rebuildpriority=\"low\"/>") +
        remote(4, "<board product=\"RAIDSHELF 2100  \" serial=\"E02\" chassis=\"K20\"/>", "<firmware/>"));
    // Text fields keep their 32-character width.
    const auto wide = [](const std::string& text) { return text + std::string(32 - text.size(), ' '); };
    const auto byChassis = [&](const char* pszChassis) {
        return optest::controllerWith(Schema::System::instance(), "ChassisSerialNumber", wide(pszChassis));
    };
    ASSERT_NE(byChassis("K1").get(), nullptr);
    ASSERT_NE(byChassis("K20").get(), nullptr);
    expectAttributes(byChassis("K1"), {{"SnapshotPriority", "High"}, {"RebuildPriority", "Low"}});
    // Without a name the box is known by its chassis serial number.
    expectAttributes(byChassis("K20"), {{"Location", "remote"},
                                        {"HardwareName", "<none>"},
                                        {"Boxname", wide("K20")},
                                        {"ControllerName", "Tarvion RaidShelf 2100 Enclosure"},
                                        {"FullName", "Tarvion RaidShelf 2100 Enclosure at " + wide("K20")},
                                        {"ControllerSerialNumber", wide("E02")},
                                        {"AccessID", "<none>"},
                                        {"SnapshotPriority", "<none>"}});
}

}
