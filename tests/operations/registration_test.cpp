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

constexpr auto eREAD = Core::DeviceOperation::eREAD;
constexpr auto eDISCOVER = Core::DeviceOperation::eDISCOVER;

const Entry kHba{"OperationDiscoverHostBusAdapters", eDISCOVER};
const Entry kInternal{"OperationDiscoverInternalArrayControllers", eDISCOVER};
const Entry kExternal{"OperationDiscoverExternalArrayControllers", eDISCOVER};
const Entry kReadController{"OperationReadControllerInfo", eREAD};
const Entry kReadLogical{"OperationReadLogicalDriveInfo", eREAD};

// What one set adds per kind: system, adapter, controller, array, logical
// drive, physical drive.
struct Set {
    const char* pszName;
    void (*registerSet)();
    std::vector<std::vector<Entry>> added;
};

template <class... Kinds>
bool registersExactly(const Set& set)
{
    const std::vector<std::size_t> before{registered<Kinds>().size()...};
    set.registerSet();
    std::size_t kind = 0;
    const std::vector<std::vector<Entry>> added{entries<Kinds>(before[kind++])...};
    // The controller and the adapter each have an external discovery of their own.
    return added == set.added &&
           registered<Schema::ArrayController>()[before[2]].get() != registered<Schema::HostBusAdapter>()[before[1]].get();
}

// Each set is registered in a child process, so the sets do not add up.
TEST(RegistrationDeathTest, EachSetRegistersItsOperationsInOrder)
{
    const Set sets[] = {
        {"start-up", &Operations::registerStartupOperations,
         {{kHba, kInternal}, {kExternal}, {kExternal, kReadController}, {}, {}, {}}},
        {"logical drives", &Operations::registerLogicalDriveSet,
         {{kHba, kInternal},
          {kExternal},
          {kExternal, kReadController, {"OperationDiscoverLogicalDrives", eDISCOVER}},
          {},
          {kReadLogical},
          {}}},
        {"arrays", &Operations::registerArraySet,
         {{kHba, kInternal},
          {kExternal},
          {kExternal, kReadController, {"OperationDiscoverArrays", eDISCOVER},
           {"OperationDiscoverUnassignedPhysicalDrives", eDISCOVER}},
          {{"OperationDiscoverLogicalDrivesA", eDISCOVER}, {"OperationDiscoverDataPhysicalDrives", eDISCOVER},
           {"OperationDiscoverSparePhysicalDrives", eDISCOVER}},
          {kReadLogical},
          {{"OperationReadPhysicalDriveInfo", eREAD}}}},
    };
    for (const Set& set : sets) {
        SCOPED_TRACE(set.pszName);
        EXPECT_EXIT(std::exit(registersExactly<Schema::System, Schema::HostBusAdapter, Schema::ArrayController, Schema::Array,
                                                 Schema::LogicalDrive, Schema::PhysicalDrive>(set) ? 0 : 1), testing::ExitedWithCode(0), "");
    }
}

}
