// Options of tsm-tree and the refresh of the tree it prints.
#include "treecommand.h"

#include "device.h"
#include "registration.h"
#include "system.h"

#include <ostream>

namespace tsmtool {
namespace {

bool parseSet(const std::string& text, RegistrationSet& set)
{
    if (text == "startup")
        set = RegistrationSet::eSTARTUP;
    else if (text == "logical")
        set = RegistrationSet::eLOGICAL;
    else if (text == "full")
        set = RegistrationSet::eFULL;
    else
        return false;
    return true;
}

// Only plain decimal digits, at most kMaxRefreshes.
bool parseCount(const std::string& text, unsigned& count)
{
    if (text.empty() || text.size() > 7)
        return false;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > kMaxRefreshes)
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

}

bool parseTreeOptions(const std::vector<std::string>& arguments, TreeOptions& options, std::string& error)
{
    bool bSetSeen = false;
    bool bRefreshesSeen = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name;
        std::string value;
        bool bHasValue = false;
        splitOption(arguments[i], name, value, bHasValue);
        if ((name == "--help" || name == "-h") && !bHasValue) {
            options.help = true;
            continue;
        }
        if (name != "--set" && name != "--refreshes") {
            error = "\"" + arguments[i] + "\" is not an option";
            return false;
        }
        bool& bSeen = name == "--set" ? bSetSeen : bRefreshesSeen;
        if (bSeen) {
            error = name + " is given twice";
            return false;
        }
        bSeen = true;
        if (!bHasValue) {
            if (i + 1 == arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (name == "--set" && !parseSet(value, options.set)) {
            error = "--set takes startup, logical or full, not \"" + value + "\"";
            return false;
        }
        if (name == "--refreshes" && !parseCount(value, options.refreshes)) {
            error = "--refreshes takes a number from 0 to " + std::to_string(kMaxRefreshes) + ", not \"" + value + "\"";
            return false;
        }
    }
    return true;
}

void refreshAndDump(const TreeOptions& options, std::ostream& out)
{
    switch (options.set) {
    case RegistrationSet::eSTARTUP:
        Operations::registerStartupOperations();
        break;
    case RegistrationSet::eLOGICAL:
        Operations::registerLogicalDriveSet();
        break;
    case RegistrationSet::eFULL:
        Operations::registerArraySet();
        break;
    }
    const Core::DevicePtr pRoot = Schema::System::instance();
    for (unsigned i = 0; i < options.refreshes; ++i)
        pRoot->refresh();
    out << Core::dump(*pRoot);
}

void treeUsage(std::ostream& out)
{
    out << "Usage: tsm-tree [--set startup|logical|full] [--refreshes N]\n"
           "Installs the registration set (default startup), refreshes the device tree\n"
           "of the machine named by TSM_MACHINE N times (default 1) and prints it.\n"
           "    startup   adapters, controllers and controller information\n"
           "    logical   startup, then logical drives of each controller\n"
           "    full      startup, then arrays, their logical and physical drives\n";
}

}
