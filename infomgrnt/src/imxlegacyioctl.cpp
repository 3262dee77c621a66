// LegacyIoCtl: scan, configuration, status and command packets.
#include "imxlegacyioctl.h"

#include "checkassert.h"
#include "imxcommandbuffers.h"
#include "imxcsmiconfig.h"
#include "imxcsmii2o.h"
#include "imxenumeration.h"
#include "imxioctlpacket.h"
#include "imxslotlookup.h"

#include <algorithm>
#include <cstring>

namespace InfoMgr {
namespace {

constexpr char kLegacySignature[] = "ODXM&P";
constexpr std::uint32_t kConfigCode = 5;
constexpr std::uint32_t kConfigBody = 17;
constexpr std::uint32_t kBmicCode = 3;
constexpr std::uint32_t kScsiCode = 4;
constexpr std::uint32_t kScsiCommandTimeout = 300;

}

LegacyIoCtl::LegacyIoCtl(HDEVINFO hDeviceInfoSet) : IoCtlCommandGroup(hDeviceInfoSet)
{
}

LegacyIoCtl::~LegacyIoCtl() = default;

bool LegacyIoCtl::isInvariant() const
{
    return m_bSignature.isValid() && IoCtlCommandGroup::isInvariant();
}

std::uint32_t LegacyIoCtl::readConfiguration(std::uint32_t dwPort, LegacyConfigPacket& config) const
{
    MiniportPacket packet(kLegacySignature, kTimeoutLegacy, kConfigCode, kConfigBody);
    if (const std::uint32_t dwResult = exchangePacket(dwPort, packet))
        return dwResult;
    config = packet.get<LegacyConfigPacket>();
    return kIoCtlOk;
}

std::uint32_t LegacyIoCtl::doDiscoverControllers(EssentialDataList& controllers)
{
    // A port that opens but fails its configuration request makes the scan
    // report 0x80000009 once any other port answered.
    return scanPorts(
        [&](std::uint32_t dwPort) {
            LegacyConfigPacket config{};
            const std::uint32_t dwResult = readConfiguration(dwPort, config);
            if (dwResult == kIoCtlPortNotOpened)
                return ePORT_SILENT;
            if (dwResult != kIoCtlOk)
                return ePORT_FAILED;
            controllers.push_back(std::make_unique<SchemaObjectEssentialData>(dwPort, eOBJECT_CONTROLLER, eLEGACY));
            return ePORT_ANSWERED;
        },
        eSCAN_LEGACY);
}

std::uint32_t LegacyIoCtl::doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo)
{
    LegacyConfigPacket configBuffer{};
    if (const std::uint32_t dwResult = readConfiguration(controller.port(), configBuffer))
        return dwResult;
    TSM_ASSERT_TEXT(configBuffer.ioBusType == kIoBusPci || configBuffer.ioBusType == kIoBusEisa,
                    "configBuffer.OdxConfiguration.bIoBusType == 3 || "
                    "configBuffer.OdxConfiguration.bIoBusType == 2");
    if (configBuffer.ioBusType == kIoBusEisa) {
        putBusKind(busInfo, kBusKindEisa);
        putBusSlot(busInfo, static_cast<std::uint16_t>((configBuffer.address.get() >> 12) & 0xFFu));
        putEisaIdentity(busInfo, configBuffer.boardId);
        return kIoCtlOk;
    }
    // Each half of the board identifier is stored most significant byte first.
    const auto wVendor = static_cast<std::uint16_t>((configBuffer.boardId[0] << 8) | configBuffer.boardId[1]);
    const auto wDevice = static_cast<std::uint16_t>((configBuffer.boardId[2] << 8) | configBuffer.boardId[3]);
    putBusKind(busInfo, kBusKindPci);
    putPciIdentity(busInfo, wVendor, wDevice);
    std::uint8_t bSlot = 0xFF;
    if (!findSlotByRouting(configBuffer.pciBus, bSlot))
        bSlot = 0xFF;
    putBusSlot(busInfo, bSlot);
    return kIoCtlOk;
}

