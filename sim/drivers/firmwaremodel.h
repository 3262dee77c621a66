// What the simulated firmware knows about its controller, read once from the
// firmware content elements of a <controller> or <remote> element.
#ifndef TSM_SIM_FIRMWAREMODEL_H
#define TSM_SIM_FIRMWAREMODEL_H

#include "firmware.h"

#include <sim/node.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim::fw {

// A drive slot: port (SCSI bus) and target on it.
struct Slot {
    uint8_t port = 0;
    uint8_t target = 0;
    auto operator<=>(const Slot&) const = default;
};

struct Board {
    uint32_t id = 0;
    char revision = 'B';
    std::string hardwareName; // zero-terminated name in the parameters reply
    std::string serialNumber;
    std::string chassisSerialNumber;
    std::string vendor = "ORVANE  "; // inquiry vendor, 8 characters
    std::string product; // inquiry product, 16 characters
    uint8_t ports = 2;
    uint8_t drivesPerPort = 0; // 0 = 4 ports × 7 targets, small maps
    uint8_t fibreChips = 0;
    uint8_t peripheralType = 12; // 12 array controller, 13 enclosure services
};

struct Firmware {
    std::string version = "1.50"; // exactly 4 characters
    uint8_t rebuildPriority = 64;
    uint8_t expandPriority = 64;
    uint8_t snapshotPriority = 64;
    uint16_t surfaceDelayTenths = 30;
    std::string accessId;
    uint8_t redundancyMode = 0;
    uint8_t redundancyFlags = 0;
    bool redundancyFailed = false;
};

struct Cache {
    bool present = false;
    uint32_t readKb = 0;
    uint32_t writeKb = 0;
    uint32_t totalKb = 0;
    uint8_t shift = 0;
    uint32_t statusFlags = 0;
    bool acceleratorDisabled = false;
    uint16_t batteryPacks = 0;
    uint16_t batteryFailures = 0; // one bit per pack
};

struct PhysicalDrive {
    Slot slot;
    uint8_t number = 0; // the drive number the controller reports
    uint32_t totalBlocks = 0;
    uint32_t reservedBlocks = 0;
    uint16_t blockSize = 512;
    std::string vendor = "ORVANE  "; // 8 characters
    std::string product; // 16 characters
    std::string serialNumber; // up to 40 characters
    std::string firmwareRevision; // up to 8 characters
    bool stamped = true;
    uint8_t transferBits = 0; // reply byte 103
    uint8_t transferBitsExtended = 0; // reply byte 106
    uint8_t box = 0;
    uint8_t bay = 0;
    bool nonDisk = false; // a tape or other device: in the non-disk map
    bool present = true; // false: listed in no presence map
    int line = 0;
};

struct LogicalDrive {
    uint8_t number = 0;
    uint16_t raidCode = 3;
    uint64_t blocks = 0;
    uint16_t blockSize = 512; // 0 is reported as it stands
    bool big = false; // report the 64-bit block count
    uint16_t cylinders = 0;
    uint8_t heads = 255;
    uint8_t sectors = 32;
    uint16_t stripe = 128;
    uint32_t dataOffset = 0;
    uint32_t blocksPerDrive = 0;
    uint16_t faultTolerance = 0;
    std::vector<Slot> drives;
    std::vector<Slot> spares;
    std::vector<Slot> failed;
    std::vector<Slot> activeSpares;
    uint8_t status = 0;
    std::optional<Slot> rebuilding;
    uint64_t blocksLeft = 0;
    bool mediaExchangeReady = false;
    bool acceleratorDisabled = false;
    uint8_t snapshotRole = 0;
    uint8_t sourceVolume = 0;
    uint8_t replicaStatus = 0;
    std::map<uint32_t, std::vector<uint8_t>> blocksData; // block number -> 512 bytes
    int line = 0;
};

// A command result the description forces.
struct FailRule {
    std::optional<uint8_t> opcode; // BMIC opcode
    std::optional<uint8_t> scsiOpcode; // SCSI CDB byte 0
    std::optional<uint8_t> drive; // drive the command addresses
    uint32_t error = 0;
    uint8_t scsiStatus = 0;
    uint16_t commandStatus = 0;
    std::vector<uint8_t> sense;
    uint32_t hangMilliseconds = 0;
    std::optional<uint32_t> times; // how often it fires; always when empty
    uint32_t after = 0; // matching commands that pass before it fires
    bool answers() const { return error != 0 || scsiStatus != 0 || commandStatus != 0 || !sense.empty(); }
};

struct ControllerModel {
    bool remote = false; // a <remote> element: addressed as an external controller
    DetailByteOrder detailOrder = DetailByteOrder::eMostSignificantFirst;
    std::optional<LunAddress> selfLun; // a remote's own LUN address
    Board board;
    Firmware firmware;
    Cache cache;
    std::vector<PhysicalDrive> physicalDrives; // description order
    std::vector<LogicalDrive> logicalDrives; // description order
    std::vector<FailRule> failRules;

    bool bigMaps() const { return board.drivesPerPort != 0; }
    const PhysicalDrive* physicalDrive(uint8_t number) const;
    const PhysicalDrive* physicalDrive(Slot slot) const;
    const LogicalDrive* logicalDrive(uint8_t number) const;
};

// Drive number of a slot under the controller's addressing.
uint8_t driveNumber(const Board& board, Slot slot);

// Reads the firmware content elements of a <controller> or <remote>; false
// with a message naming the line of the offending element.
bool readControllerModel(const Node& element, ControllerModel& model, std::string& error);

// The drive elements; a logical drive names physical drives already read
// into the model.
bool readPhysicalDriveElement(const Node& element, PhysicalDrive& drive, std::string& error);
bool readLogicalDriveElement(const Node& element, const ControllerModel& model, LogicalDrive& drive,
                             std::string& error);

// Refuses drive states that no controller reports together (a recovering
// RAID 0, a rebuild onto a drive that is no active spare...); false with a
// message naming the line of the element that contradicts the others.
bool checkDriveStates(const ControllerModel& model, std::string& error);

} // namespace sim::fw

#endif
