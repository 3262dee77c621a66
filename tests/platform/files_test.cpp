// DOS paths of the machine: their mapping onto host paths, the current
// directory and directory listings.
#include "tempmachine.h"

#include "lasterror.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "tsm/machine.h"

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

using tsmtest::failed;

std::set<std::string> listing(const char* pattern, DWORD* error = nullptr)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA data {};
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
    EXPECT_EQ(tsm::hostToDos(root + "/drive_c/Program Files/Tarvion/bin/vxa"),
              "C:\\Program Files\\Tarvion\\bin\\vxa");
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
    for (const char* name : { "alpha.vxa", "Beta.VXA", "gamma.vxa.bak", "delta.txt", "e.vxa" })
        std::ofstream(cache + "/" + name) << "0123456789";

    using Names = std::set<std::string>;
    EXPECT_EQ(listing("C:\\QWEX\\Cache\\*.vxa"), (Names { "Beta.VXA", "alpha.vxa", "e.vxa" }));
    EXPECT_EQ(listing("c:/qwex/cache/?.vxa"), (Names { "e.vxa" }));
    EXPECT_EQ(listing("C:\\qwex\\cache\\*a*.*"), (Names { "alpha.vxa", "Beta.VXA", "gamma.vxa.bak", "delta.txt",
                                                          "sub.vxa.d" }));
    EXPECT_EQ(listing("C:\\qwex\\cache\\*").count(".."), 1u);

    DWORD error = 0;
    EXPECT_TRUE(listing("C:\\qwex\\cache\\*.none", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(listing("C:\\qwex\\missing\\*.vxa", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(listing("Q:\\*.vxa", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // What one entry tells.
    WIN32_FIND_DATAA data {};
    HANDLE find = FindFirstFileA("C:\\qwex\\cache\\ALPHA.vxa", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "alpha.vxa");
    EXPECT_EQ(data.nFileSizeLow, 10u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01D00000u); // after 2015
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(failed(FindClose(find)), ERROR_INVALID_HANDLE);
    find = FindFirstFileA("C:\\QWEX\\cache\\SUB.vxa.D", &data);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_TRUE(FindClose(find));
}
