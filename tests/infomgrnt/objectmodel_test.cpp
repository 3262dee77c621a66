// The object model on the simulated machines: root classes, child walks,
// handles and entry points, information records and requests, with the
// machine's own transports. What no description can make (duplicate records,
// long names, identity records that ask for the name) is laid over them.
#include "byteimage.h"
#include "capturefile.h"
#include "imxinfomgrapi.h"
#include "imxioctltransport.h"
#include "imxtransportsource.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>

namespace {

using namespace InfoMgr;
using tsmtest::ByteImage;
using tsmtest::toHex;

const std::string kMachines = TSM_SOURCE_DIR "/sim/machines/";
constexpr std::uint8_t kUntouched = 0x5A;

// The handles of a parent's children of one type, until getChild fails.
std::vector<INFOMGR_HANDLE> children(INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eType)
{
    std::vector<INFOMGR_HANDLE> handles;
    for (INFOMGR_HANDLE hChild = kNullHandle;
         getChild(hParent, eType, static_cast<std::uint32_t>(handles.size()), &hChild) == kResultOk;)
        handles.push_back(hChild);
    return handles;
}

INFOMGR_HANDLE openRoot(INFOMGR_OBJECT_TYPE eRootType)
{
    INFOMGR_HANDLE hRoot = kNullHandle;
    EXPECT_EQ(open(kNullHandle, eRootType, &hRoot, 0, 0), kResultOk);
    return hRoot;
}

// A name text as the firmware reports it: blank-padded to 32 characters.
std::string padded(const std::string& text)
{
    return text + std::string(32 - text.size(), ' ');
}

// The machine's transports with what the simulator cannot describe laid on
// top: every record found twice, failing name reads, a longer name, and
// remote identity records of kind 3 (the object adds its name).
struct Overlay {
    bool bTwice = false;
    int failNames = 0;
    std::string name;
    bool bKindThree = false;
};

class OverlaidTransport : public ObjectTransport {
public:
    OverlaidTransport(CommandType eType, Overlay& overlay) : m_pIn(createIoCtlTransport(eType)), m_overlay(overlay) {}
    using Record = const SchemaObjectEssentialData&;
    using List = EssentialDataList&;
    using Base = ObjectTransport;

