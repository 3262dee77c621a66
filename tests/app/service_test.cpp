// The agent as a service, end to end: install, start, stop and uninstall
// through the real executable in a temporary machine, with the console
// messages, exit codes, registry values, events and trace lines they leave.
#include "agentservice.h"
#include "vxafixture.h"

#include <tsm/machinestate.h>
#include <windows.h>

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <tuple>

namespace {

using tsmtest::eventually;
using tsmtest::serviceState;
using Lines = std::vector<std::string>;

const std::string kName = "Tarvion Storage Manager";

// The platform's own text for an error code, as the console should print it.
std::string systemText(DWORD code)
{
    char text[1024] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string message(text, length < sizeof text ? length : 0);
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
        message.pop_back();
    EXPECT_FALSE(message.empty()) << code;
    return message;
}

// A value of the agent's event source key as its raw bytes and type; "<none>" when absent.
std::string eventSourceValue(const char* value, DWORD& type)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      ("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + kName).c_str(), 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return "<none>";
    char data[512] = {};
    DWORD size = sizeof data;
    const LSTATUS status = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data, size) : "<none>";
}

class Service : public tsmtest::VxaMachine {
protected:
    void TearDown() override
    {
        // Never leave a service process behind the removed machine.
        if (serviceState() != SERVICE_STOPPED && serviceState() != 0)
            vxa({"-stop"});
        for (const int pid : agentProcesses())
            ::kill(pid, SIGKILL);
    }

    std::vector<int> agentProcesses() const { return tsmtest::processesRunning(agentHostPath()); }

    // The trace lines, each of the service's own shape.
    std::vector<tsmtest::TraceLine> trace() const
    {
        std::vector<tsmtest::TraceLine> result;
        for (const std::string& line : traceLines())
            EXPECT_TRUE(tsmtest::parseTraceLine(line, result.emplace_back())) << line;
        return result;
    }
    // The messages of one thread, or of all when thread is empty.
    Lines messagesOf(const std::string& thread) const
    {
        Lines messages;
        for (const tsmtest::TraceLine& line : trace())
            if (thread.empty() || line.thread == thread)
                messages.push_back(line.message);
        return messages;
    }
    bool traced(const std::string& message) const
    {
        const Lines all = messagesOf("");
        return std::find(all.begin(), all.end(), message) != all.end();
    }

    void expectRun(const Lines& arguments, int exitCode, const std::string& err) const
    {
        const tsmtest::ProcessResult result = vxa(arguments);
        // A POSIX exit status keeps only the low eight bits of the Windows code.
        EXPECT_EQ(std::tie(result.exitCode, result.out, result.err), std::tuple(exitCode & 0xFF, "", err))
            << arguments[0];
    }
};

} // namespace

