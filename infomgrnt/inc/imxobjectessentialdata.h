// The identity of one hardware object (port, LUN address, address bytes,
// object type, command type) and the records derived from it per object kind.
#ifndef TSM_INFOMGRNT_IMXOBJECTESSENTIALDATA_H
#define TSM_INFOMGRNT_IMXOBJECTESSENTIALDATA_H

#include "csign.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Object types of the hardware library.
using INFOMGR_OBJECT_TYPE = std::uint32_t;

constexpr INFOMGR_OBJECT_TYPE eOBJECT_FIBRE_CHANNEL_CLASS = 1; // root of host bus adapters
constexpr INFOMGR_OBJECT_TYPE eOBJECT_ARRAY_CLASS = 2; // root of array controllers
constexpr INFOMGR_OBJECT_TYPE eOBJECT_ROOT_BASE = 0x4000; // 0x4000 + n names root class n
constexpr INFOMGR_OBJECT_TYPE eOBJECT_CONTROLLER = 0x8000; // array controller or adapter
constexpr INFOMGR_OBJECT_TYPE eOBJECT_LOGICAL_DRIVE = 0x8003;
constexpr INFOMGR_OBJECT_TYPE eOBJECT_UNTYPED = 0x8004; // a record not typed yet
constexpr INFOMGR_OBJECT_TYPE eOBJECT_PHYSICAL_DRIVE = 0x8005;
constexpr INFOMGR_OBJECT_TYPE eOBJECT_REMOTE_DEVICE = 0x8007; // controller behind a controller

// Command types: which transport reaches an object. Value 4 is not used.
enum CommandType : std::uint32_t { eCSMI_CISS = 0, eCSMI_I2O = 1, eCSMI_FIBRE = 2, eCSMI_SWITCH = 3, eLEGACY = 5 };

constexpr std::uint32_t kPortNotSet = 0xFFFFFFFF;
constexpr std::size_t kLunAddressSize = 8;
constexpr std::size_t kObjectAddressSize = 3;

using LunAddress = std::array<std::uint8_t, kLunAddressSize>;
// Path (bus), target and LUN of a device behind a port; port and target of a
// physical drive.
using ObjectAddress = std::array<std::uint8_t, kObjectAddressSize>;

class SchemaObjectEssentialData {
public:
    SchemaObjectEssentialData() = default;
    SchemaObjectEssentialData(std::uint32_t dwPort, INFOMGR_OBJECT_TYPE eObjectType, CommandType eCommandType);
    SchemaObjectEssentialData(const SchemaObjectEssentialData&) = default;
    SchemaObjectEssentialData& operator=(const SchemaObjectEssentialData&) = default;
    virtual ~SchemaObjectEssentialData();

    bool isInvariant() const { return m_bSignature.isValid(); }

    std::uint32_t port() const;
    void setPort(std::uint32_t dwPort);
    const LunAddress& lunAddress() const;
    void setLunAddress(const LunAddress& lunAddress);
    const ObjectAddress& address() const;
    void setAddress(const ObjectAddress& address);
    INFOMGR_OBJECT_TYPE eObjectType() const;
    void setObjectType(INFOMGR_OBJECT_TYPE eObjectType);
    CommandType eCommandType() const;
    void setCommandType(CommandType eCommandType);

    // Same port, object type, command type and address bytes; the LUN
    // address is not compared.
    bool isSame(const SchemaObjectEssentialData& other) const;

    // Tests damage a record to prove that its users check it.
    void damage() { m_bSignature.damage(); }

private:
    std::uint32_t m_dwPort = kPortNotSet;
    LunAddress m_lunAddress{};
    ObjectAddress m_address{};
    INFOMGR_OBJECT_TYPE m_eObjectType = eOBJECT_UNTYPED;
    CommandType m_eCommandType = eCSMI_CISS;
    CSignature m_bSignature;
};

// The list that scans and discoveries append their records to, in the order found.
using EssentialDataList = std::vector<std::unique_ptr<SchemaObjectEssentialData>>;

// A Fibre Channel host bus adapter: its serial-number text comes with the scan.
class HBAEssentialData : public SchemaObjectEssentialData {
public:
    HBAEssentialData(std::uint32_t dwPort, CommandType eCommandType, std::string serialNumber);
    ~HBAEssentialData() override;

    bool isInvariant() const { return m_bSignature.isValid() && SchemaObjectEssentialData::isInvariant(); }
    const std::string& serialNumber() const { return m_serialNumber; }

private:
    CSignature m_bSignature;
    std::string m_serialNumber;
};

// An array controller reached through another controller or adapter: the
// port is the parent's, the command type and addresses the device's own.
class RemoteDeviceEssentialData : public SchemaObjectEssentialData {
public:
    RemoteDeviceEssentialData(const SchemaObjectEssentialData& parent, CommandType eCommandType,
                              const LunAddress& lunAddress, const ObjectAddress& address);
    ~RemoteDeviceEssentialData() override;

    const SchemaObjectEssentialData& parent() const { return m_parent; }

private:
    SchemaObjectEssentialData m_parent;
};

// A logical drive: reached with the addresses of the object that holds it
// (controller or remote device) and addressed by its drive number.
class LogicalDriveEssentialData : public SchemaObjectEssentialData {
public:
    LogicalDriveEssentialData(const SchemaObjectEssentialData& parent, std::uint8_t bDriveNumber);
    ~LogicalDriveEssentialData() override;

    const SchemaObjectEssentialData& parent() const { return m_parent; }
    std::uint8_t driveNumber() const { return m_bDriveNumber; }

private:
    SchemaObjectEssentialData m_parent;
    std::uint8_t m_bDriveNumber;
};

// A physical drive: its address bytes are the drive's port and target, its
// port, LUN address and command type those of the object that holds it.
class PhysicalDriveEssentialData : public SchemaObjectEssentialData {
public:
    PhysicalDriveEssentialData(const SchemaObjectEssentialData& parent, std::uint8_t bDrivePort,
                               std::uint8_t bDriveTarget, std::uint8_t bDriveNumber);
    ~PhysicalDriveEssentialData() override;

    const SchemaObjectEssentialData& parent() const { return m_parent; }
    std::uint8_t drivePort() const { return address()[0]; }
    std::uint8_t driveTarget() const { return address()[1]; }
    std::uint8_t driveNumber() const { return m_bDriveNumber; }

private:
    SchemaObjectEssentialData m_parent;
    std::uint8_t m_bDriveNumber;
};

#endif
