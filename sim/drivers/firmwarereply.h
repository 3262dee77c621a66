// The answering side of the simulated firmware: one function per command
// family, and the helpers they share to fill replies.
#ifndef TSM_SIM_FIRMWAREREPLY_H
#define TSM_SIM_FIRMWAREREPLY_H

#include "firmware.h"
#include "firmwarelayout.h"
#include "firmwaremodel.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace sim::fw {

// A BMIC block as the controller reads it.
struct BmicRequest {
    uint8_t opcode = 0;
    uint8_t driveIndex = 0; // block byte 1
    uint32_t value = 0; // block bytes 2-5 in the controller's byte order
    bool write = false;
};

// Sense keys and additional sense codes the firmware answers with.
constexpr uint8_t kIllegalRequest = 0x05;
constexpr uint8_t kNotReady = 0x02;
constexpr uint8_t kInvalidOpcode = 0x20;
constexpr uint8_t kBlockOutOfRange = 0x21;
constexpr uint8_t kInvalidField = 0x24;
constexpr uint8_t kUnitNotSupported = 0x25;
constexpr uint8_t kUnitNotReady = 0x04;

// Check condition (command status 1, SCSI status 2) with fixed-format sense.
FirmwareReply checkCondition(uint8_t key, uint8_t code, uint8_t qualifier = 0);

// Copies a reply record into the host's buffer: what fits, the rest zero.
template <class Record>
void putReply(const Record& record, std::vector<uint8_t>& data)
{
    std::fill(data.begin(), data.end(), uint8_t(0));
    if (!data.empty())
        std::memcpy(data.data(), &record, std::min(sizeof(Record), data.size()));
}

inline void putBytes(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& data)
{
    std::fill(data.begin(), data.end(), uint8_t(0));
    std::copy_n(bytes.begin(), std::min(bytes.size(), data.size()), data.begin());
}

// Text into a fixed field, without terminator, blanks after it when pad.
template <size_t N>
void putText(char (&field)[N], const std::string& text, bool pad)
{
    std::memset(field, pad ? ' ' : 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

// The bit of a drive in a 16-byte map whose bit k stands for drive number
// (k + 128) mod 256, and in a 32-bit mask whose bit n stands for drive n.
void setBigMapBit(DriveMap& map, uint8_t driveNumber);
uint32_t maskBit(uint8_t driveNumber);

// Controller identity and settings: 0x11, 0x64, 0x66, 0x70.
FirmwareReply identifyController(const ControllerModel& model, const BmicRequest& request, std::vector<uint8_t>& data);
FirmwareReply senseControllerParameters(const ControllerModel& model, const BmicRequest& request,
                                        std::vector<uint8_t>& data);
FirmwareReply senseSubsystemInformation(const ControllerModel& model, const BmicRequest& request,
                                        std::vector<uint8_t>& data);
FirmwareReply senseSurfaceStatus(const ControllerModel& model, const BmicRequest& request, std::vector<uint8_t>& data);
// Cache and battery: 0xC1.
FirmwareReply senseCacheConfigStatus(const ControllerModel& model, const BmicRequest& request,
                                     std::vector<uint8_t>& data);
// Logical drives: 0x10, 0x50, 0x12, 0x20.
FirmwareReply identifyLogicalDrive(const ControllerModel& model, const BmicRequest& request,
                                   std::vector<uint8_t>& data);
FirmwareReply senseLogicalDriveConfig(const ControllerModel& model, const BmicRequest& request,
                                      std::vector<uint8_t>& data);
FirmwareReply senseLogicalDriveStatus(const ControllerModel& model, const BmicRequest& request,
                                      std::vector<uint8_t>& data);
FirmwareReply readLogicalDrive(const ControllerModel& model, const BmicRequest& request, std::vector<uint8_t>& data);
// Logical drive blocks from block number on, as many as data holds; false
// when they run past the end of the drive.
bool readLogicalBlocks(const LogicalDrive& drive, uint64_t block, std::vector<uint8_t>& data);
// Physical drives: 0x15.
FirmwareReply identifyPhysicalDrive(const ControllerModel& model, const BmicRequest& request,
                                    std::vector<uint8_t>& data);

// LUN addresses of what sits behind the controller besides itself.
LunAddress logicalDriveLun(uint8_t number);
LunAddress physicalDriveLun(Slot slot);

// SCSI CDBs: INQUIRY, REPORT LUNS, the report-logical and report-physical
// LUN lists, TEST UNIT READY, REQUEST SENSE, READ CAPACITY and READ.
FirmwareReply answerScsi(const ControllerModel& model, const std::vector<LunAddress>& remoteLuns,
                         FirmwareCommand& command);

} // namespace sim::fw

#endif
