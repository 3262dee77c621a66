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

    // Exit codes that tell the handlers apart.
    static constexpr int kHelp = 10, kUninstall = 11, kInstall = 12, kStart = 13, kStop = 14, kVersion = 15,
                         kNoOption = 16, kBadCommandLine = 17;

    // The handlers, for registering with a parser of a test's own.
    static OptionParser::Handler helpHandler() { return static_cast<OptionParser::Handler>(&RecordingCommandLine::help); }
    static OptionParser::Handler installHandler()
    {
        return static_cast<OptionParser::Handler>(&RecordingCommandLine::install);
    }
    static OptionParser::Handler startHandler() { return static_cast<OptionParser::Handler>(&RecordingCommandLine::start); }
    static OptionParser::Handler stopHandler() { return static_cast<OptionParser::Handler>(&RecordingCommandLine::stop); }
    static OptionParser::Handler noOptionHandler()
    {
        return static_cast<OptionParser::Handler>(&RecordingCommandLine::noOption);
    }
    static OptionParser::Handler badHandler()
    {
        return static_cast<OptionParser::Handler>(&RecordingCommandLine::badCommandLine);
    }

protected:
    int help(const std::string& value) override { return record("help", value, kHelp); }
    int uninstall(const std::string& value) override { return record("uninstall", value, kUninstall); }
    int install(const std::string& value) override { return record("install", value, kInstall); }
    int start(const std::string& value) override { return record("start", value, kStart); }
    int stop(const std::string& value) override { return record("stop", value, kStop); }
    int version(const std::string& value) override { return record("version", value, kVersion); }
    int noOption(const std::string& value) override { return record("noOption", value, kNoOption); }
    int badCommandLine(const std::string& value) override { return record("badCommandLine", value, kBadCommandLine); }

private:
    int record(const char* handler, const std::string& value, int exitCode)
    {
        calls.push_back({ handler, value });
        return exitCode;
    }
};

} // namespace tsmtest

#endif
