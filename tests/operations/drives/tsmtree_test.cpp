// tsm-tree on a temporary machine: the drives machine's tree with each
// registration set, and a bad command line refused.
#include "processrunner.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

namespace {

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

TEST(TsmTree, PrintsTheDrivesMachineWithEachSet)
{
    tsmtest::TempMachine machine;
    machine.useDescription(TSM_MACHINES_DIR "/drives.xml");
    // Controllers, arrays, logical and physical drives: the logical drive set
    // puts the logical drives under their controllers, only the full set
    // finds arrays and their drives.
    for (const auto& [set, counts] : std::vector<std::pair<std::string, std::string>>{
             {"startup", "2 0 0 0"}, {"logical", "2 0 18 0"}, {"full", "2 9 18 31"}}) {
        const auto result = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=" + set, "--refreshes", "2"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::string found;
        for (const char* pszType : {"arraycontroller", "array", "logicaldrive", "physicaldrive"})
            found += (found.empty() ? "" : " ") + std::to_string(count(result.out, "<Type>" + std::string(pszType) + "<"));
        EXPECT_EQ(found, counts) << set;
    }
}

TEST(TsmTree, RefusesABadCommandLine)
{
    for (const char* line : {"--set=arrays", "--set", "--refreshes=-1", "--refreshes=1000001", "full", "--format=xml",
                             "--timeout=0", "--output="}) {
        const auto result = tsmtest::runProcess(TSM_TREE_TOOL, {line});
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_EQ(result.err.rfind("tsm-tree: ", 0), 0u) << result.err;
        EXPECT_TRUE(result.out.empty()) << line;
    }
}

}
