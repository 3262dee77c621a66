// Start-up registration of the operations with the per-kind registries.
#include "registration.h"

#include "arraydiscovery.h"
#include "dataphysicaldrivediscovery.h"
#include "externalarraycontrollerdiscovery.h"
#include "hbadiscovery.h"
#include "internalarraycontrollerdiscovery.h"
#include "logicaldrivediscovery.h"
#include "logicaldrivediscoverya.h"
#include "readcontrollerinfo.h"
#include "readlogicaldriveinfo.h"
#include "readphysicaldriveinfo.h"
#include "schemakinds.h"
#include "sparephysicaldrivediscovery.h"
#include "unassignedphysicaldrivediscovery.h"

namespace Operations {
namespace {

// The registry of a kind is a view on the kind's static list, so a temporary
// one registers for every device of the kind.
template <class Kind, class Operation>
void registerOn()
{
    Core::DeviceOperationRegistry<Kind> registry;
    registry.registerOperation(CountedPtr<Core::DeviceOperation>(new Operation()));
}

}

void registerStartupOperations()
{
    registerOn<Schema::System, HBADiscovery>();
    registerOn<Schema::System, InternalArrayControllerDiscovery>();
    registerOn<Schema::ArrayController, ExternalArrayControllerDiscovery>();
    registerOn<Schema::HostBusAdapter, ExternalArrayControllerDiscovery>();
    registerOn<Schema::ArrayController, ReadControllerInfo>();
}

void registerLogicalDriveSet()
{
    registerStartupOperations();
    registerOn<Schema::ArrayController, LogicalDriveDiscovery>();
    registerOn<Schema::LogicalDrive, ReadLogicalDriveInfo>();
}

void registerArraySet()
{
    registerStartupOperations();
    registerOn<Schema::ArrayController, ArrayDiscovery>();
    registerOn<Schema::Array, LogicalDriveDiscoveryA>();
    registerOn<Schema::LogicalDrive, ReadLogicalDriveInfo>();
    registerOn<Schema::Array, DataPhysicalDriveDiscovery>();
    registerOn<Schema::Array, SparePhysicalDriveDiscovery>();
    registerOn<Schema::ArrayController, UnassignedPhysicalDriveDiscovery>();
    registerOn<Schema::PhysicalDrive, ReadPhysicalDriveInfo>();
}

}
