// Controller information read from simulated controllers: every attribute
// group checked against the values the test wrote into the machine
// description.
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

// A machine with one CISS controller of the given content, refreshed once;
// the controller is null unless exactly one internal controller was found.
struct OneController {
    optest::SimulatedMachine machine;
    Core::DevicePtr pController;

    explicit OneController(const std::string& content, const std::string& attributes = std::string())
        : machine(optest::machineDescription(optest::port(0, "ciss", content, attributes)))
    {
        pController = optest::controllerWith(machine.refresh(), "Location", "local");
    }
};

using Expected = std::map<std::string, std::string>;


// Each case: a controller's content (the board of kBoard when it has none)
// and the attributes it must show; "<none>" for one that must be missing.
TEST(ControllerInfoOnMachine, EveryAttributeGroupFromTheDescription)
{
    const std::string cache = "<cache read=\"4096\" write=\"4096\"/>";
    const std::vector<std::pair<std::string, Expected>> cases{
        {"<board id=\"0x4C05F1A7\" revision=\"A\" ports=\"4\"/><firmware version=\"2.84\"/>"
         "<physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"0\" target=\"3\"/>"
         "<physicaldrive port=\"1\" target=\"2\"/><physicaldrive port=\"2\" target=\"1\" type=\"tape\"/>"
         "<logicaldrive number=\"0\" raid=\"0\" drives=\"0:0\"/><logicaldrive number=\"1\" raid=\"1\" drives=\"0:3 1:2\"/>",
         {{"FirmwareVersion", "2.84"}, {"HardwareRevision", "Rev A"}, {"Ports", "4"}, {"DrivesPerPort", "0"},
          {"UsingBigMap", "False"}, {"AttachedPhysicalDrives", "0*-*3*-*9*-*"}, {"NonDiskMap", "15*-*"},
          {"PhysicalDriveCount", "3"}, {"LogicalDriveCount", "2"}}},
        {"<board id=\"0x4C05F1A7\" revision=\"C\" ports=\"8\" drivesperport=\"16\"/><firmware version=\"6.10\"/>"
         "<physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"1\" target=\"15\"/>"
         "<physicaldrive port=\"7\" target=\"15\"/>",
         {{"FirmwareVersion", "6.10"}, {"HardwareRevision", "Rev C"}, {"Ports", "8"}, {"DrivesPerPort", "16"},
          {"UsingBigMap", "True"}, {"AttachedPhysicalDrives", "128*-*159*-*255*-*"}, {"NonDiskMap", "<none>"},
          {"PhysicalDriveCount", "3"}, {"LogicalDriveCount", "0"}}},
        {"<board id=\"0x4C05F1A7\" revision=\"B\"/><firmware version=\"1.00\"/>",
         {{"HardwareRevision", "Rev B"}, {"FirmwareVersion", "1.00"}}},
        {"<board id=\"0x4C05F1A7\" revision=\"D\"/><firmware version=\"0.99\"/>",
         {{"HardwareRevision", "Rev Unknown"}, {"FirmwareVersion", "0.99"}}},
        {"<board id=\"0x4C05F1A7\" fibrechips=\"2\"/>", {{"FibreChipCount", "2"}}},
        {"", {{"FibreChipCount", "<none>"}}},
        // Cache sizes, ratio and status.
        {"<cache read=\"16384\" write=\"49152\"/><battery packs=\"1\"/>",
         {{"CacheBoardPresent", "True"}, {"CacheSizeShiftFactor", "KB"}, {"CacheSizeRead", "16384"},
          {"CacheSizeWrite", "49152"}, {"CacheSizeTotal", "65536"}, {"CacheRatio", "25/75"}, {"CacheStatus", "OK"}}},
        {"<cache read=\"1000\" write=\"3000\" total=\"4096\"/>",
         {{"CacheSizeRead", "1000"}, {"CacheSizeWrite", "3000"}, {"CacheSizeTotal", "4096"}, {"CacheRatio", "25/75"}}},
        {"<cache read=\"3000\" write=\"1000\" total=\"4096\"/>", {{"CacheRatio", "75/25"}}},
        {"<cache read=\"8192\" write=\"8192\"/>", {{"CacheRatio", "50/50"}, {"CacheSizeTotal", "16384"}}},
        {"<cache read=\"100\" write=\"900\"/>", {{"CacheRatio", "10/90"}}},
        // 67.99 % truncates to 67 and rounds down to 65; 32 % rounds down to 30.
        {"<cache read=\"2785\" write=\"1311\" total=\"4096\"/>", {{"CacheRatio", "65/30"}}},
        {"<cache read=\"0\" write=\"0\" total=\"8192\"/>", {{"CacheRatio", "100/0"}, {"CacheSizeTotal", "8192"}}},
        {"<cache read=\"4096\" write=\"4096\" status=\"temporarilydisabled\"/>", {{"CacheStatus", "TemporarilyDisabled"}}},
        {"<cache read=\"4096\" write=\"4096\" status=\"permanentlydisabled\"/>", {{"CacheStatus", "PermenantlyDisabled"}}},
        {"<cache read=\"4096\" write=\"4096\" status=\"runadu\"/>", {{"CacheStatus", "RunADU"}}},
        {"<battery packs=\"1\"/>",
         {{"CacheBoardPresent", "False"}, {"CacheSizeRead", "<none>"}, {"CacheSizeTotal", "<none>"},
          {"CacheRatio", "<none>"}, {"CacheStatus", "<none>"}, {"BatteryPackCount", "<none>"},
          {"BatteryStatus", "<none>"}, {"CacheSizeShiftFactor", "<none>"}}},
        // Battery states.
        {cache + "<battery packs=\"2\"/>", {{"BatteryPackCount", "2"}, {"BatteryStatus", "OK"}}},
        {cache + "<battery packs=\"3\" failed=\"1\"/>", {{"BatteryPackCount", "3"}, {"BatteryStatus", "Failed"}}},
        {cache + "<battery packs=\"4\" failed=\"0 3\"/>", {{"BatteryPackCount", "4"}, {"BatteryStatus", "Failed"}}},
        {cache + "<battery packs=\"0\"/>", {{"BatteryPackCount", "0"}, {"BatteryStatus", "<none>"}}},
        // The surface analysis delay in seconds from tenths.
        {cache + "<firmware surfacedelay=\"30\"/>", {{"SurfaceAnalysisDelay", "3"}}},
        {cache + "<firmware surfacedelay=\"155\"/>", {{"SurfaceAnalysisDelay", "15"}}},
        {cache + "<firmware surfacedelay=\"9\"/>", {{"SurfaceAnalysisDelay", "0"}}},
        {cache + "<firmware surfacedelay=\"0\"/>", {{"SurfaceAnalysisDelay", "0"}}},
        {cache + "<firmware surfacedelay=\"6000\"/>", {{"SurfaceAnalysisDelay", "600"}}},
        // Redundancy of paired controllers.
        {cache + "<firmware redundancy=\"active\"/>", {{"RedundantState", "Active"}, {"RedundancyStatus", "Ok"}}},
        {cache + "<firmware redundancy=\"primary\" redundancyfailed=\"true\"/>",
         {{"RedundantState", "Primary"}, {"RedundancyStatus", "Failed"}}},
        {cache + "<firmware redundancy=\"none\"/>", {{"RedundantState", "<none>"}, {"RedundancyStatus", "<none>"}}},
    };
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content);
        const OneController one(content.find("<board") == std::string::npos ? kBoard + content : content);
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, expected);
    }
    // The standby partner of a pair is not shown at all.
    const OneController standby(kBoard + "<firmware redundancy=\"standby\"/>");
    EXPECT_EQ(standby.pController.get(), nullptr);
    EXPECT_EQ(Schema::System::instance()->childCount(), 0u);
}

