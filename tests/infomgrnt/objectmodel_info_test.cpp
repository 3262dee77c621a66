// Information records of the object model's objects: exact sizes, contents
// composed from the transport's answers, kinds an object does not keep.
#include "objectmodel_fakemachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace InfoMgr;
using objmodeltest::children;
using objmodeltest::FakeMachine;
using objmodeltest::FakeObject;

constexpr std::uint8_t kUntouched = 0x5A;

class ObjectModelInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeObject ciss;
        ciss.eCommandType = eCSMI_CISS;
        ciss.dwPort = 3;
        // Longer than the 64-byte name field of the bus record.
        ciss.serialNumber = std::string(40, 'A') + std::string(30, 'B');
        // PCI, slot 6, vendor 0x1D2C, device 0x0B07, RAID class, subsystem value.
        ciss.busInfo = {2, 0, 0, 0, 6, 0, 0x2C, 0x1D, 0x07, 0x0B, 0x00, 0x80, 0x01, 0x00, 0x07, 0x0B, 0x2C, 0x1D};
        ciss.bStatus = 2;
        FakeObject external;
        external.eCommandType = eCSMI_CISS;
        external.address = {1, 4, 0};
        external.serialNumber = "EXT-0104";
        external.busInfo = {2, 0, 0, 0, 0xFF, 0};
        external.remoteIdentity[0] = 12; // record kind 12: the transport filled in the serial itself
        external.remoteIdentity[2] = 3;
        std::copy_n("TRANSPORT-SERIAL", 16, external.remoteIdentity.begin() + 32);
        ciss.remotes = {external};
        ciss.logicalDrives = {0};

        FakeObject fibre;
        fibre.eCommandType = eCSMI_FIBRE;
        fibre.dwPort = 9;
        fibre.adapterSerial = "HBA-SER-9";
        fibre.busInfo = {2, 0, 0, 0, 2, 0};
        fibre.fibreIdentity = {0x50, 0x06, 0x0B, 0x00, 0x00, 0xC3, 0x1A, 0x22, 0x50, 0x06, 0x0B, 0x00,
                               0x00, 0xC3, 0x1A, 0x23, 0x01, 0x0A, 0x0B, 0x0C};
        FakeObject fcArray;
        fcArray.eCommandType = eCSMI_FIBRE;
        fcArray.address = {0, 2, 5};
        fcArray.serialNumber = "FC-ARRAY-SERIAL-NUMBER-0123456789"; // 33 characters
        fcArray.remoteIdentity[0] = 3; // record kind 3: the object adds its name
        fcArray.remoteIdentity[27] = 0xEE;
        fcArray.fibreIdentity[8] = 0x77;
        fibre.remotes = {fcArray};
        machine.controllers = {ciss, fibre};
        machine.install();

        hCiss = first(kRootArrayClass, eOBJECT_CONTROLLER);
        hExternal = children(hCiss, eOBJECT_REMOTE_DEVICE).at(0);
        hLogical = children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0);
        hAdapter = first(kRootFibreChannelClass, eOBJECT_CONTROLLER);
        hFcArray = children(hAdapter, eOBJECT_REMOTE_DEVICE).at(0);
    }
    void TearDown() override { FakeMachine::uninstall(); }

    static INFOMGR_HANDLE first(INFOMGR_OBJECT_TYPE eRoot, INFOMGR_OBJECT_TYPE eType)
    {
        INFOMGR_HANDLE hRoot = kNullHandle;
        EXPECT_EQ(open(kNullHandle, eRoot, &hRoot, 0, 0), kResultOk);
        return children(hRoot, eType).at(0);
    }

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
    INFOMGR_HANDLE hCiss = 0, hExternal = 0, hLogical = 0, hAdapter = 0, hFcArray = 0;
};

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

}
