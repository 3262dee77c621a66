// Process and file services of the platform: DOS paths of the machine and
// the current directory, directory listings, system message texts, the
// module table, and events, waits and sleeps.
#include "lasterror.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <tsm/machine.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

namespace {

using tsmtest::failed;

std::set<std::string> listing(const char* pattern, DWORD* error = nullptr)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
        if (error)
            *error = GetLastError();
        return names;
    }
    do
        names.insert(data.cFileName);
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    return names;
}

// The system's text for the code, empty when there is none; the length
// FormatMessage gives must be the text's.
std::string messageOf(DWORD code)
{
    char text[512] = {};
    const DWORD got = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    EXPECT_EQ(got, std::strlen(text)) << code;
    return text;
}

DWORD poll(HANDLE event)
{
    return WaitForSingleObject(event, 0);
}

} // namespace

TEST(Paths, DosAndHostPathsMapOntoEachOtherWithoutCase)
{
    const tsmtest::TempMachine machine;
    const std::string root = machine.root();
    std::filesystem::create_directories(machine.driveC() + "/Program Files/Tarvion/bin");
    std::ofstream(machine.driveC() + "/Program Files/Tarvion/bin/vxaconfig.xml") << "x";
    const std::string bin = root + "/drive_c/Program Files/Tarvion/bin";
    EXPECT_EQ(tsm::dosToHost("C:\\PROGRAM FILES\\TARVION\\BIN\\VXACONFIG.XML"), bin + "/vxaconfig.xml");
    EXPECT_EQ(tsm::dosToHost("c:/program files/tarvion/bin/"), bin);
    EXPECT_EQ(tsm::dosToHost("C:\\Program Files\\Tarvion\\bin\\..\\html\\new.xsl"),
              root + "/drive_c/Program Files/Tarvion/html/new.xsl");
    EXPECT_EQ(tsm::dosToHost("Z:\\TMP"), "/tmp");
    EXPECT_EQ(tsm::dosToHost("Q:\\anything"), "");

    // Host paths show on drive C: or Z:.
    EXPECT_EQ(tsm::hostToDos(root + "/drive_c/Program Files/Tarvion/bin/vxa"), "C:\\Program Files\\Tarvion\\bin\\vxa");
    EXPECT_EQ(tsm::hostToDos(root + "/drive_c"), "C:\\");
    EXPECT_EQ(tsm::hostToDos("/usr/bin/env"), "Z:\\usr\\bin\\env");
    std::string dosRoot = root;
    std::replace(dosRoot.begin(), dosRoot.end(), '/', '\\');
    EXPECT_EQ(tsm::hostToDos(root + "/drive_cx/file"), "Z:" + dosRoot + "\\drive_cx\\file");

    // The current directory round-trips through DOS names.
    const std::filesystem::path saved = std::filesystem::current_path();
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\PROGRAM FILES\\TARVION\\BIN"));
    EXPECT_EQ(std::filesystem::current_path(), bin);
    EXPECT_EQ(tsm::dosToHost("vxaconfig.xml"), bin + "/vxaconfig.xml");
    EXPECT_EQ(failed(SetCurrentDirectoryA("C:\\no such folder")), ERROR_PATH_NOT_FOUND);
    std::filesystem::current_path(saved);
}

TEST(Files, ListingsMatchPatternsWithoutCase)
{
    tsmtest::TempMachine machine;
    const std::string cache = machine.driveC() + "/qwex/cache";
    std::filesystem::create_directories(cache + "/sub.vxa.d");
    for (const char* name : {"alpha.vxa", "Beta.VXA", "gamma.vxa.bak", "delta.txt", "e.vxa"})
        std::ofstream(cache + "/" + name) << "0123456789";

    using Names = std::set<std::string>;
    EXPECT_EQ(listing("C:\\QWEX\\Cache\\*.vxa"), (Names{"Beta.VXA", "alpha.vxa", "e.vxa"}));
    EXPECT_EQ(listing("c:/qwex/cache/?.vxa"), (Names{"e.vxa"}));
    EXPECT_EQ(listing("C:\\qwex\\cache\\*a*.*"),
              (Names{"alpha.vxa", "Beta.VXA", "gamma.vxa.bak", "delta.txt", "sub.vxa.d"}));
    EXPECT_EQ(listing("C:\\qwex\\cache\\*").count(".."), 1u);

    // No such file, no such folder, no such drive: the error of an empty listing.
    const auto error = [](const char* pattern) {
        DWORD code = 0;
        EXPECT_TRUE(listing(pattern, &code).empty()) << pattern;
        return code;
    };
    EXPECT_EQ(std::vector({error("C:\\qwex\\cache\\*.none"), error("C:\\qwex\\missing\\*.vxa"), error("Q:\\*.vxa")}),
              std::vector<DWORD>({ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND}));

    // What one entry tells.
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA("C:\\qwex\\cache\\ALPHA.vxa", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(
        std::tuple(std::string(data.cFileName), data.nFileSizeLow, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY),
        std::tuple("alpha.vxa", 10u, 0u));
    EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01D00000u); // after 2015
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(failed(FindClose(find)), ERROR_INVALID_HANDLE);
    find = FindFirstFileA("C:\\QWEX\\cache\\SUB.vxa.D", &data);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_TRUE(FindClose(find));
}

