// The service control manager: its database, access masks and error codes,
// and running services (a probe service started as a detached process).
#include "eventually.h"
#include "lasterror.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <tsm/machine.h>
#include <tsm/machinestate.h>
#include <tsm/posixcalls.h>
#include <tsm/uniquehandle.h>
#include <windows.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

namespace {

using tsmtest::eventually;
using tsmtest::failed;

// A service handle the test owns, closed when it goes.
struct CloseSc {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using Sc = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, CloseSc>;

// An own-process service with all access; display name as the name unless given.
SC_HANDLE create(SC_HANDLE scm, const char* name, const char* binary, DWORD start = SERVICE_AUTO_START,
                 const char* dependencies = nullptr, const char* display = nullptr,
                 DWORD type = SERVICE_WIN32_OWN_PROCESS)
{
    return CreateServiceA(scm, name, display ? display : name, SERVICE_ALL_ACCESS, type, start, SERVICE_ERROR_NORMAL,
                          binary, nullptr, nullptr, dependencies, nullptr, nullptr);
}

// Whether the service reaches the state within ten seconds.
bool becomes(SC_HANDLE service, DWORD wanted)
{
    SERVICE_STATUS status{};
    return eventually([&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == wanted; },
                      std::chrono::seconds(10));
}

// A service main that reports stopped at once but returns only when released,
// reading its argument after that.
std::atomic<bool> g_lingerReleased{false};
std::atomic<bool> g_lingerReturned{false};
std::mutex g_lingerMutex;
std::string g_lingerArgument;

void WINAPI ignoreControl(DWORD)
{
}

void WINAPI lingeringMain(DWORD, LPSTR* arguments)
{
    SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
    SetServiceStatus(RegisterServiceCtrlHandlerA(arguments[0], ignoreControl), &status);
    while (!g_lingerReleased.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    {
        std::lock_guard<std::mutex> lock(g_lingerMutex);
        g_lingerArgument = arguments[0];
    }
    g_lingerReturned = true;
}

class Scm : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& name : m_started)
            if (const int pid = probePid(name); pid > 0)
                ::kill(pid, SIGKILL);
        ::unsetenv("TSM_PROBE_MODE");
        ::unsetenv("TSM_SCM_START_TIMEOUT_MS");
        ::unsetenv("TSM_SERVICE_GRACE_MS");
    }

    // Installs the probe under name (its binary is on Z:, outside drive C:),
    // words following the name on its command line; the handle has all access.
    SC_HANDLE installProbe(const std::string& name, const char* dependencies = nullptr,
                           const std::string& words = "") const
    {
        const std::string binary = "\"" + tsm::hostToDos(TSM_SERVICE_PROBE) + "\" " + name + words;
        return create(m_scm.get(), name.c_str(), binary.c_str(), SERVICE_DEMAND_START, dependencies);
    }

    // Starts it; the service's name is remembered so TearDown ends it.
    BOOL start(SC_HANDLE service, const std::string& name)
    {
        m_started.push_back(name);
        return StartServiceA(service, 0, nullptr);
    }

    int probePid(const std::string& name) const
    {
        int pid = 0;
        std::ifstream(m_machine.root() + "/probe-" + name + ".pid") >> pid;
        return pid;
    }

    tsmtest::TempMachine m_machine;
    Sc m_scm{OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
    std::vector<std::string> m_started;
};

} // namespace

