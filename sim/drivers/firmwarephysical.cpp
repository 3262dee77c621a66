// Physical drives: identify physical drive (0x15).
#include "firmwarereply.h"

namespace sim::fw {

namespace {

bool driveBelongsTo(const std::vector<Slot>& slots, Slot slot)
{
    return std::find(slots.begin(), slots.end(), slot) != slots.end();
}

} // namespace

FirmwareReply identifyPhysicalDrive(const ControllerModel& model, const BmicRequest& request,
                                    std::vector<uint8_t>& data)
{
    // An internal controller takes the drive number from the highest byte of
    // the value, an external one from the lowest; the other bytes are zero.
    const bool valid = model.remote ? request.value <= 0xFF : (request.value & 0x00FFFFFFu) == 0;
    if (!valid)
        return checkCondition(kIllegalRequest, kInvalidField);
    const uint8_t number = static_cast<uint8_t>(model.remote ? request.value : request.value >> 24);
    const PhysicalDrive* drive = model.physicalDrive(number);
    if (!drive || !drive->present)
        return checkCondition(kIllegalRequest, kUnitNotSupported);
    PhysicalDriveReply reply{};
    reply.bus = drive->slot.port;
    reply.target = drive->slot.target;
    reply.blockSize.set(drive->blockSize);
    reply.totalBlocks.set(drive->totalBlocks);
    reply.reservedBlocks.set(drive->reservedBlocks);
    putText(reply.vendor, drive->vendor, true);
    putText(reply.product, drive->product, true);
    putText(reply.serialNumber, drive->serialNumber, true);
    putText(reply.firmwareRevision, drive->firmwareRevision, true);
    reply.stamped = drive->stamped ? 1 : 0;
    reply.transferBits = drive->transferBits;
    reply.transferBitsExtended = drive->transferBitsExtended;
    uint8_t flags = 0;
    for (const LogicalDrive& logical : model.logicalDrives) {
        if (driveBelongsTo(logical.drives, drive->slot))
            flags |= 0x20;
        if (driveBelongsTo(logical.spares, drive->slot))
            flags |= 0x40;
    }
    reply.configurationFlags = flags;
    reply.boxOnBus = drive->box;
    reply.bayInBox = drive->bay;
    putReply(reply, data);
    return {};
}

} // namespace sim::fw
