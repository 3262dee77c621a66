// What the object model asks of a transport, where it gets its transports,
// and the hooks that let a test give it its own transports and a fresh tree.
#ifndef TSM_INFOMGRNT_IMXTRANSPORTSOURCE_H
#define TSM_INFOMGRNT_IMXTRANSPORTSOURCE_H

#include "imxobjectessentialdata.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace InfoMgr {

constexpr std::size_t kBusInfoRecordSize = 18;
constexpr std::size_t kFibreIdentityRecordSize = 20;
constexpr std::size_t kRemoteIdentityRecordSize = 64;

using BusInfoRecord = std::array<std::uint8_t, kBusInfoRecordSize>;
using FibreIdentityRecord = std::array<std::uint8_t, kFibreIdentityRecordSize>;
using RemoteIdentityRecord = std::array<std::uint8_t, kRemoteIdentityRecordSize>;

// One BMIC command as an object hands it to its transport.
struct BmicTransfer {
    std::uint8_t bOpcode = 0;
    std::uint8_t bDriveIndex = 0; // the request's lun: the drive addressed, 0 for the controller
    // Bytes 2 to 5 of the command block, least significant byte first (the
    // object has already put the request's detail in the order it passes it).
    std::uint32_t dwDetail = 0;
    std::uint32_t dwDirection = 0; // 1 read, 2 write
};

// One SCSI command block as an object hands it to its transport.
struct ScsiTransfer {
    const std::uint8_t* pbCdb = nullptr;
    std::uint8_t bCdbLength = 0;
    std::uint32_t dwDirection = 0; // 1 read, 2 write
};

// Data and status of one command: the caller's buffers and the out-values.
struct TransferBuffers {
    void* pData = nullptr;
    std::uint32_t dwDataLength = 0;
    void* pSense = nullptr;
    std::uint32_t dwSenseLength = 0; // in: room; out: bytes returned
    std::uint8_t bScsiStatus = 0; // out
    std::uint16_t wCommandStatus = 0; // out
};

// The transport operations the object model uses, for one command type. Every
// operation answers the transport's 32-bit result code (0 success).
class ObjectTransport {
public:
    virtual ~ObjectTransport() = default;

    // Appends one record per controller of this transport.
    virtual std::uint32_t discoverControllers(EssentialDataList& records) = 0;
    // Appends the records of the array controllers reached through a controller.
    virtual std::uint32_t discoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                                    EssentialDataList& records) = 0;
    // Append one record per logical / physical drive of the object.
    virtual std::uint32_t discoverLogicalDrives(const SchemaObjectEssentialData& controller,
                                                EssentialDataList& records) = 0;
    virtual std::uint32_t discoverPhysicalDrives(const SchemaObjectEssentialData& controller,
                                                 EssentialDataList& records) = 0;
    virtual std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo) = 0;
    // Status byte: 0 normal, 1 or 2.
    virtual std::uint32_t getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus) = 0;
    virtual std::uint32_t getFibreIdentity(const SchemaObjectEssentialData& device, FibreIdentityRecord& identity) = 0;
    virtual std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& device,
                                            RemoteIdentityRecord& identity) = 0;
    virtual std::uint32_t sendBmicCommand(const SchemaObjectEssentialData& device, const BmicTransfer& command,
                                          TransferBuffers& buffers) = 0;
    virtual std::uint32_t sendScsiCommand(const SchemaObjectEssentialData& device, const ScsiTransfer& command,
                                          TransferBuffers& buffers) = 0;
};

using TransportPtr = std::unique_ptr<ObjectTransport>;
using TransportFactory = std::function<TransportPtr(CommandType)>;

// A new transport for the command type (the machine's IOCTL transports unless
// replaced); null when there is none for it.
TransportPtr createTransport(CommandType eCommandType);

// Replaces the transport factory; an empty function restores the IOCTL transports.
void setTransportFactory(TransportFactory factory);

// Records the initialisation error that every entry point answers first
// (0 clears it).
void recordInitError(std::uint32_t dwInitError);

// Destroys both root classes and every object found below them, so that the
// next open discovers the machine afresh. Handles into the old tree become
// invalid.
void discardRootClasses();

}

#endif
