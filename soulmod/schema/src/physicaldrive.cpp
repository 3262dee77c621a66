// A physical drive: identity by role and number; BMIC commands go upwards.
#include "physicaldrive.h"

#include "checkassert.h"
#include "parentforwarding.h"

namespace Schema {

PhysicalDrive::PhysicalDrive(std::uint32_t dwRole, std::uint16_t wNumber) : m_dwRole(dwRole), m_wNumber(wNumber)
{
    TSM_ASSERT_INVARIANT();
}

PhysicalDrive::~PhysicalDrive() = default;

bool PhysicalDrive::isInvariant() const
{
    return m_bSignature.isValid() && Core::Device::isInvariant();
}

std::uint32_t PhysicalDrive::role() const
{
    TSM_ASSERT_INVARIANT();
    return m_dwRole;
}

std::uint16_t PhysicalDrive::number() const
{
    TSM_ASSERT_INVARIANT();
    return m_wNumber;
}

bool PhysicalDrive::isSameDevice(const Core::Device& other) const
{
    const auto* pOther = dynamic_cast<const PhysicalDrive*>(&other);
    return pOther != nullptr && pOther->m_dwRole == m_dwRole && pOther->m_wNumber == m_wNumber;
}

std::string PhysicalDrive::identityKey() const
{
    return std::to_string(m_dwRole) + ":" + std::to_string(m_wNumber);
}

CountedPtr<Core::Status> PhysicalDrive::accept(Core::DeviceVisitor& visitor)
{
    return dispatchVisit<PhysicalDriveVisitor>(visitor, *this);
}

std::string PhysicalDrive::doStringRep() const
{
    return "PD" + std::to_string(m_wNumber);
}

bool PhysicalDrive::sendBmicCommand(Core::BmicParameters& parameters)
{
    return forwardBmic(*this, parameters);
}

}