TEST(ControllerInfoOnMachine, AcceleratorFollowsCacheAndLogicalDrives)
{
    const std::string drives = "<physicaldrive port=\"0\" target=\"0\"/>"
                               "<logicaldrive number=\"0\" raid=\"0\" drives=\"0:0\"/>"
                               "<logicaldrive number=\"1\" raid=\"0\" drives=\"0:0\" accelerator=\"disabled\"/>"
                               "<logicaldrive number=\"4\" raid=\"0\" drives=\"0:0\" accelerator=\"disabled\"/>";
    {
        const OneController one(kBoard + "<cache read=\"4096\" write=\"4096\" accelerator=\"enabled\"/>" + drives);
        ASSERT_NE(one.pController.get(), nullptr);
        std::string list = "0*-*2*-*3*-*";
        for (int n = 5; n < 32; ++n)
            list += std::to_string(n) + "*-*";
        expectAttributes(one.pController, {{"ArrayAccelerator", "Enabled"}, {"EnabledAcceleratorList", list}});
    }
    {
        const OneController one(kBoard + "<cache read=\"4096\" write=\"4096\" accelerator=\"disabled\"/>" + drives);
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, {{"ArrayAccelerator", "Disabled"}, {"EnabledAcceleratorList", "<none>"}});
    }
}

TEST(ControllerInfoOnMachine, RebuildAndExpandPriorities)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"low", "Low"}, {"medium", "Medium"}, {"high", "High"}, {"0", "Low"},
        {"1", "Medium"}, {"117", "Medium"}, {"118", "High"}, {"255", "High"}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        // Each priority is paired with another one, so the two fields are
        // not confused with each other.
        const auto& rebuild = cases[i];
        const auto& expand = cases[(i + 3) % cases.size()];
        SCOPED_TRACE(rebuild.first + " / " + expand.first);
        const OneController one(kBoard + "<firmware rebuildpriority=\"" + rebuild.first + "\" expandpriority=\"" +
                                expand.first + "\"/><cache read=\"64\" write=\"64\"/>");
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, {{"RebuildPriority", rebuild.second},
                                           {"ExpandPriority", expand.second},
                                           {"SnapshotPriority", "<none>"}});
    }
}

