// Shutdown while slow extension requests are in flight.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using tsmtest::fetch;
using tsmtest::Fetched;
using tsmtest::QwexMachine;
using tsmtest::writeFile;

// What the handlers of this file share with the test running them.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int started = 0;
    bool shutDownReturned = false;
    bool calledAfterShutdown = false;
};
Shared g_shared;

// Notes a call of the extension that came after shutdown returned.
void noteCall()
{
    const std::lock_guard lock(g_shared.mutex);
    g_shared.calledAfterShutdown |= g_shared.shutDownReturned;
}

BOOL WINAPI noteTerminate(DWORD)
{
    return noteCall(), TRUE;
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

const QWEX_TAG_HANDLER kTags[] = {{"Slow", &slowWork}, {nullptr, nullptr}};

DWORD WINAPI servePage(EXTENSION_CONTROL_BLOCK* block)
{
    noteCall();
    return tsmtest::servePageWith(block, kTags);
}

// Clients that all ask for one page at once.
class Clients {
public:
    Clients(QWEX_HANDLE server, const std::string& url, size_t count) : m_pages(count)
    {
        for (Fetched& page : m_pages)
            m_threads.emplace_back([&page, server, url] { page = fetch(server, url); });
    }
    ~Clients() { pages(); }
    const std::vector<Fetched>& pages()
    {
        for (std::thread& thread : std::exchange(m_threads, {}))
            thread.join();
        return m_pages;
    }

private:
    std::vector<Fetched> m_pages;
    std::vector<std::thread> m_threads;
};

TEST(QwexConcurrency, ShutdownLetsRequestsInFlightEndAndThenCallsNothing)
{
    const QwexMachine machine("client_timeout_ms = 20000\n");
    writeFile(machine.pageFolder() + "/slow.htm", "<%Slow%>");
    tsmtest::QwexServer server(&servePage, &tsmtest::acceptVersion, &noteTerminate);
    ASSERT_NE(server.handle(), nullptr);
    Clients clients(server.handle(), machine.http("/VXA/slow.htm"), 32);
    {
        std::unique_lock lock(g_shared.mutex);
        EXPECT_TRUE(g_shared.changed.wait_for(lock, std::chrono::seconds(20), [] { return g_shared.started == 32; }));
    }
    server.stop();
    {
        const std::lock_guard lock(g_shared.mutex);
        EXPECT_EQ(g_shared.running, 0);
        g_shared.shutDownReturned = true;
    }
    for (const Fetched& page : clients.pages()) {
        const bool finished = page.status == 200 && page.body == "done";
        const bool failedCleanly = page.result != QWEX_SUCCESS && page.state == QWEX_CLIENT_STATE_FAILED;
        EXPECT_TRUE(finished || failedCleanly) << page.status << " " << page.body;
    }
    const std::lock_guard lock(g_shared.mutex);
    EXPECT_FALSE(g_shared.calledAfterShutdown);
}

} // namespace
