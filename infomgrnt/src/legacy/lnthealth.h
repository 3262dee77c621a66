// The three requests of the health driver "\\.\ZyrHlth": PCI BIOS interrupt
// routing options, the configuration header of one PCI device and the slot of
// a PCI function. Buffers are declared once here.
#ifndef TSM_INFOMGRNT_LNTHEALTH_H
#define TSM_INFOMGRNT_LNTHEALTH_H

#include <cstddef>
#include <cstdint>

namespace InfoMgr::Health {

constexpr const char* kDeviceName = "\\\\.\\ZyrHlth";

// Device type 7, buffered, any access; functions 0x84B, 0x856 and 0x87E.
constexpr std::uint32_t healthControlCode(std::uint32_t dwFunction)
{
    return (7u << 16) | (dwFunction << 2);
}
constexpr std::uint32_t kRoutingOptionsCode = healthControlCode(0x84B);
constexpr std::uint32_t kConfigHeaderCode = healthControlCode(0x856);
constexpr std::uint32_t kSlotNumberCode = healthControlCode(0x87E);
static_assert(kRoutingOptionsCode == 0x0007212C);
static_assert(kConfigHeaderCode == 0x00072158);
static_assert(kSlotNumberCode == 0x000721F8);

constexpr std::uint32_t kBiosGetRoutingOptions = 0xB10E;
constexpr std::size_t kRoutingEntrySize = 16;
constexpr std::size_t kRoutingEntryCount = 32;
constexpr std::size_t kRoutingTableSize = kRoutingEntrySize * kRoutingEntryCount;
static_assert(kRoutingTableSize == 512);

// Register block of a PCI BIOS call: eight 32-bit words; word 5 holds the
// address of the routing-buffer descriptor (a native pointer, so on a 64-bit
// build it also covers word 6).
struct RegisterBlock {
    std::uint8_t abWords[5][4];
    std::uint8_t abDescriptorAddress[sizeof(void*)];
    std::uint8_t abTail[32 - 20 - sizeof(void*)];
};
static_assert(sizeof(RegisterBlock) == 32);
static_assert(offsetof(RegisterBlock, abDescriptorAddress) == 20);

// Routing-buffer descriptor: 16-bit size in bytes, address of the table, data
// segment selector; 8 bytes on a 32-bit build.
struct RoutingBufferDescriptor {
    std::uint8_t abSize[2];
    std::uint8_t abTableAddress[sizeof(void*)];
    std::uint8_t abSelector[2];
};
static_assert(sizeof(RoutingBufferDescriptor) == 4 + sizeof(void*));
static_assert(offsetof(RoutingBufferDescriptor, abTableAddress) == 2);

// The configuration-header request: the request words, the answered flag and
// the header bytes in one 276-byte buffer.
struct ConfigHeaderBuffer {
    std::uint8_t abBus[4];
    std::uint8_t abDevice[4];
    std::uint8_t abFunction[4];
    std::uint8_t abLength[4];
    std::uint8_t abAnswered[4];
    std::uint8_t abHeader[256];
};
static_assert(sizeof(ConfigHeaderBuffer) == 276);
static_assert(offsetof(ConfigHeaderBuffer, abLength) == 12);
static_assert(offsetof(ConfigHeaderBuffer, abAnswered) == 16);
static_assert(offsetof(ConfigHeaderBuffer, abHeader) == 20);

constexpr std::uint32_t kHeaderBytesWanted = 48;

// The slot request: bus, device and function, and the slot on the way back.
struct SlotBuffer {
    std::uint8_t bBus;
    std::uint8_t bDeviceFunction; // function in bits 0-2, device in bits 3-7
    std::uint8_t bSlot;
    std::uint8_t bReserved;
};
static_assert(sizeof(SlotBuffer) == 4);
static_assert(offsetof(SlotBuffer, bSlot) == 2);

// Runs BIOS function B10Eh for 32 entries into the table; true when the BIOS
// status is 0. nEntries is the number of entries the BIOS says it filled
// (at most 32).
bool readRoutingTable(std::uint8_t (&abTable)[kRoutingTableSize], std::size_t& nEntries);

// What the configuration-header request answered.
enum HeaderAnswer {
    eHEADER_FAILED, // the call failed or its reply is unusable: skip the device
    eHEADER_NOT_ANSWERED, // the bus does not answer: the scan ends
    eHEADER_READ // nLength header bytes are in abHeader
};
HeaderAnswer readConfigHeader(std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t (&abHeader)[256],
                              std::uint8_t& nLength);

// The slot of a PCI function; true when the driver answered one.
bool readSlotNumber(std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t bFunction, std::uint8_t& bSlot);

} // namespace InfoMgr::Health

#endif
