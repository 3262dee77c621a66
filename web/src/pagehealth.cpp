// The health data kept between the transformation tag and the health tag of
// one page.
#include "pagehealth.h"

#include "controllerhealth.h"
#include "healthscript.h"

#include <optional>
#include <vector>

namespace Web {
namespace {

thread_local std::optional<std::vector<ControllerHealth>> t_pageHealth;

}

PageHealthScope::PageHealthScope()
{
    t_pageHealth.reset();
}

PageHealthScope::~PageHealthScope()
{
    t_pageHealth.reset();
}

void ReadPageHealth(const Core::DeviceList& described)
{
    std::vector<ControllerHealth> health;
    health.reserve(described.size());
    for (const Core::DevicePtr& pController : described)
        health.push_back(ReadControllerHealth(*pController));
    t_pageHealth = std::move(health);
}

BOOL WINAPI HealthTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite)
{
    if (pfnWrite && t_pageHealth)
        pfnWrite(pECB, HealthScript(*t_pageHealth).c_str());
    return 1;
}

}
