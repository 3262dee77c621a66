// A small machine of controllers, adapters, remote controllers and drives
// behind a test transport, for the object model's tests.
#ifndef TSM_TESTS_OBJECTMODEL_FAKEMACHINE_H
#define TSM_TESTS_OBJECTMODEL_FAKEMACHINE_H

#include "imxinfomgrapi.h"
#include "imxtransportsource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace objmodeltest {

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
    InfoMgr::BusInfoRecord busInfo{};
    std::uint32_t dwBusInfoResult = 0;
    std::uint8_t bStatus = 0;
    InfoMgr::FibreIdentityRecord fibreIdentity{};
    InfoMgr::RemoteIdentityRecord remoteIdentity{};
    std::vector<std::uint8_t> logicalDrives;
    std::vector<FakeDrive> physicalDrives;
    std::vector<FakeObject> remotes;

    static FakeObject controller(CommandType eType, std::uint32_t dwPort, std::string serial = "");
    // A remote controller; its LUN address names the target.
    static FakeObject remote(CommandType eType, ObjectAddress address, std::string serial = "");
};

struct SentBmic {
    std::uint32_t dwPort = 0;
    INFOMGR_OBJECT_TYPE eObjectType = 0;
    InfoMgr::BmicTransfer command;
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
    static void uninstall();

    // The object a record names: a controller by command type and port, a
    // remote controller by its parent's port and its address.
    const FakeObject* find(const SchemaObjectEssentialData& record) const;
};

// Walks a root: the handles of its children of type 0x8000 until getChild fails.
std::vector<InfoMgr::INFOMGR_HANDLE> children(InfoMgr::INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eType);

// Opens a root class; the test fails if it cannot.
InfoMgr::INFOMGR_HANDLE openRoot(INFOMGR_OBJECT_TYPE eRootType);

// The name text of the bus information record of an object ("" if it fails).
std::string busName(InfoMgr::INFOMGR_HANDLE hObject);

}

#endif
