// The simulated firmware of one array controller: decodes the BMIC block or
// SCSI CDB a transport driver hands it, applies the failures the description
// injects, and answers from the controller model.
//
// Elements and attributes read inside <controller> and <remote> (numbers are
// decimal or 0x hex; texts are blank-padded to their field unless noted):
//   <remote> itself: lun (8 hex bytes; default target,0,0,path,lunbyte,0,0,0),
//     path, target, lunbyte (defaults from lun: byte 3 & 0x3F, byte 0,
//     byte 4), kind = controller | enclosure (inquiry device type 12 / 13).
//   <board id revision(letter) name(<=32, zero-terminated) serial(<=32)
//     chassis(<=32) vendor(8) product(16) ports(1-8) drivesperport(0-16)
//     fibrechips/>  drivesperport 0 (default) = 4 ports x 7 targets with
//     32-bit maps; otherwise 8 x 16 maps ("big maps", drive number
//     port x drivesperport + target + 128; the presence map is by port and
//     target, the drive lists of logical drives by number, so only 16 makes
//     the two agree). ports defaults to the ports used, at least 2.
//   <firmware version(4) rebuildpriority expandpriority snapshotpriority
//     (low=0 | medium=64 | high=128 | number) surfacedelay(tenths of a
//     second) accessid(<=31, zero-terminated) redundancy = none | active |
//     primary | standby, redundancyfailed/>
//   <cache read write total(KB; total defaults to read + write) shift(default:
//     the smallest that fits 16 bits) status = ok | temporarilydisabled |
//     permanentlydisabled | runadu, flags(raw status flags) accelerator =
//     enabled | disabled/>  no <cache>: no cache board.
//   <battery packs failed(pack numbers from 0)/>
//   <physicaldrive port target blocks reserved blocksize vendor(8)
//     product(16) serial(40) firmware(8) stamped transfer(async-narrow ...
//     ultra320-wide) mode modex(raw bytes 103 and 106) box bay type = disk |
//     tape | other present/>
//   <logicaldrive number(0-31) raid = 0 | 1 | 4 | 5 | 51 | adg, raidcode
//     blocks blocksize big cylinders heads sectors stripe dataoffset
//     blocksperdrive faulttolerance drives spares failed activespares
//     rebuilding (port:target lists) status(name or code) blocksleft
//     mediaexchange accelerator snapshot = none | source | member, source
//     replica(name or code) gpt>  with <block number hex/> children.
//   <fail opcode | scsiopcode, drive, error, scsistatus, commandstatus,
//     sense(hex), hang(ms), times/>  the first matching rule answers instead
//     of the firmware; with only hang it delays the normal answer. sense
//     alone implies SCSI status 2 and command status 1.
// Defaults: revision B, firmware 1.50, priorities medium, surface delay 3 s,
// cache 4096 KB read and 12288 KB write, one battery pack; a drive of
// 71132960 blocks with 2048 reserved, product OVD036B7K2, serial
// 3HX<port>T<target>Q, firmware B107, Ultra 3 wide, bay target + 1; a
// logical drive of RAID 5, 255 heads, 32 sectors, stripe 128, its blocks from
// its drives (2097152 without drives). Drive numbers: port x 7 + target with
// the small maps. LUN addresses: logical drive n = n,0,0,0x40,0,0,0,0;
// physical drive = target,0,0,0x80|port,0,0,0,0.
#include "firmware.h"
#include "firmwaremodel.h"
#include "firmwarereply.h"

#include <map>

