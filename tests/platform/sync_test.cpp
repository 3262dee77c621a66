// Events, waits and threads through the Win32 calls.
#include "lasterror.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using tsmtest::failed;

DWORD poll(HANDLE event)
{
    return WaitForSingleObject(event, 0);
}

std::atomic<DWORD> g_seenId { 0 };

DWORD WINAPI deepThread(LPVOID parameter)
{
    g_seenId = GetCurrentThreadId();
    // Uses most of a 128000-byte stack, then waits for its release.
    volatile char buffer[96000];
    for (std::size_t index = 0; index < sizeof buffer; index += 512)
        buffer[index] = static_cast<char>(index / 512);
    WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
    return buffer[1024] == 2 ? 4242 : 1;
}

} // namespace

TEST(Events, ManualResetStaysSignalledAutoResetReleasesOneWaitAndANameIsOneEvent)
{
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(manual && automatic && manual != automatic);
    // Each call in order; an automatic event created signalled gives its signal to the first wait only.
    EXPECT_EQ(std::vector<DWORD>({ poll(manual), DWORD(SetEvent(manual)), poll(manual),
                                   WaitForSingleObject(manual, INFINITE), DWORD(ResetEvent(manual)), poll(manual),
                                   poll(automatic), poll(automatic), DWORD(SetEvent(automatic)),
                                   DWORD(ResetEvent(automatic)), poll(automatic) }),
              std::vector<DWORD>({ WAIT_TIMEOUT, 1, WAIT_OBJECT_0, WAIT_OBJECT_0, 1, WAIT_TIMEOUT, WAIT_OBJECT_0,
                                   WAIT_TIMEOUT, 1, 1, WAIT_TIMEOUT }));

    // A timed wait lasts about as long as asked.
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(automatic, 120), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(110));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));

    // A closed handle is no longer an event.
    EXPECT_TRUE(CloseHandle(manual) && CloseHandle(automatic));
    EXPECT_EQ(failed(SetEvent(manual)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(poll(manual), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(failed(ResetEvent(nullptr)), ERROR_INVALID_HANDLE);

    // A name opens the same event once.
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "tsm-test-named-event");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE second = CreateEventA(nullptr, FALSE, FALSE, "tsm-test-named-event");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ASSERT_TRUE(first && second && first != second);
    SetEvent(second);
    EXPECT_EQ(poll(first), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(first);
    CloseHandle(second);
}

TEST(Events, AnAutoResetSignalWakesExactlyOneOfTwoWaitersAManualOneWakesBoth)
{
    for (const BOOL manual : { FALSE, TRUE }) {
        SCOPED_TRACE(manual);
        HANDLE event = CreateEventA(nullptr, manual, FALSE, nullptr);
        ASSERT_NE(event, nullptr);
        std::atomic<int> woken { 0 };
        const auto waiter = [&] { woken += WaitForSingleObject(event, 1500) == WAIT_OBJECT_0; };
        std::thread first(waiter);
        std::thread second(waiter);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(SetEvent(event));
        first.join();
        second.join();
        EXPECT_EQ(woken, manual ? 2 : 1);
        CloseHandle(event);
    }
}

TEST(Threads, AThreadOnASmallStackIsSignalledWhenItReturnsAndKeepsItsExitCode)
{
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 128000, deepThread, release, 0, &threadId);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(threadId, 0u);
    EXPECT_NE(threadId, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(thread, 50), static_cast<DWORD>(WAIT_TIMEOUT));

    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 4242u);
    EXPECT_EQ(g_seenId, threadId);
    // The handle stays signalled for every later wait.
    EXPECT_EQ(poll(thread), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(failed(GetExitCodeThread(thread, &code)), ERROR_INVALID_HANDLE);
    CloseHandle(release);

    // Suspended creation is not offered; a missing routine is refused.
    EXPECT_EQ(failed(CreateThread(nullptr, 0, deepThread, nullptr, 0x4, nullptr)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(failed(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr)), ERROR_INVALID_PARAMETER);

    const DWORD before = GetTickCount();
    Sleep(60);
    EXPECT_GE(GetTickCount() - before, 55u);
}
