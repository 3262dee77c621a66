// The agent as a service, end to end: install, start, stop and uninstall
// through the real executable in a temporary machine, with the console
// messages, exit codes, registry values, events and trace lines they leave.
#include "vxafixture.h"

#include <tsm/machinestate.h>
#include <windows.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace {

const std::string kName = "Tarvion Storage Manager";
const char kEventKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tarvion Storage Manager";

// The platform's own text for an error code, as the console should print it.
std::string systemText(DWORD code)
{
    char text[1024] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string message(text, length < sizeof text ? length : 0);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

using tsmtest::TraceLine;

class Service : public tsmtest::VxaMachine {
protected:
    void TearDown() override
    {
        // Never leave a service process behind the removed machine.
        if (serviceState() != SERVICE_STOPPED && serviceState() != 0)
            vxa({ "-stop" });
        for (const int pid : agentProcesses())
            ::kill(pid, SIGKILL);
    }

    // The service's current state as the manager reports it; 0 if the
    // manager or the service cannot be opened, so not installed.
    static DWORD serviceState()
    {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE service = manager ? OpenServiceA(manager, kName.c_str(), SERVICE_QUERY_STATUS) : nullptr;
        SERVICE_STATUS status{};
        const bool queried = service && QueryServiceStatus(service, &status);
        if (service)
            CloseServiceHandle(service);
        if (manager)
            CloseServiceHandle(manager);
        return queried ? status.dwCurrentState : 0;
    }
    static bool isInstalled() { return serviceState() != 0; }

    // Processes running this machine's copy of the agent.
    std::vector<int> agentProcesses() const
    {
        std::vector<int> pids;
        std::error_code ignored;
        const auto agent = std::filesystem::weakly_canonical(agentHostPath(), ignored);
        for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
            std::error_code error;
            const int pid = std::atoi(entry.path().filename().c_str());
            if (pid > 0 && std::filesystem::read_symlink(entry.path() / "exe", error) == agent && !error)
                pids.push_back(pid);
        }
        return pids;
    }

    // The trace lines of one thread, or of all when thread is empty.
    std::vector<TraceLine> trace(const std::string& thread = std::string()) const
    {
        std::vector<TraceLine> result;
        for (const std::string& line : traceLines()) {
            TraceLine parsed;
            EXPECT_TRUE(tsmtest::parseTraceLine(line, parsed)) << line;
            if (!parsed.thread.empty() && (thread.empty() || parsed.thread == thread))
                result.push_back(parsed);
        }
        return result;
    }
    std::vector<std::string> messagesOf(const std::string& thread) const
    {
        std::vector<std::string> messages;
        for (const TraceLine& line : trace(thread))
            messages.push_back(line.message);
        return messages;
    }
    bool traced(const std::string& message) const
    {
        const std::vector<std::string> all = messagesOf("");
        return std::find(all.begin(), all.end(), message) != all.end();
    }

    void expectRun(const std::vector<std::string>& arguments, int exitCode, const std::string& err) const
    {
        const tsmtest::ProcessResult result = vxa(arguments);
        // A POSIX exit status keeps only the low eight bits of the Windows code.
        EXPECT_EQ(result.exitCode, exitCode & 0xFF) << arguments[0];
        EXPECT_EQ(result.out, "") << arguments[0];
        EXPECT_EQ(result.err, err) << arguments[0];
    }

    void installAndStart()
    {
        expectRun({ "-install" }, 0, kName + " installed.\n");
        expectRun({ "-start" }, 0, kName + " started.\n");
        ASSERT_TRUE(eventually([] { return serviceState() == SERVICE_RUNNING; }));
    }
};

// A value of the event source's key as its raw bytes, with its type; "<none>" when absent.
std::string registryValue(const char* value, DWORD& type)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEventKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    char data[512] = {};
    DWORD size = sizeof data;
    const LSTATUS status = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data, size) : "<none>";
}

} // namespace

