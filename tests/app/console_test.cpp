// The agent executable from a console: usage, version, rejected command lines
// and the start without options, with exact output and exit codes.
#include "vxafixture.h"

namespace {

const std::string kUsage = "Usage:\n"
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

TEST_F(Console, UsageAndVersionOnStandardOutputAndRejectedLinesChangeNothing)
{
    const std::string version = "Tarvion Storage Manager 1.10.3.0\n";
    // Every rejected line prints the usage too; the parser's own test holds the full list.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-help", "more", "words"}, kUsage}, {{"-v"}, version}, {{"-stop", "x", "-uninstall"}, kUsage}};
    for (const auto& [arguments, out] : cases) {
        SCOPED_TRACE(arguments[0] + " x" + std::to_string(arguments.size()));
        const tsmtest::ProcessResult result = vxa(arguments);
        EXPECT_EQ(std::tie(result.exitCode, result.out, result.err), std::tuple(0, out, ""));
    }
    // Nothing was installed or traced by any of them.
    EXPECT_EQ(m_machine.read("debug-output.log"), "");
    EXPECT_NE(vxa({"-stop"}).exitCode, 0);
}

TEST_F(Console, WithoutOptionsFromAConsoleOnlyTracesAndEndsAtOnce)
{
    const auto began = std::chrono::steady_clock::now();
    const tsmtest::ProcessResult result = vxa({});
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    EXPECT_EQ(std::tie(result.exitCode, result.out, result.err), std::tuple(0, "", ""));

    // The dispatcher, without a service manager to talk to, returns at once.
    const std::vector<std::string> trace = traceLines();
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_TRUE(trace[1].ends_with("): Returned from StartServiceCtrlDispatcher()")) << trace[1];
}
