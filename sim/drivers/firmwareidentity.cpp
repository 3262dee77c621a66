// Controller identity and settings: identify controller (0x11), controller
// parameters (0x64), subsystem information (0x66), surface analysis (0x70).
#include "firmwarereply.h"

namespace sim::fw {

namespace {

// Presence of a drive in the 8 ports x 16 targets map: two bytes per port.
void setSlotBit(DriveMap& map, Slot slot)
{
    const unsigned bit = slot.port * 16u + slot.target;
    map[bit / 8] = static_cast<uint8_t>(map[bit / 8] | (1u << (bit % 8)));
}

} // namespace

FirmwareReply identifyController(const ControllerModel& model, const BmicRequest&, std::vector<uint8_t>& data)
{
    IdentifyControllerReply reply{};
    reply.logicalDriveCount = static_cast<uint8_t>(model.logicalDrives.size());
    reply.boardId.set(model.board.id);
    std::memcpy(reply.firmwareVersion, model.firmware.version.data(), sizeof(reply.firmwareVersion));
    reply.hardwareRevision = static_cast<uint8_t>(model.board.revision);
    reply.portCount = model.board.ports;
    reply.drivesPerPort = model.board.drivesPerPort;
    reply.flags = model.bigMaps() ? 0x80 : 0x00;
    uint32_t present = 0;
    uint32_t nonDisk = 0;
    for (const PhysicalDrive& drive : model.physicalDrives) {
        if (!drive.present)
            continue;
        if (model.bigMaps())
            setSlotBit(drive.nonDisk ? reply.bigNonDiskMap : reply.bigDrivePresenceMap, drive.slot);
        else
            (drive.nonDisk ? nonDisk : present) |= maskBit(drive.number);
    }
    reply.drivePresenceMap.set(present);
    reply.nonDiskMap.set(nonDisk);
    reply.redundancyMode = model.firmware.redundancyMode;
    reply.redundancyFlags = model.firmware.redundancyFlags;
    reply.redundancyFailed = model.firmware.redundancyFailed ? 1 : 0;
    reply.fibreChipCount = model.board.fibreChips;
    putReply(reply, data);
    return {};
}

FirmwareReply senseControllerParameters(const ControllerModel& model, const BmicRequest&, std::vector<uint8_t>& data)
{
    ControllerParametersReply reply{};
    reply.rebuildPriority = model.firmware.rebuildPriority;
    reply.expandPriority = model.firmware.expandPriority;
    reply.snapshotPriority = model.firmware.snapshotPriority;
    putText(reply.hardwareName, model.board.hardwareName, false);
    putText(reply.accessId, model.firmware.accessId, false);
    putReply(reply, data);
    return {};
}

FirmwareReply senseSubsystemInformation(const ControllerModel& model, const BmicRequest&, std::vector<uint8_t>& data)
{
    SubsystemParametersReply reply{};
    // An empty serial number leaves its field zero: nothing to report.
    if (!model.board.chassisSerialNumber.empty())
        putText(reply.chassisSerialNumber, model.board.chassisSerialNumber, true);
    if (!model.board.serialNumber.empty())
        putText(reply.controllerSerialNumber, model.board.serialNumber, true);
    putReply(reply, data);
    return {};
}

FirmwareReply senseSurfaceStatus(const ControllerModel& model, const BmicRequest&, std::vector<uint8_t>& data)
{
    SurfaceStatusReply reply{};
    reply.surfaceAnalysisDelay.set(model.firmware.surfaceDelayTenths);
    putReply(reply, data);
    return {};
}

} // namespace sim::fw
