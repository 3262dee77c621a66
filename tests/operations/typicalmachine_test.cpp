// The tree that refresh builds on the typical simulated machine: the reviewed
// dump checked in beside the schema tests (any change of what discovery or
// controller information publishes shows as a difference; TSM_UPDATE_GOLDEN=1
// rewrites the file instead, review its diff like code); a second refresh that
// keeps it; controllers pulled and put back. And the large machine, whose
// every controller of a known model can be described.
#include "arraycontroller.h"
#include "externalarraycontrollerdiscovery.h"
#include "hbadiscovery.h"
#include "hostbusadapter.h"
#include "imxtransportsource.h"
#include "internalarraycontrollerdiscovery.h"
#include "machinetext.h"
#include "simulatedmachine.h"
#include "system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

using optest::valueOf;

// Every array controller as its firmware version, its parent's "Type" and
// its model name: what the description says of each.
std::multiset<std::string> controllerSummary(const Core::DevicePtr& pRoot)
{
    std::multiset<std::string> summary;
    for (const Core::DevicePtr& pController : optest::controllers(pRoot))
        summary.insert(valueOf(pController, "FirmwareVersion") + " under " + valueOf(pController->pParent(), "Type") +
                       ": " + valueOf(pController, "ControllerName"));
    return summary;
}

Core::DeviceList adapters(const Core::DevicePtr& pRoot)
{
    Core::DeviceFinder finder(pRoot);
    finder.addCriterion("Type", "hostbusadapter");
    return finder.findDevices();
}

// The dump of every child subtree of the root, in no particular order.
std::multiset<std::string> subtreeDumps(const Core::DevicePtr& pRoot)
{
    std::multiset<std::string> dumps;
    for (auto it = pRoot->beginChild(); it != pRoot->endChild(); ++it)
        dumps.insert(Core::dump(**it));
    return dumps;
}

// What the first refresh finds is the reviewed dump of the golden test; here
// a second refresh keeps it, pulled controllers go with their subtrees and
// come back, and discovery from the root adds nothing.
TEST(TypicalMachine, ASecondRefreshKeepsTheTreeAndPulledControllersGoAndComeBack)
{
    optest::SimulatedMachine machine("typical.xml");
    const std::string typical = machine.machine().read("machine.xml");
    const Core::DevicePtr pRoot = machine.refresh();
    const Core::DeviceList adaptersBefore = adapters(pRoot);
    ASSERT_EQ(adaptersBefore.size(), 1u);
    // Six controllers, two of them external behind the CISS one of port 0 and
    // one behind the adapter; the golden dump holds their names.
    const std::multiset<std::string> typicalControllers = controllerSummary(pRoot);
    ASSERT_EQ(typicalControllers.size(), 6u);

    const std::multiset<std::string> first = subtreeDumps(pRoot);
    std::map<std::string, Core::Device*> before;
    for (const Core::DevicePtr& pController : optest::controllers(pRoot))
        before[valueOf(pController, "FirmwareVersion")] = pController.get();
    machine.refresh();
    EXPECT_EQ(subtreeDumps(pRoot), first) << "same devices, same attributes";
    ASSERT_EQ(adapters(pRoot).size(), 1u);
    EXPECT_EQ(adapters(pRoot).front().get(), adaptersBefore.front().get());
    for (const Core::DevicePtr& pController : optest::controllers(pRoot)) {
        const std::string version = valueOf(pController, "FirmwareVersion");
        SCOPED_TRACE(version);
        ASSERT_TRUE(before.contains(version));
        if (!pController->hasAttribute("ControllerSerialNumber")) {
            EXPECT_EQ(pController.get(), before.at(version));
        } else if (valueOf(pController, "Location") == "local") {
            // Its serial number, read after discovery, makes it unequal to the
            // controller the next discovery finds: that one takes its place
            // under the same "UniqueID".
            EXPECT_NE(pController.get(), before.at(version));
        }
    }

    // Pull the CISS controller of port 0 and its two external controllers,
    // then the adapter too: its external controllers leave with it.
    machine.describe(tsmtest::withoutPort(typical, 0));
    machine.refresh();
    EXPECT_EQ(controllerSummary(pRoot),
              (std::multiset<std::string>{"1.66 under system: Tarvion ArrayLine 220",
                                          "3.08 under system: Tarvion ArrayLine 120",
                                          "6.02 under hostbusadapter: Tarvion ArrayBox 4800 Cluster"}));
    EXPECT_EQ(pRoot->childCount(), 3u);
    machine.describe(tsmtest::withoutPort(tsmtest::withoutPort(typical, 0), 2));
    machine.refresh();
    EXPECT_EQ(adapters(pRoot).size(), 0u);
    EXPECT_EQ(controllerSummary(pRoot), (std::multiset<std::string>{"1.66 under system: Tarvion ArrayLine 220",
                                                                    "3.08 under system: Tarvion ArrayLine 120"}));
    machine.describe(typical);
    machine.refresh();
    EXPECT_EQ(controllerSummary(pRoot), typicalControllers);
    EXPECT_EQ(adapters(pRoot).size(), 1u);

    // From the root the external discovery asks every array controller of the
    // tree; with an unusable library every discovery fails.
    auto& system = static_cast<Schema::System&>(*pRoot);
    Operations::ExternalArrayControllerDiscovery external;
    EXPECT_EQ(external.visit(system)->value(), Core::Status::eOK);
    EXPECT_EQ(controllerSummary(pRoot), typicalControllers);
    InfoMgr::recordInitError(0x80000000);
    Operations::InternalArrayControllerDiscovery internal;
    Operations::HBADiscovery hba;
    EXPECT_EQ(std::vector<int>(
                  {internal.visit(system)->value(), hba.visit(system)->value(), external.visit(system)->value()}),
              std::vector<int>(3, Core::Status::eFAILED));
    InfoMgr::recordInitError(0);
}

