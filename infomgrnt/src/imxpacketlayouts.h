// Byte layouts of the miniport pass-through packets: the control header and
// the fixed part of every body the transports build or read.
#ifndef TSM_INFOMGRNT_IMXPACKETLAYOUTS_H
#define TSM_INFOMGRNT_IMXPACKETLAYOUTS_H

#include "imxpacketfields.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace InfoMgr {

constexpr std::uint32_t kMiniportIoctl = 0x0004D008;
constexpr std::uint32_t kRescanBusIoctl = 0x0004101C;
constexpr std::uint32_t kInquiryDataIoctl = 0x0004100C;

constexpr std::uint32_t kTimeoutForever = 0xFFFFFFFF;
constexpr std::uint32_t kTimeoutFibreManagement = 10;
constexpr std::uint32_t kTimeoutLegacy = 180;

struct MiniportHeader {
    le32 headerLength; // always 28
    char signature[8];
    le32 timeoutSeconds;
    le32 controlCode;
    le32 returnCode; // 0 when sent; anything else on return is failure
    le32 length; // bytes after the header
};
static_assert(sizeof(MiniportHeader) == 28);
static_assert(offsetof(MiniportHeader, signature) == 4);
static_assert(offsetof(MiniportHeader, timeoutSeconds) == 12);
static_assert(offsetof(MiniportHeader, controlCode) == 16);
static_assert(offsetof(MiniportHeader, returnCode) == 20);
static_assert(offsetof(MiniportHeader, length) == 24);

// "ZYRCSMI" code 2: the controller configuration record.
struct CsmiConfigPacket {
    MiniportHeader header;
    std::uint8_t reserved28[12];
    le32 boardId; // PCI: vendor low half, device high half
    le16 slotNumber;
    std::uint8_t controllerClass;
    std::uint8_t ioBusType; // 2 EISA, 3 PCI
    std::uint8_t pciBus;
    std::uint8_t pciDevice;
    std::uint8_t pciFunction;
    std::uint8_t reserved51[29];
    char serialNumber[116]; // zero-terminated text of a Fibre Channel adapter
};
static_assert(sizeof(CsmiConfigPacket) == 196);
static_assert(offsetof(CsmiConfigPacket, boardId) == 40);
static_assert(offsetof(CsmiConfigPacket, slotNumber) == 44);
static_assert(offsetof(CsmiConfigPacket, controllerClass) == 46);
static_assert(offsetof(CsmiConfigPacket, ioBusType) == 47);
static_assert(offsetof(CsmiConfigPacket, pciBus) == 48);
static_assert(offsetof(CsmiConfigPacket, pciFunction) == 50);
static_assert(offsetof(CsmiConfigPacket, serialNumber) == 80);

// "ZYRCSMI" code 3: the controller status record.
struct CsmiStatusPacket {
    MiniportHeader header;
    le32 status;
    std::uint8_t reserved32[32];
};
static_assert(sizeof(CsmiStatusPacket) == 64);
static_assert(offsetof(CsmiStatusPacket, status) == 28);

// "ZYRCISS" code 2, fixed part; the data follows at 148.
struct CissCommandPacket {
    MiniportHeader header;
    std::uint8_t lunAddress[8];
    le16 tag; // 0xFFFF
    std::uint8_t cdbLength;
    std::uint8_t reserved39;
    std::uint8_t cdb[16];
    le32 direction; // 1 read, 2 write, 4 no data
    std::uint8_t reserved60[16];
    std::uint8_t scsiStatus;
    std::uint8_t reserved77;
    le16 commandStatus;
    std::uint8_t reserved80[12];
    std::uint8_t sense[40];
    std::uint8_t reserved132[16];
};
static_assert(sizeof(CissCommandPacket) == 148);
static_assert(offsetof(CissCommandPacket, lunAddress) == 28);
static_assert(offsetof(CissCommandPacket, tag) == 36);
static_assert(offsetof(CissCommandPacket, cdbLength) == 38);
static_assert(offsetof(CissCommandPacket, cdb) == 40);
static_assert(offsetof(CissCommandPacket, direction) == 56);
static_assert(offsetof(CissCommandPacket, scsiStatus) == 76);
static_assert(offsetof(CissCommandPacket, commandStatus) == 78);
static_assert(offsetof(CissCommandPacket, sense) == 92);
constexpr std::size_t kCissDataOffset = 148;
constexpr std::size_t kCissAllocExtra = 152;
constexpr std::uint32_t kCissBodyLength = 120;

