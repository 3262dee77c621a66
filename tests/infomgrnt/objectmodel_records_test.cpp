// Information records and requests of the object model's objects: exact
// record sizes, contents composed from the transport's answers, kinds an
// object does not keep; BMIC and SCSI request records turned into transport
// calls, detail byte order per object, out-values written back.
#include "objectmodel_fakemachine.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace InfoMgr;
using objmodeltest::children;
using objmodeltest::FakeMachine;
using objmodeltest::FakeObject;
using objmodeltest::openRoot;

constexpr std::uint8_t kUntouched = 0x5A;

class ObjectModelInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Its name is longer than the 64-byte name field of the bus record.
        FakeObject ciss = FakeObject::controller(eCSMI_CISS, 3, std::string(40, 'A') + std::string(30, 'B'));
        // PCI, slot 6, vendor 0x1D2C, device 0x0B07, RAID class, subsystem value.
        ciss.busInfo = {2, 0, 0, 0, 6, 0, 0x2C, 0x1D, 0x07, 0x0B, 0x00, 0x80, 0x01, 0x00, 0x07, 0x0B, 0x2C, 0x1D};
        ciss.bStatus = 2;
        ciss.logicalDrives = {0};
        FakeObject external = FakeObject::remote(eCSMI_CISS, {1, 4, 0}, "EXT-0104");
        external.busInfo = {2, 0, 0, 0, 0xFF, 0};
        external.remoteIdentity[0] = 12; // record kind 12: the transport filled in the serial itself
        external.remoteIdentity[2] = 3;
        std::copy_n("TRANSPORT-SERIAL", 16, external.remoteIdentity.begin() + 32);
        ciss.remotes = {external};

        FakeObject fibre = FakeObject::controller(eCSMI_FIBRE, 9);
        fibre.adapterSerial = "HBA-SER-9";
        fibre.busInfo = {2, 0, 0, 0, 2, 0};
        fibre.fibreIdentity = {0x50, 0x06, 0x0B, 0x00, 0x00, 0xC3, 0x1A, 0x22, 0x50, 0x06, 0x0B, 0x00,
                               0x00, 0xC3, 0x1A, 0x23, 0x01, 0x0A, 0x0B, 0x0C};
        // Record kind 3: the object adds its name (33 characters).
        FakeObject fcArray = FakeObject::remote(eCSMI_FIBRE, {0, 2, 5}, "FC-ARRAY-SERIAL-NUMBER-0123456789");
        fcArray.remoteIdentity[0] = 3;
        fcArray.remoteIdentity[27] = 0xEE;
        fcArray.fibreIdentity[8] = 0x77;
        fibre.remotes = {fcArray};
        FakeObject legacy = FakeObject::controller(eLEGACY, 2);
        legacy.logicalDrives = {3};
        machine.controllers = {ciss, fibre, legacy, FakeObject::controller(eCSMI_I2O, 6)};
        machine.install();

        // CISS controllers come first, then legacy, then I2O.
        const std::vector<INFOMGR_HANDLE> controllers = children(openRoot(kRootArrayClass), eOBJECT_CONTROLLER);
        hCiss = controllers.at(0);
        hLegacy = controllers.at(1);
        hI2O = controllers.at(2);
        hLegacyDrive = children(hLegacy, eOBJECT_LOGICAL_DRIVE).at(0);
        hExternal = children(hCiss, eOBJECT_REMOTE_DEVICE).at(0);
        hLogical = children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0);
        hAdapter = children(openRoot(kRootFibreChannelClass), eOBJECT_CONTROLLER).at(0);
        hFcArray = children(hAdapter, eOBJECT_REMOTE_DEVICE).at(0);
    }
    void TearDown() override { FakeMachine::uninstall(); }

    // Reads a record of exactly its size; the result code in dwResult.
    static std::vector<std::uint8_t> read(INFOMGR_HANDLE hObject, std::uint32_t dwKind, std::uint32_t dwSize,
                                          std::uint32_t& dwResult)
    {
        std::vector<std::uint8_t> record(dwSize + 8, kUntouched);
        dwResult = getInfo(hObject, dwKind, 0, record.data(), &dwSize);
        record.resize(record.size() - 8);
        return record;
    }

    FakeMachine machine;
    INFOMGR_HANDLE hCiss = 0, hExternal = 0, hLogical = 0, hAdapter = 0, hFcArray = 0, hLegacy = 0, hI2O = 0,
                   hLegacyDrive = 0;
};

