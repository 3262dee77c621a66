// The simulated Fibre Channel miniport: the adapter's bus walk, the address
// query that precedes every command, and the identity queries.
#include "drivers_port.h"

#include <gtest/gtest.h>

using namespace drvtest;

namespace {

const char* kMachine = R"(<?xml version="1.0"?>
<machine>
  <port number="0" driver="fibre"><controller vendor="0xE3C2" device="0x0F01" serial="FCA-7731"
      wwn1="5F 1A 70 00 00 00 AA 01" wwn2="5F1A70000000AA02" portaddress="0x010203" portstate="3">
    <remote path="0" target="1" lunbyte="0" wwn1="5F1A7000000B0001" wwn2="5F1A7000000B0002" portaddress="0x0A0B0C"
      portstate="1"/><remote path="0" target="2" lunbyte="0" kind="enclosure"/>
    <remote path="2" target="5" lunbyte="1"><fail scsiopcode="0x12" sense="70 00 05 00 00 00 00 30 00 00 00 00 24 00 00 00 00 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20"/>
  </remote></controller></port>
  <port number="1" driver="fibre"><controller hbaapi="false" wwn1="5F1A700000001101" wwn2="5F1A700000001102"/></port>
</machine>
)";

constexpr DWORD kRescan = 0x0004101C;
constexpr DWORD kInquiryData = 0x0004100C;

// "ZYRFC" code 1, 44 bytes: 28 path, 29 target, 30 LUN; reply 28, 29 and 32.
Bytes addressQuery(uint8_t path, uint8_t target, uint8_t lun)
{
    Bytes p = packet("ZYRFC", 1, 0xFFFFFFFF, 16);
    return p.u8(28, path).u8(29, target).u8(30, lun);
}

// "ZYRFC" code 2, 148 + data: 28 the reply's value at 32, 40 CDB length, 41
// and 42 the reply's bytes 28 and 29, 44 CDB, 60 direction, 84 SCSI status.
Bytes command(const Reply& address, const std::vector<uint8_t>& cdb, uint32_t dataLength)
{
    Bytes p = packet("ZYRFC", 2, 0xFFFFFFFF, 120 + dataLength);
    p.le32(28, at32(address.out, 32)).u8(40, static_cast<uint8_t>(cdb.size()));
    p.u8(41, at8(address.out, 28)).u8(42, at8(address.out, 29)).raw(44, cdb).le32(60, 1);
    return p;
}

const std::vector<uint8_t> kInquiry = {0x12, 0, 0, 0, 96, 0};

} // namespace

TEST(FibreDriver, InquiryDataWalksEveryBusAndItsUnits)
{
    const auto machine = described(kMachine);
    EXPECT_TRUE(ioctl(0, kRescan, {}, 0).ok);

    const Reply data = ioctl(0, kInquiryData, {}, 16384);
    ASSERT_TRUE(data.ok) << data.error;
    // 4-byte head, three 8-byte bus entries, three 48-byte unit records.
    ASSERT_EQ(data.returned, 4u + 3 * 8 + 3 * 48);
    const auto& b = data.out;
    expectFields(b, {{0, 1, 3}, {4, 1, 2}, {8, 4, 28}, {12, 1, 0}, {20, 1, 1}, {24, 4, 124}});

    // Units: path, target, LUN, 36 bytes of inquiry data, the next unit, the device type.
    const uint32_t units[][6] = {{28, 0, 1, 0, 76, 12}, {76, 0, 2, 0, 0, 13}, {124, 2, 5, 1, 0, 12}};
    for (const auto& u : units) {
        expectFields(b, {{u[0], 1, u[1]}, {u[0] + 1, 1, u[2]}, {u[0] + 2, 1, u[3]}, {u[0] + 4, 4, 36},
                         {u[0] + 8, 4, u[4]}});
        EXPECT_EQ(at8(b, u[0] + 12) & 0x1F, u[5]);
    }
    EXPECT_EQ(atText(b, 28 + 12 + 8, 8), "ORVANE  ");
    EXPECT_EQ(atText(b, 76 + 12 + 16, 16), "RAIDSHELF 2100  ");

    // A buffer too small for the list is refused so the caller can grow it.
    EXPECT_EQ(ioctl(0, kInquiryData, {}, 171).error, 122u);

    // An adapter with nothing behind it reports one empty bus.
    const Reply empty = ioctl(1, kInquiryData, {}, 16384);
    ASSERT_TRUE(empty.ok) << empty.error;
    EXPECT_EQ(empty.returned, 12u);
    expectFields(empty.out, {{0, 1, 1}, {4, 1, 0}});
}