    std::uint32_t discoverControllers(List f) override { return twice(&Base::discoverControllers, f); }
    std::uint32_t discoverRemoteControllers(Record c, List f) override
    {
        return twice(&Base::discoverRemoteControllers, c, f);
    }
    std::uint32_t discoverLogicalDrives(Record c, List f) override { return twice(&Base::discoverLogicalDrives, c, f); }
    std::uint32_t discoverPhysicalDrives(Record c, List f) override
    {
        return twice(&Base::discoverPhysicalDrives, c, f);
    }
    std::uint32_t getControllerBusInfo(Record c, BusInfoRecord& b) override
    {
        return m_pIn->getControllerBusInfo(c, b);
    }
    std::uint32_t getControllerStatus(Record c, std::uint8_t& b) override { return m_pIn->getControllerStatus(c, b); }
    std::uint32_t getFibreIdentity(Record d, FibreIdentityRecord& i) override { return m_pIn->getFibreIdentity(d, i); }
    std::uint32_t getRemoteIdentity(Record d, RemoteIdentityRecord& identity) override
    {
        const std::uint32_t dwResult = m_pIn->getRemoteIdentity(d, identity);
        identity[0] = m_overlay.bKindThree ? 3 : identity[0];
        return dwResult;
    }
    std::uint32_t sendBmicCommand(Record d, const BmicTransfer& command, TransferBuffers& buffers) override
    {
        const bool bName = command.bOpcode == 0x66;
        if (bName && m_overlay.failNames > 0 && m_overlay.failNames--)
            return 0x80000005;
        const std::uint32_t dwResult = m_pIn->sendBmicCommand(d, command, buffers);
        if (bName && !m_overlay.name.empty())
            std::memcpy(static_cast<char*>(buffers.pData) + 44, m_overlay.name.c_str(), m_overlay.name.size() + 1);
        return dwResult;
    }
    std::uint32_t sendScsiCommand(Record d, const ScsiTransfer& command, TransferBuffers& buffers) override
    {
        return m_pIn->sendScsiCommand(d, command, buffers);
    }

private:
    // Runs a discovery of the machine's transport, twice when asked to.
    template <class Discover, class... Args>
    std::uint32_t twice(Discover pDiscover, Args&... args)
    {
        const std::uint32_t dwResult = (m_pIn.get()->*pDiscover)(args...);
        if (m_overlay.bTwice)
            (m_pIn.get()->*pDiscover)(args...);
        return dwResult;
    }
    TransportPtr m_pIn;
    Overlay& m_overlay;
};

// The typical machine: CISS controller on port 0 with a remote controller
// and an enclosure, I2O on 1, a Fibre Channel adapter on 2 with an array
// controller and an enclosure behind it, a legacy EISA controller on 3.
class ObjectModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        discardRootClasses();
        // CISS controllers come first, then legacy, then I2O.
        const std::vector<INFOMGR_HANDLE> controllers = children(openRoot(kRootArrayClass), eOBJECT_CONTROLLER);
        ASSERT_EQ(controllers.size(), 3u);
        hCiss = controllers[0];
        hLegacy = controllers[1];
        hI2O = controllers[2];
        hAdapter = children(openRoot(kRootFibreChannelClass), eOBJECT_CONTROLLER).at(0);
        hCissRemote = children(hCiss, eOBJECT_REMOTE_DEVICE).at(0);
        hFcArray = children(hAdapter, eOBJECT_REMOTE_DEVICE).at(0);
        hFcShelf = children(hAdapter, eOBJECT_REMOTE_DEVICE).at(1);
        hCissDrive = children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0);
        hLegacyDrive = children(hLegacy, eOBJECT_LOGICAL_DRIVE).at(0);
        capture.emplace(machine.root() + "/capture.jsonl");
    }
    void TearDown() override
    {
        setTransportFactory({});
        recordInitError(0);
        discardRootClasses();
    }
    // A fresh tree whose transports carry the overlay.
    void overlay()
    {
        setTransportFactory([this](CommandType eType) -> TransportPtr {
            return std::make_unique<OverlaidTransport>(eType, m_overlay);
        });
        discardRootClasses();
    }

    // Reads a record of exactly dwSize into a buffer of kUntouched bytes with
    // 8 to spare; the hex of the record's bytes, the result code in dwResult.
    static std::string read(INFOMGR_HANDLE hObject, std::uint32_t dwKind, std::uint32_t dwSize, std::uint32_t& dwResult)
    {
        std::vector<std::uint8_t> record(dwSize + 8, kUntouched);
        dwResult = getInfo(hObject, dwKind, 0, record.data(), &dwSize);
        EXPECT_EQ(toHex(record, record.size() - 8), "5a5a5a5a5a5a5a5a");
        return toHex(record, 0, record.size() - 8);
    }
    static std::string untouched(std::uint32_t dwSize) { return toHex(std::vector<std::uint8_t>(dwSize, kUntouched)); }

    tsmtest::TempMachine machine{kMachines + "typical.xml"};
    std::optional<tsmtest::CaptureFile> capture; // requests after the set-up's discovery
    Overlay m_overlay;
    INFOMGR_HANDLE hCiss = 0, hLegacy = 0, hI2O = 0, hAdapter = 0, hCissRemote = 0, hFcArray = 0, hFcShelf = 0,
                   hCissDrive = 0, hLegacyDrive = 0;
};

