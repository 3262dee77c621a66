// Debug log: the file beside the executable, its line prefix, appending,
// the hex dump layout and concurrent writers, checked through a helper
// executable that runs in a temporary machine.
#include "processrunner.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace {

constexpr const char* kHeader = "      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 0123456789ABCDEF";
constexpr const char* kRuler = "      ----------------------------------------------------------------";

// Whether the line starts with "[MM/DD/YY-HH:MM:SS] " ('0' stands for a digit).
bool hasStampPrefix(const std::string& line)
{
    const std::string shape = "[00/00/00-00:00:00] ";
    if (line.size() < shape.size())
        return false;
    for (std::size_t index = 0; index < shape.size(); ++index) {
        const bool digit = line[index] >= '0' && line[index] <= '9';
        if (shape[index] == '0' ? !digit : line[index] != shape[index])
            return false;
    }
    return true;
}

class DebugLogFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_machine.driveC() + "/Tarvion/bin");
        std::filesystem::copy_file(TSM_DEBUGLOG_PROBE, probePath());
    }

    std::string probePath() const { return m_machine.driveC() + "/Tarvion/bin/probe"; }

    void runProbe(const std::vector<std::string>& arguments) const
    {
        const tsmtest::ProcessResult result = tsmtest::runProcess(probePath(), arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }

    // The log's lines with their "[MM/DD/YY-HH:MM:SS] " prefix removed; a
    // line without a well-formed prefix fails the test.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> result;
        std::istringstream text(m_machine.read("drive_c/Tarvion/bin/probe.log"));
        std::string line;
        while (std::getline(text, line)) {
            const bool stamped = hasStampPrefix(line);
            EXPECT_TRUE(stamped) << line;
            result.push_back(stamped ? line.substr(20) : line);
        }
        return result;
    }

    tsmtest::TempMachine m_machine;
};

std::string localStamp(std::time_t when)
{
    std::tm parts {};
    localtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "[%m/%d/%y-%H:%M:%S] ", &parts);
    return text;
}

TEST_F(DebugLogFile, WritesStampedLinesBesideTheExecutableAndAppendsAcrossRuns)
{
    const std::time_t before = std::time(nullptr);
    runProbe({ "write", "first run" });
    const std::time_t after = std::time(nullptr);
    runProbe({ "write", "second run" });

    EXPECT_TRUE(std::filesystem::exists(m_machine.driveC() + "/Tarvion/bin/probe.log"));
    const std::string text = m_machine.read("drive_c/Tarvion/bin/probe.log");
    const std::string firstLine = text.substr(0, text.find('\n'));
    std::set<std::string> stamps;
    for (std::time_t when = before; when <= after; ++when)
        stamps.insert(localStamp(when) + "first run");
    EXPECT_TRUE(stamps.count(firstLine)) << firstLine;

    EXPECT_EQ(text.back(), '\n');
    // Switched off, a line is suppressed.
    runProbe({ "switched" });
    EXPECT_EQ(messages(), (std::vector<std::string> { "first run", "second run", "switched on again" }));
}

TEST_F(DebugLogFile, HexDumpLaysOutSixteenBytesPerRowWithOffsetsOfThreeOrFourDigits)
{
    struct Case {
        const char* name;
        const char* hex;
        std::vector<std::string> rows;
    };
    // Short rows are padded so that their characters start in column 54.
    const std::vector<Case> cases = {
        { "no bytes", "", {} },
        { "one full row", "4142434445464748494A4B4C4D4E4F50",
          { " 000  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 ABCDEFGHIJKLMNOP" } },
        { "seventeen bytes", "00015B5D7E7F80FF202E3039616A7A7B0A",
          { " 000  00 01 5B 5D 7E 7F 80 FF 20 2E 30 39 61 6A 7A 7B ..[]~... .09ajz{",
            " 010  0A " + std::string(45, ' ') + "." } },
        { "printable bounds", "1F207E7F",
          { " 000  1F 20 7E 7F " + std::string(36, ' ') + ". ~." } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_machine.driveC() + "/Tarvion/bin/probe.log");
        runProbe({ "dumphex", c.hex });
        std::vector<std::string> expected { kHeader, kRuler };
        expected.insert(expected.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(messages(), expected);
    }
    // From 0x1000 on the offset takes four digits.
    std::filesystem::remove(m_machine.driveC() + "/Tarvion/bin/probe.log");
    runProbe({ "dump", "0x1001" });
    const std::vector<std::string> lines = messages();
    ASSERT_EQ(lines.size(), 2u + 257u);
    EXPECT_EQ(lines[2], " 000  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ................");
    EXPECT_EQ(lines[2 + 0x04], " 040  40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F @ABCDEFGHIJKLMNO");
    EXPECT_EQ(lines[2 + 0xFF], " FF0  F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ................");
    EXPECT_EQ(lines[2 + 0x100], " 1000  00 " + std::string(44, ' ') + ".");
    for (const std::string& row : lines)
        EXPECT_TRUE(row.size() == 70 || row.size() == 55) << row;
}

TEST_F(DebugLogFile, ConcurrentWritersNeverSplitALine)
{
    constexpr int kThreads = 8;
    constexpr int kLines = 250;
    runProbe({ "threads", std::to_string(kThreads), std::to_string(kLines) });

    std::map<int, int> nextLine;
    const std::vector<std::string> lines = messages();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const std::string& line : lines) {
        // "thread <t> line <n> " and 180 times the thread's letter.
        std::istringstream words(line);
        std::string threadWord;
        int thread = -1;
        int number = -1;
        words >> threadWord >> thread >> threadWord >> number;
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
        EXPECT_EQ(line, "thread " + std::to_string(thread) + " line " + std::to_string(number) + " " +
                            std::string(180, static_cast<char>('a' + thread)));
        // Each thread's lines arrive in the order it wrote them.
        EXPECT_EQ(number, nextLine[thread]++) << line;
    }
    EXPECT_EQ(nextLine.size(), static_cast<std::size_t>(kThreads));
}

} // namespace
