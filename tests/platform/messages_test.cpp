// System message texts and the module table.
#include "lasterror.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>

namespace {

using tsmtest::failed;

std::string messageOf(DWORD code, DWORD* length = nullptr)
{
    char text[512] = {};
    const DWORD got = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    if (length)
        *length = got;
    return got ? std::string(text, got) : std::string();
}

} // namespace

TEST(SystemMessages, EveryReportedErrorHasItsOwnTextEndingInALineBreak)
{
    const DWORD codes[] = { 2, 3, 5, 6, 13, 87, 122, 1051, 1052, 1056, 1060, 1061, 1062, 1063, 1072, 1073 };
    std::set<std::string> texts;
    for (const DWORD code : codes) {
        SCOPED_TRACE(code);
        DWORD length = 0;
        const std::string text = messageOf(code, &length);
        ASSERT_GT(text.size(), 12u);
        EXPECT_EQ(length, text.size());
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
    DWORD length = 7;
    EXPECT_EQ(messageOf(0x7FFF1234, &length), "");
    EXPECT_EQ(length, 0u);
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
    for (const char* name : { "advapi32.dll", "ADVAPI32.DLL", "advapi32", "C:\\Windows\\System32\\AdvApi32.dll" }) {
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
    EXPECT_EQ(failed(LoadLibraryA("nosuchmodule.dll")), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(failed(LoadLibraryA("")), ERROR_INVALID_PARAMETER);
}
