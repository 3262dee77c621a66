// WebHost: start-up and shut-down of the web front inside the service.
#include "webhost.h"

#include "extensionrecords.h"
#include "lasttransformation.h"
#include "pagetransformation.h"
#include "peercollector.h"
#include "stylesheet.h"
#include "xmllibraries.h"

#include <tsm/allocator.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>

#ifndef TSM_REQUEST_STACK_FACTOR
#define TSM_REQUEST_STACK_FACTOR 1
#endif

namespace Web {
namespace {

// Stack of the server's request threads; sanitizer builds multiply it.
constexpr DWORD kRequestStackBytes = 128000 * TSM_REQUEST_STACK_FACTOR;

// The allocator keeps what the threads free in its arenas: after a burst of
// concurrent pages that is MBs that no page uses any more. Handing it back
// locks every arena in turn, so it happens at most once a second under load,
// and at most every 100 ms when pages come one by one.
constexpr std::chrono::milliseconds kReleaseInterval(1000);
constexpr std::chrono::milliseconds kIdleReleaseInterval(100);

// One debugger output line that says why the pages cannot be served.
void reportStartFailure(DWORD dwResult)
{
    const std::string reason = dwResult == QWEX_ERROR_PORT_IN_USE
                                   ? "another program holds its port (2301 or 2381 unless qwex.conf says otherwise)"
                                   : "result " + std::to_string(dwResult);
    OutputDebugStringA(("Tarvion Storage Manager: the management HTTP server did not start: " + reason +
                        "; its server.log says more.\n")
                           .c_str());
}

// Two pages per processor, so that no processor idles while a page starts or ends.
std::ptrdiff_t pageWorkSlots(std::ptrdiff_t maximum)
{
    return std::clamp<std::ptrdiff_t>(2 * static_cast<std::ptrdiff_t>(std::thread::hardware_concurrency()), 2, maximum);
}

}

WebHost::WebHost()
    : m_nPageWorkSlots(pageWorkSlots(kMaxPageWork)), m_pageWork(m_nPageWorkSlots),
      m_pageStylesheet(std::make_unique<Stylesheet>(kStylesheetPath)),
      m_lastTransformation(std::make_unique<LastTransformation>()),
      m_configuredPeers(PeerCollector::kConfigurationFile, &PeerCollector::readWellKnownPeers)
{
}

WebHost::~WebHost() = default;

WebHost::PageInProgress::PageInProgress(WebHost& host) : m_host(host)
{
    ++m_host.m_nPages;
}

WebHost::PageInProgress::~PageInProgress()
{
    m_host.releaseFreeMemory(--m_host.m_nPages == 0);
}

WebHost::PageWorkSlot::PageWorkSlot(WebHost& host) : m_host(host)
{
    m_host.m_pageWork.acquire();
}

WebHost::PageWorkSlot::~PageWorkSlot()
{
    m_host.m_pageWork.release();
}

void WebHost::releaseFreeMemory(bool bLastPage)
{
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard<std::mutex> lock(m_releaseMutex);
        if (now - m_lastRelease < (bLastPage ? kIdleReleaseInterval : kReleaseInterval))
            return;
        m_lastRelease = now;
    }
    tsm::releaseFreeAllocatorMemory();
}

WebHost& WebHost::instance()
{
    static WebHost host;
    return host;
}

bool WebHost::startup()
{
    // Left alone, the allocator gives most of the request threads an arena of
    // their own, each holding on to the memory its pages freed and scattering
    // what stays in use. As many arenas as pages doing XML work at once let
    // the next page reuse what the last one freed.
    tsm::limitAllocatorArenas(static_cast<int>(m_nPageWorkSlots));
    QWEX_STARTUP_INFO startupRecord{};
    fillStartupRecord(startupRecord);
    QWEX_HANDLE hServer = nullptr;
    const DWORD dwStarted = QWEXStartupHTTPServer(&startupRecord, &hServer);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_hServer = hServer;
    }
    if (!hServer) {
        reportStartFailure(dwStarted);
        return false;
    }
    QWEXBlockUnload();

    // The header list only needs to live for the registration.
    const HeaderDescriptions header = makeHeaderDescriptions();
    QWEX_EXTENSION_INFO extensionRecord{};
    fillExtensionRecord(extensionRecord, header.entries);
    QWEXSetIsapiStackSize(hServer, kRequestStackBytes);
    if (QWEXRegisterIsapiExtension(hServer, &extensionRecord) != 0)
        return false;

    // Requests may arrive from here on; they wait for the XML libraries.
    const bool bReady = initializeXmlLibraries();
    setXmlState(bReady ? eREADY : eFAILED);
    return bReady;
}

void WebHost::shutdown()
{
    QWEXShutdownHTTPServer(serverHandle());
    QWEXAllowUnload();
}

QWEX_HANDLE WebHost::serverHandle() const
{
    return m_hServer;
}

bool WebHost::waitForXmlLibraries()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_xmlSettled.wait(lock, [this] { return m_eXmlState != ePENDING; });
    return m_eXmlState == eREADY;
}

void WebHost::setXmlState(eXmlState state)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_eXmlState = state;
    }
    m_xmlSettled.notify_all();
}

}
