// The device tree of the typical simulated machine after one refresh, against
// the reviewed dump checked in beside the schema tests. Any change of what
// discovery or controller information publishes shows as a difference here.
// TSM_UPDATE_GOLDEN=1 rewrites the file instead; review its diff like code.
#include "simulatedmachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

const char* const kGoldenPath = TSM_GOLDEN_DIR "/typical.dump";

std::string golden()
{
    std::ifstream in(kGoldenPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs in a freshly started process: the setup records of the hardware
// library are read once per process, so an earlier machine of the test run
// must not be the one this refresh sees.
[[noreturn]] void compareWithGolden()
{
    optest::SimulatedMachine machine("typical.xml");
    const std::string dump = Core::dump(*machine.refresh());
    if (std::getenv("TSM_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(kGoldenPath, std::ios::binary) << dump;
        std::exit(0);
    }
    if (dump == golden())
        std::exit(0);
    std::cerr << "refreshed tree differs from " << kGoldenPath << ":\n" << dump;
    std::exit(1);
}

TEST(GoldenDumpDeathTest, TypicalMachineTreeIsTheReviewedOne)
{
    ASSERT_FALSE(golden().empty()) << "missing " << kGoldenPath;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(compareWithGolden(), testing::ExitedWithCode(0), "");
}

}
