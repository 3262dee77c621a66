// Reading logical drive information: configuration and status replies as
// attributes of the drive, the drive being rebuilt on its controller.
#include "readlogicaldriveinfo.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "conversion.h"
#include "drivecontroller.h"
#include "logicaldrivereplies.h"

namespace Operations {
namespace {

// "Enabled" or "Disabled" as the controller's accelerator settings give it
// for the drive; empty when the controller says nothing about the drive.
std::string acceleratorState(const Core::Device& controller, std::uint16_t wNumber)
{
    if (attributeIs(controller, "ArrayAccelerator", "Disabled"))
        return "Disabled";
    if (!controller.hasAttribute("EnabledAcceleratorList"))
        return std::string();
    const Core::DriveList enabled(controller.attribute("EnabledAcceleratorList"));
    return enabled.contains(std::to_string(wNumber)) ? "Enabled" : "Disabled";
}

}

ReadLogicalDriveInfo::ReadLogicalDriveInfo()
{
    TSM_ASSERT_INVARIANT();
}

ReadLogicalDriveInfo::~ReadLogicalDriveInfo() = default;

bool ReadLogicalDriveInfo::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string ReadLogicalDriveInfo::doName() const
{
    return "OperationReadLogicalDriveInfo";
}

Core::DeviceOperation::eType ReadLogicalDriveInfo::doType() const
{
    return eREAD;
}

CountedPtr<Core::Status> ReadLogicalDriveInfo::visit(Schema::LogicalDrive& drive)
{
    TSM_ASSERT_INVARIANT();
    namespace Replies = LogicalDriveReplies;
    CountedPtr<Core::Status> pResult(new Core::Status(true));
    const auto bNumber = static_cast<std::uint8_t>(drive.number());
    Core::LogicalDriveConfigCommand config(bNumber);
    Core::LogicalDriveStatusCommand status(bNumber);
    if (!config.run(drive)->isOk() || !status.run(drive)->isOk())
        return pResult;

    const Core::DevicePtr pController = controllerOf(drive);
    TSM_ASSERT(pController.get() != nullptr);
    publishAll(*this, drive, Replies::configurationAttributes(config.view()));
    publishAll(*this, drive, Replies::geometryAttributes(config.view()));
    publishAttribute(drive, Core::Attribute("ArrayAccelerator", acceleratorState(*pController, drive.number())), false);
    publishAll(*this, drive, Replies::statusAttributes(status.view()));
    if (Replies::isRecovering(status.view())) {
        // Several drives rebuilding onto one physical drive list it once.
        Core::DriveList rebuilding;
        if (pController->hasAttribute("RebuildingDriveList"))
            rebuilding.addAll(pController->attribute("RebuildingDriveList"));
        rebuilding.add(Replies::rebuildingDrive(status.view(), attributeIs(*pController, "UsingBigMap", "True")));
        publishAttribute(*pController, Core::Attribute("RebuildingDriveList", rebuilding.toText()), false);
    }
    for (const std::string& name : Replies::snapshotRemovals())
        drive.removeAttribute(name);
    publishAll(*this, drive, Replies::snapshotAttributes(config.view(), status.view()));
    TSM_ASSERT_INVARIANT();
    return pResult;
}

}
