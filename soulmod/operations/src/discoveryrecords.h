// Pieces shared by the controller and adapter discoveries: the information
// records they read, the identify test and the attribute texts they publish.
#ifndef TSM_OPERATIONS_DISCOVERYRECORDS_H
#define TSM_OPERATIONS_DISCOVERYRECORDS_H

#include "arraycontroller.h"
#include "hardwarelibrary.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <cstddef>
#include <string>

namespace Operations::Discovery {

// The hardware library's information records that discovery reads, and
// the byte offsets of their fields (little-endian).
constexpr std::uint32_t kBusRecordSize = 82;
constexpr std::size_t kBusCodeAt = 0; // u32
constexpr std::size_t kSlotAt = 4; // u16
constexpr std::size_t kEisaIdAt = 6; // u32
constexpr std::size_t kPciIdAt = 14; // u32
constexpr std::uint32_t kAdapterRecordSize = 20;
constexpr std::size_t kAdapterWwnAt = 8; // 8 bytes
constexpr std::uint32_t kRemoteRecordSize = 64;
constexpr std::uint16_t kRemoteRecordKind = 12; // u16 at 0
constexpr std::size_t kRemoteBusAt = 2; // u8
constexpr std::size_t kRemoteVendorAt = 3;
constexpr std::size_t kRemoteVendorSize = 8;
constexpr std::size_t kRemoteProductAt = 11;
constexpr std::size_t kRemoteProductSize = 16;
constexpr std::size_t kRemoteSerialAt = 32; // zero-terminated text
constexpr std::size_t kRemoteWwnAt = 38; // 8 bytes
constexpr std::size_t kWwnSize = 8;

// What discovery takes from the bus information record.
struct BusRecord {
    std::uint32_t dwBusCode = 0;
    std::uint16_t wSlot = 0;
    std::uint32_t dwEisaId = 0;
    std::uint32_t dwPciId = 0;
};

// What discovery takes from the remote identity record.
struct RemoteRecord {
    std::uint8_t bBusCode = 0;
    std::string vendorId; // exactly 8 bytes
    std::string productId; // exactly 16 bytes
    std::string serialNumber;
    std::array<std::uint8_t, 8> abWwn{};
};

std::optional<BusRecord> readBusRecord(Schema::Hardware::Handle hObject);
std::optional<std::array<std::uint8_t, 8>> readAdapterWwn(Schema::Hardware::Handle hObject);
// Empty unless the record reads and is of the remote kind.
std::optional<RemoteRecord> readRemoteRecord(Schema::Hardware::Handle hObject);

// The controller's answer to the identify command, as discovery uses it.
struct IdentifyResult {
    bool bOk = false;
    std::uint8_t bRedundancy = 0; // byte 106
    std::uint8_t bFlags = 0; // byte 107
};
IdentifyResult identify(Schema::ArrayController& controller);
// A controller of a redundant pair that is not the one to show.
bool isHiddenPartner(const IdentifyResult& result);
// "Active", "Primary", or empty.
std::string redundantState(const IdentifyResult& result);

std::string slotText(std::uint16_t wSlot);
// The EISA board identifier for EISA, the vendor/device value for PCI, else empty.
std::string subsystemText(const BusRecord& record);
std::string wwnText(std::span<const std::uint8_t> bytes);

// Bus code to name, one table per discovery.
using BusNameTable = std::map<std::uint32_t, std::string>;
// The table's name for dwCode; empty for a code it does not hold.
std::string busName(const BusNameTable& table, std::uint32_t dwCode);

// Walks the children of one root of the hardware library and calls visitChild
// with the handle, the index and the bus information record of every child
// whose record reads. Does nothing when the library did not start or the
// root does not open.
void forEachRootChild(std::uint32_t dwRootType, std::uint32_t dwChildType,
                      const std::function<void(Schema::Hardware::Handle, std::uint32_t, const BusRecord&)>& visitChild);

}

#endif
