// Byte offsets of the fields of the controllers' BMIC replies that the
// hardware library and the controller operations read: one table per reply,
// so every reader names a field the same way. Multi-byte fields are
// little-endian.
#ifndef TSM_INFOMGRNT_IMXREPLYOFFSETS_H
#define TSM_INFOMGRNT_IMXREPLYOFFSETS_H

#include <cstddef>
#include <cstdint>

namespace InfoMgr {

// Identify controller (BMIC 0x11).
namespace IdentifyControllerReply {
constexpr std::size_t kLogicalDriveCount = 0; // u8
constexpr std::size_t kFirmwareVersion = 5; // 4 characters
constexpr std::size_t kFirmwareVersionSize = 4;
constexpr std::size_t kOldPresenceMap = 18; // u32, one bit per drive
constexpr std::size_t kOldNonDiskMap = 31; // u32
constexpr std::size_t kHardwareRevision = 40; // u8, 'A' to 'C'
constexpr std::size_t kMapFlags = 41; // u8
constexpr std::uint8_t kBigMapFlag = 0x80; // the 16-byte maps below are used
constexpr std::size_t kPorts = 44; // u8
constexpr std::size_t kDrivesPerPort = 53; // u8
constexpr std::size_t kPresenceMap = 54; // 16 bytes, two per port
constexpr std::size_t kNonDiskMap = 86; // 16 bytes
constexpr std::size_t kBigMapSize = 16;
constexpr std::size_t kRedundancyRole = 106; // u8, 1 active, 2 primary
constexpr std::size_t kRedundancyFlags = 107; // u8
constexpr std::size_t kRedundancyState = 108; // u8, not 0 when failed
constexpr std::size_t kFibreChipCount = 112; // u8
} // namespace IdentifyControllerReply

// Sense controller parameters.
namespace ControllerParametersReply {
constexpr std::size_t kRebuildPriority = 14; // u8
constexpr std::size_t kExpandPriority = 15; // u8
constexpr std::size_t kHardwareName = 82; // zero-terminated text
constexpr std::size_t kSnapshotPriority = 115; // u8
constexpr std::size_t kAccessId = 140; // zero-terminated text
} // namespace ControllerParametersReply

// Cache configuration status.
namespace CacheConfigReply {
constexpr std::size_t kDisabledDrives = 0; // u32, one bit per logical drive
constexpr std::size_t kReadCacheSize = 4; // u16, shifted by kSizeShift
constexpr std::size_t kWriteCacheSize = 6; // u16
constexpr std::size_t kAcceleratorOff = 8; // u8, 0 when the accelerator is enabled
constexpr std::size_t kCacheFlags = 32; // u32
constexpr std::uint32_t kTemporarilyDisabled = 0x2;
constexpr std::uint32_t kPermanentlyDisabled = 0x4;
constexpr unsigned kAduShift = 3; // flags from this bit up ask for a diagnostic run
constexpr std::size_t kTotalCacheSize = 38; // u16
constexpr std::size_t kBatteryPacks = 40; // u16
constexpr std::size_t kBatteryFailures = 208; // u16
constexpr std::size_t kBoardPresent = 210; // u8
constexpr std::size_t kSizeShift = 217; // u8, sizes in KB after the shift
} // namespace CacheConfigReply

// Surface analysis status.
namespace SurfaceStatusReply {
constexpr std::size_t kDelayTenths = 100; // u16, tenths of a second
} // namespace SurfaceStatusReply

// Logical drive configuration (BMIC 0x50), one logical drive.
namespace LogicalDriveConfigReply {
constexpr std::size_t kPresence = 10; // u16, 0 when no drive has the number
constexpr std::size_t kRaidLevel = 12; // u16
constexpr std::size_t kFaultTolerance = 14; // u16, drives used for it
constexpr std::size_t kBigBlockCount = 16; // u64, 0 when the drive is not big
constexpr std::size_t kBlockSize = 24; // u16, 0 means 512
constexpr std::size_t kCylinders = 30; // u16
constexpr std::size_t kHeads = 32; // u8
constexpr std::size_t kSectors = 44; // u8, per track
constexpr std::size_t kDataMask = 46; // u32, the array's data drives
constexpr std::size_t kStripeSize = 50; // u16
constexpr std::size_t kSpareMask = 52; // u32, the array's spares
constexpr std::size_t kDataOffset = 66; // u32
constexpr std::size_t kBlockCount = 74; // u32
constexpr std::size_t kBlocksPerDrive = 78; // u32
constexpr std::size_t kDataMap = 98; // 16 bytes, the big form of kDataMask
constexpr std::size_t kSpareMap = 114; // 16 bytes
constexpr std::size_t kSourceVolume = 130; // u8, of a snapshot
constexpr std::size_t kSnapshotRole = 228; // u8
} // namespace LogicalDriveConfigReply

// Logical drive status (BMIC 0x12), one logical drive.
namespace LogicalDriveStatusReply {
constexpr std::size_t kStatus = 0; // u8
constexpr std::size_t kFailedMask = 1; // u32, the array's failed drives
constexpr std::size_t kBlocksLeft = 421; // u32, to rebuild or expand
constexpr std::size_t kRebuildDrive = 425; // u8, without the big map
constexpr std::size_t kActiveSpareMask = 494; // u32, spares in use
constexpr std::size_t kMediaExchange = 535; // u8, not 0 when ready
constexpr std::size_t kFailedMap = 539; // 16 bytes, the big form of kFailedMask
constexpr std::size_t kActiveSpareMap = 827; // 16 bytes
constexpr std::size_t kBigRebuildDrive = 987; // u8, with the big map
constexpr std::size_t kBigBlocksLeft = 988; // u64, 0 when unused
constexpr std::size_t kReplicaStatus = 1001; // u8, of a snapshot
} // namespace LogicalDriveStatusReply

// Identify physical drive (BMIC 0x15).
namespace PhysicalDriveReply {
constexpr std::size_t kBus = 0; // u8
constexpr std::size_t kTarget = 1; // u8
constexpr std::size_t kBlockSize = 2; // u16
constexpr std::size_t kTotalBlocks = 4; // u32
constexpr std::size_t kReservedBlocks = 8; // u32, subtracted from the total
constexpr std::size_t kProduct = 12; // 8 characters
constexpr std::size_t kVendor = 20; // 16 characters
constexpr std::size_t kSerialNumber = 52; // 40 characters
constexpr std::size_t kSerialNumberSize = 40;
constexpr std::size_t kFirmwareRevision = 92; // 8 characters
constexpr std::size_t kStamped = 101; // u8, not 0 when stamped
constexpr std::size_t kModeBits = 103; // u8, transfer bits
constexpr std::size_t kArrayMembership = 104; // u8
constexpr std::uint8_t kInAnArray = 0x60; // bit 5 data drive, bit 6 spare
constexpr std::size_t kExtendedBits = 106; // u8, transfer bits
constexpr std::size_t kBox = 114; // u8, box on the bus
constexpr std::size_t kBay = 115; // u8, bay in the box
} // namespace PhysicalDriveReply

// Sense subsystem information (BMIC 0x66).
namespace SubsystemInfoReply {
constexpr std::size_t kChassisSerialNumber = 4; // 32 characters
constexpr std::size_t kControllerSerialNumber = 44; // 32 characters
constexpr std::size_t kSerialNumberSize = 32;
} // namespace SubsystemInfoReply

} // namespace InfoMgr

#endif
