// WebHost: start-up and shut-down of the web front inside the service.
#include "webhost.h"

#include "extensionrecords.h"
#include "xmllibraries.h"

#ifndef TSM_REQUEST_STACK_FACTOR
#define TSM_REQUEST_STACK_FACTOR 1
#endif

namespace Web {
namespace {

// Stack of the server's request threads; sanitizer builds multiply it.
constexpr DWORD kRequestStackBytes = 128000 * TSM_REQUEST_STACK_FACTOR;

}

WebHost& WebHost::instance()
{
    static WebHost host;
    return host;
}

bool WebHost::startup()
{
    QWEX_STARTUP_INFO startupRecord {};
    fillStartupRecord(startupRecord);
    QWEX_HANDLE hServer = nullptr;
    QWEXStartupHTTPServer(&startupRecord, &hServer);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_hServer = hServer;
    }
    if (!hServer)
        return false;
    QWEXBlockUnload();

    // The header list only needs to live for the registration.
    const HeaderDescriptions header = makeHeaderDescriptions();
    QWEX_EXTENSION_INFO extensionRecord {};
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