TEST(LargeMachine, EveryControllerIsFoundAndDescribable)
{
    optest::SimulatedMachine machine("large.xml");
    const Core::DevicePtr pRoot = machine.refresh();
    // 48 ports: twelve of them hold Fibre Channel adapters, the other 36
    // array controllers, one of them with a board no table knows.
    EXPECT_EQ(adapters(pRoot).size(), 12u);
    // Every controller whose model is known carries the bus type and the
    // attribute its bus row describes it by; the discovery document reads both
    // without asking.
    const std::map<std::string, std::string> rowAttribute{
        {"pci", "Slot"}, {"eisa", "Slot"}, {"fibre", "WWN"}, {"scsi", "ControllerSerialNumber"}};
    std::size_t internal = 0;
    std::size_t unknown = 0;
    for (const Core::DevicePtr& pController : optest::controllers(pRoot)) {
        SCOPED_TRACE(valueOf(pController, "UniqueID"));
        internal += valueOf(pController, "Location") == "local" ? 1 : 0;
        EXPECT_TRUE(pController->hasAttribute("FullName"));
        if (valueOf(pController, "ControllerName") == "Unknown") {
            ++unknown;
            continue;
        }
        const std::string bus = valueOf(pController, "BusType");
        ASSERT_TRUE(rowAttribute.contains(bus)) << bus;
        EXPECT_TRUE(pController->hasAttribute(rowAttribute.at(bus)));
    }
    EXPECT_EQ(std::make_pair(internal, unknown), (std::pair<std::size_t, std::size_t>(36, 1)));
}

const char* const kGoldenPath = TSM_GOLDEN_DIR "/typical.dump";

// Runs in a freshly started process: the setup records of the hardware
// library are read once per process, so an earlier machine of the test run
// must not be the one this refresh sees. Returns what differs, empty when
// nothing does; the machine is gone by then.
std::string compareWithGolden()
{
    optest::SimulatedMachine machine("typical.xml");
    const std::string dump = Core::dump(*machine.refresh());
    if (std::getenv("TSM_UPDATE_GOLDEN") != nullptr)
        std::ofstream(kGoldenPath, std::ios::binary) << dump;
    else if (dump != tsmtest::readFile(kGoldenPath))
        return "refreshed tree differs from " + std::string(kGoldenPath) + ":\n" + dump;
    return "";
}

TEST(GoldenDumpDeathTest, TypicalMachineTreeIsTheReviewedOne)
{
    ASSERT_FALSE(tsmtest::readFile(kGoldenPath).empty()) << "missing " << kGoldenPath;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(optest::exitWithFailure(compareWithGolden()), testing::ExitedWithCode(0), "");
}

}
