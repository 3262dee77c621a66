// Controller scans, bus information and controller status of the four
// transports, answered by stand-in drivers with hand-made reply images.
#include "transport_fakedrivers.h"

#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

namespace {

using namespace InfoMgr;
using xporttest::bodyReply;
using xporttest::failing;
using xporttest::FakeDrivers;
using xporttest::Image;

// "ZYRCSMI" code 2 reply, 196 bytes: board 40, slot 44, class 46, bus type
// 47, PCI bus/device/function 48-50, adapter serial text from 80.
Image csmiConfig(std::uint8_t bClass, std::uint8_t bBusType = 3)
{
    Image image(196);
    image.hex(40, "f1a7014c").byte(46, bClass).byte(47, bBusType).hex(48, "020300");
    return image;
}

// "ODXM&P" code 5 reply, 45 bytes: address 28, board 36 (halves most
// significant byte first), bus type 40, PCI bus 41.
Image legacyConfig(std::uint8_t bBusType)
{
    Image image(45);
    image.hex(28, "00500000").hex(36, "a7f14c01").byte(40, bBusType).byte(41, 2);
    return image;
}

std::vector<std::uint32_t> ports(const EssentialDataList& records)
{
    std::vector<std::uint32_t> numbers;
    for (const auto& pRecord : records)
        numbers.push_back(pRecord->port());
    return numbers;
}

class TransportScan : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    tsmtest::TempMachine machine;   // no health driver, no setup records: no slot is found
    FakeDrivers drivers;
};

TEST_F(TransportScan, ReportsOnlyControllersOfItsOwnClassAndCoversEveryPort)
{
    drivers.setPort(0, bodyReply(csmiConfig(4).bytes()));
    drivers.setPort(1, bodyReply(csmiConfig(1).bytes()));     // I2O
    drivers.setPort(2, failing());
    drivers.setPort(3, bodyReply(csmiConfig(4).bytes(), 7));   // ReturnCode set
    drivers.setPort(7, bodyReply(csmiConfig(3).text(80, "FCSERIAL-0042").bytes()));
    drivers.setPort(255, bodyReply(csmiConfig(4).bytes()));

    EssentialDataList ciss;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->discoverControllers(ciss), 0u);
    EXPECT_EQ(ports(ciss), (std::vector<std::uint32_t>{0, 255}));
    EXPECT_EQ(drivers.opens, 256);
    EXPECT_EQ(drivers.liveHandles(), 0);
    for (const auto& pRecord : ciss) {
        EXPECT_EQ(pRecord->eObjectType(), 0x8000u);
        EXPECT_EQ(pRecord->eCommandType(), eCSMI_CISS);
    }

    EssentialDataList i2o;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_I2O)->discoverControllers(i2o), 0u);
    EXPECT_EQ(ports(i2o), (std::vector<std::uint32_t>{1}));

    EssentialDataList fibre;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_FIBRE)->discoverControllers(fibre), 0u);
    ASSERT_EQ(ports(fibre), (std::vector<std::uint32_t>{7}));
    const auto* pAdapter = dynamic_cast<const HBAEssentialData*>(fibre[0].get());
    ASSERT_NE(pAdapter, nullptr);
    EXPECT_EQ(pAdapter->serialNumber(), "FCSERIAL-0042");

    // Every port was asked with the same 196-byte configuration request.
    const auto sent = drivers.requestsTo("\\\\.\\Scsi0:");
    ASSERT_EQ(sent.size(), 3u);
    Image request(196);
    request.hex(0, "1c000000 5a595243534d4900 ffffffff 02000000 00000000 a8000000");
    EXPECT_EQ(xporttest::toHex(sent[0].in), xporttest::toHex(request.bytes()));
    EXPECT_EQ(sent[0].dwCode, 0x0004D008u);

    // A machine without a controller of the kind: 3 and nothing appended.
    FakeDrivers none;
    EssentialDataList empty;
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->discoverControllers(empty), 3u);
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(none.opens, 256);
}

TEST_F(TransportScan, LegacyScanReportsPortsThatFailedTheirRequest)
{
    const auto scan = [](EssentialDataList& records) {
        return createIoCtlCommandGroup(eLEGACY)->discoverControllers(records);
    };
    drivers.setPort(4, bodyReply(legacyConfig(3).bytes()));
    EssentialDataList only;
    EXPECT_EQ(scan(only), 0u);
    EXPECT_EQ(ports(only), (std::vector<std::uint32_t>{4}));

    drivers.setPort(9, failing());
    EssentialDataList withFailure;
    EXPECT_EQ(scan(withFailure), 0x80000009u);
    EXPECT_EQ(ports(withFailure), (std::vector<std::uint32_t>{4}));
    EXPECT_EQ(withFailure[0]->eCommandType(), eLEGACY);

    FakeDrivers failingOnly;
    failingOnly.setPort(9, failing());
    EssentialDataList none;
    EXPECT_EQ(scan(none), 3u);

    const auto sent = failingOnly.requestsTo("\\\\.\\Scsi9:");
    ASSERT_EQ(sent.size(), 1u);
    Image request(45);
    request.hex(0, "1c000000 4f44584d265000 00 b4000000 05000000 00000000 11000000");
    EXPECT_EQ(xporttest::toHex(sent[0].in), xporttest::toHex(request.bytes()));
}

