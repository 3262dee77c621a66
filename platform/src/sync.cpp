// Events, threads and the wait on either of them.
#include "waitable.h"

#include <windows.h>

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <map>
#include <string>

namespace tsm::platform {

DWORD Waitable::wait(DWORD milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto ready = [this] { return m_bSignalled; };
    if (milliseconds == INFINITE) {
        m_changed.wait(lock, ready);
    } else if (!m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) {
        return WAIT_TIMEOUT;
    }
    if (m_bAutoReset)
        m_bSignalled = false;
    return WAIT_OBJECT_0;
}

void Waitable::signal()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSignalled = true;
    }
    // An auto-reset object releases one waiter, a manual-reset one all of them.
    if (m_bAutoReset)
        m_changed.notify_one();
    else
        m_changed.notify_all();
}

void Waitable::unsignal()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSignalled = false;
}

namespace {

class EventObject : public Waitable {
public:
    EventObject(bool manualReset, bool initialState) : Waitable(!manualReset, initialState) {}
    void set() { signal(); }
    void reset() { unsignal(); }
};

// Named events of this process, so a second CreateEventA of a name opens
// the first one (names do not reach other processes here).
struct NamedEvents {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<EventObject>> events;
};

NamedEvents& namedEvents()
{
    static NamedEvents* const instance = new NamedEvents; // lives until the process ends
    return *instance;
}

// A thread's object is signalled when its start routine returns.
class ThreadObject : public Waitable {
public:
    ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter)
        : Waitable(false, false), m_start(start), m_pParameter(parameter)
    {
    }
    void run()
    {
        m_dwThreadId.store(GetCurrentThreadId());
        m_dwThreadId.notify_all();
        const DWORD exitCode = m_start(m_pParameter);
        m_dwExitCode.store(exitCode);
        m_bFinished.store(true);
        signal();
    }
    DWORD threadIdWhenStarted() const
    {
        DWORD id = 0;
        while ((id = m_dwThreadId.load()) == 0)
            m_dwThreadId.wait(0);
        return id;
    }
    DWORD exitCode() const { return m_bFinished.load() ? m_dwExitCode.load() : static_cast<DWORD>(STILL_ACTIVE); }

private:
    LPTHREAD_START_ROUTINE m_start;
    LPVOID m_pParameter;
    std::atomic<bool> m_bFinished { false };
    std::atomic<DWORD> m_dwExitCode { 0 };
    std::atomic<DWORD> m_dwThreadId { 0 };
};

// What the new thread receives: its own reference to the object, so the
// object outlives every handle closed while it runs.
struct ThreadStart {
    std::shared_ptr<ThreadObject> object;
};

void* threadMain(void* argument)
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
    start->object->run();
    return nullptr;
}

// Every thread learns its own kernel identifier once.
DWORD currentThreadId()
{
    thread_local const DWORD id = static_cast<DWORD>(::gettid());
    return id;
}

} // namespace

} // namespace tsm::platform

using tsm::platform::EventObject;
using tsm::platform::ThreadObject;

DWORD WINAPI GetCurrentThreadId() { return tsm::platform::currentThreadId(); }

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    if (!lpName) {
        SetLastError(ERROR_SUCCESS);
        return tsm::platform::registerHandle(std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE));
    }
    if (std::string(lpName).size() >= MAX_PATH) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    auto& named = tsm::platform::namedEvents();
    std::lock_guard<std::mutex> lock(named.mutex);
    auto& slot = named.events[lpName];
    if (auto existing = slot.lock()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return tsm::platform::registerHandle(existing);
    }
    auto event = std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE);
    slot = event;
    SetLastError(ERROR_SUCCESS);
    return tsm::platform::registerHandle(event);
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
    const auto object = tsm::platform::lookupHandleAs<tsm::platform::Waitable>(hHandle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->wait(dwMilliseconds);
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                           LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId)
{
    // Suspended creation and the other flags are not offered.
    if (!lpStartAddress || dwCreationFlags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto object = std::make_shared<ThreadObject>(lpStartAddress, lpParameter);
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (dwStackSize != 0) {
        // Rounded up to what the system accepts, as Windows rounds to its granularity.
        const SIZE_T minimum = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
        const SIZE_T page = static_cast<SIZE_T>(::sysconf(_SC_PAGESIZE));
        SIZE_T size = dwStackSize < minimum ? minimum : dwStackSize;
        size = (size + page - 1) / page * page;
        ::pthread_attr_setstacksize(&attributes, size);
    }
    auto* start = new tsm::platform::ThreadStart { object };
    pthread_t thread;
    const int error = ::pthread_create(&thread, &attributes, tsm::platform::threadMain, start);
    ::pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete start;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE handle = tsm::platform::registerHandle(object);
    if (lpThreadId) {
        // The identifier is the new thread's own; wait until it has one.
        *lpThreadId = object->threadIdWhenStarted();
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    const auto thread = tsm::platform::lookupHandleAs<ThreadObject>(hThread);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpExitCode) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    *lpExitCode = thread->exitCode();
    return TRUE;
}
