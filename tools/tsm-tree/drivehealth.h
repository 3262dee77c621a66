// The health of a physical drive, from the facts that say it: its array's
// failed and active spare lists, the controller's rebuild list and the states
// of the array's logical drives. The drive's own "Status" only says how it
// was discovered (data and spare drives never read "ok"), so it decides
// nothing for a drive of an array.
#ifndef TSM_TOOLS_DRIVEHEALTH_H
#define TSM_TOOLS_DRIVEHEALTH_H

namespace Core {
class Device;
}

namespace tsmtool {

struct DriveHealth {
    bool bFailed = false; // in its array's failed list; unassigned: identify failed
    bool bRebuilding = false; // being rebuilt for a logical drive of its array that is recovering
    bool bIdentified = false; // answered identify this refresh (its "Status" is "ok")
};

// controller is the drive's controller, pArray its array or null for an
// unassigned drive.
DriveHealth physicalDriveHealth(const Core::Device& drive, const Core::Device& controller, const Core::Device* pArray);

}

#endif
