// Planning a merge: the matches found the way the merge finds them, and the
// work charged as it is found, so that planning itself stops at the budget.
#include "mergeplan.h"

#include "devicepattern.h"
#include "domlookup.h"

#include <xercesc/dom/DOMNamedNodeMap.hpp>
#include <xercesc/util/XMLString.hpp>

namespace Xml {
namespace {

using xercesc::DOMElement;
using xercesc::DOMNode;

std::size_t lengthOf(const XMLCh* pText)
{
    return pText ? xercesc::XMLString::stringLen(pText) : 0;
}

std::size_t childCount(const DOMNode& node)
{
    std::size_t count = 0;
    for (const DOMNode* pChild = node.getFirstChild(); pChild; pChild = pChild->getNextSibling())
        ++count;
    return count;
}

// One node and its attributes: nodes, and the characters of element and
// attribute names and of values.
MergeWork sizeOfNode(const DOMNode& node)
{
    MergeWork size{0, 1, lengthOf(node.getNodeValue())};
    if (node.getNodeType() != DOMNode::ELEMENT_NODE)
        return size;
    size.characters += lengthOf(node.getNodeName());
    if (const xercesc::DOMNamedNodeMap* pAttributes = node.getAttributes()) {
        for (XMLSize_t i = 0; i < pAttributes->getLength(); ++i) {
            const DOMNode* pAttribute = pAttributes->item(i);
            size.nodes += 1;
            size.characters += lengthOf(pAttribute->getNodeName()) + lengthOf(pAttribute->getNodeValue());
        }
    }
    return size;
}

// What a deep copy of the node makes; nothing for a null node. Walked
// without recursion, in document order.
MergeWork sizeOf(const DOMNode* pRoot)
{
    MergeWork size;
    for (const DOMNode* pNode = pRoot; pNode;) {
        size += sizeOfNode(*pNode);
        if (const DOMNode* pChild = pNode->getFirstChild()) {
            pNode = pChild;
            continue;
        }
        while (pNode != pRoot && !pNode->getNextSibling())
            pNode = pNode->getParentNode();
        pNode = pNode == pRoot ? nullptr : pNode->getNextSibling();
    }
    return size;
}

// Deep copies of the operation's Name and Description children.
MergeWork sizeOfNameAndDescription(const DOMElement& operation)
{
    MergeWork size;
    for (const DOMNode* pChild = operation.getFirstChild(); pChild; pChild = pChild->getNextSibling())
        if (isElementNamed(pChild, u"Name") || isElementNamed(pChild, u"Description"))
            size += sizeOf(pChild);
    return size;
}

// Testing a device compares the pattern's criteria other than Any.
MergeWork testCost(const DOMElement& pattern)
{
    MergeWork cost{1, 0, 0};
    for (const XMLCh* pName : {u"Type", u"Class", u"Instance"}) {
        const DOMElement* pCriterion = firstElementChild(childElement(&pattern, pName));
        if (isElementNamed(pCriterion, u"Any"))
            continue;
        const MergeWork size = sizeOf(pCriterion);
        cost.visits += size.nodes;
        cost.characters += size.characters;
    }
    return cost;
}

// A new Operation: Name and Description, QWEXInfo, and the link's characters
// that do not depend on the device.
MergeWork operationCost(const DOMElement& operation, const MergeWork& info)
{
    MergeWork cost = sizeOfNameAndDescription(operation);
    cost += info;
    cost += {0, 1, info.characters + sizeOf(childElement(&operation, u"Name")).characters + 16};
    return cost;
}

}

MergePlan::PatternCost::PatternCost(const DOMElement& patternElement, const MergeWork& info)
    : pattern(patternElement), test(testCost(patternElement))
{
    // Applying looks up Operations among the pattern's children and walks
    // the operations twice; the device gets an Operations element.
    perMatch = {childCount(pattern), 1, 0};
    const DOMElement* pOperations = childElement(&pattern, u"Operations");
    if (!pOperations)
        return;
    perMatch.visits += 2 * childCount(*pOperations);
    for (const DOMNode* pChild = pOperations->getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (isElementNamed(pChild, u"SingleDeviceOperation")) {
            // With its Link and the link's text.
            perMatch += operationCost(*static_cast<const DOMElement*>(pChild), info);
            perMatch.nodes += 2;
            ++singleOperations;
        } else if (isElementNamed(pChild, u"MultipleDeviceOperation")) {
            const auto& operation = *static_cast<const DOMElement*>(pChild);
            // DeviceGroup, its DeviceGroupName copies, the Operation; Link and
            // Name with their texts when the group is finished. Consolidation
            // may copy the group's parts once more.
            MergeWork group = operationCost(operation, info);
            for (const DOMNode* pPart = operation.getFirstChild(); pPart; pPart = pPart->getNextSibling())
                if (isElementNamed(pPart, u"DeviceGroupName"))
                    group += sizeOf(pPart);
            group.nodes += 5;
            MergeWork twice = group;
            twice += group;
            groupOperations.push_back({textOf(childElement(&operation, u"Name")), twice});
        }
    }
}

MergePlan::MergePlan(const DOMElement& patterns, DOMElement& primaryDevices, const DOMElement* pClientInfo,
                     const MergeWork& available)
    : m_available(available), m_info(sizeOf(pClientInfo))
{
    for (const DOMNode* pChild = primaryDevices.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        ++m_uListChildren;
        if (!isElementNamed(pChild, u"DeviceGroup"))
            continue;
        const std::string name = textOf(childElement(childElement(pChild, u"Operation"), u"Name"));
        m_uGroupNameCharacters += name.size();
        m_groupOperations.insert(name);
    }
    m_bComplete = charge({m_uListChildren, 0, m_uGroupNameCharacters}) && planPatterns(patterns, primaryDevices) &&
                  // Finishing and consolidating walk the device list's groups.
                  charge({2 * m_uListChildren, 0, m_uGroupNameCharacters});
}

// Worked out once per pattern: nested patterns are planned again below
// every match of their parent.
const MergePlan::PatternCost& MergePlan::costOf(const DOMElement& pattern)
{
    return m_costs.try_emplace(&pattern, pattern, m_info).first->second;
}

bool MergePlan::charge(const MergeWork& work)
{
    m_work += work;
    return m_work.fitsWithin(m_available);
}

bool MergePlan::planPatterns(const DOMElement& patternParent, DOMElement& searchRoot)
{
    for (const DOMNode* pChild = patternParent.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (!charge({1, 0, 0}))
            return false;
        if (!isElementNamed(pChild, u"Device"))
            continue;
        const PatternCost& cost = costOf(*static_cast<const DOMElement*>(pChild));
        std::vector<DOMElement*> found;
        if (!collectMatches(cost, searchRoot, found))
            return false;
        for (DOMElement* pDevice : found) {
            m_matches.push_back({&cost.pattern, pDevice});
            if (!chargeMatch(cost, *pDevice) || !planPatterns(cost.pattern, *pDevice))
                return false;
        }
    }
    return true;
}

// As the merge collects them: every child looked at is a visit, every
// Device child is tested and entered.
bool MergePlan::collectMatches(const PatternCost& cost, DOMElement& root, std::vector<DOMElement*>& matches)
{
    for (DOMNode* pChild = root.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        if (!charge({1, 0, 0}))
            return false;
        if (!isElementNamed(pChild, u"Device"))
            continue;
        auto& device = *static_cast<DOMElement*>(pChild);
        if (!charge(cost.test))
            return false;
        if (patternMatches(cost.pattern, device))
            matches.push_back(&device);
        if (!collectMatches(cost, device, matches))
            return false;
    }
    return true;
}

bool MergePlan::chargeMatch(const PatternCost& cost, const DOMElement& device)
{
    // A link names the device by its Type, Class and Instance; a group member
    // copies them with the Name.
    MergeWork identity;
    for (const XMLCh* pName : {u"Type", u"Class", u"Instance"})
        identity += sizeOf(childElement(&device, pName));
    const MergeWork name = sizeOf(childElement(&device, u"Name"));
    const std::size_t queryCharacters = identity.characters + 2 * identity.nodes;

    // Reading them here, and the lookups among the device's children.
    MergeWork single = cost.perMatch;
    single.visits += childCount(device) + identity.nodes + name.nodes;
    single.characters += identity.characters + name.characters;
    single.characters += cost.singleOperations * queryCharacters;
    if (!charge(single))
        return false;
    MergeWork member = identity;
    member += name;
    member += {0, 1, queryCharacters + name.characters + 2};
    for (const PatternCost::GroupOperation& operation : cost.groupOperations)
        if (!chargeMultipleDeviceOperation(operation.name, operation.newGroup) || !charge(member))
            return false;
    return true;
}

// Finding the group searches the whole device list; the first operation of
// a name makes its group.
bool MergePlan::chargeMultipleDeviceOperation(const std::string& name, const MergeWork& newGroup)
{
    if (!charge({m_uListChildren, 0, m_uGroupNameCharacters}))
        return false;
    if (!m_groupOperations.insert(name).second)
        return true;
    ++m_uListChildren;
    m_uGroupNameCharacters += name.size();
    return charge(newGroup);
}

}
