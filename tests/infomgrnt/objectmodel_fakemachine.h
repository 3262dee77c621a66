// A small machine of controllers, adapters, remote controllers and drives
// behind a test transport that answers the object model from it and counts
// what it is asked, for the object model's tests.
#ifndef TSM_TESTS_OBJECTMODEL_FAKEMACHINE_H
#define TSM_TESTS_OBJECTMODEL_FAKEMACHINE_H

#include "imxinfomgrapi.h"
#include "imxtransportsource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace objmodeltest {

using namespace InfoMgr;

struct FakeDrive {
    std::uint8_t bPort = 0;
    std::uint8_t bTarget = 0;
    std::uint8_t bNumber = 0;
};

// A controller, adapter or remote controller as the test transport sees it.
struct FakeObject {
    CommandType eCommandType = eCSMI_CISS;
    std::uint32_t dwPort = 0;
    LunAddress lunAddress{};
    ObjectAddress address{};
    std::string serialNumber;          // answered to BMIC 0x66; empty: the command fails
    std::string adapterSerial;         // Fibre Channel scan text
    BusInfoRecord busInfo{};
    std::uint32_t dwBusInfoResult = 0;
    std::uint8_t bStatus = 0;
    FibreIdentityRecord fibreIdentity{};
    RemoteIdentityRecord remoteIdentity{};
    std::vector<std::uint8_t> logicalDrives;
    std::vector<FakeDrive> physicalDrives;
    std::vector<FakeObject> remotes;

    static FakeObject controller(CommandType eType, std::uint32_t dwPort, std::string serial = "")
    {
        FakeObject object;
        object.eCommandType = eType;
        object.dwPort = dwPort;
        object.serialNumber = std::move(serial);
        return object;
    }
    // A remote controller; its LUN address names the target.
    static FakeObject remote(CommandType eType, ObjectAddress address, std::string serial = "")
    {
        FakeObject object = controller(eType, 0, std::move(serial));
        object.address = address;
        object.lunAddress = LunAddress{0x40, address[1], 0, 0, 0, 0, 0, 0};
        return object;
    }
};

struct SentBmic {
    std::uint32_t dwPort = 0;
    INFOMGR_OBJECT_TYPE eObjectType = 0;
    BmicTransfer command;
    std::uint32_t dwDataLength = 0;
};

class FakeMachine {
public:
    std::vector<FakeObject> controllers; // in scan order per command type
    std::map<std::string, int> calls;    // transport operation -> number of calls
    int liveTransports = 0;
    std::vector<SentBmic> sentBmic;
    std::uint32_t dwSendResult = 0;
    std::vector<std::uint8_t> bmicReplyData;   // copied into read buffers
    std::vector<std::uint8_t> lastWrittenData;
    std::uint8_t bReplyScsiStatus = 0;
    std::uint16_t wReplyCommandStatus = 0;
    std::vector<std::uint8_t> replySense;
    std::vector<std::uint8_t> lastCdb;
    // When not empty, BMIC 0x66 answers these names in turn ("" fails).
    std::vector<std::string> nameSequence;

    // Installs this machine as the object model's transports, on a fresh tree.
    void install();
    // Restores the machine's transports and drops the tree.
    static void uninstall()
    {
        discardRootClasses();
        setTransportFactory({});
        recordInitError(0);
    }

    // The object a record names: a controller by command type and port, a
    // remote controller by its parent's port and its address.
    const FakeObject* find(const SchemaObjectEssentialData& record) const
    {
        for (const FakeObject& controller : controllers) {
            if (controller.dwPort != record.port())
                continue;
            if (record.eObjectType() != eOBJECT_REMOTE_DEVICE && controller.eCommandType == record.eCommandType())
                return &controller;
            for (const FakeObject& remote : controller.remotes)
                if (record.eObjectType() == eOBJECT_REMOTE_DEVICE && remote.address == record.address() &&
                    remote.eCommandType == record.eCommandType())
                    return &remote;
        }
        return nullptr;
    }
};

constexpr std::uint32_t kFailed = 0x80000005;
constexpr std::uint32_t kNothingFound = 3;
constexpr std::uint32_t kNoDevice = 0x80000007;

