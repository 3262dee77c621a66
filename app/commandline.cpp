// CommandLine: argument joining, option registration and the option handlers.
#include "commandline.h"

#include "checkassert.h"
#include "optionparser.h"
#include "osfunctions.h"
#include "tsmversion.h"

#include <iostream>

namespace {

// The usage text, one entry per line.
const char* const kUsageLines[] = {
    "Usage:",
    "<executable> [option]",
    "Options",
    "    -h,--help  - show this message",
    "    -install   - installs the Tarvion Storage Manager",
    "    -uninstall - uninstalls the Tarvion Storage Manager",
    "                 from the service control manager. The service must ",
    "                 be stopped before it can be uninstalled",
    "    -start     - starts the service",
    "                 The service must be installed before using this option",
    "    -stop      - stops the service",
    "    -v         - show version information",
};

} // namespace

CommandLine::CommandLine(const CountedPtr<ServiceApplication>& pApplication) : m_pApplication(pApplication)
{
}

CommandLine::~CommandLine() = default;

bool CommandLine::isInvariant() const
{
    return static_cast<bool>(m_pApplication);
}

int CommandLine::parse(const std::string& line)
{
    TSM_ASSERT_INVARIANT();
    return doParse(line);
}

int CommandLine::run(int argc, const char* const argv[])
{
    TSM_ASSERT_INVARIANT();
    return doRun(argc, argv);
}

int CommandLine::doRun(int argc, const char* const argv[])
{
    std::string line;
    for (int index = 1; index < argc && argv && argv[index]; ++index) {
        line += argv[index];
        line += ' ';
    }
    return parse(line);
}

int CommandLine::doParse(const std::string& line)
{
    OptionParser parser(*this, line);
    parser.setPrefix("-");
    parser.setSeparator(" ");
    parser.setLimit(1);
    parser.registerOption("help", &CommandLine::help);
    parser.registerOption("uninstall", &CommandLine::uninstall);
    parser.registerOption("install", &CommandLine::install);
    parser.registerOption("start", &CommandLine::start);
    parser.registerOption("stop", &CommandLine::stop);
    parser.registerOption("v", &CommandLine::version);
    parser.setDefaultHandler(&CommandLine::noOption);
    parser.setErrorHandler(&CommandLine::badCommandLine);
    return parser.dispatch();
}

int CommandLine::help(const std::string&)
{
    for (const char* line : kUsageLines)
        std::cout << line << std::endl;
    return 0;
}

int CommandLine::uninstall(const std::string&)
{
    return ServiceCommand(eUNINSTALL, m_pApplication);
}

int CommandLine::install(const std::string&)
{
    return ServiceCommand(eINSTALL, m_pApplication);
}

int CommandLine::start(const std::string&)
{
    return ServiceCommand(eSTART, m_pApplication);
}

int CommandLine::stop(const std::string&)
{
    return ServiceCommand(eSTOP, m_pApplication);
}

int CommandLine::version(const std::string&)
{
    std::cout << m_pApplication->name() << ' ' << tsm::versionText() << std::endl;
    return 0;
}

int CommandLine::noOption(const std::string&)
{
    return ServiceCommand(eRUN_AS_SERVICE, m_pApplication);
}

int CommandLine::badCommandLine(const std::string& value)
{
    help(value);
    return ServiceCommand(eNOTHING, m_pApplication);
}
