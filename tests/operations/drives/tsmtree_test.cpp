// tsm-tree on a temporary machine: the drives machine's tree with each
// registration set, a bad command line refused, and the monitoring formats:
// the JSON holds the dump's devices, the metrics pass promtool and show each
// failure of the failing machine, and a refresh that hangs leaves only
// tsm_scrape_success 0 behind.
#include "machinetext.h"
#include "processrunner.h"
#include "tempmachine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <sstream>
#include <tuple>

namespace {

void jsonIds(const nlohmann::json& device, std::vector<std::string>& ids)
{
    ids.push_back(device.at("UniqueID").is_null() ? "" : device.at("UniqueID").get<std::string>());
    EXPECT_EQ(device.at("type"), device.at("attributes").value("Type", ""));
    for (const auto& child : device.at("children"))
        jsonIds(child, ids);
}

tsmtest::ProcessResult promtool(const std::string& file)
{
    return tsmtest::runProcess("/bin/sh", {"-c", std::string(TSM_PROMTOOL) + " check metrics < " + file});
}

// On the typical and the failing machine the JSON holds the dump's devices
// and the metrics pass promtool; those of the failing machine show each failure.
TEST(TsmTreeMonitoring, JsonHoldsEveryDeviceOfTheDumpAndMetricsShowEachFailure)
{
    const std::string slot1 =
        R"(controller="Tarvion ArrayLine 210 in Slot 1",location="local",controller_serial="P56F0000S1",array=)";
    const std::string slot2 =
        R"(unique_id="System-Slot2",name="Tarvion ArrayLine 210 in Slot 2",location="local",serial="P56F0000S2")";
    const std::string remote =
        R"(name="Tarvion ArrayBox 4400 Enclosure at Rack \"7\" \\ east\nrow",location="remote",serial="E09BKF2104")";
    const std::vector<std::string> expected = {
        "tsm_scrape_success 1",
        ("tsm_controller_failed{" + slot2 + "} 1"),
        ("tsm_cache_status{" + slot2 + R"(,state="PermenantlyDisabled"} 1)"),
        ("tsm_controller_failed{unique_id=\"System-Slot1-3231303420202020\"," + remote + "} 0"),
        R"(tsm_battery_failed{unique_id="System-Slot1",name="Tarvion ArrayLine 210 in Slot 1",location="local",serial="P56F0000S1"} 1)",
        R"(tsm_battery_packs{unique_id="System-Slot1",name="Tarvion ArrayLine 210 in Slot 1",location="local",serial="P56F0000S1"} 2)",
        ("tsm_logical_drive_status{unique_id=\"System-Slot1-ARRAY_A-0\"," + slot1 +
         R"("A",drive="0",state="failed"} 1)"),
        ("tsm_logical_drive_status{unique_id=\"System-Slot1-ARRAY_A-0\"," + slot1 + R"("A",drive="0",state="ok"} 0)"),
        ("tsm_logical_drive_status{unique_id=\"System-Slot1-ARRAY_B-1\"," + slot1 +
         R"("B",drive="1",state="recovering"} 1)"),
        ("tsm_logical_drive_rebuild_blocks_left{unique_id=\"System-Slot1-ARRAY_B-1\"," + slot1 +
         R"("B",drive="1"} 4096)"),
        ("tsm_logical_drive_expand_blocks_left{unique_id=\"System-Slot1-ARRAY_C-2\"," + slot1 +
         R"("C",drive="2"} 777)"),
        ("tsm_physical_drive_failed{unique_id=\"System-Slot1-ARRAY_A-PD1\"," + slot1 + R"("A",drive="1"} 1)"),
        R"(tsm_physical_drive_failed{unique_id="System-Slot1-PD8",controller="Tarvion ArrayLine 210 in Slot 1",)"
        R"(location="local",controller_serial="P56F0000S1",drive="8"} 0)",
        ("tsm_physical_drive_rebuilding{unique_id=\"System-Slot1-ARRAY_B-PD7\"," + slot1 + R"("B",drive="7"} 1)"),
        ("tsm_physical_drive_rebuilding{unique_id=\"System-Slot1-ARRAY_B-PD4\"," + slot1 + R"("B",drive="4"} 0)"),
    };
    for (const auto& [machineName, devices] :
         std::vector<std::pair<std::string, std::size_t>>{{"typical", 0}, {"failing", 24}}) {
        SCOPED_TRACE(machineName);
        tsmtest::TempMachine machine;
        machine.useDescription(TSM_MACHINES_DIR "/" + machineName + ".xml");
        const auto dump = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=full"});
        const auto json = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=full", "--format=json"});
        ASSERT_EQ(json.exitCode, 0) << json.err;
        const nlohmann::json document = nlohmann::json::parse(json.out, nullptr, false);
        ASSERT_FALSE(document.is_discarded());
        std::vector<std::string> ids;
        jsonIds(document, ids);
        // As many devices as the dump, each with a "UniqueID" the dump shows.
        EXPECT_EQ(ids.size(), tsmtest::occurrences(dump.out, "<Type>"));
        for (const std::string& id : ids)
            EXPECT_TRUE(id.empty() || dump.out.find("<UniqueID>" + id + "</UniqueID>") != std::string::npos) << id;

        const std::string file = machine.root() + "/tsm.prom";
        const auto run = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=full", "--format=prometheus", "--output", file});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto check = promtool(file);
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        if (devices == 0)
            continue;
        EXPECT_EQ(ids.size(), devices);
        const std::string metrics = machine.read("tsm.prom");
        for (const std::string& line : expected)
            EXPECT_NE(metrics.find(line + "\n"), std::string::npos) << line;
    }
}

