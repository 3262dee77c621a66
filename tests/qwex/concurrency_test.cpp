// Extension requests that overlap: loopback fetches from inside a page, and
// shutdown while slow requests are in flight.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using tsmtest::fetch;
using tsmtest::Fetched;
using tsmtest::QwexMachine;
using tsmtest::writeFile;

// What the handlers of this file share with the test running them.
struct Shared {
    QWEX_HANDLE server = nullptr;
    std::string documentUrl;
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int started = 0;
    bool shutDownReturned = false;
    bool calledAfterShutdown = false;
};
Shared g_shared;

BOOL WINAPI acceptVersion(QWEX_VERSION_INFO*) { return TRUE; }

BOOL WINAPI noteTerminate(DWORD)
{
    const std::lock_guard lock(g_shared.mutex);
    g_shared.calledAfterShutdown |= g_shared.shutDownReturned;
    return TRUE;
}

BOOL WINAPI fetchDocument(EXTENSION_CONTROL_BLOCK* block, PFN_QWEX_WRITE write)
{
    return write(block, fetch(g_shared.server, g_shared.documentUrl).body.c_str());
}

// Stays busy for a while after it has told the test that it started.
BOOL WINAPI slowWork(EXTENSION_CONTROL_BLOCK* block, PFN_QWEX_WRITE write)
{
    std::unique_lock lock(g_shared.mutex);
    g_shared.calledAfterShutdown |= g_shared.shutDownReturned;
    ++g_shared.running;
    ++g_shared.started;
    g_shared.changed.notify_all();
    g_shared.changed.wait_for(lock, std::chrono::milliseconds(300), [] { return false; });
    --g_shared.running;
    lock.unlock();
    return write(block, "done");
}

const QWEX_TAG_HANDLER kTags[] = { { "Fetch", &fetchDocument }, { "Slow", &slowWork }, { nullptr, nullptr } };

DWORD WINAPI servePage(EXTENSION_CONTROL_BLOCK* block)
{
    {
        const std::lock_guard lock(g_shared.mutex);
        g_shared.calledAfterShutdown |= g_shared.shutDownReturned;
    }
    return tsmtest::servePageWith(block, kTags);
}

QWEX_HANDLE startServing()
{
    QWEX_HANDLE server = nullptr;
    const QWEX_STARTUP_INFO startup = tsmtest::startupRecord();
    QWEXStartupHTTPServer(&startup, &server);
    QWEXSetIsapiStackSize(server, 128000);
    const QWEX_EXTENSION_INFO record = tsmtest::extensionRecord("/VXA", &acceptVersion, &servePage, &noteTerminate);
    QWEXRegisterIsapiExtension(server, &record);
    return server;
}

TEST(QwexConcurrency, PagesThatFetchFromTheSameServerAllComplete)
{
    const QwexMachine machine("request_threads = 8\n");
    writeFile(machine.pageFolder() + "/fetch.htm", "[<%Fetch%>]");
    writeFile(machine.pageFolder() + "/doc.xml", "<doc/>");
    g_shared.server = startServing();
    ASSERT_NE(g_shared.server, nullptr);
    g_shared.documentUrl = machine.https("/VXA/doc.xml");
    std::vector<Fetched> pages(64);
    std::vector<std::thread> clients;
    for (Fetched& page : pages)
        clients.emplace_back([&] { page = fetch(g_shared.server, machine.http("/VXA/fetch.htm")); });
    for (std::thread& client : clients)
        client.join();
    for (const Fetched& page : pages) {
        EXPECT_EQ(page.status, 200u);
        EXPECT_EQ(page.body, "[<doc/>]");
    }
    QWEXShutdownHTTPServer(std::exchange(g_shared.server, nullptr));
}

TEST(QwexConcurrency, ShutdownLetsRequestsInFlightEndAndThenCallsNothing)
{
    const QwexMachine machine("client_timeout_ms = 20000\n");
    writeFile(machine.pageFolder() + "/slow.htm", "<%Slow%>");
    QWEX_HANDLE server = startServing();
    ASSERT_NE(server, nullptr);
    std::vector<Fetched> pages(32);
    std::vector<std::thread> clients;
    for (Fetched& page : pages)
        clients.emplace_back([&] { page = fetch(server, machine.http("/VXA/slow.htm")); });
    {
        std::unique_lock lock(g_shared.mutex);
        ASSERT_TRUE(g_shared.changed.wait_for(lock, std::chrono::seconds(20), [] { return g_shared.started == 32; }));
    }
    QWEXShutdownHTTPServer(server);
    {
        const std::lock_guard lock(g_shared.mutex);
        EXPECT_EQ(g_shared.running, 0);
        g_shared.shutDownReturned = true;
    }
    for (std::thread& client : clients)
        client.join();
    for (const Fetched& page : pages) {
        const bool finished = page.status == 200 && page.body == "done";
        const bool failedCleanly = page.result != QWEX_SUCCESS && page.state == QWEX_CLIENT_STATE_FAILED;
        EXPECT_TRUE(finished || failedCleanly) << page.status << " " << page.body;
    }
    const std::lock_guard lock(g_shared.mutex);
    EXPECT_FALSE(g_shared.calledAfterShutdown);
}

} // namespace
