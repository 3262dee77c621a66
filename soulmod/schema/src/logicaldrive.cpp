// A logical drive: identity by number; commands go to the parent with the
// drive's number as their LUN.
#include "logicaldrive.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "parentforwarding.h"

#include <cstring>

namespace Schema {

LogicalDrive::LogicalDrive(std::uint16_t wNumber) : m_wNumber(wNumber)
{
    TSM_ASSERT_INVARIANT();
}

LogicalDrive::~LogicalDrive() = default;

bool LogicalDrive::isInvariant() const
{
    return m_bSignature.isValid() && Core::Device::isInvariant();
}

std::uint16_t LogicalDrive::number() const
{
    TSM_ASSERT_INVARIANT();
    return m_wNumber;
}

bool LogicalDrive::isGpt()
{
    TSM_ASSERT_INVARIANT();
    Core::ReadLogicalDriveCommand read(static_cast<std::uint8_t>(m_wNumber & 0xFF));
    if (!read.run(*this)->isOk())
        return false;
    static constexpr char kSignature[9] = {'E', 'F', 'I', ' ', 'P', 'A', 'R', 'T', '\0'};
    return std::memcmp(read.view().bytes(0, sizeof kSignature).data(), kSignature, sizeof kSignature) == 0;
}

bool LogicalDrive::isSameDevice(const Core::Device& other) const
{
    const auto* pOther = dynamic_cast<const LogicalDrive*>(&other);
    return pOther != nullptr && pOther->m_wNumber == m_wNumber;
}

std::string LogicalDrive::identityKey() const
{
    return std::to_string(m_wNumber);
}

CountedPtr<Core::Status> LogicalDrive::accept(Core::DeviceVisitor& visitor)
{
    return dispatchVisit<LogicalDriveVisitor>(visitor, *this);
}

std::string LogicalDrive::doStringRep() const
{
    return std::to_string(m_wNumber);
}

bool LogicalDrive::sendBmicCommand(Core::BmicParameters& parameters)
{
    TSM_ASSERT(hasParent());
    parameters.lun = static_cast<std::uint8_t>(m_wNumber & 0xFF);
    return forwardBmic(*this, parameters);
}

bool LogicalDrive::sendScsiCommand(Core::ScsiParameters& parameters)
{
    return forwardScsi(*this, parameters);
}

}
