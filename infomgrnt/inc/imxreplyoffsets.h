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

// Sense subsystem information (BMIC 0x66).
namespace SubsystemInfoReply {
constexpr std::size_t kChassisSerialNumber = 4; // 32 characters
constexpr std::size_t kControllerSerialNumber = 44; // 32 characters
constexpr std::size_t kSerialNumberSize = 32;
} // namespace SubsystemInfoReply

} // namespace InfoMgr

#endif