class FakeTransport : public ObjectTransport {
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
            if (controller.eCommandType == eCSMI_FIBRE && m_eCommandType == eCSMI_FIBRE)
                records.push_back(
                    std::make_unique<HBAEssentialData>(controller.dwPort, eCSMI_FIBRE, controller.adapterSerial));
            else if (controller.eCommandType == m_eCommandType)
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
    std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo) override
    {
        return answer("getControllerBusInfo", controller, kFailed, [&](const FakeObject& owner) {
            busInfo = owner.busInfo;
            if (owner.dwBusInfoResult != 0)
                busInfo.fill(0xEE); // a failing transport may leave rubbish behind
            return owner.dwBusInfoResult;
        });
    }
    std::uint32_t getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus) override
    {
        return copy("getControllerStatus", controller, kNoDevice, &FakeObject::bStatus, bStatus);
    }
    std::uint32_t getFibreIdentity(const SchemaObjectEssentialData& device, FibreIdentityRecord& identity) override
    {
        return copy("getFibreIdentity", device, kNoDevice, &FakeObject::fibreIdentity, identity);
    }
    std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& device, RemoteIdentityRecord& identity) override
    {
        return copy("getRemoteIdentity", device, kNothingFound, &FakeObject::remoteIdentity, identity);
    }

    std::uint32_t sendBmicCommand(const SchemaObjectEssentialData& device, const BmicTransfer& command,
                                  TransferBuffers& buffers) override
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
    std::uint32_t sendScsiCommand(const SchemaObjectEssentialData&, const ScsiTransfer& command,
                                  TransferBuffers& buffers) override
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
    std::uint32_t reply(std::uint32_t dwDirection, TransferBuffers& buffers)
    {
        if (m_machine.dwSendResult != 0)
            return m_machine.dwSendResult;
        auto* pbData = static_cast<std::uint8_t*>(buffers.pData);
        if (dwDirection == kDirectionRead && pbData != nullptr && !m_machine.bmicReplyData.empty())
            std::memcpy(pbData, m_machine.bmicReplyData.data(),
                        std::min<std::size_t>(buffers.dwDataLength, m_machine.bmicReplyData.size()));
        else if (dwDirection != kDirectionRead && pbData != nullptr)
            m_machine.lastWrittenData.assign(pbData, pbData + buffers.dwDataLength);
        const std::size_t nSense = std::min<std::size_t>(buffers.dwSenseLength, m_machine.replySense.size());
        if (buffers.pSense != nullptr && nSense != 0)
            std::memcpy(buffers.pSense, m_machine.replySense.data(), nSense);
        buffers.dwSenseLength = static_cast<std::uint32_t>(buffers.pSense != nullptr ? nSense : 0);
        buffers.bScsiStatus = m_machine.bReplyScsiStatus;
        buffers.wCommandStatus = m_machine.wReplyCommandStatus;
        return 0;
    }

    FakeMachine& m_machine;
    CommandType m_eCommandType;
};

inline void FakeMachine::install()
{
    discardRootClasses();
    setTransportFactory(
        [this](CommandType eCommandType) -> TransportPtr { return std::make_unique<FakeTransport>(*this, eCommandType); });
}

// The handles of a parent's children of one type, until getChild fails.
inline std::vector<INFOMGR_HANDLE> children(INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eType)
{
    std::vector<INFOMGR_HANDLE> handles;
    for (INFOMGR_HANDLE hChild = kNullHandle;
         getChild(hParent, eType, static_cast<std::uint32_t>(handles.size()), &hChild) == kResultOk;)
        handles.push_back(hChild);
    return handles;
}

// Opens a root class; the test fails if it cannot.
inline INFOMGR_HANDLE openRoot(INFOMGR_OBJECT_TYPE eRootType)
{
    INFOMGR_HANDLE hRoot = kNullHandle;
    EXPECT_EQ(open(kNullHandle, eRootType, &hRoot, 0, 0), kResultOk);
    return hRoot;
}

// The name text of the bus information record of an object.
inline std::string busName(INFOMGR_HANDLE hObject)
{
    std::uint8_t record[82] = {};
    std::uint32_t dwSize = sizeof record;
    if (getInfo(hObject, kInfoBusInformation, 0, record, &dwSize) != kResultOk)
        return "<failed>";
    const char* pText = reinterpret_cast<const char*>(record + 18);
    return std::string(pText, strnlen(pText, 64));
}

}

#endif
