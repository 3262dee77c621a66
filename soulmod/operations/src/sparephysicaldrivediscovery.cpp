// Creates the spare drives listed by an array.
#include "sparephysicaldrivediscovery.h"

#include "checkassert.h"
#include "conversion.h"

namespace Operations {

SparePhysicalDriveDiscovery::SparePhysicalDriveDiscovery()
{
    TSM_ASSERT_INVARIANT();
}

SparePhysicalDriveDiscovery::~SparePhysicalDriveDiscovery() = default;

bool SparePhysicalDriveDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string SparePhysicalDriveDiscovery::doName() const
{
    return "OperationDiscoverSparePhysicalDrives";
}

Core::DeviceOperation::eType SparePhysicalDriveDiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> SparePhysicalDriveDiscovery::visit(Schema::Array& array)
{
    TSM_ASSERT_INVARIANT();
    const Core::DriveList failed(array.failedDrives());
    const Core::DriveList active(array.activeSpareDrives());
    for (const std::string& entry : Core::DriveList(array.spareDrives())) {
        Core::DevicePtr pDrive(new Schema::PhysicalDrive(Schema::PhysicalDrive::eSPARE, Core::parseDriveCount(entry)));
        publishAttribute(*pDrive, Core::Attribute("Type", "physicaldrive"), false);
        publishAttribute(*pDrive, Core::Attribute("DriveNumber", entry), false);
        publishAttribute(*pDrive, Core::Attribute("DriveType", "sparedrive"), false);
        if (failed.contains(entry))
            publishAttribute(*pDrive, Core::Attribute("Status", "failed"), false);
        if (active.contains(entry))
            publishAttribute(*pDrive, Core::Attribute("ActiveSpareFor", "FailedDrive"), false);
        Core::Device::addChild(array.self(), pDrive);
    }
    return CountedPtr<Core::Status>(new Core::Status(true));
}

}
