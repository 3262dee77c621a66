// The IOCTL transports' common class: the three interface bases, the result
// codes, the request shapes and the operations every transport answers.
#ifndef TSM_INFOMGRNT_IMXIOCTLCOMMANDGROUP_H
#define TSM_INFOMGRNT_IMXIOCTLCOMMANDGROUP_H

#include "imxobjectessentialdata.h"
#include "imxtransportsource.h"

#include <setupapi.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace InfoMgr {

// Result codes of the transport operations.
constexpr std::uint32_t kIoCtlOk = 0;
constexpr std::uint32_t kIoCtlNothingFound = 3; // no controller found, or not for this transport
constexpr std::uint32_t kIoCtlNotImplemented = 0x80000000;
constexpr std::uint32_t kIoCtlRequestFailed = 0x80000005; // call failed, ReturnCode set, or a field was wrong
constexpr std::uint32_t kIoCtlPortNotOpened = 0x80000007;
constexpr std::uint32_t kIoCtlScanPortFailed = 0x80000009;

constexpr std::uint32_t CONTROL_DIRECTION_READ = 1;
constexpr std::uint32_t CONTROL_DIRECTION_WRITE = 2;

constexpr std::size_t kBmicBlockSize = 10;
using BmicCommandBlock = std::array<std::uint8_t, kBmicBlockSize>;

constexpr std::size_t kMaxScsiCdbLength = 16;
constexpr std::size_t kMaxLegacyCdbLength = 24;

// A BMIC command for sendBmicCommand: the addressed object (port, LUN address
// and address bytes are taken from it) and the command block.
struct BmicRequest {
    const SchemaObjectEssentialData* pDevice = nullptr;
    BmicCommandBlock block{};
    std::uint8_t bBlockLength = kBmicBlockSize;
};

// A SCSI command for sendScsiCommand: the addressed object and its CDB.
struct ScsiRequest {
    const SchemaObjectEssentialData* pDevice = nullptr;
    std::array<std::uint8_t, kMaxLegacyCdbLength> cdb{};
    std::uint8_t bCdbLength = 0;
};

// The data and status arguments of both send operations.
struct CommandBuffers {
    void* pData = nullptr;
    std::uint32_t* pdwDataLength = nullptr; // bytes in pData
    void* pSense = nullptr;
    std::uint32_t* pdwSenseLength = nullptr; // in: room; out: bytes returned
    std::uint8_t* pbScsiStatus = nullptr; // out
    std::uint16_t* pwCommandStatus = nullptr; // out
};

class ParameterSetupInterface {
public:
    virtual ~ParameterSetupInterface() = default;
    // The 10-byte command block of a BMIC command: opcode, drive index, the
    // 32-bit value as the caller passes it, direction and data length.
    virtual void setupBmicParameters(const BmicTransfer& command, std::uint32_t dwDataLength,
                                     BmicCommandBlock& block) const = 0;
    // Copies the CDB of a SCSI command into a request.
    virtual void setupScsiParameters(const ScsiTransfer& command, ScsiRequest& request) const = 0;
};

class ScsiInterface {
public:
    virtual ~ScsiInterface() = default;
    virtual std::uint32_t sendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                          CommandBuffers& buffers) = 0;
    virtual std::uint32_t sendScsiCommandPair(const ScsiRequest& request, std::uint32_t dwDirection) = 0;
};

class BmicInterface {
public:
    virtual ~BmicInterface() = default;
    virtual std::uint32_t sendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                          CommandBuffers& buffers) = 0;
    virtual std::uint32_t sendBmicCommandPair(const BmicRequest& request, std::uint32_t dwDirection) = 0;
};

// The base of the four transports. Public operations check the invariant and
// call the protected do-operations the transports override.
class IoCtlCommandGroup : public ParameterSetupInterface, public ScsiInterface, public BmicInterface {
public:
    explicit IoCtlCommandGroup(HDEVINFO hDeviceInfoSet);
    ~IoCtlCommandGroup() override;
    IoCtlCommandGroup(const IoCtlCommandGroup&) = delete;
    IoCtlCommandGroup& operator=(const IoCtlCommandGroup&) = delete;

    void setupBmicParameters(const BmicTransfer& command, std::uint32_t dwDataLength,
                             BmicCommandBlock& block) const override;
    void setupScsiParameters(const ScsiTransfer& command, ScsiRequest& request) const override;

    virtual bool isInvariant() const;

    std::uint32_t discoverControllers(EssentialDataList& controllers);
    std::uint32_t discoverRemoteControllers(const SchemaObjectEssentialData& controller, EssentialDataList& devices);
    std::uint32_t discoverLogicalDrives(const SchemaObjectEssentialData& controller, EssentialDataList& drives,
                                        const SchemaObjectEssentialData& parent);
    std::uint32_t discoverPhysicalDrives(const SchemaObjectEssentialData& controller, EssentialDataList& drives,
                                         const SchemaObjectEssentialData& parent);
    std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo);
    // Status byte: 0 normal, 1 degraded, 2 other.
    std::uint32_t getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus);
    // The identity record of a device reached through the controller: 64
    // bytes for a remote array controller (CISS or Fibre Channel), 20 (world-
    // wide names) for a Fibre Channel adapter or device asked for fewer.
    std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& device, std::uint8_t* pbIdentity,
                                    std::size_t nIdentityLength);

    std::uint32_t sendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                  CommandBuffers& buffers) override;
    std::uint32_t sendScsiCommandPair(const ScsiRequest& request, std::uint32_t dwDirection) override;
    std::uint32_t sendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                  CommandBuffers& buffers) override;
    std::uint32_t sendBmicCommandPair(const BmicRequest& request, std::uint32_t dwDirection) override;

protected:
    HDEVINFO deviceInfoSet() const { return m_hDeviceInfoSet; }
    // Sends a read CDB of up to 16 bytes to a device and fills pbData.
    std::uint32_t readScsi(const SchemaObjectEssentialData& device, const std::uint8_t* pbCdb, std::uint8_t bCdbLength,
                           std::uint8_t* pbData, std::uint32_t dwLength);

    virtual std::uint32_t doDiscoverControllers(EssentialDataList& controllers);
    virtual std::uint32_t doDiscoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                                      EssentialDataList& devices);
    virtual std::uint32_t doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo);
    virtual std::uint32_t doGetControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus);
    virtual std::uint32_t doGetRemoteIdentity(const SchemaObjectEssentialData& device, std::uint8_t* pbIdentity,
                                              std::size_t nIdentityLength);
    virtual std::uint32_t doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                            CommandBuffers& buffers);
    virtual std::uint32_t doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                            CommandBuffers& buffers);

private:
    // Sends a BMIC read the transport builds itself (drive discovery).
    std::uint32_t readBmic(const SchemaObjectEssentialData& controller, std::uint8_t bOpcode, std::uint8_t bDriveIndex,
                           std::uint8_t* pbData, std::uint32_t dwLength);

    CSignature m_bSignature;
    HDEVINFO m_hDeviceInfoSet;
};

}

#endif
