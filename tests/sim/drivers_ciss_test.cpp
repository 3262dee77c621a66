// CISS commands through the simulated CISS miniport: BMIC blocks and CDBs to
// the controller and to the remote controllers its LUN addresses name.
#include "drivers_port.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace drvtest;

namespace {

const char* kMachine = R"(<?xml version="1.0"?>
<machine>
  <port number="0" driver="ciss">
    <controller>
      <board product="SMARTBAY 5300   "/>
      <physicaldrive port="0" target="1"/>
      <physicaldrive port="2" target="6"/>
      <physicaldrive port="3" target="0"/>
      <remote lun="05 00 00 42 00 00 00 00"/>
      <remote lun="06 00 00 41 01 00 00 00" kind="enclosure"/>
    </controller>
  </port>
  <port number="1" driver="ciss">
    <controller>
      <board ports="8" drivesperport="16"/>
      <physicaldrive port="1" target="8"/>
      <physicaldrive port="7" target="15"/>
      <physicaldrive port="0" target="0"/>
    </controller>
  </port>
  <port number="2" driver="ciss">
    <controller>
      <fail opcode="0x11" sense="70 00 05 00 00 00 00 28 00 00 00 00 24 00 00 00 00 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e"/>
      <fail scsiopcode="0x12" sense="70 00 05"/>
      <fail opcode="0x64" error="31"/>
      <fail opcode="0x70" hang="80"/>
    </controller>
  </port>
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
    tsmtest::TempMachine machine;
    machine.writeDescription(kMachine);
    // The remote controller answers at its own address; at another one the
    // command status is 4 and no data comes back.
    const Reply remote = send(0, cissCommand(kInquiry, 96, 1, kFirstRemote));
    ASSERT_TRUE(remote.ok) << remote.error;
    EXPECT_EQ(atText(remote.out, 148 + 16, 16), "ARRAYBOX 4400   ");
    Bytes nobody = cissCommand(kInquiry, 96, 1, {0x07, 0, 0, 0x42, 0, 0, 0, 0});
    nobody.u8(148, 0x5A);
    const Reply none = send(0, nobody);
    ASSERT_TRUE(none.ok) << none.error;
    EXPECT_EQ(at32(none.out, 20), 0u);
    EXPECT_EQ(at16(none.out, 78), 4);
    EXPECT_EQ(slice(none.out, 148, 96), std::vector<uint8_t>(96, 0));
}

TEST(CissDriver, RefusedCommandsReturnStatusAndSenseClippedTo40Bytes)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(kMachine);
    Reply reply = send(2, cissCommand(bmicRead(0x11, 512), 512));
    ASSERT_TRUE(reply.ok) << reply.error;
    EXPECT_EQ(at32(reply.out, 20), 0u);
    EXPECT_EQ(at8(reply.out, 76), 2);
    EXPECT_EQ(at16(reply.out, 78), 1);
    std::vector<uint8_t> sense = {0x70, 0, 0x05, 0, 0, 0, 0, 0x28, 0, 0, 0, 0, 0x24, 0, 0, 0, 0, 0};
    for (uint8_t i = 1; i <= 22; ++i) {
        sense.push_back(i);
    }
    ASSERT_EQ(sense.size(), 40u);
    EXPECT_EQ(slice(reply.out, 92, 40), sense);
    EXPECT_EQ(slice(reply.out, 132, 16), std::vector<uint8_t>(16, 0));

    // Three sense bytes leave the rest of the field zero.
    Bytes inquiry = cissCommand(kInquiry, 96);
    inquiry.u8(95, 0xAA);
    reply = send(2, inquiry);
    ASSERT_TRUE(reply.ok) << reply.error;
    EXPECT_EQ(at8(reply.out, 76), 2);
    EXPECT_EQ(slice(reply.out, 92, 4), (std::vector<uint8_t>{0x70, 0, 0x05, 0}));

    // A request the controller fails as a whole fails the device call.
    reply = send(2, cissCommand(bmicRead(0x64, 512), 512));
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, 31u);

    // A command the firmware takes its time over answers only afterwards.
    const auto start = std::chrono::steady_clock::now();
    reply = send(2, cissCommand(bmicRead(0x70, 1536), 1536));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
    ASSERT_TRUE(reply.ok) << reply.error;
    EXPECT_EQ(at16(reply.out, 78), 0);
}

TEST(CissDriver, RefusesMalformedCommandPackets)
{
    tsmtest::TempMachine machine;
    machine.writeDescription(kMachine);
    Bytes noCdb = cissCommand(kInquiry, 96);
    noCdb.u8(38, 0);
    Bytes longCdb = cissCommand(kInquiry, 96);
    longCdb.u8(38, 17);
    Bytes badDirection = cissCommand(kInquiry, 96, 3);
    Bytes shortBody = packet("ZYRCISS", 2, 0xFFFFFFFF, 119);
    shortBody.u8(38, 6).raw(40, kInquiry);
    Bytes unknownCode = cissCommand(kInquiry, 96);
    unknownCode.le32(16, 1);
    const std::pair<const char*, std::pair<Bytes, DWORD>> cases[] = {
        {"CDB length 0", {noCdb, 87}},
        {"CDB length 17", {longCdb, 87}},
        {"direction 3", {badDirection, 87}},
        {"body shorter than 120 bytes", {shortBody, 87}},
        {"CISS function 1", {unknownCode, 1}},
    };
    for (const auto& [what, c] : cases) {
        SCOPED_TRACE(what);
        const Reply reply = send(0, c.first);
        EXPECT_FALSE(reply.ok);
        EXPECT_EQ(reply.error, c.second);
    }
}
