// Reply layouts of the simulated controller firmware: every BMIC reply and
// SCSI data block it builds, declared once with byte-array fields so that the
// records have alignment 1 and no host byte order.
#ifndef TSM_SIM_FIRMWARELAYOUT_H
#define TSM_SIM_FIRMWARELAYOUT_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace sim::fw {

struct le16 {
    uint8_t b[2];
    void set(uint16_t v)
    {
        b[0] = uint8_t(v);
        b[1] = uint8_t(v >> 8);
    }
};
struct le32 {
    uint8_t b[4];
    void set(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[i] = uint8_t(v >> (8 * i));
    }
};
struct le64 {
    uint8_t b[8];
    void set(uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            b[i] = uint8_t(v >> (8 * i));
    }
};
struct be16 {
    uint8_t b[2];
    void set(uint16_t v)
    {
        b[0] = uint8_t(v >> 8);
        b[1] = uint8_t(v);
    }
};
struct be32 {
    uint8_t b[4];
    void set(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[i] = uint8_t(v >> (24 - 8 * i));
    }
};

using DriveMap = uint8_t[16]; // one bit per drive slot: port × 16 + target

// BMIC 0x11: identify controller.
struct IdentifyControllerReply {
    uint8_t logicalDriveCount; // 0
    le32 boardId; // 1
    char firmwareVersion[4]; // 5
    uint8_t reserved9[9];
    le32 drivePresenceMap; // 18: drives 0..27 of the 4 × 7 addressing
    uint8_t reserved22[9];
    le32 nonDiskMap; // 31
    uint8_t reserved35[5];
    uint8_t hardwareRevision; // 40: 'A', 'B', ...
    uint8_t flags; // 41: bit 7 = big maps in use
    uint8_t reserved42[2];
    uint8_t portCount; // 44
    uint8_t reserved45[8];
    uint8_t drivesPerPort; // 53: 0 = 4 × 7 addressing
    DriveMap bigDrivePresenceMap; // 54
    uint8_t reserved70[16];
    DriveMap bigNonDiskMap; // 86
    uint8_t reserved102[4];
    uint8_t redundancyMode; // 106: 0 none, 1 active, 2 primary
    uint8_t redundancyFlags; // 107: bit 2 = this controller is shown
    uint8_t redundancyFailed; // 108
    uint8_t reserved109[3];
    uint8_t fibreChipCount; // 112
    uint8_t reserved113[399];
};
static_assert(sizeof(IdentifyControllerReply) == 512);
static_assert(offsetof(IdentifyControllerReply, firmwareVersion) == 5);
static_assert(offsetof(IdentifyControllerReply, drivePresenceMap) == 18);
static_assert(offsetof(IdentifyControllerReply, nonDiskMap) == 31);
static_assert(offsetof(IdentifyControllerReply, hardwareRevision) == 40);
static_assert(offsetof(IdentifyControllerReply, flags) == 41);
static_assert(offsetof(IdentifyControllerReply, portCount) == 44);
static_assert(offsetof(IdentifyControllerReply, drivesPerPort) == 53);
static_assert(offsetof(IdentifyControllerReply, bigDrivePresenceMap) == 54);
static_assert(offsetof(IdentifyControllerReply, bigNonDiskMap) == 86);
static_assert(offsetof(IdentifyControllerReply, redundancyMode) == 106);
static_assert(offsetof(IdentifyControllerReply, redundancyFailed) == 108);
static_assert(offsetof(IdentifyControllerReply, fibreChipCount) == 112);

// BMIC 0x64: sense controller parameters.
struct ControllerParametersReply {
    uint8_t reserved0[14];
    uint8_t rebuildPriority; // 14
    uint8_t expandPriority; // 15
    uint8_t reserved16[66];
    char hardwareName[33]; // 82: zero-terminated
    uint8_t snapshotPriority; // 115
    uint8_t reserved116[24];
    char accessId[32]; // 140: zero-terminated
    uint8_t reserved172[340];
};
static_assert(sizeof(ControllerParametersReply) == 512);
static_assert(offsetof(ControllerParametersReply, rebuildPriority) == 14);
static_assert(offsetof(ControllerParametersReply, expandPriority) == 15);
static_assert(offsetof(ControllerParametersReply, hardwareName) == 82);
static_assert(offsetof(ControllerParametersReply, snapshotPriority) == 115);
static_assert(offsetof(ControllerParametersReply, accessId) == 140);

