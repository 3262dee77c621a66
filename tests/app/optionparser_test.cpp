// Command line: joining of the arguments, tokenising and the choice of the
// option handler, through CommandLine and OptionParser.
#include "recordingcommandline.h"

#include <gtest/gtest.h>
#include <tuple>

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

TEST(CommandLine, EachOptionReachesItsHandlerWithTheJoinedValueAndEveryMalformedLineIsRejected)
{
    const HandlerCall bad{"badCommandLine", ""};
    const std::vector<std::pair<std::vector<std::string>, HandlerCall>> cases = {
        {{}, {"noOption", ""}},
        {{"-help"}, {"help", ""}},
        {{"-uninstall"}, {"uninstall", ""}},
        {{"-start"}, {"start", ""}},
        {{"-stop"}, {"stop", ""}},
        // Further words are joined, a repeated option keeps its first value.
        {{"-install", "a", "b"}, {"install", "a b"}},
        {{"-v", "1", "-v", "2"}, {"version", "1"}},
        {{"-install x"}, {"install", "x"}},
        {{"-stop", "", "x"}, {"stop", "x"}},
        {{"-start   y  z"}, {"start", "y z"}},
        // Malformed lines.
        {{"-h"}, bad},
        {{"install"}, bad},
        {{"-Install"}, bad},
        {{"-help", "-h"}, bad},
        {{"x", "-install"}, bad},
        {{"-install", "-"}, bad},
        {{""}, bad},
        {{" "}, bad},
        {{"-version"}, bad},
    };
    // (The fuzz target's corpus adds lines of its own: a doubled or other
    // prefix, two options, an empty first argument, a repeated option.)
    for (const auto& [arguments, expected] : cases) {
        std::string shown;
        for (const auto& argument : arguments)
            shown += "[" + argument + "]";
        SCOPED_TRACE(shown);
        RecordingCommandLine commandLine;
        EXPECT_EQ(runWith(commandLine, arguments), RecordingCommandLine::exitCodeOf(expected.handler));
        EXPECT_EQ(commandLine.calls, std::vector<HandlerCall>{expected});
    }
    // parse() takes the joined line.
    RecordingCommandLine commandLine;
    EXPECT_EQ(commandLine.parse("-stop now"), RecordingCommandLine::exitCodeOf("stop"));
    EXPECT_EQ(commandLine.parse(""), RecordingCommandLine::exitCodeOf("noOption"));
    EXPECT_EQ(commandLine.parse(" -stop"), RecordingCommandLine::exitCodeOf("badCommandLine"));
    EXPECT_EQ(commandLine.calls, (std::vector<HandlerCall>{{"stop", "now"}, {"noOption", ""}, bad}));
}

TEST(OptionParser, LimitPrefixAndSeparatorAreTheCallersChoice)
{
    // The line, prefix, separator and limit; the handlers called.
    const std::vector<std::tuple<std::string, const char*, const char*, int, std::vector<HandlerCall>>> cases = {
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
    for (const auto& [line, prefix, separator, limit, expected] : cases) {
        SCOPED_TRACE(line + " limit " + std::to_string(limit));
        RecordingCommandLine owner;
        OptionParser parser(owner, line);
        parser.setPrefix(prefix);
        parser.setSeparator(separator);
        parser.setLimit(limit);
        parser.registerOption("start", RecordingCommandLine::handler(&RecordingCommandLine::start));
        parser.registerOption("stop", RecordingCommandLine::handler(&RecordingCommandLine::stop));
        parser.registerOption("help", RecordingCommandLine::handler(&RecordingCommandLine::help));
        parser.setDefaultHandler(RecordingCommandLine::handler(&RecordingCommandLine::noOption));
        parser.setErrorHandler(RecordingCommandLine::handler(&RecordingCommandLine::badCommandLine));
        // The result is the last handler's.
        EXPECT_EQ(parser.dispatch(), RecordingCommandLine::exitCodeOf(expected.back().handler));
        EXPECT_EQ(owner.calls, expected);
        if (expected.size() == 3) {
            const std::map<std::string, std::string> given{{"help", ""}, {"start", "i"}, {"stop", "s"}};
            EXPECT_EQ(parser.givenOptions(), given);
        }
    }
}