namespace sim {

namespace {

using namespace fw;

using BmicHandler = FirmwareReply (*)(const ControllerModel&, const BmicRequest&, std::vector<uint8_t>&);

const std::map<uint8_t, BmicHandler>& bmicHandlers()
{
    static const std::map<uint8_t, BmicHandler> handlers = {
        {0x10, &identifyLogicalDrive},      {0x11, &identifyController},        {0x12, &senseLogicalDriveStatus},
        {0x15, &identifyPhysicalDrive},     {0x20, &readLogicalDrive},          {0x50, &senseLogicalDriveConfig},
        {0x64, &senseControllerParameters}, {0x66, &senseSubsystemInformation}, {0x70, &senseSurfaceStatus},
        {0xC1, &senseCacheConfigStatus},
    };
    return handlers;
}

struct Remote {
    std::unique_ptr<ControllerFirmware> firmware;
    LunAddress lun{};
    RemoteAddress address;
};

bool readRemoteAddress(const Node& element, Remote& remote, std::string& error)
{
    const std::string where = "line " + std::to_string(element.line) + ": <remote> ";
    if (element.has("lun")) {
        std::vector<uint8_t> bytes;
        if (!parseHexBytes(element.attr("lun"), bytes) || bytes.size() != 8) {
            error = where + "attribute lun must be 8 hex bytes";
            return false;
        }
        std::copy(bytes.begin(), bytes.end(), remote.lun.begin());
        remote.address = {static_cast<uint8_t>(remote.lun[3] & 0x3F), remote.lun[0], remote.lun[4]};
    }
    const char* keys[] = {"path", "target", "lunbyte"};
    uint8_t* fields[] = {&remote.address.path, &remote.address.target, &remote.address.lun};
    for (int i = 0; i < 3; ++i) {
        if (!element.has(keys[i]))
            continue;
        uint32_t value = 0;
        if (!parseNumber(element.attr(keys[i]), value) || value > 255) {
            error = where + "attribute " + keys[i] + " must be a number from 0 to 255";
            return false;
        }
        *fields[i] = static_cast<uint8_t>(value);
    }
    if (!element.has("lun")) {
        remote.lun = {remote.address.target, 0, 0, static_cast<uint8_t>(remote.address.path & 0x3F),
                      remote.address.lun,    0, 0, 0};
    }
    if (remote.lun == LunAddress{}) {
        error = where + "has the LUN address of its controller (all zero)";
        return false;
    }
    return true;
}

class SimulatedFirmware final : public ControllerFirmware {
public:
    static std::unique_ptr<SimulatedFirmware> build(const Node& element, DetailByteOrder order, std::string& error,
                                                    std::optional<LunAddress> selfLun = std::nullopt)
    {
        auto firmware = std::unique_ptr<SimulatedFirmware>(new SimulatedFirmware);
        firmware->m_model.detailOrder = order;
        firmware->m_model.selfLun = selfLun;
        if (!readControllerModel(element, firmware->m_model, error) || !firmware->buildRemotes(element, error))
            return nullptr;
        return firmware;
    }

    FirmwareReply execute(FirmwareCommand& command) override
    {
        FirmwareReply injected;
        if (FailRule* rule = matchingRule(command)) {
            if (rule->times)
                --*rule->times;
            injected.hangMilliseconds = rule->hangMilliseconds;
            if (rule->answers()) {
                std::fill(command.data.begin(), command.data.end(), uint8_t(0));
                injected.error = rule->error;
                injected.scsiStatus = rule->scsiStatus;
                injected.commandStatus = rule->commandStatus;
                injected.sense = rule->sense;
                return injected;
            }
        }
        FirmwareReply reply = command.bBmic ? executeBmic(command) : answerScsi(m_model, m_remoteLuns, command);
        reply.hangMilliseconds = injected.hangMilliseconds;
        return reply;
    }

    size_t remoteCount() const override { return m_remotes.size(); }
    ControllerFirmware& remote(size_t index) override { return *m_remotes.at(index).firmware; }
    LunAddress remoteLun(size_t index) const override { return m_remotes.at(index).lun; }
    RemoteAddress remoteAddress(size_t index) const override { return m_remotes.at(index).address; }
    uint32_t boardId() const override { return m_model.board.id; }

private:
    SimulatedFirmware() = default;

    bool buildRemotes(const Node& element, std::string& error)
    {
        for (const Node* child : element.childrenNamed("remote")) {
            if (m_model.remote) {
                error = "line " + std::to_string(child->line) + ": <remote> inside a <remote> is never reached";
                return false;
            }
            Remote remote;
            if (!readRemoteAddress(*child, remote, error))
                return false;
            remote.firmware = build(*child, DetailByteOrder::eMostSignificantFirst, error, remote.lun);
            if (!remote.firmware)
                return false;
            if (!lunIsFree(remote.lun)) {
                error = "line " + std::to_string(child->line) + ": <remote> LUN address is taken";
                return false;
            }
            m_remoteLuns.push_back(remote.lun);
            m_remotes.push_back(std::move(remote));
        }
        return true;
    }

    bool lunIsFree(const LunAddress& lun) const
    {
        for (const LunAddress& taken : m_remoteLuns)
            if (taken == lun)
                return false;
        for (const auto& drive : m_model.physicalDrives)
            if (physicalDriveLun(drive.slot) == lun)
                return false;
        for (const auto& drive : m_model.logicalDrives)
            if (logicalDriveLun(drive.number) == lun)
                return false;
        return true;
    }

    BmicRequest decode(const std::vector<uint8_t>& block) const
    {
        BmicRequest request;
        request.write = block[0] == 0x27;
        request.driveIndex = block[1];
        request.opcode = block[6];
        for (int i = 0; i < 4; ++i) {
            const int shift = m_model.detailOrder == DetailByteOrder::eMostSignificantFirst ? 24 - 8 * i : 8 * i;
            request.value |= uint32_t(block[2 + i]) << shift;
        }
        return request;
    }