// BMIC 0xC1: sense cache configuration and status.
struct CacheConfigStatusReply {
    le32 acceleratorDisabledMap; // 0: one bit per logical drive
    le16 readCacheSize; // 4: KB >> shift
    le16 writeCacheSize; // 6
    uint8_t acceleratorDisabled; // 8
    uint8_t reserved9[23];
    le32 cacheStatusFlags; // 32
    uint8_t reserved36[2];
    le16 totalCacheSize; // 38
    le16 batteryPackCount; // 40
    uint8_t reserved42[166];
    le16 batteryFailureFlags; // 208: one bit per pack
    uint8_t cacheBoardPresent; // 210
    uint8_t reserved211[6];
    uint8_t cacheSizeShift; // 217
    uint8_t reserved218[294];
};
static_assert(sizeof(CacheConfigStatusReply) == 512);
static_assert(offsetof(CacheConfigStatusReply, readCacheSize) == 4);
static_assert(offsetof(CacheConfigStatusReply, writeCacheSize) == 6);
static_assert(offsetof(CacheConfigStatusReply, acceleratorDisabled) == 8);
static_assert(offsetof(CacheConfigStatusReply, cacheStatusFlags) == 32);
static_assert(offsetof(CacheConfigStatusReply, totalCacheSize) == 38);
static_assert(offsetof(CacheConfigStatusReply, batteryPackCount) == 40);
static_assert(offsetof(CacheConfigStatusReply, batteryFailureFlags) == 208);
static_assert(offsetof(CacheConfigStatusReply, cacheBoardPresent) == 210);
static_assert(offsetof(CacheConfigStatusReply, cacheSizeShift) == 217);

// BMIC 0x70: sense surface analysis status.
struct SurfaceStatusReply {
    uint8_t reserved0[100];
    le16 surfaceAnalysisDelay; // 100: tenths of a second
    uint8_t reserved102[1434];
};
static_assert(sizeof(SurfaceStatusReply) == 1536);
static_assert(offsetof(SurfaceStatusReply, surfaceAnalysisDelay) == 100);

// BMIC 0x66: sense subsystem information (also the remote identity query).
struct SubsystemParametersReply {
    uint8_t reserved0[4];
    char chassisSerialNumber[32]; // 4: blank-padded
    uint8_t reserved36[8];
    char controllerSerialNumber[32]; // 44: blank-padded
    uint8_t reserved76[436];
};
static_assert(sizeof(SubsystemParametersReply) == 512);
static_assert(offsetof(SubsystemParametersReply, chassisSerialNumber) == 4);
static_assert(offsetof(SubsystemParametersReply, controllerSerialNumber) == 44);

// BMIC 0x10: identify logical drive.
struct IdentifyLogicalDriveReply {
    le16 blockSize; // 0
    le32 blockCount; // 2: 0 = no such drive
    uint8_t reserved6[506];
};
static_assert(sizeof(IdentifyLogicalDriveReply) == 512);
static_assert(offsetof(IdentifyLogicalDriveReply, blockCount) == 2);

