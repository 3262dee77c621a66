// The simulated machine through the platform's calls. Its description:
// malformed ones are refused with file, line and problem, the machine then
// has no hardware; changes are picked up. Its device I/O: health driver
// requests, injected faults, setup records and the operating-system version.
// And simctl's listing of descriptions, its scenarios, and its display and
// replay of captures.
#include "listing.h"
#include "replay.h"
#include "scenario.h"
#include "simdevice.h"

#include <capturefile.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

namespace {

using namespace simtest;

// The parts every bad description below would have, had it been taken.
const std::string kGoodParts = R"(<os major="4" minor="0"/><health/><setup><record location="1 2 3" ui="1"/></setup>
<port number="1" driver="other"/>)";

TEST(MachineDescription, MalformedOnesAreRefusedWithFileLineAndProblem)
{
    // What follows the good parts, from line 4; the line and the problem reported.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"<port number='2' driver='other'>", 5, "expected end of tag 'port'"},
        {"<computer/>", 4, "unknown element <computer>"},
        {"<port number='256' driver='other'/>", 4, "attribute \"number\" of <port> is not a number from 0 to 255"},
        {"<port number='two' driver='other'/>", 4, "attribute \"number\" of <port> is not a number"},
        {"<port number='2'/>", 4, "<port> needs attribute \"driver\""},
        {"<port number='2' driver='nosuch'/>", 4, "port 2: no driver named \"nosuch\""},
        {"<port number='1' driver='other'/>", 4, "port 1 is described twice"},
        {"<port number='2' driver='other'><fault kind='melt'/></port>", 4, "unknown fault kind \"melt\""},
        {"<port number='2' driver='other'><fault kind='error' error='1' code='D008'/></port>", 4,
         "fault \"error\" needs a number in attribute \"code\""},
        {"<port number='2' driver='other'><fault kind='error'/></port>", 4,
         "fault \"error\" needs a number in attribute \"error\""},
        {"<port number='2' driver='other'><fault kind='open' error='0'/></port>", 4,
         "fault \"open\" needs a non-zero error"},
        {"<port number='2' driver='other'><fault kind='hang' ms='-1'/></port>", 4,
         "fault \"hang\" needs a number in attribute \"ms\""},
        {"<pci>\n<function bus='1' device='32' function='0' header='00'/></pci>", 5,
         "attribute \"device\" of <function> is not a number from 0 to 31"},
        {"<pci><function bus='1' device='2' function='0' header='0011'/></pci>", 4,
         "attribute \"header\" must hold 48 to 256 bytes of hex"},
        {"<pci><function bus='1' device='2' function='0' header='zz'/></pci>", 4,
         "attribute \"header\" must hold 48 to 256 bytes of hex"},
        {"<pci><bridge bus='0' device='2' secondary='1'/><bridge bus='0' device='2' secondary='3'/></pci>", 4,
         "a second PCI function at the same bus, device and function"},
        {"<pci><routing bus='0' device='2'/></pci>", 4, "<routing> needs attribute \"slot\""},
        {"<pci><tunnel/></pci>", 4, "unknown element <tunnel> in <pci>"},
        {"<setup><record ui='first'/></setup>", 4, "attribute \"ui\" is neither a number nor invalid or unreadable"},
        {"<setup><device/></setup>", 4, "unknown element <device> in <setup>"},
        {"<health present='maybe'/>", 4, "attribute \"present\" of <health> is neither true nor false"},
        {"<os major='five' minor='0'/>", 4, "attribute \"major\" of <os> is not a number"},
        {"<os major='5'/>", 4, "<os> needs attribute \"minor\""},
    };
    for (const auto& [body, line, problem] : cases) {
        SCOPED_TRACE(body);
        tsmtest::TempMachine machine;
        machine.writeDescription("<machine>\n" + kGoodParts + "\n" + body + "\n</machine>\n");
        testing::internal::CaptureStderr();
        EXPECT_FALSE(opens(portName(1)));
        const std::string errors = testing::internal::GetCapturedStderr();
        const std::string expected = machine.root() + "/machine.xml:" + std::to_string(line) + ": ";
        const std::string debug = machine.read("debug-output.log");
        EXPECT_NE(debug.find(expected), std::string::npos) << debug;
        EXPECT_NE(debug.find(problem), std::string::npos) << debug;
        EXPECT_NE(errors.find(expected), std::string::npos) << errors;
        // Nothing of the refused description is used: no ports, no health
        // driver, no setup records, the default operating system.
        EXPECT_EQ(std::tuple(opens(kHealth), setupRecordCount(), osVersion().dwMajorVersion),
                  std::tuple(false, 0u, 5u));
        // Reported once per change of the file, not on every use.
        EXPECT_EQ(machine.read("debug-output.log"), debug);
    }
}

