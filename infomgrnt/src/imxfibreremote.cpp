// CsmiFibreChannel: array controllers and enclosures behind an adapter,
// found in the port's inquiry data.
#include "imxcsmifibrechannel.h"

#include "imxioctlpacket.h"
#include "imxpacketfields.h"

#include <memory>
#include <vector>

namespace InfoMgr {
namespace {

constexpr std::uint32_t kInquiryStep = 16384;
constexpr std::uint32_t kInquiryLimit = 131072;

constexpr std::size_t kBusEntriesOffset = 4;
constexpr std::size_t kBusEntrySize = 8;
constexpr std::size_t kUnitOffsetField = 4;
constexpr std::size_t kNextUnitField = 8;
constexpr std::size_t kUnitInquiryOffset = 12;
constexpr std::size_t kUnitInquiryExamined = 36;

constexpr std::uint8_t kArrayControllerType = 12;
constexpr std::uint8_t kEnclosureServicesType = 13;

}

bool parseFibreInquiryData(const SchemaObjectEssentialData& controller, const std::uint8_t* pbData, std::size_t nLength,
                           EssentialDataList& devices)
{
    if (pbData == nullptr || nLength == 0)
        return false;
    bool bFound = false;
    const unsigned nBuses = pbData[0];
    for (unsigned nBus = 0; nBus < nBuses; ++nBus) {
        const std::size_t nEntry = kBusEntriesOffset + nBus * kBusEntrySize;
        if (nEntry + kBusEntrySize > nLength)
            break;
        const unsigned nUnits = pbData[nEntry];
        std::size_t nUnit = loadLe32(pbData + nEntry + kUnitOffsetField);
        // The unit count bounds the walk, so a record chain that loops ends.
        for (unsigned n = 0; n < nUnits; ++n) {
            if (nUnit == 0 || nUnit > nLength || nLength - nUnit < kUnitInquiryOffset + kUnitInquiryExamined)
                break;
            const std::uint8_t* pbUnit = pbData + nUnit;
            const std::uint8_t bType = pbUnit[kUnitInquiryOffset] & 0x1F;
            if (bType == kArrayControllerType || bType == kEnclosureServicesType) {
                const CommandType eType = bType == kArrayControllerType ? eCSMI_FIBRE : eCSMI_SWITCH;
                devices.push_back(std::make_unique<RemoteDeviceEssentialData>(
                    controller, eType, LunAddress{}, ObjectAddress{pbUnit[0], pbUnit[1], pbUnit[2]}));
                bFound = true;
            }
            nUnit = loadLe32(pbUnit + kNextUnitField);
        }
    }
    return bFound;
}

std::uint32_t CsmiFibreChannel::doDiscoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                                            EssentialDataList& devices)
{
    const PortHandle port(controller.port());
    if (!port.isOpen())
        return kIoCtlScanPortFailed;
    std::uint32_t dwReturned = 0;
    if (!sendPortRequest(port, kRescanBusIoctl, nullptr, 0, dwReturned))
        return kIoCtlNothingFound;
    for (std::uint32_t dwSize = kInquiryStep; dwSize < kInquiryLimit; dwSize += kInquiryStep) {
        std::vector<std::uint8_t> buffer(dwSize, 0);
        if (!sendPortRequest(port, kInquiryDataIoctl, buffer.data(), dwSize, dwReturned))
            continue;
        return parseFibreInquiryData(controller, buffer.data(), dwReturned, devices) ? kIoCtlOk : kIoCtlNothingFound;
    }
    return kIoCtlNothingFound;
}

}
