// The interfaces of devices that execute controller (BMIC) commands and SCSI
// command blocks, and the parameter blocks that travel to them.
#ifndef TSM_SCHEMA_BMICDEVICE_H
#define TSM_SCHEMA_BMICDEVICE_H

#include <cstdint>

namespace Core {

// Filled by a command, consumed by BmicDevice::sendBmicCommand.
struct BmicParameters {
    std::uint32_t direction = 0; // 0 reads from the controller, anything else writes
    std::uint8_t opcode = 0;
    std::uint32_t detail = 0; // block number, drive number, ...
    std::uint8_t lun = 0; // logical drive addressed, 0 otherwise
    void* pBuffer = nullptr;
    std::uint32_t bufferSize = 0;
    std::uint16_t commandStatus = 0; // out
    std::uint8_t scsiStatus = 0; // out
    void* pSenseBuffer = nullptr;
    std::uint32_t senseLength = 0; // in: room in the sense buffer; out: bytes returned
};

// Consumed by SCSIDevice::sendScsiCommand.
struct ScsiParameters {
    std::uint32_t direction = 0; // 0 reads
    const void* pCdb = nullptr;
    std::uint8_t cdbLength = 0;
    void* pBuffer = nullptr;
    std::uint32_t bufferSize = 0;
    std::uint8_t scsiStatus = 0; // out
    void* pSenseBuffer = nullptr;
    std::uint32_t senseLength = 0; // in/out
};

class BmicDevice {
public:
    virtual ~BmicDevice() = default;
    // True when the command reached the controller and the transport succeeded.
    virtual bool sendBmicCommand(BmicParameters& parameters) = 0;
    virtual bool isBmicDevice() const { return true; }
};

class SCSIDevice {
public:
    virtual ~SCSIDevice() = default;
    virtual bool sendScsiCommand(ScsiParameters& parameters) = 0;
    virtual bool isScsiDevice() const = 0;
    // Whether the device takes command blocks longer than ten bytes; no device
    // of the schema claims it.
    virtual bool hasLongCdbSupport() const { return false; }
};

}

#endif
