// Device I/O on the simulated machine: health driver requests, injected
// faults, the capture line, setup records and the operating-system version.
#include "simdevice.h"

#include <capturefile.h>

#include <setupapi.h>

#include <chrono>
#include <string>
#include <tuple>

using namespace simtest;

namespace {

const std::string kMachines = std::string(TSM_SOURCE_DIR) + "/sim/machines/";

constexpr DWORD kSlotCode = 0x000721F8;
constexpr DWORD kHeaderCode = 0x00072158;

// The slot request for bus 2 device 3 function 0: bus, device << 3, slot, 0.
const Buffer kSlotRequest = {2, 3 << 3, 0, 0};

TEST(SimulatedDevices, HealthDriverAnswersAndRefusesBadBuffers)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-health.xml");
    // What is asked, control code, input, output size, error.
    const std::tuple<const char*, DWORD, Buffer, size_t, DWORD> cases[] = {
        {"a function the BIOS knows no slot for", kSlotCode, {2, (3 << 3) | 1, 0, 0}, 4, 31},
        {"slot request of three bytes", kSlotCode, {2, 3 << 3, 0}, 4, 24},
        {"header buffer of 100 bytes", kHeaderCode, {}, 100, 24},
        {"another request of the health driver", 0x0007212C, Buffer(16), 16, 24},
        {"an unknown request", 0x00072000, kSlotRequest, 4, 1},
    };
    for (const auto& [what, code, in, outSize, error] : cases) {
        SCOPED_TRACE(what);
        const Reply reply = ioctl(kHealth, code, in, outSize);
        EXPECT_EQ(reply.error, error);
        EXPECT_EQ(reply.returned, 0u);
    }
    // (A known slot is read back by the slot lookup on this machine, the
    // configuration headers by the PCI scan.)
}

TEST(SimulatedDevices, FaultsAroundAnyDevice)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine> <health> <fault kind="short" code="0x000721F8" bytes="2"/>
        <fault kind="garbage" code="0x00072158" seed="7"/> </health>
      <pci><function bus="0" device="1" function="0" slot="6" header=")" +
                             std::string(96, 'a') + R"("/></pci>
      <port number="0" driver="other"><fault kind="error" error="1117"/></port>
      <port number="1" driver="other"><fault kind="open" error="5"/></port>
      <port number="2" driver="other"><fault kind="hang" ms="150" code="0x0004D008"/></port>
    </machine>)");
    // A short reply: success with fewer bytes, the rest of the buffer as it was.
    const Reply shortReply = ioctl(kHealth, kSlotCode, {0, 1 << 3, 0, 0}, Buffer(4, 0x77));
    EXPECT_EQ(shortReply.error, 0u);
    EXPECT_EQ(shortReply.returned, 2u);
    EXPECT_EQ(shortReply.out[2], 0x77);

    // A garbage reply: the whole buffer, scrambled, reported as success.
    const Reply first = ioctl(kHealth, kHeaderCode, {}, 276);
    const Reply second = ioctl(kHealth, kHeaderCode, {}, 276);
    EXPECT_EQ(first.error + second.error, 0u);
    EXPECT_EQ(first.returned, 276u);
    EXPECT_NE(first.out, Buffer(276, 0));
    EXPECT_NE(first.out, second.out);

    // A failing request and a failing open.
    const Reply failed = ioctl(0, kPassThrough, Buffer(8), 8);
    EXPECT_EQ(failed.error, 1117u);
    EXPECT_EQ(failed.returned, 0u);
    EXPECT_EQ(ioctl(1, kPassThrough, Buffer(8), 8).error, 5u);

    // A hanging request: only the request named waits.
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ioctl(2, kPassThrough, Buffer(8), 8).error, 1u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(ioctl(2, 0x0004100C, Buffer(8), 8).error, 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
}

TEST(SimulatedDevices, CaptureLinePerRequest)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><port number="12" driver="other"/></machine>)");
    tsmtest::CaptureFile capture(machine.root() + "/capture.jsonl");
    EXPECT_EQ(ioctl(portName(12), kPassThrough, {0x01, 0xAB, 0xFF}, Buffer{0x5C, 0x00}).error, 1u);
    EXPECT_EQ(ioctl(12, 0x0004101C, {}, 0).error, 1u);
    // Opening is no request: a missing port leaves no line.
    EXPECT_NE(ioctl(13, kPassThrough, {}, 0).error, 0u);
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{
                  R"({"device": "\\\\.\\Scsi12:", "code": "0x0004D008", "in": "01abff", "out": "5c00", "ok": false, "error": 1})",
                  R"({"device": "\\\\.\\Scsi12:", "code": "0x0004101C", "in": "", "out": "", "ok": false, "error": 1})"}));
}

TEST(SimulatedDevices, SetupRecordsWithTheirErrorCodes)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><setup> <record location="PCI bus 2, device 3, function 0" ui="5"/>
      <record ui="invalid"/> <record location="" ui="unreadable"/>
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

    // (The properties and their errors are read by the slot lookup on the
    // slot machines; here the size query.)
    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &data[0], SPDRP_LOCATION_INFORMATION, nullptr, nullptr, 0,
                                                   &required));
    EXPECT_EQ(std::make_pair(GetLastError(), required), std::make_pair(DWORD{122}, DWORD{32}));
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
    EXPECT_EQ(std::make_tuple(extended.dwMajorVersion, extended.dwMinorVersion, extended.dwBuildNumber),
              std::make_tuple(4u, 0u, 1381u));
    EXPECT_STREQ(extended.szCSDVersion, "Service Pack 6");
    OSVERSIONINFOA plain{};
    plain.dwOSVersionInfoSize = sizeof plain;
    ASSERT_TRUE(GetVersionExA(&plain));
    EXPECT_EQ(plain.dwMajorVersion, 4u);
    plain.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&plain));

    machine.useDescription(kMachines + "slot-old-os.xml");
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)));
    EXPECT_EQ(std::make_tuple(extended.dwMajorVersion, extended.dwMinorVersion), std::make_tuple(3u, 51u));
}

} // namespace
