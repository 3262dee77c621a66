// The test transport: answers the object model from a FakeMachine and counts
// what it is asked.
#include "objectmodel_fakemachine.h"

#include <algorithm>

namespace objmodeltest {
namespace {

constexpr std::uint32_t kFailed = 0x80000005;
constexpr std::uint32_t kNothingFound = 3;

class FakeTransport : public InfoMgr::ObjectTransport {
public:
    FakeTransport(FakeMachine& machine, CommandType eCommandType) : m_machine(machine), m_eCommandType(eCommandType)
    {
        ++m_machine.liveTransports;
    }
    ~FakeTransport() override { --m_machine.liveTransports; }

    std::uint32_t discoverControllers(EssentialDataList& records) override
    {
        ++m_machine.calls["discoverControllers"];
        bool found = false;
        for (const FakeObject& controller : m_machine.controllers) {
            if (controller.eCommandType != m_eCommandType)
                continue;
            if (m_eCommandType == eCSMI_FIBRE)
                records.push_back(
                    std::make_unique<HBAEssentialData>(controller.dwPort, eCSMI_FIBRE, controller.adapterSerial));
            else
                records.push_back(std::make_unique<SchemaObjectEssentialData>(controller.dwPort, eOBJECT_CONTROLLER,
                                                                              m_eCommandType));
            found = true;
        }
        return found ? 0 : kNothingFound;
    }

    std::uint32_t discoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                            EssentialDataList& records) override
    {
        ++m_machine.calls["discoverRemoteControllers"];
        const FakeObject* pOwner = m_machine.find(controller);
        if (pOwner == nullptr || pOwner->remotes.empty())
            return kNothingFound;
        for (const FakeObject& remote : pOwner->remotes)
            records.push_back(std::make_unique<RemoteDeviceEssentialData>(controller, remote.eCommandType,
                                                                          remote.lunAddress, remote.address));
        return 0;
    }

    std::uint32_t discoverLogicalDrives(const SchemaObjectEssentialData& controller,
                                        EssentialDataList& records) override
    {
        ++m_machine.calls["discoverLogicalDrives"];
        const FakeObject* pOwner = m_machine.find(controller);
        if (pOwner == nullptr)
            return kFailed;
        for (const std::uint8_t bNumber : pOwner->logicalDrives)
            records.push_back(std::make_unique<LogicalDriveEssentialData>(controller, bNumber));
        return 0;
    }

    std::uint32_t discoverPhysicalDrives(const SchemaObjectEssentialData& controller,
                                         EssentialDataList& records) override
    {
        ++m_machine.calls["discoverPhysicalDrives"];
        const FakeObject* pOwner = m_machine.find(controller);
        if (pOwner == nullptr)
            return kFailed;
        for (const FakeDrive& drive : pOwner->physicalDrives)
            records.push_back(
                std::make_unique<PhysicalDriveEssentialData>(controller, drive.bPort, drive.bTarget, drive.bNumber));
        return 0;
    }

    std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& controller,
                                       InfoMgr::BusInfoRecord& busInfo) override
    {
        ++m_machine.calls["getControllerBusInfo"];
        const FakeObject* pOwner = m_machine.find(controller);
        if (pOwner == nullptr)
            return kFailed;
        if (pOwner->dwBusInfoResult != 0) {
            busInfo.fill(0xEE); // a failing transport may leave rubbish behind
            return pOwner->dwBusInfoResult;
        }
        busInfo = pOwner->busInfo;
        return 0;
    }

