// Reading physical drive information: the identify reply as attributes of a
// good drive, only its position for one that is not.
#include "readphysicaldriveinfo.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "conversion.h"
#include "drivecontroller.h"
#include "physicaldrivereplies.h"

namespace Operations {

ReadPhysicalDriveInfo::ReadPhysicalDriveInfo()
{
    TSM_ASSERT_INVARIANT();
}

ReadPhysicalDriveInfo::~ReadPhysicalDriveInfo() = default;

bool ReadPhysicalDriveInfo::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string ReadPhysicalDriveInfo::doName() const
{
    return "OperationReadPhysicalDriveInfo";
}

Core::DeviceOperation::eType ReadPhysicalDriveInfo::doType() const
{
    return eREAD;
}

CountedPtr<Core::Status> ReadPhysicalDriveInfo::visit(Schema::PhysicalDrive& drive)
{
    TSM_ASSERT_INVARIANT();
    namespace Replies = PhysicalDriveReplies;
    const Core::DevicePtr pController = controllerOf(drive);
    TSM_ASSERT(pController.get() != nullptr);
    const std::uint32_t dwNumber = drive.number();
    // A remote controller takes the drive number in the lowest byte, any
    // other in the highest.
    const bool bRemote = attributeIs(*pController, "Location", "remote");
    Core::IdentifyPhysicalDriveCommand identify(bRemote ? dwNumber : dwNumber << 24);
    const bool bGood = attributeIs(drive, "Status", "ok") && identify.run(drive)->isOk();
    if (bGood) {
        const std::string number = std::to_string(dwNumber);
        const bool bRebuilding = pController->hasAttribute("RebuildingDriveList") &&
                                 Core::DriveList(pController->attribute("RebuildingDriveList")).contains(number);
        publishAll(*this, drive, Replies::identifyAttributes(identify.view(), bRebuilding));
    } else {
        publishAll(*this, drive, Replies::failedAttributes(drive.number()));
    }
    TSM_ASSERT_INVARIANT();
    return CountedPtr<Core::Status>(new Core::Status(true));
}

}
