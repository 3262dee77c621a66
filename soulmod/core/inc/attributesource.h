// Attributes of a device: the name/value map, the read side, the write side
// and the base through which operations hand attributes to devices.
#ifndef TSM_CORE_ATTRIBUTESOURCE_H
#define TSM_CORE_ATTRIBUTESOURCE_H

#include <map>
#include <string>

namespace Core {

// Names are case-sensitive and ordered bytewise; one value per name.
using AttributeMap = std::map<std::string, std::string>;
using Attribute = AttributeMap::value_type;

// Read side of a holder of attributes.
class AttributeSource {
public:
    virtual ~AttributeSource() = 0;
    virtual bool isInvariant() const = 0;

    AttributeMap::const_iterator beginAttribute() const;
    AttributeMap::const_iterator endAttribute() const;
    bool hasAttribute(const std::string& name) const;
    // The value of an attribute that must exist; a missing one is logged
    // ("CHECKX: Does not have attribute - <name>") and ends the program.
    std::string attribute(const std::string& name) const;

protected:
    virtual AttributeMap::const_iterator doBeginAttribute() const = 0;
    virtual AttributeMap::const_iterator doEndAttribute() const = 0;
    virtual bool doHasAttribute(const std::string& name) const = 0;
    virtual std::string doGetAttribute(const std::string& name) const = 0;
};

// Write side: receives attributes from publishers.
class AttributeSubscriber {
public:
    // Replaces any attribute of the same name with the given pair.
    virtual void updateAttribute(const Attribute& attribute) = 0;
    // Removes the attribute of that name if there is one.
    virtual void removeAttribute(const std::string& name) = 0;

protected:
    ~AttributeSubscriber() = default;
};

// Base of devices and operations: hands attributes to a subscriber.
class AttributePublisher {
public:
    // An empty value is passed on only when publishEmpty is true, so a
    // discovery that learns nothing never wipes a known value.
    void publishAttribute(AttributeSubscriber& subscriber, const Attribute& attribute, bool publishEmpty) const;
};

}

#endif
