// The identity index of a device's children: finds the child equal to a
// device without asking every sibling when the kind provides identity keys.
#include "device.h"

#include <typeinfo>

namespace Core {

void Device::indexChild(const DevicePtr& pChild)
{
    pChild->m_ulSequence = m_ulNextSequence++;
    pChild->m_strKey = pChild->identityKey();
    if (pChild->m_strKey.empty()) {
        ++m_nKeylessChildren;
        return;
    }
    const Device& child = *pChild;
    m_keyedChildren.emplace(IdentityKey(std::type_index(typeid(child)), pChild->m_strKey),
                            std::make_pair(pChild->m_ulSequence, pChild));
}

void Device::unindexChild(const Device& child)
{
    if (child.m_strKey.empty()) {
        if (m_nKeylessChildren > 0)
            --m_nKeylessChildren;
        return;
    }
    const auto it = m_keyedChildren.find(IdentityKey(std::type_index(typeid(child)), child.m_strKey));
    if (it != m_keyedChildren.end() && it->second.second.get() == &child)
        m_keyedChildren.erase(it);
}

// The first child in attach order for which child.isSameDevice(device) holds.
// A keyed child can only match a device with its key, a keyless device only
// a keyless child, so at most one keyed child and the keyless ones are asked.
DevicePtr Device::findSameChild(const Device& device) const
{
    DevicePtr pFound;
    unsigned long ulFoundSequence = 0;
    const std::string key = device.identityKey();
    if (!key.empty()) {
        const auto it = m_keyedChildren.find(IdentityKey(std::type_index(typeid(device)), key));
        if (it != m_keyedChildren.end() && it->second.second->isSameDevice(device)) {
            pFound = it->second.second;
            ulFoundSequence = it->second.first;
        }
    }
    if (m_nKeylessChildren == 0)
        return pFound;
    for (const DevicePtr& pChild : m_children) {
        if (pFound.get() != nullptr && pChild->m_ulSequence >= ulFoundSequence)
            break;
        if (pChild->m_strKey.empty() && pChild->isSameDevice(device))
            return pChild;
    }
    return pFound;
}

DevicePtr Device::childPointer(const Device& child) const
{
    if (!child.m_strKey.empty()) {
        const auto it = m_keyedChildren.find(IdentityKey(std::type_index(typeid(child)), child.m_strKey));
        if (it != m_keyedChildren.end() && it->second.second.get() == &child)
            return it->second.second;
    }
    for (const DevicePtr& pChild : m_children)
        if (pChild.get() == &child)
            return pChild;
    return DevicePtr();
}

}
