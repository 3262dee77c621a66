// A small service for the manager tests. Started by the emulated manager it
// behaves as $TSM_PROBE_MODE says:
//   run (default)  reports running, accepts stop, stops when told
//   pending        stays start pending
//   stuck          on the stop control stays stop pending (wait hint 1000)
// It writes its process id, then each word after its name in brackets, to
// $TSM_MACHINE/probe-<name>.pid and one line per control to
// $TSM_MACHINE/probe-<name>.controls ("<code> main" when the
// handler ran on the dispatcher's thread). Started any other way it exits
// with 3. It ends itself once its
// machine's folder is gone, so a test that fails never leaves it behind.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

std::string g_name;
std::string g_mode;
DWORD g_mainThread = 0;
SERVICE_STATUS_HANDLE g_status = nullptr;
SERVICE_STATUS g_record{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0, 0};
HANDLE g_stop = nullptr;

std::string machineFile(const std::string& suffix)
{
    const char* root = std::getenv("TSM_MACHINE");
    return std::string(root ? root : ".") + "/probe-" + g_name + suffix;
}

void report(DWORD state, DWORD accepted)
{
    g_record.dwCurrentState = state;
    g_record.dwControlsAccepted = accepted;
    SetServiceStatus(g_status, &g_record);
}

void WINAPI handler(DWORD control)
{
    std::ofstream(machineFile(".controls"), std::ios::app)
        << control << (GetCurrentThreadId() == g_mainThread ? " main" : " other") << "\n";
    if (control == SERVICE_CONTROL_STOP) {
        g_record.dwWaitHint = 1000;
        report(SERVICE_STOP_PENDING, 0);
        if (g_mode != "stuck")
            SetEvent(g_stop);
    }
}

void WINAPI serviceMain(DWORD, LPSTR*)
{
    g_status = RegisterServiceCtrlHandlerA(g_name.c_str(), handler);
    if (!g_status)
        return;
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_mode == "pending") {
        report(SERVICE_START_PENDING, 0);
        Sleep(INFINITE);
    }
    report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP);
    WaitForSingleObject(g_stop, INFINITE);
    report(SERVICE_STOPPED, 0);
}

void endWithTheMachine()
{
    const char* root = std::getenv("TSM_MACHINE");
    if (!root)
        return;
    const std::string folder = root;
    std::thread([folder] {
        for (;;) {
            Sleep(500);
            if (::access(folder.c_str(), F_OK) != 0)
                ::_exit(0);
        }
    }).detach();
}

} // namespace

int main(int argc, char* argv[])
{
    g_name = argc > 1 ? argv[1] : "probe";
    const char* mode = std::getenv("TSM_PROBE_MODE");
    g_mode = mode ? mode : "run";
    g_mainThread = GetCurrentThreadId();
    endWithTheMachine();
    std::ofstream pid(machineFile(".pid"));
    pid << ::getpid();
    for (int index = 2; index < argc; ++index)
        pid << " [" << argv[index] << "]";
    pid << std::endl;
    std::vector<char> name(g_name.begin(), g_name.end());
    name.push_back('\0');
    const SERVICE_TABLE_ENTRYA table[] = {{name.data(), serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 3;
}
