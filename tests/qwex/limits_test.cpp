// What bounds the server against its neighbours and its clients: ports it
// does not share, the host names it answers, the headers of every answer, a
// bounded queue, a deadline per page, requests of clients that left, and
// pages that ask the same server for another application's page.
#include "eventually.h"
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace {

using tsmtest::answerOk;
using tsmtest::eventually;
using tsmtest::getRequest;
using tsmtest::QwexMachine;
using tsmtest::rawHead;
using tsmtest::rawStatusLine;
using tsmtest::writeFile;
using Clock = std::chrono::steady_clock;

TEST(QwexLimits, ThePortsAreTheServersAlone)
{
    const QwexMachine machine;
    writeFile(machine.pageFolder() + "/page.htm", "page");
    {
        // A neighbour holds the port first, ready to share it: the start fails and says why.
        const int neighbour = tsmtest::sharingListener(machine.httpsPort());
        ASSERT_GE(neighbour, 0);
        const QWEX_STARTUP_INFO startup = tsmtest::startupRecord();
        QWEX_HANDLE handle = nullptr;
        EXPECT_EQ(QWEXStartupHTTPServer(&startup, &handle), static_cast<DWORD>(QWEX_ERROR_PORT_IN_USE));
        EXPECT_EQ(handle, nullptr);
        ::close(neighbour);
        const std::string text = tsmtest::readFile(machine.serverFolder() + "/server.log");
        EXPECT_NE(
            text.find("cannot listen on 127.0.0.1:" + std::to_string(machine.httpsPort()) + ": Address already in use"),
            std::string::npos)
            << text;
    }
    // Once the server runs, no neighbour binds beside it: every connection is its own.
    const tsmtest::QwexServer server(&answerOk);
    ASSERT_NE(server.handle(), nullptr);
    for (const unsigned port : {machine.httpPort(), machine.httpsPort()}) {
        SCOPED_TRACE(port);
        const int neighbour = tsmtest::sharingListener(port);
        EXPECT_LT(neighbour, 0);
        if (neighbour >= 0)
            ::close(neighbour);
    }
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(rawStatusLine(machine.httpPort(), getRequest("/VXA/page.htm")), "HTTP/1.1 200 OK");
}

TEST(QwexLimits, AnswersOnlyItsOwnHostNamesAndMarksEveryAnswer)
{
    const QwexMachine machine("allowed_hosts = Storage.Example, admin-01\n");
    writeFile(machine.pageFolder() + "/page.htm", "page");
    writeFile(machine.pageFolder() + "/style.css", "p {}");
    const tsmtest::QwexServer server(&answerOk);
    ASSERT_NE(server.handle(), nullptr);
    const std::string port = std::to_string(machine.httpPort());
    // The Host header; whether the page is answered.
    const std::pair<std::string, bool> cases[] = {
        {"127.0.0.1", true},
        {"127.0.0.1:" + port, true},
        {"127.1.2.3:80", true},
        {"localhost", true},
        {"LocalHost:" + port, true},
        {"[::1]:" + port, true},
        {"[::1]", true},
        {"storage.example", true},
        {"STORAGE.EXAMPLE:8080", true},
        {"admin-01", true},
        {"attacker.example", false},
        {"attacker.example:" + port, false},
        {"localhost.attacker.example", false},
        {"127.0.0.1.attacker.example", false},
        {"127.0.0.1:x", false},
        {"[::1", false},
        {"[::1]x", false},
        {"128.0.0.1", false},
        {"0.0.0.0", false},
        {"storage.example.attacker", false},
        {"", false},
    };
    for (const auto& [host, bAnswered] : cases) {
        SCOPED_TRACE(host);
        const int before = tsmtest::g_okPages;
        EXPECT_EQ(rawStatusLine(machine.httpPort(), getRequest("/VXA/page.htm", host)),
                  bAnswered ? "HTTP/1.1 200 OK" : "HTTP/1.1 421 Misdirected Request");
        // A refused name runs nothing.
        EXPECT_EQ(tsmtest::g_okPages - before, bAnswered ? 1 : 0);
    }
    EXPECT_EQ(rawStatusLine(machine.httpPort(), "GET /VXA/page.htm HTTP/1.0\r\n\r\n"), "HTTP/1.1 200 OK");

    const char* const headers[] = {
        "\r\nX-Content-Type-Options: nosniff\r\n",
        "\r\nReferrer-Policy: no-referrer\r\n",
        "\r\nX-Frame-Options: DENY\r\n",
        "\r\nContent-Security-Policy: default-src 'self'; script-src 'self' 'unsafe-inline'; "
        "style-src 'self' 'unsafe-inline'; img-src 'self' data:; object-src 'none'; frame-ancestors 'none'; "
        "base-uri 'none'; form-action 'self'\r\n",
    };
    for (const std::string& request :
         {getRequest("/VXA/page.htm"), getRequest("/VXA/style.css"), getRequest("/VXA/missing.htm"),
          getRequest("/VXA/page.htm", "evil.example"),
          std::string("DELETE /VXA/page.htm HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n")}) {
        SCOPED_TRACE(request);
        const std::string head = rawHead(machine.httpPort(), request) + "\r\n";
        for (const char* header : headers)
            EXPECT_NE(head.find(header), std::string::npos) << head;
    }
}

// Pages of the "held" extension wait until the test opens the gate; closing
// it forgets the pages started so far.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::vector<std::string> started;

    void set(bool bOpen)
    {
        const std::lock_guard lock(mutex);
        open = bOpen;
        if (!open)
            started.clear();
        opened.notify_all();
    }
    std::vector<std::string> pages()
    {
        const std::lock_guard lock(mutex);
        return started;
    }
};
Gate g_gate;

