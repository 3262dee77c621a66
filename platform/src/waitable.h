// Kernel objects a thread can wait on (events and threads): a signalled flag
// under a mutex, and the condition the waiters sleep on.
#ifndef TSM_PLATFORM_WAITABLE_H
#define TSM_PLATFORM_WAITABLE_H

#include "handle_table.h"

#include <condition_variable>
#include <mutex>

namespace tsm::platform {

class Waitable : public KernelObject {
public:
    // WAIT_OBJECT_0 once signalled, WAIT_TIMEOUT after the limit (INFINITE:
    // none). An auto-reset object is unsignalled again by the wait it ends.
    DWORD wait(DWORD milliseconds);

protected:
    explicit Waitable(bool autoReset, bool signalled) : m_bAutoReset(autoReset), m_bSignalled(signalled) {}
    void signal();
    void unsignal();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const bool m_bAutoReset;
    bool m_bSignalled;
};

} // namespace tsm::platform

#endif
