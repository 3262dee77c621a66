// The test transport: answers the object model from a FakeMachine and counts
// what it is asked.
#include "objectmodel_fakemachine.h"

#include <algorithm>

namespace objmodeltest {
namespace {

constexpr std::uint32_t kFailed = 0x80000005;
constexpr std::uint32_t kNothingFound = 3;
constexpr std::uint32_t kNoDevice = 0x80000007;

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
        const std::size_t nBefore = records.size();
        for (const FakeObject& controller : m_machine.controllers) {
            if (controller.eCommandType != m_eCommandType)
                continue;
            if (m_eCommandType == eCSMI_FIBRE)
                records.push_back(
                    std::make_unique<HBAEssentialData>(controller.dwPort, eCSMI_FIBRE, controller.adapterSerial));
            else
                records.push_back(std::make_unique<SchemaObjectEssentialData>(controller.dwPort, eOBJECT_CONTROLLER,
                                                                              m_eCommandType));
        }
        return records.size() != nBefore ? 0 : kNothingFound;
    }

    std::uint32_t discoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                            EssentialDataList& records) override
    {
        return answer("discoverRemoteControllers", controller, kNothingFound, [&](const FakeObject& owner) {
            for (const FakeObject& remote : owner.remotes)
                records.push_back(std::make_unique<RemoteDeviceEssentialData>(controller, remote.eCommandType,
                                                                              remote.lunAddress, remote.address));
            return owner.remotes.empty() ? kNothingFound : 0;
        });
    }
    std::uint32_t discoverLogicalDrives(const SchemaObjectEssentialData& controller,
                                        EssentialDataList& records) override
    {
        return answer("discoverLogicalDrives", controller, kFailed, [&](const FakeObject& owner) {
            for (const std::uint8_t bNumber : owner.logicalDrives)
                records.push_back(std::make_unique<LogicalDriveEssentialData>(controller, bNumber));
            return 0u;
        });
    }
    std::uint32_t discoverPhysicalDrives(const SchemaObjectEssentialData& controller,
                                         EssentialDataList& records) override
    {
        return answer("discoverPhysicalDrives", controller, kFailed, [&](const FakeObject& owner) {
            for (const FakeDrive& d : owner.physicalDrives)
                records.push_back(
                    std::make_unique<PhysicalDriveEssentialData>(controller, d.bPort, d.bTarget, d.bNumber));
            return 0u;
        });
    }
    std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& controller,
                                       InfoMgr::BusInfoRecord& busInfo) override
    {
        return answer("getControllerBusInfo", controller, kFailed, [&](const FakeObject& owner) {
            if (owner.dwBusInfoResult == 0)
                busInfo = owner.busInfo;
            else
                busInfo.fill(0xEE); // a failing transport may leave rubbish behind
            return owner.dwBusInfoResult;
        });
    }
    std::uint32_t getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus) override
    {
        return copy("getControllerStatus", controller, kNoDevice, &FakeObject::bStatus, bStatus);
    }
    std::uint32_t getFibreIdentity(const SchemaObjectEssentialData& device,
                                   InfoMgr::FibreIdentityRecord& identity) override
    {
        return copy("getFibreIdentity", device, kNoDevice, &FakeObject::fibreIdentity, identity);
    }
    std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& device,
                                    InfoMgr::RemoteIdentityRecord& identity) override
    {
        return copy("getRemoteIdentity", device, kNothingFound, &FakeObject::remoteIdentity, identity);
    }

    std::uint32_t sendBmicCommand(const SchemaObjectEssentialData& device, const InfoMgr::BmicTransfer& command,
                                  InfoMgr::TransferBuffers& buffers) override
    {
        ++m_machine.calls["sendBmicCommand"];
        if (command.bOpcode != 0x66) {
            m_machine.sentBmic.push_back({device.port(), device.eObjectType(), command, buffers.dwDataLength});
            return reply(command.dwDirection, buffers);
        }
        const FakeObject* pOwner = m_machine.find(device);
        std::string name = pOwner != nullptr ? pOwner->serialNumber : std::string();
        if (!m_machine.nameSequence.empty()) {
            name = m_machine.nameSequence.front();
            m_machine.nameSequence.erase(m_machine.nameSequence.begin());
        }
        if (name.empty() || buffers.dwDataLength < 512)
            return kFailed;
        std::memcpy(static_cast<std::uint8_t*>(buffers.pData) + 44, name.data(),
                    std::min<std::size_t>(name.size(), 512 - 44));
        return 0;
    }
    std::uint32_t sendScsiCommand(const SchemaObjectEssentialData&, const InfoMgr::ScsiTransfer& command,
                                  InfoMgr::TransferBuffers& buffers) override
    {
        ++m_machine.calls["sendScsiCommand"];
        m_machine.lastCdb.assign(command.pbCdb, command.pbCdb + command.bCdbLength);
        return reply(command.dwDirection, buffers);
    }

private:
    // Counts the call; the object the record names answers, else dwMissing.
    template <class Answer>
    std::uint32_t answer(const char* pszCall, const SchemaObjectEssentialData& record, std::uint32_t dwMissing,
                         Answer answerOf)
    {
        ++m_machine.calls[pszCall];
        const FakeObject* pOwner = m_machine.find(record);
        return pOwner == nullptr ? dwMissing : answerOf(*pOwner);
    }
    template <class Field>
    std::uint32_t copy(const char* pszCall, const SchemaObjectEssentialData& record, std::uint32_t dwMissing,
                       Field FakeObject::*pField, Field& out)
    {
        return answer(pszCall, record, dwMissing, [&](const FakeObject& owner) {
            out = owner.*pField;
            return 0u;
        });
    }
    std::uint32_t reply(std::uint32_t dwDirection, InfoMgr::TransferBuffers& buffers)
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

FakeObject FakeObject::controller(CommandType eType, std::uint32_t dwPort, std::string serial)
{
    FakeObject object;
    object.eCommandType = eType;
    object.dwPort = dwPort;
    object.serialNumber = std::move(serial);
    return object;
}

FakeObject FakeObject::remote(CommandType eType, ObjectAddress address, std::string serial)
{
    FakeObject object = controller(eType, 0, std::move(serial));
    object.address = address;
    object.lunAddress = LunAddress{0x40, address[1], 0, 0, 0, 0, 0, 0};
    return object;
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
    for (InfoMgr::INFOMGR_HANDLE hChild = InfoMgr::kNullHandle;
         InfoMgr::getChild(hParent, eType, static_cast<std::uint32_t>(handles.size()), &hChild) == InfoMgr::kResultOk;)
        handles.push_back(hChild);
    return handles;
}

InfoMgr::INFOMGR_HANDLE openRoot(INFOMGR_OBJECT_TYPE eRootType)
{
    InfoMgr::INFOMGR_HANDLE hRoot = InfoMgr::kNullHandle;
    EXPECT_EQ(InfoMgr::open(InfoMgr::kNullHandle, eRootType, &hRoot, 0, 0), InfoMgr::kResultOk);
    return hRoot;
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