// BMIC 0x50: sense logical drive configuration.
struct LogicalDriveConfigReply {
    uint8_t reserved0[10];
    le16 physicalDriveCount; // 10: 0 = drive not configured
    le16 raidLevel; // 12
    le16 faultToleranceDrives; // 14
    le64 bigBlockCount; // 16: 0 unless the drive is big
    le16 blockSize; // 24
    uint8_t reserved26[4];
    le16 cylinders; // 30
    uint8_t heads; // 32
    uint8_t reserved33[11];
    uint8_t sectorsPerTrack; // 44
    uint8_t reserved45;
    le32 dataDriveMask; // 46
    le16 stripeSize; // 50
    le32 spareDriveMask; // 52
    uint8_t reserved56[10];
    le32 dataOffset; // 66
    uint8_t reserved70[4];
    le32 blockCount; // 74
    le32 blocksPerDrive; // 78
    uint8_t reserved82[16];
    DriveMap bigDataDriveMap; // 98
    DriveMap bigSpareDriveMap; // 114
    uint8_t sourceVolume; // 130
    uint8_t reserved131[97];
    uint8_t snapshotRole; // 228
    uint8_t reserved229[283];
};
static_assert(sizeof(LogicalDriveConfigReply) == 512);
static_assert(offsetof(LogicalDriveConfigReply, physicalDriveCount) == 10);
static_assert(offsetof(LogicalDriveConfigReply, raidLevel) == 12);
static_assert(offsetof(LogicalDriveConfigReply, faultToleranceDrives) == 14);
static_assert(offsetof(LogicalDriveConfigReply, bigBlockCount) == 16);
static_assert(offsetof(LogicalDriveConfigReply, blockSize) == 24);
static_assert(offsetof(LogicalDriveConfigReply, cylinders) == 30);
static_assert(offsetof(LogicalDriveConfigReply, heads) == 32);
static_assert(offsetof(LogicalDriveConfigReply, sectorsPerTrack) == 44);
static_assert(offsetof(LogicalDriveConfigReply, dataDriveMask) == 46);
static_assert(offsetof(LogicalDriveConfigReply, stripeSize) == 50);
static_assert(offsetof(LogicalDriveConfigReply, spareDriveMask) == 52);
static_assert(offsetof(LogicalDriveConfigReply, dataOffset) == 66);
static_assert(offsetof(LogicalDriveConfigReply, blockCount) == 74);
static_assert(offsetof(LogicalDriveConfigReply, blocksPerDrive) == 78);
static_assert(offsetof(LogicalDriveConfigReply, bigDataDriveMap) == 98);
static_assert(offsetof(LogicalDriveConfigReply, bigSpareDriveMap) == 114);
static_assert(offsetof(LogicalDriveConfigReply, sourceVolume) == 130);
static_assert(offsetof(LogicalDriveConfigReply, snapshotRole) == 228);

// BMIC 0x12: sense logical drive status.
struct LogicalDriveStatusReply {
    uint8_t status; // 0
    le32 failedDriveMask; // 1
    uint8_t reserved5[416];
    le32 blocksLeft; // 421
    uint8_t rebuildDrive; // 425
    uint8_t reserved426[68];
    le32 activeSpareMask; // 494
    uint8_t reserved498[37];
    uint8_t mediaExchangeReady; // 535
    uint8_t reserved536[3];
    DriveMap bigFailedDriveMap; // 539
    uint8_t reserved555[272];
    DriveMap bigActiveSpareMap; // 827
    uint8_t reserved843[144];
    uint8_t bigRebuildDrive; // 987
    le64 bigBlocksLeft; // 988
    uint8_t reserved996[5];
    uint8_t replicaStatus; // 1001
    uint8_t reserved1002[22];
};
static_assert(sizeof(LogicalDriveStatusReply) == 1024);
static_assert(offsetof(LogicalDriveStatusReply, failedDriveMask) == 1);
static_assert(offsetof(LogicalDriveStatusReply, blocksLeft) == 421);
static_assert(offsetof(LogicalDriveStatusReply, rebuildDrive) == 425);
static_assert(offsetof(LogicalDriveStatusReply, activeSpareMask) == 494);
static_assert(offsetof(LogicalDriveStatusReply, mediaExchangeReady) == 535);
static_assert(offsetof(LogicalDriveStatusReply, bigFailedDriveMap) == 539);
static_assert(offsetof(LogicalDriveStatusReply, bigActiveSpareMap) == 827);
static_assert(offsetof(LogicalDriveStatusReply, bigRebuildDrive) == 987);
static_assert(offsetof(LogicalDriveStatusReply, bigBlocksLeft) == 988);
static_assert(offsetof(LogicalDriveStatusReply, replicaStatus) == 1001);