using ObjectModelCommand = ObjectModelInfo;

TEST_F(ObjectModelInfo, CallerMustPassExactlyTheRecordSize)
{
    struct Case {
        const char* what;
        INFOMGR_HANDLE hObject;
        std::uint32_t dwKind;
        std::uint32_t dwSize;
    };
    const Case cases[] = {
        {"bus information", hCiss, 1, 82},    {"adapter bus information", hAdapter, 1, 82},
        {"remote bus information", hExternal, 1, 82}, {"adapter identity", hAdapter, 2, 20},
        {"remote fibre identity", hFcArray, 2, 20},    {"address", hCiss, 4, 3},
        {"status", hCiss, 5, 1},               {"remote status", hExternal, 5, 1},
        {"remote identity", hExternal, 6, 64},  {"fibre remote identity", hFcArray, 6, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int callsBefore = machine.calls["getControllerBusInfo"] + machine.calls["getRemoteIdentity"];
        for (const auto& [dwSize, dwExpected] : {std::pair{c.dwSize - 1, 1u}, std::pair{c.dwSize + 1, 2u}}) {
            std::uint32_t dwResult = 0;
            const std::vector<std::uint8_t> record = read(c.hObject, c.dwKind, dwSize, dwResult);
            EXPECT_EQ(dwResult, dwExpected);
            EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](std::uint8_t b) { return b == kUntouched; }));
        }
        EXPECT_EQ(machine.calls["getControllerBusInfo"] + machine.calls["getRemoteIdentity"], callsBefore);
        std::uint32_t dwResult = 1;
        read(c.hObject, c.dwKind, c.dwSize, dwResult);
        EXPECT_EQ(dwResult, kResultOk);
    }
}

