// Debug log: the file beside this executable, its line prefix, appending, the
// hex dump layout and concurrent writers.
#include "logtail.h"
#include "tempmachine.h"

#include "clog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

namespace {

constexpr const char* kHeader = "      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 0123456789ABCDEF";
constexpr const char* kRuler = "      ----------------------------------------------------------------";

// The lines written since the mark with their stamp removed; a line without
// a well-formed stamp fails the test.
std::vector<std::string> messages(const tsmtest::LogTail& mark)
{
    std::vector<std::string> result;
    std::istringstream text(mark.appended());
    // "[MM/DD/YY-HH:MM:SS] " before every message ('0' stands for a digit).
    const std::string shape = "[00/00/00-00:00:00] ";
    for (std::string line; std::getline(text, line);) {
        std::string stamp = line.substr(0, shape.size());
        std::replace_if(
            stamp.begin(), stamp.end(), [](char c) { return c >= '0' && c <= '9'; }, '0');
        EXPECT_EQ(stamp, shape) << line;
        result.push_back(line.substr(stamp.size()));
    }
    return result;
}

std::string localStamp(std::time_t when)
{
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "[%m/%d/%y-%H:%M:%S] ", &parts);
    return text;
}

TEST(DebugLogFile, WritesStampedLinesBesideTheExecutableAndAppends)
{
    // What an earlier run left stays in front of this run's lines.
    std::ofstream(tsmtest::LogTail().path(), std::ios::app) << "earlier run\n";
    const tsmtest::LogTail mark;
    const std::time_t before = std::time(nullptr);
    DebugLog::write("first line");
    const std::time_t after = std::time(nullptr);
    DebugLog::write("second line");

    const std::string text = mark.appended();
    std::set<std::string> stamps;
    for (std::time_t when = before; when <= after; ++when)
        stamps.insert(localStamp(when) + "first line");
    EXPECT_TRUE(stamps.count(text.substr(0, text.find('\n')))) << text;
    const std::string whole = tsmtest::readFile(mark.path());
    EXPECT_EQ(whole.substr(whole.size() - std::min(whole.size(), text.size() + 12)), "earlier run\n" + text);
    // Switched off, a line is suppressed.
    DebugLog::disable();
    DebugLog::write("while switched off");
    DebugLog::enable();
    DebugLog::write("switched on again");
    EXPECT_EQ(messages(mark), (std::vector<std::string>{"first line", "second line", "switched on again"}));
}

TEST(DebugLogFile, HexDumpLaysOutSixteenBytesPerRowWithOffsetsOfThreeOrFourDigits)
{
    // Name, bytes, the rows after header and ruler. Short rows are padded so
    // that their characters start in column 54.
    const std::tuple<const char*, std::vector<unsigned char>, std::vector<std::string>> cases[] = {
        {"no bytes", {}, {}},
        {"seventeen bytes",
         {0x00, 0x01, 0x5B, 0x5D, 0x7E, 0x7F, 0x80, 0xFF, 0x20, 0x2E, 0x30, 0x39, 0x61, 0x6A, 0x7A, 0x7B, 0x0A},
         {" 000  00 01 5B 5D 7E 7F 80 FF 20 2E 30 39 61 6A 7A 7B ..[]~... .09ajz{",
          " 010  0A " + std::string(45, ' ') + "."}},
        {"printable bounds", {0x1F, 0x20, 0x7E, 0x7F}, {" 000  1F 20 7E 7F " + std::string(36, ' ') + ". ~."}},
    };
    for (const auto& [name, bytes, rows] : cases) {
        SCOPED_TRACE(name);
        const tsmtest::LogTail mark;
        DebugLog::hexDump(bytes.data(), bytes.size());
        std::vector<std::string> expected{kHeader, kRuler};
        expected.insert(expected.end(), rows.begin(), rows.end());
        EXPECT_EQ(messages(mark), expected);
    }
    // From 0x1000 on the offset takes four digits.
    std::vector<unsigned char> bytes(0x1001);
    for (std::size_t index = 0; index < bytes.size(); ++index)
        bytes[index] = static_cast<unsigned char>(index & 0xFF);
    const tsmtest::LogTail mark;
    DebugLog::hexDump(bytes.data(), bytes.size());
    const std::vector<std::string> lines = messages(mark);
    ASSERT_EQ(lines.size(), 2u + 257u);
    EXPECT_EQ(lines[2 + 0x04], " 040  40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F @ABCDEFGHIJKLMNO");
    EXPECT_EQ(lines[2 + 0xFF], " FF0  F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ................");
    EXPECT_EQ(lines[2 + 0x100], " 1000  00 " + std::string(44, ' ') + ".");
    for (const std::string& row : lines)
        EXPECT_TRUE(row.size() == 70 || row.size() == 55) << row;
}

TEST(DebugLogFile, ConcurrentWritersNeverSplitALine)
{
    constexpr int kThreads = 8;
    constexpr int kLines = 250;
    const tsmtest::LogTail mark;
    std::vector<std::thread> writers;
    for (int thread = 0; thread < kThreads; ++thread) {
        writers.emplace_back([thread] {
            // Long lines make a split by another writer easy to see.
            const std::string filler(180, static_cast<char>('a' + thread));
            for (int line = 0; line < kLines; ++line)
                DebugLog::write("thread " + std::to_string(thread) + " line " + std::to_string(line) + " " + filler);
        });
    }
    for (std::thread& writer : writers)
        writer.join();

    std::map<int, int> nextLine;
    const std::vector<std::string> lines = messages(mark);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const std::string& line : lines) {
        const int thread = line.size() > 7 ? line[7] - '0' : -1;
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
        // Each thread's lines arrive whole and in the order it wrote them.
        EXPECT_EQ(line, "thread " + std::to_string(thread) + " line " + std::to_string(nextLine[thread]++) + " " +
                            std::string(180, static_cast<char>('a' + thread)));
    }
}

} // namespace
