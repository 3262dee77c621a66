// The service process's side of the manager: the control dispatcher, which
// reports back to the starting manager, runs the service thread and answers
// status queries and controls on its control socket (controls reach the
// handler on the dispatcher's own thread), and the status reports.
#include "handle_table.h"
#include "machinefiles.h"
#include "scm_channel.h"
#include "scm_database.h"
#include "tsm/neverdestroyed.h"

#include <windows.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace tsm::platform {

namespace {

constexpr auto kRequestLimit = std::chrono::milliseconds(2000);
constexpr auto kReportLimit = std::chrono::milliseconds(10000);
constexpr int kServiceThreadGraceMs = 5000;

// How long the dispatcher waits for the service thread once the service has
// stopped; TSM_SERVICE_GRACE_MS shortens or lengthens it (up to a minute).
int serviceThreadGraceMs()
{
    if (const char* text = std::getenv("TSM_SERVICE_GRACE_MS")) {
        const long value = std::strtol(text, nullptr, 10);
        if (value >= 0 && value <= 60000)
            return static_cast<int>(value);
    }
    return kServiceThreadGraceMs;
}

class StatusHandleObject : public KernelObject {};

// The dispatcher of this process; at most one runs.
struct Dispatcher {
    std::mutex mutex;
    bool active = false;
    std::string name;
    SERVICE_STATUS status{};
    LPHANDLER_FUNCTION handler = nullptr;
    HANDLE statusHandle = nullptr;
    UniqueFd wakeFd; // written when the service reports stopped
};

Dispatcher& dispatcher()
{
    static tsm::NeverDestroyed<Dispatcher> instance;
    return instance.get();
}

// Wakes the dispatcher's loop; the caller holds the state's lock.
void wakeLocked(const Dispatcher& state)
{
    if (state.wakeFd) {
        const char byte = 1;
        ssize_t ignored = ::write(state.wakeFd.get(), &byte, 1);
        (void)ignored;
    }
}

void wake(Dispatcher& state)
{
    std::lock_guard<std::mutex> lock(state.mutex);
    wakeLocked(state);
}

// What the service thread shares with the dispatcher. The thread owns it
// with the dispatcher, so a thread that outlives the dispatcher's wait still
// has its argument and its flag.
struct ServiceThread {
    std::string argument;
    LPSERVICE_MAIN_FUNCTIONA serviceMain = nullptr;
    std::atomic<bool> done{false};
};

// Whether the service's status accepts the control; 0 or the error to answer.
DWORD refusal(const SERVICE_STATUS& status, LPHANDLER_FUNCTION handler, DWORD control)
{
    if (status.dwCurrentState == SERVICE_STOPPED)
        return ERROR_SERVICE_NOT_ACTIVE;
    if (!handler)
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    if (control == SERVICE_CONTROL_INTERROGATE || control >= kFirstUserControl)
        return ERROR_SUCCESS;
    if (status.dwCurrentState == SERVICE_START_PENDING || status.dwCurrentState == SERVICE_STOP_PENDING)
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    DWORD needed = 0;
    switch (control) {
    case SERVICE_CONTROL_STOP:
        needed = SERVICE_ACCEPT_STOP;
        break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
        needed = SERVICE_ACCEPT_PAUSE_CONTINUE;
        break;
    case SERVICE_CONTROL_PARAMCHANGE:
        needed = SERVICE_ACCEPT_PARAMCHANGE;
        break;
    case SERVICE_CONTROL_NETBINDADD:
    case SERVICE_CONTROL_NETBINDREMOVE:
    case SERVICE_CONTROL_NETBINDENABLE:
    case SERVICE_CONTROL_NETBINDDISABLE:
        needed = SERVICE_ACCEPT_NETBINDCHANGE;
        break;
    default:
        return ERROR_INVALID_SERVICE_CONTROL;
    }
    return (status.dwControlsAccepted & needed) ? ERROR_SUCCESS : ERROR_INVALID_SERVICE_CONTROL;
}

SERVICE_STATUS currentStatus(Dispatcher& state)
{
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.status;
}

void serve(Dispatcher& state, const Socket& connection)
{
    std::string request;
    if (!readLine(connection, request, kRequestLimit))
        return;
    if (request == "QUERY") {
        sendLine(connection, encodeStatusReply(currentStatus(state)));
        return;
    }
    DWORD control = 0;
    const std::string prefix = "CONTROL ";
    const std::string number = request.compare(0, prefix.size(), prefix) == 0 ? request.substr(prefix.size()) : "";
    if (number.empty() || number.size() > 10 || number.find_first_not_of("0123456789") != std::string::npos) {
        sendLine(connection, encodeStatusReply(currentStatus(state), ERROR_INVALID_PARAMETER));
        return;
    }
    control = static_cast<DWORD>(std::stoul(number));
    SERVICE_STATUS status{};
    LPHANDLER_FUNCTION handler = nullptr;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        status = state.status;
        handler = state.handler;
    }
    if (const DWORD error = refusal(status, handler, control)) {
        sendLine(connection, encodeStatusReply(status, error));
        return;
    }
    handler(control);
    sendLine(connection, encodeStatusReply(currentStatus(state)));
}

