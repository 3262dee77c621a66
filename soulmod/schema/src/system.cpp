// The root device: one per process, path part "System".
#include "system.h"

#include "checkassert.h"

#include <mutex>

namespace Schema {

Core::DevicePtr System::instance()
{
    static Core::DevicePtr s_pSystem;
    static std::once_flag s_created;
    std::call_once(s_created, [] {
        s_pSystem = Core::DevicePtr(new System());
        Core::Device::setRootAccessor(&System::instance);
    });
    return s_pSystem;
}

System::System()
{
    updateOperations();
    publishAttribute(*this, Core::Attribute("Type", "system"), false);
    TSM_ASSERT_INVARIANT();
}

System::~System() = default;

bool System::isInvariant() const
{
    return m_bSignature.isValid() && Core::Device::isInvariant();
}

bool System::isSameDevice(const Core::Device& other) const
{
    return dynamic_cast<const System*>(&other) != nullptr && stringRep() == other.stringRep();
}

CountedPtr<Core::Status> System::accept(Core::DeviceVisitor& visitor)
{
    return dispatchVisit<SystemVisitor>(visitor, *this);
}

std::string System::doStringRep() const
{
    return "System";
}

}
