// What the device objects ask of their transports, and the information
// records composed from the answers.
#include "imxobjectrequests.h"

#include "imxlogicaldrive.h"
#include "imxpacketfields.h"
#include "imxreplyoffsets.h"
#include "imxphysicaldrive.h"
#include "imxremotedevice.h"
#include "imxschemaobject.h"
#include "imxtransportsource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace InfoMgr {
namespace {

constexpr std::uint8_t kSenseSubsystemInfo = 0x66;
constexpr std::size_t kSubsystemInfoSize = 512;

// Kind 6: where the address bytes and, for a record of kind 3, the name go.
constexpr std::size_t kIdentityAddressOffset = 27;
constexpr std::size_t kIdentityNameOffset = 32;
constexpr std::size_t kIdentityNameSize = 32;
constexpr std::uint16_t kIdentityKindWithName = 3;

constexpr std::size_t kMaxCdbLength = 16;

std::uint32_t byteSwapped(std::uint32_t dwValue)
{
    return ((dwValue & 0xFFu) << 24) | ((dwValue & 0xFF00u) << 8) | ((dwValue >> 8) & 0xFF00u) | (dwValue >> 24);
}

// The data and sense buffers that a caller's request record names.
template <class Request>
TransferBuffers buffersOf(const Request& request)
{
    TransferBuffers buffers;
    buffers.pData = request.pBuffer;
    buffers.dwDataLength = request.pBuffer != nullptr ? request.dwBufferSize : 0;
    buffers.pSense = request.pSenseBuffer;
    buffers.dwSenseLength = request.pSenseBuffer != nullptr ? request.dwSenseLength : 0;
    return buffers;
}

std::uint32_t sendBmicRecord(ObjectTransport& transport, const SchemaObjectEssentialData& record,
                             DetailOrder eDetailOrder, std::uint32_t dwDirection, void* pRequest,
                             std::uint32_t dwRequestSize)
{
    BmicRequestRecord request;
    if (dwRequestSize != sizeof request)
        return kResultInvalidParameter;
    std::memcpy(&request, pRequest, sizeof request);
    BmicTransfer command;
    command.bOpcode = request.bOpcode;
    command.bDriveIndex = request.bLun;
    // The command block takes the value as it lies in memory; objects that
    // pass the detail most significant byte first swap it here.
    command.dwDetail = eDetailOrder == eDETAIL_MSB_FIRST ? byteSwapped(request.dwDetail) : request.dwDetail;
    command.dwDirection = dwDirection;
    TransferBuffers buffers = buffersOf(request);
    const std::uint32_t dwResult = transport.sendBmicCommand(record, command, buffers);
    request.bScsiStatus = buffers.bScsiStatus;
    request.wCommandStatus = buffers.wCommandStatus;
    request.dwSenseLength = buffers.dwSenseLength;
    std::memcpy(pRequest, &request, sizeof request);
    return dwResult;
}

std::uint32_t sendScsiRecord(ObjectTransport& transport, const SchemaObjectEssentialData& record,
                             std::uint32_t dwDirection, void* pRequest, std::uint32_t dwRequestSize)
{
    ScsiRequestRecord request;
    if (dwRequestSize != sizeof request)
        return kResultInvalidParameter;
    std::memcpy(&request, pRequest, sizeof request);
    if (request.pCdb == nullptr || request.bCdbLength == 0 || request.bCdbLength > kMaxCdbLength)
        return kResultInvalidParameter;
    ScsiTransfer command;
    command.pbCdb = static_cast<const std::uint8_t*>(request.pCdb);
    command.bCdbLength = request.bCdbLength;
    command.dwDirection = dwDirection;
    TransferBuffers buffers = buffersOf(request);
    const std::uint32_t dwResult = transport.sendScsiCommand(record, command, buffers);
    request.bScsiStatus = buffers.bScsiStatus;
    request.dwSenseLength = buffers.dwSenseLength;
    std::memcpy(pRequest, &request, sizeof request);
    return dwResult;
}

// What every info request checks first: the caller's buffer holds the
// record, and the object's command type has a transport to ask.
std::uint32_t openInfoRequest(const SchemaObjectEssentialData& record, std::uint32_t dwRecordSize,
                              std::uint32_t* pdwSize, TransportPtr& pTransport)
{
    if (const std::uint32_t dwSizeCheck = checkInfoSize(dwRecordSize, pdwSize))
        return dwSizeCheck;
    pTransport = createTransport(record.eCommandType());
    return pTransport ? kResultOk : kResultNotSupported;
}

// Copies at most fieldSize characters of text into a zero-filled field.
void putText(std::uint8_t* pbField, std::size_t fieldSize, const std::string& text)
{
    std::memset(pbField, 0, fieldSize);
    std::copy_n(text.begin(), std::min(fieldSize, text.size()), pbField);
}

}

