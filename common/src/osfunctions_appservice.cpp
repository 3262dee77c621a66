// ApplicationService: runs the application inside the service until the stop
// control signals the done event.
#include "osfunctions_appservice.h"

#include "checkassert.h"

ApplicationService::ApplicationService(const CountedPtr<ServiceApplication>& pApplication)
    : NTService(pApplication->name(), pApplication->description(), pApplication->dependencies()), m_hDoneEvent(nullptr),
      m_pApplication(pApplication)
{
}

ApplicationService::~ApplicationService()
{
    if (HANDLE hEvent = m_hDoneEvent.exchange(nullptr))
        CloseHandle(hEvent);
}

void ApplicationService::Run()
{
    HANDLE hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    TSM_ASSERT_TEXT(hEvent != nullptr, "m_hDoneEvent != 0");
    m_hDoneEvent = hEvent;
    if (m_pApplication->startup()) {
        WaitForSingleObject(hEvent, INFINITE);
        m_pApplication->shutdown();
    } else {
        // Nothing is served: say so where the other start failures are told,
        // and stop instead of reading as running.
        LogEvent(EVENTLOG_ERROR_TYPE, eEVENT_FAILED_INIT);
        Trace("The application did not start");
        ResetEvent(hEvent);
    }
    m_hDoneEvent = nullptr;
    CloseHandle(hEvent);
}

void ApplicationService::OnStop()
{
    if (HANDLE hEvent = m_hDoneEvent.load())
        SetEvent(hEvent);
}
