// CsmiFibreChannel: the world-wide names and port address of an adapter or
// of a device behind it, and the identity record of an array controller
// behind the adapter.
#include "imxcsmifibrechannel.h"

#include "imxioctlpacket.h"

#include <array>
#include <cstring>

namespace InfoMgr {
namespace {

constexpr char kFibreSignature[] = "ZYRFC";
constexpr std::uint32_t kNameCode = 3;
constexpr std::uint32_t kNameBody = 32;
constexpr char kManagementSignature[] = "FCM&P";
constexpr std::uint32_t kAdapterAttributesCode = 13;
constexpr std::uint32_t kAdapterAttributesBody = 100;
constexpr std::uint32_t kPortAttributesCode = 14;
constexpr std::uint32_t kPortAttributesBody = 96;
constexpr std::uint32_t kPortAttributesKind = 8;
constexpr std::uint8_t kAnyAddress = 255;
constexpr std::size_t kFibreIdentitySize = 20;

// The remote identity record of an array controller behind the adapter: the
// CISS record's layout with the Fibre Channel bus code, no serial number
// text, and the device's first world-wide name.
constexpr std::size_t kRemoteRecordSize = 64;
constexpr std::uint16_t kRemoteRecordKind = 12;
constexpr std::uint8_t kFibreBusCode = 4;
constexpr std::size_t kRemoteBusOffset = 2;
constexpr std::size_t kRemoteVendorOffset = 3;
constexpr std::size_t kRemoteProductOffset = 11;
constexpr std::size_t kRemoteNameOffset = 38;
constexpr std::size_t kWorldWideNameSize = 8;
constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint32_t kInquiryLength = 96;
constexpr std::uint8_t kInquiryAllocation = 95;
constexpr std::size_t kInquiryVendorOffset = 8;
constexpr std::size_t kInquiryVendorSize = 8;
constexpr std::size_t kInquiryProductOffset = 16;
constexpr std::size_t kInquiryProductSize = 16;

template <class Reply>
void composeIdentity(const Reply& reply, std::uint8_t* pbIdentity)
{
    std::memcpy(pbIdentity, reply.firstName, 8);
    std::memcpy(pbIdentity + 8, reply.secondName, 8);
    pbIdentity[16] = reply.portByte;
    const std::uint32_t dwPortAddress = reply.portAddress.get();
    pbIdentity[17] = static_cast<std::uint8_t>(dwPortAddress >> 16);
    pbIdentity[18] = static_cast<std::uint8_t>(dwPortAddress >> 8);
    pbIdentity[19] = static_cast<std::uint8_t>(dwPortAddress);
}

bool askName(const PortHandle& port, const ObjectAddress& address, std::uint8_t* pbIdentity)
{
    MiniportPacket packet(kFibreSignature, kTimeoutForever, kNameCode, kNameBody);
    FibreNamePacket request{};
    request.path = address[0];
    request.target = address[1];
    request.lun = address[2];
    packet.put(request);
    if (sendPacket(port, packet) != kIoCtlOk)
        return false;
    composeIdentity(packet.get<FibreNamePacket>(), pbIdentity);
    return true;
}

bool askAdapterAttributes(const PortHandle& port, std::uint8_t* pbIdentity)
{
    MiniportPacket packet(kManagementSignature, kTimeoutFibreManagement, kAdapterAttributesCode,
                          kAdapterAttributesBody);
    if (sendPacket(port, packet) != kIoCtlOk)
        return false;
    composeIdentity(packet.get<FibreAdapterAttributesPacket>(), pbIdentity);
    return true;
}

bool askPortAttributes(const PortHandle& port, std::uint32_t dwPort, const ObjectAddress& address,
                       std::uint8_t* pbIdentity)
{
    MiniportPacket packet(kManagementSignature, kTimeoutFibreManagement, kPortAttributesCode, kPortAttributesBody);
    FibrePortAttributesPacket request{};
    request.attributeKind.set(kPortAttributesKind);
    // The address bytes are written over the upper bytes of the port number.
    request.portNumber = static_cast<std::uint8_t>(dwPort);
    request.path = address[0];
    request.target = address[1];
    request.lun = address[2];
    packet.put(request);
    if (sendPacket(port, packet) != kIoCtlOk)
        return false;
    composeIdentity(packet.get<FibrePortAttributesPacket>(), pbIdentity);
    return true;
}

}

std::uint32_t CsmiFibreChannel::doGetRemoteIdentity(const SchemaObjectEssentialData& device, std::uint8_t* pbIdentity,
                                                    std::size_t nIdentityLength)
{
    if (pbIdentity == nullptr || nIdentityLength < kFibreIdentitySize)
        return kIoCtlNothingFound;
    std::uint8_t abIdentity[kFibreIdentitySize] = {};
    {
        const PortHandle port(device.port());
        if (!port.isOpen())
            return kIoCtlPortNotOpened;
        bool bAnswered = false;
        if (device.eObjectType() == eOBJECT_CONTROLLER) {
            bAnswered = askAdapterAttributes(port, abIdentity) ||
                        askName(port, ObjectAddress{kAnyAddress, kAnyAddress, kAnyAddress}, abIdentity);
        } else {
            bAnswered = askPortAttributes(port, device.port(), device.address(), abIdentity) ||
                        askName(port, device.address(), abIdentity);
        }
        if (!bAnswered)
            return kIoCtlPortNotOpened;
    }
    // Only an array controller behind the adapter has the full record; an
    // enclosure (the switch command type) and the adapter have their names.
    if (nIdentityLength < kRemoteRecordSize || device.eObjectType() != eOBJECT_REMOTE_DEVICE ||
        device.eCommandType() != eCSMI_FIBRE) {
        std::memcpy(pbIdentity, abIdentity, sizeof abIdentity);
        return kIoCtlOk;
    }
    composeRemoteRecord(device, abIdentity, pbIdentity);
    return kIoCtlOk;
}

// Vendor and product come from the device's own INQUIRY; a device that does
// not answer it keeps them zero, as a CISS remote does.
void CsmiFibreChannel::composeRemoteRecord(const SchemaObjectEssentialData& device, const std::uint8_t* pbNames,
                                           std::uint8_t* pbIdentity)
{
    std::memset(pbIdentity, 0, kRemoteRecordSize);
    pbIdentity[0] = static_cast<std::uint8_t>(kRemoteRecordKind);
    pbIdentity[1] = static_cast<std::uint8_t>(kRemoteRecordKind >> 8);
    pbIdentity[kRemoteBusOffset] = kFibreBusCode;
    std::memcpy(pbIdentity + kRemoteNameOffset, pbNames, kWorldWideNameSize);
    std::array<std::uint8_t, kInquiryLength> inquiry{};
    const std::uint8_t abInquiry[6] = {kInquiry, 0, 0, 0, kInquiryAllocation, 0};
    if (readScsi(device, abInquiry, sizeof abInquiry, inquiry.data(), kInquiryAllocation) == kIoCtlOk) {
        std::memcpy(pbIdentity + kRemoteVendorOffset, inquiry.data() + kInquiryVendorOffset, kInquiryVendorSize);
        std::memcpy(pbIdentity + kRemoteProductOffset, inquiry.data() + kInquiryProductOffset, kInquiryProductSize);
    }
}

}
