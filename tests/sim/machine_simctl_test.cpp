// simctl's listing of descriptions and its display and replay of captures.
#include "listing.h"
#include "replay.h"

#include "simdevice.h"

#include <capturefile.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(SimCtl, ListsWhatADescriptionHolds)
{
    std::ostringstream out;
    std::ostringstream errors;
    ASSERT_TRUE(simctl::listDescription(simtest::kMachines + "slot-routing-bridges.xml", out, errors)) << errors.str();
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

void askSlotAndHeader()
{
    const simtest::Buffer slot = {2, 3 << 3, 0, 0};
    EXPECT_TRUE(simtest::ioctl(simtest::kHealth, 0x000721F8, slot, slot).ok);
    EXPECT_TRUE(simtest::ioctl(simtest::kHealth, 0x00072158, {}, simtest::Bytes(276).u8(0, 2).u8(4, 3).u8(12, 48)).ok);
}

TEST(SimCtl, ShowsAndReplaysCaptures)
{
    tsmtest::TempMachine machine;
    machine.useDescription(simtest::kMachines + "slot-health.xml");
    const std::string path = machine.root() + "/capture.jsonl";
    {
        tsmtest::CaptureFile capture(path);
        askSlotAndHeader();
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
        std::istringstream in(std::string(R"({"device": "\\\\.\\ZyrHlth", "code": "0x000721F8", "in": "02180000", "out": "02180400", "ok": true, "error": 0})") +
                              "\n\n" + line + "\n");
        std::ostringstream out;
        std::ostringstream errors;
        EXPECT_FALSE(simctl::showCapture(in, out, errors));
        EXPECT_EQ(errors.str().rfind("line 3: ", 0), 0u) << errors.str();
        EXPECT_TRUE(contains(out.str(), "1 requests\n")) << out.str();
    }
}

} // namespace
