// The simulated I2O miniport: BMIC and SCSI packets of "ZYRBMIC".
#include "drivers_port.h"

#include <gtest/gtest.h>

using namespace drvtest;

namespace {

const char* kMachine = R"(<?xml version="1.0"?>
<machine><port number="0" driver="i2o"><controller><board product="SMARTBAY 2200   "/>
  <physicaldrive port="0" target="1"/><physicaldrive port="1" target="0"/><physicaldrive port="3" target="6"/>
  <fail opcode="0x64" commandstatus="4"/><fail opcode="0x70" sense="70 00 05"/><fail opcode="0xc1" error="1117"/>
  <fail scsiopcode="0x1a" sense="70 00 05 00 00 00 00 10 00 00 00 00 24 00 00 00 00 00 aa bb cc dd ee ff"/>
</controller></port></machine>
)";

// "ZYRBMIC" code 1, 92 + data: 28 drive index, 29 opcode, 30 transfer
// count, 32 the block's value bytes, 60 returned status, 92 data.
Bytes bmic(uint8_t opcode, uint32_t dataLength, uint16_t count)
{
    Bytes p = packet("ZYRBMIC", 1, 0xFFFFFFFF, 64 + dataLength, 96 + dataLength);
    return p.u8(28, 0).u8(29, opcode).le16(30, count);
}

// "ZYRBMIC" code 2, 124 + data: 28 path, 29 target, 31 CDB length, 32 CDB,
// 48 0xFFFFFFFF; returned command status at 92, SCSI status at 105.
Bytes scsi(const std::vector<uint8_t>& cdb, uint32_t dataLength)
{
    Bytes p = packet("ZYRBMIC", 2, 0xFFFFFFFF, 96 + dataLength, 128 + dataLength);
    return p.u8(28, 0).u8(29, 0).u8(31, static_cast<uint8_t>(cdb.size())).raw(32, cdb).le32(48, 0xFFFFFFFF);
}

} // namespace

TEST(I2oDriver, BmicAndScsiPacketsWithTheirStatusesAndLimits)
{
    const auto machine = described(kMachine);
    Reply reply = good(0, bmic(0x11, 512, 1));
    EXPECT_EQ(reply.returned, 92u + 512u);
    expectFields(reply.out, {{20, 4, 0}, {60, 2, 0}});
    // 4 x 7 presence map at 18: bits 1, 7 and 27.
    EXPECT_EQ(at32(reply.out, 92 + 18), (1u << 1) | (1u << 7) | (1u << 27));

    // Under 512 bytes the count is the byte count; a reply is cut to fit.
    reply = good(0, bmic(0x11, 200, 200));
    EXPECT_EQ(at32(reply.out, 92 + 18), (1u << 1) | (1u << 7) | (1u << 27));
    EXPECT_EQ(reply.returned, 92u + 200u);

    const std::pair<uint32_t, uint16_t> wrong[] = {{512, 512}, {200, 0}, {1024, 1}, {600, 600}};
    for (const auto& [length, count] : wrong) {
        SCOPED_TRACE(std::to_string(length) + " bytes, count " + std::to_string(count));
        EXPECT_EQ(send(0, bmic(0x11, length, count)).error, 87u);
    }
    EXPECT_TRUE(send(0, bmic(0x11, 1024, 2)).ok);

    // Refusals come back in the status word.
    reply = good(0, bmic(0x64, 512, 1));
    expectFields(reply.out, {{20, 4, 0}, {60, 2, 4}});
    reply = good(0, bmic(0x70, 512, 1));
    EXPECT_EQ(at16(reply.out, 60), 1);
    EXPECT_EQ(send(0, bmic(0xC1, 512, 1)).error, 1117u);

    // SCSI packets answer with status and sense in the reply frame.
    reply = good(0, scsi({0x12, 0, 0, 0, 96, 0}, 96));
    EXPECT_EQ(reply.returned, 124u + 96u);
    expectFields(reply.out, {{92, 2, 0}, {105, 1, 0}});
    EXPECT_EQ(atText(reply.out, 124 + 16, 16), "SMARTBAY 2200   ");

    // Sense follows the SCSI status, at most 18 bytes of it.
    reply = good(0, scsi({0x1A, 0, 0x3F, 0, 64, 0}, 64));
    expectFields(reply.out, {{92, 2, 1}, {105, 1, 2}});
    EXPECT_EQ(slice(reply.out, 106, 18), (std::vector<uint8_t>{0x70, 0, 0x05, 0, 0, 0, 0, 0x10, 0, 0, 0, 0, 0x24, 0,
                                                               0, 0, 0, 0}));

    EXPECT_EQ(send(0, scsi({0x12, 0, 0, 0, 96, 0}, 96).u8(31, 0)).error, 87u);
    EXPECT_EQ(send(0, packet("ZYRBMIC", 2, 0xFFFFFFFF, 95)).error, 87u);
    EXPECT_EQ(send(0, packet("ZYRBMIC", 1, 0xFFFFFFFF, 63)).error, 87u);
    EXPECT_EQ(send(0, packet("ZYRBMIC", 3, 0xFFFFFFFF, 64)).error, 1u);
}