TEST_F(ObjectModel, ChildrenAreFoundOnceKeptAcrossClosesAndGoneWithTheirTree)
{
    const INFOMGR_HANDLE hRoot = openRoot(kRootArrayClass);
    EXPECT_EQ(close(hRoot), kResultOk);
    EXPECT_EQ(close(hCiss), kResultOk);
    capture.emplace(machine.root() + "/capture.jsonl");
    const std::size_t before = liveObjectCount();

    // The bare class value names the same root; the same children come back
    // without a request to the machine.
    EXPECT_EQ(openRoot(2), hRoot);
    EXPECT_EQ(children(hRoot, eOBJECT_CONTROLLER), (std::vector<INFOMGR_HANDLE>{hCiss, hLegacy, hI2O}));
    EXPECT_EQ(children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0), hCissDrive);
    EXPECT_EQ(openRoot(1), openRoot(kRootFibreChannelClass));
    EXPECT_NE(openRoot(1), hRoot);
    EXPECT_EQ(std::pair(capture->lines().size(), liveObjectCount()), std::pair(std::size_t{0}, before));

    // A discarded tree invalidates its handles; a new tree gets new handles,
    // old values are never reused.
    discardRootClasses();
    EXPECT_EQ(liveObjectCount(), 0u);
    for (const INFOMGR_HANDLE hOld : {hRoot, hCiss, hCissDrive}) {
        SCOPED_TRACE(hOld);
        EXPECT_EQ(close(hOld), kResultInvalidHandle);
    }
    const INFOMGR_HANDLE hNewRoot = openRoot(kRootArrayClass);
    EXPECT_NE(hNewRoot, hRoot);
    EXPECT_NE(children(hNewRoot, eOBJECT_CONTROLLER).at(0), hCiss);
}

TEST_F(ObjectModel, GetChildAnswersPerClassAndChildType)
{
    const struct {
        const char* what;
        INFOMGR_HANDLE hObject;
        INFOMGR_OBJECT_TYPE eType;
        std::uint32_t dwIndex;
        std::uint32_t dwExpected;
    } cases[] = {
        {"CISS logical drive 2", hCiss, eOBJECT_LOGICAL_DRIVE, 2, kResultOk},
        {"CISS past its logical drives", hCiss, eOBJECT_LOGICAL_DRIVE, 3, kResultNoChild},
        {"CISS physical drive 7 (the tape is none)", hCiss, eOBJECT_PHYSICAL_DRIVE, 7, kResultOk},
        {"CISS past its physical drives", hCiss, eOBJECT_PHYSICAL_DRIVE, 8, kResultNoChild},
        {"CISS past its remote controllers", hCiss, eOBJECT_REMOTE_DEVICE, 2, kResultNoChild},
        {"CISS has no controllers below it", hCiss, eOBJECT_CONTROLLER, 0, kResultUnknownType},
        {"legacy physical drive", hLegacy, eOBJECT_PHYSICAL_DRIVE, 2, kResultOk},
        {"legacy has no remote controllers", hLegacy, eOBJECT_REMOTE_DEVICE, 0, kResultUnknownType},
        {"I2O logical drive", hI2O, eOBJECT_LOGICAL_DRIVE, 1, kResultOk},
        {"I2O has no remote controllers", hI2O, eOBJECT_REMOTE_DEVICE, 0, kResultUnknownType},
        {"adapter past its remotes", hAdapter, eOBJECT_REMOTE_DEVICE, 2, kResultNoChild},
        {"remote logical drive", hCissRemote, eOBJECT_LOGICAL_DRIVE, 0, kResultOk},
        {"remote physical drive", hFcArray, eOBJECT_PHYSICAL_DRIVE, 5, kResultOk},
        {"remote has no remotes", hCissRemote, eOBJECT_REMOTE_DEVICE, 0, kResultUnknownType},
        {"drives have no children", hCissDrive, eOBJECT_PHYSICAL_DRIVE, 0, kResultUnknownType},
        {"root refuses remote devices", openRoot(kRootArrayClass), eOBJECT_REMOTE_DEVICE, 0, kResultNotSupported},
        {"root has no drives", openRoot(kRootFibreChannelClass), eOBJECT_LOGICAL_DRIVE, 0, kResultUnknownType},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        INFOMGR_HANDLE hChild = 0xDEAD;
        EXPECT_EQ(getChild(c.hObject, c.eType, c.dwIndex, &hChild, 0, 0), c.dwExpected);
        EXPECT_EQ(hChild != kNullHandle, c.dwExpected == kResultOk);
    }
}

