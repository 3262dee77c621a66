// The service control manager: its database, access masks and error codes,
// and running services (a probe service started as a detached process).
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <tsm/machine.h>
#include <tsm/machinestate.h>
#include <tsm/posixcalls.h>
#include <windows.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// An owned service handle for the tests.
class Sc {
public:
    explicit Sc(SC_HANDLE handle = nullptr) : m_handle(handle) {}
    ~Sc()
    {
        if (m_handle)
            CloseServiceHandle(m_handle);
    }
    Sc(const Sc&) = delete;
    Sc& operator=(const Sc&) = delete;
    SC_HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    SC_HANDLE m_handle;
};

class Scm : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& name : m_started) {
            const int pid = probePid(name);
            if (pid > 0)
                ::kill(pid, SIGKILL);
        }
        ::unsetenv("TSM_PROBE_MODE");
        ::unsetenv("TSM_SCM_START_TIMEOUT_MS");
    }

    static SC_HANDLE manager(DWORD access = SC_MANAGER_ALL_ACCESS)
    {
        return OpenSCManagerA(nullptr, nullptr, access);
    }

    // Installs the probe under name (its binary is on Z:, outside drive C:).
    void installProbe(const std::string& name, const char* dependencies = nullptr) const
    {
        Sc scm(manager());
        const std::string binary = "\"" + tsm::hostToDos(TSM_SERVICE_PROBE) + "\" " + name;
        Sc service(CreateServiceA(scm.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                  binary.c_str(), nullptr, nullptr, dependencies, nullptr, nullptr));
        ASSERT_TRUE(service) << GetLastError();
    }

    // Starts it; the service's name is remembered so TearDown ends it.
    BOOL start(SC_HANDLE service, const std::string& name)
    {
        m_started.push_back(name);
        return StartServiceA(service, 0, nullptr);
    }

    int probePid(const std::string& name) const
    {
        std::ifstream in(m_machine.root() + "/probe-" + name + ".pid");
        int pid = 0;
        in >> pid;
        return pid;
    }

    static DWORD state(SC_HANDLE service)
    {
        SERVICE_STATUS status {};
        return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
    }

    static bool becomes(SC_HANDLE service, DWORD wanted)
    {
        for (int tries = 0; tries < 1000; ++tries) {
            if (state(service) == wanted)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    tsmtest::TempMachine m_machine;
    std::vector<std::string> m_started;
};

} // namespace

