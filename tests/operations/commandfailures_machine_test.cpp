// Simulated controllers that refuse or fail commands: a refusal reaches the
// command outcome table through the driver (each row's value is the command
// layer's own test), and a controller that answers some commands still gets
// every attribute it can.
#include "bmiccommand.h"
#include "logtail.h"
#include "simulatedmachine.h"
#include "arraycontroller.h"
#include "system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

using optest::valueOf;

const std::string kHealthy = "<firmware version=\"2.84\" surfacedelay=\"30\" expandpriority=\"high\"/>"
                             "<cache read=\"16384\" write=\"49152\"/><battery packs=\"2\"/>";

// Fixed-format sense data with the given key, code and qualifier.
std::string sense(unsigned key, unsigned code, unsigned qualifier)
{
    // Bytes 0 response code, 2 key, 7 additional length, 12 code, 13 qualifier.
    char text[64];
    std::snprintf(text, sizeof text, "7000%02X000000000A00000000%02X%02X00000000", key, code, qualifier);
    return text;
}

const std::string kBoard = "<board id=\"0x4C05F1A7\"";

TEST(CommandFailuresOnMachine, RefusalsReachTheOutcomeTableWithTheirSense)
{
    const auto refusal = [](unsigned key, unsigned code, unsigned qualifier) {
        return "commandstatus=\"1\" scsistatus=\"2\" sense=\"" + sense(key, code, qualifier) + "\"";
    };
    // The failure's attributes; the value and the statuses the debug log shows.
    const std::vector<std::tuple<std::string, int, std::string, std::string>> rows{
        {"", 1, "0x0", "0x0"}, {"commandstatus=\"4\" scsistatus=\"255\"", 0, "0x4", "0xff"},
        {refusal(5, 0x0C, 8), 9, "0x1", "0x2"},
        // No row: another qualifier, a lone sense byte, a failed request.
        {refusal(5, 0x24, 1), 0, "0x1", "0x2"}, {"commandstatus=\"1\" scsistatus=\"2\" sense=\"70\"", 0, "0x1", "0x2"},
        {"error=\"31\"", 0, "0x0", "0x0"},
    };
    for (const auto& [failure, iValue, commandStatus, scsiStatus] : rows) {
        SCOPED_TRACE(failure.empty() ? std::string("no failure") : failure);
        const std::string fail = failure.empty() ? std::string() : "<fail opcode=\"0x64\" " + failure + "/>";
        const optest::OneController one(kBoard + "/>" + kHealthy + fail);
        const Core::DevicePtr& pController = one.pController;
        ASSERT_NE(pController.get(), nullptr);
        EXPECT_EQ(valueOf(pController, "ControllerStatus"), iValue == 1 ? "Ok" : "Failed");
        EXPECT_EQ(valueOf(pController, "FirmwareVersion"), "2.84") << "the other commands still answer";

        const tsmtest::LogTail tail;
        Core::ControllerParametersCommand parameters;
        EXPECT_EQ(parameters.run(static_cast<Schema::ArrayController&>(*pController))->value(), iValue);
        const std::string log = tail.appended();
        for (const std::string& line : std::vector<std::string>{"BMIC Command: 0x64", "BMIC Detail: 0x0", "BMIC LUN: 0x0",
                                       "Command Status: " + commandStatus,
                                       "SCSI Status: " + scsiStatus}) {
            EXPECT_NE(log.find("] " + line + "\n"), std::string::npos) << line << "\n" << log;
        }
        if (iValue >= 4) {
            // The sense bytes are dumped in hex.
            EXPECT_NE(log.find(" 000  70 00 0" + std::to_string(parameters.senseKey())), std::string::npos) << log;
            EXPECT_EQ(parameters.commandStatus(), 1);
            EXPECT_EQ(parameters.scsiStatus(), 2);
        }
    }
}

TEST(CommandFailuresOnMachine, FailingCommandsLeaveEveryAttributeThatCanBeRead)
{
    // The failing opcode; the attributes still present, those missing; the status.
    const std::vector<std::tuple<std::string, std::vector<const char*>, std::vector<const char*>, const char*>> cases{
        {"0x64", {"FirmwareVersion", "CacheRatio", "SurfaceAnalysisDelay", "ControllerSerialNumber"}, {}, "Failed"},
        {"0x66", {"FirmwareVersion", "CacheRatio", "SurfaceAnalysisDelay"}, {"ControllerSerialNumber"}, "Ok"},
        {"0x11", {}, {"FirmwareVersion", "CacheRatio", "SurfaceAnalysisDelay", "ExpandPriority", "RedundantState"}, "Ok"},
        {"0xC1", {"RedundantState"}, {"FirmwareVersion", "CacheRatio", "SurfaceAnalysisDelay", "ExpandPriority"}, "Ok"},
        {"0x70", {"RedundantState"}, {"FirmwareVersion", "CacheRatio", "SurfaceAnalysisDelay", "ControllerSerialNumber"}, "Ok"},
    };
    for (const auto& [opcode, present, absent, pszStatus] : cases) {
        SCOPED_TRACE(opcode);
        const optest::OneController one(
            kBoard + " serial=\"P00FAIL01\"/><firmware version=\"2.84\" surfacedelay=\"30\" redundancy=\"active\"/>"
                          "<cache read=\"16384\" write=\"49152\"/><battery packs=\"2\"/><fail opcode=\"" + opcode + "\" error=\"31\"/>");
        const Core::DevicePtr& pController = one.pController;
        ASSERT_NE(pController.get(), nullptr);
        EXPECT_EQ(valueOf(pController, "ControllerStatus"), pszStatus);
        for (const char* pszName : present)
            EXPECT_TRUE(pController->hasAttribute(pszName)) << pszName;
        for (const char* pszName : absent)
            EXPECT_FALSE(pController->hasAttribute(pszName)) << pszName;
        // What the discovery document needs of every controller.
        EXPECT_EQ(valueOf(pController, "BusType"), "pci");
        EXPECT_TRUE(pController->hasAttribute("Slot"));
        EXPECT_EQ(valueOf(pController, "ControllerName"), "Tarvion ArrayLine 240");
        EXPECT_EQ(valueOf(pController, "FullName"), "Tarvion ArrayLine 240 in Slot " + valueOf(pController, "Slot"));
    }
}

TEST(CommandFailuresOnMachine, ValuesOfAnEarlierRefreshStayWhileCommandsFail)
{
    // Without a serial number the controller stays the same device from one
    // refresh to the next, so what it reported once is kept.
    optest::OneController one(kBoard + " serial=\"\"/>" + kHealthy);
    const Core::DevicePtr pFirst = one.pController;
    ASSERT_NE(pFirst.get(), nullptr);
    EXPECT_EQ(valueOf(pFirst, "FirmwareVersion"), "2.84");
    EXPECT_EQ(valueOf(pFirst, "ControllerStatus"), "Ok");

    one.refresh(kBoard + " serial=\"\"/>" + kHealthy + "<fail opcode=\"0x11\" error=\"31\"/><fail opcode=\"0x64\" error=\"31\"/>");
    const Core::DevicePtr pSecond = one.pController;
    ASSERT_NE(pSecond.get(), nullptr);
    EXPECT_EQ(pSecond.get(), pFirst.get());
    EXPECT_EQ(valueOf(pSecond, "FirmwareVersion"), "2.84");
    EXPECT_EQ(valueOf(pSecond, "CacheRatio"), "25/75");
    EXPECT_EQ(valueOf(pSecond, "ControllerStatus"), "Failed");
}

}