TEST_F(ObjectModel, EntryPointsRejectMalformedCallsAfterARecordedInitialisationError)
{
    const INFOMGR_HANDLE hRoot = openRoot(kRootArrayClass);
    const INFOMGR_HANDLE hStale = 0x7FFFFFF0;
    INFOMGR_HANDLE hOut = 0;
    std::uint8_t buffer[82] = {};
    std::uint32_t dwSize = sizeof buffer;
    const struct {
        const char* what;
        std::function<std::uint32_t()> call;
        std::uint32_t dwExpected;
    } cases[] = {
        {"open", [&] { return open(kNullHandle, kRootArrayClass, &hOut, 0, 0); }, kResultOk},
        {"open type 3", [&] { return open(kNullHandle, 3, &hOut, 0, 0); }, kResultUnknownType},
        {"open type 0x4003", [&] { return open(kNullHandle, 0x4003, &hOut, 0, 0); }, kResultUnknownType},
        {"open with a parent", [&] { return open(hRoot, kRootArrayClass, &hOut, 0, 0); }, kResultInvalidParameter},
        {"open reserved 1", [&] { return open(kNullHandle, kRootArrayClass, &hOut, 1, 0); }, kResultInvalidParameter},
        {"open reserved 2", [&] { return open(kNullHandle, kRootArrayClass, &hOut, 0, 1); }, kResultInvalidParameter},
        {"close invalid", [&] { return close(hStale); }, kResultInvalidHandle},
        {"close null", [&] { return close(kNullHandle); }, kResultInvalidHandle},
        {"getChild", [&] { return getChild(hRoot, eOBJECT_CONTROLLER, 0, &hOut, 0, 0); }, kResultOk},
        {"getChild invalid", [&] { return getChild(hStale, eOBJECT_CONTROLLER, 0, &hOut, 0, 0); },
         kResultInvalidHandle},
        {"getChild reserved", [&] { return getChild(hRoot, eOBJECT_CONTROLLER, 0, &hOut, 0, 9); },
         kResultInvalidParameter},
        {"getInfo invalid", [&] { return getInfo(hStale, kInfoBusInformation, 0, buffer, &dwSize); },
         kResultInvalidHandle},
        {"sendCommand invalid", [&] { return sendCommand(hStale, kRequestBmic, 1, buffer, 29, 0, 0); },
         kResultInvalidHandle},
        {"sendCommand other request", [&] { return sendCommand(hCiss, 0x8003, 1, buffer, 29, 0, 0); },
         kResultInvalidParameter},
        {"sendCommand reserved", [&] { return sendCommand(hCiss, kRequestBmic, 1, buffer, 29, 0, 1); },
         kResultInvalidParameter},
        {"sendCommand direction", [&] { return sendCommand(hCiss, kRequestBmic, 4, buffer, 29, 0, 0); },
         kResultInvalidParameter},
        {"close", [&] { return close(hRoot); }, kResultOk},
    };
    // A recorded initialisation error comes before every check.
    constexpr std::uint32_t kInitError = 0x80000001;
    recordInitError(kInitError);
    EXPECT_EQ(getInitError(), kInitError);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(), kInitError);
    }
    recordInitError(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(), c.dwExpected);
    }
    // Nothing of it reached the machine.
    EXPECT_EQ(capture->lines().size(), 0u);
}

