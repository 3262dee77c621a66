// Controller information read from simulated controllers: each rule of an
// attribute group against the values the test wrote into the machine
// description (what the typical machine shows of every group is held by the
// reviewed dump of the golden test; the cases here are the edges it lacks),
// and controllers that refuse or fail commands: a refusal reaches the command
// outcome table through the driver (each row's value is the command layer's
// own test), and a controller that answers some commands still gets every
// attribute it can.
#include "arraycontroller.h"
#include "bmiccommand.h"
#include "controllerreplies.h"
#include "imxreplyoffsets.h"
#include "logtail.h"
#include "simulatedmachine.h"
#include "system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
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
        // The golden dump holds the maps, counts and revisions of both drive
        // numberings; here a non-disk drive in the small one.
        {"<board id=\"0x4C05F1A7\" ports=\"4\"/><physicaldrive port=\"1\" target=\"2\"/>"
         "<physicaldrive port=\"2\" target=\"1\" type=\"tape\"/>",
         {{"AttachedPhysicalDrives", "9*-*"}, {"NonDiskMap", "15*-*"}, {"PhysicalDriveCount", "1"}}},
        {"<board id=\"0x4C05F1A7\" revision=\"D\"/>", {{"HardwareRevision", "Rev Unknown"}}},
        // Cache sizes, ratio and status.
        {"<cache read=\"1000\" write=\"3000\" total=\"4096\"/>",
         {{"CacheSizeRead", "1000"}, {"CacheSizeWrite", "3000"}, {"CacheSizeTotal", "4096"}, {"CacheRatio", "25/75"}}},
        {"<cache read=\"100\" write=\"900\"/>", {{"CacheRatio", "10/90"}, {"CacheSizeTotal", "1000"}}},
        // 67.99 % truncates to 67 and rounds down to 65; 32 % rounds down to 30.
        {"<cache read=\"2785\" write=\"1311\" total=\"4096\"/>", {{"CacheRatio", "65/30"}}},
        {"<cache read=\"0\" write=\"0\" total=\"8192\"/>", {{"CacheRatio", "100/0"}, {"CacheSizeTotal", "8192"}}},
        {"<cache read=\"4096\" write=\"4096\" status=\"runadu\"/>", {{"CacheStatus", "RunADU"}}},
        {"<battery packs=\"1\"/>",
         {{"CacheBoardPresent", "False"},
          {"CacheSizeRead", "<none>"},
          {"CacheSizeTotal", "<none>"},
          {"CacheRatio", "<none>"},
          {"CacheStatus", "<none>"},
          {"BatteryPackCount", "<none>"},
          {"BatteryStatus", "<none>"},
          {"CacheSizeShiftFactor", "<none>"}}},
        // No battery packs (the golden dump shows a failed pack).
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

// A size shift no simulated board reports (they stop at 15): one of the full
// width leaves nothing of the size.
TEST(ControllerInfoReplies, CacheSizesShiftedByTheFullWidthAreNothing)
{
    std::uint8_t abReply[512] = {};
    abReply[InfoMgr::CacheConfigReply::kBoardPresent] = 1;
    abReply[InfoMgr::CacheConfigReply::kReadCacheSize] = 1;
    abReply[InfoMgr::CacheConfigReply::kSizeShift] = 32;
    const auto attributes = Operations::ControllerReplies::cacheAttributes(Schema::ReplyView(abReply));
    const std::pair<std::string, std::string> read("CacheSizeRead", "0");
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), read), attributes.end());
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
    expectAttributes(byChassis("K20"), {{"HardwareName", "<none>"},
                                        {"Boxname", wide("K20")},
                                        {"AccessID", "<none>"},
                                        {"FullName", "Tarvion RaidShelf 2100 Enclosure at " + wide("K20")},
                                        {"ControllerSerialNumber", wide("E02")},
                                        {"SnapshotPriority", "<none>"}});
}

const std::string kHealthy =
    "<firmware version=\"2.84\" surfacedelay=\"30\" expandpriority=\"high\" redundancy=\"active\"/>"
    "<cache read=\"16384\" write=\"49152\"/><battery packs=\"2\"/>";