TEST_F(Service, ActionsBeforeInstallFailAndInstallRegistersTheServiceAndItsEventSource)
{
    // Without the service each action reports the failed open.
    const std::string missing = systemText(1060);
    ASSERT_FALSE(missing.empty());
    expectRun({ "-start" }, 1060, kName + " could not be started.\n" + missing + "\n");
    expectRun({ "-stop" }, 1060, kName + " could not be stopped.\n" + missing + "\n");
    expectRun({ "-uninstall" }, 1060, kName + " could not be uninstalled.\n" + missing + "\n");
    EXPECT_FALSE(isInstalled());

    expectRun({ "-install", "extra", "words" }, 0, kName + " installed.\n");
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_STOPPED));
    DWORD type = 0;
    EXPECT_STREQ(registryValue("EventMessageFile", type).c_str(), agentDosPath().c_str());
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(registryValue("TypesSupported", type), std::string("\7\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    // A second install fails on the existing service.
    ASSERT_FALSE(systemText(1073).empty());
    expectRun({ "-install" }, 1073, kName + " could not be installed.\n" + systemText(1073) + "\n");
}

TEST_F(Service, RunsFromStartToStopAndUninstalls)
{
    installAndStart();
    EXPECT_EQ(agentProcesses().size(), 1u);

    // Main thread, then the service thread up to the running report.
    ASSERT_TRUE(eventually([&] { return traced("Leaving NTService::Initialize()"); }));
    const std::vector<TraceLine> lines = trace();
    ASSERT_GT(lines.size(), 1u);
    const std::string mainThread = lines[0].thread;
    EXPECT_EQ(lines[0].message, "Calling StartServiceCtrlDispatcher()");
    const std::string serviceThread = lines[1].thread;
    EXPECT_NE(serviceThread, mainThread);
    const std::vector<std::string> started = messagesOf(serviceThread);
    ASSERT_EQ(started.size(), 6u);
    EXPECT_EQ(started[0], "Entering NTService::ServiceMain()");
    EXPECT_EQ(started[1], "Entering NTService::Initialize()");
    // "NTService::SetStatus(<handle>, 2)"
    const std::string prefix = "NTService::SetStatus(";
    const std::string handle = started[2].substr(prefix.size(), started[2].find(", 2)") - prefix.size());
    ASSERT_EQ(started[2], prefix + handle + ", 2)");
    ASSERT_TRUE(!handle.empty() && handle.find_first_not_of("0123456789") == std::string::npos) << handle;
    EXPECT_EQ(started[3], "NTService::OnInit()");
    EXPECT_EQ(started[4], "NTService::SetStatus(" + handle + ", 4)");
    EXPECT_EQ(started[5], "Leaving NTService::Initialize()");

    // A running service is not uninstalled.
    expectRun({ "-uninstall" }, 0, kName + " is not stopped.\nStop the service before uninstalling it.\n");
    EXPECT_TRUE(isInstalled());
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_RUNNING));

    expectRun({ "-stop" }, 0, kName + " stopped.\n");
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_STOPPED));
    ASSERT_TRUE(eventually([&] { return traced("Returned from StartServiceCtrlDispatcher()"); }));
    ASSERT_TRUE(eventually([&] { return agentProcesses().empty(); }));

    const std::vector<std::string> handled = messagesOf(mainThread);
    ASSERT_EQ(handled.size(), 5u);
    EXPECT_EQ(handled[1], "NTService::Handler(1)");
    EXPECT_EQ(handled[2], "NTService::SetStatus(" + handle + ", 3)");
    // The service thread may report stopped before the handler reports.
    EXPECT_TRUE(handled[3] == "Updating status (" + handle + ", 3)" ||
                handled[3] == "Updating status (" + handle + ", 1)")
        << handled[3];
    EXPECT_EQ(handled[4], "Returned from StartServiceCtrlDispatcher()");
    const std::vector<std::string> stopped = messagesOf(serviceThread);
    ASSERT_EQ(stopped.size(), 8u);
    EXPECT_EQ(stopped[6], "NTService::SetStatus(" + handle + ", 1)");
    EXPECT_EQ(stopped[7], "Leaving NTService::ServiceMain()");

    // Stopping a stopped service succeeds; then it can be uninstalled.
    expectRun({ "-stop" }, 0, kName + " stopped.\n");
    expectRun({ "-uninstall" }, 0,
              kName + " uninstalled.\nYou must delete the file (" + agentDosPath() + ") yourself.\n");
    EXPECT_FALSE(isInstalled());
    const std::string text = systemText(1060);
    expectRun({ "-uninstall" }, 1060, kName + " could not be uninstalled.\n" + text + "\n");

    // The cycle's events, with the texts of the agent's own message table.
    struct Expected {
        DWORD id;
        WORD type;
        std::vector<std::string> strings;
        std::string text;
    };
    const std::vector<Expected> expected = {
        { 100, EVENTLOG_INFORMATION_TYPE, { kName }, "The Tarvion Storage Manager service was installed." },
        { 105, EVENTLOG_INFORMATION_TYPE, {}, "The service was started." },
        { 108, EVENTLOG_INFORMATION_TYPE, {}, "The service was stopped." },
        { 101, EVENTLOG_INFORMATION_TYPE, { kName }, "The Tarvion Storage Manager service was removed." },
        { 102, EVENTLOG_ERROR_TYPE, { kName }, "The Tarvion Storage Manager service could not be removed." },
    };
    const std::vector<tsm::EventRecord> events = tsm::readEventLog();
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t index = 0; index < events.size(); ++index) {
        SCOPED_TRACE(expected[index].id);
        EXPECT_EQ(events[index].source, kName);
        EXPECT_EQ(events[index].id, expected[index].id);
        EXPECT_EQ(events[index].type, expected[index].type);
        EXPECT_EQ(events[index].category, 0);
        EXPECT_EQ(events[index].strings, expected[index].strings);
        EXPECT_EQ(tsm::formatEventMessage(events[index]), expected[index].text);
    }
}

