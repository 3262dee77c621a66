// The device kinds: identity rules, the path strings of controllers and
// merging; and the board and model tables that name controllers (the root,
// "UniqueID" and every other path are in the reviewed dump of the typical
// machine).
#include "array.h"
#include "arraycontroller.h"
#include "controllermodels.h"
#include "detachtree.h"
#include "hostbusadapter.h"
#include "logicaldrive.h"
#include "physicaldrive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Attributes = std::map<std::string, std::string>;

Core::DevicePtr withAttributes(Core::Device* pDevice, const Attributes& attributes)
{
    Core::DevicePtr pResult(pDevice);
    for (const auto& [name, value] : attributes)
        pResult->updateAttribute(Core::Attribute(name, value));
    return pResult;
}

Core::DevicePtr controller(const Attributes& attributes, std::uint32_t dwClass = 0x4002, std::uint16_t wIndex = 0,
                           Schema::Hardware::Handle hHandle = 100)
{
    return withAttributes(new Schema::ArrayController(hHandle, dwClass, wIndex, Schema::ArrayController::eLOCAL),
                          attributes);
}

TEST(SchemaDevices, ArrayControllersAreTheSameByTheirIdentifyingAttributes)
{
    // Attributes of two controllers, the second one's class and index (the first is 0x4002, 1), whether they
    // are the same.
    const std::tuple<const char*, Attributes, Attributes, std::uint32_t, std::uint16_t, bool> cases[] = {
        {"equal slots", {{"Slot", "3"}}, {{"Slot", "3"}}, 0x4002, 1, true},
        {"different slots", {{"Slot", "3"}}, {{"Slot", "4"}}, 0x4002, 1, false},
        {"slot on one only", {{"Slot", "3"}}, {}, 0x4002, 1, false},
        {"neither has any key", {}, {}, 0x4002, 1, true},
        {"WWN on one only", {{"WWN", "50060b0000c31a22"}, {"Slot", "3"}}, {{"Slot", "3"}}, 0x4002, 1, false},
        {"different WWN", {{"WWN", "50060b0000c31a22"}}, {{"WWN", "50060b0000c31a23"}}, 0x4002, 1, false},
        {"equal WWN", {{"WWN", "50060b0000c31a22"}}, {{"WWN", "50060b0000c31a22"}}, 0x8007, 2, true},
        {"serial added later", {{"Slot", "3"}, {"ControllerSerialNumber", "P1"}}, {{"Slot", "3"}}, 0x4002, 1, false},
        {"other serial", {{"ControllerSerialNumber", "P1"}}, {{"ControllerSerialNumber", "P2"}}, 0x4002, 1, false},
        {"unknown slots, same class and index", {{"Slot", "unknown"}}, {{"Slot", "unknown"}}, 0x4002, 1, true},
        {"unknown slots, other index", {{"Slot", "unknown"}}, {{"Slot", "unknown"}}, 0x4002, 2, false},
        {"unknown slots, other class", {{"Slot", "unknown"}}, {{"Slot", "unknown"}}, 0x8007, 1, false},
        {"known slots ignore class and index", {{"Slot", "2"}}, {{"Slot", "2"}}, 0x8007, 2, true},
        {"other attributes do not count", {{"Slot", "2"}, {"BusType", "pci"}}, {{"Slot", "2"}}, 0x4002, 1, true},
    };
    for (const auto& [pszName, a, b, dwClass, wIndex, bExpected] : cases) {
        SCOPED_TRACE(pszName);
        const Core::DevicePtr pA = controller(a, 0x4002, 1);
        const Core::DevicePtr pB = controller(b, dwClass, wIndex, 200);
        EXPECT_EQ(pA->isSameDevice(*pB), bExpected);
        EXPECT_EQ(pB->isSameDevice(*pA), bExpected);
    }
}

