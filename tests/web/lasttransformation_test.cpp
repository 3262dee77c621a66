// The memo of the last page: it answers exactly the inputs it kept, and it
// keeps nothing (forgetting what it had) once inputs and result pass its cap.
// And a watched file (the stylesheet's version is one of those inputs): made
// again only when the file changes.
#include "lasttransformation.h"
#include "tempmachine.h"
#include "watchedfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <tuple>

namespace {

using Web::LastTransformation;
constexpr std::size_t kCap = LastTransformation::kMaxKeptBytes;

TEST(LastTransformation, AnswersTheInputsItKeptAndKeepsNothingPastItsCap)
{
    // The sizes of the inputs and of the result; whether they are kept.
    const std::tuple<const char*, std::size_t, std::size_t, bool> cases[] = {
        {"small", 100, 200, true},
        {"exactly the cap", kCap - 10, 10, true},
        {"one byte over", kCap - 10, 11, false},
        {"inputs alone over", kCap + 1, 0, false},
    };
    for (const auto& [pszCase, inputSize, resultSize, bKept] : cases) {
        SCOPED_TRACE(pszCase);
        LastTransformation memo;
        memo.keep("before", "page before");
        const std::string inputs(inputSize, 'i');
        const std::string result(resultSize, 'r');
        memo.keep(inputs, result);
        EXPECT_EQ(memo.find(inputs), bKept ? std::optional(result) : std::nullopt);
        // What was kept before is replaced or forgotten, never answered again.
        EXPECT_FALSE(memo.find("before").has_value());
        EXPECT_FALSE(memo.find(inputs + "x").has_value());
    }
}

TEST(WatchedFile, IsMadeAgainOnlyWhenTheFileChanges)
{
    tsmtest::TempMachine machine;
    Web::WatchedFile<std::string> file("C:\\watched.txt", [](const std::string& path) { return path; });
    EXPECT_EQ(file.current().version, 0u) << "no file yet";
    std::ofstream(machine.driveC() + "/watched.txt") << "one";
    EXPECT_EQ(file.current().version, 1u);
    EXPECT_EQ(file.current().version, 1u);
    std::ofstream(machine.driveC() + "/watched.txt") << "three";
    EXPECT_EQ(file.current().version, 2u);
}

}
