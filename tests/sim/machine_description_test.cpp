// Machine descriptions: malformed ones are refused with file, line and
// problem, the machine then has no hardware; changes are picked up.
#include "simdevice.h"

#include <setupapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

bool portOpens(unsigned port) { return simtest::opens(simtest::portName(static_cast<int>(port))); }
bool healthOpens() { return simtest::opens(simtest::kHealth); }

DWORD setupRecordCount()
{
    static const GUID scsiAdapters = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    const HDEVINFO set = SetupDiGetClassDevsA(&scsiAdapters, nullptr, nullptr, DIGCF_PRESENT);
    DWORD n = 0;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    while (SetupDiEnumDeviceInfo(set, n, &data))
        ++n;
    SetupDiDestroyDeviceInfoList(set);
    return n;
}

DWORD osMajor()
{
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = sizeof version;
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version)));
    return version.dwMajorVersion;
}

// The parts every bad description below would have, had it been taken.
const std::string kGoodParts = R"(<os major="4" minor="0"/><health/><setup><record location="1 2 3" ui="1"/></setup>
<port number="1" driver="other"/>)";

TEST(MachineDescription, MalformedOnesAreRefusedWithFileLineAndProblem)
{
    struct Case {
        const char* body; // placed after the good parts, on line 4
        int line;
        const char* problem;
    };
    const Case cases[] = {
        {"<port number=\"2\" driver=\"other\">", 5, "expected end of tag 'port'"},
        {"<computer/>", 4, "unknown element <computer>"},
        {"<port number=\"256\" driver=\"other\"/>", 4, "attribute \"number\" of <port> is not a number from 0 to 255"},
        {"<port number=\"two\" driver=\"other\"/>", 4, "attribute \"number\" of <port> is not a number"},
        {"<port number=\"2\"/>", 4, "<port> needs attribute \"driver\""},
        {"<port number=\"2\" driver=\"nosuch\"/>", 4, "port 2: no driver named \"nosuch\""},
        {"<port number=\"1\" driver=\"other\"/>", 4, "port 1 is described twice"},
        {"<port number=\"2\" driver=\"other\"><fault kind=\"melt\"/></port>", 4, "unknown fault kind \"melt\""},
        {"<port number=\"2\" driver=\"other\"><fault kind=\"error\"/></port>", 4,
         "fault \"error\" needs a number in attribute \"error\""},
        {"<port number=\"2\" driver=\"other\"><fault kind=\"open\" error=\"0\"/></port>", 4,
         "fault \"open\" needs a non-zero error"},
        {"<port number=\"2\" driver=\"other\"><fault kind=\"hang\" ms=\"-1\"/></port>", 4,
         "fault \"hang\" needs a number in attribute \"ms\""},
        {"<pci>\n<function bus=\"1\" device=\"32\" function=\"0\" header=\"00\"/></pci>", 5,
         "attribute \"device\" of <function> is not a number from 0 to 31"},
        {"<pci><function bus=\"1\" device=\"2\" function=\"0\" header=\"0011\"/></pci>", 4,
         "attribute \"header\" must hold 48 to 256 bytes of hex"},
        {"<pci><function bus=\"1\" device=\"2\" function=\"0\" header=\"zz\"/></pci>", 4,
         "attribute \"header\" must hold 48 to 256 bytes of hex"},
        {"<pci><bridge bus=\"0\" device=\"2\" secondary=\"1\"/><bridge bus=\"0\" device=\"2\" secondary=\"3\"/></pci>",
         4, "a second PCI function at the same bus, device and function"},
        {"<pci><routing bus=\"0\" device=\"2\"/></pci>", 4, "<routing> needs attribute \"slot\""},
        {"<pci><tunnel/></pci>", 4, "unknown element <tunnel> in <pci>"},
        {"<setup><record ui=\"first\"/></setup>", 4, "attribute \"ui\" is neither a number nor invalid or unreadable"},
        {"<setup><device/></setup>", 4, "unknown element <device> in <setup>"},
        {"<health present=\"maybe\"/>", 4, "attribute \"present\" of <health> is neither true nor false"},
        {"<os major=\"five\" minor=\"0\"/>", 4, "attribute \"major\" of <os> is not a number"},
        {"<os major=\"5\"/>", 4, "<os> needs attribute \"minor\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        tsmtest::TempMachine machine;
        machine.writeDescription("<machine>\n" + kGoodParts + "\n" + c.body + "\n</machine>\n");
        testing::internal::CaptureStderr();
        EXPECT_FALSE(portOpens(1));
        const std::string errors = testing::internal::GetCapturedStderr();
        const std::string expected = machine.root() + "/machine.xml:" + std::to_string(c.line) + ": ";
        const std::string debug = machine.read("debug-output.log");
        EXPECT_NE(debug.find(expected), std::string::npos) << debug;
        EXPECT_NE(debug.find(c.problem), std::string::npos) << debug;
        EXPECT_NE(errors.find(expected), std::string::npos) << errors;
        // Nothing of the refused description is used: no ports, no health
        // driver, no setup records, the default operating system.
        EXPECT_FALSE(healthOpens());
        EXPECT_EQ(setupRecordCount(), 0u);
        EXPECT_EQ(osMajor(), 5u);
        // Reported once per change of the file, not on every use.
        EXPECT_EQ(machine.read("debug-output.log"), debug);
    }
}

TEST(MachineDescription, EmptyOrMissingDescriptions)
{
    tsmtest::TempMachine machine;
    // No description: no hardware, and nothing to complain about.
    EXPECT_FALSE(portOpens(0));
    EXPECT_FALSE(healthOpens());
    EXPECT_EQ(machine.read("debug-output.log"), "");

    machine.writeDescription("");
    EXPECT_FALSE(portOpens(0));
    EXPECT_NE(machine.read("debug-output.log").find("machine.xml:"), std::string::npos);

    // Entities that expand without end, and a file far too big to be a description.
    std::string entities = "<!DOCTYPE machine [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i) {
        entities += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            entities += "&a" + std::to_string(i - 1) + ";";
        entities += "\">";
    }
    machine.writeDescription(entities + "]>\n<machine><os major=\"5\" minor=\"0\" csd=\"&a9;\"/></machine>");
    const size_t before = machine.read("debug-output.log").size();
    EXPECT_FALSE(portOpens(0));
    EXPECT_GT(machine.read("debug-output.log").size(), before);
    EXPECT_EQ(osMajor(), 5u);
    machine.writeDescription("<machine>" + std::string(17 * 1024 * 1024, ' ') + "</machine>");
    EXPECT_FALSE(portOpens(0));
    EXPECT_NE(machine.read("debug-output.log").find("machine.xml:0: larger than 16 MiB"), std::string::npos);

    tsmtest::TempMachine empty;
    empty.useDescription(std::string(TSM_SOURCE_DIR) + "/sim/machines/empty.xml");
    EXPECT_FALSE(portOpens(0));
    EXPECT_FALSE(healthOpens());
    EXPECT_EQ(empty.read("debug-output.log"), "");
}

TEST(MachineDescription, ChangesArePickedUpWhileRunning)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><port number="3" driver="other"/></machine>)");
    EXPECT_TRUE(portOpens(3));
    EXPECT_FALSE(portOpens(4));

    // An open handle sees the machine as it is now: the port was pulled.
    const HANDLE h = CreateFileA(simtest::portName(3).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    machine.writeDescription(R"(<machine><port number="4" driver="other"/><health present="true"/></machine>)");
    EXPECT_FALSE(portOpens(3));
    EXPECT_TRUE(portOpens(4));
    EXPECT_TRUE(healthOpens());
    BYTE buffer[4] = {};
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(h, 0x0004D008, buffer, sizeof buffer, buffer, sizeof buffer, &returned, nullptr));
    EXPECT_EQ(GetLastError(), 1167u);
    CloseHandle(h);

    // A broken edit empties the machine; the next good one brings it back.
    machine.writeDescription(R"(<machine><port number="4" driver="other"/>)");
    EXPECT_FALSE(portOpens(4));
    machine.writeDescription(R"(<machine><port number="4" driver="other"/><port number="5" driver="other"/></machine>)");
    EXPECT_TRUE(portOpens(4));
    EXPECT_TRUE(portOpens(5));
}

} // namespace
