// The simulated miniports of every transport on one machine, where the
// transports do not reach them: the Fibre Channel inquiry data, stale bytes,
// hangs and addresses of nobody, and what every port refuses. (The packets
// the transports send and their replies are read through the transports on a
// machine of their own.)
#include "simdevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <span>
#include <tuple>

using namespace simtest;

namespace {

// Ports: 0 CISS, 1 I2O, 2 Fibre Channel with remotes on three buses, 5
// legacy EISA, 6 no controller, 7 CISS refusing commands, 8 Fibre Channel
// without the attribute interface or remotes, 9 legacy PCI.
const char* const kMachine = R"(<?xml version="1.0"?>
<machine>
  <port number="0" driver="ciss"><controller/></port>
  <port number="1" driver="i2o"><controller/></port>
  <port number="2" driver="fibre"><controller vendor="0xE3C2" device="0x0F01" pcibus="6" pcidevice="1" pcifunction="2"
      serial="FCA-7731" status="9" wwn1="5F 1A 70 00 00 00 AA 01" wwn2="5F1A70000000AA02" portaddress="0x010203" portstate="3">
    <remote path="0" target="1" lunbyte="0" wwn1="5F1A7000000B0001" wwn2="5F1A7000000B0002" portaddress="0x0A0B0C"
      portstate="1"/><remote path="0" target="2" lunbyte="0" kind="enclosure"/>
    <remote path="2" target="5" lunbyte="1"><fail scsiopcode="0x12" sense="70 00 05 00 00 00 00 30 00 00 00 00 24 00 00 00 00 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20"/>
  </remote></controller></port>
  <port number="5" driver="legacy"><controller bus="eisa" board="0x5256A030" slot="6"/></port>
  <port number="6" driver="ciss"/>
  <port number="7" driver="ciss"><controller><fail scsiopcode="0x12" sense="70 00 05"/><fail opcode="0x70" hang="80"/></controller></port>
  <port number="8" driver="fibre"><controller hbaapi="false" wwn1="5F1A700000001101" wwn2="5F1A700000001102"/></port>
  <port number="9" driver="legacy"><controller vendor="0xF1A7" device="0x4C05" pcibus="7" pcidevice="2"/></port>
</machine>
)";

class Ports : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_machine = std::make_unique<tsmtest::TempMachine>();
        s_machine->writeDescription(kMachine);
    }
    static void TearDownTestSuite() { s_machine.reset(); }
    static std::unique_ptr<tsmtest::TempMachine> s_machine;
};
std::unique_ptr<tsmtest::TempMachine> Ports::s_machine;

const Buffer kInquiry = {0x12, 0, 0, 0, 96, 0};

// "ZYRCISS" code 2, 148 + data bytes: 28 LUN address, 36 0xFFFF, 38 CDB
// length, 40 CDB, 56 direction, 76 SCSI status, 78 command status, 92 sense,
// 148 data.
Bytes cissCommand(const Buffer& cdb, uint32_t dataLength, uint32_t direction = 1, const Buffer& lun = Buffer(8, 0))
{
    Bytes p = packet("ZYRCISS", 2, 0xFFFFFFFF, 120 + dataLength);
    p.raw(28, lun).le16(36, 0xFFFF).u8(38, static_cast<uint8_t>(cdb.size())).raw(40, cdb).le32(56, direction);
    return p;
}

// "ZYRBMIC" code 1, 92 + data: 28 drive index, 29 opcode, 30 transfer
// count, 32 the block's value bytes, 60 returned status, 92 data.
Bytes i2oBmic(uint8_t opcode, uint32_t dataLength, uint16_t count)
{
    return packet("ZYRBMIC", 1, 0xFFFFFFFF, 64 + dataLength, 96 + dataLength).u8(29, opcode).le16(30, count);
}

// "ZYRBMIC" code 2, 124 + data: 28 path, 29 target, 31 CDB length, 32 CDB,
// 48 0xFFFFFFFF; returned command status at 92, SCSI status at 105.
Bytes i2oScsi(const Buffer& cdb, uint32_t dataLength)
{
    Bytes p = packet("ZYRBMIC", 2, 0xFFFFFFFF, 96 + dataLength, 128 + dataLength);
    return p.u8(31, static_cast<uint8_t>(cdb.size())).raw(32, cdb).le32(48, 0xFFFFFFFF);
}

