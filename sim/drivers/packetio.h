// Packet plumbing of the simulated miniports: little-endian field types, the
// 28-byte miniport control header, bounds-checked reads and writes of packet
// layouts, and the Win32 results every driver answers with.
#ifndef TSM_SIM_DRIVERS_PACKETIO_H
#define TSM_SIM_DRIVERS_PACKETIO_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

namespace sim::wire {

// Byte-array fields: alignment 1 and no host-endian assumption.
struct le16 {
    uint8_t b[2];
    uint16_t get() const { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
    void set(uint16_t v)
    {
        b[0] = static_cast<uint8_t>(v);
        b[1] = static_cast<uint8_t>(v >> 8);
    }
};

struct le32 {
    uint8_t b[4];
    uint32_t get() const
    {
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
               (static_cast<uint32_t>(b[3]) << 24);
    }
    void set(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<uint8_t>(v >> (8 * i));
    }
};

// Control header in front of every pass-through body.
struct MiniportHeader {
    le32 headerLength; // always 28
    char signature[8]; // ASCII, zero-padded
    le32 timeoutSeconds;
    le32 controlCode;
    le32 returnCode; // 0 when sent; the driver's verdict on return
    le32 length; // bytes after the header
};
static_assert(sizeof(MiniportHeader) == 28);
static_assert(offsetof(MiniportHeader, signature) == 4);
static_assert(offsetof(MiniportHeader, timeoutSeconds) == 12);
static_assert(offsetof(MiniportHeader, controlCode) == 16);
static_assert(offsetof(MiniportHeader, returnCode) == 20);
static_assert(offsetof(MiniportHeader, length) == 24);

constexpr uint32_t kHeaderLength = sizeof(MiniportHeader);

// Device I/O control codes the simulated ports answer.
constexpr uint32_t kMiniportPassThrough = 0x0004D008;
constexpr uint32_t kRescanBus = 0x0004101C;
constexpr uint32_t kGetInquiryData = 0x0004100C;

// Win32 results of a request.
constexpr uint32_t kOk = 0;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorDeviceNotConnected = 1167;

// ReturnCode values the simulated miniports write into the header.
constexpr uint32_t kReturnSuccess = 0;
constexpr uint32_t kReturnNoDevice = 2; // no device at the address asked
constexpr uint32_t kReturnCommandFailed = 3; // the controller refused the command

// Reads a layout from offset 0 of a measured buffer; empty when it does not fit.
template <class T>
std::optional<T> read(std::span<const uint8_t> bytes)
{
    static_assert(std::is_trivially_copyable_v<T> && alignof(T) == 1);
    if (bytes.size() < sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

// Writes a layout over the start of a buffer; false when it does not fit.
template <class T>
bool write(std::span<uint8_t> bytes, const T& value)
{
    static_assert(std::is_trivially_copyable_v<T> && alignof(T) == 1);
    if (bytes.size() < sizeof(T))
        return false;
    std::memcpy(bytes.data(), &value, sizeof(T));
    return true;
}

// True when an 8-byte signature field holds exactly `text` and zeros after it.
bool signatureIs(const char (&field)[8], std::string_view text);

// The miniport request as the driver sees it: the checked header and the
// packet (header included) in the output buffer it answers in.
struct Request {
    MiniportHeader header;
    std::span<uint8_t> packet; // 28 + Length bytes of the output buffer
    std::span<uint8_t> body() const { return packet.subspan(kHeaderLength); }
};

// Checks a pass-through request: the input holds at least a header whose
// HeaderLength is 28, the input carries the whole packet and the output has
// room for it. On success returns 0 and the request; otherwise 87.
uint32_t openRequest(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength, Request& request);

// Ends a request: writes ReturnCode into the packet's header and reports the
// whole packet as returned.
uint32_t finishRequest(Request& request, uint32_t returnCode, uint32_t& bytesReturned);

} // namespace sim::wire

#endif
