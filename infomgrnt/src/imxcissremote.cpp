// CsmiCiss: the external array controllers behind a CISS controller and
// their identity record.
#include "imxcsmiciss.h"

#include "imxremoteproducts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace InfoMgr {
namespace {

constexpr std::uint8_t kReportPhysicalLuns = 0xC3;
constexpr std::uint32_t kLunListLength = 8008;
constexpr std::size_t kLunListHeader = 8;
constexpr std::size_t kLunEntrySize = 8;

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint32_t kInquiryLength = 96;
constexpr std::uint32_t kIdentityInquiryLength = 95;
constexpr std::size_t kVendorOffset = 8;
constexpr std::size_t kProductOffset = 16;

constexpr std::uint8_t kSenseSubsystemInfo = 0x66;
constexpr std::uint32_t kSubsystemInfoLength = 512;
constexpr std::size_t kSubsystemNameOffset = 44;

// Identity record fields.
constexpr std::size_t kIdentitySize = 64;
constexpr std::uint16_t kIdentityKind = 12;
constexpr std::uint8_t kIdentityVersion = 3;
constexpr std::size_t kIdentityVendorOffset = 3;
constexpr std::size_t kIdentityProductOffset = 11;
constexpr std::size_t kIdentityNameOffset = 32;
constexpr std::size_t kIdentityNameLength = 32;

}

bool CsmiCiss::isRemoteProduct(const std::uint8_t* pbInquiry) const
{
    if (std::memcmp(pbInquiry + kVendorOffset, kRemoteVendor, kInquiryVendorLength) != 0)
        return false;
    return std::any_of(kRemoteProducts.begin(), kRemoteProducts.end(), [&](const char* pszProduct) {
        return std::memcmp(pbInquiry + kProductOffset, pszProduct, kInquiryProductLength) == 0;
    });
}

std::uint32_t CsmiCiss::doDiscoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                                    EssentialDataList& devices)
{
    std::vector<std::uint8_t> lunList(kLunListLength, 0);
    const std::uint8_t abReport[12] = {kReportPhysicalLuns,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       static_cast<std::uint8_t>(kLunListLength >> 24),
                                       static_cast<std::uint8_t>(kLunListLength >> 16),
                                       static_cast<std::uint8_t>(kLunListLength >> 8),
                                       static_cast<std::uint8_t>(kLunListLength),
                                       0,
                                       0};
    if (const std::uint32_t dwResult = readScsi(controller, abReport, sizeof abReport, lunList.data(), kLunListLength))
        return dwResult;
    // The driver reports the list length big-endian; only its low byte is
    // used, so at most 31 entries are examined.
    const std::size_t nEntries = lunList[3] / kLunEntrySize;
    bool bKept = false;
    for (std::size_t n = 0; n < nEntries; ++n) {
        const std::uint8_t* pbEntry = lunList.data() + kLunListHeader + n * kLunEntrySize;
        LunAddress lunAddress{};
        std::memcpy(lunAddress.data(), pbEntry, lunAddress.size());
        SchemaObjectEssentialData target(controller);
        target.setLunAddress(lunAddress);
        std::array<std::uint8_t, kInquiryLength> inquiry{};
        const std::uint8_t abInquiry[6] = {kInquiry, 0, 0, 0, static_cast<std::uint8_t>(kInquiryLength), 0};
        if (readScsi(target, abInquiry, sizeof abInquiry, inquiry.data(), kInquiryLength) != kIoCtlOk)
            continue;
        if (!isRemoteProduct(inquiry.data()))
            continue;
        const ObjectAddress address{static_cast<std::uint8_t>(pbEntry[3] & 0x3F), pbEntry[0], pbEntry[4]};
        devices.push_back(std::make_unique<RemoteDeviceEssentialData>(controller, eCSMI_CISS, lunAddress, address));
        bKept = true;
    }
    return bKept ? kIoCtlOk : kIoCtlNothingFound;
}

std::uint32_t CsmiCiss::doGetRemoteIdentity(const SchemaObjectEssentialData& device, std::uint8_t* pbIdentity,
                                            std::size_t nIdentityLength)
{
    if (pbIdentity == nullptr || nIdentityLength < kIdentitySize)
        return kIoCtlNothingFound;
    std::array<std::uint8_t, kSubsystemInfoLength> info{};
    BmicTransfer command;
    command.bOpcode = kSenseSubsystemInfo;
    command.dwDirection = CONTROL_DIRECTION_READ;
    BmicRequest request;
    request.pDevice = &device;
    setupBmicParameters(command, kSubsystemInfoLength, request.block);
    std::uint32_t dwDataLength = kSubsystemInfoLength;
    std::uint32_t dwSenseLength = 0;
    std::uint8_t bScsiStatus = 0;
    std::uint16_t wCommandStatus = 0;
    CommandBuffers buffers{info.data(), &dwDataLength, nullptr, &dwSenseLength, &bScsiStatus, &wCommandStatus};
    if (const std::uint32_t dwResult = sendBmicCommand(request, CONTROL_DIRECTION_READ, buffers))
        return dwResult;
    pbIdentity[0] = static_cast<std::uint8_t>(kIdentityKind);
    pbIdentity[1] = static_cast<std::uint8_t>(kIdentityKind >> 8);
    pbIdentity[2] = kIdentityVersion;
    pbIdentity[30] = 0;
    pbIdentity[31] = 0;
    std::memcpy(pbIdentity + kIdentityNameOffset, info.data() + kSubsystemNameOffset, kIdentityNameLength);
    std::array<std::uint8_t, kInquiryLength> inquiry{};
    const std::uint8_t abInquiry[6] = {kInquiry, 0, 0, 0, static_cast<std::uint8_t>(kIdentityInquiryLength), 0};
    if (readScsi(device, abInquiry, sizeof abInquiry, inquiry.data(), kIdentityInquiryLength) == kIoCtlOk) {
        std::memcpy(pbIdentity + kIdentityVendorOffset, inquiry.data() + kVendorOffset, kInquiryVendorLength);
        std::memcpy(pbIdentity + kIdentityProductOffset, inquiry.data() + kProductOffset, kInquiryProductLength);
    }
    return kIoCtlOk;
}

}