TEST(FibreDriver, CommandsReachTheTargetTheAddressQueryNamed)
{
    const auto machine = described(kMachine);
    const Reply enclosure = good(0, addressQuery(0, 2, 0));
    EXPECT_EQ(enclosure.returned, 44u);
    EXPECT_EQ(at32(enclosure.out, 20), 0u);

    Reply reply = good(0, command(enclosure, kInquiry, 96));
    expectFields(reply.out, {{20, 4, 0}, {84, 1, 0}});
    EXPECT_EQ(at8(reply.out, 148) & 0x1F, 13);
    EXPECT_EQ(atText(reply.out, 148 + 8, 8), "ORVANE  ");

    const Reply array = good(0, addressQuery(0, 1, 0));
    EXPECT_NE(at32(array.out, 32), at32(enclosure.out, 32));
    reply = good(0, command(array, kInquiry, 96));
    EXPECT_EQ(at8(reply.out, 148) & 0x1F, 12);

    // The refusing remote: SCSI status 2 and sense clipped to 40 bytes.
    const Reply refusing = good(0, addressQuery(2, 5, 1));
    reply = good(0, command(refusing, kInquiry, 96));
    expectFields(reply.out, {{84, 1, 2}, {100, 1, 0x70}, {112, 1, 0x24}, {139, 1, 0x16}});
    EXPECT_EQ(slice(reply.out, 140, 8), std::vector<uint8_t>(8, 0));

    // Nothing at the address: ReturnCode tells the transport so.
    EXPECT_NE(at32(good(0, addressQuery(0, 9, 0)).out, 20), 0u);

    // A handle the address query never gave, or bus and target ids that are
    // not the handle's, reach no target.
    EXPECT_NE(at32(good(0, command(array, kInquiry, 96).le32(28, 0x7777)).out, 20), 0u);
    EXPECT_NE(at32(good(0, command(array, kInquiry, 96).u8(42, 2)).out, 20), 0u);
    EXPECT_EQ(send(0, command(array, kInquiry, 96).le32(60, 0)).error, 87u);
    EXPECT_EQ(send(0, packet("ZYRFC", 1, 0xFFFFFFFF, 15)).error, 87u);
}

TEST(FibreDriver, IdentityQueriesCarryNamesAndPortAddresses)
{
    const auto machine = described(kMachine);
    // Node and port names, one after the other.
    const std::vector<uint8_t> adapterNames = Bytes().hex(0, "5F1A70000000AA01 5F1A70000000AA02");
    const std::vector<uint8_t> remoteNames = Bytes().hex(0, "5F1A7000000B0001 5F1A7000000B0002");

    // "ZYRFC" code 3, 60 bytes: names at 32 and 40, port address at 48, byte at 52.
    Bytes names = packet("ZYRFC", 3, 0xFFFFFFFF, 32).u8(28, 255).u8(29, 255).u8(30, 255);
    Reply reply = good(0, names);
    EXPECT_EQ(reply.returned, 60u);
    EXPECT_EQ(slice(reply.out, 32, 16), adapterNames);
    expectFields(reply.out, {{48, 4, 0x010203}, {52, 1, 3}});
    reply = good(0, names.u8(28, 0).u8(29, 1).u8(30, 0));
    EXPECT_EQ(slice(reply.out, 32, 16), remoteNames);
    EXPECT_EQ(at32(reply.out, 48), 0x0A0B0Cu);

    // "FCM&P" code 13, 128 bytes: byte at 40, names at 42 and 50, address at 60.
    const Bytes adapter = packet("FCM&P", 13, 10, 100);
    reply = good(0, adapter);
    expectFields(reply.out, {{20, 4, 0}, {40, 1, 3}, {60, 4, 0x010203}});
    EXPECT_EQ(slice(reply.out, 42, 16), adapterNames);

    // "FCM&P" code 14, 124 bytes: 8 at 28, address bytes at 33 to 35; names
    // at 36 and 44, byte at 52, address at 56.
    Bytes port = packet("FCM&P", 14, 10, 96).le32(28, 8).le32(32, 0).u8(33, 0).u8(34, 1).u8(35, 0);
    reply = good(0, port);
    EXPECT_EQ(slice(reply.out, 36, 16), remoteNames);
    expectFields(reply.out, {{20, 4, 0}, {52, 1, 1}, {56, 4, 0x0A0B0C}});

    // Described names differ from the defaults another remote gets.
    reply = good(0, port.u8(34, 2));
    EXPECT_NE(slice(reply.out, 36, 8), slice(remoteNames, 0, 8));
    EXPECT_NE(slice(reply.out, 36, 8), slice(reply.out, 44, 8));
    EXPECT_NE(at32(good(0, port.u8(34, 9)).out, 20), 0u);
    port.u8(34, 1).le32(28, 7);
    EXPECT_EQ(send(0, port).error, 87u);

    // An adapter without the attribute interface leaves only "ZYRFC" code 3.
    EXPECT_EQ(send(1, adapter).error, 1u);
    EXPECT_EQ(slice(good(1, names.u8(28, 255).u8(29, 255).u8(30, 255)).out, 32, 8),
              slice(Bytes().hex(0, "5F1A700000001101"), 0, 8));
}
