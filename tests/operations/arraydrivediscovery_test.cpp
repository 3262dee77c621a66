// The array-based discoveries: logical, data and spare drives from the
// lists an array holds.
#include "dataphysicaldrivediscovery.h"
#include "detachtree.h"
#include "logicaldrivediscoverya.h"
#include "sparephysicaldrivediscovery.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using Attributes = std::map<std::string, std::string>;

std::map<std::string, Attributes> childrenById(const Core::Device& device)
{
    std::map<std::string, Attributes> result;
    for (auto it = device.beginChild(); it != device.endChild(); ++it) {
        const Core::Device& child = **it;
        Attributes attributes(child.beginAttribute(), child.endAttribute());
        result[child.attribute("UniqueID")] = attributes;
    }
    return result;
}

struct ArrayUnderController {
    Core::DevicePtr pController{new Schema::ArrayController(1, 0x4002, 0, Schema::ArrayController::eLOCAL)};
    Core::DevicePtr pArray;
    schematest::TreeGuard guard{pController};
    // Array A of slot 5: data drives 1 and 2, spares 5 and 6, logical drive 3;
    // drives 2 and 5 failed, spare 6 in use. With bEmpty, an array without lists.
    explicit ArrayUnderController(bool bEmpty = false)
    {
        pController->updateAttribute(Core::Attribute("Slot", "5"));
        auto* pRaw = bEmpty ? new Schema::Array("B", 0, "", "") : new Schema::Array("A", 0, "1*-*2*-*", "2*-*5*-*");
        pArray = Core::DevicePtr(pRaw);
        if (!bEmpty) {
            pRaw->addLogicalDrive(3);
            pRaw->addSpareDrives("5*-*6*-*");
            pRaw->addActiveSpareDrives("6*-*");
        }
        Core::Device::addChild(pController, pArray);
    }
    Schema::Array& array() { return static_cast<Schema::Array&>(*pArray); }
};

TEST(ArrayDriveDiscovery, CreatesTheLogicalDrivesTheArrayLists)
{
    ArrayUnderController tree;
    Operations::LogicalDriveDiscoveryA discovery;
    EXPECT_TRUE(discovery.visit(tree.array())->isOk());
    const std::map<std::string, Attributes> expected{
        {"Slot5-ARRAY_A-0", {{"Type", "logicaldrive"}, {"Number", "0"}, {"UniqueID", "Slot5-ARRAY_A-0"}}},
        {"Slot5-ARRAY_A-3", {{"Type", "logicaldrive"}, {"Number", "3"}, {"UniqueID", "Slot5-ARRAY_A-3"}}},
    };
    EXPECT_EQ(childrenById(*tree.pArray), expected);
    // A second pass finds the same drives again and attaches nothing new.
    discovery.visit(tree.array());
    EXPECT_EQ(tree.pArray->childCount(), 2u);
}

TEST(ArrayDriveDiscovery, CreatesDataAndSpareDrivesWithTheirStates)
{
    ArrayUnderController tree;
    Operations::DataPhysicalDriveDiscovery data;
    Operations::SparePhysicalDriveDiscovery spare;
    EXPECT_TRUE(data.visit(tree.array())->isOk());
    EXPECT_TRUE(spare.visit(tree.array())->isOk());
    const auto children = childrenById(*tree.pArray);
    ASSERT_EQ(children.size(), 4u);
    const Attributes dataOk{
        {"Type", "physicaldrive"}, {"DriveNumber", "1"}, {"DriveType", "datadrive"}, {"UniqueID", "Slot5-ARRAY_A-PD1"}};
    EXPECT_EQ(children.at("Slot5-ARRAY_A-PD1"), dataOk);
    EXPECT_EQ(children.at("Slot5-ARRAY_A-PD2").at("Status"), "failed");
    EXPECT_EQ(children.at("Slot5-ARRAY_A-PD5"),
              (Attributes{{"Type", "physicaldrive"},
                          {"DriveNumber", "5"},
                          {"DriveType", "sparedrive"},
                          {"Status", "failed"},
                          {"UniqueID", "Slot5-ARRAY_A-PD5"}}));
    EXPECT_EQ(children.at("Slot5-ARRAY_A-PD6"),
              (Attributes{{"Type", "physicaldrive"},
                          {"DriveNumber", "6"},
                          {"DriveType", "sparedrive"},
                          {"ActiveSpareFor", "FailedDrive"},
                          {"UniqueID", "Slot5-ARRAY_A-PD6"}}));
}

TEST(ArrayDriveDiscovery, ArrayWithoutListsCreatesNothing)
{
    ArrayUnderController tree(true);
    Operations::DataPhysicalDriveDiscovery data;
    Operations::SparePhysicalDriveDiscovery spare;
    data.visit(tree.array());
    spare.visit(tree.array());
    EXPECT_EQ(tree.pArray->childCount(), 0u);
}

}
