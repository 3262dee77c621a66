// Merging client documents: patterns, operations, links and device groups.
#include "discoverymerger.h"

#include "devicegroups.h"
#include "devicelinks.h"
#include "devicepattern.h"
#include "domlookup.h"

#include <xercesc/dom/DOMDocument.hpp>

#include <vector>

namespace Xml {
namespace {

using Elements = std::vector<xercesc::DOMElement*>;

// The Device elements below the root in document order, a device before the
// devices nested in it, that the pattern matches. Only Device children are
// entered, so the members of device groups are never matched.
void collectMatches(const xercesc::DOMElement& pattern, xercesc::DOMElement& root, Elements& matches)
{
    for (xercesc::DOMNode* pChild = root.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (!isElementNamed(pChild, u"Device"))
            continue;
        auto& device = *static_cast<xercesc::DOMElement*>(pChild);
        if (patternMatches(pattern, device))
            matches.push_back(&device);
        collectMatches(pattern, device, matches);
    }
}

// Deep copies of the operation's Name and Description children, in order.
void importNameAndDescription(const xercesc::DOMElement& operation, xercesc::DOMElement& target)
{
    xercesc::DOMDocument* pDocument = target.getOwnerDocument();
    for (xercesc::DOMNode* pChild = operation.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (isElementNamed(pChild, u"Name") || isElementNamed(pChild, u"Description"))
            target.appendChild(pDocument->importNode(pChild, true));
    }
}

void importInfo(const xercesc::DOMElement* pQwexInfo, xercesc::DOMElement& target)
{
    if (pQwexInfo)
        target.appendChild(target.getOwnerDocument()->importNode(pQwexInfo, true));
}

template <class Visit>
void forEachOperation(const xercesc::DOMElement& pattern, const XMLCh* pKind, Visit visit)
{
    const xercesc::DOMElement* pOperations = childElement(&pattern, u"Operations");
    if (!pOperations)
        return;
    for (xercesc::DOMNode* pChild = pOperations->getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (isElementNamed(pChild, pKind))
            visit(*static_cast<const xercesc::DOMElement*>(pChild));
    }
}

}

DiscoveryMerger::DiscoveryMerger(DocumentHandle primary) : m_primary(std::move(primary)) {}

xercesc::DOMElement* DiscoveryMerger::primaryDevices() const
{
    return m_primary ? findBelow(m_primary.get(), u"Devices", u"VXA_Discovery") : nullptr;
}

const xercesc::DOMElement* DiscoveryMerger::clientInfo() const
{
    return childElement(firstElementChild(m_client.get()), u"QWEXInfo");
}

void DiscoveryMerger::Merge(DocumentHandle client)
{
    m_client = std::move(client);
    if (!m_client || !m_primary)
        return;
    try {
        xercesc::DOMElement* pPatterns = findBelow(m_client.get(), u"Devices", u"VXA_ClientQWEX");
        xercesc::DOMElement* pDevices = primaryDevices();
        if (!pPatterns || !pDevices)
            return;
        applyPatterns(*pPatterns, *pDevices, *pDevices);
        if (xercesc::DOMElement* pFinish = primaryDevices())
            finishDeviceGroups(*pFinish);
        if (xercesc::DOMElement* pConsolidate = primaryDevices())
            consolidateDeviceGroups(*pConsolidate);
    } catch (...) {
        // The library reports misuse by exception; the document keeps what
        // was merged before it.
    }
}

void DiscoveryMerger::applyPatterns(const xercesc::DOMElement& patternParent, xercesc::DOMElement& searchRoot,
                                    xercesc::DOMElement& primaryDevices)
{
    for (xercesc::DOMNode* pChild = patternParent.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (!isElementNamed(pChild, u"Device"))
            continue;
        const auto& pattern = *static_cast<const xercesc::DOMElement*>(pChild);
        Elements matches;
        collectMatches(pattern, searchRoot, matches);
        for (xercesc::DOMElement* pDevice : matches) {
            addSingleDeviceOperations(pattern, *pDevice);
            addMultipleDeviceOperations(pattern, *pDevice, primaryDevices);
            applyPatterns(pattern, *pDevice, primaryDevices);
        }
    }
}

void DiscoveryMerger::addSingleDeviceOperations(const xercesc::DOMElement& pattern, xercesc::DOMElement& device)
{
    xercesc::DOMDocument* pDocument = m_primary.get();
    xercesc::DOMElement* pOperations = childElement(&device, u"Operations");
    if (!pOperations) {
        pOperations = pDocument->createElement(u"Operations");
        device.appendChild(pOperations);
    }
    const xercesc::DOMElement* pInfo = clientInfo();
    forEachOperation(pattern, u"SingleDeviceOperation", [&](const xercesc::DOMElement& operation) {
        xercesc::DOMElement* pOperation = pDocument->createElement(u"Operation");
        pOperations->appendChild(pOperation);
        importNameAndDescription(operation, *pOperation);
        importInfo(pInfo, *pOperation);
        appendTextElement(*pOperation, u"Link", singleDeviceLink(&operation, pInfo, device));
    });
}

void DiscoveryMerger::addMultipleDeviceOperations(const xercesc::DOMElement& pattern,
                                                  const xercesc::DOMElement& device,
                                                  xercesc::DOMElement& primaryDevices)
{
    xercesc::DOMDocument* pDocument = m_primary.get();
    forEachOperation(pattern, u"MultipleDeviceOperation", [&](const xercesc::DOMElement& operation) {
        xercesc::DOMElement* pGroup = findDeviceGroup(primaryDevices, textOf(childElement(&operation, u"Name")));
        if (!pGroup) {
            pGroup = pDocument->createElement(u"DeviceGroup");
            primaryDevices.appendChild(pGroup);
            for (xercesc::DOMNode* pChild = operation.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
                if (isElementNamed(pChild, u"DeviceGroupName"))
                    pGroup->appendChild(pDocument->importNode(pChild, true));
            }
            xercesc::DOMElement* pOperation = pDocument->createElement(u"Operation");
            importNameAndDescription(operation, *pOperation);
            importInfo(clientInfo(), *pOperation);
            pGroup->appendChild(pOperation);
        }
        xercesc::DOMElement* pMember = pDocument->createElement(u"Device");
        for (const XMLCh* pName : {u"Name", u"Type", u"Class", u"Instance"}) {
            if (const xercesc::DOMElement* pPart = childElement(&device, pName))
                pMember->appendChild(pPart->cloneNode(true));
        }
        pGroup->appendChild(pMember);
    });
}

}
