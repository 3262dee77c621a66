// Service framework in-process: trace lines, the control handler's dispatch,
// start-up outside the dispatcher and the hand-over of the stop control.
#include "eventually.h"
#include "osfunctions.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <tsm/machine.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

namespace {

class ProbeService : public NTService {
public:
    explicit ProbeService(bool initialises = true)
        : NTService("Probe Service", "A service for tests", ""), m_bInitialises(initialises)
    {
    }

protected:
    bool OnInit() override
    {
        Trace("ProbeService::OnInit()");
        return m_bInitialises;
    }

private:
    bool m_bInitialises;
};

class FakeApplication : public ServiceApplication {
public:
    explicit FakeApplication(bool starts) : m_bStarts(starts) {}
    std::string name() const override { return "Fake Application"; }
    std::string description() const override { return "Fake description"; }
    std::string dependencies() const override { return ""; }
    bool startup() override { return ++startups, started.set_value(), m_bStarts; }
    void shutdown() override { ++shutdowns; }

    std::atomic<int> startups{0};
    std::atomic<int> shutdowns{0};
    std::promise<void> started;

private:
    bool m_bStarts;
};

class RunnableApplicationService : public ApplicationService {
public:
    using ApplicationService::ApplicationService;
    using ApplicationService::Run;
};

class ServiceFramework : public ::testing::Test {
protected:
    // Trace lines written since the last call, without their prefix; a line
    // with another prefix than the service's and this thread's fails.
    std::vector<std::string> newTrace(const std::string& name = "Probe Service")
    {
        const std::string text = m_machine.read("debug-output.log");
        const std::string fresh = text.substr(m_consumed);
        m_consumed = text.size();
        const std::string prefix = "[" + name + "](" + std::to_string(GetCurrentThreadId()) + "): ";
        std::vector<std::string> lines;
        std::istringstream in(fresh);
        std::string line;
        while (std::getline(in, line)) {
            EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
            lines.push_back(line.substr(std::min(prefix.size(), line.size())));
        }
        return lines;
    }

    tsmtest::TempMachine m_machine;
    std::size_t m_consumed = 0;
};

} // namespace

// (Formatted lines with their prefix are read back by every test here.)
TEST_F(ServiceFramework, TraceCutsALongLineToItsBuffer)
{
    ProbeService service;
    const std::string longText(3000, 'x');
    service.Trace("%s", longText.c_str());
    const std::string text = m_machine.read("debug-output.log").substr(m_consumed);
    EXPECT_TRUE(text.size() > 900 && text.size() <= 1024) << text.size();
    EXPECT_EQ(text.find('\n'), text.size() - 1);
}

TEST_F(ServiceFramework, ServiceMainOutsideTheDispatcherStopsAndTheHandlerDispatchesEachControlCode)
{
    const std::vector<std::pair<DWORD, std::vector<std::string>>> cases = {
        {2, {"NTService::Handler(2)", "NTService::OnPause()", "Updating status (0, 1)"}},
        {3, {"NTService::Handler(3)", "NTService::OnContinue()", "Updating status (0, 1)"}},
        {4, {"NTService::Handler(4)", "NTService::OnInterrogate()", "Updating status (0, 1)"}},
        {5, {"NTService::Handler(5)", "NTService::OnShutdown()", "Updating status (0, 1)"}},
        {6, {"NTService::Handler(6)", "Updating status (0, 1)"}},
        {127, {"NTService::Handler(127)", "Updating status (0, 1)"}},
        {128, {"NTService::Handler(128)", "NTService::OnUserControl(00000080H)", "Updating status (0, 1)"}},
        {255, {"NTService::Handler(255)", "NTService::OnUserControl(000000FFH)", "Updating status (0, 1)"}},
        {1, {"NTService::Handler(1)", "NTService::SetStatus(0, 3)", "NTService::OnStop()", "Updating status (0, 3)"}},
    };
    // A new service is stopped; ServiceMain outside the dispatcher stops at once.
    ProbeService service;
    const SERVICE_STATUS s = service.status();
    EXPECT_EQ(std::vector<DWORD>({s.dwServiceType, s.dwCurrentState, s.dwControlsAccepted, s.dwWin32ExitCode,
                                  s.dwServiceSpecificExitCode, s.dwCheckPoint, s.dwWaitHint, service.lastError()}),
              std::vector<DWORD>({16, 1, 1, 0, 0, 0, 0, 0}));
    NTService::ServiceMain(0, nullptr);
    EXPECT_EQ(newTrace(), (std::vector<std::string>{"Entering NTService::ServiceMain()", "NTService::SetStatus(0, 1)",
                                                    "Leaving NTService::ServiceMain()"}));
    EXPECT_FALSE(service.isRunning());
    for (const auto& [code, trace] : cases) {
        SCOPED_TRACE(code);
        NTService::Handler(code);
        EXPECT_EQ(newTrace(), trace);
    }
    EXPECT_EQ(service.status().dwCurrentState, 3u);
}

