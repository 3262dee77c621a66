// What the three CSMI transports share: the controller configuration and
// status records, the port scan by controller class and the bus information.
#ifndef TSM_INFOMGRNT_IMXCSMICONFIG_H
#define TSM_INFOMGRNT_IMXCSMICONFIG_H

#include "imxioctlcommandgroup.h"
#include "imxpacketlayouts.h"

#include <setupapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace InfoMgr {

// Controller classes of the configuration record.
constexpr std::uint8_t kClassI2O = 1;
constexpr std::uint8_t kClassFibre = 3;
constexpr std::uint8_t kClassCiss = 4;

// Reads the configuration record of the controller on a port: 0 only when
// the call succeeds, ReturnCode is 0 and the class is bExpectedClass.
std::uint32_t readCsmiConfig(std::uint32_t dwPort, std::uint8_t bExpectedClass, CsmiConfigPacket& config);

// Scans ports 0 to 255 for controllers of a class; each answering port gets
// the record made by makeRecord. 3 when none answered, else 0.
using ControllerRecordMaker =
    std::function<std::unique_ptr<SchemaObjectEssentialData>(std::uint32_t dwPort, const CsmiConfigPacket& config)>;
std::uint32_t scanCsmiPorts(std::uint8_t bExpectedClass, const ControllerRecordMaker& makeRecord,
                            EssentialDataList& controllers);

// The status record mapped to 0 normal, 1 (status 2 or 4), 2 otherwise;
// 0x80000007 when the port, the call or the ReturnCode fails.
std::uint32_t readCsmiStatus(std::uint32_t dwPort, std::uint8_t& bStatus);

// Fills the bus information from a configuration record; the slot of a PCI
// controller comes from the slot lookup (255 when it finds none).
void fillCsmiBusInfo(HDEVINFO hDeviceInfoSet, CsmiConfigPacket& config, BusInfoRecord& busInfo);

// Reads the configuration record and fills the bus information from it.
std::uint32_t readCsmiBusInfo(HDEVINFO hDeviceInfoSet, std::uint32_t dwPort, std::uint8_t bExpectedClass,
                              CsmiConfigPacket& config, BusInfoRecord& busInfo);

// The command bytes of a SCSI or BMIC request, for the transports that send
// both kinds in one command packet; none when the request is longer than its
// kind allows.
struct CommandBlock {
    const SchemaObjectEssentialData& device;
    const std::uint8_t* pbBytes;
    std::uint8_t bLength;
};
std::optional<CommandBlock> commandBlockOf(const ScsiRequest& request);
std::optional<CommandBlock> commandBlockOf(const BmicRequest& request);

// Bus information record fields.
void putBusKind(BusInfoRecord& busInfo, std::uint32_t dwKind);
void putBusSlot(BusInfoRecord& busInfo, std::uint16_t wSlot);
void putPciIdentity(BusInfoRecord& busInfo, std::uint16_t wVendor, std::uint16_t wDevice);
void putEisaIdentity(BusInfoRecord& busInfo, const std::uint8_t (&abBoardId)[4]);

constexpr std::uint32_t kBusKindEisa = 1;
constexpr std::uint32_t kBusKindPci = 2;
constexpr std::uint8_t kIoBusEisa = 2;
constexpr std::uint8_t kIoBusPci = 3;

}

#endif
