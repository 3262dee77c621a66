// A CommandLine whose handlers only record that they ran, so the choice of
// the handler can be checked without touching the service manager.
#ifndef TSM_TESTS_RECORDINGCOMMANDLINE_H
#define TSM_TESTS_RECORDINGCOMMANDLINE_H

#include "application.h"
#include "commandline.h"
#include "optionparser.h"

#include <string>
#include <vector>

namespace tsmtest {

struct HandlerCall {
    std::string handler;
    std::string value;
    bool operator==(const HandlerCall&) const = default;
};

class RecordingCommandLine : public CommandLine {
public:
    RecordingCommandLine() : CommandLine(CountedPtr<ServiceApplication>(new Application)) {}

    std::vector<HandlerCall> calls;

    // Exit codes that tell the handlers apart: 10 + the handler's place in the list.
    static int exitCodeOf(const std::string& handler)
    {
        const std::vector<std::string> names{"help", "uninstall", "install",  "start",
                                             "stop", "version",   "noOption", "badCommandLine"};
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == handler)
                return static_cast<int>(10 + i);
        return -1;
    }
    // A handler, for registering with a parser of a test's own.
    static OptionParser::Handler handler(int (RecordingCommandLine::*pHandler)(const std::string&))
    {
        return static_cast<OptionParser::Handler>(pHandler);
    }

    int help(const std::string& value) override { return record("help", value); }
    int uninstall(const std::string& value) override { return record("uninstall", value); }
    int install(const std::string& value) override { return record("install", value); }
    int start(const std::string& value) override { return record("start", value); }
    int stop(const std::string& value) override { return record("stop", value); }
    int version(const std::string& value) override { return record("version", value); }
    int noOption(const std::string& value) override { return record("noOption", value); }
    int badCommandLine(const std::string& value) override { return record("badCommandLine", value); }

private:
    int record(const char* handler, const std::string& value)
    {
        calls.push_back({handler, value});
        return exitCodeOf(handler);
    }
};

} // namespace tsmtest

#endif