TEST(CommandFailuresOnMachine, RefusalsReachTheOutcomeTableWithTheirSense)
{
    // The failure's attributes; the value and the statuses the debug log shows.
    const std::vector<std::tuple<std::string, int, std::string, std::string>> rows{
        {"", 1, "0x0", "0x0"},
        {"commandstatus=\"4\" scsistatus=\"255\"", 0, "0x4", "0xff"},
        // Fixed-format sense: bytes 0 response code, 2 key 5, 7 additional length, 12 code 0x0C, 13 qualifier 8.
        {"commandstatus=\"1\" scsistatus=\"2\" sense=\"700005000000000A000000000C0800000000\"", 9, "0x1", "0x2"},
        // No row: a lone sense byte, a failed request.
        {"commandstatus=\"1\" scsistatus=\"2\" sense=\"70\"", 0, "0x1", "0x2"},
        {"error=\"31\"", 0, "0x0", "0x0"},
    };
    for (const auto& [failure, iValue, commandStatus, scsiStatus] : rows) {
        SCOPED_TRACE(failure.empty() ? std::string("no failure") : failure);
        const std::string fail = failure.empty() ? std::string() : "<fail opcode=\"0x64\" " + failure + "/>";
        const optest::OneController one(kBoard + kHealthy + fail);
        const Core::DevicePtr& pController = one.pController;
        ASSERT_NE(pController.get(), nullptr);
        // The other commands still answer.
        expectAttributes(pController,
                         {{"ControllerStatus", iValue == 1 ? "Ok" : "Failed"}, {"FirmwareVersion", "2.84"}});

        const tsmtest::LogTail tail;
        Core::ControllerParametersCommand parameters;
        EXPECT_EQ(parameters.run(static_cast<Schema::ArrayController&>(*pController))->value(), iValue);
        const std::string log = tail.appended();
        for (const std::string& line :
             std::vector<std::string>{"BMIC Command: 0x64", "BMIC Detail: 0x0", "BMIC LUN: 0x0",
                                      "Command Status: " + commandStatus, "SCSI Status: " + scsiStatus})
            EXPECT_NE(log.find("] " + line + "\n"), std::string::npos) << line << "\n" << log;
        if (iValue >= 4) {
            // The sense bytes are dumped in hex.
            EXPECT_NE(log.find(" 000  70 00 0" + std::to_string(parameters.senseKey())), std::string::npos) << log;
            EXPECT_EQ(std::make_tuple(parameters.commandStatus(), parameters.scsiStatus()), std::make_tuple(1, 2));
        }
    }
}

TEST(CommandFailuresOnMachine, FailingCommandsLeaveEveryAttributeThatCanBeRead)
{
    // The failing opcode; which of these attributes are still present; the status.
    const char* const names[] = {"FirmwareVersion", "CacheRatio",     "SurfaceAnalysisDelay",
                                 "ExpandPriority",  "RedundantState", "ControllerSerialNumber"};
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"0x64", "FirmwareVersion CacheRatio SurfaceAnalysisDelay ExpandPriority RedundantState ControllerSerialNumber",
         "Failed"},
        {"0x66", "FirmwareVersion CacheRatio SurfaceAnalysisDelay ExpandPriority RedundantState", "Ok"},
        {"0x11", "", "Ok"},
        {"0xC1", "RedundantState", "Ok"},
        {"0x70", "RedundantState", "Ok"},
    };
    for (const auto& [pszOpcode, pszPresent, pszStatus] : cases) {
        SCOPED_TRACE(pszOpcode);
        const optest::OneController one(kBoard + kHealthy + "<fail opcode=\"" + pszOpcode + "\" error=\"31\"/>");
        const Core::DevicePtr& pController = one.pController;
        ASSERT_NE(pController.get(), nullptr);
        std::string present;
        for (const char* pszName : names)
            present += pController->hasAttribute(pszName) ? (present.empty() ? "" : " ") + std::string(pszName) : "";
        EXPECT_EQ(present, pszPresent);
        // What the discovery document needs of every controller.
        expectAttributes(pController, {{"ControllerStatus", pszStatus},
                                       {"BusType", "pci"},
                                       {"FullName", "Tarvion ArrayLine 240 in Slot " + valueOf(pController, "Slot")}});
    }
}

TEST(CommandFailuresOnMachine, ValuesOfAnEarlierRefreshStayWhileCommandsFail)
{
    // Without a serial number the controller stays the same device from one
    // refresh to the next, so what it reported once is kept.
    const std::string withoutSerial = "<board id=\"0x4C05F1A7\" serial=\"\"/>" + kHealthy;
    optest::OneController one(withoutSerial);
    const Core::DevicePtr pFirst = one.pController;
    ASSERT_NE(pFirst.get(), nullptr);
    expectAttributes(pFirst, {{"FirmwareVersion", "2.84"}, {"ControllerStatus", "Ok"}});

    one.refresh(withoutSerial + "<fail opcode=\"0x11\" error=\"31\"/><fail opcode=\"0x64\" error=\"31\"/>");
    const Core::DevicePtr pSecond = one.pController;
    ASSERT_NE(pSecond.get(), nullptr);
    EXPECT_EQ(pSecond.get(), pFirst.get());
    expectAttributes(pSecond, {{"FirmwareVersion", "2.84"}, {"CacheRatio", "25/75"}, {"ControllerStatus", "Failed"}});
    // The cache board taken out: its values go with it.
    one.refresh("<board id=\"0x4C05F1A7\" serial=\"\"/>");
    EXPECT_EQ(one.pController.get(), pFirst.get());
    expectAttributes(pFirst, {{"CacheRatio", "<none>"}});
}

}
