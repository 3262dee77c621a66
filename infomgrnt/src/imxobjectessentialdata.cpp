// Essential data records: the identity of a hardware object and its comparison.
#include "imxobjectessentialdata.h"

#include "checkassert.h"

#include <utility>

SchemaObjectEssentialData::SchemaObjectEssentialData(std::uint32_t dwPort, INFOMGR_OBJECT_TYPE eObjectType,
                                                     CommandType eCommandType)
    : m_dwPort(dwPort), m_eObjectType(eObjectType), m_eCommandType(eCommandType)
{
}

SchemaObjectEssentialData::~SchemaObjectEssentialData() = default;

std::uint32_t SchemaObjectEssentialData::port() const
{
    TSM_ASSERT_INVARIANT();
    return m_dwPort;
}

void SchemaObjectEssentialData::setPort(std::uint32_t dwPort)
{
    TSM_ASSERT_INVARIANT();
    m_dwPort = dwPort;
}

const LunAddress& SchemaObjectEssentialData::lunAddress() const
{
    TSM_ASSERT_INVARIANT();
    return m_lunAddress;
}

void SchemaObjectEssentialData::setLunAddress(const LunAddress& lunAddress)
{
    TSM_ASSERT_INVARIANT();
    m_lunAddress = lunAddress;
}

const ObjectAddress& SchemaObjectEssentialData::address() const
{
    TSM_ASSERT_INVARIANT();
    return m_address;
}

void SchemaObjectEssentialData::setAddress(const ObjectAddress& address)
{
    TSM_ASSERT_INVARIANT();
    m_address = address;
}

INFOMGR_OBJECT_TYPE SchemaObjectEssentialData::eObjectType() const
{
    TSM_ASSERT_INVARIANT();
    return m_eObjectType;
}

void SchemaObjectEssentialData::setObjectType(INFOMGR_OBJECT_TYPE eObjectType)
{
    TSM_ASSERT_INVARIANT();
    m_eObjectType = eObjectType;
}

CommandType SchemaObjectEssentialData::eCommandType() const
{
    TSM_ASSERT_INVARIANT();
    return m_eCommandType;
}

void SchemaObjectEssentialData::setCommandType(CommandType eCommandType)
{
    TSM_ASSERT_INVARIANT();
    m_eCommandType = eCommandType;
}

bool SchemaObjectEssentialData::isSame(const SchemaObjectEssentialData& other) const
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(other.isInvariant(), "other.isInvariant()");
    return m_dwPort == other.m_dwPort && m_eObjectType == other.m_eObjectType &&
           m_eCommandType == other.m_eCommandType && m_address == other.m_address;
}

HBAEssentialData::HBAEssentialData(std::uint32_t dwPort, CommandType eCommandType, std::string serialNumber)
    : SchemaObjectEssentialData(dwPort, eOBJECT_CONTROLLER, eCommandType), m_serialNumber(std::move(serialNumber))
{
}

HBAEssentialData::~HBAEssentialData() = default;

RemoteDeviceEssentialData::RemoteDeviceEssentialData(const SchemaObjectEssentialData& parent, CommandType eCommandType,
                                                     const LunAddress& lunAddress, const ObjectAddress& address)
    : SchemaObjectEssentialData(parent.port(), eOBJECT_REMOTE_DEVICE, eCommandType), m_parent(parent)
{
    setLunAddress(lunAddress);
    setAddress(address);
}

RemoteDeviceEssentialData::~RemoteDeviceEssentialData() = default;

LogicalDriveEssentialData::LogicalDriveEssentialData(const SchemaObjectEssentialData& parent, std::uint8_t bDriveNumber)
    : SchemaObjectEssentialData(parent.port(), eOBJECT_LOGICAL_DRIVE, parent.eCommandType()), m_parent(parent),
      m_bDriveNumber(bDriveNumber)
{
    setLunAddress(parent.lunAddress());
    setAddress(parent.address());
}

LogicalDriveEssentialData::~LogicalDriveEssentialData() = default;

PhysicalDriveEssentialData::PhysicalDriveEssentialData(const SchemaObjectEssentialData& parent, std::uint8_t bDrivePort,
                                                       std::uint8_t bDriveTarget, std::uint8_t bDriveNumber)
    : SchemaObjectEssentialData(parent.port(), eOBJECT_PHYSICAL_DRIVE, parent.eCommandType()), m_parent(parent),
      m_bDriveNumber(bDriveNumber)
{
    setLunAddress(parent.lunAddress());
    setAddress(ObjectAddress{bDrivePort, bDriveTarget, 0});
}

PhysicalDriveEssentialData::~PhysicalDriveEssentialData() = default;
