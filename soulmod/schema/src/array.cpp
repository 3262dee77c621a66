// An array: identity by name and drive lists, commands forwarded upwards.
#include "array.h"

#include "checkassert.h"
#include "parentforwarding.h"

namespace Schema {
namespace {

std::string extended(const std::string& listText, const std::string& drives)
{
    Core::DriveList list(listText);
    list.addAll(Core::DriveList(drives));
    return list.toText();
}

}

Array::Array(const std::string& name, std::uint16_t wFirstLogicalDrive, const std::string& dataDrives,
             const std::string& failedDrives)
    : m_strName(name), m_strDataDrives(dataDrives), m_strFailedDrives(failedDrives)
{
    addLogicalDrive(wFirstLogicalDrive);
    TSM_ASSERT_INVARIANT();
}

Array::~Array() = default;

bool Array::isInvariant() const
{
    return m_bSignature.isValid() && Core::Device::isInvariant();
}

const std::string& Array::name() const
{
    return m_strName;
}
const std::string& Array::activeSpareDrives() const
{
    return m_strActiveSpares;
}
const std::string& Array::dataDrives() const
{
    return m_strDataDrives;
}
const std::string& Array::failedDrives() const
{
    return m_strFailedDrives;
}
const std::string& Array::spareDrives() const
{
    return m_strSpareDrives;
}
const std::string& Array::logicalDrives() const
{
    return m_strLogicalDrives;
}

void Array::addActiveSpareDrives(const std::string& drives)
{
    m_strActiveSpares = extended(m_strActiveSpares, drives);
}

void Array::addSpareDrives(const std::string& drives)
{
    m_strSpareDrives = extended(m_strSpareDrives, drives);
}

void Array::addLogicalDrive(std::uint16_t wNumber)
{
    Core::DriveList list(m_strLogicalDrives);
    list.add(std::to_string(wNumber));
    m_strLogicalDrives = list.toText();
}

bool Array::isSameDevice(const Core::Device& other) const
{
    const auto* pOther = dynamic_cast<const Array*>(&other);
    return pOther != nullptr && pOther->m_strName == m_strName && pOther->m_strDataDrives == m_strDataDrives &&
           pOther->m_strFailedDrives == m_strFailedDrives && pOther->m_strSpareDrives == m_strSpareDrives &&
           pOther->m_strLogicalDrives == m_strLogicalDrives;
}

CountedPtr<Core::Status> Array::accept(Core::DeviceVisitor& visitor)
{
    return dispatchVisit<ArrayVisitor>(visitor, *this);
}

std::string Array::doStringRep() const
{
    return "ARRAY_" + m_strName;
}

bool Array::sendBmicCommand(Core::BmicParameters& parameters)
{
    return forwardBmic(*this, parameters);
}

bool Array::sendScsiCommand(Core::ScsiParameters& parameters)
{
    return forwardScsi(*this, parameters);
}

}
