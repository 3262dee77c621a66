// The named registry of port drivers (filled by the drivers' static registration).
#include <sim/portdriver.h>

#include <map>

namespace sim {

namespace {

// Function-local so registration from other translation units' static
// initialisers never sees an unconstructed map.
std::map<std::string, PortDriverFactory>& driverRegistry()
{
    static std::map<std::string, PortDriverFactory> registry;
    return registry;
}

} // namespace

bool registerPortDriver(const std::string& driverName, PortDriverFactory factory)
{
    if (!factory)
        return false;
    return driverRegistry().emplace(driverName, std::move(factory)).second;
}

const PortDriverFactory* findPortDriver(const std::string& driverName)
{
    const auto& registry = driverRegistry();
    const auto it = registry.find(driverName);
    return it == registry.end() ? nullptr : &it->second;
}

} // namespace sim
