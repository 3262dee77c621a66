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

template <class Kind>
std::vector<Entry> entries()
{
    std::vector<Entry> result;
    for (const Core::DeviceOperationPtr& pOperation : registered<Kind>())
        result.emplace_back(pOperation->name(), pOperation->type());
    return result;
}

constexpr auto eREAD = Core::DeviceOperation::eREAD;
constexpr auto eDISCOVER = Core::DeviceOperation::eDISCOVER;

const Entry kHba{"OperationDiscoverHostBusAdapters", eDISCOVER};
const Entry kInternal{"OperationDiscoverInternalArrayControllers", eDISCOVER};
const Entry kExternal{"OperationDiscoverExternalArrayControllers", eDISCOVER};
const Entry kReadController{"OperationReadControllerInfo", eREAD};

bool startupSetIsRegistered()
{
    Operations::registerStartupOperations();
    return entries<Schema::System>() == std::vector<Entry>{kHba, kInternal} &&
           entries<Schema::ArrayController>() == std::vector<Entry>{kExternal, kReadController} &&
           entries<Schema::HostBusAdapter>() == std::vector<Entry>{kExternal} && entries<Schema::Array>().empty() &&
           entries<Schema::LogicalDrive>().empty() && entries<Schema::PhysicalDrive>().empty() &&
           registered<Schema::ArrayController>()[0].get() != registered<Schema::HostBusAdapter>()[0].get();
}

bool logicalDriveSetIsRegistered()
{
    Operations::registerLogicalDriveSet();
    return entries<Schema::System>() == std::vector<Entry>{kHba, kInternal} &&
           entries<Schema::ArrayController>() ==
               std::vector<Entry>{kExternal, kReadController, {"OperationDiscoverLogicalDrives", eDISCOVER}} &&
           entries<Schema::HostBusAdapter>() == std::vector<Entry>{kExternal};
}

bool arraySetIsRegistered()
{
    Operations::registerArraySet();
    return entries<Schema::ArrayController>() == std::vector<Entry>{kExternal,
                                                                    kReadController,
                                                                    {"OperationDiscoverArrays", eDISCOVER},
                                                                    {"OperationDiscoverUnassignedPhysicalDrives", eDISCOVER}} &&
           entries<Schema::Array>() == std::vector<Entry>{{"OperationDiscoverLogicalDrivesA", eDISCOVER},
                                                          {"OperationDiscoverDataPhysicalDrives", eDISCOVER},
                                                          {"OperationDiscoverSparePhysicalDrives", eDISCOVER}} &&
           entries<Schema::System>() == std::vector<Entry>{kHba, kInternal};
}

// Each set is registered in a child process, so the registries start empty.
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
