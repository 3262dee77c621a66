// Start-up registration and the extended sets: which operations each kind
// runs, in which order, and under which names and types.
#include "registration.h"
#include "schemakinds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entry = std::pair<std::string, Core::DeviceOperation::eType>;

template <class Kind>
std::vector<Core::DeviceOperationPtr> registered()
{
    const Core::DeviceOperationRegistry<Kind> registry;
    return std::vector<Core::DeviceOperationPtr>(registry.beginRegisteredOperation(), registry.endRegisteredOperation());
}

// Registrations of one kind from the given position on: what a set added,
// whatever the process registered before it.
template <class Kind>
std::vector<Entry> entries(std::size_t from = 0)
{
    std::vector<Entry> result;
    const auto operations = registered<Kind>();
    for (std::size_t i = from; i < operations.size(); ++i)
        result.emplace_back(operations[i]->name(), operations[i]->type());
    return result;
}

struct Before {
    std::size_t system = registered<Schema::System>().size();
    std::size_t adapter = registered<Schema::HostBusAdapter>().size();
    std::size_t controller = registered<Schema::ArrayController>().size();
    std::size_t array = registered<Schema::Array>().size();
    std::size_t logical = registered<Schema::LogicalDrive>().size();
    std::size_t physical = registered<Schema::PhysicalDrive>().size();
};

constexpr auto eREAD = Core::DeviceOperation::eREAD;
constexpr auto eDISCOVER = Core::DeviceOperation::eDISCOVER;

const Entry kHba{"OperationDiscoverHostBusAdapters", eDISCOVER};
const Entry kInternal{"OperationDiscoverInternalArrayControllers", eDISCOVER};
const Entry kExternal{"OperationDiscoverExternalArrayControllers", eDISCOVER};
const Entry kReadController{"OperationReadControllerInfo", eREAD};
const Entry kReadLogical{"OperationReadLogicalDriveInfo", eREAD};

bool startupSetIsRegistered()
{
    const Before before;
    Operations::registerStartupOperations();
    return entries<Schema::System>(before.system) == std::vector<Entry>{kHba, kInternal} &&
           entries<Schema::ArrayController>(before.controller) == std::vector<Entry>{kExternal, kReadController} &&
           entries<Schema::HostBusAdapter>(before.adapter) == std::vector<Entry>{kExternal} &&
           entries<Schema::Array>(before.array).empty() && entries<Schema::LogicalDrive>(before.logical).empty() &&
           entries<Schema::PhysicalDrive>(before.physical).empty() &&
           registered<Schema::ArrayController>()[before.controller].get() !=
               registered<Schema::HostBusAdapter>()[before.adapter].get();
}

bool logicalDriveSetIsRegistered()
{
    const Before before;
    Operations::registerLogicalDriveSet();
    return entries<Schema::System>(before.system) == std::vector<Entry>{kHba, kInternal} &&
           entries<Schema::ArrayController>(before.controller) ==
               std::vector<Entry>{kExternal, kReadController, {"OperationDiscoverLogicalDrives", eDISCOVER}} &&
           entries<Schema::HostBusAdapter>(before.adapter) == std::vector<Entry>{kExternal} &&
           entries<Schema::LogicalDrive>(before.logical) == std::vector<Entry>{kReadLogical} &&
           entries<Schema::PhysicalDrive>(before.physical).empty();
}

bool arraySetIsRegistered()
{
    const Before before;
    Operations::registerArraySet();
    return entries<Schema::ArrayController>(before.controller) == std::vector<Entry>{kExternal,
                                                                    kReadController,
                                                                    {"OperationDiscoverArrays", eDISCOVER},
                                                                    {"OperationDiscoverUnassignedPhysicalDrives", eDISCOVER}} &&
           entries<Schema::Array>(before.array) == std::vector<Entry>{{"OperationDiscoverLogicalDrivesA", eDISCOVER},
                                                          {"OperationDiscoverDataPhysicalDrives", eDISCOVER},
                                                          {"OperationDiscoverSparePhysicalDrives", eDISCOVER}} &&
           entries<Schema::LogicalDrive>(before.logical) == std::vector<Entry>{kReadLogical} &&
           entries<Schema::PhysicalDrive>(before.physical) ==
               std::vector<Entry>{{"OperationReadPhysicalDriveInfo", eREAD}} &&
           entries<Schema::System>(before.system) == std::vector<Entry>{kHba, kInternal};
}

// Each set is registered in a child process, so the sets do not add up.
TEST(RegistrationDeathTest, StartupSetRegistersFiveOperationsInOrder)
{
    EXPECT_EXIT(std::exit(startupSetIsRegistered() ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(RegistrationDeathTest, LogicalDriveSetAddsLogicalDriveDiscovery)
{
    EXPECT_EXIT(std::exit(logicalDriveSetIsRegistered() ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(RegistrationDeathTest, ArraySetAddsArraysAndTheirDrives)
{
    EXPECT_EXIT(std::exit(arraySetIsRegistered() ? 0 : 1), testing::ExitedWithCode(0), "");
}

}
