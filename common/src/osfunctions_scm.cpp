// NTService: the console side that talks to the service control manager:
// install, uninstall, start, stop and the two status queries.
#include "osfunctions_ntservice.h"

#include "osfunctions.h"
#include "tsm/win32handles.h"

#include <string>
#include <vector>

using tsm::UniqueLibrary;
using tsm::UniqueRegistryKey;
using tsm::UniqueServiceHandle;

namespace {

constexpr DWORD kStopTimeLimitMs = 30000;
const char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

UniqueServiceHandle openManager()
{
    return UniqueServiceHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

UniqueServiceHandle openService(const UniqueServiceHandle& manager, const std::string& name, DWORD dwAccess)
{
    return UniqueServiceHandle(OpenServiceA(manager.get(), name.c_str(), dwAccess));
}

// Sets the description through ChangeServiceConfig2A, looked up at run time
// because older systems do not have it.
void setDescription(SC_HANDLE hService, const std::string& description)
{
    const UniqueLibrary advapi(LoadLibraryA("advapi32.dll"));
    if (!advapi)
        return;
    // Through the generic function pointer type, as a typed cast of FARPROC.
    const auto change = reinterpret_cast<PFN_CHANGESERVICECONFIG2A>(
        reinterpret_cast<void (*)()>(GetProcAddress(advapi.get(), "ChangeServiceConfig2A")));
    if (!change)
        return;
    std::vector<char> text(description.begin(), description.end());
    text.push_back('\0');
    SERVICE_DESCRIPTIONA info{text.data()};
    change(hService, SERVICE_CONFIG_DESCRIPTION, &info);
}

} // namespace

bool NTService::Install()
{
    storeError(0);
    const UniqueServiceHandle manager = openManager();
    if (!manager) {
        storeError(GetLastError());
        return false;
    }
    const std::string path = executablePath();

    // A dependency list is a sequence of names, each ending in a zero byte,
    // closed by one more zero byte.
    std::string dependencyList = m_sDependencies;
    dependencyList.append(2, '\0');

    const UniqueServiceHandle service(CreateServiceA(manager.get(), m_sName.c_str(), m_sName.c_str(),
                                                     SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                                     SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr,
                                                     dependencyList.data(), nullptr, nullptr));
    if (!service) {
        storeError(GetLastError());
        return false;
    }
    setDescription(service.get(), m_sDescription);

    HKEY hKey = nullptr;
    const std::string keyName = kEventLogKey + m_sName;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    const UniqueRegistryKey key(hKey);

    RegSetValueExA(key.get(), "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    const DWORD dwTypes = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    RegSetValueExA(key.get(), "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwTypes), sizeof dwTypes);
    LogEvent(EVENTLOG_INFORMATION_TYPE, eEVENT_INSTALLED, m_sName.c_str());
    return true;
}

bool NTService::Uninstall()
{
    storeError(0);
    const UniqueServiceHandle manager = openManager();
    if (!manager) {
        storeError(GetLastError());
        return false;
    }
    const UniqueServiceHandle service = openService(manager, m_sName, DELETE);
    if (!service) {
        storeError(GetLastError());
        LogEvent(EVENTLOG_ERROR_TYPE, eEVENT_NOT_REMOVED, m_sName.c_str());
        return false;
    }
    if (!DeleteService(service.get())) {
        storeError(GetLastError());
        return false;
    }
    LogEvent(EVENTLOG_INFORMATION_TYPE, eEVENT_REMOVED, m_sName.c_str());
    return true;
}

bool NTService::Start()
{
    storeError(0);
    const UniqueServiceHandle manager = openManager();
    if (!manager) {
        storeError(GetLastError());
        return false;
    }
    const UniqueServiceHandle service = openService(manager, m_sName, SERVICE_ALL_ACCESS);
    if (!service || !StartServiceA(service.get(), 0, nullptr)) {
        storeError(GetLastError());
        return false;
    }
    return true;
}

bool NTService::Stop()
{
    storeError(0);
    const UniqueServiceHandle manager = openManager();
    if (!manager) {
        storeError(GetLastError());
        return false;
    }
    const UniqueServiceHandle service = openService(manager, m_sName, SERVICE_ALL_ACCESS);
    if (!service) {
        storeError(GetLastError());
        return false;
    }

    const ULONGLONG ullStartTicks = GetTickCount64();
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) {
        storeError(GetLastError());
        return false;
    }
    if (status.dwCurrentState == SERVICE_STOPPED)
        return true;
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        storeError(GetLastError());
        return false;
    }

    bool bStopped = true;
    while (bStopped && status.dwCurrentState == SERVICE_STOP_PENDING) {
        // A zero hint would make this a busy loop; wait a little at least.
        Sleep(status.dwWaitHint > 10 ? status.dwWaitHint : 10);
        if (!QueryServiceStatus(service.get(), &status) || GetTickCount64() - ullStartTicks > kStopTimeLimitMs) {
            storeError(GetLastError());
            bStopped = false;
        }
    }
    return bStopped;
}

bool NTService::IsStopped() const
{
    const UniqueServiceHandle manager = openManager();
    if (!manager)
        return false;
    const UniqueServiceHandle service = openService(manager, m_sName, SERVICE_ALL_ACCESS);
    SERVICE_STATUS status{};
    return service && QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_STOPPED;
}

bool NTService::IsInstalled() const
{
    const UniqueServiceHandle manager = openManager();
    if (!manager)
        return false;
    return static_cast<bool>(openService(manager, m_sName, SERVICE_QUERY_CONFIG));
}
