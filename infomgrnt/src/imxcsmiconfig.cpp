// CSMI configuration and status records, the class scan and bus information.
#include "imxcsmiconfig.h"

#include "checkassert.h"
#include "imxenumeration.h"
#include "imxioctlpacket.h"
#include "imxpacketfields.h"
#include "imxslotlookup.h"

#include <cstring>

namespace InfoMgr {
namespace {

constexpr char kCsmiSignature[] = "ZYRCSMI";
constexpr std::uint32_t kConfigCode = 2;
constexpr std::uint32_t kConfigBody = 168;
constexpr std::uint32_t kStatusCode = 3;
constexpr std::uint32_t kStatusBody = 36;
constexpr std::uint32_t kRaidClassCode = 0x18000;

}

std::uint32_t readCsmiConfig(std::uint32_t dwPort, std::uint8_t bExpectedClass, CsmiConfigPacket& config)
{
    MiniportPacket packet(kCsmiSignature, kTimeoutForever, kConfigCode, kConfigBody);
    if (const std::uint32_t dwResult = exchangePacket(dwPort, packet))
        return dwResult;
    config = packet.get<CsmiConfigPacket>();
    if (config.controllerClass != bExpectedClass)
        return kIoCtlRequestFailed;
    return kIoCtlOk;
}

std::uint32_t scanCsmiPorts(std::uint8_t bExpectedClass, const ControllerRecordMaker& makeRecord,
                            EssentialDataList& controllers)
{
    // A missing port, a failing one or a controller of another class is
    // skipped; the scan always covers every port.
    return scanPorts(
        [&](std::uint32_t dwPort) {
            CsmiConfigPacket config{};
            if (readCsmiConfig(dwPort, bExpectedClass, config) != kIoCtlOk)
                return ePORT_SILENT;
            controllers.push_back(makeRecord(dwPort, config));
            return ePORT_ANSWERED;
        },
        eSCAN_CSMI);
}

std::uint32_t readCsmiStatus(std::uint32_t dwPort, std::uint8_t& bStatus)
{
    MiniportPacket packet(kCsmiSignature, kTimeoutForever, kStatusCode, kStatusBody);
    if (exchangePacket(dwPort, packet) != kIoCtlOk)
        return kIoCtlPortNotOpened;
    const std::uint32_t dwStatus = packet.get<CsmiStatusPacket>().status.get();
    if (dwStatus == 1)
        bStatus = 0;
    else if (dwStatus == 2 || dwStatus == 4)
        bStatus = 1;
    else
        bStatus = 2;
    return kIoCtlOk;
}

void putBusKind(BusInfoRecord& busInfo, std::uint32_t dwKind)
{
    storeLe32(busInfo.data(), dwKind);
}

void putBusSlot(BusInfoRecord& busInfo, std::uint16_t wSlot)
{
    storeLe16(busInfo.data() + 4, wSlot);
}

void putPciIdentity(BusInfoRecord& busInfo, std::uint16_t wVendor, std::uint16_t wDevice)
{
    storeLe16(busInfo.data() + 6, wVendor);
    storeLe16(busInfo.data() + 8, wDevice);
    storeLe32(busInfo.data() + 10, kRaidClassCode);
    storeLe32(busInfo.data() + 14, (static_cast<std::uint32_t>(wVendor) << 16) | wDevice);
}

void putEisaIdentity(BusInfoRecord& busInfo, const std::uint8_t (&abBoardId)[4])
{
    std::memcpy(busInfo.data() + 6, abBoardId, sizeof abBoardId);
}

void fillCsmiBusInfo(HDEVINFO hDeviceInfoSet, CsmiConfigPacket& configBuffer, BusInfoRecord& busInfo)
{
    TSM_ASSERT_TEXT(configBuffer.ioBusType == kIoBusPci || configBuffer.ioBusType == kIoBusEisa,
                    "configBuffer.CntlrConfiguration.bIoBusType == 3 || "
                    "configBuffer.CntlrConfiguration.bIoBusType == 2");
    if (configBuffer.ioBusType == kIoBusEisa) {
        putBusKind(busInfo, kBusKindEisa);
        putEisaIdentity(busInfo, configBuffer.boardId.b);
        return;
    }
    putBusKind(busInfo, kBusKindPci);
    const std::uint32_t dwBoard = configBuffer.boardId.get();
    putPciIdentity(busInfo, static_cast<std::uint16_t>(dwBoard), static_cast<std::uint16_t>(dwBoard >> 16));
    std::uint8_t abPacket[sizeof(CsmiConfigPacket)];
    configBuffer.slotNumber.set(0xFF);
    std::memcpy(abPacket, &configBuffer, sizeof abPacket);
    if (findControllerSlot(hDeviceInfoSet, abPacket, sizeof abPacket))
        std::memcpy(&configBuffer, abPacket, sizeof abPacket);
    else
        configBuffer.slotNumber.set(0xFF);
    putBusSlot(busInfo, configBuffer.slotNumber.get());
}

std::uint32_t readCsmiBusInfo(HDEVINFO hDeviceInfoSet, std::uint32_t dwPort, std::uint8_t bExpectedClass,
                              CsmiConfigPacket& config, BusInfoRecord& busInfo)
{
    if (const std::uint32_t dwResult = readCsmiConfig(dwPort, bExpectedClass, config))
        return dwResult;
    fillCsmiBusInfo(hDeviceInfoSet, config, busInfo);
    return kIoCtlOk;
}

std::optional<CommandBlock> commandBlockOf(const ScsiRequest& request)
{
    TSM_ASSERT(request.pDevice != nullptr);
    if (request.bCdbLength > kMaxScsiCdbLength)
        return std::nullopt;
    return CommandBlock{*request.pDevice, request.cdb.data(), request.bCdbLength};
}

std::optional<CommandBlock> commandBlockOf(const BmicRequest& request)
{
    TSM_ASSERT(request.pDevice != nullptr);
    if (request.bBlockLength > kBmicBlockSize)
        return std::nullopt;
    return CommandBlock{*request.pDevice, request.block.data(), request.bBlockLength};
}

}
