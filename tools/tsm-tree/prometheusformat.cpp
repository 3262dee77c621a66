// The health facts of the device tree as Prometheus gauges.
#include "prometheusformat.h"

#include "device.h"
#include "drivehealth.h"

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace tsmtool {
namespace {

using Labels = std::vector<std::pair<std::string, std::string>>;

// A device with the labels that place it in the tree, its controller and
// its array (null outside an array). Drives carry their controller's name and
// location, so an alert on a drive says where to find it.
struct Placed {
    const Core::Device* pDevice;
    Labels labels;
    const Core::Device* pController = nullptr;
    const Core::Device* pArray = nullptr;
};

struct Devices {
    std::vector<Placed> controllers;
    std::vector<Placed> logicalDrives;
    std::vector<Placed> physicalDrives;
};

const char* const kLogicalDriveStates[] = {"ok",
                                           "failed",
                                           "notconfigured",
                                           "interimrecovery",
                                           "readyforrecovery",
                                           "recovering",
                                           "wrongdrivereplaced",
                                           "driveimproperlyconnected",
                                           "hardwareisoverheating",
                                           "hardwarehasoverheated",
                                           "expanding",
                                           "notyetavailable",
                                           "queuedforexpansion"};
const char* const kCacheStates[] = {"OK", "TemporarilyDisabled", "PermenantlyDisabled", "RunADU"};

std::string attributeOr(const Core::Device& device, const std::string& name)
{
    return device.hasAttribute(name) ? device.attribute(name) : std::string();
}

bool isDecimal(const std::string& text)
{
    if (text.empty() || text.size() > 20)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The name a controller's samples carry: its full name, else its path.
std::string controllerName(const Core::Device& controller)
{
    const std::string name = attributeOr(controller, "FullName");
    return name.empty() ? attributeOr(controller, "UniqueID") : name;
}

// The controller's serial number without the padding the board reports.
// Controllers whose slot is unknown share a "UniqueID", so this is what keeps
// their samples (and their drives') apart, and what finds the board.
std::string controllerSerial(const Core::Device& controller)
{
    const std::string serial = attributeOr(controller, "ControllerSerialNumber");
    const std::size_t first = serial.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : serial.substr(first, serial.find_last_not_of(' ') - first + 1);
}

// The controller and array around a device travel down with it.
void collect(const Core::Device& device, const Core::Device* pController, const Core::Device* pArray, Devices& devices)
{
    const std::string type = attributeOr(device, "Type");
    const std::string uniqueId = attributeOr(device, "UniqueID");
    if (type == "arraycontroller") {
        pController = &device;
        pArray = nullptr;
        devices.controllers.push_back({&device,
                                       {{"unique_id", uniqueId},
                                        {"name", controllerName(device)},
                                        {"location", attributeOr(device, "Location")},
                                        {"serial", controllerSerial(device)}}});
    } else if (type == "array") {
        pArray = &device;
    } else if ((type == "logicaldrive" || type == "physicaldrive") && pController != nullptr) {
        const bool bLogical = type == "logicaldrive";
        (bLogical ? devices.logicalDrives : devices.physicalDrives)
            .push_back({&device,
                        {{"unique_id", uniqueId},
                         {"controller", controllerName(*pController)},
                         {"location", attributeOr(*pController, "Location")},
                         {"controller_serial", controllerSerial(*pController)},
                         {"array", pArray != nullptr ? attributeOr(*pArray, "ArrayLetter") : std::string()},
                         {"drive", attributeOr(device, bLogical ? "Number" : "DriveNumber")}},
                        pController,
                        pArray});
    }
    for (auto it = device.beginChild(); it != device.endChild(); ++it)
        collect(**it, pController, pArray, devices);
}

// One family: HELP, TYPE, then one line per sample; nothing without samples.
class Family {
public:
    Family(const char* pszName, const char* pszHelp) : m_name(pszName), m_help(pszHelp) {}

    void add(const Labels& labels, const std::string& value)
    {
        m_lines += m_name;
        const char* pszSeparator = "{";
        for (const auto& [name, text] : labels) {
            if (text.empty())
                continue;
            m_lines += pszSeparator + name + "=\"" + escapeLabelValue(text) + "\"";
            pszSeparator = ",";
        }
        m_lines += std::string(*pszSeparator == ',' ? "}" : "") + " " + value + "\n";
    }
    void add(const Labels& labels, bool bValue) { add(labels, std::string(bValue ? "1" : "0")); }

    std::string text() const
    {
        if (m_lines.empty())
            return {};
        return "# HELP " + m_name + " " + m_help + "\n# TYPE " + m_name + " gauge\n" + m_lines;
    }

private:
    std::string m_name;
    std::string m_help;
    std::string m_lines;
};

using Sampler = std::function<void(const Placed&, Family&)>;

// A sample from the attribute, when the device has it (and, for numbers,
// when it is a plain decimal number).
Sampler whenPresent(const char* pszAttribute, std::function<void(const Placed&, const std::string&, Family&)> sample)
{
    return [pszAttribute, sample](const Placed& placed, Family& family) {
        if (placed.pDevice->hasAttribute(pszAttribute))
            sample(placed, placed.pDevice->attribute(pszAttribute), family);
    };
}

Sampler flag(const char* pszAttribute, const char* pszSetValue)
{
    return whenPresent(
        pszAttribute, [pszSetValue](const Placed& placed, const std::string& value,
                                    Family& family) { family.add(placed.labels, value == pszSetValue); });
}

Sampler number(const char* pszAttribute)
{
    return whenPresent(
        pszAttribute,
        [](const Placed& placed, const std::string& value, Family& family) {
            if (isDecimal(value))
                family.add(placed.labels, value);
        });
}

template <std::size_t N>
Sampler stateSet(const char* pszAttribute, const char* const (&states)[N])
{
    return whenPresent(
        pszAttribute,
        [&states](const Placed& placed, const std::string& value, Family& family) {
            for (const char* pszState : states) {
                Labels labels = placed.labels;
                labels.emplace_back("state", pszState);
                family.add(labels, value == pszState);
            }
        });
}

// Blocks left while the drive is in the state that counts them, else 0: the
// tree keeps the last count after the rebuild or expansion has ended.
Sampler blocksLeft(const char* pszAttribute, const char* pszState)
{
    return whenPresent(
        "Status",
        [pszAttribute, pszState](const Placed& placed, const std::string& status, Family& family) {
            const std::string left = attributeOr(*placed.pDevice, pszAttribute);
            family.add(placed.labels, status == pszState && isDecimal(left) ? left : std::string("0"));
        });
}

// One fact of a physical drive's health.
Sampler driveGauge(bool DriveHealth::*pFact)
{
    return [pFact](const Placed& placed, Family& family) {
        family.add(placed.labels, physicalDriveHealth(*placed.pDevice, *placed.pController, placed.pArray).*pFact);
    };
}

struct FamilyRule {
    const char* pszName;
    const char* pszHelp;
    std::vector<Placed> Devices::*pDevices;
    Sampler sample;
};

}

std::string prometheusFacts(const Core::Device& root)
{
    Devices devices;
    collect(root, nullptr, nullptr, devices);
    const FamilyRule rules[] = {
        {"tsm_controller_failed", "1 when the controller did not answer its parameters command.", &Devices::controllers,
         flag("ControllerStatus", "Failed")},
        {"tsm_cache_status", "Array accelerator cache status, 1 for the current state.", &Devices::controllers,
         stateSet("CacheStatus", kCacheStates)},
        {"tsm_battery_failed", "1 when a cache battery pack has failed.", &Devices::controllers,
         flag("BatteryStatus", "Failed")},
        {"tsm_battery_packs", "Number of cache battery packs.", &Devices::controllers, number("BatteryPackCount")},
        {"tsm_logical_drive_status", "Logical drive status, 1 for the current state.", &Devices::logicalDrives,
         stateSet("Status", kLogicalDriveStates)},
        {"tsm_logical_drive_rebuild_blocks_left", "Blocks left to rebuild while the drive is recovering, else 0.",
         &Devices::logicalDrives, blocksLeft("BlocksLeftToRebuild", "recovering")},
        {"tsm_logical_drive_expand_blocks_left", "Blocks left to expand while the drive is expanding, else 0.",
         &Devices::logicalDrives, blocksLeft("BlocksLeftToExpand", "expanding")},
        {"tsm_physical_drive_failed",
         "1 when the drive is in its array's failed list; an unassigned drive when it did not answer identify.",
         &Devices::physicalDrives, driveGauge(&DriveHealth::bFailed)},
        {"tsm_physical_drive_rebuilding",
         "1 while a logical drive of the drive's array recovers and the drive is on its controller's rebuild list "
         "or is the array's spare active for a failed drive.",
         &Devices::physicalDrives, driveGauge(&DriveHealth::bRebuilding)},
        {"tsm_physical_drive_identified",
         "1 when the drive answered identify this refresh and its identity facts are current; "
         "data and spare drives of arrays read 0, their health comes from the array.",
         &Devices::physicalDrives, driveGauge(&DriveHealth::bIdentified)},
    };
    std::string text;
    for (const FamilyRule& rule : rules) {
        Family family(rule.pszName, rule.pszHelp);
        for (const Placed& placed : devices.*rule.pDevices)
            rule.sample(placed, family);
        text += family.text();
    }
    return text;
}

std::string prometheusScrape(double seconds, bool bSuccess)
{
    char duration[64];
    std::snprintf(duration, sizeof duration, "%.6f", seconds);
    Family durationFamily("tsm_scrape_duration_seconds", "Time the refresh of the device tree took.");
    durationFamily.add({}, std::string(duration));
    Family successFamily("tsm_scrape_success", "1 when the device tree was refreshed, else 0 and no other facts.");
    successFamily.add({}, bSuccess);
    return durationFamily.text() + successFamily.text();
}

std::string escapeLabelValue(const std::string& value)
{
    std::string escaped;
    for (const char c : value)
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else if (static_cast<unsigned char>(c) > 0x7F)
            escaped += '?';
        else
            escaped += c;
    return escaped;
}

}
