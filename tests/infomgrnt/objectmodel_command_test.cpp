// Requests sent through the object model: BMIC and SCSI request records turned
// into transport calls, detail byte order per object, out-values written back.
#include "objectmodel_fakemachine.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using namespace InfoMgr;
using objmodeltest::children;
using objmodeltest::FakeMachine;
using objmodeltest::FakeObject;

class ObjectModelCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeObject ciss;
        ciss.eCommandType = eCSMI_CISS;
        ciss.dwPort = 1;
        ciss.logicalDrives = {4};
        FakeObject external;
        external.eCommandType = eCSMI_CISS;
        external.address = {2, 5, 0};
        ciss.remotes = {external};
        FakeObject legacy;
        legacy.eCommandType = eLEGACY;
        legacy.dwPort = 2;
        legacy.logicalDrives = {3};
        FakeObject i2o;
        i2o.eCommandType = eCSMI_I2O;
        i2o.dwPort = 6;
        FakeObject fibre;
        fibre.eCommandType = eCSMI_FIBRE;
        fibre.dwPort = 8;
        machine.controllers = {ciss, legacy, i2o, fibre};
        machine.install();

        INFOMGR_HANDLE hRoot = kNullHandle;
        open(kNullHandle, kRootArrayClass, &hRoot, 0, 0);
        const std::vector<INFOMGR_HANDLE> controllers = children(hRoot, eOBJECT_CONTROLLER);
        hCiss = controllers.at(0);
        hLegacy = controllers.at(1);
        hI2O = controllers.at(2);
        hExternal = children(hCiss, eOBJECT_REMOTE_DEVICE).at(0);
        hCissDrive = children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0);
        hLegacyDrive = children(hLegacy, eOBJECT_LOGICAL_DRIVE).at(0);
        open(kNullHandle, kRootFibreChannelClass, &hRoot, 0, 0);
        hAdapter = children(hRoot, eOBJECT_CONTROLLER).at(0);
    }
    void TearDown() override { FakeMachine::uninstall(); }

    FakeMachine machine;
    INFOMGR_HANDLE hCiss = 0, hLegacy = 0, hI2O = 0, hExternal = 0, hCissDrive = 0, hLegacyDrive = 0,
                   hAdapter = 0;
};

TEST_F(ObjectModelCommand, BmicRecordReachesTheTransportWithTheObjectsDetailOrder)
{
    // The command block carries the detail as the object passes it: CISS,
    // adapter and remote objects most significant byte first, I2O and legacy
    // least significant byte first (dwDetail is bytes 2 to 5, LSB first).
    struct Case {
        const char* what;
        INFOMGR_HANDLE hObject;
        std::uint32_t dwPort;
        INFOMGR_OBJECT_TYPE eObjectType;
        std::uint32_t dwBlockDetail;
    };
    const Case cases[] = {
        {"CISS controller", hCiss, 1, eOBJECT_CONTROLLER, 0x04030201},
        {"remote controller", hExternal, 1, eOBJECT_REMOTE_DEVICE, 0x04030201},
        {"adapter", hAdapter, 8, eOBJECT_CONTROLLER, 0x04030201},
        {"CISS logical drive", hCissDrive, 1, eOBJECT_LOGICAL_DRIVE, 0x04030201},
        {"legacy controller", hLegacy, 2, eOBJECT_CONTROLLER, 0x01020304},
        {"I2O controller", hI2O, 6, eOBJECT_CONTROLLER, 0x01020304},
        {"legacy logical drive", hLegacyDrive, 2, eOBJECT_LOGICAL_DRIVE, 0x01020304},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.sentBmic.clear();
        std::array<std::uint8_t, 512> data{};
        BmicRequestRecord request;
        request.bOpcode = 0x11;
        request.dwDetail = 0x01020304;
        request.bLun = 7;
        request.pBuffer = data.data();
        request.dwBufferSize = 512;
        ASSERT_EQ(sendCommand(c.hObject, kRequestBmic, kDirectionRead, &request, sizeof request, 0, 0), kResultOk);
        ASSERT_EQ(machine.sentBmic.size(), 1u);
        const objmodeltest::SentBmic& sent = machine.sentBmic[0];
        EXPECT_EQ(sent.dwPort, c.dwPort);
        EXPECT_EQ(sent.eObjectType, c.eObjectType);
        EXPECT_EQ(sent.command.bOpcode, 0x11);
        EXPECT_EQ(sent.command.bDriveIndex, 7);
        EXPECT_EQ(sent.command.dwDetail, c.dwBlockDetail);
        EXPECT_EQ(sent.command.dwDirection, kDirectionRead);
        EXPECT_EQ(sent.dwDataLength, 512u);
    }
    EXPECT_EQ(machine.liveTransports, 0);
}

