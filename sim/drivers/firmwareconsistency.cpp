// Refuses logical and physical drive states that contradict each other, the
// way no controller would report them.
#include "firmwaremodel.h"

#include <algorithm>
#include <set>

namespace sim::fw {

namespace {

constexpr uint8_t kInterimRecovery = 3;
constexpr uint8_t kReadyForRecovery = 4;
constexpr uint8_t kRecovering = 5;
constexpr uint16_t kRaid0 = 0;
constexpr uint16_t kRaid51 = 4;

bool isRecoveryState(uint8_t status)
{
    return status == kInterimRecovery || status == kReadyForRecovery || status == kRecovering;
}

const char* stateName(uint8_t status)
{
    return status == kInterimRecovery    ? "interimrecovery"
           : status == kReadyForRecovery ? "readyforrecovery"
                                         : "recovering";
}

bool holds(const std::vector<Slot>& slots, Slot slot)
{
    return std::find(slots.begin(), slots.end(), slot) != slots.end();
}

std::string slotText(Slot slot)
{
    return std::to_string(slot.port) + ":" + std::to_string(slot.target);
}

std::set<Slot> slotSet(const std::vector<Slot>& slots)
{
    return {slots.begin(), slots.end()};
}

// The bytes the data drives behind a logical drive hold: the smallest drive's
// usable blocks on each drive that does not hold redundancy.
uint64_t capacityBehind(const ControllerModel& model, const LogicalDrive& drive)
{
    uint64_t smallest = ~uint64_t(0);
    for (const Slot slot : drive.drives) {
        const PhysicalDrive* disk = model.physicalDrive(slot);
        const uint64_t usable = disk->totalBlocks > disk->reservedBlocks ? disk->totalBlocks - disk->reservedBlocks : 0;
        smallest = std::min(smallest, usable * (disk->blockSize == 0 ? 512 : disk->blockSize));
    }
    const uint64_t count = drive.drives.size();
    return smallest * (count > drive.faultTolerance ? count - drive.faultTolerance : 1);
}

// The first contradiction within one logical drive, or "".
std::string contradiction(const ControllerModel& model, const LogicalDrive& drive)
{
    for (const Slot slot : drive.failed)
        if (!holds(drive.drives, slot) && !holds(drive.spares, slot))
            return "failed names " + slotText(slot) + ", which is neither a drive nor a spare of it";
    for (const Slot slot : drive.activeSpares)
        if (!holds(drive.spares, slot))
            return "activespares names " + slotText(slot) + ", which is not one of its spares";
    if (!drive.activeSpares.empty() && drive.failed.empty())
        return "has an active spare but no failed drive for it to stand in for";
    if (isRecoveryState(drive.status) && drive.raidCode == kRaid0)
        return std::string("is ") + stateName(drive.status) + " on RAID 0, which has no redundancy to recover from";
    if (isRecoveryState(drive.status) && drive.failed.empty())
        return std::string("is ") + stateName(drive.status) + " but names no failed drive";
    if (drive.status == kRecovering && !drive.rebuilding)
        return "is recovering but names no rebuilding drive";
    if (drive.rebuilding && drive.status != kRecovering)
        return "names a rebuilding drive but is not recovering";
    if (drive.rebuilding && !holds(drive.activeSpares, *drive.rebuilding))
        return "rebuilds onto " + slotText(*drive.rebuilding) + ", which is not one of its active spares";
    if (drive.raidCode == kRaid51 && drive.drives.size() < 6)
        return "is RAID 5+1 on " + std::to_string(drive.drives.size()) + " drives; it needs at least six";
    const uint64_t blockSize = drive.blockSize == 0 ? 512 : drive.blockSize;
    if (!drive.drives.empty() && drive.blocks > capacityBehind(model, drive) / blockSize) {
        return "holds " + std::to_string(drive.blocks) + " blocks of " + std::to_string(blockSize) +
               " bytes, more than the " + std::to_string(capacityBehind(model, drive)) + " bytes its drives hold";
    }
    return {};
}

// Logical drives on the same data drives form one array, which has one
// failed list.
std::string arrayContradiction(const ControllerModel& model, const LogicalDrive& drive)
{
    for (const LogicalDrive& other : model.logicalDrives) {
        if (&other == &drive)
            break;
        if (slotSet(other.drives) == slotSet(drive.drives) && slotSet(other.failed) != slotSet(drive.failed))
            return "names other failed drives than logical drive " + std::to_string(other.number) + " of its array";
    }
    return {};
}

// A drive that answers no presence map is one the controller lost: it is
// failed in every logical drive it serves.
std::string absentDriveContradiction(const ControllerModel& model, const PhysicalDrive& disk)
{
    for (const LogicalDrive& drive : model.logicalDrives)
        if (!disk.present && holds(drive.drives, disk.slot) && !holds(drive.failed, disk.slot))
            return "is not present, yet logical drive " + std::to_string(drive.number) + " does not name it failed";
    return {};
}

} // namespace

bool checkDriveStates(const ControllerModel& model, std::string& error)
{
    for (const LogicalDrive& drive : model.logicalDrives) {
        std::string problem = contradiction(model, drive);
        if (problem.empty())
            problem = arrayContradiction(model, drive);
        if (!problem.empty()) {
            error = "line " + std::to_string(drive.line) + ": <logicaldrive> " + problem;
            return false;
        }
    }
    for (const PhysicalDrive& disk : model.physicalDrives) {
        const std::string problem = absentDriveContradiction(model, disk);
        if (!problem.empty()) {
            error = "line " + std::to_string(disk.line) + ": <physicaldrive> " + problem;
            return false;
        }
    }
    return true;
}

} // namespace sim::fw
