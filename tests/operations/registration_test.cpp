// Start-up registration and the extended sets: which operations each kind
// runs, in which order, and under which names and types.
#include "registration.h"
#include "schemakinds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

template <class Kind>
std::vector<Core::DeviceOperationPtr> registered()
{
    const Core::DeviceOperationRegistry<Kind> registry;
    return std::vector<Core::DeviceOperationPtr>(registry.beginRegisteredOperation(),
                                                 registry.endRegisteredOperation());
}

// Registrations of one kind from the given position on, as "<name>:<type> "
// each: what a set added, whatever the process registered before it.
template <class Kind>
std::string entries(std::size_t from)
{
    std::string result;
    const auto operations = registered<Kind>();
    for (std::size_t i = from; i < operations.size(); ++i)
        result += operations[i]->name() + ":" + std::to_string(operations[i]->type()) + " ";
    return result;
}

// Reads are type 0, discoveries type 2.
const std::string kHba = "OperationDiscoverHostBusAdapters:2 ";
const std::string kInternal = "OperationDiscoverInternalArrayControllers:2 ";
const std::string kExternal = "OperationDiscoverExternalArrayControllers:2 ";
const std::string kReadController = "OperationReadControllerInfo:0 ";
const std::string kReadLogical = "OperationReadLogicalDriveInfo:0 ";

template <class... Kinds>
bool registersExactly(void (*registerSet)(), const std::vector<std::string>& expected)
{
    const std::vector<std::size_t> before{registered<Kinds>().size()...};
    registerSet();
    std::size_t kind = 0;
    const std::vector<std::string> added{entries<Kinds>(before[kind++])...};
    // The controller and the adapter each have an external discovery of their own.
    return added == expected && registered<Schema::ArrayController>()[before[2]].get() !=
                                    registered<Schema::HostBusAdapter>()[before[1]].get();
}

// Each set is registered in a child process, so the sets do not add up.
TEST(RegistrationDeathTest, EachSetRegistersItsOperationsInOrder)
{
    // What each set adds per kind: system, adapter, controller, array,
    // logical drive, physical drive.
    const std::tuple<const char*, void (*)(), std::vector<std::string>> sets[] = {
        {"start-up",
         &Operations::registerStartupOperations,
         {kHba + kInternal, kExternal, kExternal + kReadController, "", "", ""}},
        {"logical drives",
         &Operations::registerLogicalDriveSet,
         {kHba + kInternal, kExternal, kExternal + kReadController + "OperationDiscoverLogicalDrives:2 ", "",
          kReadLogical, ""}},
        {"arrays",
         &Operations::registerArraySet,
         {kHba + kInternal, kExternal,
          kExternal + kReadController + "OperationDiscoverArrays:2 OperationDiscoverUnassignedPhysicalDrives:2 ",
          "OperationDiscoverLogicalDrivesA:2 OperationDiscoverDataPhysicalDrives:2 "
          "OperationDiscoverSparePhysicalDrives:2 ",
          kReadLogical, "OperationReadPhysicalDriveInfo:0 "}},
    };
    for (const auto& [pszName, registerSet, added] : sets) {
        SCOPED_TRACE(pszName);
        EXPECT_EXIT(
            std::exit(registersExactly<Schema::System, Schema::HostBusAdapter, Schema::ArrayController, Schema::Array,
                                       Schema::LogicalDrive, Schema::PhysicalDrive>(registerSet, added)
                          ? 0
                          : 1),
            testing::ExitedWithCode(0), "");
    }
}

}
