// PeerCollector and LocalWebClient against a real management HTTP server in
// this process, on the loopback addresses the collector asks: static peer web
// applications, and a test extension that answers with a chosen status or
// slowly.
#include "eventually.h"
#include "httpget.h"
#include "localwebclient.h"
#include "peercollector.h"
#include "qwexfixture.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

namespace {

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
const std::string kSupportType = "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_1_1.dtd\">\n";
const std::string kDiscoveryType = "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n";

std::string support(const std::string& name, const std::string& discovery)
{
    return kHeader + kSupportType + "<VXA_ClientQWEX><QWEXInfo><RegisteredName>" + name +
           "</RegisteredName><RequestPage>p.htm</RequestPage>" + discovery + "</QWEXInfo><Devices/></VXA_ClientQWEX>";
}

std::string owning(const std::string& owns, const std::string& name = "d.xml")
{
    return "<DeviceDiscovery Owns=\"" + owns + "\"><DiscoveryName>" + name + "</DiscoveryName></DeviceDiscovery>";
}

const std::string kDiscovery = kHeader + kDiscoveryType + "<VXA_Discovery><Devices/></VXA_Discovery>";

using tsmtest::writeFile;

// The test extension "/Odd" serves its page files "s<status>/page.htm" with a
// valid support document and that status, and "slow/page.htm" after five
// seconds.
DWORD WINAPI oddRequest(EXTENSION_CONTROL_BLOCK* pECB)
{
    const std::string path = pECB->lpszPathInfo;
    if (path.find("/slow/") != std::string::npos)
        std::this_thread::sleep_for(std::chrono::seconds(5));
    const std::string::size_type status = path.find("/Odd/s");
    if (status != std::string::npos && path.size() > status + 9)
        pECB->dwHttpStatusCode = std::stoul(path.substr(status + 6, 3));
    std::string body = support("Odd", "");
    DWORD dwBytes = static_cast<DWORD>(body.size());
    pECB->WriteClient(pECB->ConnID, body.data(), &dwBytes, 0);
    return HSE_STATUS_SUCCESS;
}

class Peers : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }

    void SetUp() override
    {
        const std::string apps = serverFolder() + "/webapps";
        writeFile(serverFolder() + "/qwex.conf", "client_timeout_ms = 1500\n");
        writeFile(apps + "/Good/vxasupport.xml", support("Good", owning("true")));
        writeFile(apps + "/Good/d.xml", kDiscovery);
        writeFile(apps + "/Upper/vxasupport.xml", support("Upper", owning("TRUE")));
        writeFile(apps + "/Upper/d.xml", kDiscovery);
        writeFile(apps + "/Plain/vxasupport.xml", support("Plain", ""));
        writeFile(apps + "/Nameless/vxasupport.xml", support("Nameless", "<DeviceDiscovery Owns=\"true\"/>"));
        writeFile(apps + "/BadDiscovery/vxasupport.xml", support("BadDiscovery", owning("true")));
        writeFile(apps + "/BadDiscovery/d.xml", kHeader + kDiscoveryType + "<VXA_Discovery><Stray/></VXA_Discovery>");
        // A discovery document named by a path that climbs to another peer's.
        writeFile(apps + "/Climbs/vxasupport.xml", support("Climbs", owning("true", "../Good/d.xml")));
        // Not valid against its document type, a valid discovery document in
        // its place, a declaration without its blank, not XML at all.
        writeFile(apps + "/Broken/vxasupport.xml",
                  kHeader + kSupportType + "<VXA_ClientQWEX><Stray/></VXA_ClientQWEX>");
        writeFile(apps + "/Swapped/vxasupport.xml", kDiscovery);
        writeFile(apps + "/Garbage/vxasupport.xml", "\x01\x02<<<");
        writeFile(apps + "/Squeezed/vxasupport.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + support("Squeezed", "").substr(kHeader.size()));
        writeFile(apps + "/x.vxa/vxasupport.xml", support("x.vxa", ""));
        // Named like the agent's own URL root: only the entry itself is a peer.
        writeFile(apps + "/vxa/vxasupport.xml", support("vxa", ""));
        writeFile(apps + "/vxa/Good/vxasupport.xml", support("vxa", ""));
        writeFile(apps + "/vxa/x/vxasupport.xml", support("vxa", ""));
        for (const char* pszFolder : {"s200", "s202", "s203", "s404", "slow"})
            writeFile(m_machine.driveC() + "/work/" + pszFolder + "/page.htm", "");
        m_folder = std::filesystem::current_path();
        std::filesystem::create_directories(m_machine.driveC() + "/work");
        std::filesystem::current_path(m_machine.driveC() + "/work");

        const QWEX_STARTUP_INFO startup = tsmtest::startupRecord("C:\\WORK\\./");
        QWEXStartupHTTPServer(&startup, &m_hServer);
        ASSERT_NE(m_hServer, nullptr) << "ports 2301 and 2381 must be free";
        const QWEX_EXTENSION_INFO odd = tsmtest::extensionRecord("/Odd", &tsmtest::acceptVersion, &oddRequest,
                                                                 &tsmtest::acceptTerminate, "C:\\WORK");
        ASSERT_EQ(QWEXRegisterIsapiExtension(m_hServer, &odd), 0u);
        // The peer files are the test's to choose.
        std::filesystem::remove_all(cacheFolder());
        std::filesystem::create_directories(cacheFolder());
    }

    void TearDown() override
    {
        if (m_hServer)
            QWEXShutdownHTTPServer(m_hServer);
        std::filesystem::current_path(m_folder);
    }

    std::string serverFolder() const { return m_machine.driveC() + "/qwex"; }
    std::string cacheFolder() const { return serverFolder() + "/cache"; }

    void configure(const std::string& text) const { writeFile(m_machine.driveC() + "/work/vxaconfig.xml", text); }
    void cache(const std::vector<std::string>& files) const
    {
        std::filesystem::remove_all(cacheFolder());
        for (const std::string& file : files)
            writeFile(cacheFolder() + "/" + file, "");
    }

    // How often the server was asked for a path so far (its access log).
    std::size_t asked(const std::string& path) const
    {
        // The last request's line may follow its answer by a moment: ask for
        // a marker and wait until its line is there.
        tsmtest::httpGet("http://127.0.0.1:2301/Good/marker");
        std::string log;
        tsmtest::eventually(
            [&] {
                log = m_machine.read("drive_c/qwex/access.log");
                return log.find("/Good/marker") != std::string::npos;
            },
            std::chrono::seconds(2));
        return tsmtest::occurrences(log, " /" + path + " ");
    }

    static std::string listing(const std::vector<std::string>& peers)
    {
        std::string text = "<?xml version=\"1.0\"?><C><WellKnownQWEXs>";
        for (const std::string& peer : peers)
            text += "<QWEX>" + peer + "</QWEX>";
        return text + "</WellKnownQWEXs></C>";
    }

    static std::string keys(const Web::PeerCollector::Documents& documents)
    {
        std::string names;
        for (const auto& [name, text] : documents)
            names += name + ";";
        return names;
    }

    tsmtest::TempMachine m_machine;
    std::filesystem::path m_folder;
    QWEX_HANDLE m_hServer = nullptr;
};