// "ZYRFC" code 1: the address query sent before every Fibre Channel command.
struct FibreAddressPacket {
    MiniportHeader header;
    std::uint8_t path; // reply: first routing byte
    std::uint8_t target; // reply: second routing byte
    std::uint8_t lun;
    std::uint8_t reserved31;
    le32 deviceHandle; // reply: the value the command packet carries
    std::uint8_t reserved36[8];
};
static_assert(sizeof(FibreAddressPacket) == 44);
static_assert(offsetof(FibreAddressPacket, path) == 28);
static_assert(offsetof(FibreAddressPacket, lun) == 30);
static_assert(offsetof(FibreAddressPacket, deviceHandle) == 32);

// "ZYRFC" code 2, fixed part; the data follows at 148. The driver answers the
// command status beside the SCSI status and the sense data 16 bytes after it.
struct FibreCommandPacket {
    MiniportHeader header;
    le32 deviceHandle;
    std::uint8_t lun0;
    std::uint8_t lun1;
    std::uint8_t reserved34[6];
    std::uint8_t cdbLength;
    std::uint8_t route0;
    std::uint8_t route1;
    std::uint8_t reserved43;
    std::uint8_t cdb[16];
    le32 direction;
    std::uint8_t reserved64[20];
    std::uint8_t scsiStatus;
    std::uint8_t reserved85;
    le16 commandStatus;
    std::uint8_t reserved88[12];
    std::uint8_t sense[40];
    std::uint8_t reserved140[8];
};
static_assert(sizeof(FibreCommandPacket) == 148);
static_assert(offsetof(FibreCommandPacket, deviceHandle) == 28);
static_assert(offsetof(FibreCommandPacket, lun0) == 32);
static_assert(offsetof(FibreCommandPacket, cdbLength) == 40);
static_assert(offsetof(FibreCommandPacket, route0) == 41);
static_assert(offsetof(FibreCommandPacket, cdb) == 44);
static_assert(offsetof(FibreCommandPacket, direction) == 60);
static_assert(offsetof(FibreCommandPacket, scsiStatus) == 84);
static_assert(offsetof(FibreCommandPacket, commandStatus) == 86);
static_assert(offsetof(FibreCommandPacket, sense) == 100);
constexpr std::size_t kFibreDataOffset = 148;

// "ZYRFC" code 3: the adapter name query.
struct FibreNamePacket {
    MiniportHeader header;
    std::uint8_t path;
    std::uint8_t target;
    std::uint8_t lun;
    std::uint8_t reserved31;
    std::uint8_t firstName[8];
    std::uint8_t secondName[8];
    le32 portAddress;
    std::uint8_t portByte;
    std::uint8_t reserved53[7];
};
static_assert(sizeof(FibreNamePacket) == 60);
static_assert(offsetof(FibreNamePacket, firstName) == 32);
static_assert(offsetof(FibreNamePacket, secondName) == 40);
static_assert(offsetof(FibreNamePacket, portAddress) == 48);
static_assert(offsetof(FibreNamePacket, portByte) == 52);

// "FCM&P" code 13: adapter attributes.
struct FibreAdapterAttributesPacket {
    MiniportHeader header;
    std::uint8_t reserved28[12];
    std::uint8_t portByte;
    std::uint8_t reserved41;
    std::uint8_t firstName[8];
    std::uint8_t secondName[8];
    std::uint8_t reserved58[2];
    le32 portAddress;
    std::uint8_t reserved64[64];
};
static_assert(sizeof(FibreAdapterAttributesPacket) == 128);
static_assert(offsetof(FibreAdapterAttributesPacket, portByte) == 40);
static_assert(offsetof(FibreAdapterAttributesPacket, firstName) == 42);
static_assert(offsetof(FibreAdapterAttributesPacket, secondName) == 50);
static_assert(offsetof(FibreAdapterAttributesPacket, portAddress) == 60);

// "FCM&P" code 14: port attributes.
struct FibrePortAttributesPacket {
    MiniportHeader header;
    le32 attributeKind; // 8
    std::uint8_t portNumber; // low byte of the 32-bit port number
    std::uint8_t path; // the upper bytes carry the device's address
    std::uint8_t target;
    std::uint8_t lun;
    std::uint8_t firstName[8];
    std::uint8_t secondName[8];
    std::uint8_t portByte;
    std::uint8_t reserved53[3];
    le32 portAddress;
    std::uint8_t reserved60[64];
};
static_assert(sizeof(FibrePortAttributesPacket) == 124);
static_assert(offsetof(FibrePortAttributesPacket, attributeKind) == 28);
static_assert(offsetof(FibrePortAttributesPacket, portNumber) == 32);
static_assert(offsetof(FibrePortAttributesPacket, path) == 33);
static_assert(offsetof(FibrePortAttributesPacket, firstName) == 36);
static_assert(offsetof(FibrePortAttributesPacket, secondName) == 44);
static_assert(offsetof(FibrePortAttributesPacket, portByte) == 52);
static_assert(offsetof(FibrePortAttributesPacket, portAddress) == 56);