std::uint32_t LegacyIoCtl::doGetControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus)
{
    LegacyConfigPacket config{};
    if (readConfiguration(controller.port(), config) != kIoCtlOk) {
        bStatus = 1;
        return kIoCtlPortNotOpened;
    }
    bStatus = 0;
    return kIoCtlOk;
}

std::uint32_t LegacyIoCtl::doSendBmicCommand(const BmicRequest& request, std::uint32_t dwControlDirection,
                                             CommandBuffers& buffers)
{
    TSM_ASSERT(request.pDevice != nullptr);
    TSM_ASSERT(dwControlDirection == CONTROL_DIRECTION_READ || dwControlDirection == CONTROL_DIRECTION_WRITE);
    std::uint32_t dwIOBufferSize = transferLength(buffers);
    TSM_ASSERT(dwIOBufferSize <= MAX_ODX_CMD_SIZE);
    dwIOBufferSize = std::min(dwIOBufferSize, MAX_ODX_CMD_SIZE);
    const PortHandle port(request.pDevice->port());
    if (!port.isOpen())
        return kIoCtlPortNotOpened;
    MiniportPacket packet(kLegacySignature, kTimeoutLegacy, kBmicCode, kLegacyBmicBodyLength + dwIOBufferSize,
                          kLegacyPacketArea);
    LegacyBmicPacket body{};
    body.driveIndex = request.block[1];
    body.opcode = request.block[6];
    std::memcpy(body.blockValue, request.block.data() + 2, sizeof body.blockValue);
    body.dataLength.set(dwIOBufferSize);
    std::memcpy(body.blockLength, request.block.data() + 7, sizeof body.blockLength);
    packet.put(body);
    if (exchangeData(port, packet, buffers, dwControlDirection, dwIOBufferSize, sizeof(LegacyBmicPacket)) != kIoCtlOk)
        return kIoCtlRequestFailed;
    // The legacy driver reports no statuses or sense bytes of its own.
    storeStatus(buffers, 0, 0);
    storeSense(buffers, nullptr, 0);
    return kIoCtlOk;
}

std::uint32_t LegacyIoCtl::doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwControlDirection,
                                             CommandBuffers& buffers)
{
    TSM_ASSERT(request.pDevice != nullptr);
    BmicRequest bmic;
    if (translateRead(request, dwControlDirection, false, bmic))
        return sendBmicCommand(bmic, dwControlDirection, buffers);
    TSM_ASSERT(dwControlDirection == CONTROL_DIRECTION_READ || dwControlDirection == CONTROL_DIRECTION_WRITE);
    if (request.bCdbLength > kMaxLegacyCdbLength)
        return kIoCtlRequestFailed;
    const std::uint32_t dwLength = transferLength(buffers);
    if (dwLength > kMaxTransferLength)
        return kIoCtlRequestFailed;
    const PortHandle port(request.pDevice->port());
    if (!port.isOpen())
        return kIoCtlPortNotOpened;
    MiniportPacket packet(kLegacySignature, kTimeoutLegacy, kScsiCode, kLegacyScsiBodyLength + dwLength);
    LegacyScsiPacket body{};
    const ObjectAddress& address = request.pDevice->address();
    body.address[0] = address[1];
    body.address[1] = address[0];
    body.address[2] = address[2];
    body.commandTimeout.set(kScsiCommandTimeout);
    body.cdbLength = request.bCdbLength;
    std::memcpy(body.cdb, request.cdb.data(), request.bCdbLength);
    body.dataLength.set(dwLength);
    packet.put(body);
    if (exchangeData(port, packet, buffers, dwControlDirection, dwLength, sizeof(LegacyScsiPacket)) != kIoCtlOk)
        return kIoCtlRequestFailed;
    storeStatus(buffers, 0, 0);
    storeSense(buffers, nullptr, 0);
    return kIoCtlOk;
}

}