TEST_F(Service, AKilledServiceReadsAsStoppedAndStartsAgain)
{
    // The manager passes the machine and the capture file on to the service,
    // which runs from its executable's folder.
    const std::string capture = m_machine.root() + "/capture.jsonl";
    ::setenv("SIM_CAPTURE", capture.c_str(), 1);
    installAndStart();
    ::unsetenv("SIM_CAPTURE");
    const std::vector<int> pids = agentProcesses();
    ASSERT_EQ(pids.size(), 1u);
    ASSERT_TRUE(eventually([&] { return traced("Leaving NTService::Initialize()"); }));
    std::ifstream environ("/proc/" + std::to_string(pids[0]) + "/environ", std::ios::binary);
    std::vector<std::string> variables;
    for (std::string variable; std::getline(environ, variable, '\0');)
        variables.push_back(variable);
    EXPECT_NE(std::find(variables.begin(), variables.end(), "SIM_CAPTURE=" + capture), variables.end());
    EXPECT_NE(std::find(variables.begin(), variables.end(), "TSM_MACHINE=" + m_machine.root()), variables.end());
    std::error_code ignored;
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(pids[0]) + "/cwd", ignored),
              std::filesystem::path(m_machine.driveC() + "/Tarvion/bin"));
    ASSERT_EQ(::kill(pids[0], SIGKILL), 0);
    ASSERT_TRUE(eventually([&] { return agentProcesses().empty(); }));
    EXPECT_TRUE(eventually([] { return serviceState() == SERVICE_STOPPED; }));

    expectRun({ "-start" }, 0, kName + " started.\n");
    ASSERT_TRUE(eventually([] { return serviceState() == SERVICE_RUNNING; }));
    const std::vector<int> restarted = agentProcesses();
    ASSERT_EQ(restarted.size(), 1u);
    EXPECT_NE(restarted[0], pids[0]);
    expectRun({ "-stop" }, 0, kName + " stopped.\n");
    expectRun({ "-uninstall" }, 0,
              kName + " uninstalled.\nYou must delete the file (" + agentDosPath() + ") yourself.\n");
}
