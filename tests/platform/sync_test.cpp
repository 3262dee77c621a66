// Events, waits and threads through the Win32 calls.
#include "lasterror.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using tsmtest::failed;

using Clock = std::chrono::steady_clock;

long long elapsedMs(Clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

} // namespace

TEST(Events, ManualResetStaysSignalledAutoResetReleasesOneWait)
{
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(manual, nullptr);
    ASSERT_NE(automatic, nullptr);
    ASSERT_NE(manual, automatic);

    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(SetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(manual, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Created signalled: the first wait takes the signal, the second times out.
    EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_TRUE(ResetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // A timed wait lasts about as long as asked.
    const auto began = Clock::now();
    EXPECT_EQ(WaitForSingleObject(automatic, 120), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(elapsedMs(began), 110);
    EXPECT_LT(elapsedMs(began), 5000);

    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_TRUE(CloseHandle(automatic));
    // A closed handle is no longer an event.
    SetLastError(0);
    EXPECT_EQ(failed(SetEvent(manual)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(failed(ResetEvent(nullptr)), ERROR_INVALID_HANDLE);
}

TEST(Events, AnAutoResetSignalWakesExactlyOneOfTwoWaiters)
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    std::atomic<int> woken { 0 };
    std::atomic<int> timedOut { 0 };
    auto waiter = [&] {
        if (WaitForSingleObject(event, 1500) == WAIT_OBJECT_0)
            ++woken;
        else
            ++timedOut;
    };
    std::thread first(waiter);
    std::thread second(waiter);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(SetEvent(event));
    first.join();
    second.join();
    EXPECT_EQ(woken, 1);
    EXPECT_EQ(timedOut, 1);

    // A manual-reset signal wakes both.
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    woken = 0;
    std::thread a([&] { woken += WaitForSingleObject(gate, 5000) == WAIT_OBJECT_0; });
    std::thread b([&] { woken += WaitForSingleObject(gate, 5000) == WAIT_OBJECT_0; });
    SetEvent(gate);
    a.join();
    b.join();
    EXPECT_EQ(woken, 2);
    CloseHandle(gate);
    CloseHandle(event);
}

TEST(Events, ANameOpensTheSameEventOnce)
{
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "tsm-test-named-event");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE second = CreateEventA(nullptr, FALSE, FALSE, "tsm-test-named-event");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    SetEvent(second);
    EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(first);
    CloseHandle(second);
}

namespace {

struct ThreadProbe {
    HANDLE release = nullptr;
    DWORD seenId = 0;
    DWORD exitCode = 0;
};

DWORD WINAPI probeThread(LPVOID parameter)
{
    auto* probe = static_cast<ThreadProbe*>(parameter);
    probe->seenId = GetCurrentThreadId();
    WaitForSingleObject(probe->release, INFINITE);
    return probe->exitCode;
}

DWORD WINAPI deepThread(LPVOID)
{
    // Uses most of a 128000-byte stack.
    volatile char buffer[96000];
    for (std::size_t index = 0; index < sizeof buffer; index += 512)
        buffer[index] = static_cast<char>(index / 512);
    return buffer[1024] == 2 ? 0 : 1;
}

} // namespace

TEST(Threads, AThreadHandleIsSignalledWhenItsRoutineReturnsAndKeepsItsExitCode)
{
    ThreadProbe probe;
    probe.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    probe.exitCode = 4242;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, probeThread, &probe, 0, &threadId);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(threadId, 0u);
    EXPECT_NE(threadId, GetCurrentThreadId());

    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(thread, 50), static_cast<DWORD>(WAIT_TIMEOUT));

    SetEvent(probe.release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(probe.seenId, threadId);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 4242u);
    // The handle stays signalled for every later wait.
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(failed(GetExitCodeThread(thread, &code)), ERROR_INVALID_HANDLE);
    CloseHandle(probe.release);
}

TEST(Threads, StackSizesAndRefusedRequests)
{
    HANDLE deep = CreateThread(nullptr, 128000, deepThread, nullptr, 0, nullptr);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(WaitForSingleObject(deep, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    EXPECT_TRUE(GetExitCodeThread(deep, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(deep);

    // Suspended creation is not offered; a missing routine is refused.
    EXPECT_EQ(failed(CreateThread(nullptr, 0, deepThread, nullptr, 0x4, nullptr)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(failed(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr)), ERROR_INVALID_PARAMETER);

    // Thread identifiers differ between threads and stay put within one.
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());

    const DWORD before = GetTickCount();
    Sleep(60);
    EXPECT_GE(GetTickCount() - before, 55u);
}
