// Controllers whose commands fail: the operations report it in statuses and
// attributes and never stop the program.
#include "readcontrollerinfo.h"
#include "registration.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

namespace {

// A controller whose handle the hardware library never issued: every command
// sent to it fails.
Core::DevicePtr unreachableController(Schema::ArrayController::eLocation location,
                                      const std::map<std::string, std::string>& attributes)
{
    Core::DevicePtr pController(new Schema::ArrayController(0xDEAD0001u, 0x4002, 0, location));
    for (const auto& attribute : attributes)
        pController->updateAttribute(attribute);
    return pController;
}

TEST(FailingCommands, ReadControllerInfoStillNamesALocalController)
{
    tsmtest::TempMachine machine;
    const Core::DevicePtr pController = unreachableController(
        Schema::ArrayController::eLOCAL,
        {{"Type", "arraycontroller"}, {"Location", "local"}, {"Slot", "3"}, {"SubsystemID", "4054273027"}});
    Operations::ReadControllerInfo read;
    const auto pStatus = read.visit(static_cast<Schema::ArrayController&>(*pController));
    EXPECT_EQ(pStatus->value(), Core::Status::eOK);
    EXPECT_EQ(pController->attribute("ControllerStatus"), "Failed");
    // 4054273027 is 0xf1a74c03.
    EXPECT_EQ(pController->attribute("ControllerName"), "Tarvion ArrayLine 230");
    EXPECT_EQ(pController->attribute("FullName"), "Tarvion ArrayLine 230 in Slot 3");
    for (const char* pszName : {"UsingBigMap", "FirmwareVersion", "CacheBoardPresent", "ExpandPriority",
                                "SurfaceAnalysisDelay", "ControllerSerialNumber"}) {
        SCOPED_TRACE(pszName);
        EXPECT_FALSE(pController->hasAttribute(pszName));
    }
}

TEST(FailingCommands, ReadControllerInfoKeepsEarlierValuesAndNamesUnknownModels)
{
    tsmtest::TempMachine machine;
    const Core::DevicePtr pController = unreachableController(
        Schema::ArrayController::eLOCAL, {{"Location", "local"}, {"Slot", "1"}, {"SubsystemID", "1"},
                                          {"FirmwareVersion", "1.00"}, {"ControllerStatus", "Ok"}});
    Operations::ReadControllerInfo read;
    read.visit(static_cast<Schema::ArrayController&>(*pController));
    EXPECT_EQ(pController->attribute("FirmwareVersion"), "1.00");
    EXPECT_EQ(pController->attribute("ControllerStatus"), "Failed");
    EXPECT_EQ(pController->attribute("ControllerName"), "Unknown");
    EXPECT_EQ(pController->attribute("FullName"), "Unknown in Slot 1");
}

TEST(FailingCommands, ReadControllerInfoOnARemoteControllerWithoutReplies)
{
    tsmtest::TempMachine machine;
    const Core::DevicePtr pController = unreachableController(
        Schema::ArrayController::eREMOTE,
        {{"Location", "remote"}, {"ProductID", "RAIDSHELF 2100  "}, {"WWN", "50060b0000c31a22"}});
    Operations::ReadControllerInfo read;
    EXPECT_TRUE(read.visit(static_cast<Schema::ArrayController&>(*pController))->isOk());
    EXPECT_EQ(pController->attribute("ControllerName"), "Tarvion RaidShelf 2100 Enclosure");
    EXPECT_FALSE(pController->hasAttribute("Boxname")) << "neither a hardware name nor a chassis serial number";
    EXPECT_EQ(pController->attribute("FullName"), "Tarvion RaidShelf 2100 Enclosure at ");

    pController->updateAttribute(Core::Attribute("ChassisSerialNumber", "CH-77"));
    read.visit(static_cast<Schema::ArrayController&>(*pController));
    EXPECT_EQ(pController->attribute("Boxname"), "CH-77");
    EXPECT_EQ(pController->attribute("FullName"), "Tarvion RaidShelf 2100 Enclosure at CH-77");
    pController->updateAttribute(Core::Attribute("HardwareName", "Rack 2"));
    read.visit(static_cast<Schema::ArrayController&>(*pController));
    EXPECT_EQ(pController->attribute("Boxname"), "Rack 2");
}

TEST(FailingCommandsDeathTest, MachineWithoutStorageRefreshesToAnEmptyTree)
{
    tsmtest::TempMachine machine;
    EXPECT_EXIT(
        {
            Operations::registerStartupOperations();
            const Core::DevicePtr pRoot = Schema::System::instance();
            pRoot->refresh();
            pRoot->refresh();
            std::exit(pRoot->childCount() == 0 && pRoot->attribute("Type") == "system" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}
