// DeviceFinder and dump: queries over a subtree.
#include "device.h"

#include "checkassert.h"

#include <sstream>

namespace Core {

DeviceFinder::DeviceFinder(DevicePtr pRoot) : m_pRoot(pRoot)
{
}

void DeviceFinder::addCriterion(const std::string& name, const std::string& value)
{
    m_criteria.emplace_back(name, value);
}

DeviceList DeviceFinder::findDevices() const
{
    DeviceList found;
    findDevices(found);
    return found;
}

void DeviceFinder::findDevices(DeviceList& found) const
{
    if (m_pRoot.get() != nullptr)
        collect(m_pRoot, found);
}

void DeviceFinder::collect(const DevicePtr& pDevice, DeviceList& found) const
{
    if (matches(*pDevice))
        found.push_back(pDevice);
    for (auto it = pDevice->beginChild(); it != pDevice->endChild(); ++it)
        collect(*it, found);
}

bool DeviceFinder::matches(const Device& device) const
{
    std::size_t satisfied = 0;
    for (const Attribute& criterion : m_criteria)
        if (device.hasAttribute(criterion.first) && device.attribute(criterion.first) == criterion.second)
            ++satisfied;
    return satisfied == m_criteria.size();
}

void dump(const Device& device, unsigned level, std::ostream& stream)
{
    const std::string indent(4u * level, ' ');
    const std::string inner = indent + "    ";
    const std::string type = device.attribute("Type");
    stream << indent << "<" << type << ">\n";
    for (auto it = device.beginAttribute(); it != device.endAttribute(); ++it)
        stream << inner << "<" << it->first << ">" << it->second << "</" << it->first << ">\n";
    for (auto it = device.beginOperation(); it != device.endOperation(); ++it)
        stream << inner << "<Operation>" << (*it)->name() << "</Operation>\n";
    for (auto it = device.beginChild(); it != device.endChild(); ++it)
        dump(**it, level + 1, stream);
    stream << indent << "</" << type << ">\n";
}

std::string dump(const Device& device)
{
    std::ostringstream stream;
    dump(device, 0, stream);
    return stream.str();
}

}