    // The drive a command addresses, for matching fail rules: the drive
    // index of logical-drive commands, the decoded number of 0x15.
    std::optional<uint8_t> addressedDrive(const FirmwareCommand& command) const
    {
        if (!command.bBmic || command.block.size() < 10)
            return std::nullopt;
        const BmicRequest request = decode(command.block);
        if (request.opcode == 0x15)
            return static_cast<uint8_t>(m_model.remote ? request.value : request.value >> 24);
        return request.driveIndex;
    }

    FailRule* matchingRule(const FirmwareCommand& command)
    {
        for (FailRule& rule : m_model.failRules) {
            if (rule.times && *rule.times == 0)
                continue;
            if (command.bBmic) {
                if (rule.scsiOpcode || (rule.opcode && (command.block.size() < 10 || command.block[6] != *rule.opcode)))
                    continue;
            } else if (rule.opcode ||
                       (rule.scsiOpcode && (command.block.empty() || command.block[0] != *rule.scsiOpcode))) {
                continue;
            }
            if (rule.drive && addressedDrive(command) != rule.drive)
                continue;
            if (rule.after > 0) {
                --rule.after;
                continue;
            }
            return &rule;
        }
        return nullptr;
    }

    FirmwareReply executeBmic(FirmwareCommand& command) const
    {
        const std::vector<uint8_t>& block = command.block;
        if (block.size() < 10 || (block[0] != 0x26 && block[0] != 0x27))
            return checkCondition(kIllegalRequest, kInvalidField);
        const BmicRequest request = decode(block);
        const auto handler = bmicHandlers().find(request.opcode);
        if (handler == bmicHandlers().end())
            return checkCondition(kIllegalRequest, kInvalidOpcode);
        // Every command this firmware knows moves data to the host.
        if (request.write || command.direction == 2)
            return checkCondition(kIllegalRequest, kInvalidField);
        return handler->second(m_model, request, command.data);
    }

    ControllerModel m_model;
    std::vector<Remote> m_remotes;
    std::vector<LunAddress> m_remoteLuns;
};

} // namespace

std::unique_ptr<ControllerFirmware> ControllerFirmware::fromDescription(const Node& controller, std::string& error)
{
    return fromDescription(controller, error, DetailByteOrder::eMostSignificantFirst);
}

std::unique_ptr<ControllerFirmware> ControllerFirmware::fromDescription(const Node& controller, std::string& error,
                                                                        DetailByteOrder order)
{
    error.clear();
    return SimulatedFirmware::build(controller, order, error);
}

namespace fw {

FirmwareReply checkCondition(uint8_t key, uint8_t code, uint8_t qualifier)
{
    SenseData sense{};
    sense.responseCode = 0x70;
    sense.senseKey = key;
    sense.additionalLength = sizeof(SenseData) - 8;
    sense.additionalSenseCode = code;
    sense.additionalSenseQualifier = qualifier;
    FirmwareReply reply;
    reply.scsiStatus = 2;
    reply.commandStatus = 1;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&sense);
    reply.sense.assign(bytes, bytes + sizeof(sense));
    return reply;
}

void setBigMapBit(DriveMap& map, uint8_t driveNumber)
{
    const uint8_t bit = static_cast<uint8_t>(driveNumber - 128);
    map[bit / 8] = static_cast<uint8_t>(map[bit / 8] | (1u << (bit % 8)));
}

uint32_t maskBit(uint8_t driveNumber)
{
    return driveNumber < 32 ? 1u << driveNumber : 0;
}

uint8_t driveNumber(const Board& board, Slot slot)
{
    if (board.drivesPerPort == 0)
        return static_cast<uint8_t>(slot.port * 7 + slot.target);
    return static_cast<uint8_t>(slot.port * board.drivesPerPort + slot.target + 128);
}

const PhysicalDrive* ControllerModel::physicalDrive(uint8_t number) const
{
    for (const PhysicalDrive& drive : physicalDrives)
        if (drive.number == number)
            return &drive;
    return nullptr;
}

const PhysicalDrive* ControllerModel::physicalDrive(Slot slot) const
{
    for (const PhysicalDrive& drive : physicalDrives)
        if (drive.slot == slot)
            return &drive;
    return nullptr;
}

const LogicalDrive* ControllerModel::logicalDrive(uint8_t number) const
{
    for (const LogicalDrive& drive : logicalDrives)
        if (drive.number == number)
            return &drive;
    return nullptr;
}

LunAddress logicalDriveLun(uint8_t number)
{
    return {number, 0, 0, 0x40, 0, 0, 0, 0};
}

LunAddress physicalDriveLun(Slot slot)
{
    return {slot.target, 0, 0, static_cast<uint8_t>(0x80 | (slot.port & 0x3F)), 0, 0, 0, 0};
}

} // namespace fw

} // namespace sim
