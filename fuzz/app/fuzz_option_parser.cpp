// Fuzz target: any command line reaches exactly one handler, and the one it
// reaches agrees with a plain model of which lines are acceptable.
#include "application.h"
#include "commandline.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

class CountingCommandLine : public CommandLine {
public:
    CountingCommandLine() : CommandLine(CountedPtr<ServiceApplication>(new Application)) {}

    std::vector<std::string> handlers;
    std::string lastValue;

protected:
    int help(const std::string& value) override { return record("help", value); }
    int uninstall(const std::string& value) override { return record("uninstall", value); }
    int install(const std::string& value) override { return record("install", value); }
    int start(const std::string& value) override { return record("start", value); }
    int stop(const std::string& value) override { return record("stop", value); }
    int version(const std::string& value) override { return record("v", value); }
    int noOption(const std::string& value) override { return record("(none)", value); }
    int badCommandLine(const std::string& value) override { return record("(bad)", value); }

private:
    int record(const char* handler, const std::string& value)
    {
        handlers.push_back(handler);
        lastValue = value;
        return static_cast<int>(handlers.size()) + 100;
    }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Which handler a joined line must reach: blanks separate words, a word
// starting with '-' names an option, everything else is part of a value.
std::string expectedHandler(const std::string& line)
{
    if (line.empty())
        return "(none)";
    if (line[0] == ' ' || line[0] != '-')
        return "(bad)";
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
    static const std::set<std::string> registered { "help", "uninstall", "install", "start", "stop", "v" };
    if (names.size() != 1 || !registered.count(*names.begin()))
        return "(bad)";
    return *names.begin();
}

void checkOne(const std::string& line, const CountingCommandLine& commandLine, int exitCode)
{
    check(commandLine.handlers.size() == 1);
    check(exitCode == 101);
    check(commandLine.handlers[0] == expectedHandler(line));
    // A value never keeps a separator at either end.
    const std::string& value = commandLine.lastValue;
    check(value.empty() || (value.front() != ' ' && value.back() != ' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    // The input as one joined line.
    {
        CountingCommandLine commandLine;
        const int exitCode = commandLine.parse(input);
        checkOne(input, commandLine, exitCode);
    }

    // The input as arguments, one per line of text.
    std::vector<std::string> arguments;
    std::string::size_type start = 0;
    while (start <= input.size() && !input.empty()) {
        const auto end = input.find('\n', start);
        arguments.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::string joined;
    std::vector<const char*> argv { "vxa" };
    for (auto& argument : arguments) {
        // An argument cannot hold a zero byte; it ends there.
        argument = argument.c_str();
        argv.push_back(argument.c_str());
        joined += argument + " ";
    }
    argv.push_back(nullptr);
    CountingCommandLine commandLine;
    const int exitCode = commandLine.run(static_cast<int>(arguments.size() + 1), argv.data());
    checkOne(joined, commandLine, exitCode);
    return 0;
}
