// The client calls against the server's two listeners and against peers that
// misbehave.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using tsmtest::fetch;
using tsmtest::Fetched;
using tsmtest::QwexMachine;
using tsmtest::QwexServer;
using tsmtest::writeFile;

TEST(QwexClient, FetchesFromBothListenersTrustsOnlyItsOwnCertificateAndGivesUpOnBadPeers)
{
    const QwexMachine machine("client_timeout_ms = 500\nclient_max_response_bytes = 1000\n");
    writeFile(machine.serverFolder() + "/webapps/peer/doc.xml", "<doc/>");
    writeFile(machine.serverFolder() + "/webapps/peer/empty.xml", "");
    writeFile(machine.serverFolder() + "/webapps/peer/big.xml", std::string(5000, 'x'));
    writeFile(machine.serverFolder() + "/webapps/peer/fits.xml", std::string(1000, 'y'));
    std::filesystem::create_symlink("doc.xml", machine.serverFolder() + "/webapps/peer/link.xml");
    const QwexServer server;
    ASSERT_NE(server.handle(), nullptr);

    // A listener that accepts connections into its backlog and never answers.
    unsigned silentPort = 0;
    const int silent = tsmtest::boundSocket(silentPort);
    ASSERT_EQ(::listen(silent, 4), 0);
    const DWORD eData = QWEX_CLIENT_STATE_DATA, eFailed = QWEX_CLIENT_STATE_FAILED;
    // The URL; the result, the status (only where the fetch succeeds), the state and the body.
    using Case = std::tuple<std::string, DWORD, DWORD, DWORD, std::string>;
    const Case cases[] = {
        {machine.http("/peer/doc.xml"), QWEX_SUCCESS, 200, eData, "<doc/>"},
        {machine.https("/peer/doc.xml"), QWEX_SUCCESS, 200, eData, "<doc/>"},
        {machine.https("/peer/empty.xml"), QWEX_SUCCESS, 200, QWEX_CLIENT_STATE_DONE, ""},
        {machine.http("/peer/missing.xml"), QWEX_SUCCESS, 404, eData, "Not found.\n"},
        {machine.https("/other/doc.xml"), QWEX_SUCCESS, 404, eData, "Not found.\n"},
        {machine.http("/peer/fits.xml"), QWEX_SUCCESS, 200, eData, std::string(1000, 'y')},
        {machine.http("/peer/doc.xml?v=1"), QWEX_SUCCESS, 200, eData, "<doc/>"},
        {machine.http("/peer/../peer/./doc.xml"), QWEX_SUCCESS, 200, eData, "<doc/>"},
        {machine.http("/peer/link.xml"), QWEX_SUCCESS, 403, eData, "Forbidden.\n"},
        {machine.http("/peer/d%6fc.xml"), QWEX_SUCCESS, 200, eData, "<doc/>"},
        {"http://127.0.0.1:" + std::to_string(silentPort) + "/x", QWEX_ERROR_TIMEOUT, 0, eFailed, ""},
        {machine.http("/peer/big.xml"), QWEX_ERROR_TOO_LARGE, 0, eFailed, ""},
        {machine.https("/peer/big.xml"), QWEX_ERROR_TOO_LARGE, 0, eFailed, ""},
        {"http://127.0.0.1:1/x", QWEX_ERROR_TRANSFER, 0, eFailed, ""},
        {"ftp://127.0.0.1/x", QWEX_ERROR_TRANSFER, 0, eFailed, ""},
    };
    // Each fetch calls back once, with what its case expects.
    const auto check = [](const Fetched& fetched, const Case& c) {
        const DWORD status = std::get<1>(c) == QWEX_SUCCESS ? fetched.status : 0u;
        EXPECT_EQ(Case(std::get<0>(c), fetched.result, status, fetched.state, fetched.body), c);
        EXPECT_EQ(fetched.calls, 1);
    };
    // The server's own files reach its own client in process.
    for (const Case& c : cases)
        check(fetch(server.handle(), std::get<0>(c)), c);
    ::close(silent);
    Fetched posted;
    posted.result = QWEXClientPostUrl(server.handle(), machine.http("/peer/doc.xml").c_str(), "x=1", 3,
                                      "application/x-www-form-urlencoded", &tsmtest::collectResponse, &posted);
    EXPECT_EQ(posted.status, 405u);

    // The client trusts only its own server's certificate: another server's
    // client meets the first listener's certificate and refuses it.
    std::filesystem::rename(machine.serverFolder() + "/server.crt", machine.serverFolder() + "/first.crt");
    std::filesystem::rename(machine.serverFolder() + "/server.key", machine.serverFolder() + "/first.key");
    writeFile(machine.serverFolder() + "/qwex.conf",
              "http_port = 0\nhttps_port = 0\nclient_timeout_ms = 500\nclient_max_response_bytes = 1000\n");
    const QwexServer other;
    ASSERT_NE(other.handle(), nullptr);
    // Another server's client fetches the same files over the wire and gets
    // what the first server's own client got.
    for (const Case& c : cases) {
        SCOPED_TRACE("over the wire");
        if (std::get<0>(c).starts_with(machine.http("/")))
            check(fetch(other.handle(), std::get<0>(c)), c);
    }
    const Fetched refused = fetch(other.handle(), machine.https("/peer/doc.xml"));
    EXPECT_EQ(std::make_pair(refused.result, refused.state), (std::pair<DWORD, DWORD>(QWEX_ERROR_TRANSFER, eFailed)));
}

} // namespace