TEST_F(ObjectModel, RecordsCarryTheTransportsAnswerAndTheObjectsIdentity)
{
    // Kind 1: the 18 bytes of the bus record (kind, slot, vendor, device,
    // class, subsystem), then the name, zero-padded; the adapter's name is the
    // serial text of its scan record. Kind 6: the transport's record with the
    // address at 27. A caller must pass exactly the record's size: one byte
    // less answers 1, one more 2, and neither asks the machine.
    const struct {
        INFOMGR_HANDLE hObject;
        std::uint32_t dwKind;
        std::uint32_t dwSize;
        ByteImage expected;
    } cases[] = {
        {hCiss, 1, 82,
         ByteImage(82).hex(0, "02000000 0200 a7f1 014c 00800100 014ca7f1").text(18, padded("P56A3C0KL4B102"))},
        {hLegacy, 1, 82, ByteImage(82).hex(0, "01000000 0500 20a05652")},
        {hAdapter, 1, 82, ByteImage(82).hex(0, "02000000 0400 c2e3 010f 00800100 010fc2e3").text(18, "FCA0204H2K7")},
        {hAdapter, 2, 20, ByteImage().hex(0, "5f1a7000c2e30200 5f1a7000c2e30201 01 021300")},
        {hFcArray, 2, 20, ByteImage().hex(0, "5f1a70000b480100 5f1a70000b480101 01 021401")},
        {hCissRemote, 4, 3, ByteImage().hex(0, "010300")},
        {hCiss, 4, 3, ByteImage().hex(0, "000000")},
        {hCiss, 5, 1, ByteImage().hex(0, "00")},
        {hLegacy, 5, 1, ByteImage().hex(0, "00")},
        {hCissRemote, 5, 1, ByteImage().hex(0, "00")},
        {hCissRemote, 6, 64,
         ByteImage(64)
             .hex(0, "0c0003")
             .text(3, "ORVANE  ARRAYBOX 4400   ")
             .hex(27, "010300")
             .text(32, padded("E09BKS2104"))},
        {hFcArray, 6, 64,
         ByteImage(64)
             .hex(0, "0c0004")
             .text(3, "ORVANE  ARRAYBOX 4800   ")
             .hex(27, "000100")
             .hex(38, "5f1a70000b480100")},
        // An enclosure is no array controller: its record is its names.
        {hFcShelf, 6, 64, ByteImage(64).hex(0, "5f1a70000d210200 5f1a70000d210201 01 021402").hex(27, "000200")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toHex(c.expected.bytes()));
        capture.emplace(machine.root() + "/capture.jsonl");
        std::uint32_t dwResult = 1;
        for (const auto& [dwSize, dwExpected] : {std::pair{c.dwSize - 1, 1u}, std::pair{c.dwSize + 1, 2u}}) {
            EXPECT_EQ(read(c.hObject, c.dwKind, dwSize, dwResult), untouched(dwSize));
            EXPECT_EQ(dwResult, dwExpected);
        }
        EXPECT_EQ(capture->lines().size(), 0u) << "a wrong size asks nothing";
        EXPECT_EQ(read(c.hObject, c.dwKind, c.dwSize, dwResult), toHex(c.expected.bytes()));
        EXPECT_EQ(dwResult, kResultOk);
    }
}

TEST_F(ObjectModel, KindsAnObjectDoesNotKeepAndFailingAnswersCopyNothing)
{
    // The CISS controller's port fails every request and the others are gone:
    // the transport's code comes back, and no answer copies anything.
    machine.writeDescription(R"(<machine><port number="0" driver="ciss"><fault kind="error" error="31"/></port>
                                </machine>)");
    const struct {
        const char* what;
        INFOMGR_HANDLE hObject;
        std::uint32_t dwKind;
        std::uint32_t dwSize;
        std::uint32_t dwExpected;
    } cases[] = {
        {"controller has no fibre identity", hCiss, 2, 20, kResultUnknownType},
        {"controller has no remote identity", hCiss, 6, 64, kResultUnknownType},
        {"CISS remote has no fibre identity", hCissRemote, 2, 20, kResultUnknownType},
        {"adapter has no address record", hAdapter, 4, 3, kResultUnknownType},
        {"adapter has no status", hAdapter, 5, 1, kResultUnknownType},
        {"adapter has no remote identity", hAdapter, 6, 64, kResultUnknownType},
        {"logical drive has no bus record", hCissDrive, 1, 82, kResultUnknownType},
        {"kind 3 belongs to the base", hCiss, 3, 4, kResultNotSupported},
        {"kind 3 on a drive", hCissDrive, 3, 4, kResultNotSupported},
        {"kind 7", hCissRemote, 7, 4, kResultUnknownType},
        {"kind 0", hCiss, 0, 4, kResultUnknownType},
        {"failing bus record request", hCiss, 1, 82, 0x80000005},
        {"failing status request", hCiss, 5, 1, 0x80000007},
        {"port gone", hLegacy, 1, 82, 0x80000007},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint32_t dwResult = 0;
        EXPECT_EQ(read(c.hObject, c.dwKind, c.dwSize, dwResult), untouched(c.dwSize));
        EXPECT_EQ(dwResult, c.dwExpected);
    }
}