// BMIC 0x15: identify physical drive.
struct PhysicalDriveReply {
    uint8_t bus; // 0
    uint8_t target; // 1
    le16 blockSize; // 2
    le32 totalBlocks; // 4
    le32 reservedBlocks; // 8
    char vendor[8]; // 12
    char product[16]; // 20
    uint8_t reserved36[16];
    char serialNumber[40]; // 52
    char firmwareRevision[8]; // 92
    uint8_t reserved100;
    uint8_t stamped; // 101
    uint8_t reserved102;
    uint8_t transferBits; // 103
    uint8_t configurationFlags; // 104: bit 5 data drive, bit 6 spare
    uint8_t reserved105;
    uint8_t transferBitsExtended; // 106
    uint8_t reserved107[7];
    uint8_t boxOnBus; // 114
    uint8_t bayInBox; // 115
    uint8_t reserved116[396];
};
static_assert(sizeof(PhysicalDriveReply) == 512);
static_assert(offsetof(PhysicalDriveReply, blockSize) == 2);
static_assert(offsetof(PhysicalDriveReply, totalBlocks) == 4);
static_assert(offsetof(PhysicalDriveReply, reservedBlocks) == 8);
static_assert(offsetof(PhysicalDriveReply, vendor) == 12);
static_assert(offsetof(PhysicalDriveReply, product) == 20);
static_assert(offsetof(PhysicalDriveReply, serialNumber) == 52);
static_assert(offsetof(PhysicalDriveReply, firmwareRevision) == 92);
static_assert(offsetof(PhysicalDriveReply, stamped) == 101);
static_assert(offsetof(PhysicalDriveReply, transferBits) == 103);
static_assert(offsetof(PhysicalDriveReply, configurationFlags) == 104);
static_assert(offsetof(PhysicalDriveReply, transferBitsExtended) == 106);
static_assert(offsetof(PhysicalDriveReply, boxOnBus) == 114);
static_assert(offsetof(PhysicalDriveReply, bayInBox) == 115);

// SCSI INQUIRY standard data, with the vendor-specific area up to 96 bytes.
struct InquiryData {
    uint8_t peripheral; // 0: qualifier (bits 5-7) and device type
    uint8_t removable; // 1
    uint8_t version; // 2
    uint8_t responseFormat; // 3
    uint8_t additionalLength; // 4: bytes after this one
    uint8_t flags5[3];
    char vendor[8]; // 8
    char product[16]; // 16
    char revision[4]; // 32
    char serialNumber[20]; // 36: vendor specific
    uint8_t reserved56[40];
};
static_assert(sizeof(InquiryData) == 96);
static_assert(offsetof(InquiryData, vendor) == 8);
static_assert(offsetof(InquiryData, product) == 16);
static_assert(offsetof(InquiryData, revision) == 32);

// Header of a LUN list (REPORT LUNS and the CISS report commands); 8-byte
// entries follow.
struct LunListHeader {
    be32 listLength; // bytes of entries
    uint8_t reserved4[4];
};
static_assert(sizeof(LunListHeader) == 8);

// READ CAPACITY(10) data.
struct CapacityData {
    be32 lastBlock;
    be32 blockSize;
};
static_assert(sizeof(CapacityData) == 8);

// Fixed-format sense data.
struct SenseData {
    uint8_t responseCode; // 0: 0x70 current error
    uint8_t reserved1;
    uint8_t senseKey; // 2
    uint8_t information[4];
    uint8_t additionalLength; // 7
    uint8_t commandInformation[4];
    uint8_t additionalSenseCode; // 12
    uint8_t additionalSenseQualifier; // 13
    uint8_t reserved14[4];
};
static_assert(sizeof(SenseData) == 18);
static_assert(offsetof(SenseData, additionalSenseCode) == 12);

template <class T>
constexpr bool kIsLayout = std::is_trivially_copyable_v<T>&& std::is_standard_layout_v<T> && alignof(T) == 1;
static_assert(kIsLayout<IdentifyControllerReply> && kIsLayout<LogicalDriveStatusReply> &&
              kIsLayout<PhysicalDriveReply> && kIsLayout<InquiryData> && kIsLayout<SenseData>);

} // namespace sim::fw

#endif