// Controllers whose slot is unknown share a "UniqueID" on the large machine;
// node_exporter drops every series written twice, so none may be.
TEST(TsmTreeMonitoring, EverySeriesOfTheLargeMachineIsWrittenOnce)
{
    tsmtest::TempMachine machine;
    machine.useDescription(TSM_MACHINES_DIR "/large.xml");
    const auto run = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=full", "--format=prometheus"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> series;
    std::size_t samples = 0;
    std::string repeated;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        ++samples;
        if (!series.insert(line.substr(0, line.rfind(' '))).second && repeated.empty())
            repeated = line;
    }
    EXPECT_EQ(repeated, "");
    EXPECT_GT(samples, 3000u);
}

// One controller whose identify command hangs for 30 seconds.
const char* const kHangingMachine = R"(<machine><pci><function bus="2" device="3" function="0" slot="1"
        header="a7f1014c07000000010004010000000000000000000000000000000000000000000000000000000000000000a7f110400000000000000000000000000b010000"/>
        </pci><port number="0" driver="ciss"><controller pcibus="2" pcidevice="3" pcifunction="0">
        <fail opcode="0x11" hang="30000"/></controller></port></machine>)";

TEST(TsmTreeMonitoring, WritesTheOutputWholeOrNotAtAll)
{
    // Hanging machine or the failing one; arguments, the output file last; exit
    // code; the start of standard error; what the output file starts with, "" for no file.
    const std::tuple<bool, std::string, int, const char*, const char*> cases[] = {
        {false, "--format=json --output=out.json", 0, "", "{\n  \"type\": \"system\",\n"},
        {false, "--format=prometheus --output=missing/tsm.prom", 1, "tsm-tree: cannot write missing/tsm.prom: ", ""},
        {true, "--format=json --timeout=1 --output=out.json", 1, "tsm-tree: the refresh did not finish", ""},
        {true, "--timeout=0000001", 1, "tsm-tree: the refresh did not finish", ""},
        {true, "--format=prometheus --timeout=1 --output=tsm.prom", 1,
         "tsm-tree: the refresh did not finish within 1 seconds\n", "# HELP tsm_scrape_duration_seconds "},
    };
    for (const auto& [bHangs, arguments, exitCode, pszError, pszFile] : cases) {
        SCOPED_TRACE(arguments);
        tsmtest::TempMachine machine;
        if (bHangs)
            machine.writeDescription(kHangingMachine);
        else
            machine.useDescription(TSM_MACHINES_DIR "/failing.xml");
        const std::string file = arguments.substr(arguments.rfind('=') + 1);
        // Metrics of an earlier scrape are replaced by the failure alone.
        if (file == "tsm.prom")
            std::ofstream(machine.root() + "/" + file) << "tsm_controller_failed 1\n";
        const std::string command = "cd " + machine.root() + " && " + TSM_TREE_TOOL + " " + arguments;
        const auto run = tsmtest::runProcess("/bin/sh", {"-c", command + "; echo exit $?; ls -A"});
        EXPECT_EQ(run.err.rfind(pszError, 0), 0u) << run.err;
        EXPECT_EQ(run.out.find(".out."), std::string::npos) << "a temporary file is left: " << run.out;
        EXPECT_EQ(machine.read(file).rfind(pszFile, 0), 0u) << file;
        EXPECT_EQ(machine.read(file).empty(), std::string(pszFile).empty()) << file;
        EXPECT_EQ(run.out.find("exit " + std::to_string(exitCode) + "\n"), 0u) << "no dump on a failure: " << run.out;
        if (file == "tsm.prom") {
            EXPECT_EQ(machine.read(file).find("tsm_controller"), std::string::npos) << machine.read(file);
            EXPECT_NE(machine.read(file).find("\ntsm_scrape_success 0\n"), std::string::npos) << machine.read(file);
            EXPECT_EQ(promtool(machine.root() + "/" + file).exitCode, 0);
        }
    }
}