TEST(MachineDescription, EmptyOrMissingDescriptions)
{
    tsmtest::TempMachine machine;
    // No description: no hardware, and nothing to complain about.
    EXPECT_FALSE(opens(portName(0)) || opens(kHealth));
    EXPECT_EQ(machine.read("debug-output.log"), "");

    machine.writeDescription("");
    EXPECT_FALSE(opens(portName(0)));
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
    EXPECT_FALSE(opens(portName(0)));
    EXPECT_GT(machine.read("debug-output.log").size(), before);
    EXPECT_EQ(osVersion().dwMajorVersion, 5u);
    machine.writeDescription("<machine>" + std::string(17 * 1024 * 1024, ' ') + "</machine>");
    EXPECT_FALSE(opens(portName(0)));
    EXPECT_NE(machine.read("debug-output.log").find("machine.xml:0: larger than 16 MiB"), std::string::npos);

    tsmtest::TempMachine empty;
    empty.useDescription(kMachines + "empty.xml");
    EXPECT_FALSE(opens(portName(0)) || opens(kHealth));
    EXPECT_EQ(empty.read("debug-output.log"), "");
}

TEST(MachineDescription, ChangesArePickedUpWhileRunning)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><port number="3" driver="other"/></machine>)");
    EXPECT_TRUE(opens(portName(3)) && !opens(portName(4)));

    // An open handle sees the machine as it is now: the port was pulled.
    const HANDLE h = CreateFileA(portName(3).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    machine.writeDescription(R"(<machine><port number="4" driver="other"/><health present="true"/></machine>)");
    EXPECT_TRUE(!opens(portName(3)) && opens(portName(4)) && opens(kHealth));
    BYTE buffer[4] = {};
    DWORD returned = 7;
    EXPECT_FALSE(DeviceIoControl(h, 0x0004D008, buffer, sizeof buffer, buffer, sizeof buffer, &returned, nullptr));
    EXPECT_EQ(std::pair(GetLastError(), returned), std::pair(1167u, 0u));
    CloseHandle(h);

    // A broken edit empties the machine; the next good one brings it back.
    machine.writeDescription(R"(<machine><port number="4" driver="other"/>)");
    EXPECT_FALSE(opens(portName(4)));
    machine.writeDescription(
        R"(<machine><port number="4" driver="other"/><port number="5" driver="other"/></machine>)");
    EXPECT_TRUE(opens(portName(4)) && opens(portName(5)));
}

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
        {"slot request of three bytes", kSlotCode, {2, 3 << 3, 0}, 4, 24},
        {"header buffer of 100 bytes", kHeaderCode, {}, 100, 24},
        {"another request of the health driver", 0x0007212C, Buffer(16), 16, 24},
        {"an unknown request", 0x00072000, kSlotRequest, 4, 1},
    };
    for (const auto& [what, code, in, outSize, error] : cases) {
        SCOPED_TRACE(what);
        const Reply reply = ioctl(kHealth, code, in, outSize);
        EXPECT_EQ(std::pair(reply.error, reply.returned), std::pair(error, 0u));
    }
    // (A known slot is read back by the slot lookup on this machine, an
    // unknown one by the health driver's request test, the configuration
    // headers by the PCI scan.)
}

