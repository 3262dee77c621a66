// Creates the data drives listed by an array.
#include "dataphysicaldrivediscovery.h"

#include "checkassert.h"
#include "conversion.h"

namespace Operations {

DataPhysicalDriveDiscovery::DataPhysicalDriveDiscovery()
{
    TSM_ASSERT_INVARIANT();
}

DataPhysicalDriveDiscovery::~DataPhysicalDriveDiscovery() = default;

bool DataPhysicalDriveDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string DataPhysicalDriveDiscovery::doName() const
{
    return "OperationDiscoverDataPhysicalDrives";
}

Core::DeviceOperation::eType DataPhysicalDriveDiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> DataPhysicalDriveDiscovery::visit(Schema::Array& array)
{
    TSM_ASSERT_INVARIANT();
    const Core::DriveList failed(array.failedDrives());
    for (const std::string& entry : Core::DriveList(array.dataDrives())) {
        Core::DevicePtr pDrive(new Schema::PhysicalDrive(Schema::PhysicalDrive::eDATA, Core::parseDriveCount(entry)));
        publishAttribute(*pDrive, Core::Attribute("Type", "physicaldrive"), false);
        publishAttribute(*pDrive, Core::Attribute("DriveNumber", entry), false);
        publishAttribute(*pDrive, Core::Attribute("DriveType", "datadrive"), false);
        if (failed.contains(entry))
            publishAttribute(*pDrive, Core::Attribute("Status", "failed"), false);
        Core::Device::addChild(array.self(), pDrive);
    }
    return CountedPtr<Core::Status>(new Core::Status(true));
}

}
