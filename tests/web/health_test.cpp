// Controller health for the page: the facts read from a controller's
// attributes, with what counts as needing attention, absent or unknown, in
// the cases the browser's health test does not show; and the script statement
// that carries them, safe whatever the texts hold.
#include "controllerhealth.h"
#include "healthscript.h"
#include "standincontroller.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using tsmtest::Attributes;
using Web::FactState;

// A PCI controller whose every command succeeded and found nothing wrong.
Attributes healthy()
{
    return {{"ControllerName", "Tarvion ArrayLine 210"},
            {"BusType", "pci"},
            {"Slot", "2"},
            {"FullName", "Tarvion ArrayLine 210 in Slot 2"},
            {"ControllerStatus", "Ok"},
            {"CacheBoardPresent", "True"},
            {"CacheStatus", "OK"},
            {"BatteryPackCount", "2"},
            {"BatteryStatus", "OK"},
            {"FirmwareVersion", "2.84"}};
}

Attributes with(Attributes attributes, const Attributes& changes)
{
    for (const auto& [name, value] : changes)
        attributes[name] = value;
    return attributes;
}

Attributes without(Attributes attributes, std::initializer_list<const char*> names)
{
    for (const char* pszName : names)
        attributes.erase(pszName);
    return attributes;
}

TEST(ControllerHealth, ReadsEachFactAndNeverTakesAMissingOneForOk)
{
    constexpr FactState OK = FactState::eOK, BAD = FactState::eATTENTION, UNKNOWN = FactState::eUNKNOWN,
                        NONE = FactState::eABSENT;
    // The attributes; the controller, cache, battery, redundancy and firmware facts.
    const std::tuple<const char*, Attributes, FactState, FactState, FactState, FactState, FactState> cases[] = {
        {"all well, no redundant partner", healthy(), OK, OK, OK, NONE, OK},
        {"cache wants diagnostics", with(healthy(), {{"CacheStatus", "RunADU"}}), OK, BAD, OK, NONE, OK},
        {"no packs", with(without(healthy(), {"BatteryStatus"}), {{"BatteryPackCount", "0"}}), OK, OK, NONE, NONE, OK},
        {"redundancy failed", with(healthy(), {{"RedundantState", "Active"}, {"RedundancyStatus", "Failed"}}), OK, OK,
         OK, BAD, OK},
        {"redundant, status not read", with(healthy(), {{"RedundantState", "Active"}}), OK, OK, OK, UNKNOWN, OK},
        {"nothing read at all", {}, UNKNOWN, UNKNOWN, UNKNOWN, NONE, UNKNOWN},
    };
    for (const auto& [pszName, attributes, controller, cache, battery, redundancy, firmware] : cases) {
        SCOPED_TRACE(pszName);
        const Web::ControllerHealth health = Web::ReadControllerHealth(*tsmtest::standInController(attributes));
        EXPECT_EQ(std::make_tuple(health.controller.eState, health.cache.eState, health.battery.eState,
                                  health.redundancy.eState, health.firmware.eState),
                  std::make_tuple(controller, cache, battery, redundancy, firmware));
    }
}

TEST(HealthScript, WritesTheFactsAsLiteralsNoTextCanEnd)
{
    const Attributes remote = {{"ControllerName", "Tarvion RaidShelf 2100 Enclosure"},
                               {"BusType", "scsi"},
                               {"ControllerSerialNumber", "E09\"S\\2</script>"},
                               {"FullName", "Shelf at R\n\xe9"},
                               {"ControllerStatus", "Failed"},
                               {"CacheBoardPresent", "True"},
                               {"CacheStatus", "TemporarilyDisabled"},
                               {"BatteryPackCount", "2"},
                               {"BatteryStatus", "Failed"},
                               {"RedundantState", "Active"},
                               {"FirmwareVersion", "1.22"}};
    // (Lists of several controllers are read by the browser's health test.)
    const std::vector<Web::ControllerHealth> controllers = {
        Web::ReadControllerHealth(*tsmtest::standInController(remote))};
    EXPECT_EQ(
        Web::HealthScript(controllers),
        "vxaHealth = {\"controllers\":[\n"
        "{\"name\":\"STR_MODEL_RS2100\",\"inst\":\"SerialNumber\",\"at\":\"E09\\u0022S\\u005c2\\u003c/script\\u003e\","
        "\"where\":\"Shelf at R\\u000a\\u00e9\","
        "\"controller\":{\"state\":\"attention\",\"value\":\"Failed\"},"
        "\"cache\":{\"state\":\"attention\",\"value\":\"TemporarilyDisabled\"},"
        "\"battery\":{\"state\":\"attention\",\"value\":\"Failed\",\"packs\":\"2\"},"
        "\"redundancy\":{\"state\":\"unknown\",\"value\":\"\"},\"firmware\":{\"state\":\"ok\",\"value\":\"1.22\"}}]};"
        "\n");
    EXPECT_EQ(Web::HealthScript({}), "vxaHealth = {\"controllers\":[]};\n");
}

}
