// The health of a physical drive from its array's and controller's facts.
#include "drivehealth.h"

#include "array.h"
#include "conversion.h"
#include "device.h"
#include "physicaldrive.h"

#include <string>

namespace tsmtool {
namespace {

std::string attributeOr(const Core::Device& device, const std::string& name)
{
    return device.hasAttribute(name) ? device.attribute(name) : std::string();
}

bool hasRecoveringLogicalDrive(const Core::Device& array)
{
    for (auto it = array.beginChild(); it != array.endChild(); ++it)
        if (attributeOr(**it, "Type") == "logicaldrive" && attributeOr(**it, "Status") == "recovering")
            return true;
    return false;
}

}

DriveHealth physicalDriveHealth(const Core::Device& drive, const Core::Device& controller, const Core::Device* pArray)
{
    DriveHealth health;
    const auto* pDrive = dynamic_cast<const Schema::PhysicalDrive*>(&drive);
    if (pDrive == nullptr)
        return health;
    const std::string number = std::to_string(pDrive->number());
    const std::string status = attributeOr(drive, "Status");
    health.bIdentified = status == "ok";
    const auto* pOfArray = dynamic_cast<const Schema::Array*>(pArray);
    if (pOfArray == nullptr || pDrive->role() == Schema::PhysicalDrive::eUNASSIGNED) {
        health.bFailed = status == "failed";
        return health;
    }
    const Core::DriveList failed(pOfArray->failedDrives());
    health.bFailed = failed.contains(number);
    if (!hasRecoveringLogicalDrive(*pArray))
        return health;
    // The rebuild list only grows, so an entry counts only while a logical
    // drive of the array recovers; a spare standing in for a failed drive of
    // such an array is the rebuild's target even before the list names it.
    const bool bListed = Core::DriveList(attributeOr(controller, "RebuildingDriveList")).contains(number);
    const bool bActiveSpare = pDrive->role() == Schema::PhysicalDrive::eSPARE &&
                              Core::DriveList(pOfArray->activeSpareDrives()).contains(number) &&
                              !pOfArray->failedDrives().empty();
    health.bRebuilding = bListed || bActiveSpare;
    return health;
}

}
