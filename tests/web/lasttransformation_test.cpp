// The memo of the last page: it answers exactly the inputs it kept, and it
// keeps nothing (forgetting what it had) once inputs and result pass its cap.
#include "lasttransformation.h"

#include <gtest/gtest.h>

namespace {

using Web::LastTransformation;
constexpr std::size_t kCap = LastTransformation::kMaxKeptBytes;

TEST(LastTransformation, AnswersTheInputsItKeptAndKeepsNothingPastItsCap)
{
    const struct {
        const char* pszCase;
        std::size_t inputs;
        std::size_t result;
        bool bKept;
    } cases[] = {
        {"small", 100, 200, true},
        {"exactly the cap", kCap - 10, 10, true},
        {"one byte over", kCap - 10, 11, false},
        {"inputs alone over", kCap + 1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        LastTransformation memo;
        memo.keep("before", "page before");
        const std::string inputs(c.inputs, 'i');
        memo.keep(inputs, std::string(c.result, 'r'));
        const std::optional<std::string> found = memo.find(inputs);
        EXPECT_EQ(found.has_value(), c.bKept);
        EXPECT_EQ(found.value_or("").size(), c.bKept ? c.result : 0u);
        // What was kept before is replaced or forgotten, never answered again.
        EXPECT_FALSE(memo.find("before").has_value());
        EXPECT_FALSE(memo.find(inputs + "x").has_value());
    }
}

}
