// WebHost: the agent inside the management HTTP server. Starts the server,
// registers the extension "/VXA", initialises the XML libraries, and stops
// the server again; holds the one server handle of the process.
#ifndef TSM_WEB_WEBHOST_H
#define TSM_WEB_WEBHOST_H

#include "sharedruns.h"
#include "watchedfile.h"

#include <ZyrQWEX.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <semaphore>
#include <set>
#include <string>

namespace Web {

class LastTransformation;
class Stylesheet;

class WebHost {
public:
    static WebHost& instance();

    // Starts the server and registers the extension, then initialises
    // Xerces-C and Xalan-C; false when any step fails.
    bool startup();
    // Shuts the server down and lets the library unload.
    void shutdown();

    // Null until the server runs; unchanged afterwards.
    QWEX_HANDLE serverHandle() const;

    // The runs of the discovery chain that overlapping pages share.
    SharedRuns& pageRuns() { return m_pageRuns; }

    // The page stylesheet, compiled once for every page until its file changes.
    Stylesheet& pageStylesheet() { return *m_pageStylesheet; }
    // The well-known peers of the configuration beside the executable.
    WatchedFile<std::set<std::string>>& configuredPeers() { return m_configuredPeers; }
    // The last page's script data and what it was made of.
    LastTransformation& lastTransformation() { return *m_lastTransformation; }

    // Waits until the XML libraries are initialised: true when they are
    // ready, false when their initialisation failed.
    bool waitForXmlLibraries();

    // Counts a page from the start of its transformation tag to its end. The
    // last page of a burst, and one page a second under steady load, hands
    // the allocator's free memory back to the system when it ends.
    class PageInProgress {
    public:
        explicit PageInProgress(WebHost& host);
        ~PageInProgress();
        PageInProgress(const PageInProgress&) = delete;
        PageInProgress& operator=(const PageInProgress&) = delete;

    private:
        WebHost& m_host;
    };

    // One of the few places for a page's XML work (parsing, merging, printing,
    // transforming), held until the slot goes out of scope.
    class PageWorkSlot {
    public:
        explicit PageWorkSlot(WebHost& host);
        ~PageWorkSlot();
        PageWorkSlot(const PageWorkSlot&) = delete;
        PageWorkSlot& operator=(const PageWorkSlot&) = delete;

    private:
        WebHost& m_host;
    };

    WebHost(const WebHost&) = delete;
    WebHost& operator=(const WebHost&) = delete;

private:
    enum eXmlState { ePENDING, eREADY, eFAILED };

    WebHost();
    ~WebHost();
    void setXmlState(eXmlState state);
    void releaseFreeMemory(bool bLastPage);

    QWEX_HANDLE m_hServer = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_xmlSettled;
    eXmlState m_eXmlState = ePENDING;
    // Every request thread may build a page, but the XML work is bound by the
    // processors: more pages at once answer no sooner, and the allocator would
    // keep the memory of the highest number of pages ever built at once.
    static constexpr std::ptrdiff_t kMaxPageWork = 16;
    const std::ptrdiff_t m_nPageWorkSlots;
    std::counting_semaphore<kMaxPageWork> m_pageWork;
    std::atomic<int> m_nPages{0}; // pages in progress
    SharedRuns m_pageRuns;
    const std::unique_ptr<Stylesheet> m_pageStylesheet;
    const std::unique_ptr<LastTransformation> m_lastTransformation;
    WatchedFile<std::set<std::string>> m_configuredPeers;
    std::mutex m_releaseMutex;
    std::chrono::steady_clock::time_point m_lastRelease;
};

}

#endif
