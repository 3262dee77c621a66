// The health script kept between the transformation tag and the health tag
// of one page.
#include "pagehealth.h"

#include <utility>

namespace Web {
namespace {

thread_local std::string t_pageHealth;

}

PageHealthScope::PageHealthScope()
{
    t_pageHealth.clear();
}

PageHealthScope::~PageHealthScope()
{
    t_pageHealth.clear();
}

void KeepPageHealth(std::string script)
{
    t_pageHealth = std::move(script);
}

BOOL WINAPI HealthTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite)
{
    if (pfnWrite && !t_pageHealth.empty())
        pfnWrite(pECB, t_pageHealth.c_str());
    return 1;
}

}
