// Events and the wait on them.
#include "handle_table.h"

#include <windows.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tsm::platform {

namespace {

// A signalled flag under a mutex, and the condition the waiters sleep on.
class EventObject : public KernelObject {
public:
    EventObject(bool manualReset, bool initialState) : m_bAutoReset(!manualReset), m_bSignalled(initialState) {}

    // WAIT_OBJECT_0 once signalled, WAIT_TIMEOUT after the limit (INFINITE:
    // none). An auto-reset event is unsignalled again by the wait it ends.
    DWORD wait(DWORD milliseconds)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto ready = [this] { return m_bSignalled; };
        if (milliseconds == INFINITE)
            m_changed.wait(lock, ready);
        else if (!m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
            return WAIT_TIMEOUT;
        if (m_bAutoReset)
            m_bSignalled = false;
        return WAIT_OBJECT_0;
    }

    void set()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bSignalled = true;
        }
        // An auto-reset event releases one waiter, a manual-reset one all of them.
        if (m_bAutoReset)
            m_changed.notify_one();
        else
            m_changed.notify_all();
    }

    void reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSignalled = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const bool m_bAutoReset;
    bool m_bSignalled;
};

// Every thread learns its own kernel identifier once.
DWORD currentThreadId()
{
    thread_local const DWORD id = static_cast<DWORD>(::gettid());
    return id;
}

} // namespace

} // namespace tsm::platform

using tsm::platform::EventObject;

DWORD WINAPI GetCurrentThreadId()
{
    return tsm::platform::currentThreadId();
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    // Named events are not offered.
    if (lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return tsm::platform::registerHandle(std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE));
}

BOOL WINAPI SetEvent(HANDLE hEvent)
{
    const auto event = tsm::platform::lookupHandleAs<EventObject>(hEvent);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->set();
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent)
{
    const auto event = tsm::platform::lookupHandleAs<EventObject>(hEvent);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->reset();
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    const auto event = tsm::platform::lookupHandleAs<EventObject>(hHandle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return event->wait(dwMilliseconds);
}