TEST_F(Peers, EachPeerIsAskedOnceAndOnlyValidDocumentsCount)
{
    // The configuration and the cache's files; the peers that end up with a
    // support document and with a discovery document.
    const std::string well = "<?xml version=\"1.0\"?><C><WellKnownQWEXs><QWEX>Good</QWEX><QWEX>Plain</QWEX>"
                             "</WellKnownQWEXs><Other><QWEX>Upper</QWEX></Other></C>";
    const std::vector<std::string> bad = {"BadDiscovery.vxa", "Climbs.vxa", "Swapped.vxa", "Squeezed.vxa",
                                          "Missing.vxa",      "Broken.vxa", "Garbage.vxa"};
    const std::tuple<const char*, std::string, std::vector<std::string>, const char*, const char*> cases[] = {
        {"configuration only", well, {}, "Good;Plain;", "Good;"},
        {"cache only, suffix twice", "", {"Upper.vxa", "x.vxa.vxa", "notes.txt"}, "Upper;x.vxa;", ""},
        {"both, each asked once", well, {"Good.vxa", "Nameless.vxa"}, "Good;Nameless;Plain;", "Good;"},
        {"broken configuration", "<C><WellKnownQWEXs><QWEX>Good", {"Plain.vxa"}, "Plain;", ""},
        {"bad documents", "", bad, "BadDiscovery;Climbs;", ""},
        // A name that would pick a page of its own, or ask the agent's own pages.
        {"no peers", listing({"Odd/s200/page.htm?", "Good#", "Go\tod", "vxa/Good", "VXA/x"}), {"VXA.vxa"}, "VXA;", ""},
    };
    for (const auto& [pszName, configuration, cacheFiles, pszSupport, pszDiscovery] : cases) {
        SCOPED_TRACE(pszName);
        configure(configuration);
        cache(cacheFiles);
        Web::LocalWebClient client(m_hServer);
        Web::PeerCollector collector(client, "C:\\qwex/cache");
        const auto begun = std::chrono::steady_clock::now();
        collector.collect();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
        EXPECT_EQ(keys(collector.supportDocuments()) + " " + keys(collector.discoveryDocuments()),
                  std::string(pszSupport) + " " + pszDiscovery);
    }
    // A response counts up to status 202; a silent server is cut off by the client timeout.
    const std::pair<const char*, bool> statuses[] = {
        {"s200", true}, {"s202", true}, {"s203", false}, {"s404", false}, {"slow", false}};
    for (const auto& [folder, counted] : statuses) {
        SCOPED_TRACE(folder);
        Web::LocalWebClient client(m_hServer);
        const auto begun = std::chrono::steady_clock::now();
        const std::string text = client.getUrl(std::string("http://127.0.0.1:2301/Odd/") + folder + "/page.htm");
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
        EXPECT_EQ(text.find("<VXA_ClientQWEX>") != std::string::npos, counted) << text;
    }
    // Over HTTPS at once; the documents of a peer that never answers
    // validly are asked on both addresses.
    EXPECT_EQ(asked("Good/vxasupport.xml"), 2u);
    EXPECT_EQ(asked("x.vxa/vxasupport.xml"), 1u);
    EXPECT_EQ(asked("Good/d.xml"), 2u);
    EXPECT_EQ(asked("Upper/d.xml"), 0u);
    EXPECT_EQ(asked("Swapped/vxasupport.xml"), 2u);
}

}