TEST_F(Scm, TheManagerAndTheDatabaseHonourAccessAndReportWindowsCodes)
{
    EXPECT_EQ(OpenSCManagerA("\\\\elsewhere", nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
    EXPECT_EQ(OpenSCManagerA(nullptr, "OtherDatabase", SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST));

    const char* path = "C:\\Tarvion\\bin\\vxa";
    const char dependencies[] = "Base\0Other\0";
    {
        Sc connectOnly(manager(SC_MANAGER_CONNECT));
        ASSERT_TRUE(connectOnly);
        EXPECT_EQ(CreateServiceA(connectOnly.get(), "Probe", "Probe", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr,
                                 nullptr),
                  nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    Sc scm(manager());
    ASSERT_TRUE(scm);
    struct Refused {
        const char* name;
        const char* display;
        DWORD type;
        DWORD start;
        const char* binary;
        DWORD error;
    };
    const Refused refused[] = {
        { "", "x", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, path, ERROR_INVALID_NAME },
        { "a\\b", "x", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, path, ERROR_INVALID_NAME },
        { "Driver", "x", SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, path, ERROR_INVALID_PARAMETER },
        { "Boot", "x", SERVICE_WIN32_OWN_PROCESS, SERVICE_BOOT_START, path, ERROR_INVALID_PARAMETER },
        { "NoBinary", "x", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, "", ERROR_INVALID_PARAMETER },
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(CreateServiceA(scm.get(), r.name, r.display, SERVICE_ALL_ACCESS, r.type, r.start, SERVICE_ERROR_NORMAL,
                                 r.binary, nullptr, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
        EXPECT_EQ(GetLastError(), r.error);
    }
    EXPECT_TRUE(tsm::readServiceDatabase().empty());

    {
        Sc created(CreateServiceA(scm.get(), "Probe Service", "Probe Service", SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path, nullptr,
                                  nullptr, dependencies, nullptr, nullptr));
        ASSERT_TRUE(created) << GetLastError();
        SERVICE_DESCRIPTIONA description { const_cast<LPSTR>("A probe") };
        EXPECT_TRUE(ChangeServiceConfig2A(created.get(), SERVICE_CONFIG_DESCRIPTION, &description));
        EXPECT_FALSE(ChangeServiceConfig2A(created.get(), 2, &description));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    }
    const std::vector<tsm::ServiceRecord> records = tsm::readServiceDatabase();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "Probe Service");
    EXPECT_EQ(records[0].binaryPath, path);
    EXPECT_EQ(records[0].serviceType, 16u);
    EXPECT_EQ(records[0].startType, 2u);
    EXPECT_EQ(records[0].errorControl, 1u);
    EXPECT_EQ(records[0].description, "A probe");
    EXPECT_EQ(records[0].dependencies, (std::vector<std::string> { "Base", "Other" }));

    // The same name in any case, or a display name already taken.
    EXPECT_EQ(CreateServiceA(scm.get(), "PROBE SERVICE", "x", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                             SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    EXPECT_EQ(CreateServiceA(scm.get(), "Second", "probe service", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                             SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME));
    EXPECT_EQ(OpenServiceA(scm.get(), "Missing", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

    // A handle opened for one right gets only that one.
    {
        Sc config(OpenServiceA(scm.get(), "probe service", SERVICE_QUERY_CONFIG));
        ASSERT_TRUE(config);
        SERVICE_STATUS status {};
        SERVICE_DESCRIPTIONA description { const_cast<LPSTR>("changed") };
        EXPECT_FALSE(QueryServiceStatus(config.get(), &status));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(StartServiceA(config.get(), 0, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(ControlService(config.get(), SERVICE_CONTROL_STOP, &status));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(ChangeServiceConfig2A(config.get(), SERVICE_CONFIG_DESCRIPTION, &description));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(DeleteService(config.get()));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        Sc stopOnly(OpenServiceA(scm.get(), "Probe Service", SERVICE_STOP));
        EXPECT_FALSE(ControlService(stopOnly.get(), SERVICE_CONTROL_INTERROGATE, &status));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }

    Sc all(OpenServiceA(scm.get(), "Probe Service", SERVICE_ALL_ACCESS));
    ASSERT_TRUE(all);
    SERVICE_STATUS status {};
    ASSERT_TRUE(QueryServiceStatus(all.get(), &status));
    EXPECT_EQ(status.dwServiceType, 16u);
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(ControlService(all.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    EXPECT_FALSE(ControlService(all.get(), 300, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(ControlService(all.get(), SERVICE_CONTROL_SHUTDOWN, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
    // The binary is not there yet.
    EXPECT_FALSE(StartServiceA(all.get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_TRUE(DeleteService(all.get()));
    EXPECT_FALSE(QueryServiceStatus(all.get(), &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(OpenServiceA(scm.get(), "Probe Service", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

    // Handles that are closed, or of another kind.
    SC_HANDLE loose = manager();
    EXPECT_TRUE(CloseServiceHandle(loose));
    EXPECT_FALSE(CloseServiceHandle(loose));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenServiceA(loose, "Probe Service", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(CloseServiceHandle(reinterpret_cast<SC_HANDLE>(event)));
    EXPECT_FALSE(DeleteService(scm.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(event);
}

TEST_F(Scm, AFailedDatabaseWriteInstallsNothing)
{
    Sc scm(manager());
    {
        tsm::PosixCallsOverride failing;
        failing.calls().rename = [](const char*, const char*) {
            errno = EIO;
            return -1;
        };
        EXPECT_EQ(CreateServiceA(scm.get(), "Probe", "Probe", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\x", nullptr, nullptr, nullptr, nullptr,
                                 nullptr),
                  nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANTWRITE));
    }
    EXPECT_TRUE(tsm::readServiceDatabase().empty());
    EXPECT_EQ(OpenServiceA(scm.get(), "Probe", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

    // A damaged record is reported, never half-read.
    Sc created(CreateServiceA(scm.get(), "Probe", "Probe", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                              SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\x", nullptr, nullptr, nullptr, nullptr,
                              nullptr));
    ASSERT_TRUE(created);
    for (const auto& entry : std::filesystem::directory_iterator(m_machine.root() + "/services"))
        if (entry.path().extension() == ".service")
            std::ofstream(entry.path()) << "TSM-SERVICE 1\nname\tProbe\ntype\tsixteen\n";
    std::size_t damaged = 0;
    EXPECT_TRUE(tsm::readServiceDatabase(&damaged).empty());
    EXPECT_EQ(damaged, 1u);
    SERVICE_STATUS status {};
    EXPECT_FALSE(QueryServiceStatus(created.get(), &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST_F(Scm, AProbeServiceStartsTakesControlsOnTheDispatcherThreadAndStops)
{
    installProbe("probe");
    Sc scm(manager());
    Sc service(OpenServiceA(scm.get(), "probe", SERVICE_ALL_ACCESS));
    ASSERT_TRUE(service);
    ASSERT_TRUE(start(service.get(), "probe")) << GetLastError();
    ASSERT_TRUE(becomes(service.get(), SERVICE_RUNNING));
    EXPECT_FALSE(StartServiceA(service.get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));

    SERVICE_STATUS status {};
    EXPECT_FALSE(ControlService(service.get(), SERVICE_CONTROL_PAUSE, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &status));
    EXPECT_TRUE(ControlService(service.get(), 200, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));

    // Deleting a running service marks it; it goes once it has stopped.
    EXPECT_TRUE(DeleteService(service.get()));
    EXPECT_FALSE(DeleteService(service.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    EXPECT_EQ(CreateServiceA(scm.get(), "probe", "probe", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                             SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\x", nullptr, nullptr, nullptr, nullptr,
                             nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));

    ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(status.dwCurrentState == SERVICE_STOP_PENDING || status.dwCurrentState == SERVICE_STOPPED)
        << status.dwCurrentState;
    for (int tries = 0; tries < 500 && OpenServiceA(scm.get(), "probe", SERVICE_QUERY_STATUS); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(tsm::readServiceDatabase().empty());

    std::ifstream in(m_machine.root() + "/probe-probe.controls");
    std::stringstream controls;
    controls << in.rdbuf();
    EXPECT_EQ(controls.str(), "4 main\n200 main\n1 main\n");
}

TEST_F(Scm, StatesThatRefuseControlsAndDependentsThatBlockAStop)
{
    installProbe("base");
    const char dependsOnBase[] = "BASE\0";
    installProbe("user", dependsOnBase);
    installProbe("slow");
    Sc scm(manager());
    Sc base(OpenServiceA(scm.get(), "base", SERVICE_ALL_ACCESS));
    Sc user(OpenServiceA(scm.get(), "user", SERVICE_ALL_ACCESS));
    Sc slow(OpenServiceA(scm.get(), "slow", SERVICE_ALL_ACCESS));
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
    EXPECT_GT(probePid("user"), 0);
    EXPECT_NE(probePid("base"), probePid("user"));

    SERVICE_STATUS status {};
    EXPECT_FALSE(ControlService(slow.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));

    EXPECT_FALSE(ControlService(base.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEPENDENT_SERVICES_RUNNING));
    EXPECT_EQ(state(base.get()), static_cast<DWORD>(SERVICE_RUNNING));
    ASSERT_TRUE(ControlService(user.get(), SERVICE_CONTROL_STOP, &status));
    ASSERT_TRUE(becomes(user.get(), SERVICE_STOPPED));
    EXPECT_TRUE(ControlService(base.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(becomes(base.get(), SERVICE_STOPPED));
}

TEST_F(Scm, AKilledServiceReadsAsAbortedAndStartsAgain)
{
    installProbe("probe");
    Sc scm(manager());
    Sc service(OpenServiceA(scm.get(), "probe", SERVICE_ALL_ACCESS));
    ASSERT_TRUE(start(service.get(), "probe"));
    ASSERT_TRUE(becomes(service.get(), SERVICE_RUNNING));
    const int first = probePid("probe");
    ASSERT_GT(first, 0);
    ASSERT_EQ(::kill(first, SIGKILL), 0);
    ASSERT_TRUE(becomes(service.get(), SERVICE_STOPPED));
    SERVICE_STATUS status {};
    ASSERT_TRUE(QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_PROCESS_ABORTED));
    EXPECT_FALSE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));

    ASSERT_TRUE(start(service.get(), "probe")) << GetLastError();
    ASSERT_TRUE(becomes(service.get(), SERVICE_RUNNING));
    EXPECT_NE(probePid("probe"), first);
    EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(becomes(service.get(), SERVICE_STOPPED));
}

TEST_F(Scm, ProcessesThatDoNotReportFailTheStart)
{
    // A binary that ends at once, one that never reports, a disabled service.
    Sc scm(manager());
    Sc quick(CreateServiceA(scm.get(), "quick", "quick", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                            SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "Z:\\bin\\true", nullptr, nullptr, nullptr,
                            nullptr, nullptr));
    ASSERT_TRUE(quick);
    const auto launched = std::chrono::steady_clock::now();
    EXPECT_FALSE(StartServiceA(quick.get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROCESS_ABORTED));
    EXPECT_LT(std::chrono::steady_clock::now() - launched, std::chrono::seconds(5));
    EXPECT_EQ(state(quick.get()), static_cast<DWORD>(SERVICE_STOPPED));

    installProbe("silent");
    Sc silent(OpenServiceA(scm.get(), "silent", SERVICE_ALL_ACCESS));
    ::setenv("TSM_PROBE_MODE", "silent", 1);
    ::setenv("TSM_SCM_START_TIMEOUT_MS", "400", 1);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(start(silent.get(), "silent"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3));

    Sc disabled(CreateServiceA(scm.get(), "off", "off", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                               SERVICE_DISABLED, SERVICE_ERROR_NORMAL, "Z:\\bin\\true", nullptr, nullptr, nullptr,
                               nullptr, nullptr));
    EXPECT_FALSE(StartServiceA(disabled.get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DISABLED));
}

TEST_F(Scm, ADispatcherNotStartedByTheManagerFailsAtOnce)
{
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(TSM_SERVICE_PROBE, TSM_SERVICE_PROBE, "direct", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string printed;
    char buffer[64];
    ssize_t got = 0;
    while ((got = ::read(out[0], buffer, sizeof buffer)) > 0)
        printed.append(buffer, static_cast<std::size_t>(got));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(printed, "1063\n");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);

    // In this process too: no dispatcher, no control handler, no status.
    SERVICE_TABLE_ENTRYA table[] = { { const_cast<LPSTR>("x"), [](DWORD, LPSTR*) {} }, { nullptr, nullptr } };
    EXPECT_FALSE(StartServiceCtrlDispatcherA(table));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
    EXPECT_EQ(RegisterServiceCtrlHandlerA("x", [](DWORD) {}), nullptr);
    SERVICE_STATUS record { 16, 4, 1, 0, 0, 0, 0 };
    EXPECT_FALSE(SetServiceStatus(nullptr, &record));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
