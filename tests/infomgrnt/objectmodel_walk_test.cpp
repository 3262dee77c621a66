// The object model's entry points and child walk, on a machine behind a test
// transport: root classes, handles, child types per class, duplicates.
#include "objectmodel_fakemachine.h"

namespace {

using namespace InfoMgr;
using objmodeltest::busName;
using objmodeltest::children;
using objmodeltest::FakeMachine;
using objmodeltest::FakeObject;
using objmodeltest::openRoot;

const auto controller = FakeObject::controller;
const auto remote = FakeObject::remote;

class ObjectModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeObject ciss = controller(eCSMI_CISS, 2, "CSN-PORT2");
        ciss.logicalDrives = {0, 1, 2};
        ciss.physicalDrives = {{0, 0, 0}, {0, 1, 1}, {1, 0, 16}};
        FakeObject external = remote(eCSMI_CISS, {1, 4, 0}, "EXT-0104");
        external.logicalDrives = {0};
        external.physicalDrives = {{0, 3, 3}};
        ciss.remotes = {external};
        FakeObject fibre = controller(eCSMI_FIBRE, 4, "");
        fibre.adapterSerial = "HBA-SER-4";
        fibre.remotes = {remote(eCSMI_FIBRE, {0, 2, 0}, "FC-ARRAY"), remote(eCSMI_SWITCH, {0, 3, 0}, "")};
        FakeObject legacy = controller(eLEGACY, 5, "");
        legacy.logicalDrives = {0};
        machine.controllers = {controller(eCSMI_I2O, 0, "I2O-PORT0"), ciss, fibre, legacy,
                               controller(eCSMI_CISS, 7, "CSN-PORT7")};
        machine.install();
    }
    void TearDown() override { FakeMachine::uninstall(); }

    FakeMachine machine;
};

TEST_F(ObjectModel, RootClassesListTheirControllersInScanOrder)
{
    // CISS controllers first, then legacy, then I2O; adapters in their own root.
    const std::vector<INFOMGR_HANDLE> controllers = children(openRoot(kRootArrayClass), eOBJECT_CONTROLLER);
    const std::vector<std::string> expectedNames = {"CSN-PORT2", "CSN-PORT7", "", "I2O-PORT0"};
    ASSERT_EQ(controllers.size(), expectedNames.size());
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(busName(controllers[i]), expectedNames[i]);
    }
    const std::vector<INFOMGR_HANDLE> adapters = children(openRoot(kRootFibreChannelClass), eOBJECT_CONTROLLER);
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(busName(adapters[0]), "HBA-SER-4");
    EXPECT_EQ(machine.calls["discoverControllers"], 4);
    EXPECT_EQ(machine.liveTransports, 0);
}

TEST_F(ObjectModel, ChildrenAreFoundOnceAndKeptAcrossCloses)
{
    const INFOMGR_HANDLE hRoot = openRoot(kRootArrayClass);
    const std::vector<INFOMGR_HANDLE> first = children(hRoot, eOBJECT_CONTROLLER);
    const std::vector<INFOMGR_HANDLE> drives = children(first[0], eOBJECT_LOGICAL_DRIVE);
    EXPECT_EQ(close(hRoot), kResultOk);
    EXPECT_EQ(close(first[0]), kResultOk);

    EXPECT_EQ(openRoot(2), hRoot); // the bare class value names the same root
    EXPECT_EQ(children(hRoot, eOBJECT_CONTROLLER), first);
    EXPECT_EQ(children(first[0], eOBJECT_LOGICAL_DRIVE), drives);
    EXPECT_EQ(machine.calls["discoverControllers"], 3);
    EXPECT_EQ(machine.calls["discoverLogicalDrives"], 1);
    EXPECT_EQ(openRoot(1), openRoot(kRootFibreChannelClass));
    EXPECT_NE(openRoot(1), hRoot);
}

