// PeerCollector and LocalWebClient against a real management HTTP server in
// this process, on the loopback addresses the collector asks: static peer web
// applications, and a test extension that answers with a chosen status or
// slowly.
#include "httpget.h"
#include "localwebclient.h"
#include "peercollector.h"
#include "tempmachine.h"

#include <ZyrQWEX.h>
#include <xercesc/util/PlatformUtils.hpp>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
const std::string kSupportType = "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_1_1.dtd\">\n";
const std::string kDiscoveryType = "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n";

std::string support(const std::string& name, const std::string& discovery)
{
    return kHeader + kSupportType + "<VXA_ClientQWEX><QWEXInfo><RegisteredName>" + name +
           "</RegisteredName><RequestPage>p.htm</RequestPage>" + discovery + "</QWEXInfo><Devices/></VXA_ClientQWEX>";
}

std::string owning(const std::string& owns)
{
    return "<DeviceDiscovery Owns=\"" + owns + "\"><DiscoveryName>d.xml</DiscoveryName></DeviceDiscovery>";
}

const std::string kDiscovery = kHeader + kDiscoveryType + "<VXA_Discovery><Devices/></VXA_Discovery>";

void write(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The test extension "/Odd" serves its page files "s<status>/page.htm" with a
// valid support document and that status, and "slow/page.htm" after five
// seconds. A peer named "Odd/s203/page.htm?" is asked for that page, the rest
// of its support path becoming the query.
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

BOOL WINAPI oddVersion(QWEX_VERSION_INFO* pVersion)
{
    pVersion->dwExtensionVersion = 1;
    return TRUE;
}

BOOL WINAPI oddTerminate(DWORD)
{
    return TRUE;
}

class Peers : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }

    void SetUp() override
    {
        const std::string apps = serverFolder() + "/webapps";
        write(serverFolder() + "/qwex.conf", "client_timeout_ms = 1500\n");
        write(apps + "/Good/vxasupport.xml", support("Good", owning("true")));
        write(apps + "/Good/d.xml", kDiscovery);
        write(apps + "/Upper/vxasupport.xml", support("Upper", owning("TRUE")));
        write(apps + "/Upper/d.xml", kDiscovery);
        write(apps + "/Plain/vxasupport.xml", support("Plain", ""));
        write(apps + "/Nameless/vxasupport.xml",
              support("Nameless", "<DeviceDiscovery Owns=\"true\"/>"));
        write(apps + "/BadDiscovery/vxasupport.xml", support("BadDiscovery", owning("true")));
        write(apps + "/BadDiscovery/d.xml", kHeader + kDiscoveryType + "<VXA_Discovery><Stray/></VXA_Discovery>");
        write(apps + "/Untyped/vxasupport.xml", kHeader + "<VXA_ClientQWEX/>");
        write(apps + "/Undeclared/vxasupport.xml", kSupportType + "<VXA_ClientQWEX/>");
        write(apps + "/x.vxa/vxasupport.xml", support("x.vxa", ""));
        for (const char* pszFolder : { "s200", "s202", "s203", "s404", "slow" })
            write(m_machine.driveC() + "/work/" + pszFolder + "/page.htm", "");
        m_folder = std::filesystem::current_path();
        std::filesystem::create_directories(m_machine.driveC() + "/work");
        std::filesystem::current_path(m_machine.driveC() + "/work");

        QWEX_STARTUP_INFO startup {};
        QWEXPutLE32(startup.cbSize, QWEX_STARTUP_INFO_SIZE);
        QWEXPutLE32(startup.dwFormat, 2);
        std::strcpy(startup.szProductInfo, "MarketingName:Peer test");
        std::strcpy(startup.szModulePath, "C:\\WORK\\./");
        QWEXStartupHTTPServer(&startup, &m_hServer);
        ASSERT_NE(m_hServer, nullptr) << "ports 2301 and 2381 must be free";
        QWEX_EXTENSION_INFO odd {};
        odd.cbSize = QWEX_EXTENSION_INFO_SIZE;
        std::strcpy(odd.szUrlRoot, "/Odd");
        std::strcpy(odd.szPageDirectory, "C:\\WORK");
        odd.pfnGetVersion = &oddVersion;
        odd.pfnHttpExtensionProc = &oddRequest;
        odd.pfnTerminate = &oddTerminate;
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

    void configure(const std::string& text) const { write(m_machine.driveC() + "/work/vxaconfig.xml", text); }
    void cache(const std::vector<std::string>& files) const
    {
        std::filesystem::remove_all(cacheFolder());
        for (const std::string& file : files)
            write(cacheFolder() + "/" + file, "");
    }

    // How often the server was asked for a path so far (its access log).
    std::size_t asked(const std::string& path) const
    {
        // The last request's line may follow its answer by a moment: ask for
        // a marker and wait until its line is there.
        tsmtest::httpGet("http://127.0.0.1:2301/Good/marker");
        std::size_t count = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::ifstream log(serverFolder() + "/access.log");
            count = 0;
            bool marked = false;
            for (std::string line; std::getline(log, line);) {
                count += line.find(" /" + path + " ") != std::string::npos ? 1 : 0;
                marked = marked || line.find("/Good/marker") != std::string::npos;
            }
            if (marked)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return count;
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
    struct Case {
        const char* pszName;
        std::string configuration;
        std::vector<std::string> cacheFiles;
        const char* pszSupport;   // peers with a support document
        const char* pszDiscovery; // peers with a discovery document
    };
    const std::string well = "<?xml version=\"1.0\"?><C><WellKnownQWEXs><QWEX>Good</QWEX><QWEX>Plain</QWEX>"
                             "</WellKnownQWEXs><Other><QWEX>Upper</QWEX></Other></C>";
    const Case cases[] = {
        { "configuration only", well, {}, "Good;Plain;", "Good;" },
        { "cache only, suffix twice", "", { "Upper.vxa", "x.vxa.vxa", "notes.txt" }, "Upper;x.vxa;", "" },
        { "both, each asked once", well, { "Good.vxa", "Nameless.vxa" }, "Good;Nameless;Plain;", "Good;" },
        { "broken configuration", "<C><WellKnownQWEXs><QWEX>Good", { "Plain.vxa" }, "Plain;", "" },
        { "bad documents", "", { "BadDiscovery.vxa", "Untyped.vxa", "Undeclared.vxa", "Missing.vxa" },
          "BadDiscovery;", "" },
        { "status 203 and above", listing({ "Odd/s200/page.htm?", "Odd/s202/page.htm?", "Odd/s203/page.htm?",
                                                 "Odd/s404/page.htm?" }), {},
          "Odd/s200/page.htm?;Odd/s202/page.htm?;", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        configure(c.configuration);
        cache(c.cacheFiles);
        Web::LocalWebClient client(m_hServer);
        Web::PeerCollector collector(client, "C:\\qwex/cache");
        collector.collect();
        EXPECT_EQ(keys(collector.supportDocuments()), c.pszSupport);
        EXPECT_EQ(keys(collector.discoveryDocuments()), c.pszDiscovery);
    }
    // Over HTTPS at once; the documents of a peer that never answers
    // validly are asked on both addresses.
    EXPECT_EQ(asked("Good/vxasupport.xml"), 2u);
    EXPECT_EQ(asked("x.vxa/vxasupport.xml"), 1u);
    EXPECT_EQ(asked("Good/d.xml"), 2u);
    EXPECT_EQ(asked("Upper/d.xml"), 0u);
    EXPECT_EQ(asked("Untyped/vxasupport.xml"), 2u);
}

TEST_F(Peers, SlowPeerIsCutOffByTheClientTimeout)
{
    configure(listing({ "Odd/slow/page.htm?" }));
    cache({ "Plain.vxa" });
    Web::LocalWebClient client(m_hServer);
    Web::PeerCollector collector(client, "C:\\qwex/cache");
    const auto begun = std::chrono::steady_clock::now();
    collector.collect();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
    EXPECT_EQ(keys(collector.supportDocuments()), "Plain;");
}

}
