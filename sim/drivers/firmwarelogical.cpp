// Logical drives: identify (0x10), configuration (0x50), status (0x12) and
// block reads (0x20).
#include "firmwarereply.h"

namespace sim::fw {

namespace {

// The controller holds at most 32 logical drives.
constexpr uint8_t kMaxLogicalDrives = 32;

uint32_t saturate32(uint64_t value)
{
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

// Drive lists in the form the controller uses: 32-bit masks with the small
// addressing, 16-byte maps with the big one.
void putDrives(const ControllerModel& model, const std::vector<Slot>& slots, le32& mask, DriveMap& map)
{
    uint32_t bits = 0;
    for (const Slot slot : slots) {
        const uint8_t number = driveNumber(model.board, slot);
        if (model.bigMaps())
            setBigMapBit(map, number);
        else
            bits |= maskBit(number);
    }
    mask.set(bits);
}

} // namespace

FirmwareReply identifyLogicalDrive(const ControllerModel& model, const BmicRequest& request, std::vector<uint8_t>& data)
{
    if (request.driveIndex >= kMaxLogicalDrives)
        return checkCondition(kIllegalRequest, kInvalidField);
    IdentifyLogicalDriveReply reply{};
    if (const LogicalDrive* drive = model.logicalDrive(request.driveIndex)) {
        reply.blockSize.set(drive->blockSize);
        reply.blockCount.set(saturate32(drive->blocks));
    }
    putReply(reply, data);
    return {};
}

FirmwareReply senseLogicalDriveConfig(const ControllerModel& model, const BmicRequest& request,
                                      std::vector<uint8_t>& data)
{
    if (request.driveIndex >= kMaxLogicalDrives)
        return checkCondition(kIllegalRequest, kInvalidField);
    LogicalDriveConfigReply reply{};
    if (const LogicalDrive* drive = model.logicalDrive(request.driveIndex)) {
        // A drive the description builds from no named drives still counts one.
        reply.physicalDriveCount.set(static_cast<uint16_t>(std::max<size_t>(1, drive->drives.size())));
        reply.raidLevel.set(drive->raidCode);
        reply.faultToleranceDrives.set(drive->faultTolerance);
        if (drive->big)
            reply.bigBlockCount.set(drive->blocks);
        reply.blockSize.set(drive->blockSize);
        reply.cylinders.set(drive->cylinders);
        reply.heads = drive->heads;
        reply.sectorsPerTrack = drive->sectors;
        reply.stripeSize.set(drive->stripe);
        reply.dataOffset.set(drive->dataOffset);
        reply.blockCount.set(saturate32(drive->blocks));
        reply.blocksPerDrive.set(drive->blocksPerDrive);
        putDrives(model, drive->drives, reply.dataDriveMask, reply.bigDataDriveMap);
        putDrives(model, drive->spares, reply.spareDriveMask, reply.bigSpareDriveMap);
        reply.sourceVolume = drive->sourceVolume;
        reply.snapshotRole = drive->snapshotRole;
    }
    putReply(reply, data);
    return {};
}

FirmwareReply senseLogicalDriveStatus(const ControllerModel& model, const BmicRequest& request,
                                      std::vector<uint8_t>& data)
{
    if (request.driveIndex >= kMaxLogicalDrives)
        return checkCondition(kIllegalRequest, kInvalidField);
    LogicalDriveStatusReply reply{};
    const LogicalDrive* drive = model.logicalDrive(request.driveIndex);
    if (!drive) {
        reply.status = 2; // not configured
        putReply(reply, data);
        return {};
    }
    reply.status = drive->status;
    putDrives(model, drive->failed, reply.failedDriveMask, reply.bigFailedDriveMap);
    putDrives(model, drive->activeSpares, reply.activeSpareMask, reply.bigActiveSpareMap);
    reply.blocksLeft.set(saturate32(drive->blocksLeft));
    if (drive->big || drive->blocksLeft > 0xFFFFFFFFull)
        reply.bigBlocksLeft.set(drive->blocksLeft);
    if (drive->rebuilding) {
        const uint8_t number = driveNumber(model.board, *drive->rebuilding);
        (model.bigMaps() ? reply.bigRebuildDrive : reply.rebuildDrive) = number;
    }
    reply.mediaExchangeReady = drive->mediaExchangeReady ? 1 : 0;
    reply.replicaStatus = drive->replicaStatus;
    putReply(reply, data);
    return {};
}

bool readLogicalBlocks(const LogicalDrive& drive, uint64_t block, std::vector<uint8_t>& data)
{
    const uint64_t blockSize = drive.blockSize == 0 ? 512 : drive.blockSize;
    const uint64_t count = (data.size() + blockSize - 1) / blockSize;
    if (block >= drive.blocks || count > drive.blocks - block)
        return false;
    std::fill(data.begin(), data.end(), uint8_t(0));
    for (size_t offset = 0; offset < data.size(); offset += blockSize, ++block) {
        const auto stored = drive.blocksData.find(static_cast<uint32_t>(block));
        if (stored != drive.blocksData.end() && block <= 0xFFFFFFFFull) {
            std::copy_n(stored->second.begin(),
                        std::min<size_t>({stored->second.size(), blockSize, data.size() - offset}),
                        data.begin() + static_cast<std::ptrdiff_t>(offset));
        }
    }
    return true;
}

FirmwareReply readLogicalDrive(const ControllerModel& model, const BmicRequest& request, std::vector<uint8_t>& data)
{
    const LogicalDrive* drive = model.logicalDrive(request.driveIndex);
    if (!drive)
        return checkCondition(kIllegalRequest, kUnitNotSupported);
    if (drive->status == 1)
        return checkCondition(kNotReady, kUnitNotReady);
    if (!readLogicalBlocks(*drive, request.value, data))
        return checkCondition(kIllegalRequest, kBlockOutOfRange);
    return {};
}

} // namespace sim::fw
