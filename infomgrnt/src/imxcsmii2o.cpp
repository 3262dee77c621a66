// CsmiI2O: scan, bus information, BMIC and SCSI packets of I2O controllers.
#include "imxcsmii2o.h"

#include "checkassert.h"
#include "imxcommandbuffers.h"
#include "imxcsmiconfig.h"
#include "imxioctlpacket.h"
#include "imxslotlookup.h"

#include <algorithm>
#include <cstring>

namespace InfoMgr {
namespace {

constexpr char kI2OSignature[] = "ZYRBMIC";
constexpr std::uint32_t kBmicCode = 1;
constexpr std::uint32_t kScsiCode = 2;
constexpr std::uint32_t kSectorSize = 512;
constexpr std::size_t kBmicSenseLength = 17;
constexpr std::size_t kScsiSenseMaximum = 32;
constexpr std::uint32_t kScsiFlags = 0xFFFFFFFF;

constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kRead6 = 0x08;
constexpr std::uint8_t kReadLogicalDrive = 0x20;

}

bool translateRead(const ScsiRequest& request, std::uint32_t dwDirection, bool bAcceptRead6, BmicRequest& bmic)
{
    const std::uint8_t bOpcode = request.cdb[0];
    if (request.bCdbLength == 0 || !(bOpcode == kRead10 || (bAcceptRead6 && bOpcode == kRead6)))
        return false;
    bmic.pDevice = request.pDevice;
    bmic.block = BmicCommandBlock{static_cast<std::uint8_t>(dwDirection == CONTROL_DIRECTION_READ ? 0x26 : 0x27),
                                  request.pDevice->address()[2],
                                  request.cdb[2],
                                  request.cdb[3],
                                  request.cdb[4],
                                  request.cdb[5],
                                  kReadLogicalDrive,
                                  request.cdb[7],
                                  request.cdb[8],
                                  0};
    bmic.bBlockLength = kBmicBlockSize;
    return true;
}

CsmiI2O::CsmiI2O(HDEVINFO hDeviceInfoSet) : IoCtlCommandGroup(hDeviceInfoSet)
{
}

CsmiI2O::~CsmiI2O() = default;

bool CsmiI2O::isInvariant() const
{
    return m_bSignature.isValid() && IoCtlCommandGroup::isInvariant();
}

std::uint32_t CsmiI2O::doDiscoverControllers(EssentialDataList& controllers)
{
    return scanCsmiPorts(
        kClassI2O,
        [](std::uint32_t dwPort, const CsmiConfigPacket&) {
            return std::make_unique<SchemaObjectEssentialData>(dwPort, eOBJECT_CONTROLLER, eCSMI_I2O);
        },
        controllers);
}

std::uint32_t CsmiI2O::doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo)
{
    CsmiConfigPacket config{};
    if (const std::uint32_t dwResult = readCsmiBusInfo(deviceInfoSet(), controller.port(), kClassI2O, config, busInfo))
        return dwResult;
    // Where the operating system knows no slot, the routing table may.
    if (config.ioBusType == kIoBusPci && config.slotNumber.get() == 0xFF) {
        std::uint8_t bSlot = 0xFF;
        if (findSlotByRouting(config.pciBus, bSlot))
            putBusSlot(busInfo, bSlot);
    }
    return kIoCtlOk;
}

std::uint32_t CsmiI2O::doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection, CommandBuffers& buffers)
{
    TSM_ASSERT(request.pDevice != nullptr);
    const std::uint32_t dwControlCode = dwDirection;
    TSM_ASSERT(dwControlCode == CONTROL_DIRECTION_READ || dwControlCode == CONTROL_DIRECTION_WRITE);
    const std::uint32_t dwLength = transferLength(buffers);
    if (dwLength > kMaxTransferLength)
        return kIoCtlRequestFailed;
    const PortHandle port(request.pDevice->port());
    if (!port.isOpen())
        return kIoCtlPortNotOpened;
    MiniportPacket packet(kI2OSignature, kTimeoutForever, kBmicCode, kI2OBmicBodyLength + dwLength,
                          kI2OBmicAlloc + dwLength);
    I2OBmicPacket body{};
    body.driveIndex = request.block[1];
    body.opcode = request.block[6];
    body.transferCount.set(static_cast<std::uint16_t>(dwLength >= kSectorSize ? dwLength / kSectorSize : dwLength));
    std::memcpy(body.blockValue, request.block.data() + 2, sizeof body.blockValue);
    packet.put(body);
    if (exchangeData(port, packet, buffers, dwDirection, dwLength, sizeof(I2OBmicPacket)) != kIoCtlOk)
        return kIoCtlRequestFailed;
    const auto reply = packet.get<I2OBmicPacket>();
    storeStatus(buffers, reply.status.b[0], reply.status.get());
    // The controller returns no sense bytes: the status byte alone stands
    // for them, reported as 17 bytes.
    std::uint8_t abSense[kBmicSenseLength] = {};
    abSense[0] = reply.status.b[0];
    storeSense(buffers, abSense, kBmicSenseLength);
    return kIoCtlOk;
}

std::uint32_t CsmiI2O::doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection, CommandBuffers& buffers)
{
    TSM_ASSERT(request.pDevice != nullptr);
    BmicRequest bmic;
    if (translateRead(request, dwDirection, true, bmic))
        return sendBmicCommand(bmic, dwDirection, buffers);
    const std::uint32_t dwControlCode = dwDirection;
    TSM_ASSERT(dwControlCode == CONTROL_DIRECTION_READ || dwControlCode == CONTROL_DIRECTION_WRITE);
    if (request.bCdbLength > kMaxScsiCdbLength)
        return kIoCtlRequestFailed;
    const std::uint32_t dwLength = transferLength(buffers);
    if (dwLength > kMaxTransferLength)
        return kIoCtlRequestFailed;
    const PortHandle port(request.pDevice->port());
    if (!port.isOpen())
        return kIoCtlPortNotOpened;
    MiniportPacket packet(kI2OSignature, kTimeoutForever, kScsiCode, kI2OScsiBodyLength + dwLength,
                          kI2OScsiAlloc + dwLength);
    I2OScsiPacket body{};
    body.path = request.pDevice->address()[0];
    body.target = request.pDevice->address()[1];
    body.cdbLength = request.bCdbLength;
    body.flags.set(kScsiFlags);
    body.reserved52.set(0);
    std::memcpy(body.cdb, request.cdb.data(), request.bCdbLength);
    packet.put(body);
    if (exchangeData(port, packet, buffers, dwDirection, dwLength, kI2OScsiDataOffset) != kIoCtlOk)
        return kIoCtlRequestFailed;
    const auto reply = packet.get<I2OScsiPacket>();
    storeStatus(buffers, packet.byteAt(kI2OScsiStatusOffset),
                static_cast<std::uint16_t>(reply.sense[0] | (reply.sense[1] << 8)));
    storeSense(buffers, reply.sense, kScsiSenseMaximum);
    return kIoCtlOk;
}

}
