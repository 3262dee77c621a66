// SCSI commands addressed to the controller, its logical drives or its
// physical drives: INQUIRY, REPORT LUNS, the report-logical (0xC2) and
// report-physical (0xC3) LUN lists, TEST UNIT READY, REQUEST SENSE,
// READ CAPACITY(10), READ(6) and READ(10).
#include "firmwarereply.h"

namespace sim::fw {

namespace {

// Operation codes of the commands answered here.
constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kRead6 = 0x08;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kReadCapacity10 = 0x25;
constexpr uint8_t kRead10 = 0x28;
constexpr uint8_t kReportLuns = 0xA0;
constexpr uint8_t kReportLogicalLuns = 0xC2;
constexpr uint8_t kReportPhysicalLuns = 0xC3;

enum class Target { eController, eLogicalDrive, ePhysicalDrive, eNone };

struct Addressed {
    Target kind = Target::eNone;
    const LogicalDrive* logical = nullptr;
    const PhysicalDrive* physical = nullptr;
};

Addressed resolve(const ControllerModel& model, const LunAddress& lun)
{
    Addressed addressed;
    if (lun == LunAddress{} || (model.selfLun && lun == *model.selfLun)) {
        addressed.kind = Target::eController;
        return addressed;
    }
    for (const LogicalDrive& drive : model.logicalDrives) {
        if (logicalDriveLun(drive.number) == lun) {
            addressed.kind = Target::eLogicalDrive;
            addressed.logical = &drive;
            return addressed;
        }
    }
    for (const PhysicalDrive& drive : model.physicalDrives) {
        if (drive.present && physicalDriveLun(drive.slot) == lun) {
            addressed.kind = Target::ePhysicalDrive;
            addressed.physical = &drive;
            return addressed;
        }
    }
    return addressed;
}

uint32_t bigEndian(const std::vector<uint8_t>& cdb, size_t offset, size_t bytes)
{
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
        value = value << 8 | cdb[offset + i];
    return value;
}

// What fits of a reply that the CDB's allocation length limits further.
void putLimited(const std::vector<uint8_t>& bytes, uint32_t allocation, std::vector<uint8_t>& data)
{
    std::vector<uint8_t> limited(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), allocation));
    putBytes(limited, data);
}

template <class Record>
std::vector<uint8_t> bytesOf(const Record& record)
{
    const auto* begin = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(begin, begin + sizeof(Record));
}

InquiryData standardInquiry(const ControllerModel& model, const Addressed& addressed)
{
    InquiryData inquiry{};
    inquiry.version = 0x05;
    inquiry.responseFormat = 0x02;
    inquiry.additionalLength = sizeof(InquiryData) - 5;
    switch (addressed.kind) {
    case Target::eController:
        inquiry.peripheral = model.board.peripheralType;
        putText(inquiry.vendor, model.board.vendor, true);
        putText(inquiry.product, model.board.product.empty() ? "ARRAY CONTROLLER" : model.board.product, true);
        putText(inquiry.revision, model.firmware.version, true);
        putText(inquiry.serialNumber, model.board.serialNumber, true);
        break;
    case Target::eLogicalDrive:
        putText(inquiry.vendor, model.board.vendor, true);
        putText(inquiry.product, "LOGICAL VOLUME", true);
        putText(inquiry.revision, model.firmware.version, true);
        break;
    case Target::ePhysicalDrive:
        inquiry.peripheral = addressed.physical->nonDisk ? 0x01 : 0x00;
        putText(inquiry.vendor, addressed.physical->vendor, true);
        putText(inquiry.product, addressed.physical->product, true);
        putText(inquiry.revision, addressed.physical->firmwareRevision, true);
        putText(inquiry.serialNumber, addressed.physical->serialNumber, true);
        break;
    case Target::eNone:
        // Peripheral qualifier 3: no device can be attached at this address.
        inquiry = InquiryData{};
        inquiry.peripheral = 0x7F;
        break;
    }
    return inquiry;
}

FirmwareReply inquiry(const ControllerModel& model, const Addressed& addressed, const std::vector<uint8_t>& cdb,
                      std::vector<uint8_t>& data)
{
    const uint32_t allocation = bigEndian(cdb, 3, 2);
    const bool vitalProductData = (cdb[1] & 0x01) != 0;
    if (!vitalProductData) {
        if (cdb[2] != 0)
            return checkCondition(kIllegalRequest, kInvalidField);
        putLimited(bytesOf(standardInquiry(model, addressed)), allocation, data);
        return {};
    }
    std::vector<uint8_t> page;
    if (cdb[2] == 0x00) {
        page = {0x00, 0x00, 0x00, 0x02, 0x00, 0x80};
    } else if (cdb[2] == 0x80) {
        std::string serial =
            addressed.kind == Target::ePhysicalDrive ? addressed.physical->serialNumber : model.board.serialNumber;
        page = {0x00, 0x80, 0x00, static_cast<uint8_t>(serial.size())};
        page.insert(page.end(), serial.begin(), serial.end());
    } else {
        return checkCondition(kIllegalRequest, kInvalidField);
    }
    page[0] = standardInquiry(model, addressed).peripheral;
    putLimited(page, allocation, data);
    return {};
}

