// Faults end to end through the installed service: drivers that hang, fail,
// answer garbage or vanish in the middle of a scan, an unwritable debug log
// and a kill in the middle of a page request. The page answers with what can
// still be read; the service never crashes.
#include "agentservice.h"
#include "capturefile.h"
#include "webagent.h"

#include <windows.h>
#include <signal.h>

#include <chrono>
#include <future>
#include <tuple>

namespace {

using tsmtest::eventually;
using tsmtest::httpGet;
using tsmtest::kPageHttp;
using tsmtest::processesRunning;
using tsmtest::readFile;

// What the page shows of the controller(s) on each port of the typical machine.
const char* const kControllerOnPort[] = {"STR_MODEL_AB4400", "\"0x4C02\"]]", "STR_MODEL_AB4800", "STR_MODEL_AL120"};

class Faults : public tsmtest::WebAgent {
protected:
    // The typical machine's description, and the same with `inside` at the
    // start of port `port`.
    static std::string typical() { return readFile(std::string(TSM_SOURCE_DIR) + "/sim/machines/typical.xml"); }
    static std::string typicalWith(int port, const std::string& inside)
    {
        std::string text = typical();
        return text.insert(text.find('>', text.find("<port number=\"" + std::to_string(port) + "\"")) + 1, inside);
    }

    // The page, with every controller present except the one on `missing`.
    static std::string expectPage(int missing)
    {
        const tsmtest::HttpResponse page = httpGet(kPageHttp + "VXA.htm", 180);
        EXPECT_EQ(page.status, 200);
        for (int port = 0; port < 4; ++port)
            EXPECT_EQ(page.body.find(kControllerOnPort[port]) != std::string::npos, port != missing) << port;
        return page.body;
    }
};

TEST_F(Faults, DriverFaultsCostOnlyTheFaultyController)
{
    // The debug log, where the failures are reported, cannot be written.
    std::filesystem::create_directories(binFolder() + "/vxa.log");
    start();
    std::string healthGarbage = typical();
    healthGarbage.replace(healthGarbage.find("<health present=\"true\"/>"), 24,
                          "<health present=\"true\"><fault kind=\"garbage\"/></health>");
    // The machine; the port whose controller is gone from the page, or -1.
    const std::tuple<const char*, std::string, int> cases[] = {
        {"hang", typicalWith(0, "<fault kind=\"hang\" ms=\"150\"/>"), -1},
        {"open", typicalWith(0, "<fault kind=\"open\" error=\"5\"/>"), 0},
        {"garbage", typicalWith(1, "<fault kind=\"garbage\" seed=\"7\"/>"), 1},
        {"error", typicalWith(2, "<fault kind=\"error\" error=\"31\"/>"), 2},
        {"short", typicalWith(3, "<fault kind=\"short\" bytes=\"8\"/>"), 3},
        {"health driver garbage", healthGarbage, -1},
        {"healed", typical(), -1},
    };
    for (const auto& [pszName, machine, missing] : cases) {
        SCOPED_TRACE(pszName);
        m_machine.writeDescription(machine);
        expectPage(missing);
    }
}

TEST_F(Faults, ControllerPulledInTheMiddleOfAScanIsDroppedNextTime)
{
    const tsmtest::CaptureFile capture(m_machine.root() + "/capture.jsonl");
    start();
    m_machine.writeDescription(typicalWith(3, "<fault kind=\"hang\" ms=\"300\"/>"));
    auto page = std::async(std::launch::async, [] { return httpGet(kPageHttp + "VXA.htm", 180); });
    ASSERT_TRUE(eventually(
        [&] {
            for (const tsmtest::CapturedRequest& request : capture.requests())
                if (request.device == "\\\\.\\Scsi3:")
                    return true;
            return false;
        },
        std::chrono::seconds(120)));
    m_machine.writeDescription(tsmtest::withoutPort(typical(), 3));
    EXPECT_EQ(page.get().status, 200);
    expectPage(3);
}

TEST_F(Faults, KilledInTheMiddleOfAPageTheServiceReadsStoppedAndStartsAgain)
{
    const tsmtest::CaptureFile capture(m_machine.root() + "/capture.jsonl");
    start();
    m_machine.writeDescription(typicalWith(0, "<fault kind=\"hang\" ms=\"500\"/>"));
    auto page = std::async(
        std::launch::async, [] { return httpGet(kPageHttp + "VXA.htm", 180); });
    ASSERT_TRUE(eventually([&] { return !capture.lines().empty(); }, std::chrono::seconds(120)));
    const std::vector<int> pids = processesRunning(agentHostPath());
    ASSERT_EQ(pids.size(), 1u);
    ASSERT_EQ(::kill(pids[0], SIGKILL), 0);
    EXPECT_EQ(page.get().status, 0);
    ASSERT_TRUE(eventually([&] { return processesRunning(agentHostPath()).empty(); }));

    EXPECT_TRUE(eventually([] { return tsmtest::serviceState() == SERVICE_STOPPED; }));
    // Every state file was written whole or not at all.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_machine.root()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
    for (const auto& entry : std::filesystem::directory_iterator(m_machine.root() + "/services")) {
        if (entry.path().extension() != ".service")
            continue;
        const std::string record = readFile(entry.path());
        EXPECT_TRUE(record.starts_with("TSM-SERVICE 1\n") && record.ends_with("\nEND\n")) << record;
    }

    m_machine.writeDescription(typical());
    ASSERT_EQ(vxa({"-start"}).exitCode, 0);
    ASSERT_TRUE(
        eventually([] { return httpGet(kPageHttp + "vxasupport.xml", 5).status == 200; }, std::chrono::seconds(60)));
    expectPage(-1);
}

}
