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

void expectAttributes(const Core::DevicePtr& pDevice, const Expected& expected)
{
    for (const auto& [name, value] : expected) {
        SCOPED_TRACE(name);
        EXPECT_EQ(valueOf(pDevice, name), value);
    }
}

TEST(ControllerInfoOnMachine, FirmwareRevisionPortsAndDriveMaps)
{
    struct Case {
        const char* pszName;
        std::string content;
        Expected expected;
    };
    const std::vector<Case> cases{
        {"small maps",
         "<board id=\"0x4C05F1A7\" revision=\"A\" ports=\"4\"/><firmware version=\"2.84\"/>"
         "<physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"0\" target=\"3\"/>"
         "<physicaldrive port=\"1\" target=\"2\"/><physicaldrive port=\"2\" target=\"1\" type=\"tape\"/>"
         "<logicaldrive number=\"0\" raid=\"0\" drives=\"0:0\"/><logicaldrive number=\"1\" raid=\"1\" drives=\"0:3 1:2\"/>",
         {{"FirmwareVersion", "2.84"}, {"HardwareRevision", "Rev A"}, {"Ports", "4"}, {"DrivesPerPort", "0"},
          {"UsingBigMap", "False"}, {"AttachedPhysicalDrives", "0*-*3*-*9*-*"}, {"NonDiskMap", "15*-*"},
          {"PhysicalDriveCount", "3"}, {"LogicalDriveCount", "2"}}},
        {"big maps",
         "<board id=\"0x4C05F1A7\" revision=\"C\" ports=\"8\" drivesperport=\"16\"/><firmware version=\"6.10\"/>"
         "<physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"1\" target=\"15\"/>"
         "<physicaldrive port=\"7\" target=\"15\"/>",
         {{"FirmwareVersion", "6.10"}, {"HardwareRevision", "Rev C"}, {"Ports", "8"}, {"DrivesPerPort", "16"},
          {"UsingBigMap", "True"}, {"AttachedPhysicalDrives", "128*-*159*-*255*-*"}, {"NonDiskMap", "<none>"},
          {"PhysicalDriveCount", "3"}, {"LogicalDriveCount", "0"}}},
        {"revision B", "<board id=\"0x4C05F1A7\" revision=\"B\"/><firmware version=\"1.00\"/>",
         {{"HardwareRevision", "Rev B"}, {"FirmwareVersion", "1.00"}}},
        {"revision D", "<board id=\"0x4C05F1A7\" revision=\"D\"/><firmware version=\"0.99\"/>",
         {{"HardwareRevision", "Rev Unknown"}, {"FirmwareVersion", "0.99"}}},
        {"fibre chips", "<board id=\"0x4C05F1A7\" fibrechips=\"2\"/>", {{"FibreChipCount", "2"}}},
        {"no fibre chips", kBoard, {{"FibreChipCount", "<none>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const OneController one(c.content);
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, c.expected);
    }
}

TEST(ControllerInfoOnMachine, CacheSizesRatioAndStatus)
{
    struct Case {
        std::string cache;
        Expected expected;
    };
    const std::vector<Case> cases{
        {"<cache read=\"16384\" write=\"49152\"/>",
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
        {"",
         {{"CacheBoardPresent", "False"}, {"CacheSizeRead", "<none>"}, {"CacheSizeTotal", "<none>"},
          {"CacheRatio", "<none>"}, {"CacheStatus", "<none>"}, {"BatteryPackCount", "<none>"},
          {"BatteryStatus", "<none>"}, {"CacheSizeShiftFactor", "<none>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cache.empty() ? std::string("no cache board") : c.cache);
        const OneController one(kBoard + c.cache + "<battery packs=\"1\"/>");
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, c.expected);
    }
}

TEST(ControllerInfoOnMachine, BatteryStates)
{
    struct Case {
        std::string battery;
        Expected expected;
    };
    const std::vector<Case> cases{
        {"<battery packs=\"2\"/>", {{"BatteryPackCount", "2"}, {"BatteryStatus", "OK"}}},
        {"<battery packs=\"3\" failed=\"1\"/>", {{"BatteryPackCount", "3"}, {"BatteryStatus", "Failed"}}},
        {"<battery packs=\"4\" failed=\"0 3\"/>", {{"BatteryPackCount", "4"}, {"BatteryStatus", "Failed"}}},
        {"<battery packs=\"0\"/>", {{"BatteryPackCount", "0"}, {"BatteryStatus", "<none>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.battery);
        const OneController one(kBoard + "<cache read=\"4096\" write=\"4096\"/>" + c.battery);
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, c.expected);
    }
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

TEST(ControllerInfoOnMachine, SurfaceAnalysisDelayInSeconds)
{
    for (const auto& [tenths, seconds] : std::vector<std::pair<std::string, std::string>>{
             {"30", "3"}, {"155", "15"}, {"9", "0"}, {"0", "0"}, {"6000", "600"}}) {
        SCOPED_TRACE(tenths);
        const OneController one(kBoard + "<firmware surfacedelay=\"" + tenths + "\"/><cache read=\"64\" write=\"64\"/>");
        ASSERT_NE(one.pController.get(), nullptr);
        EXPECT_EQ(valueOf(one.pController, "SurfaceAnalysisDelay"), seconds);
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

TEST(ControllerInfoOnMachine, SnapshotPriorityOnlyOnTheClusteredController)
{
    const OneController one(behindCiss(
        remote(1, "<board product=\"ARRAYBOX 4800   \" serial=\"C1\" chassis=\"K1\"/>",
               "<firmware snapshotpriority=\"high\" rebuildpriority=\"low\"/>") +
        remote(2, "<board product=\"ARRAYBOX 4800   \" serial=\"C2\" chassis=\"K2\"/>",
               "<firmware snapshotpriority=\"0\"/>") +
        remote(3, "<board product=\"ARRAYBOX 4400   \" serial=\"C3\" chassis=\"K3\"/>",
               "<firmware snapshotpriority=\"high\"/>")));
    const Core::DevicePtr pRoot = Schema::System::instance();
    const auto chassis = [](const char* psz) { return std::string(psz) + std::string(30, ' '); };
    const Core::DevicePtr pHigh = optest::controllerWith(pRoot, "ChassisSerialNumber", chassis("K1"));
    const Core::DevicePtr pLow = optest::controllerWith(pRoot, "ChassisSerialNumber", chassis("K2"));
    const Core::DevicePtr pOther = optest::controllerWith(pRoot, "ChassisSerialNumber", chassis("K3"));
    ASSERT_NE(pHigh.get(), nullptr);
    ASSERT_NE(pLow.get(), nullptr);
    ASSERT_NE(pOther.get(), nullptr);
    EXPECT_EQ(valueOf(pHigh, "SnapshotPriority"), "High");
    EXPECT_EQ(valueOf(pHigh, "RebuildPriority"), "Low");
    EXPECT_EQ(valueOf(pLow, "SnapshotPriority"), "Low");
    EXPECT_EQ(valueOf(pOther, "SnapshotPriority"), "<none>");
    ASSERT_NE(one.pController.get(), nullptr);
    EXPECT_EQ(valueOf(one.pController, "SnapshotPriority"), "<none>");
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

TEST(ControllerInfoOnMachine, RemoteControllersAreNamedByTheirBox)
{
    const OneController one(behindCiss(
        remote(1, "<board product=\"ARRAYBOX 4400   \" name=\"Rack 2 array\" serial=\"E01\" chassis=\"K10\"/>",
               "<firmware accessid=\"STORAGE-A\"/>") +
        remote(2, "<board product=\"RAIDSHELF 2100  \" serial=\"E02\" chassis=\"K20\"/>", "<firmware/>")));
    const Core::DevicePtr pRoot = Schema::System::instance();
    const Core::DevicePtr pNamed = optest::controllerWith(pRoot, "ProductID", "ARRAYBOX 4400   ");
    const Core::DevicePtr pShelf = optest::controllerWith(pRoot, "ProductID", "RAIDSHELF 2100  ");
    ASSERT_NE(pNamed.get(), nullptr);
    ASSERT_NE(pShelf.get(), nullptr);
    expectAttributes(pNamed, {{"Location", "remote"},
                              {"VendorID", "ORVANE  "},
                              {"HardwareName", "Rack 2 array"},
                              {"Boxname", "Rack 2 array"},
                              {"ControllerName", "Tarvion ArrayBox 4400 Enclosure"},
                              {"FullName", "Tarvion ArrayBox 4400 Enclosure at Rack 2 array"},
                              {"ControllerSerialNumber", "E01" + std::string(29, ' ')},
                              {"ChassisSerialNumber", "K10" + std::string(29, ' ')},
                              {"AccessID", "STORAGE-A"}});
    const std::string chassis = "K20" + std::string(29, ' ');
    expectAttributes(pShelf, {{"HardwareName", "<none>"},
                              {"Boxname", chassis},
                              {"ControllerName", "Tarvion RaidShelf 2100 Enclosure"},
                              {"FullName", "Tarvion RaidShelf 2100 Enclosure at " + chassis},
                              {"AccessID", "<none>"}});
    // Internal controllers carry neither a hardware name nor a box.
    ASSERT_NE(one.pController.get(), nullptr);
    expectAttributes(one.pController, {{"HardwareName", "<none>"}, {"Boxname", "<none>"}, {"Location", "local"}});
}

TEST(ControllerInfoOnMachine, RedundancyOfPairedControllers)
{
    struct Case {
        std::string firmware;
        Expected expected;
    };
    const std::vector<Case> cases{
        {"<firmware redundancy=\"active\"/>", {{"RedundantState", "Active"}, {"RedundancyStatus", "Ok"}}},
        {"<firmware redundancy=\"primary\" redundancyfailed=\"true\"/>",
         {{"RedundantState", "Primary"}, {"RedundancyStatus", "Failed"}}},
        {"<firmware redundancy=\"none\"/>", {{"RedundantState", "<none>"}, {"RedundancyStatus", "<none>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        const OneController one(kBoard + c.firmware + "<cache read=\"64\" write=\"64\"/>");
        ASSERT_NE(one.pController.get(), nullptr);
        expectAttributes(one.pController, c.expected);
    }
    // The standby partner of a pair is not shown at all.
    const OneController standby(kBoard + "<firmware redundancy=\"standby\"/>");
    EXPECT_EQ(standby.pController.get(), nullptr);
    EXPECT_EQ(Schema::System::instance()->childCount(), 0u);
}

}
