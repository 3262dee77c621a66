// Controller commands: how a driver outcome becomes a status value, the
// debug-log lines the command layer writes for every request it sends (the
// statuses and sense it logs are read back on the simulated controllers, as
// is what each command puts on the wire), and their routing: drives and arrays
// hand their commands to the device above them; a logical drive addresses
// itself through the LUN.
#include "array.h"
#include "arraycontroller.h"
#include "bmiccommand.h"
#include "byteimage.h"
#include "detachtree.h"
#include "hostbusadapter.h"
#include "logicaldrive.h"
#include "logtail.h"
#include "physicaldrive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

// A controller stand-in at the top of a subtree that records what reaches it
// and answers with a scripted reply, statuses and sense.
class RecordingController : public Core::Device, public Core::BmicDevice, public Core::SCSIDevice {
public:
    std::vector<Core::BmicParameters> bmic;
    std::vector<Core::ScsiParameters> scsi;
    std::vector<std::uint8_t> reply;
    bool bAnswer = true;
    std::uint16_t wCommandStatus = 0;
    std::uint8_t bScsiStatus = 0;
    std::vector<std::uint8_t> sense;

    CountedPtr<Core::Status> accept(Core::DeviceVisitor&) override
    {
        return CountedPtr<Core::Status>(new Core::Status(Core::Status::eNOTAPPLICABLE));
    }
    bool sendBmicCommand(Core::BmicParameters& parameters) override
    {
        bmic.push_back(parameters);
        if (parameters.pBuffer != nullptr && !reply.empty())
            std::memcpy(parameters.pBuffer, reply.data(), std::min<std::size_t>(reply.size(), parameters.bufferSize));
        parameters.commandStatus = wCommandStatus;
        parameters.scsiStatus = bScsiStatus;
        const std::size_t senseCount = std::min<std::size_t>(sense.size(), parameters.senseLength);
        if (senseCount > 0)
            std::memcpy(parameters.pSenseBuffer, sense.data(), senseCount);
        parameters.senseLength = static_cast<std::uint32_t>(senseCount);
        return bAnswer;
    }
    bool sendScsiCommand(Core::ScsiParameters& parameters) override
    {
        scsi.push_back(parameters);
        return bAnswer;
    }
    bool isScsiDevice() const override { return true; }

protected:
    std::string doStringRep() const override { return "Recorder"; }
};

struct Tree {
    Core::DevicePtr pTop{new RecordingController()};
    schematest::TreeGuard guard{pTop};
    RecordingController& top() { return static_cast<RecordingController&>(*pTop); }
    Core::DevicePtr attach(Core::DevicePtr pParent, Core::Device* pChild)
    {
        Core::DevicePtr pDevice(pChild);
        Core::Device::addChild(pParent, pDevice);
        return pDevice;
    }
};