TEST_F(Service, ActionsBeforeInstallFailAndInstallRegistersTheServiceAndItsEventSource)
{
    // Without the service each action reports the failed open.
    for (const auto& [action, verb] : std::vector<std::pair<std::string, std::string>>{
             {"-start", "started"}, {"-stop", "stopped"}, {"-uninstall", "uninstalled"}})
        expectRun({action}, 1060, kName + " could not be " + verb + ".\n" + systemText(1060) + "\n");
    EXPECT_EQ(serviceState(), 0u);

    expectRun({"-install", "extra", "words"}, 0, kName + " installed.\n");
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_STOPPED));
    DWORD type = 0;
    EXPECT_STREQ(eventSourceValue("EventMessageFile", type).c_str(), agentDosPath().c_str());
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(eventSourceValue("TypesSupported", type), std::string("\7\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    // A second install fails on the existing service.
    expectRun({"-install"}, 1073, kName + " could not be installed.\n" + systemText(1073) + "\n");
}

TEST_F(Service, RunsFromStartToStopAndUninstalls)
{
    expectRun({"-install"}, 0, kName + " installed.\n");
    expectRun({"-start"}, 0, kName + " started.\n");
    ASSERT_TRUE(eventually([] { return serviceState() == SERVICE_RUNNING; }));
    EXPECT_EQ(agentProcesses().size(), 1u);

    // Main thread, then the service thread up to the running report.
    ASSERT_TRUE(eventually([&] { return traced("Leaving NTService::Initialize()"); }));
    const std::vector<tsmtest::TraceLine> lines = trace();
    ASSERT_GT(lines.size(), 1u);
    const std::string mainThread = lines[0].thread;
    const std::string serviceThread = lines[1].thread;
    EXPECT_NE(serviceThread, mainThread);
    Lines started = messagesOf(serviceThread);
    ASSERT_EQ(started.size(), 6u);
    // "NTService::SetStatus(<handle>, 2)": the handle every later report repeats.
    const std::string prefix = "NTService::SetStatus(";
    const std::string handle = started[2].substr(prefix.size(), started[2].find(", 2)") - prefix.size());
    ASSERT_TRUE(!handle.empty() && handle.find_first_not_of("0123456789") == std::string::npos) << handle;
    const auto status = [&](int state) { return prefix + handle + ", " + std::to_string(state) + ")"; };
    EXPECT_EQ(started, (Lines{"Entering NTService::ServiceMain()", "Entering NTService::Initialize()", status(2),
                              "NTService::OnInit()", status(4), "Leaving NTService::Initialize()"}));

    // A running service is not uninstalled.
    expectRun({"-uninstall"}, 0, kName + " is not stopped.\nStop the service before uninstalling it.\n");
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_RUNNING));

    expectRun({"-stop"}, 0, kName + " stopped.\n");
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_STOPPED));
    ASSERT_TRUE(eventually([&] { return traced("Returned from StartServiceCtrlDispatcher()"); }));
    ASSERT_TRUE(eventually([&] { return agentProcesses().empty(); }));

    Lines handled = messagesOf(mainThread);
    ASSERT_EQ(handled.size(), 5u);
    // The service thread may report stopped before the handler reports.
    EXPECT_TRUE(handled[3] == "Updating status (" + handle + ", 3)" ||
                handled[3] == "Updating status (" + handle + ", 1)")
        << handled[3];
    handled.erase(handled.begin() + 3);
    EXPECT_EQ(handled, (Lines{"Calling StartServiceCtrlDispatcher()", "NTService::Handler(1)", status(3),
                              "Returned from StartServiceCtrlDispatcher()"}));
    started.insert(started.end(), {status(1), "Leaving NTService::ServiceMain()"});
    EXPECT_EQ(messagesOf(serviceThread), started);

    // Stopping a stopped service succeeds; then it can be uninstalled, once.
    expectRun({"-stop"}, 0, kName + " stopped.\n");
    expectRun({"-uninstall"}, 0,
              kName + " uninstalled.\nYou must delete the file (" + agentDosPath() + ") yourself.\n");
    EXPECT_EQ(serviceState(), 0u);
    expectRun({"-uninstall"}, 1060, kName + " could not be uninstalled.\n" + systemText(1060) + "\n");

    // The cycle's events, with the texts of the agent's own message table.
    // Identifier, type, strings, text.
    const std::tuple<DWORD, WORD, Lines, std::string> expected[] = {
        {100, EVENTLOG_INFORMATION_TYPE, {kName}, "The Tarvion Storage Manager service was installed."},
        {105, EVENTLOG_INFORMATION_TYPE, {}, "The service was started."},
        {108, EVENTLOG_INFORMATION_TYPE, {}, "The service was stopped."},
        {101, EVENTLOG_INFORMATION_TYPE, {kName}, "The Tarvion Storage Manager service was removed."},
        {102, EVENTLOG_ERROR_TYPE, {kName}, "The Tarvion Storage Manager service could not be removed."},
    };
    const std::vector<tsm::EventRecord> events = tsm::readEventLog();
    ASSERT_EQ(events.size(), std::size(expected));
    for (std::size_t index = 0; index < events.size(); ++index) {
        const auto& [id, type, strings, text] = expected[index];
        const tsm::EventRecord& event = events[index];
        SCOPED_TRACE(id);
        EXPECT_EQ(std::make_tuple(event.source, event.id, event.type, event.category, event.strings),
                  std::make_tuple(kName, id, type, WORD{0}, strings));
        EXPECT_EQ(tsm::formatEventMessage(event), text);
    }
}