// Arrays: the name and the data, failed and logical drive lists count; the
// spares-in-use list does not.
TEST(SchemaDevices, ArraysAreTheSameByTheirNameAndDriveLists)
{
    const Core::DevicePtr pArray(new Schema::Array("A", 0, "1*-*2*-*", "2*-*"));
    Schema::Array same("A", 0, "1*-*2*-*", "2*-*");
    same.addActiveSpareDrives("9*-*");
    EXPECT_TRUE(pArray->isSameDevice(same));
    EXPECT_FALSE(pArray->isSameDevice(Schema::Array("B", 0, "1*-*2*-*", "2*-*")));
    EXPECT_FALSE(pArray->isSameDevice(Schema::Array("A", 1, "1*-*2*-*", "2*-*")));
    EXPECT_FALSE(pArray->isSameDevice(Schema::Array("A", 0, "1*-*", "2*-*")));
    EXPECT_FALSE(pArray->isSameDevice(Schema::Array("A", 0, "1*-*2*-*", "")));
}

TEST(SchemaDevices, ControllerPathsTakeTheWwnThenTheSlotThenTheSerialNumber)
{
    // The path of a controller: its WWN first, its slot next, its serial number last.
    for (const auto& [attributes, path] : std::vector<std::pair<Attributes, std::string>>{
             {{{"WWN", "50060b0000c31a22"}, {"Slot", "3"}, {"ControllerSerialNumber", "P1"}}, "50060b0000c31a22"},
             {{{"Slot", "unknown"}, {"ControllerSerialNumber", "P1"}}, "Slotunknown"},
             {{{"ControllerSerialNumber", "P1"}}, "P1"}})
        EXPECT_EQ(controller(attributes)->stringRep(), path);
}

// Drives and adapters are found again among many siblings by their identity:
// an equal newcomer merges into the child attached first, an unequal one is
// attached, and keyless controllers among them still merge by their rule.
TEST(SchemaDevices, ChildrenOfEveryKindMergeIntoTheirEqualSiblingTakingTheNewerHandle)
{
    using Schema::PhysicalDrive;
    const Core::DevicePtr pTop = controller({{"Slot", "2"}});
    schematest::TreeGuard guard(pTop);
    // Each attaches or merges a child of that kind and gives the child count.
    const auto add = [&pTop](const Core::DevicePtr& pChild) {
        Core::Device::addChild(pTop, pChild);
        return pTop->childCount();
    };
    const auto drive = [](std::uint16_t n) { return Core::DevicePtr(new Schema::LogicalDrive(n)); };
    const auto physical = [](std::uint32_t role, std::uint16_t n) {
        return Core::DevicePtr(new PhysicalDrive(role, n));
    };
    const auto adapter = [](Schema::Hardware::Handle h, const char* pszWwn) {
        return withAttributes(new Schema::HostBusAdapter(h), {{"WWN", pszWwn}});
    };
    const auto remote = [](Schema::Hardware::Handle h) {
        return withAttributes(new Schema::ArrayController(h, 0x8007, 0, Schema::ArrayController::eREMOTE),
                              {{"WWN", "50060b0000c31a22"}});
    };
    std::vector<Core::DevicePtr> logical;
    for (std::uint16_t n = 0; n < 40; ++n) {
        logical.push_back(drive(n));
        add(logical.back());
        add(physical(PhysicalDrive::eDATA, n));
    }
    add(remote(9));
    ASSERT_EQ(add(adapter(77, "1000000000000001")), 82u);

    // Equal newcomers of every kind merge: nothing is added.
    for (const Core::DevicePtr& pEqual :
         {drive(17), physical(PhysicalDrive::eDATA, 39), adapter(77, "1000000000000001"), remote(12)})
        EXPECT_EQ(add(pEqual), 82u) << pEqual->stringRep();
    EXPECT_TRUE(std::find(pTop->beginChild(), pTop->endChild(), logical[17]) != pTop->endChild());

    // Unequal ones are attached: a spare drive of a data drive's number, a new
    // logical drive number, an adapter with another handle.
    std::size_t expected = 82;
    for (const Core::DevicePtr& pUnequal :
         {physical(PhysicalDrive::eSPARE, 39), drive(40), adapter(78, "1000000000000002")})
        EXPECT_EQ(add(pUnequal), ++expected) << pUnequal->stringRep();

    // A removed drive is no longer found: its equal is attached afresh.
    Core::Device::removeChild(pTop, logical[17]);
    EXPECT_FALSE(pTop->hasChild(Schema::LogicalDrive(17)));
    EXPECT_EQ(add(drive(17)), 85u);
    EXPECT_TRUE(pTop->hasChild(Schema::LogicalDrive(17)));

    // Merging a controller takes over the newer handle.
    const Core::DevicePtr pOld = controller({{"Slot", "4"}}, 0x4002, 1, 100);
    const Core::DevicePtr pNewer = controller({{"Slot", "4"}, {"BusType", "pci"}}, 0x4002, 1, 300);
    pOld->updateFrom(pNewer);
    const auto& old = static_cast<const Schema::ArrayController&>(*pOld);
    EXPECT_EQ(std::make_tuple(old.handle(), old.classCode(), old.index()), std::make_tuple(300u, 0x4002u, 1u));
    EXPECT_FALSE(pOld->hasAttribute("BusType")) << "attributes are not copied";

    // A controller that is not the same device leaves everything in place.
    pOld->updateFrom(controller({{"Slot", "5"}}, 0x8007, 6, 400));
    EXPECT_EQ(old.handle(), 300u);
    pOld->updateFrom(Core::DevicePtr(new Schema::LogicalDrive(0)));
    EXPECT_EQ(old.handle(), 300u);
}

