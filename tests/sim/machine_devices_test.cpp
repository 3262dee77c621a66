// Device I/O on the simulated machine: health driver requests, injected
// faults, the capture line, setup records and the operating-system version.
#include <byteimage.h>
#include <capturefile.h>
#include <tempmachine.h>

#include <setupapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

const std::string kMachines = std::string(TSM_SOURCE_DIR) + "/sim/machines/";

// An open device, closed at the end of the scope.
class Device {
public:
    explicit Device(const char* name)
        : m_h(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)),
          m_dwOpenError(GetLastError())
    {
    }
    ~Device()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    bool opened() const { return m_h != INVALID_HANDLE_VALUE; }
    DWORD openError() const { return m_dwOpenError; }
    // One request; returns the error (0 on success) and sets returned.
    DWORD request(DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength, DWORD& returned) const
    {
        returned = 0xDEAD;
        const BOOL ok = DeviceIoControl(m_h, code, const_cast<void*>(in), inLength, out, outLength, &returned, nullptr);
        return ok ? 0 : GetLastError();
    }

private:
    HANDLE m_h;
    DWORD m_dwOpenError;
};

constexpr DWORD kSlotCode = 0x000721F8;
constexpr DWORD kHeaderCode = 0x00072158;

TEST(SimulatedDevices, HealthDriverAnswersAndRefusesBadBuffers)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-health.xml");
    Device health("\\\\.\\ZyrHlth");
    ASSERT_TRUE(health.opened());
    DWORD returned = 0;

    BYTE slot[4] = {2, 3 << 3, 0, 0};
    EXPECT_EQ(health.request(kSlotCode, slot, 4, slot, 4, returned), 0u);
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(slot[2], 4);
    // A function the BIOS knows no slot for.
    BYTE other[4] = {2, (3 << 3) | 1, 0, 0};
    EXPECT_EQ(health.request(kSlotCode, other, 4, other, 4, returned), 31u);
    EXPECT_EQ(returned, 0u);
    // Buffers too small for the request, an unknown request.
    EXPECT_EQ(health.request(kSlotCode, slot, 3, slot, 4, returned), 24u);
    BYTE small[100] = {};
    EXPECT_EQ(health.request(kHeaderCode, nullptr, 0, small, sizeof small, returned), 24u);
    BYTE block[16] = {};
    EXPECT_EQ(health.request(0x0007212C, block, sizeof block, block, sizeof block, returned), 24u);
    EXPECT_EQ(health.request(0x00072000, slot, 4, slot, 4, returned), 1u);

    // Configuration header of bus 2 device 3, asked for 48 bytes: the answered
    // flag, the bytes as the description gives them, nothing past those.
    tsmtest::ByteImage header = tsmtest::ByteImage(276).u8(0, 2).u8(4, 3).u8(12, 48);
    EXPECT_EQ(health.request(kHeaderCode, nullptr, 0, header.bytes().data(), 276, returned), 0u);
    EXPECT_EQ(returned, 276u);
    EXPECT_EQ(tsmtest::toHex({header.bytes().data() + 16, 16}), "01000000a7f1014c0700000001000401");
    EXPECT_EQ(header.bytes()[20 + 48], 0);
    // A bus above the last one is not answered.
    header = tsmtest::ByteImage(276).u8(0, 3).u8(12, 48);
    EXPECT_EQ(health.request(kHeaderCode, nullptr, 0, header.bytes().data(), 276, returned), 0u);
    EXPECT_EQ(header.bytes()[16], 0);
}

TEST(SimulatedDevices, FaultsAroundAnyDevice)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine>
      <health>
        <fault kind="short" code="0x000721F8" bytes="2"/>
        <fault kind="garbage" code="0x00072158" seed="7"/>
      </health>
      <pci><function bus="0" device="1" function="0" slot="6" header=")" +
                             std::string(96, 'a') + R"("/></pci>
      <port number="0" driver="other"><fault kind="error" error="1117"/></port>
      <port number="1" driver="other"><fault kind="open" error="5"/></port>
      <port number="2" driver="other"><fault kind="hang" ms="150" code="0x0004D008"/></port>
    </machine>)");
    DWORD returned = 0;
    {
        SCOPED_TRACE("short reply: success with fewer bytes");
        Device health("\\\\.\\ZyrHlth");
        BYTE slot[4] = {0, 1 << 3, 0x77, 0};
        EXPECT_EQ(health.request(kSlotCode, slot, 4, slot, 4, returned), 0u);
        EXPECT_EQ(returned, 2u);
        EXPECT_EQ(slot[2], 0x77) << "bytes past the reply stay as they were";
    }
    {
        SCOPED_TRACE("garbage reply: the whole buffer, scrambled, reported as success");
        Device health("\\\\.\\ZyrHlth");
        BYTE first[276] = {};
        BYTE second[276] = {};
        EXPECT_EQ(health.request(kHeaderCode, nullptr, 0, first, sizeof first, returned), 0u);
        EXPECT_EQ(returned, 276u);
        EXPECT_EQ(health.request(kHeaderCode, nullptr, 0, second, sizeof second, returned), 0u);
        const BYTE zeros[276] = {};
        EXPECT_NE(std::memcmp(first, zeros, sizeof first), 0);
        EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
    }
    {
        SCOPED_TRACE("failing request and failing open");
        Device port("\\\\.\\Scsi0:");
        BYTE buffer[8] = {};
        EXPECT_EQ(port.request(0x0004D008, buffer, 8, buffer, 8, returned), 1117u);
        EXPECT_EQ(returned, 0u);
        Device refused("\\\\.\\Scsi1:");
        EXPECT_FALSE(refused.opened());
        EXPECT_EQ(refused.openError(), 5u);
    }
    {
        SCOPED_TRACE("hanging request: only the request named waits");
        Device port("\\\\.\\Scsi2:");
        BYTE buffer[8] = {};
        auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(port.request(0x0004D008, buffer, 8, buffer, 8, returned), 1u);
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
        started = std::chrono::steady_clock::now();
        EXPECT_EQ(port.request(0x0004100C, buffer, 8, buffer, 8, returned), 1u);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
    }
}

