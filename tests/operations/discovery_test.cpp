// Controller and adapter discovery through the hardware library: what each
// walk publishes for the objects the library reports, and what it skips.
#include "detachtree.h"
#include "externalarraycontrollerdiscovery.h"
#include "fakecontrollers.h"
#include "hbadiscovery.h"
#include "internalarraycontrollerdiscovery.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Attributes = std::map<std::string, std::string>;

optest::Answer identifyAnswer(std::uint8_t bRedundancy, std::uint8_t bFlags)
{
    optest::Answer answer;
    answer.reply = optest::ReplyImage(512).u8(106, bRedundancy).u8(107, bFlags);
    return answer;
}

optest::FakeController internalController(CommandType eType, std::uint32_t dwPort, std::uint32_t dwBus,
                                          std::uint16_t wSlot)
{
    optest::FakeController controller;
    controller.eCommandType = eType;
    controller.dwPort = dwPort;
    controller.dwBusCode = dwBus;
    controller.wSlot = wSlot;
    return controller;
}

Attributes attributesOf(const Core::Device& device)
{
    return Attributes(device.beginAttribute(), device.endAttribute());
}

// Children of a device by their "UniqueID".
std::map<std::string, Core::DevicePtr> childrenById(const Core::DevicePtr& pDevice)
{
    std::map<std::string, Core::DevicePtr> result;
    for (auto it = pDevice->beginChild(); it != pDevice->endChild(); ++it)
        result.emplace((*it)->attribute("UniqueID"), *it);
    return result;
}

TEST(Discovery, InternalControllersCarryBusSlotSubsystemAndRedundancy)
{
    optest::FakeControllers machine;
    auto pci = internalController(eCSMI_CISS, 0, 2, 3);
    pci.dwPciId = 0xF1A74C05;
    pci.answers[0x11] = identifyAnswer(1, 0x04);
    auto eisa = internalController(eCSMI_I2O, 1, 1, 255); // identify fails
    eisa.dwEisaId = 0x5256A020;
    auto isa = internalController(eLEGACY, 2, 0, 5);
    isa.answers[0x11] = identifyAnswer(2, 0x04);
    auto oddBus = internalController(eCSMI_CISS, 3, 9, 6);
    oddBus.dwPciId = 0xF1A74C01;
    oddBus.answers[0x11] = identifyAnswer(0, 0);
    auto hiddenPartner = internalController(eCSMI_CISS, 4, 2, 7);
    hiddenPartner.answers[0x11] = identifyAnswer(1, 0x00);
    auto otherRedundancy = internalController(eCSMI_CISS, 5, 2, 8);
    otherRedundancy.answers[0x11] = identifyAnswer(3, 0x04);
    machine.controllers = {pci, eisa, isa, oddBus, hiddenPartner, otherRedundancy};

    const Core::DevicePtr pRoot = Schema::System::instance();
    schematest::TreeGuard guard(pRoot);
    Operations::InternalArrayControllerDiscovery discovery;
    EXPECT_EQ(discovery.visit(static_cast<Schema::System&>(*pRoot))->value(), Core::Status::eOK);

    const Attributes common{{"Type", "arraycontroller"}, {"Location", "local"}};
    const auto with = [&common](Attributes extra) {
        extra.insert(common.begin(), common.end());
        return extra;
    };
    const std::map<std::string, Attributes> expected{
        {"System-Slot3", with({{"BusType", "pci"}, {"Slot", "3"}, {"SubsystemID", "4054273029"},
                               {"RedundantState", "Active"}, {"UniqueID", "System-Slot3"}})},
        {"System-Slotunknown", with({{"BusType", "eisa"}, {"Slot", "unknown"}, {"SubsystemID", "1381408800"},
                                     {"UniqueID", "System-Slotunknown"}})},
        {"System-Slot5", with({{"BusType", "isa"}, {"Slot", "5"}, {"RedundantState", "Primary"},
                               {"UniqueID", "System-Slot5"}})},
        {"System-Slot6", with({{"Slot", "6"}, {"UniqueID", "System-Slot6"}})},
        {"System-Slot8", with({{"BusType", "pci"}, {"Slot", "8"}, {"SubsystemID", "0"}, {"UniqueID", "System-Slot8"}})},
    };
    const auto found = childrenById(pRoot);
    ASSERT_EQ(found.size(), expected.size()) << "the partner in slot 7 stays hidden";
    for (const auto& [id, attributes] : expected) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(found.contains(id));
        EXPECT_EQ(attributesOf(*found.at(id)), attributes);
        const auto& controller = static_cast<const Schema::ArrayController&>(*found.at(id));
        EXPECT_EQ(controller.classCode(), 0x4002u);
        EXPECT_EQ(controller.location(), Schema::ArrayController::eLOCAL);
    }

    // A second walk finds the same controllers and adds none.
    discovery.visit(static_cast<Schema::System&>(*pRoot));
    EXPECT_EQ(pRoot->childCount(), expected.size());
}

