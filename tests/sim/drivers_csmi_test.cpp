// The configuration and status records of the CSMI ports, and what every
// simulated port refuses.
#include "drivers_port.h"

#include <gtest/gtest.h>

using namespace drvtest;

namespace {

const char* kMachine = R"(<?xml version="1.0"?>
<machine>
  <port number="0" driver="ciss">
    <controller vendor="0xF1A7" device="0x4C03" pcibus="2" pcidevice="3" pcifunction="1" slot="5" serial="CISS0001"/>
  </port>
  <port number="1" driver="i2o"><controller vendor="0xF1A7" device="0x4C07" pcibus="4" pcidevice="9" status="4"/></port>
  <port number="2" driver="fibre"><controller vendor="0xE3C2" device="0x0F01" pcibus="6" pcidevice="1" pcifunction="2"
    serial="FC-ADAPTER-77" status="9"/></port>
  <port number="3" driver="ciss"><controller bus="eisa" board="0x5256A020" slot="7" status="2"/></port>
  <port number="4" driver="ciss"><controller class="1"><board id="0x4C0AF1A7" serial="P0BOARD01"/></controller></port>
  <port number="5" driver="legacy"><controller/></port>
  <port number="6" driver="ciss"/>
</machine>
)";

// "ZYRCSMI" code 2: 28 + 168 bytes, the record read at 40 to 50 and 80.
Bytes configRequest() { return packet("ZYRCSMI", 2, 0xFFFFFFFF, 168); }
// "ZYRCSMI" code 3: 28 + 36 bytes, the status value at 28.
Bytes statusRequest() { return packet("ZYRCSMI", 3, 0xFFFFFFFF, 36); }

} // namespace

TEST(CsmiDrivers, ConfigurationAndStatusRecordOfEachClass)
{
    const auto machine = described(kMachine);
    const struct {
        int port;
        uint32_t board, slot, cls, busType, bus, device, function;
        std::string serial;
        uint32_t status;
    } cases[] = {
        {0, 0x4C03F1A7, 5, 4, 3, 2, 3, 1, "CISS0001", 1}, {1, 0x4C07F1A7, 0, 1, 3, 4, 9, 0, "", 4},
        {2, 0x0F01E3C2, 0, 3, 3, 6, 1, 2, "FC-ADAPTER-77", 9}, {3, 0x5256A020, 7, 4, 2, 0, 0, 0, "", 2},
        {4, 0x4C0AF1A7, 0, 1, 3, 0, 0, 0, "P0BOARD01", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("port " + std::to_string(c.port));
        // Stale bytes in the body are cleared.
        const Reply reply = good(c.port, configRequest().u8(100, 0xEE));
        ASSERT_EQ(reply.returned, 196u);
        EXPECT_EQ(atText(reply.out, 4, 8), std::string("ZYRCSMI\0", 8));
        expectFields(reply.out, {{0, 4, 28}, {16, 4, 2}, {20, 4, 0}, {24, 4, 168}, {40, 4, c.board}, {44, 2, c.slot},
                                 {46, 1, c.cls}, {47, 1, c.busType}, {48, 1, c.bus}, {49, 1, c.device},
                                 {50, 1, c.function}, {100, 1, 0}});
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reply.out[80])), c.serial);
        if (c.status != 0) {
            const Reply status = good(c.port, statusRequest());
            EXPECT_EQ(status.returned, 64u);
            expectFields(status.out, {{20, 4, 0}, {28, 4, c.status}});
        }
    }
}

TEST(CsmiDrivers, RefusesMalformedAndForeignRequests)
{
    const auto machine = described(kMachine);
    struct Case {
        const char* what;
        int port;
        DWORD code;
        std::vector<uint8_t> in;
        size_t outSize;
        DWORD error;
    };
    const Case cases[] = {
        {"input shorter than a header", 0, kPassThrough, slice(configRequest(), 0, 27), 196, 87},
        {"HeaderLength not 28", 0, kPassThrough, configRequest().le32(0, 27), 196, 87},
        {"Length beyond the input", 0, kPassThrough, configRequest().le32(24, 169), 400, 87},
        {"output smaller than the packet", 1, kPassThrough, configRequest().bytes(), 195, 87},
        {"record shorter than 168 bytes", 2, kPassThrough, packet("ZYRCSMI", 2, 0xFFFFFFFF, 100), 128, 87},
        {"status shorter than 36 bytes", 2, kPassThrough, packet("ZYRCSMI", 3, 0xFFFFFFFF, 3), 31, 87},
        {"unknown CSMI function", 0, kPassThrough, packet("ZYRCSMI", 9, 0xFFFFFFFF, 168), 196, 1},
        {"signature with a stray byte", 0, kPassThrough, configRequest().u8(11, 'X'), 196, 1},
        {"legacy signature on a CISS port", 0, kPassThrough, packet("ODXM&P", 5, 180, 17).bytes(), 45, 1},
        {"CISS signature on an I2O port", 1, kPassThrough, packet("ZYRCISS", 2, 0xFFFFFFFF, 120).bytes(), 148, 1},
        {"CSMI signature on a legacy port", 5, kPassThrough, configRequest().bytes(), 196, 1},
        {"another control code", 0, 0x00041018, configRequest().bytes(), 196, 1},
        {"port without a controller", 6, kPassThrough, configRequest().bytes(), 196, 1167},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Reply reply = ioctl(c.port, c.code, c.in, c.outSize);
        EXPECT_FALSE(reply.ok);
        EXPECT_EQ(reply.error, c.error);
        EXPECT_EQ(reply.returned, 0u);
    }
}

TEST(CsmiDrivers, DescriptionErrorsNameTheLine)
{
    // A refused port leaves the machine empty (no port opens) and the problem
    // is written to the machine's debugger output with the element's line.
    const std::pair<const char*, const char*> bad[] = {
        {"<machine>\n<port number=\"0\" driver=\"ciss\">\n<controller bus=\"isa\"/></port></machine>", "\"bus\""},
        {"<machine>\n<port number=\"0\" driver=\"i2o\">\n<controller pcidevice=\"32\"/></port></machine>", "\"pcidevice\""},
        {"<machine>\n<port number=\"0\" driver=\"fibre\">\n<controller wwn1=\"0102\"/></port></machine>", "\"wwn1\""},
        {"<machine>\n<port number=\"0\" driver=\"fibre\">\n<controller hbaapi=\"maybe\"/></port></machine>", "\"hbaapi\""},
        {"<machine>\n<port number=\"0\" driver=\"ciss\">\n<controller/><controller/></port></machine>", "one controller"},
        {"<machine>\n<port number=\"0\" driver=\"legacy\">\n<disk/></port></machine>", "<disk>"},
        {"<machine>\n<port number=\"0\" driver=\"fibre\"><controller>\n<remote kind=\"switch\"/></controller></port></machine>", "kind"},
    };
    for (const auto& [xml, problem] : bad) {
        SCOPED_TRACE(xml);
        tsmtest::TempMachine machine;
        machine.writeDescription(xml);
        EXPECT_EQ(send(0, configRequest()).error, 2u);
        const std::string log = machine.read("debug-output.log");
        EXPECT_NE(log.find("line 3"), std::string::npos) << log;
        EXPECT_NE(log.find(problem), std::string::npos) << log;
    }
}
