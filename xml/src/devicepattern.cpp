// Type, class and instance criteria of device patterns; "Any" accepts all.
#include "devicepattern.h"

#include "domlookup.h"

#include <xercesc/util/XMLString.hpp>

namespace Xml {
namespace {

using xercesc::XMLString;

bool isShallowEqual(const xercesc::DOMNode* pA, const xercesc::DOMNode* pB)
{
    return pA->getNodeType() == pB->getNodeType() && XMLString::equals(pA->getNodeName(), pB->getNodeName()) &&
           XMLString::equals(pA->getNodeValue(), pB->getNodeValue());
}

// The first element child of the named criterion of a pattern or device.
const xercesc::DOMElement* criterion(const xercesc::DOMElement& element, const XMLCh* pName)
{
    return firstElementChild(childElement(&element, pName));
}

bool isAny(const xercesc::DOMElement* pCriterion)
{
    return isElementNamed(pCriterion, u"Any");
}

// The device may carry more type fields than the pattern names; each field
// the pattern names must be there, equal.
bool typeMatches(const xercesc::DOMElement* pPattern, const xercesc::DOMElement* pDevice)
{
    if (isAny(pPattern))
        return true;
    if (!pPattern || !pDevice || !isShallowEqual(pPattern, pDevice))
        return false;
    for (const xercesc::DOMNode* pField = pPattern->getFirstChild(); pField; pField = pField->getNextSibling()) {
        if (pField->getNodeType() != xercesc::DOMNode::ELEMENT_NODE)
            continue;
        if (!isDeepEqual(pField, childElement(pDevice, pField->getNodeName())))
            return false;
    }
    return true;
}

bool classMatches(const xercesc::DOMElement* pPattern, const xercesc::DOMElement* pDevice)
{
    return isAny(pPattern) || (pPattern && pDevice && isShallowEqual(pPattern, pDevice));
}

bool instanceMatches(const xercesc::DOMElement* pPattern, const xercesc::DOMElement* pDevice)
{
    return isAny(pPattern) || (pPattern && pDevice && isDeepEqual(pPattern, pDevice));
}

}

bool isDeepEqual(const xercesc::DOMNode* pA, const xercesc::DOMNode* pB)
{
    if (!pA || !pB || !isShallowEqual(pA, pB))
        return false;
    const xercesc::DOMNode* pChildA = pA->getFirstChild();
    const xercesc::DOMNode* pChildB = pB->getFirstChild();
    for (; pChildA && pChildB; pChildA = pChildA->getNextSibling(), pChildB = pChildB->getNextSibling())
        if (!isDeepEqual(pChildA, pChildB))
            return false;
    return !pChildA && !pChildB;
}

bool patternMatches(const xercesc::DOMElement& pattern, const xercesc::DOMElement& device)
{
    return typeMatches(criterion(pattern, u"Type"), criterion(device, u"Type")) &&
           classMatches(criterion(pattern, u"Class"), criterion(device, u"Class")) &&
           instanceMatches(criterion(pattern, u"Instance"), criterion(device, u"Instance"));
}

}
