// The test transport behind FakeControllers.
#include "fakecontrollers.h"

#include <algorithm>
#include <cstring>

namespace optest {
namespace {

constexpr std::uint32_t kFailed = 0x80000005;
constexpr std::uint32_t kNothingFound = 3;

class FakeTransport : public InfoMgr::ObjectTransport {
public:
    FakeTransport(FakeControllers& machine, CommandType eCommandType) : m_machine(machine), m_eCommandType(eCommandType)
    {
    }

    std::uint32_t discoverControllers(EssentialDataList& records) override
    {
        for (const FakeController& controller : m_machine.controllers) {
            if (controller.eCommandType != m_eCommandType)
                continue;
            if (m_eCommandType == eCSMI_FIBRE)
                records.push_back(std::make_unique<HBAEssentialData>(controller.dwPort, eCSMI_FIBRE, "ADAPTER"));
            else
                records.push_back(std::make_unique<SchemaObjectEssentialData>(controller.dwPort, eOBJECT_CONTROLLER,
                                                                              m_eCommandType));
        }
        return records.empty() ? kNothingFound : 0;
    }

    std::uint32_t discoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                            EssentialDataList& records) override
    {
        const FakeController* pOwner = m_machine.find(controller);
        if (pOwner == nullptr || pOwner->remotes.empty())
            return kNothingFound;
        for (const FakeController& remote : pOwner->remotes)
            records.push_back(std::make_unique<RemoteDeviceEssentialData>(controller, remote.eCommandType,
                                                                          LunAddress{}, remote.address));
        return 0;
    }

    std::uint32_t discoverLogicalDrives(const SchemaObjectEssentialData&, EssentialDataList&) override
    {
        return kNothingFound;
    }

    std::uint32_t discoverPhysicalDrives(const SchemaObjectEssentialData&, EssentialDataList&) override
    {
        return kNothingFound;
    }

    std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& record, InfoMgr::BusInfoRecord& busInfo) override
    {
        const FakeController* pController = m_machine.find(record);
        if (pController == nullptr)
            return kFailed;
        const std::vector<std::uint8_t> image = ReplyImage(busInfo.size())
                                                    .u32(0, pController->dwBusCode)
                                                    .u16(4, pController->wSlot)
                                                    .u32(6, pController->dwEisaId)
                                                    .u32(14, pController->dwPciId);
        std::copy(image.begin(), image.end(), busInfo.begin());
        return 0;
    }

    std::uint32_t getControllerStatus(const SchemaObjectEssentialData&, std::uint8_t& bStatus) override
    {
        bStatus = 0;
        return 0;
    }

    std::uint32_t getFibreIdentity(const SchemaObjectEssentialData& record,
                                   InfoMgr::FibreIdentityRecord& identity) override
    {
        const FakeController* pController = m_machine.find(record);
        if (pController == nullptr)
            return kFailed;
        identity.fill(0);
        std::copy(pController->abWwn.begin(), pController->abWwn.end(), identity.begin() + 8);
        return 0;
    }