// "ZYRBMIC" code 1, fixed part; the data follows at 92.
struct I2OBmicPacket {
    MiniportHeader header;
    std::uint8_t driveIndex;
    std::uint8_t opcode;
    le16 transferCount;
    std::uint8_t blockValue[4]; // command block bytes 2 to 5
    std::uint8_t reserved36[24];
    le16 status;
    std::uint8_t reserved62[30];
};
static_assert(sizeof(I2OBmicPacket) == 92);
static_assert(offsetof(I2OBmicPacket, driveIndex) == 28);
static_assert(offsetof(I2OBmicPacket, transferCount) == 30);
static_assert(offsetof(I2OBmicPacket, blockValue) == 32);
static_assert(offsetof(I2OBmicPacket, status) == 60);
constexpr std::size_t kI2OBmicAlloc = 96;
constexpr std::uint32_t kI2OBmicBodyLength = 64;

// "ZYRBMIC" code 2, fixed part; the data follows at 124.
struct I2OScsiPacket {
    MiniportHeader header;
    std::uint8_t path;
    std::uint8_t target;
    std::uint8_t reserved30;
    std::uint8_t cdbLength;
    std::uint8_t cdb[16];
    le32 flags; // 0xFFFFFFFF
    le32 reserved52;
    std::uint8_t reserved56[36];
    std::uint8_t sense[32]; // starts with the 16-bit command status
};
static_assert(sizeof(I2OScsiPacket) == 124);
static_assert(offsetof(I2OScsiPacket, path) == 28);
static_assert(offsetof(I2OScsiPacket, cdbLength) == 31);
static_assert(offsetof(I2OScsiPacket, cdb) == 32);
static_assert(offsetof(I2OScsiPacket, flags) == 48);
static_assert(offsetof(I2OScsiPacket, sense) == 92);
constexpr std::size_t kI2OScsiStatusOffset = 105;
constexpr std::size_t kI2OScsiDataOffset = 124;
constexpr std::size_t kI2OScsiAlloc = 128;
constexpr std::uint32_t kI2OScsiBodyLength = 96;

// "ODXM&P" code 5: the legacy configuration record.
struct LegacyConfigPacket {
    MiniportHeader header;
    le32 address; // bits 12 to 19: EISA slot
    std::uint8_t reserved32[4];
    std::uint8_t boardId[4]; // PCI: two halves, each most significant byte first
    std::uint8_t ioBusType;
    std::uint8_t pciBus;
    std::uint8_t reserved42[3];
};
static_assert(sizeof(LegacyConfigPacket) == 45);
static_assert(offsetof(LegacyConfigPacket, address) == 28);
static_assert(offsetof(LegacyConfigPacket, boardId) == 36);
static_assert(offsetof(LegacyConfigPacket, ioBusType) == 40);
static_assert(offsetof(LegacyConfigPacket, pciBus) == 41);

// "ODXM&P" code 3, fixed part; the data follows at 40.
struct LegacyBmicPacket {
    MiniportHeader header;
    std::uint8_t driveIndex;
    std::uint8_t opcode;
    std::uint8_t blockValue[4]; // command block bytes 2 to 5
    le32 dataLength;
    std::uint8_t blockLength[2]; // command block bytes 7 and 8
};
static_assert(sizeof(LegacyBmicPacket) == 40);
static_assert(offsetof(LegacyBmicPacket, blockValue) == 30);
static_assert(offsetof(LegacyBmicPacket, dataLength) == 34);
static_assert(offsetof(LegacyBmicPacket, blockLength) == 38);
constexpr std::uint32_t kLegacyBmicBodyLength = 16;
constexpr std::size_t kLegacyPacketArea = 65 * 1024;
constexpr std::uint32_t MAX_ODX_CMD_SIZE = 65535;

// "ODXM&P" code 4, fixed part; the data follows at 86.
struct LegacyScsiPacket {
    MiniportHeader header;
    std::uint8_t address[3]; // the device's address bytes: second, first, third
    le32 commandTimeout; // 300 seconds
    le32 reserved35;
    std::uint8_t reserved39[2];
    std::uint8_t cdbLength;
    std::uint8_t reserved42[16];
    std::uint8_t cdb[24];
    le32 dataLength;
};
static_assert(sizeof(LegacyScsiPacket) == 86);
static_assert(offsetof(LegacyScsiPacket, commandTimeout) == 31);
static_assert(offsetof(LegacyScsiPacket, cdbLength) == 41);
static_assert(offsetof(LegacyScsiPacket, cdb) == 58);
static_assert(offsetof(LegacyScsiPacket, dataLength) == 82);
constexpr std::uint32_t kLegacyScsiBodyLength = 58;

static_assert(std::is_trivially_copyable_v<CissCommandPacket> && std::is_trivially_copyable_v<LegacyScsiPacket>);

}

#endif
