// Command routing: drives and arrays hand their commands to the device above
// them; a logical drive addresses itself through the LUN.
#include "array.h"
#include "bmiccommand.h"
#include "byteimage.h"
#include "hostbusadapter.h"
#include "logicaldrive.h"
#include "detachtree.h"
#include "physicaldrive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

// A controller stand-in at the top of a subtree that records what reaches it.
class RecordingController : public Core::Device, public Core::BmicDevice, public Core::SCSIDevice {
public:
    std::vector<Core::BmicParameters> bmic;
    std::vector<Core::ScsiParameters> scsi;
    std::vector<std::uint8_t> reply;
    bool bAnswer = true;

    CountedPtr<Core::Status> accept(Core::DeviceVisitor&) override
    {
        return CountedPtr<Core::Status>(new Core::Status(Core::Status::eNOTAPPLICABLE));
    }
    bool sendBmicCommand(Core::BmicParameters& parameters) override
    {
        bmic.push_back(parameters);
        if (parameters.pBuffer != nullptr && !reply.empty())
            std::memcpy(parameters.pBuffer, reply.data(), std::min<std::size_t>(reply.size(), parameters.bufferSize));
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

TEST(CommandRouting, DrivesAndArraysForwardToTheirParentAndFailWithoutOne)
{
    Tree tree;
    const Core::DevicePtr pArray = tree.attach(tree.pTop, new Schema::Array("A", 0, "1*-*", ""));
    const Core::DevicePtr pLogical = tree.attach(pArray, new Schema::LogicalDrive(0x0107));
    // The LUN that reaches the top of a command sent with LUN 9: a logical
    // drive under an array sets the low byte of its number, one under the
    // controller its number; arrays and physical drives keep it.
    const std::pair<Core::DevicePtr, std::uint8_t> cases[] = {
        {pArray, 9}, {pLogical, 7}, {tree.attach(pArray, new Schema::PhysicalDrive(0, 1)), 9},
        {tree.attach(tree.pTop, new Schema::LogicalDrive(2)), 2}};
    int index = 0;
    for (const auto& [pDevice, bLun] : cases) {
        SCOPED_TRACE(index++);
        tree.top().bmic.clear();
        Core::BmicParameters parameters;
        parameters.opcode = 0x50;
        parameters.detail = 0x1234;
        parameters.lun = 9;
        EXPECT_TRUE(dynamic_cast<Core::BmicDevice&>(*pDevice).sendBmicCommand(parameters));
        ASSERT_EQ(tree.top().bmic.size(), 1u);
        const Core::BmicParameters& sent = tree.top().bmic[0];
        EXPECT_EQ(std::make_tuple(sent.lun, sent.opcode, sent.detail), std::make_tuple(bLun, std::uint8_t{0x50}, 0x1234u));
    }

    // SCSI blocks pass unchanged through an array and a logical drive.
    const std::uint8_t abCdb[6] = {0x12, 0, 0, 0, 96, 0};
    Core::ScsiParameters scsi;
    scsi.pCdb = abCdb;
    scsi.cdbLength = 6;
    EXPECT_TRUE(dynamic_cast<Core::SCSIDevice&>(*pLogical).sendScsiCommand(scsi));
    ASSERT_EQ(tree.top().scsi.size(), 1u);
    EXPECT_EQ(tree.top().scsi[0].pCdb, abCdb);
    EXPECT_EQ(tree.top().scsi[0].cdbLength, 6);

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
    struct Case {
        const char* pszName;
        std::vector<std::uint8_t> block;
        bool bAnswer;
        bool bExpected;
    };
    using tsmtest::ByteImage;
    const std::vector<std::uint8_t> gpt = ByteImage().text(0, "EFI PART").hex(8, "00000100");
    const Case cases[] = {
        {"header of the first revision", gpt, true, true},
        {"other revision byte", ByteImage().text(0, "EFI PART").hex(8, "01000100"), true, false},
        {"signature differs", ByteImage().text(0, "eFI PART").hex(8, "00000100"), true, false},
        {"empty block", std::vector<std::uint8_t>(512, 0), true, false},
        {"read fails", gpt, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        Tree tree;
        tree.top().reply = c.block;
        tree.top().bAnswer = c.bAnswer;
        const Core::DevicePtr pDrive = tree.attach(tree.pTop, new Schema::LogicalDrive(4));
        EXPECT_EQ(static_cast<Schema::LogicalDrive&>(*pDrive).isGpt(), c.bExpected);
        ASSERT_EQ(tree.top().bmic.size(), 1u);
        EXPECT_EQ(tree.top().bmic[0].opcode, 0x20);
        EXPECT_EQ(tree.top().bmic[0].lun, 4);
        EXPECT_EQ(tree.top().bmic[0].bufferSize, 512u);
    }
}

TEST(CommandRoutingDeathTest, DriveWithoutParentStops)
{
    Schema::PhysicalDrive drive(2, 3);
    Core::BmicParameters parameters;
    EXPECT_DEATH(drive.sendBmicCommand(parameters), "hasParent\\(\\)");
}

}
