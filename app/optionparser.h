// OptionParser: splits one joined command line into options and their values
// and calls the handler of the option that was given.
#ifndef TSM_APP_OPTIONPARSER_H
#define TSM_APP_OPTIONPARSER_H

#include "csign.h"

#include <map>
#include <string>

class CommandLine;

class OptionParser {
public:
    // A handler takes the option's value text and returns the exit code.
    using Handler = int (CommandLine::*)(const std::string& value);

    OptionParser(CommandLine& owner, const std::string& line);
    virtual ~OptionParser() = default;
    OptionParser(const OptionParser&) = delete;
    OptionParser& operator=(const OptionParser&) = delete;

    // Characters that start an option name.
    void setPrefix(const std::string& prefix);
    // Characters that separate words.
    void setSeparator(const std::string& separator);
    // Most distinct options one line may give; negative means no limit.
    void setLimit(int limit);
    void registerOption(const std::string& name, Handler handler);
    // Called for an empty line.
    void setDefaultHandler(Handler handler);
    // Called for a line that is not acceptable.
    void setErrorHandler(Handler handler);

    // Chooses and calls the handler(s) for the line; returns the exit code.
    int dispatch();

    // The options the last dispatch found, by name, with their values.
    const std::map<std::string, std::string>& givenOptions() const;

    bool isInvariant() const;

protected:
    virtual int doDispatch();
    // Fills the given options; false if the line is not made of options.
    virtual bool doTokenise();

private:
    bool beginsWithPrefix(const std::string& word) const;
    int call(Handler handler, const std::string& value) const;

    CSignature m_bSignature;
    std::string m_sPrefix;
    std::string m_sSeparator;
    std::string m_sLine;
    int m_iLimit;
    std::map<std::string, std::string> m_givenOptions;
    std::map<std::string, Handler> m_registeredOptions;
    CommandLine* m_pOwner;
    Handler m_pDefaultHandler;
    Handler m_pErrorHandler;
};

#endif
