// Finishing and consolidating device groups.
#include "devicegroups.h"

#include "devicelinks.h"
#include "domlookup.h"

#include <xercesc/dom/DOMDocument.hpp>

#include <map>
#include <set>
#include <vector>

namespace Xml {
namespace {

template <class Visit>
void forEachChildNamed(xercesc::DOMElement& parent, const XMLCh* pName, Visit visit)
{
    for (xercesc::DOMNode* pChild = parent.getFirstChild(); pChild; pChild = pChild->getNextSibling())
        if (isElementNamed(pChild, pName))
            visit(*static_cast<xercesc::DOMElement*>(pChild));
}

void finishDeviceGroup(xercesc::DOMElement& group)
{
    xercesc::DOMElement* pOperation = childElement(&group, u"Operation");
    if (!pOperation || childElement(pOperation, u"Link"))
        return;
    std::string link = qwexInfoPart(childElement(pOperation, u"QWEXInfo")) + "?" + operationPart(pOperation);
    std::set<std::string> names;
    forEachChildNamed(group, u"Device", [&](xercesc::DOMElement& member) {
        link += "&" + deviceQuery(member);
        names.insert(textOf(childElement(&member, u"Name")));
    });
    appendTextElement(*pOperation, u"Link", link);
    if (!childElement(&group, u"Name")) {
        std::string joined;
        for (const std::string& name : names)
            joined += name + "&";
        appendTextElement(group, u"Name", joined);
    }
}

}

xercesc::DOMElement* findDeviceGroup(xercesc::DOMElement& devices, const std::string& operationName)
{
    for (xercesc::DOMNode* pChild = devices.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (!isElementNamed(pChild, u"DeviceGroup"))
            continue;
        const xercesc::DOMElement* pOperation = childElement(pChild, u"Operation");
        if (pOperation && textOf(childElement(pOperation, u"Name")) == operationName)
            return static_cast<xercesc::DOMElement*>(pChild);
    }
    return nullptr;
}

void finishDeviceGroups(xercesc::DOMElement& devices)
{
    forEachChildNamed(devices, u"DeviceGroup", finishDeviceGroup);
}

void consolidateDeviceGroups(xercesc::DOMElement& devices)
{
    std::map<std::string, xercesc::DOMElement*> firstByName;
    std::vector<xercesc::DOMElement*> merged;
    forEachChildNamed(devices, u"DeviceGroup", [&](xercesc::DOMElement& group) {
        const auto [found, bFirst] = firstByName.emplace(textOf(childElement(&group, u"Name")), &group);
        if (bFirst)
            return;
        xercesc::DOMElement& first = *found->second;
        const xercesc::DOMElement* pGroupName = childElement(&group, u"DeviceGroupName");
        if (!childElement(&first, u"DeviceGroupName") && pGroupName)
            first.appendChild(pGroupName->cloneNode(true));
        forEachChildNamed(group, u"Operation",
                          [&first](xercesc::DOMElement& operation) { first.appendChild(operation.cloneNode(true)); });
        merged.push_back(&group);
    });
    for (xercesc::DOMElement* pGroup : merged)
        devices.removeChild(pGroup)->release();
}

}
