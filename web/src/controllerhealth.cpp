// Reading a controller's health facts from the attributes that reading its
// information published.
#include "controllerhealth.h"

#include "controllerdescription.h"
#include "controllermodels.h"

#include <string_view>

namespace Web {
namespace {

std::string attributeOf(const Core::Device& controller, const std::string& name)
{
    return controller.hasAttribute(name) ? controller.attribute(name) : std::string();
}

// A status attribute: its OK text reads OK, a missing one unknown, and any
// other text (failed, disabled, or a value this page does not know) needs
// attention.
HealthFact statusFact(const Core::Device& controller, const std::string& name, const std::string& okText)
{
    HealthFact fact;
    fact.value = attributeOf(controller, name);
    if (fact.value.empty())
        fact.eState = FactState::eUNKNOWN;
    else
        fact.eState = fact.value == okText ? FactState::eOK : FactState::eATTENTION;
    return fact;
}

// The bus table's element names are ASCII literals; no transcoder is needed.
std::string asciiName(const XMLCh* pName)
{
    const std::u16string_view name(pName);
    return std::string(name.begin(), name.end());
}

HealthFact absentFact()
{
    return HealthFact{FactState::eABSENT, std::string()};
}

bool hasNoCacheBoard(const Core::Device& controller)
{
    return attributeOf(controller, "CacheBoardPresent") == "False";
}

HealthFact cacheFact(const Core::Device& controller)
{
    return hasNoCacheBoard(controller) ? absentFact() : statusFact(controller, "CacheStatus", "OK");
}

// Without packs there is no battery status; a board whose pack count is not
// known leaves the battery unknown.
HealthFact batteryFact(const Core::Device& controller)
{
    if (hasNoCacheBoard(controller) || attributeOf(controller, "BatteryPackCount") == "0")
        return absentFact();
    return statusFact(controller, "BatteryStatus", "OK");
}

// Only a controller with a redundant partner has a redundancy status.
HealthFact redundancyFact(const Core::Device& controller)
{
    if (!controller.hasAttribute("RedundantState"))
        return absentFact();
    return statusFact(controller, "RedundancyStatus", "Ok");
}

HealthFact firmwareFact(const Core::Device& controller)
{
    HealthFact fact;
    fact.value = attributeOf(controller, "FirmwareVersion");
    fact.eState = fact.value.empty() ? FactState::eUNKNOWN : FactState::eOK;
    return fact;
}

}

ControllerHealth ReadControllerHealth(const Core::Device& controller)
{
    ControllerHealth health;
    health.modelTag = Schema::modelTag(attributeOf(controller, "ControllerName")).value_or(std::string());
    if (const Xml::BusRow* pRow = Xml::findBusRow(attributeOf(controller, "BusType"))) {
        health.instanceName = asciiName(pRow->pInstanceName);
        health.instanceValue = attributeOf(controller, pRow->pszInstanceAttribute);
    }
    health.fullName = attributeOf(controller, "FullName");
    health.controller = statusFact(controller, "ControllerStatus", "Ok");
    health.cache = cacheFact(controller);
    health.battery = batteryFact(controller);
    health.batteryPacks = attributeOf(controller, "BatteryPackCount");
    health.redundancy = redundancyFact(controller);
    health.firmware = firmwareFact(controller);
    return health;
}

std::vector<ControllerHealth> ReadControllerHealth(const Core::DeviceList& controllers)
{
    std::vector<ControllerHealth> health;
    health.reserve(controllers.size());
    for (const Core::DevicePtr& pController : controllers)
        health.push_back(ReadControllerHealth(*pController));
    return health;
}

}
