// CsmiCiss: scan, bus information and command packets of CISS controllers.
#include "imxcsmiciss.h"

#include "checkassert.h"
#include "imxcommandbuffers.h"
#include "imxcsmiconfig.h"
#include "imxioctlpacket.h"

#include <cstring>

namespace InfoMgr {
namespace {

constexpr char kCissSignature[] = "ZYRCISS";
constexpr std::uint32_t kCissCommandCode = 2;
constexpr std::uint16_t kCissTag = 0xFFFF;
constexpr std::size_t kCissSenseMaximum = 40;

}

CsmiCiss::CsmiCiss(HDEVINFO hDeviceInfoSet) : IoCtlCommandGroup(hDeviceInfoSet)
{
}

CsmiCiss::~CsmiCiss() = default;

bool CsmiCiss::isInvariant() const
{
    return m_bSignature.isValid() && IoCtlCommandGroup::isInvariant();
}

std::uint32_t CsmiCiss::doDiscoverControllers(EssentialDataList& controllers)
{
    return scanCsmiPorts(
        kClassCiss,
        [](std::uint32_t dwPort, const CsmiConfigPacket&) {
            return std::make_unique<SchemaObjectEssentialData>(dwPort, eOBJECT_CONTROLLER, eCSMI_CISS);
        },
        controllers);
}

std::uint32_t CsmiCiss::doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo)
{
    CsmiConfigPacket config{};
    return readCsmiBusInfo(deviceInfoSet(), controller.port(), kClassCiss, config, busInfo);
}

std::uint32_t CsmiCiss::doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                          CommandBuffers& buffers)
{
    const std::optional<CommandBlock> block = commandBlockOf(request);
    return block ? sendCommand(*block, dwDirection, buffers) : kIoCtlRequestFailed;
}

std::uint32_t CsmiCiss::doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                          CommandBuffers& buffers)
{
    const std::optional<CommandBlock> block = commandBlockOf(request);
    return block ? sendCommand(*block, dwDirection, buffers) : kIoCtlRequestFailed;
}

std::uint32_t CsmiCiss::sendCommand(const CommandBlock& command, std::uint32_t dwDirection, CommandBuffers& buffers)
{
    const SchemaObjectEssentialData& device = command.device;
    TSM_ASSERT(dwDirection == CONTROL_DIRECTION_READ || dwDirection == CONTROL_DIRECTION_WRITE);
    const std::uint32_t dwLength = transferLength(buffers);
    if (dwLength > kMaxTransferLength)
        return kIoCtlRequestFailed;
    const PortHandle port(device.port());
    if (!port.isOpen())
        return kIoCtlPortNotOpened;
    MiniportPacket packet(kCissSignature, kTimeoutForever, kCissCommandCode, kCissBodyLength + dwLength,
                          kCissAllocExtra + dwLength);
    CissCommandPacket body{};
    std::memcpy(body.lunAddress, device.lunAddress().data(), sizeof body.lunAddress);
    body.tag.set(kCissTag);
    body.cdbLength = command.bLength;
    std::memcpy(body.cdb, command.pbBytes, command.bLength);
    body.direction.set(packetDirection(dwDirection, dwLength));
    packet.put(body);
    if (exchangeData(port, packet, buffers, dwDirection, dwLength, kCissDataOffset) != kIoCtlOk)
        return kIoCtlRequestFailed;
    const auto reply = packet.get<CissCommandPacket>();
    storeStatus(buffers, reply.scsiStatus, reply.commandStatus.get());
    storeSense(buffers, reply.sense, kCissSenseMaximum);
    return kIoCtlOk;
}

}
