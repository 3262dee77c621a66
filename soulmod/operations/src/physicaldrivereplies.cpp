// Turning the identify physical drive reply into attribute texts.
#include "physicaldrivereplies.h"

#include "imxreplyoffsets.h"

#include <map>
#include <utility>

namespace Operations::PhysicalDriveReplies {
namespace {

using namespace InfoMgr::PhysicalDriveReply;

// Drive numbers from 128 on address 16 targets per bus; below, 7.
constexpr std::uint16_t kFirstBigNumber = 128;
constexpr std::uint16_t kSmallTargets = 7;
constexpr unsigned kBigTargets = 16;

// Megabytes of 512-byte blocks.
constexpr std::uint64_t kBlocksPerMegabyte = 2048;

const std::map<std::uint8_t, std::pair<std::string, std::string>>& transferTable()
{
    static const std::map<std::uint8_t, std::pair<std::string, std::string>> s_table{
        {0, {"5 MB/Sec", "Async Narrow"}},        {1, {"10 MB/Sec", "Async Wide"}},
        {2, {"10 MB/Sec", "Sync Narrow"}},        {3, {"20 MB/Sec", "Sync Wide"}},
        {6, {"20 MB/Sec", "Ultra Narrow"}},       {7, {"40 MB/Sec", "Ultra Wide"}},
        {14, {"40 MB/Sec", "Ultra 2 Narrow"}},    {15, {"80 MB/Sec", "Ultra 2 Wide"}},
        {30, {"80 MB/Sec", "Ultra 3 Narrow"}},    {31, {"160 MB/Sec", "Ultra 3 Wide"}},
        {62, {"160 MB/Sec", "Ultra 320 Narrow"}}, {63, {"320 MB/Sec", "Ultra 320 Wide"}}};
    return s_table;
}

// The transfer code adds a weight for each of these bits of the mode byte
// (m) and the extended byte (x) that is set.
struct TransferBit {
    bool bExtended;
    unsigned bit;
    std::uint8_t bWeight;
};
constexpr TransferBit kTransferBits[] = {{false, 2, 1}, {false, 3, 2}, {false, 6, 4},
                                         {false, 7, 8}, {true, 0, 16}, {true, 3, 32}};

}

std::uint8_t transferCode(std::uint8_t bModeBits, std::uint8_t bExtendedBits)
{
    std::uint8_t bCode = 0;
    for (const TransferBit& t : kTransferBits)
        if (((t.bExtended ? bExtendedBits : bModeBits) & (1u << t.bit)) != 0)
            bCode = static_cast<std::uint8_t>(bCode + t.bWeight);
    return bCode;
}

std::string transferRateText(std::uint8_t bCode)
{
    const auto it = transferTable().find(bCode);
    return it == transferTable().end() ? std::string() : it->second.first;
}

std::string transferModeText(std::uint8_t bCode)
{
    const auto it = transferTable().find(bCode);
    return it == transferTable().end() ? std::string() : it->second.second;
}

Attributes identifyAttributes(const Schema::ReplyView& identify, bool bRebuilding)
{
    // The reserved count is taken off in 32 bits, as the controller counts.
    const std::uint64_t total = static_cast<std::uint32_t>(identify.u32(kTotalBlocks) - identify.u32(kReservedBlocks));
    Attributes out{{"Status", "ok"},
                   {"SCSIBus", std::to_string(identify.u8(kBus))},
                   {"SCSIID", std::to_string(identify.u8(kTarget))},
                   {"BoxOnBus", std::to_string(identify.u8(kBox))},
                   {"BayInBox", std::to_string(identify.u8(kBay))},
                   {"TotalBlocks", std::to_string(total)},
                   {"BlockSize", std::to_string(identify.u16(kBlockSize))},
                   {"Size", std::to_string(total / kBlocksPerMegabyte)},
                   {"ProductID", identify.fixedText(kProduct, 8)},
                   {"VendorID", identify.fixedText(kVendor, 16)},
                   {"SerialNumber", identify.fixedText(kSerialNumber, kSerialNumberSize)},
                   {"FirmwareRevision", identify.fixedText(kFirmwareRevision, 8)},
                   {"Stamped", identify.u8(kStamped) != 0 ? "yes" : "no"}};
    if (bRebuilding)
        out.emplace_back("DriveRebuilding", "True");
    const std::uint8_t bCode = transferCode(identify.u8(kModeBits), identify.u8(kExtendedBits));
    out.emplace_back("DriveTransferRate", transferRateText(bCode));
    out.emplace_back("DriveTransferMode", transferModeText(bCode));
    return out;
}

Attributes failedAttributes(std::uint16_t wNumber)
{
    unsigned bus = 0;
    unsigned target = 0;
    if (wNumber < kFirstBigNumber) {
        bus = wNumber / kSmallTargets;
        target = wNumber % kSmallTargets;
    } else {
        const unsigned offset = wNumber - kFirstBigNumber;
        bus = offset / kBigTargets;
        target = offset % kBigTargets;
    }
    return {{"Status", "failed"}, {"SCSIBus", std::to_string(bus)}, {"SCSIID", std::to_string(target)}, {"Size", "0"}};
}

}
