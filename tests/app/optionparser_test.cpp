// Command line: joining of the arguments, tokenising and the choice of the
// option handler, through CommandLine and OptionParser.
#include "recordingcommandline.h"

#include <gtest/gtest.h>

using tsmtest::HandlerCall;
using tsmtest::RecordingCommandLine;

namespace {

struct LineCase {
    const char* name;
    std::vector<std::string> arguments; // after the program name
    HandlerCall expected;
    int exitCode;
};

int runWith(RecordingCommandLine& commandLine, const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv { "vxa" };
    for (const auto& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return commandLine.run(static_cast<int>(arguments.size() + 1), argv.data());
}

void expectOneCall(const LineCase& c)
{
    SCOPED_TRACE(c.name);
    RecordingCommandLine commandLine;
    EXPECT_EQ(runWith(commandLine, c.arguments), c.exitCode);
    ASSERT_EQ(commandLine.calls.size(), 1u);
    EXPECT_EQ(commandLine.calls[0].handler, c.expected.handler);
    EXPECT_EQ(commandLine.calls[0].value, c.expected.value);
}

} // namespace

TEST(CommandLine, EachRegisteredOptionReachesItsHandler)
{
    const std::vector<LineCase> cases = {
        { "no arguments", {}, { "noOption", "" }, RecordingCommandLine::kNoOption },
        { "help", { "-help" }, { "help", "" }, RecordingCommandLine::kHelp },
        { "install", { "-install" }, { "install", "" }, RecordingCommandLine::kInstall },
        { "uninstall", { "-uninstall" }, { "uninstall", "" }, RecordingCommandLine::kUninstall },
        { "start", { "-start" }, { "start", "" }, RecordingCommandLine::kStart },
        { "stop", { "-stop" }, { "stop", "" }, RecordingCommandLine::kStop },
        { "version", { "-v" }, { "version", "" }, RecordingCommandLine::kVersion },
    };
    for (const LineCase& c : cases)
        expectOneCall(c);
}

TEST(CommandLine, ValuesAreJoinedAndRepeatsKeepTheFirst)
{
    const std::vector<LineCase> cases = {
        { "further words", { "-install", "a", "b" }, { "install", "a b" }, RecordingCommandLine::kInstall },
        { "given twice", { "-install", "-install" }, { "install", "" }, RecordingCommandLine::kInstall },
        { "twice with values", { "-v", "1", "-v", "2" }, { "version", "1" }, RecordingCommandLine::kVersion },
        { "embedded blank", { "-install x" }, { "install", "x" }, RecordingCommandLine::kInstall },
        { "empty argument inside", { "-stop", "", "x" }, { "stop", "x" }, RecordingCommandLine::kStop },
        { "several blanks", { "-start   y  z" }, { "start", "y z" }, RecordingCommandLine::kStart },
    };
    for (const LineCase& c : cases)
        expectOneCall(c);
}

TEST(CommandLine, RejectsEveryMalformedLine)
{
    const std::vector<std::vector<std::string>> lines = {
        { "-h" },
        { "--help" },
        { "/install" },
        { "install" },
        { "-" },
        { "-Install" },
        { "-install", "-start" },
        { "-help", "-h" },
        { "x", "-install" },
        { "-install", "-" },
        { "", "-install" },
        { "" },
        { " " },
        { "-version" },
    };
    for (const auto& arguments : lines) {
        std::string shown;
        for (const auto& argument : arguments)
            shown += "[" + argument + "]";
        SCOPED_TRACE(shown);
        RecordingCommandLine commandLine;
        EXPECT_EQ(runWith(commandLine, arguments), RecordingCommandLine::kBadCommandLine);
        EXPECT_EQ(commandLine.calls, (std::vector<HandlerCall> { { "badCommandLine", "" } }));
    }
}

TEST(CommandLine, ParseTakesTheJoinedLine)
{
    RecordingCommandLine commandLine;
    EXPECT_EQ(commandLine.parse("-stop now"), RecordingCommandLine::kStop);
    EXPECT_EQ(commandLine.parse(""), RecordingCommandLine::kNoOption);
    EXPECT_EQ(commandLine.parse(" -stop"), RecordingCommandLine::kBadCommandLine);
    EXPECT_EQ(commandLine.calls, (std::vector<HandlerCall> { { "stop", "now" }, { "noOption", "" },
                                                             { "badCommandLine", "" } }));
}

TEST(OptionParser, WithoutALimitRunsGivenOptionsInNameOrder)
{
    RecordingCommandLine owner;
    OptionParser parser(owner, "-stop s -install i -help ");
    parser.setLimit(-1);
    parser.registerOption("stop", RecordingCommandLine::stopHandler());
    parser.registerOption("install", RecordingCommandLine::installHandler());
    parser.registerOption("help", RecordingCommandLine::helpHandler());
    parser.registerOption("start", RecordingCommandLine::startHandler());
    parser.setErrorHandler(RecordingCommandLine::badHandler());
    // The result is the last handler's: "stop" sorts after "install" and "help".
    EXPECT_EQ(parser.dispatch(), RecordingCommandLine::kStop);
    EXPECT_EQ(owner.calls, (std::vector<HandlerCall> { { "help", "" }, { "install", "i" }, { "stop", "s" } }));
    const std::map<std::string, std::string> given { { "help", "" }, { "install", "i" }, { "stop", "s" } };
    EXPECT_EQ(parser.givenOptions(), given);
}

TEST(OptionParser, LimitPrefixAndSeparatorAreTheCallersChoice)
{
    struct Case {
        const char* name;
        const char* line;
        const char* prefix;
        const char* separator;
        int limit;
        std::vector<HandlerCall> expected;
    };
    const std::vector<Case> cases = {
        { "two allowed", "-start -stop", "-", " ", 2, { { "start", "" }, { "stop", "" } } },
        { "two over a limit of one", "-start -stop", "-", " ", 1, { { "badCommandLine", "" } } },
        { "limit zero", "-start", "-", " ", 0, { { "badCommandLine", "" } } },
        { "slash prefix", "/start", "-/", " ", 1, { { "start", "" } } },
        { "comma separator", "-start,a,,b", "-", ",", 1, { { "start", "a,b" } } },
        { "empty line", "", "-", " ", 1, { { "noOption", "" } } },
        { "unregistered", "-unknown", "-", " ", -1, { { "badCommandLine", "" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCommandLine owner;
        OptionParser parser(owner, c.line);
        parser.setPrefix(c.prefix);
        parser.setSeparator(c.separator);
        parser.setLimit(c.limit);
        parser.registerOption("start", RecordingCommandLine::startHandler());
        parser.registerOption("stop", RecordingCommandLine::stopHandler());
        parser.setDefaultHandler(RecordingCommandLine::noOptionHandler());
        parser.setErrorHandler(RecordingCommandLine::badHandler());
        parser.dispatch();
        EXPECT_EQ(owner.calls, c.expected);
    }
}