    std::uint32_t getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus) override
    {
        ++m_machine.calls["getControllerStatus"];
        const FakeObject* pOwner = m_machine.find(controller);
        if (pOwner == nullptr)
            return 0x80000007;
        bStatus = pOwner->bStatus;
        return 0;
    }

    std::uint32_t getFibreIdentity(const SchemaObjectEssentialData& device,
                                   InfoMgr::FibreIdentityRecord& identity) override
    {
        ++m_machine.calls["getFibreIdentity"];
        const FakeObject* pOwner = m_machine.find(device);
        if (pOwner == nullptr)
            return 0x80000007;
        identity = pOwner->fibreIdentity;
        return 0;
    }

    std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& device,
                                    InfoMgr::RemoteIdentityRecord& identity) override
    {
        ++m_machine.calls["getRemoteIdentity"];
        const FakeObject* pOwner = m_machine.find(device);
        if (pOwner == nullptr)
            return kNothingFound;
        identity = pOwner->remoteIdentity;
        return 0;
    }

    std::uint32_t sendBmicCommand(const SchemaObjectEssentialData& device, const InfoMgr::BmicTransfer& command,
                                  InfoMgr::TransferBuffers& buffers) override
    {
        ++m_machine.calls["sendBmicCommand"];
        if (command.bOpcode == 0x66) {
            const FakeObject* pOwner = m_machine.find(device);
            std::string name = pOwner != nullptr ? pOwner->serialNumber : std::string();
            if (!m_machine.nameSequence.empty()) {
                name = m_machine.nameSequence.front();
                m_machine.nameSequence.erase(m_machine.nameSequence.begin());
            }
            if (name.empty() || buffers.dwDataLength < 512)
                return kFailed;
            auto* pbData = static_cast<std::uint8_t*>(buffers.pData);
            std::memcpy(pbData + 44, name.data(), std::min<std::size_t>(name.size(), 512 - 44));
            return 0;
        }
        m_machine.sentBmic.push_back({device.port(), device.eObjectType(), command, buffers.dwDataLength});
        return answer(command.dwDirection, buffers);
    }

    std::uint32_t sendScsiCommand(const SchemaObjectEssentialData&, const InfoMgr::ScsiTransfer& command,
                                  InfoMgr::TransferBuffers& buffers) override
    {
        ++m_machine.calls["sendScsiCommand"];
        m_machine.lastCdb.assign(command.pbCdb, command.pbCdb + command.bCdbLength);
        return answer(command.dwDirection, buffers);
    }

private:
    std::uint32_t answer(std::uint32_t dwDirection, InfoMgr::TransferBuffers& buffers)
    {
        if (m_machine.dwSendResult != 0)
            return m_machine.dwSendResult;
        auto* pbData = static_cast<std::uint8_t*>(buffers.pData);
        if (dwDirection == InfoMgr::kDirectionRead && pbData != nullptr && !m_machine.bmicReplyData.empty())
            std::memcpy(pbData, m_machine.bmicReplyData.data(),
                        std::min<std::size_t>(buffers.dwDataLength, m_machine.bmicReplyData.size()));
        else if (dwDirection != InfoMgr::kDirectionRead && pbData != nullptr)
            m_machine.lastWrittenData.assign(pbData, pbData + buffers.dwDataLength);
        const std::size_t senseBytes = std::min<std::size_t>(buffers.dwSenseLength, m_machine.replySense.size());
        if (buffers.pSense != nullptr && senseBytes != 0)
            std::memcpy(buffers.pSense, m_machine.replySense.data(), senseBytes);
        buffers.dwSenseLength = static_cast<std::uint32_t>(buffers.pSense != nullptr ? senseBytes : 0);
        buffers.bScsiStatus = m_machine.bReplyScsiStatus;
        buffers.wCommandStatus = m_machine.wReplyCommandStatus;
        return 0;
    }

    FakeMachine& m_machine;
    CommandType m_eCommandType;
};

}

void FakeMachine::install()
{
    InfoMgr::discardRootClasses();
    InfoMgr::setTransportFactory([this](CommandType eCommandType) -> InfoMgr::TransportPtr {
        return std::make_unique<FakeTransport>(*this, eCommandType);
    });
}

void FakeMachine::uninstall()
{
    InfoMgr::discardRootClasses();
    InfoMgr::setTransportFactory({});
    InfoMgr::recordInitError(0);
}

const FakeObject* FakeMachine::find(const SchemaObjectEssentialData& record) const
{
    for (const FakeObject& controller : controllers) {
        if (controller.dwPort != record.port())
            continue;
        if (record.eObjectType() == eOBJECT_REMOTE_DEVICE) {
            for (const FakeObject& remote : controller.remotes)
                if (remote.address == record.address() && remote.eCommandType == record.eCommandType())
                    return &remote;
        } else if (controller.eCommandType == record.eCommandType()) {
            return &controller;
        }
    }
    return nullptr;
}

std::vector<InfoMgr::INFOMGR_HANDLE> children(InfoMgr::INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eType)
{
    std::vector<InfoMgr::INFOMGR_HANDLE> handles;
    for (std::uint32_t dwIndex = 0;; ++dwIndex) {
        InfoMgr::INFOMGR_HANDLE hChild = InfoMgr::kNullHandle;
        if (InfoMgr::getChild(hParent, eType, dwIndex, &hChild) != InfoMgr::kResultOk)
            return handles;
        handles.push_back(hChild);
    }
}

std::string busName(InfoMgr::INFOMGR_HANDLE hObject)
{
    std::uint8_t record[82] = {};
    std::uint32_t dwSize = sizeof record;
    if (InfoMgr::getInfo(hObject, InfoMgr::kInfoBusInformation, 0, record, &dwSize) != InfoMgr::kResultOk)
        return "<failed>";
    const char* pText = reinterpret_cast<const char*>(record + 18);
    return std::string(pText, strnlen(pText, 64));
}

}
