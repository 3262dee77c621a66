// The agent executable from a console: usage, version, rejected command lines
// and the start without options, with exact output and exit codes.
#include "vxafixture.h"


namespace {

const std::string kUsage =
    "Usage:\n"
    "<executable> [option]\n"
    "Options\n"
    "    -h,--help  - show this message\n"
    "    -install   - installs the Tarvion Storage Manager\n"
    "    -uninstall - uninstalls the Tarvion Storage Manager\n"
    "                 from the service control manager. The service must \n"
    "                 be stopped before it can be uninstalled\n"
    "    -start     - starts the service\n"
    "                 The service must be installed before using this option\n"
    "    -stop      - stops the service\n"
    "    -v         - show version information\n";

using Console = tsmtest::VxaMachine;

} // namespace

TEST_F(Console, HelpAndVersionPrintOnStandardOutput)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
    };
    const std::vector<Case> cases = {
        { { "-help" }, kUsage },
        { { "-help", "more", "words" }, kUsage },
        { { "-v" }, "Tarvion Storage Manager 1.10.3.0\n" },
        { { "-v", "-v" }, "Tarvion Storage Manager 1.10.3.0\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " x" + std::to_string(c.arguments.size()));
        const tsmtest::ProcessResult result = vxa(c.arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(Console, RejectedLinesPrintTheUsageAndChangeNothing)
{
    const std::vector<std::vector<std::string>> lines = {
        { "-h" }, { "--help" }, { "/install" }, { "install" }, { "-" }, { "-install", "-start" },
        { "-help", "-h" }, { "", "-install" }, { "-INSTALL" }, { "-stop", "x", "-uninstall" },
    };
    for (const auto& arguments : lines) {
        SCOPED_TRACE(arguments[0] + " x" + std::to_string(arguments.size()));
        const tsmtest::ProcessResult result = vxa(arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, kUsage);
        EXPECT_EQ(result.err, "");
    }
    // Nothing was installed or traced by any of them.
    EXPECT_EQ(m_machine.read("debug-output.log"), "");
    const tsmtest::ProcessResult stop = vxa({ "-stop" });
    EXPECT_NE(stop.exitCode, 0);
}

TEST_F(Console, WithoutOptionsFromAConsoleOnlyTracesAndEndsAtOnce)
{
    const auto began = std::chrono::steady_clock::now();
    const tsmtest::ProcessResult result = vxa({});
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");

    const std::vector<std::string> trace = traceLines();
    ASSERT_EQ(trace.size(), 2u);
    tsmtest::TraceLine first;
    tsmtest::TraceLine second;
    ASSERT_TRUE(tsmtest::parseTraceLine(trace[0], first)) << trace[0];
    ASSERT_TRUE(tsmtest::parseTraceLine(trace[1], second)) << trace[1];
    EXPECT_EQ(first.message, "Calling StartServiceCtrlDispatcher()");
    EXPECT_EQ(second.message, "Returned from StartServiceCtrlDispatcher()");
    EXPECT_EQ(first.thread, second.thread); // both from the main thread
}
