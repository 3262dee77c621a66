// Byte layouts of the packets the simulated miniports answer, offsets within
// the whole packet (header included). Fields no transport uses are reserved.
#ifndef TSM_SIM_DRIVERS_PACKETLAYOUTS_H
#define TSM_SIM_DRIVERS_PACKETLAYOUTS_H

#include "packetio.h"

namespace sim::wire {

// "ZYRCSMI" code 2: the controller configuration record.
struct CsmiConfigPacket {
    MiniportHeader header;
    uint8_t reserved28[12];
    le32 boardId; // PCI: vendor low half, device high half; EISA: board id
    le16 slot;
    uint8_t controllerClass; // 4 CISS, 1 I2O, 3 Fibre Channel
    uint8_t ioBusType; // 2 EISA, 3 PCI
    uint8_t pciBus;
    uint8_t pciDevice;
    uint8_t pciFunction;
    uint8_t reserved51[29];
    char serialNumber[40]; // zero-terminated
    uint8_t reserved120[76];
};
static_assert(sizeof(CsmiConfigPacket) == 196);
static_assert(offsetof(CsmiConfigPacket, boardId) == 40);
static_assert(offsetof(CsmiConfigPacket, slot) == 44);
static_assert(offsetof(CsmiConfigPacket, controllerClass) == 46);
static_assert(offsetof(CsmiConfigPacket, ioBusType) == 47);
static_assert(offsetof(CsmiConfigPacket, pciFunction) == 50);
static_assert(offsetof(CsmiConfigPacket, serialNumber) == 80);

// "ZYRCSMI" code 3: the controller status record.
struct CsmiStatusPacket {
    MiniportHeader header;
    le32 status; // 1 normal, 2 and 4 degraded, else failed
    uint8_t reserved32[32];
};
static_assert(sizeof(CsmiStatusPacket) == 64);
static_assert(offsetof(CsmiStatusPacket, status) == 28);

// "ZYRCISS" code 2: one CISS command; data follows at 148.
struct CissCommandPacket {
    MiniportHeader header;
    uint8_t lun[8];
    le16 tag; // 0xFFFF from the host
    uint8_t cdbLength;
    uint8_t reserved39;
    uint8_t cdb[16]; // SCSI CDB, or BMIC block when byte 0 is 0x26/0x27
    le32 direction; // 1 read, 2 write, 4 no data
    uint8_t reserved60[16];
    uint8_t scsiStatus;
    uint8_t reserved77;
    le16 commandStatus;
    uint8_t reserved80[12];
    uint8_t sense[40];
    uint8_t reserved132[16];
};
static_assert(sizeof(CissCommandPacket) == 148);
static_assert(offsetof(CissCommandPacket, lun) == 28);
static_assert(offsetof(CissCommandPacket, tag) == 36);
static_assert(offsetof(CissCommandPacket, cdbLength) == 38);
static_assert(offsetof(CissCommandPacket, cdb) == 40);
static_assert(offsetof(CissCommandPacket, direction) == 56);
static_assert(offsetof(CissCommandPacket, scsiStatus) == 76);
static_assert(offsetof(CissCommandPacket, commandStatus) == 78);
static_assert(offsetof(CissCommandPacket, sense) == 92);

// "ZYRFC" code 1: address query; the reply names the target's handle.
struct FcAddressPacket {
    MiniportHeader header;
    uint8_t path; // in: path of the target; out: the adapter's bus for it
    uint8_t target; // in: target; out: the adapter's target id for it
    uint8_t lun;
    uint8_t reserved31;
    le32 handle; // out: what the command packet carries at 28
    uint8_t reserved36[8];
};
static_assert(sizeof(FcAddressPacket) == 44);
static_assert(offsetof(FcAddressPacket, path) == 28);
static_assert(offsetof(FcAddressPacket, lun) == 30);
static_assert(offsetof(FcAddressPacket, handle) == 32);

// "ZYRFC" code 2: one Fibre Channel command; data follows at 148. Command
// status and sense lie where the CISS packet has them, 8 bytes further on,
// as the SCSI status does.
struct FcCommandPacket {
    MiniportHeader header;
    le32 handle;
    uint8_t lun[2];
    uint8_t reserved34[6];
    uint8_t cdbLength;
    uint8_t path;
    uint8_t target;
    uint8_t reserved43;
    uint8_t cdb[16];
    le32 direction;
    uint8_t reserved64[20];
    uint8_t scsiStatus;
    uint8_t reserved85;
    le16 commandStatus;
    uint8_t reserved88[12];
    uint8_t sense[40];
    uint8_t reserved140[8];
};
static_assert(sizeof(FcCommandPacket) == 148);
static_assert(offsetof(FcCommandPacket, lun) == 32);
static_assert(offsetof(FcCommandPacket, cdbLength) == 40);
static_assert(offsetof(FcCommandPacket, path) == 41);
static_assert(offsetof(FcCommandPacket, cdb) == 44);
static_assert(offsetof(FcCommandPacket, direction) == 60);
static_assert(offsetof(FcCommandPacket, scsiStatus) == 84);
static_assert(offsetof(FcCommandPacket, commandStatus) == 86);
static_assert(offsetof(FcCommandPacket, sense) == 100);

// "ZYRFC" code 3: names of the adapter (address 255/255/255) or a target.
struct FcNamePacket {
    MiniportHeader header;
    uint8_t path;
    uint8_t target;
    uint8_t lun;
    uint8_t reserved31;
    uint8_t nodeName[8];
    uint8_t portName[8];
    le32 portAddress; // 24-bit fabric address in the low bits
    uint8_t portState;
    uint8_t reserved53[7];
};
static_assert(sizeof(FcNamePacket) == 60);
static_assert(offsetof(FcNamePacket, nodeName) == 32);
static_assert(offsetof(FcNamePacket, portName) == 40);
static_assert(offsetof(FcNamePacket, portAddress) == 48);
static_assert(offsetof(FcNamePacket, portState) == 52);

// "FCM&P" code 13: adapter attributes.
struct FcmpAdapterPacket {
    MiniportHeader header;
    uint8_t reserved28[12];
    uint8_t portState;
    uint8_t reserved41;
    uint8_t nodeName[8];
    uint8_t portName[8];
    uint8_t reserved58[2];
    le32 portAddress;
    uint8_t reserved64[64];
};
static_assert(sizeof(FcmpAdapterPacket) == 128);
static_assert(offsetof(FcmpAdapterPacket, portState) == 40);
static_assert(offsetof(FcmpAdapterPacket, nodeName) == 42);
static_assert(offsetof(FcmpAdapterPacket, portName) == 50);
static_assert(offsetof(FcmpAdapterPacket, portAddress) == 60);

// "FCM&P" code 14: attributes of a discovered port (a target).
struct FcmpPortPacket {
    MiniportHeader header;
    le32 version; // 8
    uint8_t portIndex;
    uint8_t path;
    uint8_t target;
    uint8_t lun;
    uint8_t nodeName[8];
    uint8_t portName[8];
    uint8_t portState;
    uint8_t reserved53[3];
    le32 portAddress;
    uint8_t reserved60[64];
};
static_assert(sizeof(FcmpPortPacket) == 124);
static_assert(offsetof(FcmpPortPacket, version) == 28);
static_assert(offsetof(FcmpPortPacket, path) == 33);
static_assert(offsetof(FcmpPortPacket, nodeName) == 36);
static_assert(offsetof(FcmpPortPacket, portName) == 44);
static_assert(offsetof(FcmpPortPacket, portState) == 52);
static_assert(offsetof(FcmpPortPacket, portAddress) == 56);

// Reply of the port's inquiry-data request: bus table, then unit records.
struct AdapterBusInfo {
    uint8_t numberOfBuses;
    uint8_t reserved1[3];
};
struct BusData {
    uint8_t numberOfLogicalUnits;
    uint8_t initiatorBusId;
    uint8_t reserved2[2];
    le32 inquiryDataOffset;
};
struct InquiryDataRecord {
    uint8_t path;
    uint8_t target;
    uint8_t lun;
    uint8_t deviceClaimed;
    le32 inquiryDataLength;
    le32 nextInquiryDataOffset; // 0 on the last unit of a bus
    uint8_t inquiryData[36];
};
static_assert(sizeof(AdapterBusInfo) == 4);
static_assert(sizeof(BusData) == 8);
static_assert(offsetof(BusData, inquiryDataOffset) == 4);
static_assert(sizeof(InquiryDataRecord) == 48);
static_assert(offsetof(InquiryDataRecord, nextInquiryDataOffset) == 8);
static_assert(offsetof(InquiryDataRecord, inquiryData) == 12);

// "ZYRBMIC" code 1: BMIC command on an I2O controller; data follows at 92.
struct I2oBmicPacket {
    MiniportHeader header;
    uint8_t driveIndex;
    uint8_t opcode;
    le16 transferCount; // bytes / 512 from 512 bytes on, else bytes
    uint8_t detail[4]; // block bytes 2 to 5 as they came
    uint8_t reserved36[24];
    le16 status; // out: command status, or the SCSI status when it is 0
    uint8_t reserved62[30];
};
static_assert(sizeof(I2oBmicPacket) == 92);
static_assert(offsetof(I2oBmicPacket, transferCount) == 30);
static_assert(offsetof(I2oBmicPacket, detail) == 32);
static_assert(offsetof(I2oBmicPacket, status) == 60);

// "ZYRBMIC" code 2: SCSI command on an I2O controller; data follows at 124.
struct I2oScsiPacket {
    MiniportHeader header;
    uint8_t path;
    uint8_t target;
    uint8_t reserved30;
    uint8_t cdbLength;
    uint8_t cdb[16];
    le32 flags; // 0xFFFFFFFF from the host
    le32 reserved52;
    uint8_t reserved56[36];
    le16 commandStatus; // reply frame: 92 to 123
    uint8_t reserved94[11];
    uint8_t scsiStatus;
    uint8_t sense[18];
};
static_assert(sizeof(I2oScsiPacket) == 124);
static_assert(offsetof(I2oScsiPacket, cdbLength) == 31);
static_assert(offsetof(I2oScsiPacket, cdb) == 32);
static_assert(offsetof(I2oScsiPacket, flags) == 48);
static_assert(offsetof(I2oScsiPacket, commandStatus) == 92);
static_assert(offsetof(I2oScsiPacket, scsiStatus) == 105);
static_assert(offsetof(I2oScsiPacket, sense) == 106);

// "ODXM&P" code 5: legacy configuration record.
struct OdxConfigPacket {
    MiniportHeader header;
    le32 address; // bits 12 to 19: EISA slot
    uint8_t reserved32[4];
    uint8_t boardId[4]; // PCI: vendor then device, each high byte first
    uint8_t ioBusType;
    uint8_t pciBus;
    uint8_t reserved42[3];
};
static_assert(sizeof(OdxConfigPacket) == 45);
static_assert(offsetof(OdxConfigPacket, address) == 28);
static_assert(offsetof(OdxConfigPacket, boardId) == 36);
static_assert(offsetof(OdxConfigPacket, ioBusType) == 40);
static_assert(offsetof(OdxConfigPacket, pciBus) == 41);

// "ODXM&P" code 3: legacy BMIC command; data follows at 40.
struct OdxBmicPacket {
    MiniportHeader header;
    uint8_t driveIndex;
    uint8_t opcode;
    uint8_t detail[4]; // block bytes 2 to 5
    le32 dataLength;
    uint8_t blockTail[2]; // block bytes 7 and 8
};
static_assert(sizeof(OdxBmicPacket) == 40);
static_assert(offsetof(OdxBmicPacket, detail) == 30);
static_assert(offsetof(OdxBmicPacket, dataLength) == 34);
static_assert(offsetof(OdxBmicPacket, blockTail) == 38);

// "ODXM&P" code 4: legacy SCSI command; data follows at 86.
struct OdxScsiPacket {
    MiniportHeader header;
    uint8_t target; // address byte 2
    uint8_t path; // address byte 1
    uint8_t lun; // address byte 3
    le32 timeoutSeconds;
    le32 reserved35;
    uint8_t reserved39[2];
    uint8_t cdbLength;
    uint8_t reserved42[16];
    uint8_t cdb[24];
    le32 dataLength;
};
static_assert(sizeof(OdxScsiPacket) == 86);
static_assert(offsetof(OdxScsiPacket, timeoutSeconds) == 31);
static_assert(offsetof(OdxScsiPacket, cdbLength) == 41);
static_assert(offsetof(OdxScsiPacket, cdb) == 58);
static_assert(offsetof(OdxScsiPacket, dataLength) == 82);

} // namespace sim::wire

#endif