TEST_F(TransportScan, BusInformationOfPciAndEisaControllers)
{
    const SchemaObjectEssentialData ciss(0, 0x8000, eCSMI_CISS);
    drivers.setPort(0, bodyReply(csmiConfig(4).bytes()));
    BusInfoRecord pci{};
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, pci), 0u);
    // kind 2, slot 255 (no lookup route answers), vendor, device, RAID class,
    // vendor high / device low.
    EXPECT_EQ(xporttest::toHex({pci.begin(), pci.end()}), "02000000" "ff00" "f1a7" "014c" "00800100" "014cf1a7");

    // EISA: kind 1 and the board identifier; the slot field stays as it was.
    drivers.setPort(0, bodyReply(csmiConfig(4, 2).bytes()));
    BusInfoRecord eisa;
    eisa.fill(0xEE);
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, eisa), 0u);
    EXPECT_EQ(xporttest::toHex({eisa.begin(), eisa.begin() + 10}), "01000000" "eeee" "f1a7014c");

    // The wrong class, or no port at all.
    drivers.setPort(0, bodyReply(csmiConfig(1).bytes()));
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, pci), 0x80000005u);
    const SchemaObjectEssentialData missing(5, 0x8000, eCSMI_CISS);
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(missing, pci), 0x80000007u);

    // Legacy PCI: each half of the board identifier is byte-swapped.
    const SchemaObjectEssentialData legacy(6, 0x8000, eLEGACY);
    drivers.setPort(6, bodyReply(legacyConfig(3).bytes()));
    BusInfoRecord legacyPci{};
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->getControllerBusInfo(legacy, legacyPci), 0u);
    EXPECT_EQ(xporttest::toHex({legacyPci.begin(), legacyPci.end()}),
              "02000000" "ff00" "f1a7" "014c" "00800100" "014cf1a7");

    // Legacy EISA: slot from bits 12 to 19 of the address value, board as it is.
    drivers.setPort(6, bodyReply(legacyConfig(2).bytes()));
    BusInfoRecord legacyEisa{};
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->getControllerBusInfo(legacy, legacyEisa), 0u);
    EXPECT_EQ(xporttest::toHex({legacyEisa.begin(), legacyEisa.begin() + 10}), "01000000" "0500" "a7f14c01");
    EXPECT_EQ(drivers.liveHandles(), 0);
}

TEST_F(TransportScan, UnknownBusTypeIsFatal)
{
    drivers.setPort(0, bodyReply(csmiConfig(4, 1).bytes()));
    const SchemaObjectEssentialData ciss(0, 0x8000, eCSMI_CISS);
    BusInfoRecord busInfo{};
    EXPECT_DEATH(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, busInfo),
                 "configBuffer.CntlrConfiguration.bIoBusType == 3");
}

TEST_F(TransportScan, ControllerStatusMapsTheStatusRecord)
{
    const SchemaObjectEssentialData ciss(0, 0x8000, eCSMI_CISS);
    const struct {
        std::uint32_t dwStatus;
        std::uint8_t bExpected;
    } cases[] = {{1, 0}, {2, 1}, {4, 1}, {3, 2}, {0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dwStatus);
        drivers.setPort(0, bodyReply(Image(64).le32(28, c.dwStatus).bytes()));
        std::uint8_t bStatus = 0xAA;
        EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->getControllerStatus(ciss, bStatus), 0u);
        EXPECT_EQ(bStatus, c.bExpected);
    }
    Image request(64);
    request.hex(0, "1c000000 5a595243534d4900 ffffffff 03000000 00000000 24000000");
    EXPECT_EQ(xporttest::toHex(drivers.requests.back().in), xporttest::toHex(request.bytes()));

    std::uint8_t bStatus = 0;
    drivers.setPort(0, bodyReply(Image(64).le32(28, 1).bytes(), 1));
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_CISS)->getControllerStatus(ciss, bStatus), 0x80000007u);
    drivers.setPort(0, failing());
    EXPECT_EQ(createIoCtlCommandGroup(eCSMI_FIBRE)->getControllerStatus(ciss, bStatus), 0x80000007u);

    // The legacy transport answers with its configuration request.
    const SchemaObjectEssentialData legacy(3, 0x8000, eLEGACY);
    drivers.setPort(3, bodyReply(legacyConfig(3).bytes()));
    bStatus = 0xAA;
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->getControllerStatus(legacy, bStatus), 0u);
    EXPECT_EQ(bStatus, 0);
    drivers.setPort(3, failing());
    EXPECT_EQ(createIoCtlCommandGroup(eLEGACY)->getControllerStatus(legacy, bStatus), 0x80000007u);
    EXPECT_EQ(bStatus, 1);
}

TEST(TransportFactory, CreatesTheClassOfEachCommandTypeAndRefusesOthers)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (CommandType eType : {eCSMI_CISS, eCSMI_I2O, eCSMI_FIBRE, eCSMI_SWITCH, eLEGACY})
        EXPECT_NE(createIoCtlCommandGroup(eType), nullptr);
    EXPECT_DEATH(createIoCtlCommandGroup(static_cast<CommandType>(4)),
                 "eCommandType == eCSMI_CISS \\|\\| eCommandType == eCSMI_I2O");
}

}
