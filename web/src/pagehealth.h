// The health data of the page being served. The transformation tag keeps the
// health script of the run whose discovery data it wrote; the health tag
// writes it into the page. All tags of a request run on its request thread
// inside the request callback, so each thread keeps the data of the one page
// it is serving.
#ifndef TSM_WEB_PAGEHEALTH_H
#define TSM_WEB_PAGEHEALTH_H

#include <ZyrQWEX.h>

#include <string>

namespace Web {

// Spans one request callback: the page starts and ends without health data,
// so no page can receive another page's.
class PageHealthScope {
public:
    PageHealthScope();
    ~PageHealthScope();
    PageHealthScope(const PageHealthScope&) = delete;
    PageHealthScope& operator=(const PageHealthScope&) = delete;
};

// Keeps the health script (HealthScript) for this thread's page, replacing
// what an earlier transformation tag of the page kept; "" keeps none.
void KeepPageHealth(std::string script);

// "vxaHealth": the kept health script; nothing when no transformation tag
// before it on the page delivered any.
BOOL WINAPI HealthTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite);

}

#endif