// "ODXM&P" code 3, 44 + data: 28 drive index, 29 opcode, 30 value bytes,
// 34 data length, 38 block bytes 7 and 8, 40 data.
Bytes legacyBmic(uint8_t opcode, uint32_t dataLength)
{
    Bytes p = packet("ODXM&P", 3, 180, 16 + dataLength);
    return p.u8(29, opcode).le32(34, dataLength).le16(38, static_cast<uint16_t>(dataLength));
}

// "ODXM&P" code 4, 86 + data: 28, 29, 30 address bytes second, first, third;
// 31 time-out 300; 41 CDB length; 58 CDB; 82 data length; 86 data.
Bytes legacyScsi(const Buffer& cdb, uint32_t dataLength)
{
    Bytes p = packet("ODXM&P", 4, 180, 58 + dataLength);
    return p.le32(31, 300).u8(41, static_cast<uint8_t>(cdb.size())).raw(58, cdb).le32(82, dataLength);
}

constexpr DWORD kRescan = 0x0004101C;
constexpr DWORD kInquiryData = 0x0004100C;

// "ZYRFC" code 1, 44 bytes: 28 path, 29 target, 30 LUN; reply 28, 29 and 32.
Bytes addressQuery(uint8_t path, uint8_t target, uint8_t lun)
{
    return packet("ZYRFC", 1, 0xFFFFFFFF, 16).u8(28, path).u8(29, target).u8(30, lun);
}

// "ZYRFC" code 2, 148 + data: 28 the reply's value at 32, 40 CDB length, 41
// and 42 the reply's bytes 28 and 29, 44 CDB, 60 direction, 84 SCSI status.
Bytes fibreCommand(const Reply& address, const Buffer& cdb, uint32_t dataLength)
{
    const std::span<const uint8_t> reply(address.out);
    Bytes p = packet("ZYRFC", 2, 0xFFFFFFFF, 120 + dataLength).raw(28, reply.subspan(32, 4));
    return p.u8(40, static_cast<uint8_t>(cdb.size())).raw(41, reply.subspan(28, 2)).raw(44, cdb).le32(60, 1);
}

TEST_F(Ports, FibreInquiryDataWalksEveryBusAndItsUnits)
{
    // The layout of the list is read by the adapter's transport on the typical
    // machine. Three buses, the last with a unit at path 2 target 5 LUN 1.
    EXPECT_TRUE(ioctl(2, kRescan, {}, 0).ok);
    const Reply data = ioctl(2, kInquiryData, {}, 16384);
    ASSERT_EQ(data.returned, 4u + 3 * 8 + 3 * 48);
    expectFields(data.out, {{0, 1, 3}, {20, 1, 1}, {24, 4, 124}, {124, 1, 2}, {125, 1, 5}, {126, 1, 1}});
    // A buffer too small for the list is refused so the caller can grow it;
    // an adapter with nothing behind it reports one empty bus.
    EXPECT_EQ(ioctl(2, kInquiryData, {}, 171).error, 122u);
    const Reply empty = ioctl(8, kInquiryData, {}, 16384);
    ASSERT_TRUE(empty.ok) << empty.error;
    EXPECT_EQ(empty.returned, 12u);
    expectFields(empty.out, {{0, 1, 1}, {4, 1, 0}});
}

// What the transports, which read these ports on their own machine, never
// send or never get: stale bytes, hangs, handles and ids that name no target,
// default names, the legacy record of a PCI board.
TEST_F(Ports, AnswersNoTransportAsksFor)
{
    // Three sense bytes leave the rest of the field zero.
    Reply reply = good(7, cissCommand(kInquiry, 96).u8(95, 0xAA));
    expectFields(reply.out, {{76, 1, 2}, {92, 4, 0x00050070u}});
    // A command the firmware takes its time over answers only afterwards: a
    // BMIC read block (0x26, drive index, four value bytes, the opcode, the
    // length least significant byte first).
    const auto start = std::chrono::steady_clock::now();
    reply = good(7, cissCommand({0x26, 0, 0, 0, 0, 0, 0x70, 0x00, 0x06, 0}, 1536));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
    EXPECT_EQ(toHex(reply.out, 78, 2), "0000");

    // The refusing remote: SCSI status 2 and sense clipped to 40 bytes. A
    // handle the address query never gave, bus and target ids that are not
    // the handle's, or a port-attributes query for nobody reach no target.
    const Reply array = good(2, addressQuery(0, 1, 0));
    reply = good(2, fibreCommand(good(2, addressQuery(2, 5, 1)), kInquiry, 96));
    expectFields(reply.out, {{84, 1, 2}, {100, 1, 0x70}, {112, 1, 0x24}, {139, 1, 0x16}});
    EXPECT_EQ(toHex(reply.out, 140, 8), std::string(16, '0'));
    EXPECT_NE(toHex(good(2, fibreCommand(array, kInquiry, 96).le32(28, 0x7777)).out, 20, 4), "00000000");
    EXPECT_NE(toHex(good(2, fibreCommand(array, kInquiry, 96).u8(42, 2)).out, 20, 4), "00000000");
    const Bytes port = packet("FCM&P", 14, 10, 96).le32(28, 8);
    EXPECT_NE(toHex(good(2, Bytes(port).u8(34, 9)).out, 20, 4), "00000000");
    // A remote described without names gets its own: the prefix 5F1A70, two
    // zero bytes, the port, its position among the remotes (the second: 1),
    // then 00 in the node's name and 01 in the port's.
    EXPECT_EQ(toHex(good(2, Bytes(port).u8(34, 2)).out, 36, 16), "5f1a700000020100"
                                                                 "5f1a700000020101");

    // "ODXM&P" code 5, 45 bytes: a PCI board's vendor then device, each most
    // significant byte first, at 36; bus type 3 at 40, the PCI bus at 41.
    expectFields(good(9, packet("ODXM&P", 5, 180, 17)).out, {{36, 4, 0x054CA7F1}, {40, 1, 3}, {41, 1, 7}});
}

