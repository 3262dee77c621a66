// Shared runs of the discovery chain.
#include "sharedruns.h"

namespace Web {

SharedRuns::Result SharedRuns::next(const std::function<PageData()>& chain)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // The first run to start from now on; a run under way began too early.
    const uint64_t nWanted = m_nStarted + 1;
    while (m_nEnded < nWanted) {
        if (m_bRunning) {
            m_ended.wait(lock);
            continue;
        }
        m_bRunning = true;
        const uint64_t nRun = ++m_nStarted;
        lock.unlock();
        Result result;
        try {
            result = std::make_shared<const PageData>(chain());
        } catch (...) {
            result = std::make_shared<const PageData>();
        }
        lock.lock();
        m_bRunning = false;
        m_nEnded = nRun;
        m_last = std::move(result);
        m_ended.notify_all();
    }
    // Runs end in the order they start: the last one ended began after this
    // call, whichever round it was.
    return m_last;
}

uint64_t SharedRuns::runs()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_nEnded;
}

}
