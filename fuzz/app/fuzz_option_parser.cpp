// Fuzz target: any command line reaches exactly one handler, and the one it
// reaches agrees with a plain model of which lines are acceptable.
#include "fuzzing.h"
#include "recordingcommandline.h"

#include <set>

namespace {

using tsmtest::RecordingCommandLine;

// Which handler a joined line must reach: blanks separate words, a word
// starting with '-' names an option, everything else is part of a value.
std::string expectedHandler(const std::string& line)
{
    if (line.empty())
        return "noOption";
    if (line[0] != '-')
        return "badCommandLine";
    std::set<std::string> names;
    std::string word;
    for (std::size_t index = 0; index <= line.size(); ++index) {
        if (index == line.size() || line[index] == ' ') {
            if (!word.empty() && word[0] == '-')
                names.insert(word.substr(1));
            word.clear();
        } else {
            word += line[index];
        }
    }
    static const std::set<std::string> registered{"help", "uninstall", "install", "start", "stop", "v"};
    if (names.size() != 1 || !registered.count(*names.begin()))
        return "badCommandLine";
    return *names.begin() == "v" ? "version" : *names.begin();
}

void checkOne(const std::string& line, const RecordingCommandLine& commandLine, int exitCode)
{
    check(commandLine.calls.size() == 1);
    const std::string& handler = commandLine.calls[0].handler;
    check(handler == expectedHandler(line));
    // The exit code is the handler's own.
    check(exitCode == RecordingCommandLine::exitCodeOf(handler));
    // A value never keeps a separator at either end.
    const std::string& value = commandLine.calls[0].value;
    check(value.empty() || (value.front() != ' ' && value.back() != ' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = inputText(data, size);

    // The input as one joined line.
    {
        RecordingCommandLine commandLine;
        const int exitCode = commandLine.parse(input);
        checkOne(input, commandLine, exitCode);
    }

    // The input as arguments, one per line of text.
    std::vector<std::string> arguments;
    for (std::size_t start = 0, end = 0; !input.empty() && end != std::string::npos; start = end + 1) {
        end = input.find('\n', start);
        arguments.push_back(input.substr(start, end - start));
    }
    std::string joined;
    std::vector<const char*> argv{"vxa"};
    for (auto& argument : arguments) {
        // An argument cannot hold a zero byte; it ends there.
        argument = argument.c_str();
        argv.push_back(argument.c_str());
        joined += argument + " ";
    }
    argv.push_back(nullptr);
    RecordingCommandLine commandLine;
    const int exitCode = commandLine.run(static_cast<int>(arguments.size() + 1), argv.data());
    checkOne(joined, commandLine, exitCode);
    return 0;
}