TEST_F(ObjectModelCommand, OutValuesAndDataComeBackIntoTheRecord)
{
    machine.bmicReplyData = {0xC0, 0xFF, 0xEE};
    machine.bReplyScsiStatus = 2;
    machine.wReplyCommandStatus = 0x0104;
    machine.replySense = {0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x0A, 0, 0, 0, 0, 0x24, 0x00};
    std::array<std::uint8_t, 4> data{};
    std::array<std::uint8_t, 32> sense{};
    BmicRequestRecord request;
    request.bOpcode = 0x64;
    request.pBuffer = data.data();
    request.dwBufferSize = static_cast<std::uint32_t>(data.size());
    request.pSenseBuffer = sense.data();
    request.dwSenseLength = 8; // room for only part of the sense data
    ASSERT_EQ(sendCommand(hCiss, kRequestBmic, kDirectionRead, &request, sizeof request, 0, 0), kResultOk);
    EXPECT_EQ(data, (std::array<std::uint8_t, 4>{0xC0, 0xFF, 0xEE, 0x00}));
    EXPECT_EQ(+request.bScsiStatus, 2);
    EXPECT_EQ(+request.wCommandStatus, 0x0104);
    EXPECT_EQ(+request.dwSenseLength, 8u);
    EXPECT_EQ(sense[2], 0x05);
    EXPECT_EQ(sense[8], 0x00); // beyond the room given

    // A write sends the caller's buffer.
    data = {1, 2, 3, 4};
    ASSERT_EQ(sendCommand(hLegacy, kRequestBmic, kDirectionWrite, &request, sizeof request, 0, 0), kResultOk);
    EXPECT_EQ(machine.lastWrittenData, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(machine.sentBmic.back().command.dwDirection, kDirectionWrite);

    // SCSI: the CDB and the out-values.
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 96, 0};
    ScsiRequestRecord scsi;
    scsi.pCdb = cdb;
    scsi.bCdbLength = sizeof cdb;
    scsi.pBuffer = data.data();
    scsi.dwBufferSize = static_cast<std::uint32_t>(data.size());
    scsi.pSenseBuffer = sense.data();
    scsi.dwSenseLength = 32;
    ASSERT_EQ(sendCommand(hExternal, kRequestScsi, kDirectionRead, &scsi, sizeof scsi, 0, 0), kResultOk);
    EXPECT_EQ(machine.lastCdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 96, 0}));
    EXPECT_EQ(+scsi.bScsiStatus, 2);
    EXPECT_EQ(+scsi.dwSenseLength, 14u);
}

TEST_F(ObjectModelCommand, MalformedRecordsAndTransportErrors)
{
    std::array<std::uint8_t, 16> cdb{};
    BmicRequestRecord bmic;
    ScsiRequestRecord scsi;
    scsi.pCdb = cdb.data();
    scsi.bCdbLength = 17;
    struct Case {
        const char* what;
        std::uint32_t dwRequestType;
        void* pRecord;
        std::uint32_t dwSize;
    };
    const Case cases[] = {
        {"BMIC record one byte short", kRequestBmic, &bmic, sizeof bmic - 1},
        {"BMIC record one byte long", kRequestBmic, &bmic, sizeof bmic + 1},
        {"SCSI record of BMIC size", kRequestScsi, &scsi, sizeof bmic},
        {"CDB longer than 16 bytes", kRequestScsi, &scsi, sizeof scsi},
        {"no record", kRequestBmic, nullptr, sizeof bmic},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sendCommand(hCiss, c.dwRequestType, kDirectionRead, c.pRecord, c.dwSize, 0, 0),
                  kResultInvalidParameter);
    }
    EXPECT_EQ(machine.calls["sendScsiCommand"], 0);
    EXPECT_TRUE(machine.sentBmic.empty());

    machine.dwSendResult = 0x80000007;
    EXPECT_EQ(sendCommand(hCiss, kRequestBmic, kDirectionRead, &bmic, sizeof bmic, 0, 0), 0x80000007u);
    scsi.bCdbLength = 10;
    EXPECT_EQ(sendCommand(hI2O, kRequestScsi, kDirectionRead, &scsi, sizeof scsi, 0, 0), 0x80000007u);
}

}
