// DOS path mapping onto a temporary emulated machine.
#include "lasterror.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "tsm/machine.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using tsmtest::failed;

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_machine.driveC() + "/Program Files/Tarvion/bin");
        std::ofstream(m_machine.driveC() + "/Program Files/Tarvion/bin/vxaconfig.xml") << "x";
    }
    tsmtest::TempMachine m_machine;
    const std::string m_root = m_machine.root();
};

TEST_F(PathsTest, DosPathsResolveCaseInsensitivelyOnTheirDrive)
{
    const std::string bin = m_root + "/drive_c/Program Files/Tarvion/bin";
    EXPECT_EQ(tsm::dosToHost("C:\\PROGRAM FILES\\TARVION\\BIN\\VXACONFIG.XML"), bin + "/vxaconfig.xml");
    EXPECT_EQ(tsm::dosToHost("c:/program files/tarvion/bin/"), bin);
    EXPECT_EQ(tsm::dosToHost("C:\\Program Files\\Tarvion\\bin\\..\\html\\new.xsl"),
              m_root + "/drive_c/Program Files/Tarvion/html/new.xsl");
    EXPECT_EQ(tsm::dosToHost("Z:\\TMP"), "/tmp");
    EXPECT_EQ(tsm::dosToHost("Q:\\anything"), "");
}

TEST_F(PathsTest, HostPathsShowOnDriveCOrZ)
{
    EXPECT_EQ(tsm::hostToDos(m_root + "/drive_c/Program Files/Tarvion/bin/vxa"),
              "C:\\Program Files\\Tarvion\\bin\\vxa");
    EXPECT_EQ(tsm::hostToDos(m_root + "/drive_c"), "C:\\");
    EXPECT_EQ(tsm::hostToDos("/usr/bin/env"), "Z:\\usr\\bin\\env");
    std::string dosRoot = m_root;
    for (char& c : dosRoot)
        if (c == '/')
            c = '\\';
    EXPECT_EQ(tsm::hostToDos(m_root + "/drive_cx/file"), "Z:" + dosRoot + "\\drive_cx\\file");
}

TEST_F(PathsTest, CurrentDirectoryRoundTripsThroughDosNames)
{
    const fs::path saved = fs::current_path();
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\PROGRAM FILES\\TARVION\\BIN"));
    char buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer, length), "C:\\Program Files\\Tarvion\\bin");
    EXPECT_EQ(tsm::dosToHost("vxaconfig.xml"), m_root + "/drive_c/Program Files/Tarvion/bin/vxaconfig.xml");
    EXPECT_EQ(failed(SetCurrentDirectoryA("C:\\no such folder")), ERROR_PATH_NOT_FOUND);
    // A buffer too small gives the size needed, terminator included.
    EXPECT_EQ(GetCurrentDirectoryA(4, buffer), length + 1);
    fs::current_path(saved);
}

} // namespace