TEST(SimulatedDevices, FaultsAroundAnyDevice)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine> <health> <fault kind="short" code="0x000721F8" bytes="0x2"/>
        <fault kind="garbage" code="0x00072158" seed="7"/> </health>
      <pci><function bus="0" device="1" function="0" slot="6" header=")" +
                             std::string(96, 'a') + R"("/></pci>
      <port number="0" driver="other"><fault kind="error" error="1117"/></port>
      <port number="1" driver="other"><fault kind="open" error="5"/></port>
      <port number="2" driver="other"><fault kind="hang" ms="150" code="0x0004D008"/></port>
    </machine>)");
    // A short reply: success with fewer bytes, the rest of the buffer as it was.
    const Reply shortReply = ioctl(kHealth, kSlotCode, {0, 1 << 3, 0, 0}, Buffer(4, 0x77));
    EXPECT_EQ(std::tuple(shortReply.error, shortReply.returned, +shortReply.out[2]), std::tuple(0u, 2u, 0x77));

    // A garbage reply: the whole buffer, scrambled, reported as success.
    const Reply first = ioctl(kHealth, kHeaderCode, {}, 276);
    const Reply second = ioctl(kHealth, kHeaderCode, {}, 276);
    EXPECT_EQ(std::pair(first.error + second.error, first.returned), std::pair(0u, 276u));
    EXPECT_NE(first.out, Buffer(276, 0));
    EXPECT_NE(first.out, second.out);

    // A failing request and a failing open.
    const Reply failed = ioctl(0, kPassThrough, Buffer(8), 8);
    EXPECT_EQ(std::pair(failed.error, failed.returned), std::pair(1117u, 0u));
    EXPECT_EQ(ioctl(1, kPassThrough, Buffer(8), 8).error, 5u);
    // Names that are no port: no colon, four digits.
    for (const char* pszName : {"\\\\.\\Scsi0", "\\\\.\\Scsi0000:"})
        EXPECT_EQ(ioctl(pszName, kPassThrough, Buffer(8), 8).error, 2u) << pszName;

    // A hanging request: only the request named waits.
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ioctl(2, kPassThrough, Buffer(8), 8).error, 1u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(ioctl(2, 0x0004100C, Buffer(8), 8).error, 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
}

TEST(SimulatedDevices, SetupRecordsWithTheirErrorCodes)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(R"(<machine><setup> <record location="PCI bus 2, device 3, function 0" ui="5"/>
      <record ui="invalid"/> <record location="" ui="unreadable"/>
    </setup><setup class="{4d36e97b-e325-11ce-bfc1-08002be10319}"><record location="elsewhere" ui="1"/></setup></machine>)");
    // Records of another class are not listed.
    EXPECT_EQ(setupRecordCount(), 3u);
    const HDEVINFO set = SetupDiGetClassDevsA(&kScsiAdapterClass, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA data{};
    data.cbSize = 12;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(GetLastError(), 1784u);
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &data));

    // (The properties and their errors are read by the slot lookup on the
    // slot machines; here the size query.)
    DWORD required = 0;
    EXPECT_FALSE(
        SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_LOCATION_INFORMATION, nullptr, nullptr, 0, &required));
    EXPECT_EQ(std::make_pair(GetLastError(), required), std::make_pair(DWORD{122}, DWORD{32}));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), 6u);
}