TEST_F(ObjectModel, GetChildAnswersPerClassAndChildType)
{
    const std::vector<INFOMGR_HANDLE> controllers = children(openRoot(kRootArrayClass), eOBJECT_CONTROLLER);
    const INFOMGR_HANDLE hCiss = controllers[0], hLegacy = controllers[2], hI2O = controllers[3];
    const INFOMGR_HANDLE hAdapter = children(openRoot(kRootFibreChannelClass), eOBJECT_CONTROLLER).at(0);
    const INFOMGR_HANDLE hExternal = children(hCiss, eOBJECT_REMOTE_DEVICE).at(0);
    const INFOMGR_HANDLE hLogical = children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0);
    struct Case {
        const char* what;
        INFOMGR_HANDLE hObject;
        INFOMGR_OBJECT_TYPE eType;
        std::uint32_t dwIndex;
        std::uint32_t dwExpected;
    };
    const Case cases[] = {
        {"CISS logical drive 2", hCiss, eOBJECT_LOGICAL_DRIVE, 2, kResultOk},
        {"CISS past its logical drives", hCiss, eOBJECT_LOGICAL_DRIVE, 3, kResultNoChild},
        {"CISS physical drive 2", hCiss, eOBJECT_PHYSICAL_DRIVE, 2, kResultOk},
        {"CISS past its remote controllers", hCiss, eOBJECT_REMOTE_DEVICE, 1, kResultNoChild},
        {"CISS has no controllers below it", hCiss, eOBJECT_CONTROLLER, 0, kResultUnknownType},
        {"legacy logical drive", hLegacy, eOBJECT_LOGICAL_DRIVE, 0, kResultOk},
        {"legacy has no remote controllers", hLegacy, eOBJECT_REMOTE_DEVICE, 0, kResultUnknownType},
        {"I2O has no remote controllers", hI2O, eOBJECT_REMOTE_DEVICE, 0, kResultUnknownType},
        {"adapter remote 1", hAdapter, eOBJECT_REMOTE_DEVICE, 1, kResultOk},
        {"adapter past its remotes", hAdapter, eOBJECT_REMOTE_DEVICE, 2, kResultNoChild},
        {"remote logical drive", hExternal, eOBJECT_LOGICAL_DRIVE, 0, kResultOk},
        {"remote physical drive", hExternal, eOBJECT_PHYSICAL_DRIVE, 0, kResultOk},
        {"remote has no remotes", hExternal, eOBJECT_REMOTE_DEVICE, 0, kResultUnknownType},
        {"drives have no children", hLogical, eOBJECT_PHYSICAL_DRIVE, 0, kResultUnknownType},
        {"root refuses remote devices", openRoot(kRootArrayClass), eOBJECT_REMOTE_DEVICE, 0, kResultNotSupported},
        {"root has no drives", openRoot(kRootFibreChannelClass), eOBJECT_LOGICAL_DRIVE, 0, kResultUnknownType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        INFOMGR_HANDLE hChild = 0xDEAD;
        EXPECT_EQ(getChild(c.hObject, c.eType, c.dwIndex, &hChild, 0, 0), c.dwExpected);
        if (c.dwExpected == kResultOk)
            EXPECT_NE(hChild, kNullHandle);
        else
            EXPECT_EQ(hChild, kNullHandle);
    }
    // Only the CISS controller and the adapter asked their transport for
    // remote controllers; legacy, I2O and remote objects have none.
    EXPECT_EQ(machine.calls["discoverRemoteControllers"], 2);
    EXPECT_EQ(machine.liveTransports, 0);
}

TEST_F(ObjectModel, EntryPointsRejectMalformedCalls)
{
    const INFOMGR_HANDLE hRoot = openRoot(kRootArrayClass);
    const INFOMGR_HANDLE hCiss = children(hRoot, eOBJECT_CONTROLLER).at(0);
    const INFOMGR_HANDLE hStale = 0x7FFFFFF0;
    INFOMGR_HANDLE hOut = 0;
    std::uint8_t buffer[82] = {};
    std::uint32_t dwSize = sizeof buffer;
    struct Case {
        const char* what;
        std::uint32_t dwResult;
        std::uint32_t dwExpected;
    };
    const Case cases[] = {
        {"open type 3", open(kNullHandle, 3, &hOut, 0, 0), kResultUnknownType},
        {"open type 0x4003", open(kNullHandle, 0x4003, &hOut, 0, 0), kResultUnknownType},
        {"open with a parent", open(hRoot, kRootArrayClass, &hOut, 0, 0), kResultInvalidParameter},
        {"open reserved 1", open(kNullHandle, kRootArrayClass, &hOut, 1, 0), kResultInvalidParameter},
        {"open reserved 2", open(kNullHandle, kRootArrayClass, &hOut, 0, 1), kResultInvalidParameter},
        {"close invalid", close(hStale), kResultInvalidHandle},
        {"close null", close(kNullHandle), kResultInvalidHandle},
        {"getChild invalid", getChild(hStale, eOBJECT_CONTROLLER, 0, &hOut, 0, 0), kResultInvalidHandle},
        {"getChild reserved", getChild(hRoot, eOBJECT_CONTROLLER, 0, &hOut, 0, 9), kResultInvalidParameter},
        {"getInfo invalid", getInfo(hStale, kInfoBusInformation, 0, buffer, &dwSize), kResultInvalidHandle},
        {"sendCommand invalid", sendCommand(hStale, kRequestBmic, kDirectionRead, buffer, 29, 0, 0),
         kResultInvalidHandle},
        {"sendCommand other request", sendCommand(hCiss, 0x8003, kDirectionRead, buffer, 29, 0, 0),
         kResultInvalidParameter},
        {"sendCommand reserved", sendCommand(hCiss, kRequestBmic, kDirectionRead, buffer, 29, 0, 1),
         kResultInvalidParameter},
        {"sendCommand direction", sendCommand(hCiss, kRequestBmic, 4, buffer, 29, 0, 0), kResultInvalidParameter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.dwResult, c.dwExpected);
    }
    EXPECT_EQ(machine.calls["sendBmicCommand"], 4); // only the name reads of the controllers
}

