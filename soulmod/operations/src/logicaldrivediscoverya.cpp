// Creates the logical drives listed by an array.
#include "logicaldrivediscoverya.h"

#include "checkassert.h"
#include "conversion.h"

namespace Operations {

LogicalDriveDiscoveryA::LogicalDriveDiscoveryA()
{
    TSM_ASSERT_INVARIANT();
}

LogicalDriveDiscoveryA::~LogicalDriveDiscoveryA() = default;

bool LogicalDriveDiscoveryA::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string LogicalDriveDiscoveryA::doName() const
{
    return "OperationDiscoverLogicalDrivesA";
}

Core::DeviceOperation::eType LogicalDriveDiscoveryA::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> LogicalDriveDiscoveryA::visit(Schema::Array& array)
{
    TSM_ASSERT_INVARIANT();
    const Core::DriveList drives(array.logicalDrives());
    for (const std::string& entry : drives) {
        Core::DevicePtr pDrive(new Schema::LogicalDrive(Core::parseDriveCount(entry)));
        publishAttribute(*pDrive, Core::Attribute("Type", "logicaldrive"), false);
        publishAttribute(*pDrive, Core::Attribute("Number", entry), false);
        Core::Device::addChild(array.self(), pDrive);
    }
    return CountedPtr<Core::Status>(new Core::Status(true));
}

}