TEST(SystemMessages, EveryReportedErrorHasItsOwnTextEndingInALineBreak)
{
    const DWORD codes[] = {2, 3, 5, 6, 13, 87, 122, 1051, 1052, 1056, 1060, 1061, 1062, 1063, 1072, 1073};
    std::set<std::string> texts;
    for (const DWORD code : codes) {
        SCOPED_TRACE(code);
        const std::string text = messageOf(code);
        ASSERT_GT(text.size(), 12u);
        EXPECT_EQ(text.find('\n'), text.size() - 1);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(codes));
    // Texts that the console shows for the service actions say what failed.
    EXPECT_NE(messageOf(1060).find("service"), std::string::npos);
    EXPECT_NE(messageOf(1073).find("already"), std::string::npos);

    // A number without a text, a language without texts, a source other
    // than the system's table, too small a buffer (nothing written past it).
    EXPECT_EQ(messageOf(0x7FFF1234), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    char text[64];
    std::memset(text, 'z', sizeof text);
    EXPECT_EQ(failed(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0x0407, text, sizeof text, nullptr)),
              ERROR_RESOURCE_LANG_NOT_FOUND);
    EXPECT_EQ(failed(FormatMessageA(0, "x", 5, 0, text, sizeof text, nullptr)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(failed(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 1060, 0, text, 4, nullptr)),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(text[4], 'z');
}

TEST(Modules, SystemModulesAreFoundWithoutCaseAndOfferTheirProcedures)
{
    for (const char* name : {"advapi32.dll", "ADVAPI32.DLL", "advapi32", "C:\\Windows\\System32\\AdvApi32.dll"}) {
        SCOPED_TRACE(name);
        HMODULE module = LoadLibraryA(name);
        ASSERT_NE(module, nullptr);
        const FARPROC change = GetProcAddress(module, "ChangeServiceConfig2A");
        EXPECT_EQ(reinterpret_cast<void (*)()>(change), reinterpret_cast<void (*)()>(&ChangeServiceConfig2A));
        // Procedure names are exact.
        EXPECT_EQ(failed(GetProcAddress(module, "changeserviceconfig2a")), ERROR_PROC_NOT_FOUND);
        EXPECT_TRUE(FreeLibrary(module));
    }
    // Handles that name no module, and modules that are not the system's.
    int notAModule = 0;
    const auto loose = reinterpret_cast<HMODULE>(&notAModule);
    EXPECT_EQ(failed(GetProcAddress(loose, "ChangeServiceConfig2A")), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(failed(FreeLibrary(loose)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(failed(GetModuleFileNameA(loose, std::string(8, ' ').data(), 8)), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(failed(LoadLibraryA("nosuchmodule.dll")), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(failed(LoadLibraryA("")), ERROR_INVALID_PARAMETER);
}

TEST(Events, ManualResetStaysSignalledAutoResetReleasesOneWaitAndTimedWaitsAndSleepsLast)
{
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(manual && automatic && manual != automatic);
    // Each call in order; an automatic event created signalled gives its signal to the first wait only.
    EXPECT_EQ(
        std::vector<DWORD>({poll(manual), DWORD(SetEvent(manual)), poll(manual), WaitForSingleObject(manual, INFINITE),
                            DWORD(ResetEvent(manual)), poll(manual), poll(automatic), poll(automatic),
                            DWORD(SetEvent(automatic)), DWORD(ResetEvent(automatic)), poll(automatic)}),
        std::vector<DWORD>({WAIT_TIMEOUT, 1, WAIT_OBJECT_0, WAIT_OBJECT_0, 1, WAIT_TIMEOUT, WAIT_OBJECT_0, WAIT_TIMEOUT,
                            1, 1, WAIT_TIMEOUT}));

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
    for (const BOOL manual : {FALSE, TRUE}) {
        SCOPED_TRACE(manual);
        HANDLE event = CreateEventA(nullptr, manual, FALSE, nullptr);
        ASSERT_NE(event, nullptr);
        std::atomic<int> woken{0};
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