TEST_F(ObjectModel, RecordedInitialisationErrorComesBeforeEveryCheck)
{
    const INFOMGR_HANDLE hRoot = openRoot(kRootArrayClass);
    constexpr std::uint32_t kInitError = 0x80000001;
    recordInitError(kInitError);
    EXPECT_EQ(getInitError(), kInitError);
    INFOMGR_HANDLE hOut = 0;
    std::uint8_t buffer[82] = {};
    std::uint32_t dwSize = sizeof buffer;
    EXPECT_EQ(open(kNullHandle, kRootArrayClass, &hOut, 0, 0), kInitError);
    EXPECT_EQ(open(kNullHandle, 3, &hOut, 0, 0), kInitError);
    EXPECT_EQ(close(hRoot), kInitError);
    EXPECT_EQ(getChild(hRoot, eOBJECT_CONTROLLER, 0, &hOut, 0, 0), kInitError);
    EXPECT_EQ(getInfo(0x7FFFFFF0, kInfoBusInformation, 0, buffer, &dwSize), kInitError);
    EXPECT_EQ(sendCommand(0x7FFFFFF0, kRequestBmic, kDirectionRead, buffer, 29, 0, 0), kInitError);
    EXPECT_EQ(machine.calls["discoverControllers"], 0);
    recordInitError(0);
    EXPECT_EQ(close(hRoot), kResultOk);
}

TEST_F(ObjectModel, EqualChildrenMergeIntoTheKnownOne)
{
    // The CISS controller on port 2 is reported twice; its first object could
    // not read a name, the duplicate could. Remote controller and drives
    // repeat as well; the physical drives differ by position only.
    FakeObject& ciss = machine.controllers[1];
    ciss.logicalDrives = {0, 1, 0, 1};
    ciss.physicalDrives = {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}};
    ciss.remotes.push_back(ciss.remotes[0]);
    machine.controllers = {machine.controllers[0], ciss, ciss};
    // Names are read as the objects are made: both CISS records, then I2O.
    machine.nameSequence = {"", "CSN-LATE", "I2O-PORT0"};

    const std::size_t before = liveObjectCount();
    const std::vector<INFOMGR_HANDLE> controllers = children(openRoot(kRootArrayClass), eOBJECT_CONTROLLER);
    ASSERT_EQ(controllers.size(), 2u);
    EXPECT_EQ(busName(controllers[0]), "CSN-LATE");
    EXPECT_EQ(busName(controllers[1]), "I2O-PORT0");
    EXPECT_EQ(children(controllers[0], eOBJECT_LOGICAL_DRIVE).size(), 2u);
    EXPECT_EQ(children(controllers[0], eOBJECT_PHYSICAL_DRIVE).size(), 2u);
    EXPECT_EQ(children(controllers[0], eOBJECT_REMOTE_DEVICE).size(), 1u);
    // The root, two controllers, two logical and two physical drives and one
    // remote controller live on; every duplicate was destroyed.
    EXPECT_EQ(liveObjectCount() - before, 8u);
}

TEST_F(ObjectModel, DiscardedTreeInvalidatesItsHandles)
{
    const std::size_t before = liveObjectCount();
    const INFOMGR_HANDLE hRoot = openRoot(kRootArrayClass);
    const INFOMGR_HANDLE hCiss = children(hRoot, eOBJECT_CONTROLLER).at(0);
    const INFOMGR_HANDLE hDrive = children(hCiss, eOBJECT_LOGICAL_DRIVE).at(0);
    EXPECT_EQ(liveObjectCount() - before, 1u + 4u + 3u);
    discardRootClasses();
    EXPECT_EQ(liveObjectCount(), before);
    for (const INFOMGR_HANDLE hOld : {hRoot, hCiss, hDrive}) {
        SCOPED_TRACE(hOld);
        EXPECT_EQ(close(hOld), kResultInvalidHandle);
    }
    // A new tree gets new handles; old values are never reused.
    const INFOMGR_HANDLE hNewRoot = openRoot(kRootArrayClass);
    EXPECT_NE(hNewRoot, hRoot);
    EXPECT_NE(children(hNewRoot, eOBJECT_CONTROLLER).at(0), hCiss);
}

using ObjectModelDeathTest = ObjectModel;

TEST_F(ObjectModelDeathTest, AdapterIsAskedOnlyForRemoteControllers)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const INFOMGR_HANDLE hAdapter = children(openRoot(kRootFibreChannelClass), eOBJECT_CONTROLLER).at(0);
    INFOMGR_HANDLE hChild = 0;
    EXPECT_DEATH(getChild(hAdapter, eOBJECT_LOGICAL_DRIVE, 0, &hChild, 0, 0),
                 "Assertion failed: deviceType == \\(\\(INFOMGR_OBJECT_TYPE\\)\\(\\(\\(INFOMGR_OBJECT_TYPE\\)0x8000\\) "
                 "\\+ 7\\)\\), file imxhba");
}

}
