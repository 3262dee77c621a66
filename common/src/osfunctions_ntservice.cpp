// NTService: the service side, run by the dispatcher: ServiceMain, the
// control handler, status reports, event-log entries and trace lines.
#include "osfunctions_ntservice.h"

#include "osfunctions.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The one service object of the process, read by the callbacks that the
// service control manager calls without a context argument.
std::atomic<NTService*> g_pServiceInstance{nullptr};

unsigned long handleNumber(SERVICE_STATUS_HANDLE handle)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace

NTService::NTService(const std::string& name, const std::string& description, const std::string& dependencies)
    : m_sName(name), m_sDescription(description),
      m_hServiceStatus(nullptr), m_Status{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, SERVICE_ACCEPT_STOP, 0, 0, 0, 0},
      m_bIsRunning(false), m_hEventSource(nullptr), m_sDependencies(dependencies), m_dwLastError(0)
{
    g_pServiceInstance = this;
}

NTService::~NTService()
{
    Trace("NTService::~NTService()");
    if (m_hEventSource)
        DeregisterEventSource(m_hEventSource);
    NTService* self = this;
    g_pServiceInstance.compare_exchange_strong(self, nullptr);
}

NTService* NTService::instance()
{
    return g_pServiceInstance;
}

SERVICE_STATUS NTService::status() const
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    return m_Status;
}

bool NTService::StartDispatcher()
{
    Trace("Calling StartServiceCtrlDispatcher()");
    std::vector<char> name(m_sName.begin(), m_sName.end());
    name.push_back('\0');
    const SERVICE_TABLE_ENTRYA table[] = {{name.data(), &NTService::ServiceMain}, {nullptr, nullptr}};
    const BOOL dispatched = StartServiceCtrlDispatcherA(table);
    Trace("Returned from StartServiceCtrlDispatcher()");
    return dispatched != FALSE;
}

void WINAPI NTService::ServiceMain(DWORD, LPSTR*)
{
    if (NTService* service = instance())
        service->serviceMain();
}

void WINAPI NTService::Handler(DWORD dwControl)
{
    if (NTService* service = instance())
        service->handleControl(dwControl);
}

void NTService::serviceMain()
{
    Trace("Entering NTService::ServiceMain()");
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        m_Status.dwCurrentState = SERVICE_START_PENDING;
    }
    const SERVICE_STATUS_HANDLE hStatus = RegisterServiceCtrlHandlerA(m_sName.c_str(), &NTService::Handler);
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        m_hServiceStatus = hStatus;
    }
    if (!hStatus || !Initialize()) {
        LogEvent(EVENTLOG_ERROR_TYPE, eEVENT_CTRL_HANDLER_NOT_INSTALLED);
        SetStatus(SERVICE_STOPPED);
        Trace("Leaving NTService::ServiceMain()");
        return;
    }

    // Relative paths of the agent are relative to the executable's folder.
    const std::string path = executablePath();
    const auto backslash = path.find_last_of('\\');
    if (backslash != std::string::npos)
        SetCurrentDirectoryA(path.substr(0, backslash).c_str());

    m_bIsRunning = true;
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        m_Status.dwWin32ExitCode = 0;
        m_Status.dwCheckPoint = 0;
        m_Status.dwWaitHint = 0;
    }
    Run();
    SetStatus(SERVICE_STOPPED);
    Trace("Leaving NTService::ServiceMain()");
}

bool NTService::Initialize()
{
    Trace("Entering NTService::Initialize()");
    SetStatus(SERVICE_START_PENDING);
    const bool initialised = OnInit();
    const DWORD dwError = GetLastError();
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        m_Status.dwWin32ExitCode = dwError;
        m_Status.dwCheckPoint = 0;
        m_Status.dwWaitHint = 0;
    }
    if (initialised) {
        LogEvent(EVENTLOG_INFORMATION_TYPE, eEVENT_STARTED);
        SetStatus(SERVICE_RUNNING);
    } else {
        LogEvent(EVENTLOG_ERROR_TYPE, eEVENT_FAILED_INIT);
        SetStatus(SERVICE_STOPPED);
    }
    Trace("Leaving NTService::Initialize()");
    return initialised;
}

