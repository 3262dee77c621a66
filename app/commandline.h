// CommandLine: joins the program's arguments, parses them and runs the one
// option handler they choose.
#ifndef TSM_APP_COMMANDLINE_H
#define TSM_APP_COMMANDLINE_H

#include "countedptr.h"
#include "serviceapplication.h"

#include <string>

class CommandLine {
public:
    explicit CommandLine(const CountedPtr<ServiceApplication>& pApplication);
    virtual ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Parses a joined command line and returns the exit code of its handler.
    int parse(const std::string& line);
    // Joins the arguments after the program name, each followed by a blank.
    int run(int argc, const char* const argv[]);

    bool isInvariant() const;

protected:
    virtual int doParse(const std::string& line);
    virtual int doRun(int argc, const char* const argv[]);

    // Option handlers: each takes the option's value text (ignored) and
    // returns the exit code.
    virtual int help(const std::string& value);
    virtual int uninstall(const std::string& value);
    virtual int install(const std::string& value);
    virtual int start(const std::string& value);
    virtual int stop(const std::string& value);
    virtual int version(const std::string& value);
    virtual int noOption(const std::string& value);
    virtual int badCommandLine(const std::string& value);

    const CountedPtr<ServiceApplication>& application() const { return m_pApplication; }

private:
    CountedPtr<ServiceApplication> m_pApplication;
};

#endif
