// The client calls against the server's two listeners and against peers that
// misbehave.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using tsmtest::fetch;
using tsmtest::Fetched;
using tsmtest::QwexMachine;
using tsmtest::writeFile;

class Running {
public:
    Running()
    {
        const QWEX_STARTUP_INFO startup = tsmtest::startupRecord();
        QWEXStartupHTTPServer(&startup, &m_server);
    }
    ~Running()
    {
        if (m_server)
            QWEXShutdownHTTPServer(m_server);
    }
    QWEX_HANDLE handle() const { return m_server; }

private:
    QWEX_HANDLE m_server = nullptr;
};

TEST(QwexClient, FetchesFromBothListenersAndReportsStatusAndState)
{
    const QwexMachine machine;
    writeFile(machine.serverFolder() + "/webapps/peer/doc.xml", "<doc/>");
    writeFile(machine.serverFolder() + "/webapps/peer/empty.xml", "");
    const Running server;
    ASSERT_NE(server.handle(), nullptr);
    struct stat key {};
    ASSERT_EQ(::stat((machine.serverFolder() + "/server.key").c_str(), &key), 0);
    EXPECT_EQ(key.st_mode & 0777, 0600u);
    struct Case {
        std::string url;
        DWORD status;
        DWORD state;
        const char* body;
    };
    const Case cases[] = {
        { machine.http("/peer/doc.xml"), 200, QWEX_CLIENT_STATE_DATA, "<doc/>" },
        { machine.https("/peer/doc.xml"), 200, QWEX_CLIENT_STATE_DATA, "<doc/>" },
        { machine.https("/peer/empty.xml"), 200, QWEX_CLIENT_STATE_DONE, "" },
        { machine.http("/peer/missing.xml"), 404, QWEX_CLIENT_STATE_DATA, "Not found.\n" },
        { machine.https("/other/doc.xml"), 404, QWEX_CLIENT_STATE_DATA, "Not found.\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const Fetched fetched = fetch(server.handle(), c.url);
        EXPECT_EQ(fetched.result, static_cast<DWORD>(QWEX_SUCCESS));
        EXPECT_EQ(fetched.calls, 1);
        EXPECT_EQ(fetched.status, c.status);
        EXPECT_EQ(fetched.state, c.state);
        EXPECT_EQ(fetched.body, c.body);
    }
    Fetched posted;
    posted.result = QWEXClientPostUrl(server.handle(), machine.http("/peer/doc.xml").c_str(), "x=1", 3,
                                      "application/x-www-form-urlencoded", &tsmtest::collectResponse, &posted);
    EXPECT_EQ(posted.status, 405u);
}

TEST(QwexClient, GivesUpOnSilentPeersAndOversizedResponses)
{
    const QwexMachine machine("client_timeout_ms = 500\nclient_max_response_bytes = 1000\n");
    writeFile(machine.serverFolder() + "/webapps/peer/big.xml", std::string(5000, 'x'));
    writeFile(machine.serverFolder() + "/webapps/peer/fits.xml", std::string(1000, 'y'));
    const Running server;
    ASSERT_NE(server.handle(), nullptr);

    // A listener that accepts connections into its backlog and never answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string silentUrl = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";

    struct Case {
        std::string url;
        DWORD result;
        DWORD state;
        size_t bytes;
    };
    const Case cases[] = {
        { silentUrl, QWEX_ERROR_TIMEOUT, QWEX_CLIENT_STATE_FAILED, 0 },
        { machine.http("/peer/big.xml"), QWEX_ERROR_TOO_LARGE, QWEX_CLIENT_STATE_FAILED, 0 },
        { machine.https("/peer/big.xml"), QWEX_ERROR_TOO_LARGE, QWEX_CLIENT_STATE_FAILED, 0 },
        { machine.http("/peer/fits.xml"), QWEX_SUCCESS, QWEX_CLIENT_STATE_DATA, 1000 },
        { "http://127.0.0.1:1/x", QWEX_ERROR_TRANSFER, QWEX_CLIENT_STATE_FAILED, 0 },
        { "ftp://127.0.0.1/x", QWEX_ERROR_TRANSFER, QWEX_CLIENT_STATE_FAILED, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const Fetched fetched = fetch(server.handle(), c.url);
        EXPECT_EQ(fetched.result, c.result);
        EXPECT_EQ(fetched.calls, 1);
        EXPECT_EQ(fetched.state, c.state);
        EXPECT_EQ(fetched.body.size(), c.bytes);
    }
    ::close(silent);
}

TEST(QwexClient, TrustsOnlyTheServersOwnCertificate)
{
    const QwexMachine machine;
    writeFile(machine.serverFolder() + "/webapps/peer/doc.xml", "<doc/>");
    const Running server;
    ASSERT_NE(server.handle(), nullptr);
    const std::string url = machine.https("/peer/doc.xml");
    EXPECT_EQ(fetch(server.handle(), url).result, static_cast<DWORD>(QWEX_SUCCESS));
    // Another server's certificate in place of the one the listener presents.
    std::filesystem::rename(machine.serverFolder() + "/server.crt", machine.serverFolder() + "/first.crt");
    std::filesystem::rename(machine.serverFolder() + "/server.key", machine.serverFolder() + "/first.key");
    writeFile(machine.serverFolder() + "/qwex.conf", "http_port = 0\nhttps_port = 0\n");
    const Running other;
    ASSERT_NE(other.handle(), nullptr);
    const Fetched refused = fetch(other.handle(), url);
    EXPECT_EQ(refused.result, static_cast<DWORD>(QWEX_ERROR_TRANSFER));
    EXPECT_EQ(refused.state, static_cast<DWORD>(QWEX_CLIENT_STATE_FAILED));
}

} // namespace