TEST_F(ObjectModel, BmicRecordReachesTheTransportWithTheObjectsDetailOrder)
{
    // The command block carries the detail as the object passes it: CISS and
    // remote objects most significant byte first, I2O and legacy least
    // significant byte first. Where each transport's packet holds the block's
    // drive index and value bytes:
    const struct {
        const char* what;
        INFOMGR_HANDLE hObject;
        const char* device;
        std::size_t nIndexAt;
        std::size_t nValueAt;
        const char* value;
    } cases[] = {
        {"CISS controller", hCiss, "\\\\.\\Scsi0:", 41, 42, "01020304"},
        {"CISS remote controller", hCissRemote, "\\\\.\\Scsi0:", 41, 42, "01020304"},
        {"CISS logical drive", hCissDrive, "\\\\.\\Scsi0:", 41, 42, "01020304"},
        {"Fibre Channel remote controller", hFcArray, "\\\\.\\Scsi2:", 45, 46, "01020304"},
        {"legacy controller", hLegacy, "\\\\.\\Scsi3:", 28, 30, "04030201"},
        {"legacy logical drive", hLegacyDrive, "\\\\.\\Scsi3:", 28, 30, "04030201"},
        {"I2O controller", hI2O, "\\\\.\\Scsi1:", 28, 32, "04030201"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        capture.emplace(machine.root() + "/capture.jsonl");
        std::array<std::uint8_t, 512> data{};
        BmicRequestRecord request{
            .bOpcode = 0x11, .dwDetail = 0x01020304, .bLun = 7, .pBuffer = data.data(), .dwBufferSize = 512};
        ASSERT_EQ(sendCommand(c.hObject, kRequestBmic, kDirectionRead, &request, sizeof request, 0, 0), kResultOk);
        const tsmtest::CapturedRequest sent = capture->requests().back();
        EXPECT_EQ(std::tuple(sent.device, sent.in.substr(2 * c.nIndexAt, 2), sent.in.substr(2 * c.nValueAt, 8)),
                  std::tuple(c.device, "07", c.value));
    }
}

TEST_F(ObjectModel, WritesSendTheCallersDataAndOutValuesComeBackIntoTheRecord)
{
    // Data, statuses and sense read through a BMIC record are what every
    // controller command relies on (the reviewed dump and the command failure
    // tests read them); here a write, and a SCSI record.
    std::array<std::uint8_t, 4> data{1, 2, 3, 4};
    BmicRequestRecord request{.bOpcode = 0x11, .pBuffer = data.data(), .dwBufferSize = sizeof data};
    ASSERT_EQ(sendCommand(hCiss, kRequestBmic, kDirectionWrite, &request, sizeof request, 0, 0), kResultOk);
    const std::string sent = capture->requests().back().in;
    // The block's write code and length, the packet's direction, the data.
    EXPECT_EQ(sent.substr(2 * 40, 20), "27000000000011040000");
    EXPECT_EQ(sent.substr(2 * 56, 8), "02000000");
    EXPECT_EQ(sent.substr(2 * 148), "01020304");

    // The CDB as given; the status and as much sense as the record has room for.
    std::array<std::uint8_t, 32> sense{};
    sense.fill(kUntouched);
    const std::uint8_t cdb[10] = {0x5A, 0, 0x3F, 0, 0, 0, 0, 0, 4, 0};
    ScsiRequestRecord scsi{.pCdb = cdb,
                           .bCdbLength = sizeof cdb,
                           .pBuffer = data.data(),
                           .dwBufferSize = sizeof data,
                           .pSenseBuffer = sense.data(),
                           .dwSenseLength = 13};
    ASSERT_EQ(sendCommand(hCissRemote, kRequestScsi, kDirectionRead, &scsi, sizeof scsi, 0, 0), kResultOk);
    EXPECT_EQ(capture->requests().back().in.substr(2 * 40, 20), "5a003f00000000000400");
    EXPECT_EQ(std::tuple(+scsi.bScsiStatus, +scsi.dwSenseLength, toHex(sense, 0, 14)),
              std::tuple(2, 13u, "700005000000000a00000000205a"));
}

TEST_F(ObjectModel, MalformedRecordsAndTransportErrors)
{
    std::array<std::uint8_t, 16> cdb{};
    BmicRequestRecord bmic;
    ScsiRequestRecord scsi{.pCdb = cdb.data(), .bCdbLength = 10};
    ScsiRequestRecord longCdb{.pCdb = cdb.data(), .bCdbLength = 17};
    const struct {
        const char* what;
        std::uint32_t dwRequestType;
        void* pRecord;
        std::uint32_t dwSize;
    } cases[] = {
        {"BMIC record one byte short", kRequestBmic, &bmic, sizeof bmic - 1},
        {"BMIC record one byte long", kRequestBmic, &bmic, sizeof bmic + 1},
        {"SCSI record of BMIC size", kRequestScsi, &scsi, sizeof bmic},
        {"CDB longer than 16 bytes", kRequestScsi, &longCdb, sizeof longCdb},
        {"no record", kRequestBmic, nullptr, sizeof bmic},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sendCommand(hCiss, c.dwRequestType, kDirectionRead, c.pRecord, c.dwSize, 0, 0),
                  kResultInvalidParameter);
    }
    EXPECT_EQ(capture->lines().size(), 0u);

    // The controllers were pulled: their ports no longer open.
    machine.writeDescription("<machine/>");
    EXPECT_EQ(sendCommand(hCiss, kRequestBmic, kDirectionRead, &bmic, sizeof bmic, 0, 0), 0x80000007u);
    EXPECT_EQ(sendCommand(hI2O, kRequestScsi, kDirectionRead, &scsi, sizeof scsi, 0, 0), 0x80000007u);
}

