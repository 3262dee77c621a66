// Test side of the simulated devices: requests sent through the platform's
// device I/O, miniport packets written a field at a time at the offsets of
// the packet tables, and the fields of their replies.
#ifndef TSM_TESTS_SIM_SIMDEVICE_H
#define TSM_TESTS_SIM_SIMDEVICE_H

#include "byteimage.h"
#include "tempmachine.h"

#include <setupapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

constexpr DWORD kPassThrough = 0x0004D008;
// The machine descriptions of the tree.
inline const std::string kMachines = std::string(TSM_MACHINES_DIR) + "/";

using Bytes = tsmtest::ByteImage;
using Buffer = std::vector<uint8_t>;
using tsmtest::toHex;

// The 28-byte control header: 0 HeaderLength, 4 signature, 12 timeout,
// 16 control code, 20 return code, 24 length of what follows.
inline Bytes packet(std::string_view signature, uint32_t code, uint32_t timeout, uint32_t length, size_t size = 0)
{
    Bytes p(size ? size : 28 + length);
    p.le32(0, 28).text(4, signature).le32(12, timeout).le32(16, code).le32(20, 0).le32(24, length);
    return p;
}

inline uint32_t atLe(const Buffer& v, size_t at, size_t size)
{
    uint32_t value = 0;
    for (size_t i = size; i-- > 0;)
        value = (value << 8) | v.at(at + i);
    return value;
}

// Fields of a reply: offset, size in bytes (1, 2 or 4), value.
struct Field {
    size_t at;
    size_t size;
    uint32_t value;
};
inline void expectFields(const Buffer& v, std::initializer_list<Field> fields)
{
    for (const Field& f : fields)
        EXPECT_EQ(atLe(v, f.at, f.size), f.value) << "at " << f.at;
}

struct Reply {
    bool ok = false;
    DWORD error = 0;
    DWORD returned = 0;
    Buffer out;
};

inline std::string portName(int port)
{
    return "\\\\.\\Scsi" + std::to_string(port) + ":";
}
inline const std::string kHealth = "\\\\.\\ZyrHlth";

// True when the device opens; the handle is closed again.
inline bool opens(const std::string& device)
{
    const HANDLE h = CreateFileA(device.c_str(), 0xC0000000, 1, nullptr, 3, 0, nullptr);
    return h != INVALID_HANDLE_VALUE && CloseHandle(h);
}

// One device I/O request, the device opened for it the way the transports
// open a port and closed after it. The output buffer starts as out; error is
// the open's when the device does not open.
inline Reply ioctl(const std::string& device, DWORD code, const Buffer& in, Buffer out)
{
    Reply reply;
    HANDLE h = CreateFileA(device.c_str(), 0xC0000000, 1, nullptr, 3, 0xA0000000, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reply.error = GetLastError();
        return reply;
    }
    Buffer input = in;
    reply.out = std::move(out);
    reply.returned = 0xDEAD;
    reply.ok = DeviceIoControl(h, code, input.empty() ? nullptr : input.data(), static_cast<DWORD>(input.size()),
                               reply.out.empty() ? nullptr : reply.out.data(), static_cast<DWORD>(reply.out.size()),
                               &reply.returned, nullptr) != 0;
    reply.error = reply.ok ? 0 : GetLastError();
    CloseHandle(h);
    return reply;
}
inline Reply ioctl(const std::string& device, DWORD code, const Buffer& in, size_t outSize)
{
    return ioctl(device, code, in, Buffer(outSize, 0));
}
inline Reply ioctl(int port, DWORD code, const Buffer& in, size_t outSize)
{
    return ioctl(portName(port), code, in, outSize);
}

// The number of setup records of the SCSI adapter class; their listing ends
// with "no more items".
inline const GUID kScsiAdapterClass = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline DWORD setupRecordCount()
{
    const HDEVINFO set = SetupDiGetClassDevsA(&kScsiAdapterClass, nullptr, nullptr, DIGCF_PRESENT);
    DWORD n = 0;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    while (SetupDiEnumDeviceInfo(set, n, &data))
        ++n;
    EXPECT_EQ(GetLastError(), 259u);
    SetupDiDestroyDeviceInfoList(set);
    return n;
}

// The operating-system version the machine reports.
inline OSVERSIONINFOEXA osVersion()
{
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = sizeof version;
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version)));
    return version;
}

// A pass-through packet sent as input and output of the same size.
inline Reply send(int port, const Bytes& p)
{
    return ioctl(port, kPassThrough, p.bytes(), p.bytes().size());
}
// The same, for a packet the port must take.
inline Reply good(int port, const Bytes& p)
{
    Reply reply = send(port, p);
    EXPECT_TRUE(reply.ok) << reply.error;
    return reply;
}

} // namespace simtest

#endif