// "ZYRCSMI" code 2: 28 + 168 bytes, the configuration record.
Bytes configRequest()
{
    return packet("ZYRCSMI", 2, 0xFFFFFFFF, 168);
}

TEST_F(Ports, RefuseMalformedAndForeignRequests)
{
    // What is wrong, port, control code, input, output size, error.
    const std::tuple<const char*, int, DWORD, Buffer, size_t, DWORD> cases[] = {
        {"input shorter than a header", 0, kPassThrough, Bytes(27).le32(0, 28).text(4, "ZYRCSMI").le32(16, 2), 196, 87},
        {"HeaderLength not 28", 0, kPassThrough, configRequest().le32(0, 27), 196, 87},
        {"Length beyond the input", 0, kPassThrough, configRequest().le32(24, 169), 400, 87},
        {"output smaller than the packet", 1, kPassThrough, configRequest(), 195, 87},
        {"record shorter than 168 bytes", 2, kPassThrough, packet("ZYRCSMI", 2, 0xFFFFFFFF, 100), 128, 87},
        {"status shorter than 36 bytes", 2, kPassThrough, packet("ZYRCSMI", 3, 0xFFFFFFFF, 3), 31, 87},
        {"unknown CSMI function", 0, kPassThrough, packet("ZYRCSMI", 9, 0xFFFFFFFF, 168), 196, 1},
        {"signature with a stray byte", 0, kPassThrough, configRequest().u8(11, 'X'), 196, 1},
        {"legacy signature on a CISS port", 0, kPassThrough, packet("ODXM&P", 5, 180, 17), 45, 1},
        {"CISS signature on an I2O port", 1, kPassThrough, packet("ZYRCISS", 2, 0xFFFFFFFF, 120), 148, 1},
        {"CSMI signature on a legacy port", 5, kPassThrough, configRequest(), 196, 1},
        {"legacy signature on a Fibre Channel port", 2, kPassThrough, packet("ODXM&P", 5, 180, 17), 45, 1},
        {"another control code", 0, 0x00041018, configRequest(), 196, 1},
        {"port without a controller", 6, kPassThrough, configRequest(), 196, 1167},
        {"CISS CDB length 0", 0, kPassThrough, cissCommand(kInquiry, 96).u8(38, 0), 244, 87},
        {"CISS CDB length 17", 0, kPassThrough, cissCommand(kInquiry, 96).u8(38, 17), 244, 87},
        {"CISS direction 3", 0, kPassThrough, cissCommand(kInquiry, 96, 3), 244, 87},
        {"CISS body shorter than 120 bytes", 0, kPassThrough,
         packet("ZYRCISS", 2, 0xFFFFFFFF, 119).u8(38, 6).raw(40, kInquiry), 147, 87},
        {"CISS function 1", 0, kPassThrough, cissCommand(kInquiry, 96).le32(16, 1), 244, 1},
        {"I2O count of 512 bytes in bytes", 1, kPassThrough, i2oBmic(0x11, 512, 512), 0, 87},
        {"I2O count 0 for 200 bytes", 1, kPassThrough, i2oBmic(0x11, 200, 0), 0, 87},
        {"I2O count 1 for 1024 bytes", 1, kPassThrough, i2oBmic(0x11, 1024, 1), 0, 87},
        {"I2O count of 600 bytes in bytes", 1, kPassThrough, i2oBmic(0x11, 600, 600), 0, 87},
        {"I2O CDB length 0", 1, kPassThrough, i2oScsi(kInquiry, 96).u8(31, 0), 0, 87},
        {"I2O SCSI body of 95 bytes", 1, kPassThrough, packet("ZYRBMIC", 2, 0xFFFFFFFF, 95), 0, 87},
        {"I2O BMIC body of 63 bytes", 1, kPassThrough, packet("ZYRBMIC", 1, 0xFFFFFFFF, 63), 0, 87},
        {"I2O function 3", 1, kPassThrough, packet("ZYRBMIC", 3, 0xFFFFFFFF, 64), 0, 1},
        {"legacy configuration of 16 bytes", 5, kPassThrough, packet("ODXM&P", 5, 180, 16), 0, 87},
        {"legacy function 6", 5, kPassThrough, packet("ODXM&P", 6, 180, 17), 0, 1},
        {"legacy BMIC of 65536 bytes", 5, kPassThrough, legacyBmic(0x11, 65536), 0, 87},
        {"legacy BMIC length past the packet", 5, kPassThrough, legacyBmic(0x11, 512).le32(34, 520), 0, 87},
        {"legacy CDB of 25 bytes", 5, kPassThrough, legacyScsi(Buffer(24, 0x12), 96).u8(41, 25), 0, 87},
        {"legacy SCSI length past the packet", 5, kPassThrough, legacyScsi(kInquiry, 96).le32(82, 97), 0, 87},
        {"Fibre Channel direction 0", 2, kPassThrough,
         fibreCommand(Reply{true, 0, 0, Buffer(44, 0)}, kInquiry, 96).le32(60, 0), 0, 87},
        {"Fibre Channel address query of 15 bytes", 2, kPassThrough, packet("ZYRFC", 1, 0xFFFFFFFF, 15), 0, 87},
        {"port attributes of version 7", 2, kPassThrough, packet("FCM&P", 14, 10, 96).le32(28, 7), 0, 87},
    };
    // The largest that are taken.
    EXPECT_TRUE(send(5, legacyBmic(0x11, 65535)).ok);
    EXPECT_TRUE(send(5, legacyScsi(Buffer(24, 0x12), 96)).ok);
    for (const auto& [what, port, code, in, outSize, error] : cases) {
        SCOPED_TRACE(what);
        const Reply reply = ioctl(port, code, in, outSize != 0 ? outSize : in.size());
        EXPECT_EQ(std::tuple(reply.ok, reply.error, reply.returned), std::tuple(false, error, 0u));
    }
}