TEST(BmicCommand, OutcomeTableGivesEachRefusalItsValueAndTreatsWildcards)
{
    // Command status, SCSI status, sense key, code and qualifier; the value.
    const std::tuple<std::uint16_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, int> cases[] = {
        {1, 2, 5, 0x20, 0, 4},
        {1, 2, 5, 0x24, 0, 5},
        {1, 2, 2, 0x6E, 0, 6},
        {1, 2, 2, 0x44, 0, 7},
        {1, 2, 5, 0x11, 0, 8},
        {1, 2, 5, 0x0C, 8, 9},
        {1, 2, 5, 0x04, 3, 10},
        {1, 2, 5, 0x25, 0, 11},
        // Near misses fall through to no row.
        {1, 2, 5, 0x24, 1, 0},
        {1, 2, 4, 0x24, 0, 0},
        {2, 2, 5, 0x24, 0, 0},
        {1, 0, 5, 0x24, 0, 0},
        {1, 2, 5, 0x0C, 0, 0},
        {4, 2, 0, 0, 0, 0},
        // No sense at all: what an earlier run left is cleared.
        {0, 0, 0, 0, 0, 1},
    };
    // One command runs every case in turn.
    Core::IdentifyControllerCommand command;
    for (const auto& [wCommand, bScsi, bKey, bCode, bQualifier, iExpected] : cases) {
        SCOPED_TRACE(testing::Message() << "command " << wCommand << " scsi " << int(bScsi) << " sense " << int(bKey)
                                        << "/" << int(bCode) << "/" << int(bQualifier));
        RecordingController device;
        device.wCommandStatus = wCommand;
        device.bScsiStatus = bScsi;
        // Fixed-format sense; the high bits of byte 2 are flags, not key.
        if (iExpected != 1)
            device.sense = tsmtest::ByteImage(18).u8(0, 0x70).u8(2, 0xF0 | bKey).u8(12, bCode).u8(13, bQualifier);
        EXPECT_EQ(command.run(device)->value(), iExpected);
        EXPECT_EQ(std::make_tuple(command.commandStatus(), command.scsiStatus(), command.senseKey(),
                                  command.senseCode(), command.senseQualifier()),
                  std::make_tuple(wCommand, bScsi, bKey, bCode, bQualifier));
    }

    // The lookup treats the outcome's wildcards.
    EXPECT_EQ(Core::BmicCommand::outcomeValue(4, 255, 255, 255, 255), 0);
    // An outcome command status of 0xFFFF matches the first row with the
    // other values; sense values of 255 match any row's.
    EXPECT_EQ(Core::BmicCommand::outcomeValue(0xFFFF, 0, 0, 0, 0), 1);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(0xFFFF, 2, 5, 0x24, 0), 5);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(1, 2, 255, 255, 255), 4);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(1, 2, 5, 255, 8), 9);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(1, 2, 2, 255, 0), 6);
    EXPECT_EQ(Core::BmicCommand::outcomeValue(3, 2, 5, 0x20, 0), 0);
}

TEST(BmicCommand, ControllerLogsEveryRequestItSends)
{
    const tsmtest::LogTail tail;
    const Core::DevicePtr pController(
        new Schema::ArrayController(0xDEAD0002u, 0x4002, 0, Schema::ArrayController::eLOCAL));
    auto& controller = static_cast<Schema::ArrayController&>(*pController);
    Core::IdentifyPhysicalDriveCommand identify(0x0A000000u);
    EXPECT_EQ(identify.run(controller)->value(), Core::Status::eFAILED) << "the handle was never issued";
    const std::uint8_t abCdb[6] = {0x12, 0x00, 0x00, 0x00, 0x60, 0x00};
    Core::ScsiParameters scsi{.pCdb = abCdb, .cdbLength = sizeof abCdb};
    EXPECT_FALSE(controller.sendScsiCommand(scsi));
    // In this order: the BMIC request, then the SCSI one.
    const std::string text = tail.appended();
    std::size_t at = 0;
    for (const char* line : {"] BMIC Command: 0x15\n", "] BMIC Detail: 0xa000000\n", "] BMIC LUN: 0x0\n",
                             "] Command Status: 0x0\n", "] SCSI CDB: ", "12 00 00 00 60 00"}) {
        at = text.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << text;
    }
}