TEST(SimulatedDevices, OperatingSystemVersion)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-nt4.xml");
    const OSVERSIONINFOEXA extended = osVersion();
    EXPECT_EQ(std::tuple(extended.dwMajorVersion, extended.dwMinorVersion, extended.dwBuildNumber,
                         std::string(extended.szCSDVersion)),
              std::tuple(4u, 0u, 1381u, "Service Pack 6"));
    // The short record, and a size that is neither.
    OSVERSIONINFOA plain{};
    plain.dwOSVersionInfoSize = sizeof plain;
    ASSERT_TRUE(GetVersionExA(&plain));
    EXPECT_EQ(plain.dwMajorVersion, 4u);
    plain.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&plain));

    machine.useDescription(kMachines + "slot-old-os.xml");
    EXPECT_EQ(std::make_tuple(osVersion().dwMajorVersion, osVersion().dwMinorVersion), std::make_tuple(3u, 51u));
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(SimCtl, ListsWhatADescriptionHolds)
{
    std::ostringstream out;
    std::ostringstream errors;
    ASSERT_TRUE(simctl::listDescription(kMachines + "slot-routing-bridges.xml", out, errors)) << errors.str();
    const std::string text = out.str();
    EXPECT_TRUE(contains(text, "PCI 0:4.0  vendor F1A7 device 0B01 class 060400  bridge to bus 2\n")) << text;
    EXPECT_TRUE(contains(text, "PCI 2:5.0  vendor E3C2 device 0A10 class 010400\n")) << text;
    EXPECT_TRUE(contains(text, "routing bus 0 device 4  slot 7\n")) << text;
    EXPECT_TRUE(contains(text, "health driver present\n")) << text;
    EXPECT_TRUE(contains(text, "0 ports, 4 PCI functions, 0 setup records\n")) << text;

    tsmtest::TempMachine machine;
    machine.writeDescription("<machine>\n<port number=\"1\" driver=\"other\"><fault kind=\"hang\" ms=\"20\"/></port>\n"
                             "<setup><record ui=\"invalid\"/></setup></machine>");
    out.str("");
    ASSERT_TRUE(simctl::listDescription(machine.root() + "/machine.xml", out, errors));
    EXPECT_TRUE(contains(out.str(), "port 1  driver other\n    fault: hang 20 ms on every request\n")) << out.str();
    EXPECT_TRUE(contains(out.str(), "no location  UI number not valid data\n")) << out.str();

    machine.writeDescription("<machine>\n<pci>\n<routing bus=\"1\"/></pci></machine>");
    out.str("");
    EXPECT_FALSE(simctl::listDescription(machine.root() + "/machine.xml", out, errors));
    EXPECT_EQ(errors.str(), machine.root() + "/machine.xml:3: <routing> needs attribute \"device\"\n");
}

TEST(SimCtl, RefusesScenariosItCannotStepNamingTheLine)
{
    // The scenario after its first line; the start of the refusal after the file name.
    const std::pair<const char*, const char*> cases[] = {
        {"<machine/></scenario>", ":1: a scenario holds from 1 to 200 <step> elements"},
        {"<step name=\"a\"/></scenario>", ":1: a scenario is a <scenario> holding a <machine>"},
        {"<machine/>\n<step minutes=\"2\"/></scenario>", ":2: <step> needs the attribute name"},
        {"<machine/>\n<step name=\"a\" minutes=\"0\"/></scenario>", ":2: <step> attribute minutes must be"},
        {"<machine/><step name=\"a\">\n<set ref=\"x\"/></step></scenario>", ":2: <set> ref=\"x\" names no element"},
        {"<machine><port id=\"p\" number=\"1\" driver=\"other\"/></machine><step name=\"a\">\n<drop ref=\"p\"/></step>"
         "</scenario>",
         ":2: <drop> is not a change"},
        {"<machine><port id=\"p\" number=\"1\" driver=\"other\"/></machine><step name=\"a\"/><step name=\"b\">"
         "<set ref=\"p\" driver=\"warp\"/></step></scenario>",
         ":1: step \"b\": "},
    };
    tsmtest::TempMachine machine;
    const std::string path = machine.root() + "/scenario.xml";
    for (const auto& [pszScenario, pszRefusal] : cases) {
        SCOPED_TRACE(pszScenario);
        std::ofstream(path) << "<scenario>" << pszScenario;
        std::ostringstream out;
        std::ostringstream errors;
        EXPECT_FALSE(simctl::listSteps(path, out, errors));
        EXPECT_EQ(errors.str().rfind(path + pszRefusal, 0), 0u) << errors.str();
    }
    // A good one: the ids are gone from the description each step writes.
    std::ofstream(path)
        << "<scenario><machine><port id=\"p\" number=\"1\" driver=\"other\"/></machine>"
           "<step name=\"a\"/><step name=\"b\" minutes=\"5\"><set ref=\"p\" number=\"2\"/></step></scenario>";
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_TRUE(simctl::listSteps(path, out, errors)) << errors.str();
    EXPECT_EQ(out.str(), "1 a 1\n2 b 5\n");
    EXPECT_TRUE(simctl::useStep(path, "b", errors)) << errors.str();
    EXPECT_TRUE(contains(machine.read("machine.xml"), "<port driver=\"other\" number=\"2\"/>"))
        << machine.read("machine.xml");
    EXPECT_FALSE(simctl::useStep(path, "c", errors));
}

