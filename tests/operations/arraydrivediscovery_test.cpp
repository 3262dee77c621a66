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
using Children = std::map<std::string, Attributes>;

// Each child of the device by its "UniqueID", with all its attributes.
Children childrenById(const Core::Device& device)
{
    Children result;
    for (auto it = device.beginChild(); it != device.endChild(); ++it)
        result[(*it)->attribute("UniqueID")] = Attributes((*it)->beginAttribute(), (*it)->endAttribute());
    return result;
}

// Array A of slot 5: data drives 1 and 2, spares 5 and 6, logical drive 3;
// drives 2 and 5 failed, spare 6 in use. Array B holds no lists at all.
TEST(ArrayDriveDiscovery, CreatesTheDrivesTheArrayListsOnceWithTheirStates)
{
    for (const bool bEmpty : {false, true}) {
        SCOPED_TRACE(bEmpty ? "array without lists" : "array A");
        const Core::DevicePtr pController(new Schema::ArrayController(1, 0x4002, 0, Schema::ArrayController::eLOCAL));
        const schematest::TreeGuard guard(pController);
        pController->updateAttribute(Core::Attribute("Slot", "5"));
        auto* pArray = bEmpty ? new Schema::Array("B", 0, "", "") : new Schema::Array("A", 0, "1*-*2*-*", "2*-*5*-*");
        Core::Device::addChild(pController, Core::DevicePtr(pArray));
        if (!bEmpty) {
            pArray->addLogicalDrive(3);
            pArray->addSpareDrives("5*-*6*-*");
            pArray->addActiveSpareDrives("6*-*");
        }
        Operations::LogicalDriveDiscoveryA logical;
        Operations::DataPhysicalDriveDiscovery data;
        Operations::SparePhysicalDriveDiscovery spare;
        // A second pass finds the same drives again and attaches nothing new.
        for (int pass = 0; pass < 2; ++pass)
            for (Schema::ArrayVisitor* pDiscovery : std::initializer_list<Schema::ArrayVisitor*>{&logical, &data, &spare})
                EXPECT_TRUE(pDiscovery->visit(*pArray)->isOk());
        const auto drive = [](const char* pszNumber, const char* pszRole, Attributes more) {
            const std::string id = std::string("Slot5-ARRAY_A-PD") + pszNumber;
            more.insert({{"Type", "physicaldrive"}, {"DriveNumber", pszNumber}, {"DriveType", pszRole}, {"UniqueID", id}});
            return std::make_pair(id, more);
        };
        const Children expected{
            {"Slot5-ARRAY_A-0", {{"Type", "logicaldrive"}, {"Number", "0"}, {"UniqueID", "Slot5-ARRAY_A-0"}}},
            {"Slot5-ARRAY_A-3", {{"Type", "logicaldrive"}, {"Number", "3"}, {"UniqueID", "Slot5-ARRAY_A-3"}}},
            drive("1", "datadrive", {}),
            drive("2", "datadrive", {{"Status", "failed"}}),
            drive("5", "sparedrive", {{"Status", "failed"}}),
            drive("6", "sparedrive", {{"ActiveSpareFor", "FailedDrive"}}),
        };
        // Without lists only the logical drive of the array's own number.
        const Children alone{{"Slot5-ARRAY_B-0", {{"Type", "logicaldrive"}, {"Number", "0"}, {"UniqueID", "Slot5-ARRAY_B-0"}}}};
        EXPECT_EQ(childrenById(*pArray), bEmpty ? alone : expected);
    }
}

}