// Board keys are unique, each a subsystem identifier as subsystemKey() writes
// it or a product identifier; every model has an upper-case tag; models are
// looked up exactly (the golden documents show the tags of the boards found).
TEST(ControllerModels, UniqueKeysATagForEveryModelAndExactLookups)
{
    std::set<std::string> keys;
    for (const Schema::BoardEntry& entry : Schema::boardTable()) {
        SCOPED_TRACE(entry.pszKey);
        const std::string key = entry.pszKey;
        EXPECT_TRUE(keys.insert(key).second) << "duplicate key";
        EXPECT_TRUE(Schema::modelTag(entry.pszModel).has_value());
        const bool bSubsystem = key.size() == 10 && key.rfind("0x", 0) == 0 &&
                                key.find_first_not_of("0123456789abcdef", 2) == std::string::npos;
        EXPECT_TRUE(bSubsystem || key.size() == 16u) << "neither a subsystem identifier nor a product identifier";
    }
    for (const Schema::ModelEntry& row : Schema::modelTable()) {
        const std::string tag = row.pszTag;
        EXPECT_FALSE(tag.empty()) << row.pszModel;
        EXPECT_TRUE(std::none_of(tag.begin(), tag.end(), [](unsigned char c) { return std::islower(c); })) << tag;
    }
    // A model that no board names.
    EXPECT_EQ(Schema::modelTag("Tarvion ArrayLine 100").value_or(""), "STR_MODEL_AL100");
    for (const char* model : {"tarvion arrayline 230", "Tarvion ArrayLine 230 ", "Unknown", ""})
        EXPECT_FALSE(Schema::modelTag(model).has_value()) << model;
    EXPECT_EQ(Schema::subsystemKey(1), "0x00000001");
    EXPECT_EQ(Schema::subsystemKey(0xF1A74C03u), "0xf1a74c03");
    EXPECT_EQ(keys.count(Schema::kClusteredControllerProductId), 1u) << "the clustered controller has a board";
}

TEST(SchemaDevicesDeathTest, ControllerOfUnknownLocationOrWithoutAnyPathAttributeStops)
{
    EXPECT_DEATH(Schema::ArrayController(1, 0x4002, 0, Schema::ArrayController::eUNKNOWN), "isInvariant\\(\\)");
    EXPECT_DEATH(controller({})->stringRep(), "false");
}

}
