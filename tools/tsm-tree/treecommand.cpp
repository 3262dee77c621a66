// Options of tsm-tree.
#include "treecommand.h"

#include <map>
#include <ostream>
#include <set>

namespace tsmtool {
namespace {

template <typename T>
bool parseChoice(const std::string& text, const std::map<std::string, T>& choices, T& value)
{
    const auto found = choices.find(text);
    if (found == choices.end())
        return false;
    value = found->second;
    return true;
}

// Only plain decimal digits, from low to high.
bool parseCount(const std::string& text, unsigned low, unsigned high, unsigned& count)
{
    if (text.empty() || text.size() > 7)
        return false;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < low || value > high)
        return false;
    count = value;
    return true;
}

// Splits "--name=value" into its parts; a plain "--name" keeps value empty.
void splitOption(const std::string& argument, std::string& name, std::string& value, bool& bHasValue)
{
    const std::size_t equals = argument.find('=');
    bHasValue = equals != std::string::npos;
    name = argument.substr(0, equals);
    value = bHasValue ? argument.substr(equals + 1) : std::string();
}

// Stores the value of one option; false with the accepted values otherwise.
bool applyOption(const std::string& name, const std::string& value, TreeOptions& options, std::string& error)
{
    bool bOk = true;
    std::string accepted;
    if (name == "--set") {
        bOk = parseChoice<RegistrationSet>(value,
                                           {{"startup", RegistrationSet::eSTARTUP},
                                            {"logical", RegistrationSet::eLOGICAL},
                                            {"full", RegistrationSet::eFULL}},
                                           options.set);
        accepted = "startup, logical or full";
    } else if (name == "--format") {
        bOk = parseChoice<OutputFormat>(
            value,
            {{"dump", OutputFormat::eDUMP}, {"json", OutputFormat::eJSON}, {"prometheus", OutputFormat::ePROMETHEUS}},
            options.format);
        accepted = "dump, json or prometheus";
    } else if (name == "--refreshes") {
        bOk = parseCount(value, 0, kMaxRefreshes, options.refreshes);
        accepted = "a number from 0 to " + std::to_string(kMaxRefreshes);
    } else if (name == "--timeout") {
        bOk = parseCount(value, 1, kMaxTimeoutSeconds, options.timeoutSeconds);
        accepted = "a number of seconds from 1 to " + std::to_string(kMaxTimeoutSeconds);
    } else {
        bOk = !value.empty();
        options.output = value;
        accepted = "a file name";
    }
    if (!bOk)
        error = name + " takes " + accepted + ", not \"" + value + "\"";
    return bOk;
}

}

bool parseTreeOptions(const std::vector<std::string>& arguments, TreeOptions& options, std::string& error)
{
    static const std::set<std::string> kNames = {"--set", "--refreshes", "--format", "--output", "--timeout"};
    std::set<std::string> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name;
        std::string value;
        bool bHasValue = false;
        splitOption(arguments[i], name, value, bHasValue);
        if ((name == "--help" || name == "-h") && !bHasValue) {
            options.help = true;
            continue;
        }
        if (kNames.count(name) == 0) {
            error = "\"" + arguments[i] + "\" is not an option";
            return false;
        }
        if (!seen.insert(name).second) {
            error = name + " is given twice";
            return false;
        }
        if (!bHasValue) {
            if (i + 1 == arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (!applyOption(name, value, options, error))
            return false;
    }
    return true;
}

void treeUsage(std::ostream& out)
{
    out << "Usage: tsm-tree [--set startup|logical|full] [--refreshes N] [--format dump|json|prometheus]\n"
           "                [--output FILE] [--timeout SECONDS]\n"
           "Installs the registration set (default startup), refreshes the device tree\n"
           "of the machine named by TSM_MACHINE N times (default 1) and prints it.\n"
           "    startup     adapters, controllers and controller information\n"
           "    logical     startup, then logical drives of each controller\n"
           "    full        startup, then arrays, their logical and physical drives\n"
           "    dump        the tree for people (default)\n"
           "    json        one document, each device with its attributes and children\n"
           "    prometheus  health gauges for node_exporter's textfile collector\n"
           "--output writes FILE whole or not at all. A refresh that fails or takes longer\n"
           "than the time limit (default 50 seconds) exits with 1; in the prometheus\n"
           "format it still writes tsm_scrape_success 0 without any other facts.\n";
}

}
