// The access log: one line per request (time, method, path, status, bytes,
// microseconds); it rotates by size and keeps the configured number of files.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

// The request numbers of the "<UTC time> GET /peer/r<n> 404 11 <microseconds>"
// lines of a log file, in order; a line of any other shape fails the test.
std::vector<int> requestNumbers(const std::string& text)
{
    std::vector<int> numbers;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(" GET /peer/r");
        const size_t end = line.find(" 404 11 ", at);
        const bool wellFormed = line.size() > 20 && line[4] == '-' && line[10] == 'T' && line[19] == 'Z' && at == 20 &&
                                end != std::string::npos && end + 8 < line.size() &&
                                line.find_first_not_of("0123456789", end + 8) == std::string::npos;
        EXPECT_TRUE(wellFormed) << line;
        if (wellFormed)
            numbers.push_back(std::stoi(line.substr(at + 12)));
    }
    EXPECT_TRUE(text.empty() || text.back() == '\n');
    return numbers;
}

TEST(QwexAccessLog, RotatesBySizeKeepsTheConfiguredFilesAndLosesNoLineOfThem)
{
    // The configuration and the files it keeps; the smallest size honoured is 4096 bytes.
    const std::pair<const char*, unsigned> cases[] = {
        {"access_log_max_bytes = 4096\naccess_log_keep = 2\n", 2},
        {"access_log_max_bytes = 100\naccess_log_keep = 1\n", 1},
        {"access_log_max_bytes = 4096\naccess_log_keep = 0\n", 0},
    };
    constexpr int kRequests = 400; // some 50 bytes a line: several rotations
    for (const auto& [pszConfig, keptFiles] : cases) {
        SCOPED_TRACE(pszConfig);
        const tsmtest::QwexMachine machine(pszConfig);
        const std::string log = machine.serverFolder() + "/access.log";
        {
            tsmtest::QwexServer served;
            ASSERT_NE(served.handle(), nullptr);
            for (int n = 0; n < kRequests; ++n)
                tsmtest::fetch(served.handle(), machine.http("/peer/r" + std::to_string(n)));
        }
        // Oldest file first: the kept lines are the last requests, in order.
        std::vector<int> numbers;
        for (unsigned kept = keptFiles + 1; kept > 0; --kept) {
            const std::string path = kept == 1 ? log : log + "." + std::to_string(kept - 1);
            SCOPED_TRACE(path);
            ASSERT_TRUE(std::filesystem::exists(path));
            const auto size = std::filesystem::file_size(path);
            EXPECT_LE(size, 4096u);
            // rotated only once the next line did not fit
            EXPECT_TRUE(kept == 1 || size > 4096u - 100u) << size;
            const std::vector<int> inFile = requestNumbers(tsmtest::readFile(path));
            numbers.insert(numbers.end(), inFile.begin(), inFile.end());
        }
        EXPECT_FALSE(std::filesystem::exists(log + "." + std::to_string(keptFiles + 1)));
        ASSERT_FALSE(numbers.empty());
        EXPECT_EQ(numbers.back(), kRequests - 1);
        for (size_t i = 1; i < numbers.size(); ++i)
            ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << "line " << i;
    }
}

} // namespace
