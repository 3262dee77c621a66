// IoCtlCommandGroup: invariant-checked public operations, the command block
// setup and the drive discovery every transport shares.
#include "imxioctlcommandgroup.h"

#include "checkassert.h"
#include "imxcsmiconfig.h"
#include "imxpacketfields.h"
#include "imxreplyoffsets.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace InfoMgr {
namespace {

constexpr std::uint8_t kBmicReadCode = 0x26;
constexpr std::uint8_t kBmicWriteCode = 0x27;
constexpr std::uint8_t kIdentifyController = 0x11;
constexpr std::uint8_t kIdentifyLogicalDrive = 0x10;
constexpr std::uint32_t kIdentifyLength = 512;
constexpr std::uint8_t kMaxLogicalDrives = 32;

// Identify-controller reply fields.
namespace Identify = IdentifyControllerReply;
constexpr unsigned kOldPortTargets = 7;
constexpr unsigned kOldDriveCount = 28;
constexpr unsigned kPresencePorts = 8;
constexpr unsigned kPresenceTargets = 16;
constexpr unsigned kWideDriveBase = 128;
// Identify-logical-drive reply: the block count, 0 for no drive.
constexpr std::size_t kBlockCountOffset = 2;

}

IoCtlCommandGroup::IoCtlCommandGroup(HDEVINFO hDeviceInfoSet) : m_hDeviceInfoSet(hDeviceInfoSet)
{
}

IoCtlCommandGroup::~IoCtlCommandGroup() = default;

bool IoCtlCommandGroup::isInvariant() const
{
    return m_bSignature.isValid();
}

void IoCtlCommandGroup::setupBmicParameters(const BmicTransfer& command, std::uint32_t dwDataLength,
                                            BmicCommandBlock& block) const
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwControlCode = command.dwDirection;
    TSM_ASSERT(dwControlCode == CONTROL_DIRECTION_READ || dwControlCode == CONTROL_DIRECTION_WRITE);
    block.fill(0);
    block[0] = dwControlCode == CONTROL_DIRECTION_READ ? kBmicReadCode : kBmicWriteCode;
    block[1] = command.bDriveIndex;
    for (int i = 0; i < 4; ++i)
        block[2 + i] = static_cast<std::uint8_t>(command.dwDetail >> (8 * i));
    block[6] = command.bOpcode;
    block[7] = static_cast<std::uint8_t>(dwDataLength);
    block[8] = static_cast<std::uint8_t>(dwDataLength >> 8);
}

void IoCtlCommandGroup::setupScsiParameters(const ScsiTransfer& command, ScsiRequest& request) const
{
    TSM_ASSERT_INVARIANT();
    request.cdb.fill(0);
    const std::size_t nLength =
        command.pbCdb != nullptr ? std::min<std::size_t>(command.bCdbLength, request.cdb.size()) : 0;
    if (nLength != 0)
        std::memcpy(request.cdb.data(), command.pbCdb, nLength);
    request.bCdbLength = static_cast<std::uint8_t>(nLength);
}

std::uint32_t IoCtlCommandGroup::discoverControllers(EssentialDataList& controllers)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doDiscoverControllers(controllers);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::discoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                                           EssentialDataList& devices)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doDiscoverRemoteControllers(controller, devices);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::readBmic(const SchemaObjectEssentialData& controller, std::uint8_t bOpcode,
                                          std::uint8_t bDriveIndex, std::uint8_t* pbData, std::uint32_t dwLength)
{
    // Blocks the transport builds itself carry the length most significant
    // byte first and no 32-bit value.
    BmicRequest request;
    request.pDevice = &controller;
    request.block = BmicCommandBlock{kBmicReadCode,
                                     bDriveIndex,
                                     0,
                                     0,
                                     0,
                                     0,
                                     bOpcode,
                                     static_cast<std::uint8_t>(dwLength >> 8),
                                     static_cast<std::uint8_t>(dwLength),
                                     0};
    std::uint32_t dwDataLength = dwLength;
    std::uint32_t dwSenseLength = 0;
    std::uint8_t bScsiStatus = 0;
    std::uint16_t wCommandStatus = 0;
    CommandBuffers buffers{pbData, &dwDataLength, nullptr, &dwSenseLength, &bScsiStatus, &wCommandStatus};
    return sendBmicCommand(request, CONTROL_DIRECTION_READ, buffers);
}

std::uint32_t IoCtlCommandGroup::discoverLogicalDrives(const SchemaObjectEssentialData& controller,
                                                       EssentialDataList& drives,
                                                       const SchemaObjectEssentialData& parent)
{
    TSM_ASSERT_INVARIANT();
    std::array<std::uint8_t, kIdentifyLength> identify{};
    if (const std::uint32_t dwResult = readBmic(controller, kIdentifyController, 0, identify.data(), kIdentifyLength))
        return dwResult;
    const unsigned nCount = identify[Identify::kLogicalDriveCount];
    unsigned nFound = 0;
    for (std::uint8_t bIndex = 0; bIndex < kMaxLogicalDrives && nFound < nCount; ++bIndex) {
        std::array<std::uint8_t, kIdentifyLength> drive{};
        if (readBmic(controller, kIdentifyLogicalDrive, bIndex, drive.data(), kIdentifyLength) != kIoCtlOk)
            continue;
        if (loadLe32(drive.data() + kBlockCountOffset) == 0)
            continue;
        drives.push_back(std::make_unique<LogicalDriveEssentialData>(parent, bIndex));
        ++nFound;
    }
    TSM_ASSERT_INVARIANT();
    return nFound != 0 ? kIoCtlOk : kIoCtlNothingFound;
}