TEST(TsmTree, PrintsTheDrivesMachineWithEachSet)
{
    tsmtest::TempMachine machine;
    machine.useDescription(TSM_MACHINES_DIR "/drives.xml");
    // Controllers, arrays, logical and physical drives: the logical drive set
    // puts the logical drives under their controllers, only the full set
    // finds arrays and their drives.
    for (const auto& [set, counts] : std::vector<std::pair<std::string, std::string>>{
             {"startup", "2 0 0 0"}, {"logical", "2 0 18 0"}, {"full", "2 10 18 35"}}) {
        const auto result = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=" + set, "--refreshes", "2"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::string found;
        for (const char* pszType : {"arraycontroller", "array", "logicaldrive", "physicaldrive"})
            found += (found.empty() ? "" : " ") +
                     std::to_string(tsmtest::occurrences(result.out, "<Type>" + std::string(pszType) + "<"));
        EXPECT_EQ(found, counts) << set;
    }
    // Logical drive numbers the controller skips are no drives.
    std::string gap = kHangingMachine;
    gap.replace(gap.find("<fail"), gap.find("</controller>") - gap.find("<fail"),
                R"(<physicaldrive port="0" target="0"/><logicaldrive number="0" raid="0" drives="0:0"/>
                <logicaldrive number="2" raid="0" drives="0:0"/>)");
    machine.writeDescription(gap);
    const auto logical = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=logical"});
    EXPECT_NE(logical.out.find("<Number>2</Number>"), std::string::npos) << logical.out;
    EXPECT_EQ(logical.out.find("<Number>1</Number>"), std::string::npos) << logical.out;
}

TEST(TsmTree, RefusesABadCommandLine)
{
    for (const char* line : {"--set=arrays", "--set", "--refreshes=-1", "--refreshes=1000001", "--refreshes=00000001",
                             "full", "--format=xml", "--timeout=0", "--timeout=2s", "--output="}) {
        const auto result = tsmtest::runProcess(TSM_TREE_TOOL, {line});
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_EQ(result.err.rfind("tsm-tree: ", 0), 0u) << result.err;
        EXPECT_TRUE(result.out.empty()) << line;
    }
}

}
