// The service control manager calls of the console side: the manager, the
// database of installed services and the controls sent to running ones.
#include "machinefiles.h"
#include "scm_channel.h"
#include "scm_database.h"
#include "scm_objects.h"

#include <windows.h>

#include <strings.h>

#include <cctype>
#include <cstring>

namespace tsm::platform {

namespace {

constexpr std::size_t kMaxServiceNameLength = 256;
constexpr auto kQueryReplyLimit = std::chrono::milliseconds(10000);
constexpr auto kControlReplyLimit = std::chrono::milliseconds(30000);

template <class T>
std::shared_ptr<T> objectOf(SC_HANDLE handle)
{
    return lookupHandleAs<T>(reinterpret_cast<HANDLE>(handle));
}

SC_HANDLE handleOf(std::shared_ptr<KernelObject> object)
{
    return reinterpret_cast<SC_HANDLE>(registerHandle(std::move(object)));
}

template <class R>
R fail(DWORD error, R result)
{
    SetLastError(error);
    return result;
}

bool isLocalMachine(const char* machine)
{
    if (!machine || !*machine)
        return true;
    const std::string name = machine;
    return name == "\\\\." || name == "." || ::strcasecmp(name.c_str(), "\\\\localhost") == 0 ||
           ::strcasecmp(name.c_str(), "localhost") == 0;
}

DWORD validateServiceName(const char* name)
{
    if (!name)
        return ERROR_INVALID_PARAMETER;
    const std::string text = name;
    if (text.empty() || text.size() > kMaxServiceNameLength || text.find_first_of("/\\") != std::string::npos)
        return ERROR_INVALID_NAME;
    return ERROR_SUCCESS;
}

// Reads the record a service handle names; 1060 if it has gone meanwhile.
DWORD recordOf(const ServiceObject& service, ServiceRecord& record)
{
    switch (loadServiceRecord(service.name(), record)) {
    case RecordRead::eFOUND:
        return ERROR_SUCCESS;
    case RecordRead::eMISSING:
        return ERROR_SERVICE_DOES_NOT_EXIST;
    case RecordRead::eDAMAGED:
        break;
    }
    return ERROR_INVALID_DATA;
}

// A service marked for deletion goes once it is seen stopped.
void removeIfDeletedAndStopped(const ServiceRecord& record, const SERVICE_STATUS& status)
{
    if (record.markedForDelete && status.dwCurrentState == SERVICE_STOPPED) {
        MachineFileLock lock(databaseLockPath());
        removeServiceRecord(record.name);
    }
}

std::vector<std::string> dependencyList(const char* list)
{
    // Names each ending in a zero byte, the list in one more.
    std::vector<std::string> names;
    if (!list)
        return names;
    while (*list) {
        names.emplace_back(list);
        list += std::strlen(list) + 1;
    }
    return names;
}

bool isDefinedControl(DWORD control)
{
    return (control >= SERVICE_CONTROL_STOP && control <= SERVICE_CONTROL_NETBINDDISABLE) ||
           (control >= kFirstUserControl && control <= kLastUserControl);
}

DWORD accessForControl(DWORD control)
{
    switch (control) {
    case SERVICE_CONTROL_STOP:
        return SERVICE_STOP;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
    case SERVICE_CONTROL_PARAMCHANGE:
    case SERVICE_CONTROL_NETBINDADD:
    case SERVICE_CONTROL_NETBINDREMOVE:
    case SERVICE_CONTROL_NETBINDENABLE:
    case SERVICE_CONTROL_NETBINDDISABLE:
        return SERVICE_PAUSE_CONTINUE;
    case SERVICE_CONTROL_INTERROGATE:
        return SERVICE_INTERROGATE;
    default:
        return SERVICE_USER_DEFINED_CONTROL;
    }
}

// A running service that names this one among its dependencies.
bool hasRunningDependents(const std::string& name)
{
    for (const ServiceRecord& other : readServiceDatabase()) {
        if (sameServiceName(other.name, name))
            continue;
        for (const std::string& dependency : other.dependencies) {
            SERVICE_STATUS status{};
            if (sameServiceName(dependency, name) && liveServiceStatus(other.name, status, nullptr) &&
                status.dwCurrentState != SERVICE_STOPPED)
                return true;
        }
    }
    return false;
}

} // namespace

bool liveServiceStatus(const std::string& name, SERVICE_STATUS& status, DWORD* error)
{
    status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
    Socket socket;
    switch (connectTo(serviceSocketPath(name), socket)) {
    case ConnectResult::eNO_LISTENER:
        return true;
    case ConnectResult::eREFUSED:
        status.dwWin32ExitCode = ERROR_PROCESS_ABORTED;
        return true;
    case ConnectResult::eFAILED:
        if (error)
            *error = ERROR_SERVICE_REQUEST_TIMEOUT;
        return false;
    case ConnectResult::eCONNECTED:
        break;
    }
    std::string reply;
    DWORD refused = ERROR_SUCCESS;
    if (!sendLine(socket, "QUERY") || !readLine(socket, reply, kQueryReplyLimit) ||
        !decodeStatusReply(reply, status, refused) || refused != ERROR_SUCCESS) {
        // A process that closed the connection is ending: it reads as stopped.
        if (reply.empty()) {
            status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
            return true;
        }
        if (error)
            *error = ERROR_SERVICE_REQUEST_TIMEOUT;
        return false;
    }
    return true;
}

} // namespace tsm::platform

