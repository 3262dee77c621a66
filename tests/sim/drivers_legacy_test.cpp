// The simulated legacy miniport: "ODXM&P" configuration, BMIC and SCSI packets.
#include "drivers_port.h"

#include <gtest/gtest.h>

using namespace drvtest;

namespace {

const char* kMachine = R"(<?xml version="1.0"?>
<machine>
  <port number="0" driver="legacy"><controller bus="eisa" board="0x5256A030" slot="6">
    <board product="SMARTBAY 1100   "/>
    <physicaldrive port="0" target="0"/><physicaldrive port="2" target="3"/>
    <fail opcode="0x64" commandstatus="4"/><fail scsiopcode="0x1a" sense="70 00 05"/><fail opcode="0xc1" error="1117"/>
  </controller></port>
  <port number="1" driver="legacy"><controller vendor="0xF1A7" device="0x4C05" pcibus="7" pcidevice="2"/></port>
</machine>
)";

// "ODXM&P" code 5, 45 bytes: 28 address, 36 board identifier, 40 bus type, 41 PCI bus.
Bytes configuration() { return packet("ODXM&P", 5, 180, 17); }

// "ODXM&P" code 3, 44 + data: 28 drive index, 29 opcode, 30 value bytes,
// 34 data length, 38 block bytes 7 and 8, 40 data.
Bytes bmic(uint8_t opcode, uint32_t dataLength)
{
    Bytes p = packet("ODXM&P", 3, 180, 16 + dataLength);
    return p.u8(28, 0).u8(29, opcode).le32(34, dataLength).le16(38, static_cast<uint16_t>(dataLength));
}

// "ODXM&P" code 4, 86 + data: 28, 29, 30 address bytes second, first, third;
// 31 time-out 300; 41 CDB length; 58 CDB; 82 data length; 86 data.
Bytes scsi(const std::vector<uint8_t>& cdb, uint32_t dataLength)
{
    Bytes p = packet("ODXM&P", 4, 180, 58 + dataLength);
    return p.le32(31, 300).u8(41, static_cast<uint8_t>(cdb.size())).raw(58, cdb).le32(82, dataLength);
}

} // namespace

TEST(LegacyDriver, ConfigurationBmicAndScsiPackets)
{
    const auto machine = described(kMachine);
    Reply eisa = good(0, configuration());
    EXPECT_EQ(eisa.returned, 45u);
    EXPECT_EQ(at32(eisa.out, 20), 0u);
    EXPECT_EQ((at32(eisa.out, 28) >> 12) & 0xFF, 6u);
    EXPECT_EQ(slice(eisa.out, 36, 4), (std::vector<uint8_t>{0x30, 0xA0, 0x56, 0x52}));
    EXPECT_EQ(at8(eisa.out, 40), 2);

    // PCI: vendor then device, each most significant byte first.
    Reply pci = good(1, configuration());
    EXPECT_EQ(slice(pci.out, 36, 4), (std::vector<uint8_t>{0xF1, 0xA7, 0x4C, 0x05}));
    expectFields(pci.out, {{40, 1, 3}, {41, 1, 7}});

    EXPECT_EQ(send(0, packet("ODXM&P", 5, 180, 16)).error, 87u);
    EXPECT_EQ(send(0, packet("ODXM&P", 6, 180, 17)).error, 1u);
    EXPECT_EQ(send(0, packet("ZYRCSMI", 2, 0xFFFFFFFF, 168)).error, 1u);

    // BMIC packets carry data and fail through ReturnCode.
    Reply reply = good(0, bmic(0x11, 512));
    EXPECT_EQ(at32(reply.out, 20), 0u);
    EXPECT_EQ(at32(reply.out, 40 + 18), (1u << 0) | (1u << 17));

    reply = good(0, bmic(0x64, 512));
    EXPECT_NE(at32(reply.out, 20), 0u);
    EXPECT_EQ(send(0, bmic(0xC1, 512)).error, 1117u);

    // The data length is held to the 65535-byte command area and to the packet.
    EXPECT_EQ(send(0, bmic(0x11, 65536)).error, 87u);
    EXPECT_EQ(send(0, bmic(0x11, 512).le32(34, 520)).error, 87u);
    EXPECT_TRUE(send(0, bmic(0x11, 65535)).ok);

    // SCSI packets reach the firmware.
    reply = good(0, scsi({0x12, 0, 0, 0, 96, 0}, 96));
    EXPECT_EQ(reply.returned, 86u + 96u);
    EXPECT_EQ(at32(reply.out, 20), 0u);
    EXPECT_EQ(atText(reply.out, 86 + 16, 16), "SMARTBAY 1100   ");

    reply = good(0, scsi({0x1A, 0, 0x3F, 0, 64, 0}, 64));
    EXPECT_NE(at32(reply.out, 20), 0u);

    Bytes longCdb = scsi(std::vector<uint8_t>(24, 0x12), 96);
    EXPECT_TRUE(send(0, longCdb).ok);
    longCdb.u8(41, 25);
    EXPECT_EQ(send(0, longCdb).error, 87u);
    EXPECT_EQ(send(0, scsi({0x12, 0, 0, 0, 96, 0}, 96).le32(82, 97)).error, 87u);
}