TEST(CommandRouting, DrivesAndArraysForwardToTheirParentAndFailWithoutOne)
{
    Tree tree;
    const Core::DevicePtr pArray = tree.attach(tree.pTop, new Schema::Array("A", 0, "1*-*", ""));
    const Core::DevicePtr pLogical = tree.attach(pArray, new Schema::LogicalDrive(0x0107));
    // The LUN that reaches the top of a command sent with LUN 9: a logical
    // drive under an array sets the low byte of its number, one under the
    // controller its number; arrays and physical drives keep it.
    const std::pair<Core::DevicePtr, std::uint8_t> cases[] = {{pArray, 9},
                                                              {pLogical, 7},
                                                              {tree.attach(pArray, new Schema::PhysicalDrive(0, 1)), 9},
                                                              {tree.attach(tree.pTop, new Schema::LogicalDrive(2)), 2}};
    int index = 0;
    for (const auto& [pDevice, bLun] : cases) {
        SCOPED_TRACE(index++);
        tree.top().bmic.clear();
        Core::BmicParameters parameters{.opcode = 0x50, .detail = 0x1234, .lun = 9};
        EXPECT_TRUE(dynamic_cast<Core::BmicDevice&>(*pDevice).sendBmicCommand(parameters));
        ASSERT_EQ(tree.top().bmic.size(), 1u);
        const Core::BmicParameters& sent = tree.top().bmic[0];
        EXPECT_EQ(std::make_tuple(sent.lun, sent.opcode, sent.detail),
                  std::make_tuple(bLun, std::uint8_t{0x50}, 0x1234u));
    }

    // SCSI blocks pass unchanged through an array and a logical drive.
    const std::uint8_t abCdb[6] = {0x12, 0, 0, 0, 96, 0};
    Core::ScsiParameters scsi{.pCdb = abCdb, .cdbLength = 6};
    EXPECT_TRUE(dynamic_cast<Core::SCSIDevice&>(*pLogical).sendScsiCommand(scsi));
    ASSERT_EQ(tree.top().scsi.size(), 1u);
    EXPECT_EQ(std::make_tuple(tree.top().scsi[0].pCdb, tree.top().scsi[0].cdbLength), std::make_tuple(abCdb, 6));

    // A refusal at the top comes back as a failed command.
    tree.top().bAnswer = false;
    Core::LogicalDriveStatusCommand status(0);
    EXPECT_EQ(status.run(dynamic_cast<Core::BmicDevice&>(*pLogical))->value(), Core::Status::eFAILED);

    // Under a device without commands both kinds fail.
    const Core::DevicePtr pAdapter(new Schema::HostBusAdapter(3));
    pAdapter->updateAttribute(Core::Attribute("WWN", "50060b0000c31a22"));
    const schematest::TreeGuard guard(pAdapter);
    const Core::DevicePtr pDrive = tree.attach(pAdapter, new Schema::LogicalDrive(1));
    Core::LogicalDriveConfigCommand config(1);
    EXPECT_EQ(config.run(dynamic_cast<Core::BmicDevice&>(*pDrive))->value(), Core::Status::eFAILED);
    EXPECT_FALSE(dynamic_cast<Core::SCSIDevice&>(*pDrive).sendScsiCommand(scsi));
}

TEST(CommandRouting, GptTestReadsTheFirstBlock)
{
    using tsmtest::ByteImage;
    const std::vector<std::uint8_t> gpt = ByteImage().text(0, "EFI PART").hex(8, "00000100");
    // What the first block holds, whether the read succeeds, whether the drive is GPT.
    const std::tuple<const char*, std::vector<std::uint8_t>, bool, bool> cases[] = {
        {"header of the first revision", gpt, true, true},
        {"other revision byte", ByteImage().text(0, "EFI PART").hex(8, "01000100"), true, false},
        {"signature differs", ByteImage().text(0, "eFI PART").hex(8, "00000100"), true, false},
        {"empty block", std::vector<std::uint8_t>(512, 0), true, false},
        {"read fails", gpt, false, false},
    };
    for (const auto& [pszName, block, bAnswer, bExpected] : cases) {
        SCOPED_TRACE(pszName);
        Tree tree;
        tree.top().reply = block;
        tree.top().bAnswer = bAnswer;
        const Core::DevicePtr pDrive = tree.attach(tree.pTop, new Schema::LogicalDrive(4));
        EXPECT_EQ(static_cast<Schema::LogicalDrive&>(*pDrive).isGpt(), bExpected);
        ASSERT_EQ(tree.top().bmic.size(), 1u);
        const Core::BmicParameters& sent = tree.top().bmic[0];
        EXPECT_EQ(std::make_tuple(sent.opcode, sent.lun, sent.bufferSize), std::make_tuple(0x20, 4, 512u));
    }
}

TEST(CommandsDeathTest, ReadingPastTheReplyOrADriveWithoutParentStops)
{
    Core::IdentifyControllerCommand command;
    EXPECT_DEATH(command.view().u32(510), "offset \\+ count <= reply size");
    Schema::PhysicalDrive drive(2, 3);
    Core::BmicParameters parameters;
    EXPECT_DEATH(drive.sendBmicCommand(parameters), "hasParent\\(\\)");
}

}
