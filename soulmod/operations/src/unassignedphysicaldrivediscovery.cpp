// Finds the drives of a controller that belong to no array.
#include "unassignedphysicaldrivediscovery.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "conversion.h"
#include "imxreplyoffsets.h"

namespace Operations {

UnassignedPhysicalDriveDiscovery::UnassignedPhysicalDriveDiscovery()
{
    TSM_ASSERT_INVARIANT();
}

UnassignedPhysicalDriveDiscovery::~UnassignedPhysicalDriveDiscovery() = default;

bool UnassignedPhysicalDriveDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string UnassignedPhysicalDriveDiscovery::doName() const
{
    return "OperationDiscoverUnassignedPhysicalDrives";
}

Core::DeviceOperation::eType UnassignedPhysicalDriveDiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> UnassignedPhysicalDriveDiscovery::visit(Schema::ArrayController& controller)
{
    TSM_ASSERT_INVARIANT();
    CountedPtr<Core::Status> pResult(new Core::Status(true));
    if (!controller.hasAttribute("AttachedPhysicalDrives"))
        return pResult;
    // Drives behind a controller in the host are addressed in the highest
    // byte, drives of a remote controller in the lowest.
    const bool bRemote = controller.hasAttribute("Location") && controller.attribute("Location") == "remote";
    for (const std::string& entry : Core::DriveList(controller.attribute("AttachedPhysicalDrives"))) {
        const std::uint32_t dwNumber = Core::parseDriveNumber(entry);
        Core::IdentifyPhysicalDriveCommand identify(bRemote ? dwNumber : dwNumber << 24);
        if (!identify.run(controller)->isOk())
            continue;
        if ((identify.view().u8(InfoMgr::PhysicalDriveReply::kArrayMembership) &
             InfoMgr::PhysicalDriveReply::kInAnArray) != 0)
            continue;
        Core::DevicePtr pDrive(
            new Schema::PhysicalDrive(Schema::PhysicalDrive::eUNASSIGNED, static_cast<std::uint16_t>(dwNumber)));
        publishAttribute(*pDrive, Core::Attribute("Type", "physicaldrive"), false);
        publishAttribute(*pDrive, Core::Attribute("DriveNumber", entry), false);
        publishAttribute(*pDrive, Core::Attribute("DriveType", "unassigned"), false);
        publishAttribute(*pDrive, Core::Attribute("Status", "ok"), false);
        Core::Device::addChild(controller.self(), pDrive);
    }
    return pResult;
}

}
