// Events, waits and sleeps through the Win32 calls.
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

} // namespace

TEST(Events, ManualResetStaysSignalledAutoResetReleasesOneWaitAndTimedWaitsAndSleepsLast)
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

    // Named events are not offered; a sleep lasts at least as long as asked.
    EXPECT_EQ(failed(CreateEventA(nullptr, TRUE, FALSE, "tsm-test-named-event")), ERROR_INVALID_PARAMETER);
    const ULONGLONG before = GetTickCount64();
    Sleep(60);
    EXPECT_GE(GetTickCount64() - before, 55u);
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