// Remote controllers behind one CISS controller, with the content given.
std::string behindCiss(const std::string& remotes)
{
    return kBoard + "<cache read=\"64\" write=\"64\"/>" + remotes;
}

std::string remote(unsigned target, const std::string& board, const std::string& firmware)
{
    return "<remote path=\"1\" target=\"" + std::to_string(target) + "\" kind=\"controller\">" + board + firmware +
           "<cache read=\"64\" write=\"64\"/></remote>";
}

TEST(ControllerInfoOnMachine, NamesFromTheBoardTable)
{
    struct Case {
        std::string board;
        const char* pszName;
    };
    for (const Case& c : std::vector<Case>{{"0x4C01F1A7", "Tarvion ArrayLine 210"},
                                           {"0x4C05F1A7", "Tarvion ArrayLine 240"},
                                           {"0x4C0EF1A7", "Tarvion ArrayLine 520 Integrated"},
                                           {"0x4CFFF1A7", "Unknown"}}) {
        SCOPED_TRACE(c.board);
        const OneController one("<board id=\"" + c.board + "\"/>");
        ASSERT_NE(one.pController.get(), nullptr);
        EXPECT_EQ(valueOf(one.pController, "ControllerName"), c.pszName);
        EXPECT_EQ(valueOf(one.pController, "FullName"),
                  std::string(c.pszName) + " in Slot " + valueOf(one.pController, "Slot"));
        EXPECT_EQ(valueOf(one.pController, "BusType"), "pci");
    }
    // An EISA board: its bus and its board identifier 0x5256A020.
    const OneController eisa("", "bus=\"eisa\" board=\"0x5256A020\" slot=\"7\"");
    ASSERT_NE(eisa.pController.get(), nullptr);
    expectAttributes(eisa.pController, {{"BusType", "eisa"}, {"SubsystemID", "1381408800"}});
}

TEST(ControllerInfoOnMachine, RemoteControllersByTheirBoxAndSnapshotPriority)
{
    const OneController one(behindCiss(
        remote(1, "<board product=\"ARRAYBOX 4800   \" serial=\"C1\" chassis=\"K1\"/>",
               "<firmware snapshotpriority=\"high\" rebuildpriority=\"low\"/>") +
        remote(2, "<board product=\"ARRAYBOX 4800   \" serial=\"C2\" chassis=\"K2\"/>",
               "<firmware snapshotpriority=\"0\"/>") +
        remote(3, "<board product=\"ARRAYBOX 4400   \" name=\"Rack 2 array\" serial=\"E01\" chassis=\"K10\"/>",
               "<firmware accessid=\"STORAGE-A\" snapshotpriority=\"high\"/>") +
        remote(4, "<board product=\"RAIDSHELF 2100  \" serial=\"E02\" chassis=\"K20\"/>", "<firmware/>")));
    // Text fields keep their 32-character width.
    const auto wide = [](const std::string& text) { return text + std::string(32 - text.size(), ' '); };
    const auto byChassis = [&](const char* pszChassis) {
        return optest::controllerWith(Schema::System::instance(), "ChassisSerialNumber", wide(pszChassis));
    };
    ASSERT_NE(byChassis("K1").get(), nullptr);
    ASSERT_NE(byChassis("K2").get(), nullptr);
    ASSERT_NE(byChassis("K10").get(), nullptr);
    ASSERT_NE(byChassis("K20").get(), nullptr);
    // The snapshot priority only on the clustered controller.
    expectAttributes(byChassis("K1"), {{"SnapshotPriority", "High"}, {"RebuildPriority", "Low"}});
    expectAttributes(byChassis("K2"), {{"SnapshotPriority", "Low"}});
    expectAttributes(byChassis("K10"), {{"Location", "remote"},
                                        {"VendorID", "ORVANE  "},
                                        {"HardwareName", "Rack 2 array"},
                                        {"Boxname", "Rack 2 array"},
                                        {"ControllerName", "Tarvion ArrayBox 4400 Enclosure"},
                                        {"FullName", "Tarvion ArrayBox 4400 Enclosure at Rack 2 array"},
                                        {"ControllerSerialNumber", wide("E01")},
                                        {"AccessID", "STORAGE-A"},
                                        {"SnapshotPriority", "<none>"}});
    expectAttributes(byChassis("K20"), {{"HardwareName", "<none>"},
                                        {"Boxname", wide("K20")},
                                        {"ControllerName", "Tarvion RaidShelf 2100 Enclosure"},
                                        {"FullName", "Tarvion RaidShelf 2100 Enclosure at " + wide("K20")},
                                        {"AccessID", "<none>"}});
    // Internal controllers carry neither a hardware name nor a box.
    ASSERT_NE(one.pController.get(), nullptr);
    expectAttributes(one.pController,
                     {{"HardwareName", "<none>"}, {"Boxname", "<none>"}, {"Location", "local"}, {"SnapshotPriority", "<none>"}});
}

}
