// The three health driver requests, with the buffer layouts the agent sends.
#include "healthdriver.h"

#include <cstddef>
#include <cstring>

namespace sim {

namespace {

// Register block of the BIOS call: eight 32-bit registers, the sixth of which
// holds the address of the routing-buffer descriptor (a native pointer: on a
// 64-bit build it spans the sixth and seventh words).
struct RegisterBlock {
    uint8_t registers[5][4];
    uint8_t descriptor[sizeof(void*)];
    uint8_t tail[32 - 20 - sizeof(void*)];
};
static_assert(sizeof(RegisterBlock) == 32);
static_assert(offsetof(RegisterBlock, descriptor) == 20);

// Routing-buffer descriptor: 16-bit size in bytes, the table's address, the
// caller's data segment selector; packed as the BIOS reads it.
struct RoutingDescriptor {
    uint8_t size[2];
    uint8_t table[sizeof(void*)];
    uint8_t selector[2];
};
static_assert(sizeof(RoutingDescriptor) == 4 + sizeof(void*));
static_assert(offsetof(RoutingDescriptor, table) == 2);

template <class T>
T* addressIn(const uint8_t (&bytes)[sizeof(void*)])
{
    T* pointer = nullptr;
    std::memcpy(&pointer, bytes, sizeof pointer);
    return pointer;
}

constexpr uint32_t kBiosRoutingFunction = 0xB10E;
constexpr uint8_t kBiosBufferTooSmall = 0x89;
constexpr size_t kRoutingEntrySize = 16;

constexpr size_t kHeaderBufferSize = 276;
constexpr size_t kHeaderWantedOffset = 12;
constexpr size_t kHeaderAnsweredOffset = 16;
constexpr size_t kHeaderBytesOffset = 20;

uint32_t readLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void writeLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t answerRouting(const Machine& machine, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                       uint32_t& returned)
{
    if (inLength < sizeof(RegisterBlock) || outLength < sizeof(RegisterBlock))
        return 24; // ERROR_BAD_LENGTH
    RegisterBlock block;
    std::memcpy(&block, in, sizeof block);
    uint32_t function = readLe32(block.registers[0]);
    auto* pDescriptor = addressIn<uint8_t>(block.descriptor);
    if ((function & 0xFFFF) != kBiosRoutingFunction || !pDescriptor)
        return 87; // ERROR_INVALID_PARAMETER
    RoutingDescriptor descriptor;
    std::memcpy(&descriptor, pDescriptor, sizeof descriptor);
    const size_t room = static_cast<size_t>(descriptor.size[0]) | static_cast<size_t>(descriptor.size[1]) << 8;
    auto* table = addressIn<uint8_t>(descriptor.table);
    const size_t needed = machine.routing.size() * kRoutingEntrySize;
    uint8_t status = 0;
    if (room < needed || !table) {
        status = kBiosBufferTooSmall;
    } else {
        for (size_t i = 0; i < machine.routing.size(); ++i) {
            uint8_t* entry = table + i * kRoutingEntrySize;
            std::memset(entry, 0, kRoutingEntrySize);
            entry[0] = machine.routing[i].bus;
            entry[1] = static_cast<uint8_t>(machine.routing[i].device << 3);
            entry[14] = machine.routing[i].slot;
        }
    }
    // The BIOS reports the size it filled or needs, and its status in AH.
    descriptor.size[0] = static_cast<uint8_t>(needed);
    descriptor.size[1] = static_cast<uint8_t>(needed >> 8);
    std::memcpy(pDescriptor, &descriptor, sizeof descriptor);
    function = (function & 0xFFFF00FFu) | (static_cast<uint32_t>(status) << 8);
    writeLe32(block.registers[0], function);
    std::memcpy(out, &block, sizeof block);
    returned = sizeof block;
    return 0;
}

uint32_t answerHeader(const Machine& machine, uint8_t* out, uint32_t outLength, uint32_t& returned)
{
    if (outLength < kHeaderBufferSize)
        return 24; // ERROR_BAD_LENGTH
    const uint32_t bus = readLe32(out);
    const uint32_t device = readLe32(out + 4);
    const uint32_t function = readLe32(out + 8);
    uint32_t wanted = readLe32(out + kHeaderWantedOffset);
    if (wanted > kHeaderBufferSize - kHeaderBytesOffset)
        wanted = kHeaderBufferSize - kHeaderBytesOffset;
    returned = kHeaderBufferSize;
    if (bus > machine.lastPciBus || bus > 255 || device > 31 || function > 7) {
        writeLe32(out + kHeaderAnsweredOffset, 0);
        return 0;
    }
    writeLe32(out + kHeaderAnsweredOffset, 1);
    uint8_t* header = out + kHeaderBytesOffset;
    std::memset(header, 0xFF, wanted);
    const PciFunction* f =
        machine.findPci(static_cast<uint8_t>(bus), static_cast<uint8_t>(device), static_cast<uint8_t>(function));
    if (f)
        std::memcpy(header, f->header.data(), std::min<size_t>(wanted, f->header.size()));
    return 0;
}

uint32_t answerSlot(const Machine& machine, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                    uint32_t& returned)
{
    if (inLength < 4 || outLength < 4)
        return 24; // ERROR_BAD_LENGTH
    const uint8_t bus = in[0];
    const uint8_t function = in[1] & 0x07;
    const uint8_t device = static_cast<uint8_t>(in[1] >> 3);
    const PciFunction* f = machine.findPci(bus, device, function);
    if (!f || !f->slot)
        return 31; // ERROR_GEN_FAILURE: the BIOS knows no slot for it
    std::memcpy(out, in, 4);
    out[2] = *f->slot;
    returned = 4;
    return 0;
}

} // namespace

uint32_t healthIoControl(const Machine& machine, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
                         uint32_t outLength, uint32_t& returned)
{
    returned = 0;
    switch (code) {
    case kHealthRouting:
        return answerRouting(machine, in, inLength, out, outLength, returned);
    case kHealthConfigHeader:
        return answerHeader(machine, out, outLength, returned);
    case kHealthSlot:
        return answerSlot(machine, in, inLength, out, outLength, returned);
    default:
        return kErrorUnknownRequest;
    }
}

} // namespace sim
