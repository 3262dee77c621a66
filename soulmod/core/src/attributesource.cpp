// Read side of attributes: invariant-checked wrappers, and publishing.
#include "attributesource.h"

#include "checkassert.h"
#include "clog.h"

namespace Core {

AttributeSource::~AttributeSource() = default;

AttributeMap::const_iterator AttributeSource::beginAttribute() const
{
    TSM_ASSERT_INVARIANT();
    return doBeginAttribute();
}

AttributeMap::const_iterator AttributeSource::endAttribute() const
{
    TSM_ASSERT_INVARIANT();
    return doEndAttribute();
}

bool AttributeSource::hasAttribute(const std::string& name) const
{
    TSM_ASSERT_INVARIANT();
    return doHasAttribute(name);
}

std::string AttributeSource::attribute(const std::string& name) const
{
    TSM_ASSERT_INVARIANT();
    if (!hasAttribute(name)) {
        DebugLog::write("CHECKX: Does not have attribute - " + name);
        TSM_ASSERT_TEXT(false, "hasAttribute( name )");
    }
    return doGetAttribute(name);
}

void AttributePublisher::publishAttribute(AttributeSubscriber& subscriber, const Attribute& attribute,
                                          bool publishEmpty) const
{
    if (publishEmpty || !attribute.second.empty())
        subscriber.updateAttribute(attribute);
}

}
