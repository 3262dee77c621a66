// Turning controller replies into attribute texts.
#include "controllerreplies.h"

#include "conversion.h"
#include "imxreplyoffsets.h"

namespace Operations::ControllerReplies {
namespace {

namespace Identify = InfoMgr::IdentifyControllerReply;
namespace Parameters = InfoMgr::ControllerParametersReply;
namespace Cache = InfoMgr::CacheConfigReply;
namespace Surface = InfoMgr::SurfaceStatusReply;
namespace Subsystem = InfoMgr::SubsystemInfoReply;

std::string decimal(std::uint32_t value)
{
    return std::to_string(value);
}

std::uint32_t roundToFive(std::uint32_t value)
{
    const std::uint32_t remainder = value % 5;
    return remainder <= 2 ? value - remainder : value + (5 - remainder);
}

}

std::string priorityText(std::uint8_t bPriority)
{
    if (bPriority == 0)
        return "Low";
    constexpr std::uint8_t kHighestMedium = 117;
    return bPriority > kHighestMedium ? "High" : "Medium";
}

std::string cacheRatio(std::uint32_t dwRead, std::uint32_t dwWrite, std::uint32_t dwTotal)
{
    // A cache that reports sizes but no total cannot be split; show it whole.
    if ((dwRead == 0 && dwWrite == 0) || dwTotal == 0)
        return "100/0";
    const auto read = static_cast<std::uint32_t>(static_cast<std::uint64_t>(dwRead) * 100 / dwTotal);
    const auto write = static_cast<std::uint32_t>(static_cast<std::uint64_t>(dwWrite) * 100 / dwTotal);
    return decimal(roundToFive(read)) + "/" + decimal(roundToFive(write));
}

Attributes identifyAttributes(const Schema::ReplyView& reply, const ControllerFacts& facts)
{
    Attributes out;
    const bool bBigMap = (reply.u8(Identify::kMapFlags) & Identify::kBigMapFlag) != 0;
    out.emplace_back("UsingBigMap", bBigMap ? "True" : "False");

    Core::DriveList present;
    Core::DriveList nonDisk;
    if (bBigMap) {
        present.fromBigMap(reply.bytes(Identify::kPresenceMap, Identify::kBigMapSize).data());
        nonDisk.fromBigMap(reply.bytes(Identify::kNonDiskMap, Identify::kBigMapSize).data());
    } else {
        present.fromMask(reply.u32(Identify::kOldPresenceMap));
        nonDisk.fromMask(reply.u32(Identify::kOldNonDiskMap));
    }
    out.emplace_back("AttachedPhysicalDrives", present.toText());
    out.emplace_back("NonDiskMap", nonDisk.toText());
    out.emplace_back("PhysicalDriveCount", decimal(static_cast<std::uint32_t>(present.size())));

    const std::uint8_t bRevision = reply.u8(Identify::kHardwareRevision);
    out.emplace_back("HardwareRevision", bRevision == 'A'   ? "Rev A"
                                         : bRevision == 'B' ? "Rev B"
                                         : bRevision == 'C' ? "Rev C"
                                                            : "Rev Unknown");
    out.emplace_back("LogicalDriveCount", decimal(reply.u8(Identify::kLogicalDriveCount)));
    out.emplace_back("DrivesPerPort", decimal(reply.u8(Identify::kDrivesPerPort)));
    out.emplace_back("Ports", decimal(reply.u8(Identify::kPorts)));
    out.emplace_back("FirmwareVersion", reply.fixedText(Identify::kFirmwareVersion, Identify::kFirmwareVersionSize));
    if (facts.bHasRedundantState)
        out.emplace_back("RedundancyStatus", reply.u8(Identify::kRedundancyState) != 0 ? "Failed" : "Ok");
    if (reply.u8(Identify::kFibreChipCount) != 0)
        out.emplace_back("FibreChipCount", decimal(reply.u8(Identify::kFibreChipCount)));
    return out;
}

Attributes parameterAttributes(const Schema::ReplyView& reply, const ControllerFacts& facts)
{
    Attributes out;
    out.emplace_back("ExpandPriority", priorityText(reply.u8(Parameters::kExpandPriority)));
    out.emplace_back("RebuildPriority", priorityText(reply.u8(Parameters::kRebuildPriority)));
    if (facts.bClustered)
        out.emplace_back("SnapshotPriority", priorityText(reply.u8(Parameters::kSnapshotPriority)));
    if (reply.u8(Parameters::kAccessId) != 0)
        out.emplace_back("AccessID", reply.zeroText(Parameters::kAccessId));
    if (facts.bRemote)
        out.emplace_back("HardwareName", reply.zeroText(Parameters::kHardwareName));
    return out;
}

Attributes cacheAttributes(const Schema::ReplyView& reply)
{
    Attributes out;
    if (reply.u8(Cache::kAcceleratorOff) == 0) {
        out.emplace_back("ArrayAccelerator", "Enabled");
        const std::uint32_t dwDisabled = reply.u32(Cache::kDisabledDrives);
        Core::DriveList enabled;
        for (std::uint32_t n = 0; n < 32; ++n)
            if ((dwDisabled & (1u << n)) == 0)
                enabled.add(decimal(n));
        out.emplace_back("EnabledAcceleratorList", enabled.toText());
    } else {
        out.emplace_back("ArrayAccelerator", "Disabled");
    }

    if (reply.u8(Cache::kBoardPresent) == 0) {
        out.emplace_back("CacheBoardPresent", "False");
        return out;
    }
    const std::uint8_t bShift = reply.u8(Cache::kSizeShift);
    // A shift of the full width or more leaves nothing of the size.
    const auto shifted = [bShift](std::uint16_t wSize) {
        return bShift >= 32 ? 0u : static_cast<std::uint32_t>(wSize) << bShift;
    };
    const std::uint32_t dwRead = shifted(reply.u16(Cache::kReadCacheSize));
    const std::uint32_t dwWrite = shifted(reply.u16(Cache::kWriteCacheSize));
    const std::uint32_t dwTotal = shifted(reply.u16(Cache::kTotalCacheSize));
    out.emplace_back("CacheSizeShiftFactor", "KB");
    out.emplace_back("CacheSizeRead", decimal(dwRead));
    out.emplace_back("CacheSizeWrite", decimal(dwWrite));
    out.emplace_back("CacheSizeTotal", decimal(dwTotal));
    out.emplace_back("CacheRatio", cacheRatio(dwRead, dwWrite, dwTotal));
    out.emplace_back("CacheBoardPresent", "True");

    const std::uint32_t dwFlags = reply.u32(Cache::kCacheFlags);
    out.emplace_back("CacheStatus", (dwFlags & Cache::kTemporarilyDisabled) != 0   ? "TemporarilyDisabled"
                                    : (dwFlags & Cache::kPermanentlyDisabled) != 0 ? "PermenantlyDisabled"
                                    : (dwFlags >> Cache::kAduShift) != 0           ? "RunADU"
                                                                                   : "OK");
    const std::uint16_t wPacks = reply.u16(Cache::kBatteryPacks);
    out.emplace_back("BatteryPackCount", decimal(wPacks));
    std::string batteryStatus = "OK";
    if (wPacks == 0)
        batteryStatus.clear();
    else if (reply.u16(Cache::kBatteryFailures) != 0)
        batteryStatus = "Failed";
    out.emplace_back("BatteryStatus", batteryStatus);
    return out;
}

Attributes surfaceAttributes(const Schema::ReplyView& reply)
{
    return {{"SurfaceAnalysisDelay", decimal(reply.u16(Surface::kDelayTenths) / 10u)}};
}

Attributes subsystemAttributes(const Schema::ReplyView& reply, const ControllerFacts& facts)
{
    Attributes out;
    if (facts.bRemote)
        out.emplace_back("ChassisSerialNumber",
                         reply.fieldText(Subsystem::kChassisSerialNumber, Subsystem::kSerialNumberSize));
    if (reply.u8(Subsystem::kControllerSerialNumber) != 0)
        out.emplace_back("ControllerSerialNumber",
                         reply.fieldText(Subsystem::kControllerSerialNumber, Subsystem::kSerialNumberSize));
    return out;
}

const std::vector<std::string>& parameterRemovals()
{
    static const std::vector<std::string> s_names{"AccessID", "HardwareName"};
    return s_names;
}

const std::vector<std::string>& cacheRemovals()
{
    static const std::vector<std::string> s_names{
        "EnabledAcceleratorList", "CacheSizeShiftFactor", "CacheSizeRead", "CacheSizeWrite",
        "CacheSizeTotal",         "CacheRatio",           "CacheStatus",   "BatteryPackCount",
        "BatteryStatus"};
    return s_names;
}

}
