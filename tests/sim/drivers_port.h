// Test side of the simulated miniports: packets written a field at a time at
// the offsets of the packet tables, sent through the platform's device I/O.
#ifndef TSM_TESTS_SIM_DRIVERS_PORT_H
#define TSM_TESTS_SIM_DRIVERS_PORT_H

#include "byteimage.h"
#include "tempmachine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace drvtest {

constexpr DWORD kPassThrough = 0x0004D008;

using Bytes = tsmtest::ByteImage;

// The 28-byte control header: 0 HeaderLength, 4 signature, 12 timeout,
// 16 control code, 20 return code, 24 length of what follows.
inline Bytes packet(std::string_view signature, uint32_t code, uint32_t timeout, uint32_t length, size_t size = 0)
{
    Bytes p(size ? size : 28 + length);
    p.le32(0, 28).text(4, signature).le32(12, timeout).le32(16, code).le32(20, 0).le32(24, length);
    return p;
}

inline uint8_t at8(const std::vector<uint8_t>& v, size_t at) { return v.at(at); }
inline uint16_t at16(const std::vector<uint8_t>& v, size_t at)
{
    return static_cast<uint16_t>(v.at(at) | (v.at(at + 1) << 8));
}
inline uint32_t at32(const std::vector<uint8_t>& v, size_t at)
{
    return static_cast<uint32_t>(v.at(at)) | (static_cast<uint32_t>(v.at(at + 1)) << 8) |
           (static_cast<uint32_t>(v.at(at + 2)) << 16) | (static_cast<uint32_t>(v.at(at + 3)) << 24);
}
inline std::string atText(const std::vector<uint8_t>& v, size_t at, size_t n)
{
    return std::string(reinterpret_cast<const char*>(v.data() + at), n);
}
inline std::vector<uint8_t> slice(const std::vector<uint8_t>& v, size_t at, size_t n)
{
    return std::vector<uint8_t>(v.begin() + static_cast<std::ptrdiff_t>(at),
                                v.begin() + static_cast<std::ptrdiff_t>(at + n));
}

// Fields of a reply: offset, size in bytes (1, 2 or 4), value.
struct Field {
    size_t at;
    size_t size;
    uint32_t value;
};
inline void expectFields(const std::vector<uint8_t>& v, std::initializer_list<Field> fields)
{
    for (const Field& f : fields)
        EXPECT_EQ(f.size == 1 ? at8(v, f.at) : f.size == 2 ? at16(v, f.at) : at32(v, f.at), f.value) << "at " << f.at;
}

struct Reply {
    bool ok = false;
    DWORD error = 0;
    DWORD returned = 0;
    std::vector<uint8_t> out;
};

// A temporary machine that the description text describes.
inline std::unique_ptr<tsmtest::TempMachine> described(const std::string& description)
{
    auto machine = std::make_unique<tsmtest::TempMachine>();
    machine->writeDescription(description);
    return machine;
}

// One device I/O request on "\\.\Scsi<port>:", opened the way the transports
// open a port.
inline Reply ioctl(int port, DWORD code, const std::vector<uint8_t>& in, size_t outSize)
{
    Reply reply;
    const std::string name = "\\\\.\\Scsi" + std::to_string(port) + ":";
    HANDLE h = CreateFileA(name.c_str(), 0xC0000000, 1, nullptr, 3, 0xA0000000, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reply.error = GetLastError();
        return reply;
    }
    std::vector<uint8_t> input = in;
    reply.out.assign(outSize, 0);
    reply.ok = DeviceIoControl(h, code, input.empty() ? nullptr : input.data(), static_cast<DWORD>(input.size()),
                               reply.out.empty() ? nullptr : reply.out.data(), static_cast<DWORD>(outSize),
                               &reply.returned, nullptr) != 0;
    reply.error = reply.ok ? 0 : GetLastError();
    CloseHandle(h);
    return reply;
}

// A pass-through packet sent in place, as input and output of the same size.
inline Reply send(int port, const Bytes& p) { return ioctl(port, kPassThrough, p.bytes(), p.bytes().size()); }
// The same, for a packet the port must take.
inline Reply good(int port, const Bytes& p)
{
    Reply reply = send(port, p);
    EXPECT_TRUE(reply.ok) << reply.error;
    return reply;
}

} // namespace drvtest

#endif