TEST(SimCtl, ShowsAndReplaysCaptures)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-health.xml");
    const std::string path = machine.root() + "/capture.jsonl";
    {
        tsmtest::CaptureFile capture(path);
        EXPECT_TRUE(ioctl(kHealth, kSlotCode, kSlotRequest, kSlotRequest).ok);
        EXPECT_TRUE(ioctl(kHealth, kHeaderCode, {}, Bytes(276).u8(0, 2).u8(4, 3).u8(12, 48)).ok);
    }
    // Shows or replays the capture: the result and what was written.
    std::ostringstream errors;
    const auto run = [&](bool (*command)(std::istream&, std::ostream&, std::ostream&)) {
        std::ifstream in(path);
        std::ostringstream out;
        const bool bOk = command(in, out, errors);
        return std::make_pair(bOk, out.str());
    };
    auto [bShown, shown] = run(&simctl::showCapture);
    EXPECT_TRUE(bShown) << errors.str();
    EXPECT_TRUE(contains(shown, "#1  \\\\.\\ZyrHlth  0x000721F8 (health: slot number)  ok\n    in 4 bytes\n"
                                "      0000  02 18 00 00\n    out 4 bytes\n      0000  02 18 04 00\n"))
        << shown;
    EXPECT_TRUE(contains(shown, "2 requests\n"));

    // The same machine answers the same.
    auto [bSame, replayed] = run(&simctl::replayCapture);
    EXPECT_TRUE(bSame) << replayed;
    EXPECT_TRUE(contains(replayed, "2 requests, 0 differ, 0 skipped\n")) << replayed;

    // The slot moved: the reply differs at byte 2; without the health driver
    // the result differs too.
    std::string description = machine.read("machine.xml");
    description.replace(description.find("slot=\"4\""), 8, "slot=\"6\"");
    machine.writeDescription(description);
    std::tie(bSame, replayed) = run(&simctl::replayCapture);
    EXPECT_FALSE(bSame);
    EXPECT_TRUE(contains(replayed, "reply differs from byte 2 (captured 04, now 06)\n")) << replayed;
    machine.writeDescription("<machine/>");
    std::tie(bSame, replayed) = run(&simctl::replayCapture);
    EXPECT_FALSE(bSame);
    EXPECT_TRUE(contains(replayed, "result differs: captured ok, now error 2\n")) << replayed;
    EXPECT_TRUE(contains(replayed, "2 requests, 2 differ, 0 skipped\n")) << replayed;
}

TEST(SimCtl, RefusesLinesThatAreNoCaptureRecords)
{
    const char* bad[] = {
        "not json",
        R"({"device": "\\\\.\\Scsi0:", "code": "0x0004D008", "in": "0", "out": "", "ok": true, "error": 0})",
        R"({"device": "\\\\.\\Scsi0:", "code": "0x0004D008", "in": "", "out": "", "ok": maybe, "error": 0})",
        R"({"device": "\\\\.\\Scsi0:", "code": "D008", "in": "", "out": "", "ok": true, "error": 0})",
        R"({"device": "\\\\.\\Scsi0:", "in": "", "out": "", "ok": true, "error": 0})",
        R"({"device": "\\\\.\\Scsi0:", "code": "0x0004D008", "in": "", "out": "", "ok": true, "error": 0} extra)",
        R"({"device": "unterminated)",
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        std::istringstream in(
            std::string(
                R"({"device": "\\\\.\\ZyrHlth", "code": "0x0007212C", "in": "02180000", "out": "02180400", "ok": true, "error": 0})") +
            "\n\n" + line + "\n");
        std::ostringstream out;
        std::ostringstream errors;
        EXPECT_FALSE(simctl::showCapture(in, out, errors));
        EXPECT_EQ(errors.str().rfind("line 3: ", 0), 0u) << errors.str();
        EXPECT_TRUE(contains(out.str(), "1 requests\n")) << out.str();
        EXPECT_TRUE(contains(out.str(), "0x0007212C (health: interrupt routing)")) << out.str();
    }
}

} // namespace