TEST_F(Scm, TheManagerAndTheDatabaseHonourAccessReportWindowsCodesAndFailWhole)
{
    EXPECT_EQ(failed(OpenSCManagerA("\\\\elsewhere", nullptr, SC_MANAGER_ALL_ACCESS)), RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(failed(OpenSCManagerA(nullptr, "OtherDatabase", SC_MANAGER_ALL_ACCESS)), ERROR_DATABASE_DOES_NOT_EXIST);

    const char* path = "C:\\Tarvion\\bin\\vxa";
    {
        Sc connectOnly(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        ASSERT_TRUE(connectOnly);
        EXPECT_EQ(failed(create(connectOnly.get(), "Probe", path)), ERROR_ACCESS_DENIED);
    }
    const SC_HANDLE scm = m_scm.get();
    ASSERT_TRUE(scm);
    const std::tuple<const char*, DWORD, DWORD, const char*, DWORD> refused[] = {
        {"", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, path, ERROR_INVALID_NAME},
        {"a\\b", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, path, ERROR_INVALID_NAME},
        {"Driver", SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, path, ERROR_INVALID_PARAMETER},
        {"Boot", SERVICE_WIN32_OWN_PROCESS, SERVICE_BOOT_START, path, ERROR_INVALID_PARAMETER},
        {"NoBinary", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, "", ERROR_INVALID_PARAMETER},
    };
    for (const auto& [name, type, start, binary, error] : refused) {
        SCOPED_TRACE(name);
        EXPECT_EQ(failed(create(scm, name, binary, start, nullptr, "x", type)), error);
    }
    EXPECT_TRUE(tsm::readServiceDatabase().empty());

    {
        Sc created(create(scm, "Probe Service", path, SERVICE_AUTO_START, "Base\0Other\0"));
        ASSERT_TRUE(created) << GetLastError();
        SERVICE_DESCRIPTIONA description{const_cast<LPSTR>("A probe")};
        EXPECT_TRUE(ChangeServiceConfig2A(created.get(), SERVICE_CONFIG_DESCRIPTION, &description));
        EXPECT_EQ(failed(ChangeServiceConfig2A(created.get(), 2, &description)), ERROR_INVALID_LEVEL);
    }
    const std::vector<tsm::ServiceRecord> records = tsm::readServiceDatabase();
    ASSERT_EQ(records.size(), 1u);
    const tsm::ServiceRecord& r = records[0];
    EXPECT_EQ(std::tie(r.name, r.binaryPath, r.description), std::make_tuple("Probe Service", path, "A probe"));
    EXPECT_EQ(std::vector<DWORD>({r.serviceType, r.startType, r.errorControl}), std::vector<DWORD>({16, 2, 1}));
    EXPECT_EQ(r.dependencies, (std::vector<std::string>{"Base", "Other"}));

    // The same name in any case, or a display name already taken.
    EXPECT_EQ(failed(create(scm, "PROBE SERVICE", path, SERVICE_AUTO_START, nullptr, "x")), ERROR_SERVICE_EXISTS);
    EXPECT_EQ(failed(create(scm, "Second", path, SERVICE_AUTO_START, nullptr, "probe service")),
              ERROR_DUPLICATE_SERVICE_NAME);

    // A handle opened for one right gets only that one.
    {
        Sc config(OpenServiceA(scm, "probe service", SERVICE_QUERY_CONFIG));
        Sc stopOnly(OpenServiceA(scm, "Probe Service", SERVICE_STOP));
        ASSERT_TRUE(config && stopOnly);
        SERVICE_STATUS status{};
        SERVICE_DESCRIPTIONA description{const_cast<LPSTR>("changed")};
        EXPECT_EQ(
            std::vector<DWORD>({failed(QueryServiceStatus(config.get(), &status)),
                                failed(StartServiceA(config.get(), 0, nullptr)),
                                failed(ControlService(config.get(), SERVICE_CONTROL_STOP, &status)),
                                failed(ChangeServiceConfig2A(config.get(), SERVICE_CONFIG_DESCRIPTION, &description)),
                                failed(DeleteService(config.get())),
                                failed(ControlService(stopOnly.get(), SERVICE_CONTROL_INTERROGATE, &status))}),
            std::vector<DWORD>(6, ERROR_ACCESS_DENIED));
    }

    Sc all(OpenServiceA(scm, "Probe Service", SERVICE_ALL_ACCESS));
    ASSERT_TRUE(all);
    SERVICE_STATUS status{};
    ASSERT_TRUE(QueryServiceStatus(all.get(), &status));
    // Never started: stopped, every other field 0; a control refused as not active says the same.
    const auto fields = [](const SERVICE_STATUS& s) {
        return std::vector<DWORD>({s.dwServiceType, s.dwCurrentState, s.dwControlsAccepted, s.dwWin32ExitCode,
                                   s.dwServiceSpecificExitCode, s.dwCheckPoint, s.dwWaitHint});
    };
    const std::vector<DWORD> stopped({16, SERVICE_STOPPED, 0, 0, 0, 0, 0});
    EXPECT_EQ(fields(status), stopped);
    EXPECT_EQ(failed(ControlService(all.get(), SERVICE_CONTROL_STOP, &status)), ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_EQ(fields(status), stopped);
    EXPECT_EQ(failed(ControlService(all.get(), 300, &status)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(failed(ControlService(all.get(), SERVICE_CONTROL_SHUTDOWN, &status)), ERROR_INVALID_SERVICE_CONTROL);
    // The binary is not there yet.
    EXPECT_EQ(failed(StartServiceA(all.get(), 0, nullptr)), ERROR_FILE_NOT_FOUND);

    // (Opening a service that is not, or no longer, there fails with 1060
    // in the agent's service test.)
    EXPECT_TRUE(DeleteService(all.get()));
    EXPECT_EQ(failed(QueryServiceStatus(all.get(), &status)), ERROR_SERVICE_DOES_NOT_EXIST);

    // Handles that are closed, or of another kind.
    SC_HANDLE loose = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    EXPECT_TRUE(CloseServiceHandle(loose));
    EXPECT_EQ(failed(CloseServiceHandle(loose)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(failed(OpenServiceA(loose, "Probe Service", SERVICE_ALL_ACCESS)), ERROR_INVALID_HANDLE);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(CloseServiceHandle(reinterpret_cast<SC_HANDLE>(event)));
    EXPECT_EQ(failed(DeleteService(scm)), ERROR_INVALID_HANDLE);
    CloseHandle(event);

    // A process the manager did not start has no dispatcher or status (nor a
    // control handler: the service framework's test starts outside one).
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<LPSTR>("x"), [](DWORD, LPSTR*) {}}, {nullptr, nullptr}};
    EXPECT_EQ(failed(StartServiceCtrlDispatcherA(table)), ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    SERVICE_STATUS record{16, 4, 1, 0, 0, 0, 0};
    EXPECT_EQ(failed(SetServiceStatus(nullptr, &record)), ERROR_INVALID_HANDLE);

    // A failed database write installs nothing.
    {
        tsm::PosixCallsOverride failing;
        failing.calls().rename = [](const char*, const char*) { return errno = EIO, -1; };
        EXPECT_EQ(failed(create(m_scm.get(), "Probe", "C:\\x")), ERROR_CANTWRITE);
    }
    EXPECT_TRUE(tsm::readServiceDatabase().empty());

    // A damaged record is reported, never half-read.
    Sc created(create(m_scm.get(), "Probe", "C:\\x"));
    ASSERT_TRUE(created);
    for (const auto& entry : std::filesystem::directory_iterator(m_machine.root() + "/services"))
        if (entry.path().extension() == ".service")
            std::ofstream(entry.path()) << "TSM-SERVICE 1\nname\tProbe\ntype\tsixteen\n";
    std::size_t damaged = 0;
    EXPECT_TRUE(tsm::readServiceDatabase(&damaged).empty());
    EXPECT_EQ(damaged, 1u);
    EXPECT_EQ(failed(QueryServiceStatus(created.get(), &status)), ERROR_INVALID_DATA);
}

TEST_F(Scm, AServiceWhoseSocketPathIsTooLongCannotBeAsked)
{
    // The service's socket lies under the machine root: past 107 bytes no
    // socket address holds it.
    const std::string root = m_machine.root() + "/" + std::string(100, 'r');
    std::filesystem::create_directories(root);
    ::setenv("TSM_MACHINE", root.c_str(), 1);
    Sc scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    Sc service(create(scm.get(), "probe", "C:\\x"));
    ASSERT_TRUE(service);
    SERVICE_STATUS status{};
    EXPECT_EQ(failed(QueryServiceStatus(service.get(), &status)), ERROR_SERVICE_REQUEST_TIMEOUT);
    ::setenv("TSM_MACHINE", m_machine.root().c_str(), 1);
}

TEST_F(Scm, AProbeServiceStartsTakesControlsOnTheDispatcherThreadAndStops)
{
    Sc service(installProbe("probe"));
    ASSERT_TRUE(service);
    ASSERT_TRUE(start(service.get(), "probe")) << GetLastError();
    ASSERT_TRUE(becomes(service.get(), SERVICE_RUNNING));
    EXPECT_EQ(failed(StartServiceA(service.get(), 0, nullptr)), ERROR_SERVICE_ALREADY_RUNNING);

    // A killed service reads as stopped by an aborted process and starts again.
    const int first = probePid("probe");
    ASSERT_TRUE(first > 0 && ::kill(first, SIGKILL) == 0);
    ASSERT_TRUE(becomes(service.get(), SERVICE_STOPPED));
    SERVICE_STATUS status{};
    ASSERT_TRUE(QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_PROCESS_ABORTED));
    ASSERT_TRUE(start(service.get(), "probe")) << GetLastError();
    ASSERT_TRUE(becomes(service.get(), SERVICE_RUNNING));
    EXPECT_NE(probePid("probe"), first);

    EXPECT_EQ(failed(ControlService(service.get(), SERVICE_CONTROL_PAUSE, &status)), ERROR_INVALID_SERVICE_CONTROL);
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &status));
    EXPECT_TRUE(ControlService(service.get(), 200, &status));
    EXPECT_EQ(std::pair(status.dwCurrentState, status.dwControlsAccepted),
              (std::pair<DWORD, DWORD>(SERVICE_RUNNING, SERVICE_ACCEPT_STOP)));

    // Deleting a running service marks it; it goes once it has stopped.
    EXPECT_TRUE(DeleteService(service.get()));
    EXPECT_EQ(failed(DeleteService(service.get())), ERROR_SERVICE_MARKED_FOR_DELETE);
    EXPECT_EQ(failed(create(m_scm.get(), "probe", "C:\\x")), ERROR_SERVICE_MARKED_FOR_DELETE);

    ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(status.dwCurrentState == SERVICE_STOP_PENDING || status.dwCurrentState == SERVICE_STOPPED)
        << status.dwCurrentState;
    eventually([&] { return !OpenServiceA(m_scm.get(), "probe", SERVICE_QUERY_STATUS); }, std::chrono::seconds(5));
    EXPECT_TRUE(tsm::readServiceDatabase().empty());
    EXPECT_EQ(m_machine.read("probe-probe.controls"), "4 main\n200 main\n1 main\n");
}

TEST_F(Scm, StatesThatRefuseControlsAndDependentsThatBlockAStop)
{
    Sc base(installProbe("base"));
    Sc user(installProbe("user", "BASE\0", " a  \"b c\"\td"));
    Sc slow(installProbe("slow"));
    ASSERT_TRUE(start(base.get(), "base"));
    ASSERT_TRUE(start(user.get(), "user"));
    ::setenv("TSM_PROBE_MODE", "pending", 1);
    ASSERT_TRUE(start(slow.get(), "slow"));
    ::unsetenv("TSM_PROBE_MODE");
    ASSERT_TRUE(becomes(base.get(), SERVICE_RUNNING));
    ASSERT_TRUE(becomes(user.get(), SERVICE_RUNNING));
    ASSERT_TRUE(becomes(slow.get(), SERVICE_START_PENDING));
    // Each process got the words after the program in its command line.
    EXPECT_GT(probePid("base"), 0);
    EXPECT_EQ(m_machine.read("probe-user.pid"), std::to_string(probePid("user")) + " [a] [b c] [d]\n");
    EXPECT_NE(probePid("base"), probePid("user"));

    SERVICE_STATUS status{};
    EXPECT_EQ(failed(ControlService(slow.get(), SERVICE_CONTROL_STOP, &status)), ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));

    EXPECT_EQ(failed(ControlService(base.get(), SERVICE_CONTROL_STOP, &status)), ERROR_DEPENDENT_SERVICES_RUNNING);
    EXPECT_TRUE(becomes(base.get(), SERVICE_RUNNING));
    ASSERT_TRUE(ControlService(user.get(), SERVICE_CONTROL_STOP, &status));
    ASSERT_TRUE(becomes(user.get(), SERVICE_STOPPED));
    EXPECT_TRUE(ControlService(base.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(becomes(base.get(), SERVICE_STOPPED));
}

TEST_F(Scm, ProcessesThatDoNotReportFailTheStart)
{
    // A binary that ends at once, one that never reports, a disabled service.
    Sc quick(create(m_scm.get(), "quick", "Z:\\bin\\true", SERVICE_DEMAND_START));
    ASSERT_TRUE(quick);
    const auto launched = std::chrono::steady_clock::now();
    EXPECT_EQ(failed(StartServiceA(quick.get(), 0, nullptr)), ERROR_PROCESS_ABORTED);
    EXPECT_LT(std::chrono::steady_clock::now() - launched, std::chrono::seconds(5));
    EXPECT_TRUE(becomes(quick.get(), SERVICE_STOPPED));

    Sc silent(create(m_scm.get(), "silent", "Z:\\bin\\sleep 3", SERVICE_DEMAND_START));
    ::setenv("TSM_SCM_START_TIMEOUT_MS", "400", 1);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(failed(StartServiceA(silent.get(), 0, nullptr)), ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3));

    Sc disabled(create(m_scm.get(), "off", "Z:\\bin\\true", SERVICE_DISABLED));
    EXPECT_EQ(failed(StartServiceA(disabled.get(), 0, nullptr)), ERROR_SERVICE_DISABLED);
}

TEST_F(Scm, AServiceThreadThatOutlivesTheDispatchersGraceKeepsItsArgument)
{
    // Long enough that the name's copy lives on the heap, not inline.
    const std::string name = "lingering service with a name beyond any inline buffer";
    // The test plays the starting manager: it answers the dispatcher's one
    // "STARTED <pid>" line with "OK".
    const std::string startPath = m_machine.root() + "/start";
    const tsm::UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    std::strncpy(address.sun_path, startPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_TRUE(::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(listener.get(), 1) == 0);
    std::thread manager([&listener] {
        const tsm::UniqueFd connection(::accept(listener.get(), nullptr, nullptr));
        char line[64] = {};
        EXPECT_TRUE(::read(connection.get(), line, sizeof line - 1) > 0 && std::strncmp(line, "STARTED ", 8) == 0 &&
                    ::write(connection.get(), "OK\n", 3) == 3)
            << line;
    });
    g_lingerReleased = false;
    g_lingerReturned = false;
    ::setenv("TSM_SERVICE_NAME", name.c_str(), 1);
    ::setenv("TSM_SERVICE_START", startPath.c_str(), 1);
    ::setenv("TSM_SERVICE_GRACE_MS", "50", 1);
    std::string entryName = name;
    const SERVICE_TABLE_ENTRYA table[] = {{entryName.data(), lingeringMain}, {nullptr, nullptr}};
    const auto began = std::chrono::steady_clock::now();
    const BOOL dispatched = StartServiceCtrlDispatcherA(table);
    const DWORD error = GetLastError();
    ::shutdown(listener.get(), SHUT_RDWR);
    manager.join();
    ASSERT_TRUE(dispatched) << error;
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3));
    EXPECT_FALSE(g_lingerReturned.load());

    // The dispatcher has returned and left the thread behind; the table's
    // name goes too, so only the dispatcher's own copy can still be read.
    entryName.assign(entryName.size(), 'x');
    g_lingerReleased = true;
    ASSERT_TRUE(eventually([] { return g_lingerReturned.load(); }, std::chrono::seconds(5)));
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // lets the thread finish its last steps
    std::lock_guard<std::mutex> lock(g_lingerMutex);
    EXPECT_EQ(g_lingerArgument, name);
}
