// The commands of tsm-machine, on the platform's read-only views and calls.
#include "commands.h"

#include <tsm/atomicfile.h>
#include <tsm/machine.h>
#include <tsm/machinestate.h>
#include <tsm/win32handles.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tsmtool {

namespace {

std::string stateName(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED:
        return "stopped";
    case SERVICE_START_PENDING:
        return "start pending";
    case SERVICE_STOP_PENDING:
        return "stop pending";
    case SERVICE_RUNNING:
        return "running";
    case SERVICE_CONTINUE_PENDING:
        return "continue pending";
    case SERVICE_PAUSE_PENDING:
        return "pause pending";
    case SERVICE_PAUSED:
        return "paused";
    default:
        return "state " + std::to_string(state);
    }
}

std::string startName(DWORD start)
{
    switch (start) {
    case SERVICE_AUTO_START:
        return "automatic";
    case SERVICE_DEMAND_START:
        return "manual";
    case SERVICE_DISABLED:
        return "disabled";
    default:
        return "start type " + std::to_string(start);
    }
}

std::string systemText(DWORD code)
{
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length < sizeof text ? length : 0);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message + " (" + std::to_string(code) + ")";
}

// The state as the manager reports it, or the reason it cannot.
std::string liveState(const std::string& name)
{
    const tsm::UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return "unknown: " + systemText(GetLastError());
    const tsm::UniqueServiceHandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    if (!service || !QueryServiceStatus(service.get(), &status))
        return "unknown: " + systemText(GetLastError());
    std::string state = stateName(status.dwCurrentState);
    if (status.dwCurrentState == SERVICE_STOPPED && status.dwWin32ExitCode != 0)
        state += " (" + systemText(status.dwWin32ExitCode) + ")";
    return state;
}

std::string localTime(int64_t seconds)
{
    const time_t value = static_cast<time_t>(seconds);
    std::tm parts{};
    ::localtime_r(&value, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::string typeName(DWORD type)
{
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default:
        return "type " + std::to_string(type);
    }
}

std::string valueText(const tsm::RegistryDumpValue& value)
{
    if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && !value.data.empty())
        return "\"" + std::string(value.data.c_str(), strnlen(value.data.c_str(), value.data.size())) + "\"";
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = 0;
        std::memcpy(&number, value.data.data(), 4);
        char text[32];
        std::snprintf(text, sizeof text, "0x%08x (%u)", static_cast<unsigned>(number), static_cast<unsigned>(number));
        return text;
    }
    std::string hex;
    char byte[4];
    for (const char c : value.data) {
        std::snprintf(byte, sizeof byte, "%02x ", static_cast<unsigned char>(c));
        hex += byte;
    }
    if (!hex.empty())
        hex.pop_back();
    return hex.empty() ? "(empty)" : hex;
}

} // namespace

int showServices(std::ostream& out, std::ostream& err)
{
    std::size_t damaged = 0;
    const std::vector<tsm::ServiceRecord> services = tsm::readServiceDatabase(&damaged);
    out << "Services of the machine " << tsm::machineRoot() << "\n";
    if (services.empty())
        out << "  (none installed)\n";
    for (const tsm::ServiceRecord& service : services) {
        out << "\n  " << service.name << "\n";
        if (service.displayName != service.name)
            out << "    Display name:  " << service.displayName << "\n";
        out << "    State:         " << liveState(service.name)
            << (service.markedForDelete ? ", marked for deletion" : "") << "\n";
        out << "    Start:         " << startName(service.startType) << "\n";
        out << "    Binary:        " << service.binaryPath << "\n";
        if (!service.description.empty())
            out << "    Description:   " << service.description << "\n";
        for (const std::string& dependency : service.dependencies)
            out << "    Depends on:    " << dependency << "\n";
    }
    if (damaged > 0) {
        err << "tsm-machine: " << damaged << " service record(s) are damaged and were skipped\n";
        return 1;
    }
    return 0;
}

int showEvents(std::ostream& out, std::ostream& err)
{
    std::size_t damaged = 0;
    const std::vector<tsm::EventRecord> events = tsm::readEventLog(&damaged);
    if (events.empty())
        out << "The event log is empty.\n";
    for (const tsm::EventRecord& event : events) {
        out << localTime(event.timeSeconds) << "  " << tsm::eventTypeName(event.type) << "  " << event.source
            << "  event " << event.id;
        if (event.category != 0)
            out << "  category " << event.category;
        out << "\n    " << tsm::formatEventMessage(event) << "\n";
    }
    if (damaged > 0) {
        err << "tsm-machine: " << damaged << " event-log line(s) are damaged and were skipped\n";
        return 1;
    }
    return 0;
}

int showRegistry(std::ostream& out, std::ostream& err)
{
    std::map<std::string, DWORD> problems;
    const std::vector<tsm::RegistryDumpKey> keys = tsm::readRegistry(&problems);
    if (keys.empty() && problems.empty())
        out << "The registry is empty.\n";
    for (const tsm::RegistryDumpKey& key : keys) {
        out << key.path << "\n";
        for (const tsm::RegistryDumpValue& value : key.values)
            out << "    " << (value.name.empty() ? "(default)" : value.name) << "  " << typeName(value.type) << "  "
                << valueText(value) << "\n";
    }
    for (const auto& [hive, code] : problems)
        err << "tsm-machine: the hive " << hive << " cannot be read: " << systemText(code) << "\n";
    return problems.empty() ? 0 : 1;
}

int showTrace(std::ostream& out, std::ostream& err)
{
    std::ifstream in(tsm::debugOutputPath(), std::ios::binary);
    if (!in) {
        if (errno == ENOENT || !std::filesystem::exists(tsm::debugOutputPath())) {
            out << "No debugger output has been written yet.\n";
            return 0;
        }
        err << "tsm-machine: cannot read " << tsm::debugOutputPath() << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    out << in.rdbuf();
    return 0;
}

int useDescription(const std::string& path, std::ostream& out, std::ostream& err)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "tsm-machine: cannot read the description \"" << path << "\": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string xml = text.str();
    const auto first = xml.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || xml[first] != '<') {
        err << "tsm-machine: \"" << path << "\" is not an XML machine description\n";
        return 1;
    }
    const std::string root = tsm::machineRoot();
    std::error_code error;
    std::filesystem::create_directories(tsm::driveCRoot(), error);
    const std::string target = root + "/machine.xml";
    if (!tsm::writeFileAtomically(target, xml)) {
        err << "tsm-machine: cannot put the description in place: " << std::strerror(errno) << "\n";
        return 1;
    }
    out << "The machine " << root << " now uses " << path << "\n";
    return 0;
}

} // namespace tsmtool