TEST_F(ObjectModel, EqualChildrenMergeIntoTheKnownOneAndNamesAreClippedToTheirFields)
{
    // Every record is reported twice; the first CISS object cannot read its
    // name, its duplicate can, and the known object takes it over. The names
    // are longer than their fields, and remote identity records of kind 3
    // carry them.
    m_overlay.bTwice = true;
    m_overlay.failNames = 1;
    m_overlay.name = std::string(40, 'A') + std::string(30, 'B');
    m_overlay.bKindThree = true;
    overlay();
    const std::vector<INFOMGR_HANDLE> controllers = children(openRoot(kRootArrayClass), eOBJECT_CONTROLLER);
    ASSERT_EQ(controllers.size(), 3u);
    std::uint32_t dwResult = 1;
    EXPECT_EQ(read(controllers[0], 1, 82, dwResult).substr(2 * 18),
              toHex(ByteImage().text(0, std::string(40, 'A') + std::string(24, 'B')).bytes()));
    EXPECT_EQ(children(controllers[0], eOBJECT_LOGICAL_DRIVE).size(), 3u);
    EXPECT_EQ(children(controllers[0], eOBJECT_PHYSICAL_DRIVE).size(), 8u);
    const std::vector<INFOMGR_HANDLE> remotes = children(controllers[0], eOBJECT_REMOTE_DEVICE);
    EXPECT_EQ(remotes.size(), 2u);
    EXPECT_EQ(
        children(children(openRoot(kRootFibreChannelClass), eOBJECT_CONTROLLER).at(0), eOBJECT_REMOTE_DEVICE).size(),
        2u);
    // Two roots, three controllers, three logical and eight physical drives,
    // two remote controllers, the adapter and its two remote devices live on;
    // every duplicate was destroyed.
    EXPECT_EQ(liveObjectCount(), 2u + 3u + 3u + 8u + 2u + 1u + 2u);
    EXPECT_EQ(read(remotes.at(0), 6, 64, dwResult), toHex(ByteImage(64)
                                                              .hex(0, "030003")
                                                              .text(3, "ORVANE  ARRAYBOX 4400   ")
                                                              .hex(27, "010300")
                                                              .text(32, std::string(32, 'A'))
                                                              .bytes()));
    EXPECT_EQ(dwResult, kResultOk);
}

using ObjectModelDeathTest = ObjectModel;

TEST_F(ObjectModelDeathTest, AdapterIsAskedOnlyForRemoteControllers)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    INFOMGR_HANDLE hChild = 0;
    EXPECT_DEATH(getChild(hAdapter, eOBJECT_LOGICAL_DRIVE, 0, &hChild, 0, 0),
                 "Assertion failed: deviceType == \\(\\(INFOMGR_OBJECT_TYPE\\)\\(\\(\\(INFOMGR_OBJECT_TYPE\\)0x8000\\) "
                 "\\+ 7\\)\\), file imxhba");
}

}