TEST_F(ObjectModelInfo, RecordsCarryTheTransportsAnswerAndTheObjectsIdentity)
{
    std::uint32_t dwResult = 1;
    // Kind 1: the 18 bytes of the bus record, then the name clipped to 64.
    std::vector<std::uint8_t> expected = {2, 0, 0, 0, 6, 0, 0x2C, 0x1D, 0x07, 0x0B, 0x00, 0x80, 0x01, 0x00,
                                          0x07, 0x0B, 0x2C, 0x1D};
    expected.insert(expected.end(), 40, 'A');
    expected.insert(expected.end(), 24, 'B');
    EXPECT_EQ(read(hCiss, 1, 82, dwResult), expected);
    EXPECT_EQ(dwResult, kResultOk);

    // The adapter's name is the serial text of its scan record, zero-padded.
    expected = {2, 0, 0, 0, 2, 0};
    expected.resize(18, 0);
    const std::string adapterName = "HBA-SER-9";
    expected.insert(expected.end(), adapterName.begin(), adapterName.end());
    expected.resize(82, 0);
    EXPECT_EQ(read(hAdapter, 1, 82, dwResult), expected);

    EXPECT_EQ(read(hAdapter, 2, 20, dwResult),
              (std::vector<std::uint8_t>{0x50, 0x06, 0x0B, 0x00, 0x00, 0xC3, 0x1A, 0x22, 0x50, 0x06, 0x0B, 0x00,
                                         0x00, 0xC3, 0x1A, 0x23, 0x01, 0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(read(hFcArray, 2, 20, dwResult).at(8), 0x77);
    EXPECT_EQ(read(hExternal, 4, 3, dwResult), (std::vector<std::uint8_t>{1, 4, 0}));
    EXPECT_EQ(read(hCiss, 4, 3, dwResult), (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(read(hCiss, 5, 1, dwResult), (std::vector<std::uint8_t>{2}));

    // Kind 6 of kind 12: the transport's record with the address at 27.
    std::vector<std::uint8_t> identity = read(hExternal, 6, 64, dwResult);
    EXPECT_EQ(dwResult, kResultOk);
    EXPECT_EQ(identity[0], 12);
    EXPECT_EQ(identity[2], 3);
    EXPECT_EQ(std::vector<std::uint8_t>(identity.begin() + 27, identity.begin() + 30),
              (std::vector<std::uint8_t>{1, 4, 0}));
    EXPECT_EQ(std::string(identity.begin() + 32, identity.begin() + 48), "TRANSPORT-SERIAL");
    // Kind 6 of kind 3: the object's name, 32 bytes of it, at 32.
    identity = read(hFcArray, 6, 64, dwResult);
    EXPECT_EQ(std::vector<std::uint8_t>(identity.begin() + 27, identity.begin() + 30),
              (std::vector<std::uint8_t>{0, 2, 5}));
    EXPECT_EQ(std::string(identity.begin() + 32, identity.end()), "FC-ARRAY-SERIAL-NUMBER-012345678");
    EXPECT_EQ(machine.liveTransports, 0);
}

TEST_F(ObjectModelInfo, KindsAnObjectDoesNotKeepAreRefused)
{
    struct Case {
        const char* what;
        INFOMGR_HANDLE hObject;
        std::uint32_t dwKind;
        std::uint32_t dwSize;
        std::uint32_t dwExpected;
    };
    const Case cases[] = {
        {"controller has no fibre identity", hCiss, 2, 20, kResultUnknownType},
        {"controller has no remote identity", hCiss, 6, 64, kResultUnknownType},
        {"CISS remote has no fibre identity", hExternal, 2, 20, kResultUnknownType},
        {"adapter has no address record", hAdapter, 4, 3, kResultUnknownType},
        {"adapter has no status", hAdapter, 5, 1, kResultUnknownType},
        {"adapter has no remote identity", hAdapter, 6, 64, kResultUnknownType},
        {"logical drive has no bus record", hLogical, 1, 82, kResultUnknownType},
        {"kind 3 belongs to the base", hCiss, 3, 4, kResultNotSupported},
        {"kind 3 on a drive", hLogical, 3, 4, kResultNotSupported},
        {"kind 7", hExternal, 7, 4, kResultUnknownType},
        {"kind 0", hCiss, 0, 4, kResultUnknownType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint32_t dwResult = 0;
        const std::vector<std::uint8_t> record = read(c.hObject, c.dwKind, c.dwSize, dwResult);
        EXPECT_EQ(dwResult, c.dwExpected);
        EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](std::uint8_t b) { return b == kUntouched; }));
    }
}

TEST_F(ObjectModelInfo, FailingTransportAnswerCopiesNothing)
{
    machine.controllers[0].dwBusInfoResult = 0x80000005;
    std::uint32_t dwResult = 0;
    const std::vector<std::uint8_t> record = read(hCiss, 1, 82, dwResult);
    EXPECT_EQ(dwResult, 0x80000005u);
    EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](std::uint8_t b) { return b == kUntouched; }));
    // A record the transport cannot find gives the transport's code as well.
    machine.controllers[0].dwPort = 4;
    read(hCiss, 5, 1, dwResult);
    EXPECT_EQ(dwResult, 0x80000007u);
}

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
        {"CISS controller", hCiss, 3, eOBJECT_CONTROLLER, 0x04030201},
        {"remote controller", hExternal, 3, eOBJECT_REMOTE_DEVICE, 0x04030201},
        {"adapter", hAdapter, 9, eOBJECT_CONTROLLER, 0x04030201},
        {"CISS logical drive", hLogical, 3, eOBJECT_LOGICAL_DRIVE, 0x04030201},
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
