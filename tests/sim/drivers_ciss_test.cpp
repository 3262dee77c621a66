// CISS commands through the simulated CISS miniport: BMIC blocks and CDBs to
// the controller and to the remote controllers its LUN addresses name.
#include "drivers_port.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace drvtest;

namespace {

const char* kMachine = R"(<?xml version="1.0"?>
<machine>
  <port number="0" driver="ciss"><controller><board product="SMARTBAY 5300   "/>
    <physicaldrive port="0" target="1"/><physicaldrive port="2" target="6"/><physicaldrive port="3" target="0"/>
    <remote lun="05 00 00 42 00 00 00 00"/><remote lun="06 00 00 41 01 00 00 00" kind="enclosure"/></controller></port>
  <port number="2" driver="ciss"><controller>
    <fail opcode="0x11" sense="70 00 05 00 00 00 00 28 00 00 00 00 24 00 00 00 00 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e"/>
    <fail scsiopcode="0x12" sense="70 00 05"/><fail opcode="0x64" error="31"/><fail opcode="0x70" hang="80"/>
  </controller></port>
</machine>
)";

// "ZYRCISS" code 2, 148 + data bytes: 28 LUN address, 36 0xFFFF, 38 CDB
// length, 40 CDB, 56 direction, 76 SCSI status, 78 command status, 92 sense,
// 148 data.
Bytes cissCommand(const std::vector<uint8_t>& cdb, uint32_t dataLength, uint32_t direction = 1,
                  const std::vector<uint8_t>& lun = std::vector<uint8_t>(8, 0))
{
    Bytes p = packet("ZYRCISS", 2, 0xFFFFFFFF, 120 + dataLength);
    p.raw(28, lun).le16(36, 0xFFFF).u8(38, static_cast<uint8_t>(cdb.size())).raw(40, cdb).le32(56, direction);
    return p;
}

// BMIC block: 0x26 read, drive index, four value bytes, opcode, length low first, 0.
std::vector<uint8_t> bmicRead(uint8_t opcode, uint16_t length)
{
    return {0x26, 0, 0, 0, 0, 0, opcode, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0};
}

const std::vector<uint8_t> kInquiry = {0x12, 0, 0, 0, 96, 0};
const std::vector<uint8_t> kFirstRemote = {0x05, 0, 0, 0x42, 0, 0, 0, 0};

} // namespace

TEST(CissDriver, NoDeviceAnswersAtAnUnknownLunAddress)
{
    const auto machine = described(kMachine);
    // The remote controller answers at its own address; at another one the
    // command status is 4 and no data comes back.
    EXPECT_EQ(atText(good(0, cissCommand(kInquiry, 96, 1, kFirstRemote)).out, 148 + 16, 16), "ARRAYBOX 4400   ");
    const Reply none = good(0, cissCommand(kInquiry, 96, 1, {0x07, 0, 0, 0x42, 0, 0, 0, 0}).u8(148, 0x5A));
    expectFields(none.out, {{20, 4, 0}, {78, 2, 4}});
    EXPECT_EQ(slice(none.out, 148, 96), std::vector<uint8_t>(96, 0));
}

TEST(CissDriver, RefusedCommandsReturnStatusAndSenseClippedTo40Bytes)
{
    const auto machine = described(kMachine);
    Reply reply = good(2, cissCommand(bmicRead(0x11, 512), 512));
    expectFields(reply.out, {{20, 4, 0}, {76, 1, 2}, {78, 2, 1}});
    const Bytes sense = tsmtest::ByteImage(56).hex(0, "70 00 05 00 00 00 00 28 00 00 00 00 24").hex(
        18, "01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16");
    EXPECT_EQ(slice(reply.out, 92, 56), sense.bytes());

    // Three sense bytes leave the rest of the field zero.
    reply = good(2, cissCommand(kInquiry, 96).u8(95, 0xAA));
    EXPECT_EQ(at8(reply.out, 76), 2);
    EXPECT_EQ(slice(reply.out, 92, 4), (std::vector<uint8_t>{0x70, 0, 0x05, 0}));

    // A request the controller fails as a whole fails the device call.
    EXPECT_EQ(send(2, cissCommand(bmicRead(0x64, 512), 512)).error, 31u);

    // A command the firmware takes its time over answers only afterwards.
    const auto start = std::chrono::steady_clock::now();
    reply = good(2, cissCommand(bmicRead(0x70, 1536), 1536));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
    EXPECT_EQ(at16(reply.out, 78), 0);
}

TEST(CissDriver, RefusesMalformedCommandPackets)
{
    const auto machine = described(kMachine);
    const std::pair<const char*, std::pair<Bytes, DWORD>> cases[] = {
        {"CDB length 0", {cissCommand(kInquiry, 96).u8(38, 0), 87}},
        {"CDB length 17", {cissCommand(kInquiry, 96).u8(38, 17), 87}},
        {"direction 3", {cissCommand(kInquiry, 96, 3), 87}},
        {"body shorter than 120 bytes", {packet("ZYRCISS", 2, 0xFFFFFFFF, 119).u8(38, 6).raw(40, kInquiry), 87}},
        {"CISS function 1", {cissCommand(kInquiry, 96).le32(16, 1), 1}},
    };
    for (const auto& [what, c] : cases) {
        SCOPED_TRACE(what);
        const Reply reply = send(0, c.first);
        EXPECT_FALSE(reply.ok);
        EXPECT_EQ(reply.error, c.second);
    }
}
