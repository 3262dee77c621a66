// The installed agent seen from outside: its state as the service manager
// reports it and the processes that run its executable.
#ifndef TSM_TESTS_AGENTSERVICE_H
#define TSM_TESTS_AGENTSERVICE_H

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tsmtest {

// The service's current state; 0 when the manager or the service cannot be
// opened, so when it is not installed.
inline DWORD serviceState(const char* name = "Tarvion Storage Manager")
{
    SERVICE_STATUS status{};
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : nullptr;
    const bool queried = service && QueryServiceStatus(service, &status);
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return queried ? status.dwCurrentState : 0;
}

// The processes whose executable is the file at that path.
inline std::vector<int> processesRunning(const std::string& executable)
{
    std::vector<int> pids;
    std::error_code ignored;
    const auto target = std::filesystem::weakly_canonical(executable, ignored);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        std::error_code error;
        const int pid = std::atoi(entry.path().filename().c_str());
        if (pid > 0 && std::filesystem::read_symlink(entry.path() / "exe", error) == target && !error)
            pids.push_back(pid);
    }
    return pids;
}

} // namespace tsmtest

#endif