std::uint32_t IoCtlCommandGroup::discoverPhysicalDrives(const SchemaObjectEssentialData& controller,
                                                        EssentialDataList& drives,
                                                        const SchemaObjectEssentialData& parent)
{
    TSM_ASSERT_INVARIANT();
    std::array<std::uint8_t, kIdentifyLength> identify{};
    if (const std::uint32_t dwResult = readBmic(controller, kIdentifyController, 0, identify.data(), kIdentifyLength))
        return dwResult;
    const std::size_t nBefore = drives.size();
    const unsigned nDrivesPerPort = identify[Identify::kDrivesPerPort];
    if (nDrivesPerPort == 0) {
        // Older controllers: 4 ports of 7 targets in one 32-bit map.
        const std::uint32_t dwMap = loadLe32(identify.data() + Identify::kOldPresenceMap);
        for (unsigned n = 0; n < kOldDriveCount; ++n) {
            if ((dwMap >> n) & 1u)
                drives.push_back(std::make_unique<PhysicalDriveEssentialData>(
                    parent, static_cast<std::uint8_t>(n / kOldPortTargets),
                    static_cast<std::uint8_t>(n % kOldPortTargets), static_cast<std::uint8_t>(n)));
        }
    } else {
        for (unsigned nPort = 0; nPort < kPresencePorts; ++nPort) {
            for (unsigned nTarget = 0; nTarget < kPresenceTargets; ++nTarget) {
                const std::uint8_t bMap = identify[Identify::kPresenceMap + 2 * nPort + nTarget / 8];
                if (((bMap >> (nTarget % 8)) & 1u) == 0)
                    continue;
                const unsigned nNumber = nPort * nDrivesPerPort + nTarget + kWideDriveBase;
                drives.push_back(std::make_unique<PhysicalDriveEssentialData>(
                    parent, static_cast<std::uint8_t>(nPort), static_cast<std::uint8_t>(nTarget),
                    static_cast<std::uint8_t>(nNumber & 0xFFu)));
            }
        }
    }
    TSM_ASSERT_INVARIANT();
    return drives.size() != nBefore ? kIoCtlOk : kIoCtlNothingFound;
}

std::uint32_t IoCtlCommandGroup::getControllerBusInfo(const SchemaObjectEssentialData& controller,
                                                      BusInfoRecord& busInfo)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doGetControllerBusInfo(controller, busInfo);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doGetControllerStatus(controller, bStatus);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::getRemoteIdentity(const SchemaObjectEssentialData& device, std::uint8_t* pbIdentity,
                                                   std::size_t nIdentityLength)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doGetRemoteIdentity(device, pbIdentity, nIdentityLength);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::sendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                                 CommandBuffers& buffers)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doSendScsiCommand(request, dwDirection, buffers);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::readScsi(const SchemaObjectEssentialData& device, const std::uint8_t* pbCdb,
                                          std::uint8_t bCdbLength, std::uint8_t* pbData, std::uint32_t dwLength)
{
    ScsiRequest request;
    request.pDevice = &device;
    std::memcpy(request.cdb.data(), pbCdb, bCdbLength);
    request.bCdbLength = bCdbLength;
    std::uint32_t dwDataLength = dwLength;
    std::uint32_t dwSenseLength = 0;
    std::uint8_t bScsiStatus = 0;
    std::uint16_t wCommandStatus = 0;
    CommandBuffers buffers{pbData, &dwDataLength, nullptr, &dwSenseLength, &bScsiStatus, &wCommandStatus};
    return sendScsiCommand(request, CONTROL_DIRECTION_READ, buffers);
}

std::uint32_t IoCtlCommandGroup::sendScsiCommandPair(const ScsiRequest&, std::uint32_t)
{
    TSM_ASSERT_INVARIANT();
    return kIoCtlNotImplemented;
}

std::uint32_t IoCtlCommandGroup::sendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                                 CommandBuffers& buffers)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doSendBmicCommand(request, dwDirection, buffers);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t IoCtlCommandGroup::sendBmicCommandPair(const BmicRequest&, std::uint32_t)
{
    TSM_ASSERT_INVARIANT();
    return kIoCtlNotImplemented;
}

std::uint32_t IoCtlCommandGroup::doDiscoverControllers(EssentialDataList&)
{
    return kIoCtlNothingFound;
}

std::uint32_t IoCtlCommandGroup::doDiscoverRemoteControllers(const SchemaObjectEssentialData&, EssentialDataList&)
{
    return kIoCtlNothingFound;
}

std::uint32_t IoCtlCommandGroup::doGetControllerBusInfo(const SchemaObjectEssentialData&, BusInfoRecord&)
{
    return kIoCtlNothingFound;
}

std::uint32_t IoCtlCommandGroup::doGetControllerStatus(const SchemaObjectEssentialData& controller,
                                                       std::uint8_t& bStatus)
{
    return readCsmiStatus(controller.port(), bStatus);
}

std::uint32_t IoCtlCommandGroup::doGetRemoteIdentity(const SchemaObjectEssentialData&, std::uint8_t*, std::size_t)
{
    return kIoCtlNothingFound;
}

std::uint32_t IoCtlCommandGroup::doSendScsiCommand(const ScsiRequest&, std::uint32_t, CommandBuffers&)
{
    return kIoCtlNotImplemented;
}

std::uint32_t IoCtlCommandGroup::doSendBmicCommand(const BmicRequest&, std::uint32_t, CommandBuffers&)
{
    return kIoCtlNotImplemented;
}

}