// (A succeeding OnInit is traced by the agent's own start in its service test.)
TEST_F(ServiceFramework, InitializeReportsStoppedWhenOnInitFails)
{
    {
        ProbeService service(false);
        EXPECT_FALSE(service.Initialize());
        EXPECT_EQ(newTrace(),
                  (std::vector<std::string>{"Entering NTService::Initialize()", "NTService::SetStatus(0, 2)",
                                            "ProbeService::OnInit()", "NTService::SetStatus(0, 1)",
                                            "Leaving NTService::Initialize()"}));
        EXPECT_EQ(service.status().dwCurrentState, 1u);
    }
    EXPECT_EQ(newTrace(), (std::vector<std::string>{"NTService::~NTService()"}));
}

TEST_F(ServiceFramework, ApplicationServiceRunsTheApplicationUntilTheStopControl)
{
    auto* application = new FakeApplication(true);
    RunnableApplicationService service{CountedPtr<ServiceApplication>(application)};

    std::future<void> started = application->started.get_future();
    std::thread serviceThread([&] { service.Run(); });
    // The done event exists before startup runs, so a stop sent once the
    // application has started is never lost, whether Run waits yet or not.
    started.wait();
    EXPECT_EQ(application->shutdowns, 0);
    NTService::Handler(SERVICE_CONTROL_STOP);
    serviceThread.join();
    EXPECT_EQ(std::pair(application->startups.load(), application->shutdowns.load()), std::pair(1, 1));

    // A startup that fails ends Run at once, without a shutdown.
    auto* failing = new FakeApplication(false);
    RunnableApplicationService failingService{CountedPtr<ServiceApplication>(failing)};
    failingService.Run();
    EXPECT_EQ(std::pair(failing->startups.load(), failing->shutdowns.load()), std::pair(1, 0));
}

TEST_F(ServiceFramework, StopGivesUpOnAServiceThatStaysStopPendingBeyondThirtySeconds)
{
    // A probe service that, told to stop, reports stop pending for ever.
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    const std::string binary = "\"" + tsm::hostToDos(TSM_SERVICE_PROBE) + "\" stuck";
    SC_HANDLE created = CreateServiceA(manager, "Probe Service", "Probe Service", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(created, nullptr) << GetLastError();
    ::setenv("TSM_PROBE_MODE", "stuck", 1);
    ProbeService service;
    ASSERT_TRUE(service.Start()) << service.lastError();
    ::unsetenv("TSM_PROBE_MODE");
    SERVICE_STATUS status{};
    tsmtest::eventually([&] { return QueryServiceStatus(created, &status) && status.dwCurrentState == 4; },
                        std::chrono::seconds(5));
    // (IsInstalled and IsStopped of a running service decide the agent's
    // uninstall in its service test.)
    ASSERT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));

    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(service.Stop());
    const auto waited = std::chrono::steady_clock::now() - began;
    EXPECT_TRUE(waited >= std::chrono::seconds(30) && waited < std::chrono::seconds(40)) << waited.count();
    ASSERT_TRUE(QueryServiceStatus(created, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_FALSE(service.IsStopped());
    // Asked again, the stop pending service refuses the control at once.
    EXPECT_FALSE(service.Stop());
    EXPECT_EQ(service.lastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));

    int pid = 0;
    std::ifstream(m_machine.root() + "/probe-stuck.pid") >> pid;
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    CloseServiceHandle(created);
    CloseServiceHandle(manager);
}
