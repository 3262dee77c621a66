// DOS path mapping onto a temporary emulated machine.
#include "lasterror.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "tsm/machine.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using tsmtest::failed;

TEST(Paths, DosAndHostPathsMapOntoEachOtherWithoutCase)
{
    const tsmtest::TempMachine machine;
    const std::string root = machine.root();
    fs::create_directories(machine.driveC() + "/Program Files/Tarvion/bin");
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
    const fs::path saved = fs::current_path();
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\PROGRAM FILES\\TARVION\\BIN"));
    char buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer, length), "C:\\Program Files\\Tarvion\\bin");
    EXPECT_EQ(tsm::dosToHost("vxaconfig.xml"), root + "/drive_c/Program Files/Tarvion/bin/vxaconfig.xml");
    EXPECT_EQ(failed(SetCurrentDirectoryA("C:\\no such folder")), ERROR_PATH_NOT_FOUND);
    // A buffer too small gives the size needed, terminator included.
    EXPECT_EQ(GetCurrentDirectoryA(4, buffer), length + 1);
    fs::current_path(saved);
}

} // namespace
