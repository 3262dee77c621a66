// The debug-log lines the command layer writes for every command it runs.
#include "arraycontroller.h"
#include "bmiccommand.h"
#include "logtail.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using tsmtest::LogTail;

class RefusingDevice : public Core::BmicDevice {
public:
    bool sendBmicCommand(Core::BmicParameters& parameters) override
    {
        parameters.commandStatus = 1;
        parameters.scsiStatus = 2;
        auto* pSense = static_cast<std::uint8_t*>(parameters.pSenseBuffer);
        std::memset(pSense, 0, parameters.senseLength);
        pSense[0] = 0x70;
        pSense[2] = 0x05;
        pSense[12] = 0x24;
        parameters.senseLength = 18;
        return true;
    }
};

TEST(CommandDebugLog, RefusedCommandLogsStatusesAndSense)
{
    const LogTail tail;
    RefusingDevice device;
    Core::IdentifyControllerCommand command;
    EXPECT_EQ(command.run(device)->value(), 5);
    const std::string text = tail.appended();
    EXPECT_NE(text.find("] Command Status: 0x1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("] SCSI Status: 0x2\n"), std::string::npos) << text;
    // The hex dump shows the sense key and the additional sense code.
    EXPECT_NE(text.find("70 00 05 00"), std::string::npos) << text;
    EXPECT_NE(text.find("00 00 24 00"), std::string::npos) << text;
}

TEST(CommandDebugLog, ControllerLogsEveryBmicRequestItSends)
{
    const LogTail tail;
    const Core::DevicePtr pController(
        new Schema::ArrayController(0xDEAD0002u, 0x4002, 0, Schema::ArrayController::eLOCAL));
    auto& controller = static_cast<Schema::ArrayController&>(*pController);
    Core::IdentifyPhysicalDriveCommand identify(0x0A000000u);
    EXPECT_EQ(identify.run(controller)->value(), Core::Status::eFAILED) << "the handle was never issued";
    const std::string text = tail.appended();
    const std::size_t command = text.find("] BMIC Command: 0x15\n");
    const std::size_t detail = text.find("] BMIC Detail: 0xa000000\n");
    const std::size_t lun = text.find("] BMIC LUN: 0x0\n");
    const std::size_t status = text.find("] Command Status: 0x0\n");
    ASSERT_NE(command, std::string::npos) << text;
    ASSERT_NE(detail, std::string::npos) << text;
    ASSERT_NE(lun, std::string::npos) << text;
    ASSERT_NE(status, std::string::npos) << text;
    EXPECT_LT(command, detail);
    EXPECT_LT(detail, lun);
    EXPECT_LT(lun, status);

    const LogTail scsiTail;
    const std::uint8_t abCdb[6] = {0x12, 0x00, 0x00, 0x00, 0x60, 0x00};
    Core::ScsiParameters scsi;
    scsi.pCdb = abCdb;
    scsi.cdbLength = sizeof abCdb;
    EXPECT_FALSE(controller.sendScsiCommand(scsi));
    const std::string scsiText = scsiTail.appended();
    EXPECT_NE(scsiText.find("] SCSI CDB: "), std::string::npos) << scsiText;
    EXPECT_NE(scsiText.find("12 00 00 00 60 00"), std::string::npos) << scsiText;
}

}
