// Overlapping pages share one run of the discovery chain. A page waits for
// the next run that starts after it arrived and takes that run's result, so
// it never shows a machine older than its request, while a burst of pages
// costs one refresh of the device tree, one round of peer requests and one
// transformation instead of one each.
#ifndef TSM_WEB_SHAREDRUNS_H
#define TSM_WEB_SHAREDRUNS_H

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace Web {

class SharedRuns {
public:
    // What one run gives every page that shares it: the transformation tag's
    // script data, and the health tag's, read during the same refresh (empty
    // when none was read).
    struct PageData {
        std::string discovery;
        std::string health;
    };
    using Result = std::shared_ptr<const PageData>;

    // The result of a run of chain that started after this call: run here
    // when none is running, else after the running one ends, by whichever
    // waiting caller comes first; the other callers of that round share it.
    Result next(const std::function<PageData()>& chain);

    // How many runs have ended (for tests and measurements).
    uint64_t runs();

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    uint64_t m_nStarted = 0;
    uint64_t m_nEnded = 0;
    bool m_bRunning = false;
    Result m_last;
};

}

#endif
