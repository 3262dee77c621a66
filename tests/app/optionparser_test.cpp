// Command line: joining of the arguments, tokenising and the choice of the
// option handler, through CommandLine and OptionParser.
#include "recordingcommandline.h"

#include <gtest/gtest.h>

using tsmtest::HandlerCall;
using tsmtest::RecordingCommandLine;

namespace {

int runWith(RecordingCommandLine& commandLine, const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv{"vxa"};
    for (const auto& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return commandLine.run(static_cast<int>(arguments.size() + 1), argv.data());
}

} // namespace

TEST(CommandLine, EachOptionReachesItsHandlerWithTheJoinedValue)
{
    const std::vector<std::pair<std::vector<std::string>, HandlerCall>> cases = {
        {{}, {"noOption", ""}}, {{"-help"}, {"help", ""}}, {{"-install"}, {"install", ""}},
        {{"-uninstall"}, {"uninstall", ""}}, {{"-start"}, {"start", ""}}, {{"-stop"}, {"stop", ""}},
        {{"-v"}, {"version", ""}},
        // Further words are joined, a repeated option keeps its first value.
        {{"-install", "a", "b"}, {"install", "a b"}}, {{"-install", "-install"}, {"install", ""}},
        {{"-v", "1", "-v", "2"}, {"version", "1"}}, {{"-install x"}, {"install", "x"}},
        {{"-stop", "", "x"}, {"stop", "x"}}, {{"-start   y  z"}, {"start", "y z"}},
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(expected.handler + " " + std::to_string(arguments.size()) + " " + expected.value);
        RecordingCommandLine commandLine;
        EXPECT_EQ(runWith(commandLine, arguments), RecordingCommandLine::exitCodeOf(expected.handler));
        EXPECT_EQ(commandLine.calls, std::vector<HandlerCall>{expected});
    }
}

TEST(CommandLine, RejectsEveryMalformedLine)
{
    const std::vector<std::vector<std::string>> lines = {
        {"-h"}, {"--help"}, {"/install"}, {"install"}, {"-"}, {"-Install"}, {"-install", "-start"}, {"-help", "-h"},
        {"x", "-install"}, {"-install", "-"}, {"", "-install"}, {""}, {" "}, {"-version"},
    };
    for (const auto& arguments : lines) {
        std::string shown;
        for (const auto& argument : arguments)
            shown += "[" + argument + "]";
        SCOPED_TRACE(shown);
        RecordingCommandLine commandLine;
        EXPECT_EQ(runWith(commandLine, arguments), RecordingCommandLine::exitCodeOf("badCommandLine"));
        EXPECT_EQ(commandLine.calls, (std::vector<HandlerCall>{{"badCommandLine", ""}}));
    }
    // parse() takes the joined line.
    RecordingCommandLine commandLine;
    EXPECT_EQ(commandLine.parse("-stop now"), RecordingCommandLine::exitCodeOf("stop"));
    EXPECT_EQ(commandLine.parse(""), RecordingCommandLine::exitCodeOf("noOption"));
    EXPECT_EQ(commandLine.parse(" -stop"), RecordingCommandLine::exitCodeOf("badCommandLine"));
    EXPECT_EQ(commandLine.calls, (std::vector<HandlerCall>{{"stop", "now"}, {"noOption", ""}, {"badCommandLine", ""}}));
}

TEST(OptionParser, LimitPrefixAndSeparatorAreTheCallersChoice)
{
    struct Case {
        const char* line;
        const char* prefix;
        const char* separator;
        int limit;
        std::vector<HandlerCall> expected;
    };
    const std::vector<Case> cases = {
        // Without a limit the given options run in name order.
        {"-stop s -start i -help ", "-", " ", -1, {{"help", ""}, {"start", "i"}, {"stop", "s"}}},
        {"-start -stop", "-", " ", 2, {{"start", ""}, {"stop", ""}}},
        {"-start -stop", "-", " ", 1, {{"badCommandLine", ""}}},
        {"-start", "-", " ", 0, {{"badCommandLine", ""}}},
        {"/start", "-/", " ", 1, {{"start", ""}}},
        {"-start,a,,b", "-", ",", 1, {{"start", "a,b"}}},
        {"", "-", " ", 1, {{"noOption", ""}}},
        {"-unknown", "-", " ", -1, {{"badCommandLine", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " limit " + std::to_string(c.limit));
        RecordingCommandLine owner;
        OptionParser parser(owner, c.line);
        parser.setPrefix(c.prefix);
        parser.setSeparator(c.separator);
        parser.setLimit(c.limit);
        parser.registerOption("start", RecordingCommandLine::handler(&RecordingCommandLine::start));
        parser.registerOption("stop", RecordingCommandLine::handler(&RecordingCommandLine::stop));
        parser.registerOption("help", RecordingCommandLine::handler(&RecordingCommandLine::help));
        parser.setDefaultHandler(RecordingCommandLine::handler(&RecordingCommandLine::noOption));
        parser.setErrorHandler(RecordingCommandLine::handler(&RecordingCommandLine::badCommandLine));
        // The result is the last handler's.
        EXPECT_EQ(parser.dispatch(), RecordingCommandLine::exitCodeOf(c.expected.back().handler));
        EXPECT_EQ(owner.calls, c.expected);
        if (c.expected.size() == 3) {
            const std::map<std::string, std::string> given{{"help", ""}, {"start", "i"}, {"stop", "s"}};
            EXPECT_EQ(parser.givenOptions(), given);
        }
    }
}
