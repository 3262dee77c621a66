// Version text of the program.
#include "tsmversion.h"

#include <gtest/gtest.h>

TEST(VersionText, JoinsTheComponentsAndDropsBuildAndRevisionWithoutABuild)
{
    EXPECT_EQ(tsm::versionText(), "1.10.3.0");
    struct Case {
        tsm::VersionComponents version;
        const char* expected;
    };
    const Case cases[] = {
        { { "1", "10", "3", "0" }, "1.10.3.0" },
        { { "2", "0", "", "7" }, "2.0" },
        { { "1", "10", "12", "" }, "1.10.12." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(tsm::versionText(c.version), c.expected);
    }
}