// Tells the starting manager that this process runs the service.
bool reportStarted(const std::string& startSocket)
{
    Socket socket;
    std::string reply;
    return connectTo(startSocket, socket) == ConnectResult::eCONNECTED &&
           sendLine(socket, "STARTED " + std::to_string(::getpid())) && readLine(socket, reply, kReportLimit) &&
           reply == "OK";
}

bool isStopped(Dispatcher& state)
{
    return currentStatus(state).dwCurrentState == SERVICE_STOPPED;
}

// Serves the control socket until the service has stopped or its thread ended.
void dispatchUntilStopped(Dispatcher& state, const Socket& listener, int wakeRead, const ServiceThread& thread)
{
    while (!thread.done.load() && !isStopped(state)) {
        pollfd ready[2] = {{listener.get(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
        if (::poll(ready, 2, 500) <= 0)
            continue;
        if (ready[1].revents & POLLIN) {
            char drained[16];
            ssize_t ignored = ::read(wakeRead, drained, sizeof drained);
            (void)ignored;
        }
        if (ready[0].revents & POLLIN) {
            Socket connection = acceptWithin(listener, 0);
            if (connection)
                serve(state, connection);
        }
    }
}

} // namespace

} // namespace tsm::platform

using namespace tsm::platform;

BOOL WINAPI StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* lpServiceStartTable)
{
    if (!lpServiceStartTable || !lpServiceStartTable[0].lpServiceName || !lpServiceStartTable[0].lpServiceProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Only a process that the manager started knows where to report.
    const char* serviceName = std::getenv("TSM_SERVICE_NAME");
    const char* startSocketText = std::getenv("TSM_SERVICE_START");
    if (!serviceName || !startSocketText || !*serviceName || !*startSocketText) {
        SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
        return FALSE;
    }
    Dispatcher& state = dispatcher();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.active) {
            SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
            return FALSE;
        }
        state.active = true;
        state.name = serviceName;
        state.status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0, 0};
        state.handler = nullptr;
        state.statusHandle = nullptr;
    }
    const std::string name = serviceName;
    const std::string startSocket = startSocketText;
    // Processes this service starts are not services themselves.
    ::unsetenv("TSM_SERVICE_NAME");
    ::unsetenv("TSM_SERVICE_START");

    const auto deactivate = [&state] {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.active = false;
        state.handler = nullptr;
        if (state.statusHandle)
            closeHandle(state.statusHandle);
        state.statusHandle = nullptr;
        state.wakeFd.reset();
    };
    const std::string socketPath = serviceSocketPath(name);
    Socket listener;
    int wakePipe[2] = {-1, -1};
    if (!listenAt(socketPath, listener) || ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::unlink(socketPath.c_str());
        deactivate();
        SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
        return FALSE;
    }
    const tsm::UniqueFd wakeRead(wakePipe[0]);
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.wakeFd.reset(wakePipe[1]);
    }
    if (!reportStarted(startSocket)) {
        listener.reset();
        ::unlink(socketPath.c_str());
        deactivate();
        SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
        return FALSE;
    }

    const auto shared = std::make_shared<ServiceThread>();
    shared->argument = lpServiceStartTable[0].lpServiceName;
    shared->serviceMain = lpServiceStartTable[0].lpServiceProc;
    std::thread serviceThread([shared, &state] {
        LPSTR arguments[] = {shared->argument.data(), nullptr};
        shared->serviceMain(1, arguments);
        shared->done = true;
        wake(state); // the state lives until the process ends
    });
    dispatchUntilStopped(state, listener, wakeRead.get(), *shared);

    // The service thread normally leaves ServiceMain right after it
    // reported stopped; it gets a little time for that.
    const int graceMs = serviceThreadGraceMs();
    for (int waited = 0; !shared->done.load() && waited < graceMs; waited += 10)
        ::usleep(10000);
    if (shared->done.load())
        serviceThread.join();
    else
        serviceThread.detach();

    listener.reset();
    ::unlink(socketPath.c_str());
    deactivate();
    tsm::ServiceRecord record;
    if (loadServiceRecord(name, record) == RecordRead::eFOUND && record.markedForDelete) {
        MachineFileLock lock(databaseLockPath());
        removeServiceRecord(name);
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerA(LPCSTR lpServiceName, LPHANDLER_FUNCTION lpHandlerProc)
{
    Dispatcher& state = dispatcher();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.active) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    if (!lpServiceName || !lpHandlerProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A process of its own runs one service, so the name is not checked.
    if (!state.statusHandle)
        state.statusHandle = registerHandle(std::make_shared<StatusHandleObject>());
    state.handler = lpHandlerProc;
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<SERVICE_STATUS_HANDLE>(state.statusHandle);
}

BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE hServiceStatus, LPSERVICE_STATUS lpServiceStatus)
{
    Dispatcher& state = dispatcher();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.active || !hServiceStatus || reinterpret_cast<HANDLE>(hServiceStatus) != state.statusHandle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpServiceStatus) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpServiceStatus->dwCurrentState < SERVICE_STOPPED || lpServiceStatus->dwCurrentState > SERVICE_PAUSED) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    state.status = *lpServiceStatus;
    if (state.status.dwCurrentState == SERVICE_STOPPED)
        wakeLocked(state);
    return TRUE;
}
