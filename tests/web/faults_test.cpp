// Faults end to end through the installed service: drivers that hang, fail,
// answer garbage or vanish in the middle of a scan, hostile peer documents,
// nested peer documents that would make the merge explode, an unwritable
// debug log and a kill in the middle of a page request. The page answers
// with what can still be read; the service never crashes.
#include "agentservice.h"
#include "capturefile.h"
#include "webagent.h"

#include <windows.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <future>

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
    // The resident memory of a process in kilobytes, from /proc/<pid>/status.
    static long residentKb(int pid)
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("VmRSS:"))
                return std::stol(line.substr(6));
        return -1;
    }
    // How long fetching the page takes; the page checked as expectPage does.
    static std::chrono::steady_clock::duration timePage(std::string& page)
    {
        const auto began = std::chrono::steady_clock::now();
        page = expectPage(-1);
        return std::chrono::steady_clock::now() - began;
    }

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
    const struct {
        const char* name;
        std::string machine;
        int missing; // the port whose controller is gone from the page, or -1
    } cases[] = {
        {"hang", typicalWith(0, "<fault kind=\"hang\" ms=\"150\"/>"), -1},
        {"open", typicalWith(0, "<fault kind=\"open\" error=\"5\"/>"), 0},
        {"garbage", typicalWith(1, "<fault kind=\"garbage\" seed=\"7\"/>"), 1},
        {"error", typicalWith(2, "<fault kind=\"error\" error=\"31\"/>"), 2},
        {"short", typicalWith(3, "<fault kind=\"short\" bytes=\"8\"/>"), 3},
        {"health driver garbage", healthGarbage, -1},
        {"healed", typical(), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_machine.writeDescription(c.machine);
        expectPage(c.missing);
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

TEST_F(Faults, HostilePeerDocumentsCountAsNothing)
{
    const std::string secret = m_machine.root() + "/secret.dtd";
    write(secret, "<!ENTITY leak \"TOPSECRET\">");
    const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
    const std::string doctype = "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_1_1.dtd\"";
    const auto support = [&](const std::string& subset, const std::string& name, const std::string& discovery,
                             const std::string& devices = "") {
        return header + doctype + subset + ">\n<VXA_ClientQWEX><QWEXInfo><RegisteredName>" + name +
               "</RegisteredName><RequestPage>p.htm</RequestPage><DeviceDiscovery Owns=\"true\"><DiscoveryName>" +
               discovery + "</DiscoveryName></DeviceDiscovery></QWEXInfo><Devices>" + devices +
               "</Devices></VXA_ClientQWEX>";
    };
    std::string bomb = " [<!ENTITY b0 \"BOMBBOMB\">";
    for (int level = 1; level < 10; ++level) {
        std::string ten;
        for (int i = 0; i < 10; ++i)
            ten += "&b" + std::to_string(level - 1) + ";";
        bomb += "<!ENTITY b" + std::to_string(level) + " \"" + ten + "\">";
    }
    const std::string rackView = readFile(webappsFolder() + "/RackView/vxasupport.xml");
    const std::pair<const char*, std::string> peers[] = {
        {"Huge", header + doctype + ">\n<VXA_ClientQWEX><!--" + std::string(50u << 20, 'x') + "--></VXA_ClientQWEX>"},
        {"Bomb", support(bomb + "]", "&b9;", "d.xml")},
        {"Truncated", rackView.substr(0, rackView.size() / 2)},
        {"External", support(" [<!ENTITY leak SYSTEM \"file://" + secret + "\">]", "&leak;", "d.xml")},
        {"OutsideDtd", header + "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_/" + secret + "\">\n" +
                           "<VXA_ClientQWEX><QWEXInfo><RegisteredName>&leak;</RegisteredName></QWEXInfo>" +
                           "</VXA_ClientQWEX>"},
        {"LoopUp", support("", "LoopUp", "../VXA/VXA.htm")},
        {"LoopEncoded", support("", "LoopEncoded", "%2e%2e/VXA/VXA.htm")},
        // Its operation counts; its discovery document, lacking VXA_Discovery,
        // is left out before the page.
        {"Hollow", support("", "Hollow", "d.xml",
                           "<Device><Type><Any/></Type><Class><Any/></Class><Instance><Any/></Instance><Operations>"
                           "<SingleDeviceOperation><Name>Hollow</Name></SingleDeviceOperation></Operations></Device>")},
    };
    for (const auto& [name, text] : peers)
        write(webappsFolder() + "/" + name + "/vxasupport.xml", text);
    write(webappsFolder() + "/Hollow/d.xml",
          header + "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n<Other><Device/></Other>");
    start();

    const auto began = std::chrono::steady_clock::now();
    const std::string page = expectPage(-1);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(60));
    for (const char* part : {"\"app\":\"RackView\"", "\"app\":\"ArrayTools\"", "\"app\":\"FirmwarePlus\"",
                             "Suite/EventView", "\"name\":\"Hollow\""})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    for (const char* part : {"BOMB", "TOPSECRET", "xxxxxxxx", "\"name\":\"\",\"bus\":\"\""})
        EXPECT_EQ(page.find(part), std::string::npos) << part;
    // The agent never asked for its own page on a peer's behalf (the log
    // line of a request is written once its answer has left).
    std::string log;
    std::size_t pages = 0;
    eventually(
        [&] {
            log = m_machine.read("drive_c/qwex/access.log");
            pages = tsmtest::occurrences(log, "/VXA/VXA.htm");
            return pages > 0;
        },
        std::chrono::seconds(10));
    EXPECT_EQ(pages, 1u) << log;
}

TEST_F(Faults, NestedPeerDocumentsCostThePageLittleTimeAndMemory)
{
    // Deep: 22 nested devices, 6 nested patterns; Chain: 20 nested devices,
    // 10 nested patterns; Cage16: 16 nested devices, as deep as is imported.
    // The server finds its web applications when it starts: until the
    // ordinary page has been timed, they describe nothing.
    const std::string hostile = std::string(TSM_SOURCE_DIR) + "/tests/web/hostile/";
    const char* const peers[] = {"Deep", "Chain", "Cage16"};
    for (const char* peer : peers) {
        std::string support = readFile(hostile + "Cage16/vxasupport.xml");
        write(webappsFolder() + "/" + peer + "/vxasupport.xml", support.replace(support.find("Cage16"), 6, peer));
        write(webappsFolder() + "/" + peer + "/d.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
              "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n<VXA_Discovery><Devices/></VXA_Discovery>");
    }
    start();
    // The first page also loads what every later page uses.
    std::string page = expectPage(-1);
    const auto ordinary = timePage(page);
    const std::vector<int> pids = processesRunning(agentHostPath());
    ASSERT_EQ(pids.size(), 1u);
    const long before = residentKb(pids[0]);

    for (const char* peer : peers)
        std::filesystem::copy(hostile + peer, webappsFolder() + "/" + peer,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    const auto nested = timePage(page);
    EXPECT_LT(nested - ordinary, std::chrono::seconds(1))
        << std::chrono::duration<double>(ordinary).count() << " s for an ordinary page, "
        << std::chrono::duration<double>(nested).count() << " s with the nested peers";
    // Under AddressSanitizer an ordinary page alone adds some 12 MB: its
    // freed memory stays in quarantine.
    const long after = residentKb(pids[0]);
    EXPECT_LT(after - before, 20 * 1024) << before << " kB before, " << after << " kB after";

    for (const char* part : {"\"name\":\"Cage0\"", "\"app\":\"RackView\""})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    for (const char* part : {"\"name\":\"Deep0\"", "\"name\":\"Chain0\"", "\"app\":\"Deep\"", "\"app\":\"Chain\""})
        EXPECT_EQ(page.find(part), std::string::npos) << part;
    const std::string log = readFile(binFolder() + "/vxa.log");
    for (const char* line : {"AppendDevices left out a device of Chain nested deeper than 16 levels",
                             "AppendDevices left out a device of Deep nested deeper than 16 levels",
                             "Merge left out Chain: it needs more than the page's merge budget has left",
                             "Merge left out Deep: it needs more than the page's merge budget has left"})
        EXPECT_EQ(tsmtest::occurrences(log, line), 1u) << line;
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
