// Controller (BMIC) command objects: one class per command with its opcode,
// reply size and addressing, and the run that turns driver results into a
// status value.
#ifndef TSM_SCHEMA_BMICCOMMAND_H
#define TSM_SCHEMA_BMICCOMMAND_H

#include "bmicdevice.h"
#include "countedptr.h"
#include "replyview.h"
#include "status.h"

#include <cstdint>
#include <span>

namespace Core {

// Base of every command: runs it on a device and keeps the outcome of the run.
class BmicCommand {
public:
    BmicCommand() = default;
    BmicCommand(const BmicCommand&) = delete;
    BmicCommand& operator=(const BmicCommand&) = delete;
    virtual ~BmicCommand() = default;

    // Sends the command through the device; the status value is 1 for success,
    // 0 for failure, or one of the controller refusals 4 to 11.
    CountedPtr<Status> run(BmicDevice& device);

    std::uint8_t commandStatus() const { return m_bCommandStatus; }
    std::uint8_t scsiStatus() const { return m_bScsiStatus; }
    std::uint8_t senseKey() const { return m_bSenseKey; }
    std::uint8_t senseCode() const { return m_bSenseCode; }
    std::uint8_t senseQualifier() const { return m_bSenseQualifier; }

    // The status value the outcome table gives for a command outcome; 0 when
    // no row matches. A command status of 0xFFFF and sense values of 255
    // match any row.
    static int outcomeValue(std::uint16_t commandStatus, std::uint8_t scsiStatus, std::uint8_t senseKey,
                            std::uint8_t senseCode, std::uint8_t senseQualifier);

protected:
    // Fills the block for this command and sends it; true when the send did.
    virtual bool execute(BmicDevice& device, BmicParameters& parameters) = 0;

private:
    std::uint8_t m_bCommandStatus = 0;
    std::uint8_t m_bScsiStatus = 0;
    std::uint8_t m_bSenseKey = 0;
    std::uint8_t m_bSenseCode = 0;
    std::uint8_t m_bSenseQualifier = 0;
};

// Reply structures: opaque byte areas of the sizes the controller returns.
// NOLINTBEGIN(readability-magic-numbers): the reply sizes of the byte layout
struct _IDENTIFY_CONTROLLER {
    std::uint8_t abData[512];
};
struct _CONTROLLER_PARAMETERS {
    std::uint8_t abData[512];
};
struct _CACHE_CONFIG_STATUS {
    std::uint8_t abData[512];
};
struct _SURFACE_STATUS {
    std::uint8_t abData[1536];
};
struct _SUBSYSTEM_PARAMETERS {
    std::uint8_t abData[512];
};
struct _LOGICAL_DRIVE_CONFIG {
    std::uint8_t abData[512];
};
struct _LOGICAL_DRIVE_STATUS {
    std::uint8_t abData[1024];
};
struct _READ_WRITE_BUFFER {
    std::uint8_t abData[512];
};
struct _PHYSICAL_DRIVE_STATUS {
    std::uint8_t abData[512];
};
static_assert(sizeof(_IDENTIFY_CONTROLLER) == 512);
static_assert(sizeof(_SURFACE_STATUS) == 1536);
static_assert(sizeof(_LOGICAL_DRIVE_STATUS) == 1024);
// NOLINTEND(readability-magic-numbers)

// Command tags: the opcode of each command.
struct IdentifyCtrl {
    static constexpr std::uint8_t kOpcode = 0x11;
};
struct SenseCtrlParameters {
    static constexpr std::uint8_t kOpcode = 0x64;
};
struct SenseCtrlCacheConfigStatus {
    static constexpr std::uint8_t kOpcode = 0xC1;
};
struct SenseSurfStatus {
    static constexpr std::uint8_t kOpcode = 0x70;
};
struct SenseSubsystemInfo {
    static constexpr std::uint8_t kOpcode = 0x66;
};
struct SenseLogDrvConfiguration {
    static constexpr std::uint8_t kOpcode = 0x50;
};
struct SenseLogDrvStatus {
    static constexpr std::uint8_t kOpcode = 0x12;
};
struct ReadLogDrv {
    static constexpr std::uint8_t kOpcode = 0x20;
};
struct IdentifyPhyDrv {
    static constexpr std::uint8_t kOpcode = 0x15;
};

// Holds the zero-filled reply buffer and the read direction of a command.
template <class Reply>
class CommandReply {
public:
    const Reply& reply() const { return m_reply; }
    Schema::ReplyView view() const
    {
        return Schema::ReplyView(std::span<const std::uint8_t>(m_reply.abData, sizeof m_reply.abData));
    }
    static constexpr std::uint32_t replySize() { return sizeof(Reply); }

protected:
    void fill(BmicParameters& parameters, std::uint8_t opcode)
    {
        parameters.opcode = opcode;
        parameters.pBuffer = m_reply.abData;
        parameters.bufferSize = sizeof m_reply.abData;
        parameters.direction = 0; // every command of this family reads from the controller
    }

private:
    Reply m_reply{};
};

// A command addressed to the controller itself.
template <class Tag, class Reply>
class ControllerCommand : public BmicCommand, public CommandReply<Reply> {
public:
    explicit ControllerCommand(std::uint32_t dwDetail = 0) : m_dwDetail(dwDetail) {}

protected:
    bool execute(BmicDevice& device, BmicParameters& parameters) override
    {
        this->fill(parameters, Tag::kOpcode);
        parameters.detail = m_dwDetail;
        parameters.lun = 0;
        return device.sendBmicCommand(parameters);
    }

private:
    std::uint32_t m_dwDetail;
};

// A command addressed to one logical drive of the controller.
template <class Tag, class Reply>
class LogicalDriveCommand : public BmicCommand, public CommandReply<Reply> {
public:
    explicit LogicalDriveCommand(std::uint8_t bDriveNumber) : m_bDriveNumber(bDriveNumber) {}

protected:
    bool execute(BmicDevice& device, BmicParameters& parameters) override
    {
        this->fill(parameters, Tag::kOpcode);
        parameters.detail = 0;
        parameters.lun = m_bDriveNumber;
        return device.sendBmicCommand(parameters);
    }

private:
    std::uint8_t m_bDriveNumber;
};

// A command addressed to one physical drive; the caller composes the detail
// value from the drive number.
template <class Tag, class Reply>
class PhysicalDriveCommand : public BmicCommand, public CommandReply<Reply> {
public:
    explicit PhysicalDriveCommand(std::uint32_t dwDetail) : m_dwDetail(dwDetail) {}

protected:
    bool execute(BmicDevice& device, BmicParameters& parameters) override
    {
        this->fill(parameters, Tag::kOpcode);
        parameters.detail = m_dwDetail;
        parameters.lun = 0;
        return device.sendBmicCommand(parameters);
    }

private:
    std::uint32_t m_dwDetail;
};

template <class Tag, class Reply>
class SenseControllerCommand : public ControllerCommand<Tag, Reply> {
public:
    using ControllerCommand<Tag, Reply>::ControllerCommand;
    ~SenseControllerCommand() override = default;
};

template <class Tag, class Reply>
class SenseLogicalDriveCommand : public LogicalDriveCommand<Tag, Reply> {
public:
    using LogicalDriveCommand<Tag, Reply>::LogicalDriveCommand;
    ~SenseLogicalDriveCommand() override = default;
};

using IdentifyControllerCommand = SenseControllerCommand<IdentifyCtrl, _IDENTIFY_CONTROLLER>;
using ControllerParametersCommand = SenseControllerCommand<SenseCtrlParameters, _CONTROLLER_PARAMETERS>;
using CacheConfigStatusCommand = SenseControllerCommand<SenseCtrlCacheConfigStatus, _CACHE_CONFIG_STATUS>;
using SurfaceStatusCommand = SenseControllerCommand<SenseSurfStatus, _SURFACE_STATUS>;
using SubsystemInfoCommand = SenseControllerCommand<SenseSubsystemInfo, _SUBSYSTEM_PARAMETERS>;
using LogicalDriveConfigCommand = SenseLogicalDriveCommand<SenseLogDrvConfiguration, _LOGICAL_DRIVE_CONFIG>;
using LogicalDriveStatusCommand = SenseLogicalDriveCommand<SenseLogDrvStatus, _LOGICAL_DRIVE_STATUS>;
using ReadLogicalDriveCommand = SenseLogicalDriveCommand<ReadLogDrv, _READ_WRITE_BUFFER>;
using IdentifyPhysicalDriveCommand = PhysicalDriveCommand<IdentifyPhyDrv, _PHYSICAL_DRIVE_STATUS>;

}

#endif
