// WebHost: the agent inside the management HTTP server. Starts the server,
// registers the extension "/VXA", initialises the XML libraries, and stops
// the server again; holds the one server handle of the process.
#ifndef TSM_WEB_WEBHOST_H
#define TSM_WEB_WEBHOST_H

#include <ZyrQWEX.h>

#include <condition_variable>
#include <mutex>

namespace Web {

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

    // Waits until the XML libraries are initialised: true when they are
    // ready, false when their initialisation failed.
    bool waitForXmlLibraries();

    WebHost(const WebHost&) = delete;
    WebHost& operator=(const WebHost&) = delete;

private:
    enum eXmlState { ePENDING, eREADY, eFAILED };

    WebHost() = default;
    void setXmlState(eXmlState state);

    QWEX_HANDLE m_hServer = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_xmlSettled;
    eXmlState m_eXmlState = ePENDING;
};

}

#endif
