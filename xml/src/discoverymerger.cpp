// Merging client documents: patterns, operations, links and device groups.
#include "discoverymerger.h"

#include "devicegroups.h"
#include "devicelinks.h"
#include "devicepattern.h"
#include "domlookup.h"
#include "mergeplan.h"

#include "clog.h"

#include <xercesc/dom/DOMDocument.hpp>

#include <string>
#include <vector>

namespace Xml {
namespace {

// Deep copies of the operation's Name and Description children, in order.
void importNameAndDescription(const xercesc::DOMElement& operation, xercesc::DOMElement& target)
{
    xercesc::DOMDocument* pDocument = target.getOwnerDocument();
    for (xercesc::DOMNode* pChild = operation.getFirstChild(); pChild; pChild = pChild->getNextSibling())
        if (isElementNamed(pChild, u"Name") || isElementNamed(pChild, u"Description"))
            target.appendChild(pDocument->importNode(pChild, true));
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
    for (xercesc::DOMNode* pChild = pOperations->getFirstChild(); pChild; pChild = pChild->getNextSibling())
        if (isElementNamed(pChild, pKind))
            visit(*static_cast<const xercesc::DOMElement*>(pChild));
}

// What is left of the limit once `spent` is spent.
MergeWork remaining(const MergeWork& limit, const MergeWork& spent)
{
    return {limit.visits - spent.visits, limit.nodes - spent.nodes, limit.characters - spent.characters};
}

// A name from a peer's document, fit for one line of the log.
std::string printable(const std::string& name)
{
    constexpr std::size_t kMaxLength = 80;
    std::string shown = name.substr(0, kMaxLength);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return name.size() > kMaxLength ? shown + "..." : shown;
}

}

namespace {

// The page's limit for a primary document: the base and an allowance for
// each of its Device elements.
MergeWork pageLimitFor(const DocumentHandle& primary)
{
    MergeWork limit = kPageMergeLimit;
    const xercesc::DOMElement* pRoot = primary ? primary->getDocumentElement() : nullptr;
    if (!pRoot)
        return limit;
    std::vector<const xercesc::DOMNode*> pending{pRoot};
    while (!pending.empty()) {
        const xercesc::DOMNode* pNode = pending.back();
        pending.pop_back();
        for (const xercesc::DOMNode* pChild = pNode->getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
            if (pChild->getNodeType() != xercesc::DOMNode::ELEMENT_NODE)
                continue;
            if (isElementNamed(pChild, u"Device"))
                limit += kMergeLimitPerDevice;
            pending.push_back(pChild);
        }
    }
    return limit;
}

}

DiscoveryMerger::DiscoveryMerger(DocumentHandle primary) : DiscoveryMerger(primary, pageLimitFor(primary))
{
}

DiscoveryMerger::DiscoveryMerger(DocumentHandle primary, const MergeWork& limit)
    : m_primary(std::move(primary)), m_limit(limit)
{
}

xercesc::DOMElement* DiscoveryMerger::primaryDevices() const
{
    return m_primary ? findBelow(m_primary.get(), u"Devices", u"VXA_Discovery") : nullptr;
}

const xercesc::DOMElement* DiscoveryMerger::clientInfo() const
{
    return childElement(firstElementChild(m_client.get()), u"QWEXInfo");
}

void DiscoveryMerger::Merge(DocumentHandle client, const std::string& source)
{
    m_client = std::move(client);
    if (!m_client || !m_primary)
        return;
    try {
        xercesc::DOMElement* pPatterns = findBelow(m_client.get(), u"Devices", u"VXA_ClientQWEX");
        xercesc::DOMElement* pDevices = primaryDevices();
        if (!pPatterns || !pDevices)
            return;
        // Adding operations changes nothing that matching looks at (only
        // Device children are entered), so the planned matches are the ones
        // the merge would find as it goes.
        const MergePlan plan(*pPatterns, *pDevices, clientInfo(), remaining(m_limit, m_spent));
        if (!plan.isComplete()) {
            reportLeftOut(source);
            return;
        }
        m_spent += plan.work();
        for (const PatternMatch& match : plan.matches()) {
            addSingleDeviceOperations(*match.pPattern, *match.pDevice);
            addMultipleDeviceOperations(*match.pPattern, *match.pDevice, *pDevices);
        }
        if (xercesc::DOMElement* pFinish = primaryDevices())
            finishDeviceGroups(*pFinish);
        if (xercesc::DOMElement* pConsolidate = primaryDevices())
            consolidateDeviceGroups(*pConsolidate);
    } catch (...) {
        // The library reports misuse by exception; the document keeps what
        // was merged before it.
    }
}

void DiscoveryMerger::reportLeftOut(const std::string& source) const
{
    const std::string name = source.empty() ? textOf(childElement(clientInfo(), u"RegisteredName")) : source;
    DebugLog::write("Merge left out " + printable(name) + ": it needs more than the page's merge budget has left");
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

void DiscoveryMerger::addMultipleDeviceOperations(const xercesc::DOMElement& pattern, const xercesc::DOMElement& device,
                                                  xercesc::DOMElement& primaryDevices)
{
    xercesc::DOMDocument* pDocument = m_primary.get();
    forEachOperation(pattern, u"MultipleDeviceOperation", [&](const xercesc::DOMElement& operation) {
        xercesc::DOMElement* pGroup = findDeviceGroup(primaryDevices, textOf(childElement(&operation, u"Name")));
        if (!pGroup) {
            pGroup = pDocument->createElement(u"DeviceGroup");
            primaryDevices.appendChild(pGroup);
            for (xercesc::DOMNode* pChild = operation.getFirstChild(); pChild; pChild = pChild->getNextSibling())
                if (isElementNamed(pChild, u"DeviceGroupName"))
                    pGroup->appendChild(pDocument->importNode(pChild, true));
            xercesc::DOMElement* pOperation = pDocument->createElement(u"Operation");
            importNameAndDescription(operation, *pOperation);
            importInfo(clientInfo(), *pOperation);
            pGroup->appendChild(pOperation);
        }
        xercesc::DOMElement* pMember = pDocument->createElement(u"Device");
        for (const XMLCh* pName : {u"Name", u"Type", u"Class", u"Instance"})
            if (const xercesc::DOMElement* pPart = childElement(&device, pName))
                pMember->appendChild(pPart->cloneNode(true));
        pGroup->appendChild(pMember);
    });
}

}
