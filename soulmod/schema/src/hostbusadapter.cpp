// A host bus adapter: the same device as long as the hardware handle is.
#include "hostbusadapter.h"

#include "checkassert.h"

namespace Schema {

HostBusAdapter::HostBusAdapter(Hardware::Handle hHandle) : m_hHandle(hHandle)
{
    TSM_ASSERT_INVARIANT();
}

HostBusAdapter::~HostBusAdapter() = default;

bool HostBusAdapter::isInvariant() const
{
    return m_bSignature.isValid() && Core::Device::isInvariant();
}

Hardware::Handle HostBusAdapter::handle() const
{
    TSM_ASSERT_INVARIANT();
    return m_hHandle;
}

bool HostBusAdapter::isSameDevice(const Core::Device& other) const
{
    const auto* pOther = dynamic_cast<const HostBusAdapter*>(&other);
    return pOther != nullptr && pOther->m_hHandle == m_hHandle;
}

std::string HostBusAdapter::identityKey() const
{
    return std::to_string(m_hHandle);
}

CountedPtr<Core::Status> HostBusAdapter::accept(Core::DeviceVisitor& visitor)
{
    return dispatchVisit<HostBusAdapterVisitor>(visitor, *this);
}

std::string HostBusAdapter::doStringRep() const
{
    // Discovery publishes the world-wide name before the adapter is attached.
    return hasAttribute("WWN") ? attribute("WWN") : std::string();
}

}