void NTService::SetStatus(DWORD dwState)
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    Trace("NTService::SetStatus(%lu, %lu)", handleNumber(m_hServiceStatus), static_cast<unsigned long>(dwState));
    m_Status.dwCurrentState = dwState;
    SetServiceStatus(m_hServiceStatus, &m_Status);
}

void NTService::reportStatus()
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    Trace("Updating status (%lu, %lu)", handleNumber(m_hServiceStatus),
          static_cast<unsigned long>(m_Status.dwCurrentState));
    SetServiceStatus(m_hServiceStatus, &m_Status);
}

void NTService::handleControl(DWORD dwControl)
{
    Trace("NTService::Handler(%lu)", static_cast<unsigned long>(dwControl));
    switch (dwControl) {
    case SERVICE_CONTROL_STOP:
        SetStatus(SERVICE_STOP_PENDING);
        OnStop();
        m_bIsRunning = false;
        LogEvent(EVENTLOG_INFORMATION_TYPE, eEVENT_STOPPED);
        break;
    case SERVICE_CONTROL_PAUSE:
        OnPause();
        break;
    case SERVICE_CONTROL_CONTINUE:
        OnContinue();
        break;
    case SERVICE_CONTROL_INTERROGATE:
        OnInterrogate();
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        OnShutdown();
        break;
    default:
        // Codes from 128 on belong to the service; nothing handles the rest.
        if (dwControl < 128 || !OnUserControl(dwControl))
            LogEvent(EVENTLOG_ERROR_TYPE, eEVENT_BAD_REQUEST);
        break;
    }
    reportStatus();
}

void NTService::Run()
{
    Trace("Entering NTService::Run()");
    while (m_bIsRunning) {
        Trace("Sleeping...");
        Sleep(5000);
    }
    Trace("Leaving NTService::Run()");
}

bool NTService::OnInit()
{
    Trace("NTService::OnInit()");
    return true;
}

void NTService::OnStop()
{
    Trace("NTService::OnStop()");
}

void NTService::OnInterrogate()
{
    Trace("NTService::OnInterrogate()");
}

void NTService::OnPause()
{
    Trace("NTService::OnPause()");
}

void NTService::OnContinue()
{
    Trace("NTService::OnContinue()");
}

void NTService::OnShutdown()
{
    Trace("NTService::OnShutdown()");
}

bool NTService::OnUserControl(DWORD dwControl)
{
    Trace("NTService::OnUserControl(%8.8lXH)", static_cast<unsigned long>(dwControl));
    return false;
}

void NTService::LogEvent(WORD wType, DWORD dwId, const char* pszS1, const char* pszS2, const char* pszS3)
{
    LPCSTR strings[3] = {};
    WORD wCount = 0;
    for (const char* text : {pszS1, pszS2, pszS3})
        if (text)
            strings[wCount++] = text;

    std::lock_guard<std::mutex> lock(m_eventMutex);
    if (!m_hEventSource)
        m_hEventSource = RegisterEventSourceA(nullptr, m_sName.c_str());
    if (m_hEventSource)
        ReportEventA(m_hEventSource, wType, 0, dwId, nullptr, wCount, 0, strings, nullptr);
}

void NTService::Trace(const char* pszFormat, ...) const
{
    char line[1024];
    const int prefix = std::snprintf(line, sizeof line, "[%s](%lu): ", m_sName.c_str(),
                                     static_cast<unsigned long>(GetCurrentThreadId()));
    // Room is kept for the line feed; a longer message is cut.
    std::size_t used = prefix < 0 ? 0 : static_cast<std::size_t>(prefix);
    if (used > sizeof line - 2)
        used = sizeof line - 2;
    va_list arguments;
    va_start(arguments, pszFormat);
    const int message = std::vsnprintf(line + used, sizeof line - 1 - used, pszFormat, arguments);
    va_end(arguments);
    if (message > 0)
        used += static_cast<std::size_t>(message);
    if (used > sizeof line - 2)
        used = sizeof line - 2;
    line[used] = '\n';
    line[used + 1] = '\0';
    OutputDebugStringA(line);
}
