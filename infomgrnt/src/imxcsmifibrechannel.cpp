// CsmiFibreChannel: scan, bus information and command packets.
#include "imxcsmifibrechannel.h"

#include "checkassert.h"
#include "imxcommandbuffers.h"
#include "imxcsmiconfig.h"
#include "imxioctlpacket.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace InfoMgr {
namespace {

constexpr char kFibreSignature[] = "ZYRFC";
constexpr std::uint32_t kAddressCode = 1;
constexpr std::uint32_t kAddressBody = 16;
constexpr std::uint32_t kCommandCode = 2;
constexpr std::uint32_t kCommandBody = 120;
constexpr std::size_t kCommandAllocExtra = 152;
constexpr std::size_t kFibreSenseMaximum = 40;

// The address bytes that route a command: a physical drive is reached with
// those of the device that holds it.
const ObjectAddress& routeAddress(const SchemaObjectEssentialData& device)
{
    if (const auto* pDrive = dynamic_cast<const PhysicalDriveEssentialData*>(&device))
        return pDrive->parent().address();
    return device.address();
}

}

CsmiFibreChannel::CsmiFibreChannel(HDEVINFO hDeviceInfoSet) : IoCtlCommandGroup(hDeviceInfoSet)
{
}

CsmiFibreChannel::~CsmiFibreChannel() = default;

bool CsmiFibreChannel::isInvariant() const
{
    return m_bSignature.isValid() && IoCtlCommandGroup::isInvariant();
}

std::uint32_t CsmiFibreChannel::doDiscoverControllers(EssentialDataList& controllers)
{
    return scanCsmiPorts(
        kClassFibre,
        [](std::uint32_t dwPort, const CsmiConfigPacket& config) -> std::unique_ptr<SchemaObjectEssentialData> {
            const char* pszText = config.serialNumber;
            const std::size_t nLength = std::find(pszText, pszText + sizeof config.serialNumber, '\0') - pszText;
            return std::make_unique<HBAEssentialData>(dwPort, eCSMI_FIBRE, std::string(pszText, nLength));
        },
        controllers);
}

std::uint32_t CsmiFibreChannel::doGetControllerBusInfo(const SchemaObjectEssentialData& controller,
                                                       BusInfoRecord& busInfo)
{
    CsmiConfigPacket config{};
    return readCsmiBusInfo(deviceInfoSet(), controller.port(), kClassFibre, config, busInfo);
}

std::uint32_t CsmiFibreChannel::doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                                  CommandBuffers& buffers)
{
    const std::optional<CommandBlock> block = commandBlockOf(request);
    return block ? sendCommand(*block, dwDirection, buffers) : kIoCtlRequestFailed;
}

std::uint32_t CsmiFibreChannel::doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                                  CommandBuffers& buffers)
{
    const std::optional<CommandBlock> block = commandBlockOf(request);
    return block ? sendCommand(*block, dwDirection, buffers) : kIoCtlRequestFailed;
}

std::uint32_t CsmiFibreChannel::sendCommand(const CommandBlock& command, std::uint32_t dwDirection,
                                            CommandBuffers& buffers)
{
    const SchemaObjectEssentialData& device = command.device;
    const std::uint32_t dwControlCode = dwDirection;
    TSM_ASSERT(dwControlCode == CONTROL_DIRECTION_READ || dwControlCode == CONTROL_DIRECTION_WRITE);
    const std::uint32_t dwLength = transferLength(buffers);
    if (dwLength > kMaxTransferLength)
        return kIoCtlRequestFailed;
    const PortHandle port(device.port());
    if (!port.isOpen())
        return kIoCtlPortNotOpened;

    // Every command is preceded by the address query of its target.
    MiniportPacket query(kFibreSignature, kTimeoutForever, kAddressCode, kAddressBody);
    FibreAddressPacket address{};
    const ObjectAddress& route = routeAddress(device);
    address.path = route[0];
    address.target = route[1];
    address.lun = route[2];
    query.put(address);
    if (sendPacket(port, query) != kIoCtlOk)
        return kIoCtlRequestFailed;
    const auto answer = query.get<FibreAddressPacket>();

    MiniportPacket packet(kFibreSignature, kTimeoutForever, kCommandCode, kCommandBody + dwLength,
                          kCommandAllocExtra + dwLength);
    FibreCommandPacket body{};
    body.deviceHandle = answer.deviceHandle;
    body.lun0 = device.lunAddress()[0];
    body.lun1 = device.lunAddress()[1];
    body.cdbLength = command.bLength;
    body.route0 = answer.path;
    body.route1 = answer.target;
    std::memcpy(body.cdb, command.pbBytes, command.bLength);
    body.direction.set(packetDirection(dwDirection, dwLength));
    packet.put(body);
    if (exchangeData(port, packet, buffers, dwDirection, dwLength, kFibreDataOffset) != kIoCtlOk)
        return kIoCtlRequestFailed;
    const auto reply = packet.get<FibreCommandPacket>();
    storeStatus(buffers, reply.scsiStatus, reply.commandStatus.get());
    storeSense(buffers, reply.sense, kFibreSenseMaximum);
    return kIoCtlOk;
}

}