DetailOrder detailOrderFor(CommandType eCommandType)
{
    return eCommandType == eCSMI_I2O || eCommandType == eLEGACY ? eDETAIL_LSB_FIRST : eDETAIL_MSB_FIRST;
}

std::string readControllerName(const SchemaObjectEssentialData& record)
{
    const TransportPtr pTransport = createTransport(record.eCommandType());
    if (!pTransport)
        return {};
    std::array<std::uint8_t, kSubsystemInfoSize> reply{};
    BmicTransfer command;
    command.bOpcode = kSenseSubsystemInfo;
    command.dwDirection = kDirectionRead;
    TransferBuffers buffers;
    buffers.pData = reply.data();
    buffers.dwDataLength = static_cast<std::uint32_t>(reply.size());
    if (pTransport->sendBmicCommand(record, command, buffers) != kResultOk)
        return {};
    // The serial number is zero-terminated within the reply, or runs to its end.
    const auto* pbText = reply.data() + SubsystemInfoReply::kControllerSerialNumber;
    const std::size_t room = reply.size() - SubsystemInfoReply::kControllerSerialNumber;
    const auto* pbEnd = std::find(pbText, pbText + room, std::uint8_t{0});
    return std::string(pbText, pbEnd);
}

std::uint32_t readBusInformation(const SchemaObjectEssentialData& record, const std::string& name, void* pBuffer,
                                 std::uint32_t* pdwSize)
{
    TransportPtr pTransport;
    if (const std::uint32_t dwOpened = openInfoRequest(record, kInfoBusInformationSize, pdwSize, pTransport))
        return dwOpened;
    BusInfoRecord busInfo{};
    if (const std::uint32_t dwResult = pTransport->getControllerBusInfo(record, busInfo))
        return dwResult;
    std::array<std::uint8_t, kInfoBusInformationSize> info{};
    std::memcpy(info.data(), busInfo.data(), busInfo.size());
    putText(info.data() + busInfo.size(), kNameTextSize, name);
    std::memcpy(pBuffer, info.data(), info.size());
    return kResultOk;
}

std::uint32_t readFibreIdentity(const SchemaObjectEssentialData& record, void* pBuffer, std::uint32_t* pdwSize)
{
    TransportPtr pTransport;
    if (const std::uint32_t dwOpened = openInfoRequest(record, kInfoFibreIdentitySize, pdwSize, pTransport))
        return dwOpened;
    FibreIdentityRecord identity{};
    if (const std::uint32_t dwResult = pTransport->getFibreIdentity(record, identity))
        return dwResult;
    std::memcpy(pBuffer, identity.data(), identity.size());
    return kResultOk;
}

std::uint32_t readAddress(const SchemaObjectEssentialData& record, void* pBuffer, std::uint32_t* pdwSize)
{
    if (const std::uint32_t dwSizeCheck = checkInfoSize(kInfoAddressSize, pdwSize))
        return dwSizeCheck;
    std::memcpy(pBuffer, record.address().data(), kInfoAddressSize);
    return kResultOk;
}

