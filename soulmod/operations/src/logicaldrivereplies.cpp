// Turning logical drive configuration and status replies into attribute texts.
#include "logicaldrivereplies.h"

#include "imxreplyoffsets.h"

#include <map>

namespace Operations::LogicalDriveReplies {
namespace {

std::string textOf(const std::map<std::uint16_t, std::string>& table, std::uint16_t wCode)
{
    const auto it = table.find(wCode);
    return it == table.end() ? std::string() : it->second;
}

// Megabytes of a block count, in 64 bits; each division truncates.
std::uint64_t megabytes(std::uint64_t blocks, std::uint64_t blockSize)
{
    return blocks * blockSize / 1024 / 1024;
}

using namespace InfoMgr::LogicalDriveConfigReply;
using namespace InfoMgr::LogicalDriveStatusReply;

// Status codes with progress: rebuilding and expanding.
constexpr std::uint8_t kRecovering = 5;
constexpr std::uint8_t kExpanding = 10;

// Snapshot roles: a drive with a source volume, and one that takes part in
// a snapshot without one.
constexpr std::uint8_t kRoleWithSource = 1;
constexpr std::uint8_t kRoleMember = 128;

}

std::string raidLevelText(std::uint16_t wCode)
{
    static const std::map<std::uint16_t, std::string> s_table{{0, "raid0"}, {1, "raid4"},  {2, "raid1"},
                                                              {3, "raid5"}, {4, "raid51"}, {5, "adg"}};
    return textOf(s_table, wCode);
}

std::string statusText(std::uint16_t wCode)
{
    static const std::map<std::uint16_t, std::string> s_table{{0, "ok"},
                                                              {1, "failed"},
                                                              {2, "notconfigured"},
                                                              {3, "interimrecovery"},
                                                              {4, "readyforrecovery"},
                                                              {5, "recovering"},
                                                              {6, "wrongdrivereplaced"},
                                                              {7, "driveimproperlyconnected"},
                                                              {8, "hardwareisoverheating"},
                                                              {9, "hardwarehasoverheated"},
                                                              {10, "expanding"},
                                                              {11, "notyetavailable"},
                                                              {12, "queuedforexpansion"}};
    return textOf(s_table, wCode);
}

std::string replicaStatusText(std::uint16_t wCode)
{
    static const std::map<std::uint16_t, std::string> s_table{
        {0, "noassociation"},        {1, "ok"},
        {128, "unknownfailure"},     {129, "disconnectedfromresource"},
        {130, "cannotlocatesource"}, {132, "cannotlocateresource"},
        {136, "sourcenotavailable"}, {138, "resourcenotavailable"},
        {140, "resourceobsolete"},   {142, "resourceobsoletefailed"},
        {160, "sourcefailed"},       {192, "resourcefailed"}};
    return textOf(s_table, wCode);
}

Attributes configurationAttributes(const Schema::ReplyView& config)
{
    return {{"RaidLevel", raidLevelText(config.u16(kRaidLevel))},
            {"StripeSize", std::to_string(config.u16(kStripeSize))},
            {"DataOffset", std::to_string(config.u32(kDataOffset))},
            {"BlocksPerDrive", std::to_string(config.u32(kBlocksPerDrive))},
            {"DrivesForFaultTolerance", std::to_string(config.u16(kFaultTolerance))}};
}

Attributes geometryAttributes(const Schema::ReplyView& config)
{
    Attributes out{{"Heads", std::to_string(config.u8(kHeads))},
                   {"Sectors", std::to_string(config.u8(kSectors))},
                   {"Cylinders", std::to_string(config.u16(kCylinders))}};
    const std::uint64_t bigBlocks = config.u64(kBigBlockCount);
    const std::uint64_t blocks = bigBlocks != 0 ? bigBlocks : config.u32(kBlockCount);
    const std::uint16_t wBlockSize = config.u16(kBlockSize);
    const std::uint64_t blockSize = wBlockSize == 0 ? 512 : wBlockSize;
    out.emplace_back("UseableBlocks", std::to_string(blocks));
    out.emplace_back("BlockSize", std::to_string(blockSize));
    out.emplace_back("Size", std::to_string(megabytes(blocks, blockSize)));
    if (bigBlocks != 0)
        out.emplace_back("IsBigLogicalDrive", "True");
    return out;
}

Attributes statusAttributes(const Schema::ReplyView& status)
{
    const std::uint8_t bStatus = status.u8(kStatus);
    Attributes out{{"Status", statusText(bStatus)}};
    const std::uint64_t bigLeft = status.u64(kBigBlocksLeft);
    const std::uint64_t left = bigLeft != 0 ? bigLeft : status.u32(kBlocksLeft);
    if (bStatus == kRecovering)
        out.emplace_back("BlocksLeftToRebuild", std::to_string(left));
    else if (bStatus == kExpanding)
        out.emplace_back("BlocksLeftToExpand", std::to_string(left));
    if (status.u8(kMediaExchange) != 0)
        out.emplace_back("MediaExchangeReady", "True");
    return out;
}

bool isRecovering(const Schema::ReplyView& status)
{
    return status.u8(kStatus) == kRecovering;
}

std::string rebuildingDrive(const Schema::ReplyView& status, bool bBigMap)
{
    return std::to_string(status.u8(bBigMap ? kBigRebuildDrive : kRebuildDrive));
}

Attributes snapshotAttributes(const Schema::ReplyView& config, const Schema::ReplyView& status)
{
    Attributes out;
    const std::uint8_t bRole = config.u8(kSnapshotRole);
    if (bRole == kRoleWithSource)
        out.emplace_back("SourceVolume", std::to_string(config.u8(kSourceVolume)));
    if (bRole == kRoleWithSource || bRole == kRoleMember)
        out.emplace_back("SnapshotReplicaStatus", replicaStatusText(status.u8(kReplicaStatus)));
    return out;
}

const std::vector<std::string>& snapshotRemovals()
{
    static const std::vector<std::string> s_names{"SourceVolume", "SnapshotReplicaStatus"};
    return s_names;
}

}