using namespace tsm::platform;
using tsm::ServiceRecord;
using tsm::readServiceDatabase;

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess)
{
    if (!isLocalMachine(lpMachineName))
        return fail<SC_HANDLE>(RPC_S_SERVER_UNAVAILABLE, nullptr);
    if (lpDatabaseName && ::strcasecmp(lpDatabaseName, "ServicesActive") != 0)
        return fail<SC_HANDLE>(ERROR_DATABASE_DOES_NOT_EXIST, nullptr);
    if (serviceFolder().empty())
        return fail<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
    SetLastError(ERROR_SUCCESS);
    // Connecting is part of every manager handle.
    return handleOf(std::make_shared<ManagerObject>(dwDesiredAccess | SC_MANAGER_CONNECT));
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName, DWORD dwDesiredAccess,
                                DWORD dwServiceType, DWORD dwStartType, DWORD dwErrorControl, LPCSTR lpBinaryPathName,
                                LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCSTR lpDependencies,
                                LPCSTR lpServiceStartName, LPCSTR)
{
    const auto manager = objectOf<ManagerObject>(hSCManager);
    if (!manager)
        return fail<SC_HANDLE>(ERROR_INVALID_HANDLE, nullptr);
    if (!manager->allows(SC_MANAGER_CREATE_SERVICE))
        return fail<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
    if (const DWORD invalid = validateServiceName(lpServiceName))
        return fail<SC_HANDLE>(invalid, nullptr);
    const DWORD baseType = dwServiceType & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS);
    if ((baseType != SERVICE_WIN32_OWN_PROCESS && baseType != SERVICE_WIN32_SHARE_PROCESS) ||
        dwStartType < SERVICE_AUTO_START || dwStartType > SERVICE_DISABLED || dwErrorControl > SERVICE_ERROR_CRITICAL ||
        !lpBinaryPathName || !*lpBinaryPathName || lpdwTagId || (lpLoadOrderGroup && *lpLoadOrderGroup))
        return fail<SC_HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
    if (lpServiceStartName && ::strcasecmp(lpServiceStartName, "LocalSystem") != 0 &&
        ::strcasecmp(lpServiceStartName, ".\\LocalSystem") != 0)
        return fail<SC_HANDLE>(ERROR_INVALID_SERVICE_ACCOUNT, nullptr);

    ServiceRecord record;
    record.name = lpServiceName;
    record.displayName = lpDisplayName && *lpDisplayName ? lpDisplayName : lpServiceName;
    record.serviceType = dwServiceType;
    record.startType = dwStartType;
    record.errorControl = dwErrorControl;
    record.binaryPath = lpBinaryPathName;
    record.dependencies = dependencyList(lpDependencies);
    for (const std::string& dependency : record.dependencies)
        if (sameServiceName(dependency, record.name))
            return fail<SC_HANDLE>(ERROR_CIRCULAR_DEPENDENCY, nullptr);

    MachineFileLock lock(databaseLockPath());
    ServiceRecord existing;
    switch (loadServiceRecord(record.name, existing)) {
    case RecordRead::eFOUND:
        return fail<SC_HANDLE>(existing.markedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS,
                               nullptr);
    case RecordRead::eDAMAGED:
        return fail<SC_HANDLE>(ERROR_SERVICE_EXISTS, nullptr);
    case RecordRead::eMISSING:
        break;
    }
    for (const ServiceRecord& other : readServiceDatabase())
        if (sameServiceName(other.displayName, record.displayName) || sameServiceName(other.name, record.displayName))
            return fail<SC_HANDLE>(ERROR_DUPLICATE_SERVICE_NAME, nullptr);
    if (!storeServiceRecord(record))
        return fail<SC_HANDLE>(ERROR_CANTWRITE, nullptr);
    SetLastError(ERROR_SUCCESS);
    return handleOf(std::make_shared<ServiceObject>(record.name, dwDesiredAccess));
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess)
{
    const auto manager = objectOf<ManagerObject>(hSCManager);
    if (!manager)
        return fail<SC_HANDLE>(ERROR_INVALID_HANDLE, nullptr);
    if (const DWORD invalid = validateServiceName(lpServiceName))
        return fail<SC_HANDLE>(invalid, nullptr);
    ServiceRecord record;
    switch (loadServiceRecord(lpServiceName, record)) {
    case RecordRead::eMISSING:
        return fail<SC_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
    case RecordRead::eDAMAGED:
        return fail<SC_HANDLE>(ERROR_INVALID_DATA, nullptr);
    case RecordRead::eFOUND:
        break;
    }
    if (record.markedForDelete) {
        SERVICE_STATUS status{};
        if (liveServiceStatus(record.name, status, nullptr) && status.dwCurrentState == SERVICE_STOPPED) {
            removeIfDeletedAndStopped(record, status);
            return fail<SC_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
        }
    }
    SetLastError(ERROR_SUCCESS);
    return handleOf(std::make_shared<ServiceObject>(record.name, dwDesiredAccess));
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject)
{
    if (!objectOf<ManagerObject>(hSCObject) && !objectOf<ServiceObject>(hSCObject))
        return fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
    closeHandle(reinterpret_cast<HANDLE>(hSCObject));
    return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE hService)
{
    const auto service = objectOf<ServiceObject>(hService);
    if (!service)
        return fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
    if (!service->allows(DELETE))
        return fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
    MachineFileLock lock(databaseLockPath());
    ServiceRecord record;
    if (const DWORD error = recordOf(*service, record))
        return fail<BOOL>(error, FALSE);
    if (record.markedForDelete)
        return fail<BOOL>(ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
    SERVICE_STATUS status{};
    const bool stopped = liveServiceStatus(record.name, status, nullptr) && status.dwCurrentState == SERVICE_STOPPED;
    // A running service is only marked; it goes when it stops.
    const bool done =
        stopped ? removeServiceRecord(record.name) : (record.markedForDelete = true, storeServiceRecord(record));
    return done ? TRUE : fail<BOOL>(ERROR_CANTWRITE, FALSE);
}

BOOL WINAPI StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR*)
{
    const auto service = objectOf<ServiceObject>(hService);
    if (!service)
        return fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
    if (!service->allows(SERVICE_START))
        return fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
    // Start arguments are not passed on; the agent starts without any.
    if (dwNumServiceArgs != 0)
        return fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
    MachineFileLock lock(serviceLockPath(service->name()));
    ServiceRecord record;
    if (const DWORD error = recordOf(*service, record))
        return fail<BOOL>(error, FALSE);
    if (record.markedForDelete)
        return fail<BOOL>(ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
    if (record.startType == SERVICE_DISABLED)
        return fail<BOOL>(ERROR_SERVICE_DISABLED, FALSE);
    SERVICE_STATUS status{};
    DWORD error = ERROR_SUCCESS;
    if (!liveServiceStatus(record.name, status, &error))
        return fail<BOOL>(error, FALSE);
    if (status.dwCurrentState != SERVICE_STOPPED)
        return fail<BOOL>(ERROR_SERVICE_ALREADY_RUNNING, FALSE);
    if (const DWORD launched = launchService(record.name, record.binaryPath))
        return fail<BOOL>(launched, FALSE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus)
{
    const auto service = objectOf<ServiceObject>(hService);
    if (!service)
        return fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
    if (!service->allows(SERVICE_QUERY_STATUS))
        return fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
    if (!lpServiceStatus)
        return fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
    ServiceRecord record;
    if (const DWORD error = recordOf(*service, record))
        return fail<BOOL>(error, FALSE);
    SERVICE_STATUS status{};
    DWORD error = ERROR_SUCCESS;
    if (!liveServiceStatus(record.name, status, &error))
        return fail<BOOL>(error, FALSE);
    status.dwServiceType = record.serviceType;
    *lpServiceStatus = status;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus)
{
    const auto service = objectOf<ServiceObject>(hService);
    if (!service)
        return fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
    if (!lpServiceStatus || !isDefinedControl(dwControl))
        return fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
    if (!service->allows(accessForControl(dwControl)))
        return fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
    // Only the system sends the shutdown control.
    if (dwControl == SERVICE_CONTROL_SHUTDOWN)
        return fail<BOOL>(ERROR_INVALID_SERVICE_CONTROL, FALSE);
    ServiceRecord record;
    if (const DWORD error = recordOf(*service, record))
        return fail<BOOL>(error, FALSE);
    if (dwControl == SERVICE_CONTROL_STOP && hasRunningDependents(record.name))
        return fail<BOOL>(ERROR_DEPENDENT_SERVICES_RUNNING, FALSE);

    Socket socket;
    const ConnectResult connected = connectTo(serviceSocketPath(record.name), socket);
    if (connected == ConnectResult::eNO_LISTENER || connected == ConnectResult::eREFUSED) {
        *lpServiceStatus = {record.serviceType, SERVICE_STOPPED, 0, 0, 0, 0, 0};
        return fail<BOOL>(ERROR_SERVICE_NOT_ACTIVE, FALSE);
    }
    std::string reply;
    const auto sent = std::chrono::steady_clock::now();
    if (connected != ConnectResult::eCONNECTED || !sendLine(socket, "CONTROL " + std::to_string(dwControl)) ||
        !readLine(socket, reply, kControlReplyLimit)) {
        // A connection closed before the time limit: the process was ending.
        if (connected == ConnectResult::eCONNECTED && reply.empty() &&
            std::chrono::steady_clock::now() - sent < kControlReplyLimit) {
            *lpServiceStatus = {record.serviceType, SERVICE_STOPPED, 0, 0, 0, 0, 0};
            return fail<BOOL>(ERROR_SERVICE_NOT_ACTIVE, FALSE);
        }
        return fail<BOOL>(ERROR_SERVICE_REQUEST_TIMEOUT, FALSE);
    }
    DWORD refused = ERROR_SUCCESS;
    if (!decodeStatusReply(reply, *lpServiceStatus, refused))
        return fail<BOOL>(ERROR_INVALID_DATA, FALSE);
    if (refused != ERROR_SUCCESS)
        return fail<BOOL>(refused, FALSE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI ChangeServiceConfig2A(SC_HANDLE hService, DWORD dwInfoLevel, LPVOID lpInfo)
{
    const auto service = objectOf<ServiceObject>(hService);
    if (!service)
        return fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
    if (!service->allows(SERVICE_CHANGE_CONFIG))
        return fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
    if (dwInfoLevel != SERVICE_CONFIG_DESCRIPTION)
        return fail<BOOL>(ERROR_INVALID_LEVEL, FALSE);
    if (!lpInfo)
        return fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
    const auto* info = static_cast<const SERVICE_DESCRIPTIONA*>(lpInfo);
    if (!info->lpDescription)
        return TRUE; // a null description leaves it unchanged
    MachineFileLock lock(databaseLockPath());
    ServiceRecord record;
    if (const DWORD error = recordOf(*service, record))
        return fail<BOOL>(error, FALSE);
    if (record.markedForDelete)
        return fail<BOOL>(ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
    record.description = info->lpDescription;
    return storeServiceRecord(record) ? TRUE : fail<BOOL>(ERROR_CANTWRITE, FALSE);
}