std::uint32_t readControllerStatus(const SchemaObjectEssentialData& record, void* pBuffer, std::uint32_t* pdwSize)
{
    TransportPtr pTransport;
    if (const std::uint32_t dwOpened = openInfoRequest(record, kInfoStatusSize, pdwSize, pTransport))
        return dwOpened;
    std::uint8_t bStatus = 0;
    if (const std::uint32_t dwResult = pTransport->getControllerStatus(record, bStatus))
        return dwResult;
    std::memcpy(pBuffer, &bStatus, 1);
    return kResultOk;
}

std::uint32_t readRemoteIdentity(const SchemaObjectEssentialData& record, const std::string& name, void* pBuffer,
                                 std::uint32_t* pdwSize)
{
    TransportPtr pTransport;
    if (const std::uint32_t dwOpened = openInfoRequest(record, kInfoRemoteIdentitySize, pdwSize, pTransport))
        return dwOpened;
    RemoteIdentityRecord identity{};
    if (const std::uint32_t dwResult = pTransport->getRemoteIdentity(record, identity))
        return dwResult;
    std::memcpy(identity.data() + kIdentityAddressOffset, record.address().data(), kObjectAddressSize);
    const std::uint16_t wKind = loadLe16(identity.data());
    if (wKind == kIdentityKindWithName)
        putText(identity.data() + kIdentityNameOffset, kIdentityNameSize, name);
    std::memcpy(pBuffer, identity.data(), identity.size());
    return kResultOk;
}

void discoverObjectChildren(const SchemaObjectEssentialData& record, INFOMGR_OBJECT_TYPE eChildType,
                            EssentialDataList& children)
{
    const TransportPtr pTransport = createTransport(record.eCommandType());
    if (!pTransport)
        return;
    // A failing discovery leaves fewer or no records; that is all it means here.
    switch (eChildType) {
    case eOBJECT_LOGICAL_DRIVE:
        pTransport->discoverLogicalDrives(record, children);
        break;
    case eOBJECT_PHYSICAL_DRIVE:
        pTransport->discoverPhysicalDrives(record, children);
        break;
    case eOBJECT_REMOTE_DEVICE:
        pTransport->discoverRemoteControllers(record, children);
        break;
    default:
        break;
    }
}

std::unique_ptr<InfoMgrSchemaObject> makeDeviceObject(std::unique_ptr<SchemaObjectEssentialData> pRecord)
{
    switch (pRecord->eObjectType()) {
    case eOBJECT_LOGICAL_DRIVE:
        if (dynamic_cast<const LogicalDriveEssentialData*>(pRecord.get()) != nullptr)
            return std::make_unique<LogicalDrive>(std::move(pRecord));
        break;
    case eOBJECT_PHYSICAL_DRIVE:
        if (dynamic_cast<const PhysicalDriveEssentialData*>(pRecord.get()) != nullptr)
            return std::make_unique<PhysicalDrive>(std::move(pRecord));
        break;
    case eOBJECT_REMOTE_DEVICE:
        return std::make_unique<RemoteDevice>(std::move(pRecord));
    default:
        break;
    }
    return nullptr;
}

std::uint32_t sendObjectCommand(const SchemaObjectEssentialData& record, DetailOrder eDetailOrder,
                                std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                std::uint32_t dwRequestSize)
{
    if (pRequest == nullptr || (dwDirection != kDirectionRead && dwDirection != kDirectionWrite))
        return kResultInvalidParameter;
    const TransportPtr pTransport = createTransport(record.eCommandType());
    if (!pTransport)
        return kResultNotSupported;
    if (dwRequestType == kRequestBmic)
        return sendBmicRecord(*pTransport, record, eDetailOrder, dwDirection, pRequest, dwRequestSize);
    if (dwRequestType == kRequestScsi)
        return sendScsiRecord(*pTransport, record, dwDirection, pRequest, dwRequestSize);
    return kResultInvalidParameter;
}

}
