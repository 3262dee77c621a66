// The device tree as one JSON document.
#include "jsonformat.h"

#include "device.h"

#include <nlohmann/json.hpp>

namespace tsmtool {
namespace {

using Json = nlohmann::ordered_json;

std::string attributeOr(const Core::Device& device, const std::string& name, const std::string& missing)
{
    return device.hasAttribute(name) ? device.attribute(name) : missing;
}

Json deviceJson(const Core::Device& device)
{
    Json object = Json::object();
    object["type"] = attributeOr(device, "Type", "");
    object["UniqueID"] = device.hasAttribute("UniqueID") ? Json(device.attribute("UniqueID")) : Json(nullptr);
    Json& attributes = object["attributes"] = Json::object();
    for (auto it = device.beginAttribute(); it != device.endAttribute(); ++it)
        attributes[it->first] = it->second;
    Json& operations = object["operations"] = Json::array();
    for (auto it = device.beginOperation(); it != device.endOperation(); ++it)
        operations.push_back((*it)->name());
    Json& children = object["children"] = Json::array();
    for (auto it = device.beginChild(); it != device.endChild(); ++it)
        children.push_back(deviceJson(**it));
    return object;
}

}

std::string jsonText(const Core::Device& root)
{
    return deviceJson(root).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}
