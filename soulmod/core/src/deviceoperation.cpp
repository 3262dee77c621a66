// DeviceOperation: name, type, filter and the per-call arguments.
#include "deviceoperation.h"

#include "checkassert.h"
#include "clog.h"

namespace Core {

DeviceVisitor::~DeviceVisitor() = default;

DeviceOperation::~DeviceOperation() = default;

bool DeviceOperation::isInvariant() const
{
    return true;
}

std::string DeviceOperation::name() const
{
    TSM_ASSERT_INVARIANT();
    const std::string opName = doName();
    TSM_ASSERT(opName.size() != 0);
    return opName;
}

DeviceOperation::eType DeviceOperation::type() const
{
    TSM_ASSERT_INVARIANT();
    const eType eType = doType();
    TSM_ASSERT(eType != eUNKNOWN);
    return eType;
}

CountedPtr<Filter> DeviceOperation::filter() const
{
    TSM_ASSERT_INVARIANT();
    return doFilter();
}

CountedPtr<Filter> DeviceOperation::doFilter() const
{
    return CountedPtr<Filter>(new NullFilter());
}

void DeviceOperation::clearArguments()
{
    TSM_ASSERT_INVARIANT();
    m_arguments.clear();
    TSM_ASSERT_INVARIANT();
}

void DeviceOperation::setArgument(const Attribute& argument)
{
    TSM_ASSERT_INVARIANT();
    m_arguments.erase(argument.first);
    m_arguments.insert(argument);
    TSM_ASSERT_INVARIANT();
}

bool DeviceOperation::hasArgument(const std::string& name) const
{
    TSM_ASSERT_INVARIANT();
    return m_arguments.find(name) != m_arguments.end();
}

std::string DeviceOperation::argument(const std::string& name) const
{
    TSM_ASSERT_INVARIANT();
    if (!hasArgument(name)) {
        DebugLog::write("CHECKX: Does not have argument - " + name);
        TSM_ASSERT_TEXT(false, "hasArgument(name)");
    }
    return m_arguments.find(name)->second;
}

bool DeviceOperation::operator==(const DeviceOperation& other) const
{
    return name() == other.name() && type() == other.type();
}

}