    std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& record,
                                    InfoMgr::RemoteIdentityRecord& identity) override
    {
        const FakeController* pController = m_machine.find(record);
        if (pController == nullptr || pController->remoteIdentity.size() != identity.size())
            return kFailed;
        std::copy(pController->remoteIdentity.begin(), pController->remoteIdentity.end(), identity.begin());
        return 0;
    }

    std::uint32_t sendBmicCommand(const SchemaObjectEssentialData& record, const InfoMgr::BmicTransfer& command,
                                  InfoMgr::TransferBuffers& buffers) override
    {
        FakeController* pController = m_machine.find(record);
        if (pController == nullptr)
            return kFailed;
        m_machine.sent.push_back({record.port(), record.address(), command, buffers.dwDataLength});
        const auto it = pController->answers.find(command.bOpcode);
        if (it == pController->answers.end())
            return kFailed;
        const Answer& answer = it->second;
        if (answer.dwResult != 0)
            return answer.dwResult;
        if (buffers.pData != nullptr)
            std::memcpy(buffers.pData, answer.reply.data(), std::min<std::size_t>(answer.reply.size(), buffers.dwDataLength));
        const std::size_t senseBytes = std::min<std::size_t>(answer.sense.size(), buffers.dwSenseLength);
        if (buffers.pSense != nullptr && senseBytes != 0)
            std::memcpy(buffers.pSense, answer.sense.data(), senseBytes);
        buffers.dwSenseLength = static_cast<std::uint32_t>(buffers.pSense != nullptr ? senseBytes : 0);
        buffers.bScsiStatus = answer.bScsiStatus;
        buffers.wCommandStatus = answer.wCommandStatus;
        return 0;
    }

    std::uint32_t sendScsiCommand(const SchemaObjectEssentialData&, const InfoMgr::ScsiTransfer&,
                                  InfoMgr::TransferBuffers&) override
    {
        return kFailed;
    }

private:
    FakeControllers& m_machine;
    CommandType m_eCommandType;
};

}

ReplyImage& ReplyImage::u8(std::size_t offset, std::uint8_t value)
{
    m_bytes.at(offset) = value;
    return *this;
}

ReplyImage& ReplyImage::u16(std::size_t offset, std::uint16_t value)
{
    u8(offset, static_cast<std::uint8_t>(value));
    return u8(offset + 1, static_cast<std::uint8_t>(value >> 8));
}

ReplyImage& ReplyImage::u32(std::size_t offset, std::uint32_t value)
{
    u16(offset, static_cast<std::uint16_t>(value));
    return u16(offset + 2, static_cast<std::uint16_t>(value >> 16));
}

ReplyImage& ReplyImage::text(std::size_t offset, const std::string& value)
{
    for (std::size_t i = 0; i < value.size(); ++i)
        u8(offset + i, static_cast<std::uint8_t>(value[i]));
    return *this;
}

ReplyImage& ReplyImage::bytes(std::size_t offset, const std::vector<std::uint8_t>& value)
{
    for (std::size_t i = 0; i < value.size(); ++i)
        u8(offset + i, value[i]);
    return *this;
}

std::vector<std::uint8_t> remoteIdentity(std::uint16_t wKind, std::uint8_t bBusCode, const std::string& vendor,
                                         const std::string& product, const std::string& serial,
                                         const std::array<std::uint8_t, 8>& wwn)
{
    return ReplyImage(64)
        .u16(0, wKind)
        .u8(2, bBusCode)
        .text(3, vendor.substr(0, 8))
        .text(11, product.substr(0, 16))
        .text(32, serial.substr(0, 5))
        .bytes(38, std::vector<std::uint8_t>(wwn.begin(), wwn.end()));
}

FakeControllers::FakeControllers()
{
    InfoMgr::discardRootClasses();
    InfoMgr::setTransportFactory([this](CommandType eCommandType) -> InfoMgr::TransportPtr {
        return std::make_unique<FakeTransport>(*this, eCommandType);
    });
}

FakeControllers::~FakeControllers()
{
    InfoMgr::discardRootClasses();
    InfoMgr::setTransportFactory({});
    InfoMgr::recordInitError(0);
}

void FakeControllers::rediscover()
{
    InfoMgr::discardRootClasses();
}

FakeController* FakeControllers::find(const SchemaObjectEssentialData& record)
{
    for (FakeController& controller : controllers) {
        if (controller.dwPort != record.port())
            continue;
        if (record.eObjectType() == eOBJECT_REMOTE_DEVICE) {
            for (FakeController& remote : controller.remotes) {
                if (remote.address == record.address())
                    return &remote;
            }
        } else if (controller.eCommandType == record.eCommandType()) {
            return &controller;
        }
    }
    return nullptr;
}

}