DWORD WINAPI heldPage(EXTENSION_CONTROL_BLOCK* block)
{
    std::unique_lock lock(g_gate.mutex);
    g_gate.started.emplace_back(block->lpszPathInfo);
    g_gate.opened.wait_for(lock, std::chrono::seconds(30), [] { return g_gate.open; });
    lock.unlock();
    DWORD length = 4;
    block->WriteClient(block->ConnID, const_cast<char*>("done"), &length, 0);
    return HSE_STATUS_SUCCESS;
}

// A client with a request sent and its answer not yet read.
struct Waiting {
    int fd;
    Waiting(unsigned port, const std::string& target) : fd(tsmtest::connectTo(port))
    {
        EXPECT_TRUE(tsmtest::sendAll(fd, getRequest(target)));
    }
    ~Waiting() { hangUp(); }
    std::string head() const { return tsmtest::receiveHead(fd); }
    void hangUp()
    {
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
    }
};

TEST(QwexLimits, TheQueueIsBoundedAndClientsThatLeftCostNothing)
{
    const QwexMachine machine("request_threads = 1\nrequest_queue_limit = 2\n");
    for (const char* name : {"a", "b", "c", "d"})
        writeFile(machine.pageFolder() + "/" + name + ".htm", "");
    g_gate.set(false);
    const tsmtest::QwexServer server(&heldPage);
    Waiting a(machine.httpPort(), "/VXA/a.htm");
    ASSERT_TRUE(eventually([] { return g_gate.pages().size() == 1; }));
    // Three more for the one busy thread: two wait, the third is turned away at once.
    const std::string names[] = {"/VXA/b.htm", "/VXA/c.htm", "/VXA/d.htm"};
    std::vector<std::unique_ptr<Waiting>> clients;
    std::vector<pollfd> sockets;
    for (const std::string& name : names) {
        clients.push_back(std::make_unique<Waiting>(machine.httpPort(), name));
        sockets.push_back({clients.back()->fd, POLLIN, 0});
    }
    ASSERT_EQ(::poll(sockets.data(), sockets.size(), 20000), 1);
    std::vector<size_t> queued;
    for (size_t i = 0; i < sockets.size(); ++i) {
        if (!(sockets[i].revents & POLLIN)) {
            queued.push_back(i);
            continue;
        }
        const std::string refused = clients[i]->head();
        EXPECT_EQ(refused.substr(0, 12), "HTTP/1.1 503") << refused;
        EXPECT_NE(refused.find("\r\nRetry-After: 5"), std::string::npos) << refused;
    }
    ASSERT_EQ(queued.size(), 2u);
    // The first of the two waiting hangs up before its turn: its page never runs.
    clients[queued[0]]->hangUp();
    g_gate.set(true);
    EXPECT_EQ(a.head().substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(clients[queued[1]]->head().substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(rawStatusLine(machine.httpPort(), getRequest("/VXA/a.htm")), "HTTP/1.1 200 OK");
    EXPECT_EQ(g_gate.pages(), (std::vector<std::string>{"/VXA/a.htm", names[queued[1]], "/VXA/a.htm"}));
}

TEST(QwexLimits, APageThatOverrunsItsDeadlineIsAnsweredAndClosed)
{
    const QwexMachine machine("request_threads = 1\npage_deadline_s = 1\n");
    writeFile(machine.pageFolder() + "/held.htm", "");
    g_gate.set(false);
    const tsmtest::QwexServer server(&heldPage);
    const auto asked = Clock::now();
    Waiting held(machine.httpPort(), "/VXA/held.htm");
    const std::string head = held.head();
    const auto waited = Clock::now() - asked;
    EXPECT_EQ(head.substr(0, 12), "HTTP/1.1 503") << head;
    EXPECT_NE(head.find("\r\nConnection: close"), std::string::npos) << head;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(10));
    char rest[256];
    ssize_t n = 0;
    while ((n = ::recv(held.fd, rest, sizeof rest, 0)) > 0) {}
    EXPECT_EQ(n, 0); // closed by the server
    // The page's thread finishes; its late answer goes nowhere, and the next page is served.
    g_gate.set(true);
    EXPECT_EQ(rawStatusLine(machine.httpPort(), getRequest("/VXA/held.htm")), "HTTP/1.1 200 OK");
    // A page held once the watch had nothing left to wait for overruns too.
    g_gate.set(false);
    EXPECT_EQ(Waiting(machine.httpPort(), "/VXA/held.htm").head().substr(0, 12), "HTTP/1.1 503");
    g_gate.set(true);
}

// "outer.htm" asks the same server for "inner.htm", as a page asks a peer
// whose discovery document is an extension page.
QWEX_HANDLE g_server = nullptr;
unsigned g_port = 0;

std::string wholeAnswer(unsigned port, const std::string& target)
{
    Waiting client(port, target);
    std::string answer;
    char buffer[4096];
    for (ssize_t n = 0; (n = ::recv(client.fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    return answer;
}

DWORD WINAPI nestingPage(EXTENSION_CONTROL_BLOCK* block)
{
    std::string body = "inner";
    if (std::string(block->lpszPathInfo) == "/VXA/outer.htm") {
        const tsmtest::Fetched inner =
            tsmtest::fetch(g_server, "http://127.0.0.1:" + std::to_string(g_port) + "/VXA/inner.htm");
        body = "outer(" + inner.body + ")";
    }
    DWORD length = static_cast<DWORD>(body.size());
    block->WriteClient(block->ConnID, body.data(), &length, 0);
    return HSE_STATUS_SUCCESS;
}

TEST(QwexLimits, APageThatAsksForAnotherPageNeverWaitsForItself)
{
    // Four request threads and sixty-four clients: every thread holds an
    // outer page while the inner pages arrive.
    const QwexMachine machine("request_threads = 4\nrequest_queue_limit = 64\n");
    for (const char* name : {"outer", "inner"})
        writeFile(machine.pageFolder() + "/" + name + ".htm", "");
    const tsmtest::QwexServer server(&nestingPage);
    g_server = server.handle();
    g_port = machine.httpPort();
    const auto started = Clock::now();
    // Plain clients: the server's own client would be let ahead.
    std::vector<std::future<std::string>> clients;
    for (int i = 0; i < 64; ++i)
        clients.push_back(
            std::async(std::launch::async, [&] { return wholeAnswer(machine.httpPort(), "/VXA/outer.htm"); }));
    std::multiset<std::string> bodies;
    for (auto& client : clients) {
        const std::string answer = client.get();
        bodies.insert(answer.substr(answer.find("\r\n\r\n") + 4));
    }
    // The client time-out is 3 s: an inner page that waited for it would show.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(bodies.count("outer(inner)"), 64u);
}

} // namespace