FirmwareReply lunList(const std::vector<LunAddress>& luns, const std::vector<uint8_t>& cdb, std::vector<uint8_t>& data)
{
    const uint32_t allocation = bigEndian(cdb, 6, 4);
    LunListHeader header{};
    header.listLength.set(static_cast<uint32_t>(luns.size() * 8));
    std::vector<uint8_t> bytes = bytesOf(header);
    for (const LunAddress& lun : luns)
        bytes.insert(bytes.end(), lun.begin(), lun.end());
    putLimited(bytes, allocation, data);
    return {};
}

FirmwareReply readCapacity(const Addressed& addressed, std::vector<uint8_t>& data)
{
    uint64_t blocks = 0;
    uint32_t blockSize = 512;
    if (addressed.kind == Target::eLogicalDrive) {
        blocks = addressed.logical->blocks;
        blockSize = addressed.logical->blockSize == 0 ? 512 : addressed.logical->blockSize;
    } else if (addressed.kind == Target::ePhysicalDrive) {
        blocks = addressed.physical->totalBlocks;
        blockSize = addressed.physical->blockSize;
    } else {
        return checkCondition(kIllegalRequest, kInvalidOpcode);
    }
    CapacityData capacity{};
    capacity.lastBlock.set(blocks == 0 ? 0 : static_cast<uint32_t>(std::min<uint64_t>(blocks - 1, 0xFFFFFFFFull)));
    capacity.blockSize.set(blockSize);
    putReply(capacity, data);
    return {};
}

FirmwareReply read(const Addressed& addressed, uint64_t block, uint32_t count, std::vector<uint8_t>& data)
{
    if (addressed.kind != Target::eLogicalDrive)
        return checkCondition(kIllegalRequest, kInvalidOpcode);
    const LogicalDrive& drive = *addressed.logical;
    if (drive.status == 1)
        return checkCondition(kNotReady, kUnitNotReady);
    const uint64_t blockSize = drive.blockSize == 0 ? 512 : drive.blockSize;
    std::vector<uint8_t> blocks(static_cast<size_t>(std::min<uint64_t>(uint64_t(count) * blockSize, data.size())));
    if (count != 0 && !readLogicalBlocks(drive, block, blocks))
        return checkCondition(kIllegalRequest, kBlockOutOfRange);
    putBytes(blocks, data);
    return {};
}

size_t cdbLength(uint8_t opcode)
{
    switch (opcode) {
    case kTestUnitReady:
    case kRequestSense:
    case kRead6:
    case kInquiry:
        return 6;
    case kReadCapacity10:
    case kRead10:
        return 10;
    case kReportLuns:
    case kReportLogicalLuns:
    case kReportPhysicalLuns:
        return 12;
    default:
        return 0;
    }
}

} // namespace

FirmwareReply answerScsi(const ControllerModel& model, const std::vector<LunAddress>& remoteLuns,
                         FirmwareCommand& command)
{
    const std::vector<uint8_t>& cdb = command.block;
    if (cdb.empty())
        return checkCondition(kIllegalRequest, kInvalidField);
    const size_t needed = cdbLength(cdb[0]);
    if (needed == 0)
        return checkCondition(kIllegalRequest, kInvalidOpcode);
    if (cdb.size() < needed)
        return checkCondition(kIllegalRequest, kInvalidField);
    const Addressed addressed = resolve(model, command.lun);
    if (cdb[0] == kInquiry)
        return inquiry(model, addressed, cdb, command.data);
    if (addressed.kind == Target::eNone)
        return checkCondition(kIllegalRequest, kUnitNotSupported);
    std::vector<LunAddress> luns;
    switch (cdb[0]) {
    case kTestUnitReady:
        if (addressed.kind == Target::eLogicalDrive && addressed.logical->status == 1)
            return checkCondition(kNotReady, kUnitNotReady);
        return {};
    case kRequestSense: {
        SenseData sense{};
        sense.responseCode = 0x70;
        sense.additionalLength = sizeof(SenseData) - 8;
        putLimited(bytesOf(sense), cdb[4], command.data);
        return {};
    }
    case kReadCapacity10:
        return readCapacity(addressed, command.data);
    case kRead10:
        return read(addressed, bigEndian(cdb, 2, 4), bigEndian(cdb, 7, 2), command.data);
    case kRead6:
        return read(addressed, bigEndian(cdb, 1, 3) & 0x1FFFFF, cdb[4] == 0 ? 256 : cdb[4], command.data);
    default:
        break;
    }
    // The LUN lists come from the controller itself.
    if (addressed.kind != Target::eController)
        return checkCondition(kIllegalRequest, kInvalidOpcode);
    if (cdb[0] == kReportLuns)
        luns.push_back(LunAddress{});
    if (cdb[0] == kReportLuns || cdb[0] == kReportLogicalLuns) {
        for (const LogicalDrive& drive : model.logicalDrives)
            luns.push_back(logicalDriveLun(drive.number));
    } else {
        // External controllers first: hosts that read only the low byte of
        // the list length still see them on a controller with many drives.
        luns = remoteLuns;
        for (const PhysicalDrive& drive : model.physicalDrives)
            if (drive.present)
                luns.push_back(physicalDriveLun(drive.slot));
    }
    return lunList(luns, cdb, command.data);
}

} // namespace sim::fw