TEST(SimulatedDevices, CaptureLinePerRequest)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><port number="12" driver="other"/></machine>)");
    tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");
    Device port("\\\\.\\Scsi12:");
    BYTE in[3] = {0x01, 0xAB, 0xFF};
    BYTE out[2] = {0x5C, 0x00};
    DWORD returned = 0;
    EXPECT_EQ(port.request(0x0004D008, in, sizeof in, out, sizeof out, returned), 1u);
    EXPECT_EQ(port.request(0x0004101C, nullptr, 0, nullptr, 0, returned), 1u);
    // Opening is no request: a missing port leaves no line.
    Device missing("\\\\.\\Scsi13:");
    EXPECT_FALSE(missing.opened());
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], R"({"device": "\\\\.\\Scsi12:", "code": "0x0004D008", "in": "01abff", "out": "5c00", "ok": false, "error": 1})");
    EXPECT_EQ(lines[1], R"({"device": "\\\\.\\Scsi12:", "code": "0x0004101C", "in": "", "out": "", "ok": false, "error": 1})");
}

TEST(SimulatedDevices, SetupRecordsWithTheirErrorCodes)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><setup>
      <record location="PCI bus 2, device 3, function 0" ui="5"/>
      <record ui="invalid"/>
      <record location="" ui="unreadable"/>
    </setup><setup class="{4d36e97b-e325-11ce-bfc1-08002be10319}"><record location="elsewhere" ui="1"/></setup></machine>)");
    static const GUID scsiAdapters = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    const HDEVINFO set = SetupDiGetClassDevsA(&scsiAdapters, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA data[4] = {};
    for (DWORD i = 0; i < 4; ++i) {
        data[i].cbSize = sizeof data[i];
        EXPECT_EQ(SetupDiEnumDeviceInfo(set, i, &data[i]) != 0, i < 3) << i;
    }
    EXPECT_EQ(GetLastError(), 259u);
    SP_DEVINFO_DATA wrongSize{};
    wrongSize.cbSize = 12;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &wrongSize));

    // A property's error, 0 when it was read.
    const auto property = [&](DWORD index, DWORD which, void* buffer, DWORD size, DWORD* required) -> DWORD {
        return SetupDiGetDeviceRegistryPropertyA(set, &data[index], which, nullptr, static_cast<PBYTE>(buffer), size,
                                                 required)
                   ? 0
                   : GetLastError();
    };
    // The location: its size first (122), then the text.
    DWORD required = 0;
    EXPECT_EQ(property(0, SPDRP_LOCATION_INFORMATION, nullptr, 0, &required), 122u);
    EXPECT_EQ(required, 32u);
    char text[64] = {};
    EXPECT_EQ(property(0, SPDRP_LOCATION_INFORMATION, text, sizeof text, nullptr), 0u);
    EXPECT_STREQ(text, "PCI bus 2, device 3, function 0");
    BYTE number[4] = {};
    EXPECT_EQ(property(0, SPDRP_UI_NUMBER, number, sizeof number, nullptr), 0u);
    EXPECT_EQ(number[0], 5);
    // No location; a UI number that is not valid data; one that cannot be read.
    EXPECT_EQ(property(1, SPDRP_LOCATION_INFORMATION, nullptr, 0, &required), 13u);
    EXPECT_EQ(property(1, SPDRP_UI_NUMBER, nullptr, 0, &required), 13u);
    EXPECT_EQ(property(2, SPDRP_UI_NUMBER, number, 4, nullptr), 31u);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), 6u);
}

TEST(SimulatedDevices, OperatingSystemVersion)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-nt4.xml");
    OSVERSIONINFOEXA extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_EQ(sizeof extended, 156u);
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)));
    EXPECT_EQ(extended.dwMajorVersion, 4u);
    EXPECT_EQ(extended.dwMinorVersion, 0u);
    EXPECT_EQ(extended.dwBuildNumber, 1381u);
    EXPECT_STREQ(extended.szCSDVersion, "Service Pack 6");
    OSVERSIONINFOA plain{};
    plain.dwOSVersionInfoSize = sizeof plain;
    ASSERT_TRUE(GetVersionExA(&plain));
    EXPECT_EQ(plain.dwMajorVersion, 4u);
    plain.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&plain));

    machine.useDescription(kMachines + "slot-old-os.xml");
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)));
    EXPECT_EQ(extended.dwMajorVersion, 3u);
    EXPECT_EQ(extended.dwMinorVersion, 51u);
}

} // namespace
