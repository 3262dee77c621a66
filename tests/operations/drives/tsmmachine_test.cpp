// tsm-machine on an empty temporary machine: each command and its output, a
// bad command line refused (simctl's too), and a trace that exists but cannot
// be read.
#include "processrunner.h"
#include "tempmachine.h"

#include <gtest/gtest.h>
#include <tsm/uniquehandle.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <tuple>

namespace {

TEST(TsmMachine, EachCommandOnAnEmptyMachine)
{
    tsmtest::TempMachine machine;
    const std::string tool = TSM_MACHINE_TOOL;
    // Program, arguments; exit code; the start of standard output, of standard error.
    const std::tuple<std::string, std::vector<std::string>, int, std::string, std::string> cases[] = {
        {tool, {}, 2, "", "tsm-machine: no command given\nUsage: tsm-machine <command>\n"},
        {tool, {"services", "all"}, 2, "", "tsm-machine: \"services\" is not a command, or takes other arguments\n"},
        {tool, {"--help"}, 0, "Usage: tsm-machine <command>\n", ""},
        {tool, {"services"}, 0, "Services of the machine " + machine.root() + "\n  (none installed)\n", ""},
        {tool, {"events"}, 0, "The event log is empty.\n", ""},
        {tool, {"registry"}, 0, "The registry is empty.\n", ""},
        {tool, {"trace"}, 0, "No debugger output has been written yet.\n", ""},
        {tool, {"use", machine.root() + "/missing.xml"}, 1, "", "tsm-machine: cannot read the description \""},
        {TSM_SIMCTL_TOOL, {"play", TSM_MACHINES_DIR "/empty.xml"}, 2, "", "usage: simctl list <description.xml>\n"},
    };
    for (const auto& [program, arguments, exitCode, out, err] : cases) {
        SCOPED_TRACE(program + (arguments.empty() ? "" : " " + arguments.front()));
        const auto run = tsmtest::runProcess(program, arguments);
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        EXPECT_EQ(run.out.substr(0, out.size()), out);
        EXPECT_EQ(run.err.substr(0, err.size()), err);
        EXPECT_EQ(run.out.empty(), out.empty()) << run.out;
    }
    // A socket where the trace belongs exists and does not open.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (machine.root() + "/debug-output.log").c_str(), sizeof address.sun_path - 1);
    const tsm::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM, 0));
    ASSERT_EQ(::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const auto trace = tsmtest::runProcess(tool, {"trace"});
    EXPECT_EQ(trace.exitCode, 1);
    EXPECT_EQ(trace.err.rfind("tsm-machine: cannot read " + machine.root() + "/debug-output.log: ", 0), 0u)
        << trace.err;
}

}