TEST(Discovery, UnusableLibraryFindsNothing)
{
    optest::FakeControllers machine;
    machine.controllers = {internalController(eCSMI_CISS, 0, 2, 3)};
    InfoMgr::recordInitError(0x80000000);
    const Core::DevicePtr pRoot = Schema::System::instance();
    schematest::TreeGuard guard(pRoot);
    auto& system = static_cast<Schema::System&>(*pRoot);
    Operations::InternalArrayControllerDiscovery internal;
    Operations::HBADiscovery adapters;
    Operations::ExternalArrayControllerDiscovery external;
    EXPECT_EQ(internal.visit(system)->value(), Core::Status::eFAILED);
    EXPECT_EQ(adapters.visit(system)->value(), Core::Status::eFAILED);
    EXPECT_EQ(external.visit(system)->value(), Core::Status::eFAILED);
    EXPECT_EQ(pRoot->childCount(), 0u);
}

TEST(Discovery, AdaptersAndTheRemoteControllersBehindThem)
{
    optest::FakeControllers machine;
    auto adapter = internalController(eCSMI_FIBRE, 6, 2, 4);
    adapter.dwPciId = 0xC2E3100A;
    adapter.abWwn = {0x50, 0x06, 0x0B, 0x00, 0x00, 0xC3, 0x1A, 0x22};
    const auto remote = [](std::uint8_t bTarget, std::vector<std::uint8_t> identity) {
        optest::FakeController controller;
        controller.eCommandType = eCSMI_FIBRE;
        controller.dwPort = 6;
        controller.address = {0, bTarget, 0};
        controller.remoteIdentity = std::move(identity);
        return controller;
    };
    auto fibreBox = remote(1, optest::remoteIdentity(12, 4, "ORVANE  ", "ARRAYBOX 4400   ", "B4401",
                                                     {0x20, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    fibreBox.answers[0x11] = identifyAnswer(0, 0);
    auto otherKind = remote(2, optest::remoteIdentity(11, 4, "ORVANE  ", "ARRAYBOX 4400   ", "B4402", {}));
    auto scsiShelf = remote(3, optest::remoteIdentity(12, 3, "ORVANE  ", "RAIDSHELF 2100  ", "R21",
                                                      {0x20, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x66}));
    scsiShelf.answers[0x11] = identifyAnswer(1, 0x04);
    auto oddBus = remote(4, optest::remoteIdentity(12, 7, "ORVANE  ", "DISKTOWER 8     ", "D8",
                                                   {0x20, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x77}));
    auto noIdentity = remote(5, {});
    adapter.remotes = {fibreBox, otherKind, scsiShelf, oddBus, noIdentity};
    machine.controllers = {adapter};

    const Core::DevicePtr pRoot = Schema::System::instance();
    schematest::TreeGuard guard(pRoot);
    Operations::HBADiscovery adapters;
    EXPECT_TRUE(adapters.visit(static_cast<Schema::System&>(*pRoot))->isOk());
    ASSERT_EQ(pRoot->childCount(), 1u);
    const Core::DevicePtr pAdapter = *pRoot->beginChild();
    EXPECT_EQ(attributesOf(*pAdapter), (Attributes{{"WWN", "50060b0000c31a22"},
                                                   {"Type", "hostbusadapter"},
                                                   {"BusType", "pci"},
                                                   {"Slot", "4"},
                                                   {"SubsystemID", "3269660682"},
                                                   {"UniqueID", "System-50060b0000c31a22"}}));

    Operations::ExternalArrayControllerDiscovery external;
    EXPECT_TRUE(external.visit(static_cast<Schema::HostBusAdapter&>(*pAdapter))->isOk());
    const Attributes common{{"Type", "arraycontroller"}, {"Location", "remote"}, {"VendorID", "ORVANE  "}};
    const auto with = [&common](Attributes extra) {
        extra.insert(common.begin(), common.end());
        return extra;
    };
    const std::map<std::string, Attributes> expected{
        {"System-50060b0000c31a22-2000001122334455",
         with({{"BusType", "fibre"}, {"ProductID", "ARRAYBOX 4400   "}, {"ControllerSerialNumber", "B4401"},
               {"WWN", "2000001122334455"}, {"UniqueID", "System-50060b0000c31a22-2000001122334455"}})},
        {"System-50060b0000c31a22-2000001122334466",
         with({{"BusType", "scsi"}, {"ProductID", "RAIDSHELF 2100  "}, {"ControllerSerialNumber", "R21"},
               {"WWN", "2000001122334466"}, {"RedundantState", "Active"},
               {"UniqueID", "System-50060b0000c31a22-2000001122334466"}})},
        {"System-50060b0000c31a22-2000001122334477",
         with({{"ProductID", "DISKTOWER 8     "}, {"ControllerSerialNumber", "D8"}, {"WWN", "2000001122334477"},
               {"UniqueID", "System-50060b0000c31a22-2000001122334477"}})},
    };
    const auto found = childrenById(pAdapter);
    ASSERT_EQ(found.size(), expected.size()) << "a record of another kind or none at all makes no device";
    for (const auto& [id, attributes] : expected) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(found.contains(id));
        EXPECT_EQ(attributesOf(*found.at(id)), attributes);
        const auto& controller = static_cast<const Schema::ArrayController&>(*found.at(id));
        EXPECT_EQ(controller.classCode(), 0x8007u);
        EXPECT_EQ(controller.location(), Schema::ArrayController::eREMOTE);
    }

    // Walking from the root reaches remote controllers behind array
    // controllers only; the adapter's stay where they are.
    EXPECT_TRUE(external.visit(static_cast<Schema::System&>(*pRoot))->isOk());
    EXPECT_EQ(pAdapter->childCount(), expected.size());
}

TEST(Discovery, RemoteControllersBehindAnInternalController)
{
    optest::FakeControllers machine;
    auto controller = internalController(eCSMI_CISS, 0, 2, 2);
    controller.dwPciId = 0xF1A74C07;
    optest::FakeController box;
    box.eCommandType = eCSMI_CISS;
    box.dwPort = 0;
    box.address = {1, 0, 0};
    box.remoteIdentity = optest::remoteIdentity(12, 3, "ORVANE  ", "ARRAYBOX 4800   ", "C48",
                                                {0x20, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01});
    box.answers[0x11] = identifyAnswer(2, 0x04);
    controller.remotes = {box};
    machine.controllers = {controller};

    const Core::DevicePtr pRoot = Schema::System::instance();
    schematest::TreeGuard guard(pRoot);
    auto& system = static_cast<Schema::System&>(*pRoot);
    Operations::InternalArrayControllerDiscovery internal;
    internal.visit(system);
    ASSERT_EQ(pRoot->childCount(), 1u);
    Operations::ExternalArrayControllerDiscovery external;
    EXPECT_TRUE(external.visit(system)->isOk());
    const Core::DevicePtr pController = *pRoot->beginChild();
    ASSERT_EQ(pController->childCount(), 1u);
    const Core::DevicePtr pBox = *pController->beginChild();
    EXPECT_EQ(pBox->attribute("UniqueID"), "System-Slot2-2001000000000001");
    EXPECT_EQ(pBox->attribute("RedundantState"), "Primary");
    EXPECT_EQ(pBox->attribute("BusType"), "scsi");
}

}
