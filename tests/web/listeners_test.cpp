// What the installed service exposes: its listeners on loopback only, TLS 1.2
// or later on the HTTPS port, and a server key that only its owner can read.
#include "agentservice.h"
#include "webagent.h"

#include <tsm/machinestate.h>

#include <sys/stat.h>

#include <algorithm>
#include <tuple>

namespace {

using tsmtest::eventually;

// Local addresses (hex, as /proc/net/tcp writes them) listening on a port.
std::vector<std::string> listeners(const char* table, unsigned port)
{
    std::vector<std::string> addresses;
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);
    char local[64] = {}, remote[64] = {};
    unsigned state = 0;
    while (std::getline(in, line)) {
        if (std::sscanf(line.c_str(), "%*d: %63s %63s %x", local, remote, &state) == 3 && state == 0x0A) {
            const std::string address(local);
            const std::size_t colon = address.rfind(':');
            if (std::stoul(address.substr(colon + 1), nullptr, 16) == port)
                addresses.push_back(address.substr(0, colon));
        }
    }
    return addresses;
}

class Listeners : public tsmtest::WebAgent {};

TEST_F(Listeners, LoopbackOnlyTls12OrLaterAndAPrivateKey)
{
    const std::string key = m_machine.driveC() + "/qwex/server.key";
    start();
    for (const unsigned port : {2301u, 2381u}) {
        SCOPED_TRACE(port);
        EXPECT_EQ(listeners("/proc/net/tcp", port), std::vector<std::string>{"0100007F"});
        EXPECT_TRUE(listeners("/proc/net/tcp6", port).empty());
    }

    // The TLS versions a client offers (lowest and highest); whether it is answered.
    const std::tuple<const char*, long, long, bool> versions[] = {
        {"1.0", CURL_SSLVERSION_TLSv1_0, CURL_SSLVERSION_MAX_TLSv1_0, false},
        {"1.1", CURL_SSLVERSION_TLSv1_0, CURL_SSLVERSION_MAX_TLSv1_1, false},
        {"1.2", CURL_SSLVERSION_TLSv1_2, CURL_SSLVERSION_MAX_TLSv1_2, true},
        {"1.3", CURL_SSLVERSION_TLSv1_3, CURL_SSLVERSION_MAX_TLSv1_3, true},
    };
    for (const auto& [pszName, lowest, highest, bAccepted] : versions) {
        SCOPED_TRACE(pszName);
        // A response arrives only over a completed handshake.
        EXPECT_EQ(tsmtest::httpGet(tsmtest::kPageHttps + "vxasupport.xml", 30, lowest | highest).status != 0,
                  bAccepted);
    }

    // The key is made private, and made private again if someone opened it.
    struct stat info {};
    ASSERT_EQ(::stat(key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(vxa({"-stop"}).exitCode, 0);
    ASSERT_EQ(::chmod(key.c_str(), 0644), 0);
    ASSERT_EQ(vxa({"-start"}).exitCode, 0);
    ASSERT_TRUE(eventually([] { return tsmtest::httpGet(tsmtest::kPageHttps + "vxasupport.xml", 5).status == 200; },
                           std::chrono::seconds(60)));
    ASSERT_EQ(::stat(key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(Listeners, APortHeldByAnotherProgramStopsTheServiceAndSaysWhy)
{
    // A neighbour holds the HTTP port, ready to share it.
    const int neighbour = tsmtest::sharingListener(2301);
    ASSERT_GE(neighbour, 0);
    ASSERT_EQ(vxa({"-install"}).exitCode, 0);
    vxa({"-start"});
    EXPECT_TRUE(eventually([] { return tsmtest::serviceState() == SERVICE_STOPPED; }, std::chrono::seconds(60)));
    ::close(neighbour);
    EXPECT_NE(m_machine.read("debug-output.log")
                  .find("the management HTTP server did not start: another program holds its port"),
              std::string::npos);
    EXPECT_TRUE(std::ranges::any_of(tsm::readEventLog(), [](const tsm::EventRecord& event) {
        return event.id == 104 && event.type == EVENTLOG_ERROR_TYPE;
    }));
    // Nothing of the agent answers on the HTTPS port either.
    EXPECT_EQ(tsmtest::httpGet(tsmtest::kPageHttps + "vxasupport.xml", 5).status, 0);
}

}
