// NTService: a Windows service of its own process. It installs, removes,
// starts and stops itself through the service control manager, runs the
// dispatcher, reports its states and writes its event-log entries and trace.
#ifndef TSM_OSFUNCTIONS_NTSERVICE_H
#define TSM_OSFUNCTIONS_NTSERVICE_H

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

// Event identifiers of the executable's message table.
enum ServiceEventId : DWORD {
    eEVENT_INSTALLED = 100,
    eEVENT_REMOVED = 101,
    eEVENT_NOT_REMOVED = 102,
    eEVENT_CTRL_HANDLER_NOT_INSTALLED = 103,
    eEVENT_FAILED_INIT = 104,
    eEVENT_STARTED = 105,
    eEVENT_BAD_REQUEST = 106,
    eEVENT_STOPPED = 108,
};

class NTService {
public:
    NTService(const std::string& name, const std::string& description, const std::string& dependencies);
    virtual ~NTService();
    NTService(const NTService&) = delete;
    NTService& operator=(const NTService&) = delete;

    // Service control manager operations; on failure lastError() holds the code.
    bool Install();
    bool Uninstall();
    bool Start();
    bool Stop();
    bool IsInstalled() const;
    bool IsStopped() const;
    DWORD lastError() const { return m_dwLastError; }

    // Hands the process to the service control dispatcher; returns when the
    // service has stopped (at once when the manager did not start us).
    bool StartDispatcher();

    // Callbacks given to the service control manager; they reach the one
    // service object of the process through instance().
    static void WINAPI ServiceMain(DWORD dwArgc, LPSTR* lpszArgv);
    static void WINAPI Handler(DWORD dwControl);

    bool Initialize();
    // Stores the state and reports the whole status record.
    void SetStatus(DWORD dwState);
    void LogEvent(WORD wType, DWORD dwId, const char* pszS1 = nullptr, const char* pszS2 = nullptr,
                  const char* pszS3 = nullptr);
    // One line "[<name>](<thread id>): <message>" to the debugger output.
    void Trace(const char* pszFormat, ...) const __attribute__((format(printf, 2, 3)));

    const std::string& name() const { return m_sName; }
    SERVICE_STATUS status() const;
    bool isRunning() const { return m_bIsRunning; }

    // The service object of the process (the last one constructed), or null.
    static NTService* instance();

protected:
    virtual void Run();
    virtual bool OnInit();
    virtual void OnStop();
    virtual void OnInterrogate();
    virtual void OnPause();
    virtual void OnContinue();
    virtual void OnShutdown();
    virtual bool OnUserControl(DWORD dwControl);

private:
    void storeError(DWORD dwError) { m_dwLastError = dwError; }
    void reportStatus();
    void handleControl(DWORD dwControl);
    void serviceMain();

    std::string m_sName;
    std::string m_sDescription;
    SERVICE_STATUS_HANDLE m_hServiceStatus;
    SERVICE_STATUS m_Status;
    std::atomic<bool> m_bIsRunning;
    HANDLE m_hEventSource;
    std::string m_sDependencies;
    DWORD m_dwLastError;

    // The status record and the event source are shared by the dispatcher's
    // thread and the service thread.
    mutable std::mutex m_statusMutex;
    std::mutex m_eventMutex;
};

#endif