TEST(PortDescription, ErrorsNameTheLine)
{
    // A refused port leaves the machine empty (no port opens) and the problem
    // is written to the machine's debugger output with the element's line.
    const std::pair<const char*, const char*> bad[] = {
        {"<machine>\n<port number=\"0\" driver=\"ciss\">\n<controller bus=\"isa\"/></port></machine>", "\"bus\""},
        {"<machine>\n<port number=\"0\" driver=\"i2o\">\n<controller pcidevice=\"32\"/></port></machine>",
         "\"pcidevice\""},
        {"<machine>\n<port number=\"0\" driver=\"fibre\">\n<controller wwn1=\"0102\"/></port></machine>", "\"wwn1\""},
        {"<machine>\n<port number=\"0\" driver=\"fibre\">\n<controller hbaapi=\"maybe\"/></port></machine>",
         "\"hbaapi\""},
        {"<machine>\n<port number=\"0\" driver=\"ciss\">\n<controller/><controller/></port></machine>",
         "one controller"},
        {"<machine>\n<port number=\"0\" driver=\"legacy\">\n<disk/></port></machine>", "<disk>"},
        {"<machine>\n<port number=\"0\" driver=\"fibre\"><controller>\n<remote "
         "kind=\"switch\"/></controller></port></machine>",
         "kind"},
    };
    for (const auto& [xml, problem] : bad) {
        SCOPED_TRACE(xml);
        const tsmtest::TempMachine machine;
        machine.writeDescription(xml);
        EXPECT_EQ(send(0, configRequest()).error, 2u);
        const std::string log = machine.read("debug-output.log");
        EXPECT_NE(log.find("line 3"), std::string::npos) << log;
        EXPECT_NE(log.find(problem), std::string::npos) << log;
    }
}

} // namespace
