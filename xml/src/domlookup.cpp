// Element lookups by name, by parent name and by document order.
#include "domlookup.h"

#include "xmlstring.h"

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMNodeFilter.hpp>
#include <xercesc/dom/DOMNodeIterator.hpp>
#include <xercesc/dom/DOMText.hpp>
#include <xercesc/util/XMLString.hpp>

#include <memory>

namespace Xml {
namespace {

// Accepts exactly the elements of one name under a parent of another name.
class NameAndParentFilter : public xercesc::DOMNodeFilter {
public:
    NameAndParentFilter(const XMLCh* pName, const XMLCh* pParentName) : m_pName(pName), m_pParentName(pParentName) {}

    FilterAction acceptNode(const xercesc::DOMNode* pNode) const override
    {
        if (!xercesc::XMLString::equals(pNode->getNodeName(), m_pName))
            return FILTER_SKIP;
        const xercesc::DOMNode* pParent = pNode->getParentNode();
        const bool bParentMatches = pParent ? xercesc::XMLString::equals(pParent->getNodeName(), m_pParentName)
                                            : xercesc::XMLString::stringLen(m_pParentName) == 0;
        return bParentMatches ? FILTER_ACCEPT : FILTER_SKIP;
    }

private:
    const XMLCh* m_pName;
    const XMLCh* m_pParentName;
};

struct IteratorRelease {
    void operator()(xercesc::DOMNodeIterator* pIterator) const { pIterator->release(); }
};
using IteratorPtr = std::unique_ptr<xercesc::DOMNodeIterator, IteratorRelease>;

IteratorPtr iterate(xercesc::DOMNode* pRoot, NameAndParentFilter& filter)
{
    xercesc::DOMDocument* pDocument = pRoot->getNodeType() == xercesc::DOMNode::DOCUMENT_NODE
                                          ? static_cast<xercesc::DOMDocument*>(pRoot)
                                          : pRoot->getOwnerDocument();
    if (!pDocument)
        return IteratorPtr();
    return IteratorPtr(pDocument->createNodeIterator(pRoot, xercesc::DOMNodeFilter::SHOW_ELEMENT, &filter, true));
}

}

bool isElementNamed(const xercesc::DOMNode* pNode, const XMLCh* pName)
{
    return pNode && pNode->getNodeType() == xercesc::DOMNode::ELEMENT_NODE &&
           xercesc::XMLString::equals(pNode->getNodeName(), pName);
}

xercesc::DOMElement* childElement(const xercesc::DOMNode* pNode, const XMLCh* pName)
{
    if (!pNode)
        return nullptr;
    for (xercesc::DOMNode* pChild = pNode->getFirstChild(); pChild; pChild = pChild->getNextSibling())
        if (isElementNamed(pChild, pName))
            return static_cast<xercesc::DOMElement*>(pChild);
    return nullptr;
}

xercesc::DOMElement* firstElementChild(const xercesc::DOMNode* pNode)
{
    if (!pNode)
        return nullptr;
    for (xercesc::DOMNode* pChild = pNode->getFirstChild(); pChild; pChild = pChild->getNextSibling())
        if (pChild->getNodeType() == xercesc::DOMNode::ELEMENT_NODE)
            return static_cast<xercesc::DOMElement*>(pChild);
    return nullptr;
}

xercesc::DOMElement* findBelow(xercesc::DOMNode* pRoot, const XMLCh* pName, const XMLCh* pParentName)
{
    if (!pRoot)
        return nullptr;
    NameAndParentFilter filter(pName, pParentName);
    const IteratorPtr pIterator = iterate(pRoot, filter);
    if (!pIterator)
        return nullptr;
    xercesc::DOMNode* pFound = pIterator->nextNode();
    pIterator->detach();
    return static_cast<xercesc::DOMElement*>(pFound);
}

void forEachBelow(xercesc::DOMNode* pRoot, const XMLCh* pName, const XMLCh* pParentName,
                  const std::function<void(xercesc::DOMElement&)>& visit)
{
    if (!pRoot)
        return;
    NameAndParentFilter filter(pName, pParentName);
    const IteratorPtr pIterator = iterate(pRoot, filter);
    if (!pIterator)
        return;
    while (xercesc::DOMNode* pNode = pIterator->nextNode())
        visit(*static_cast<xercesc::DOMElement*>(pNode));
}

std::string textOf(const xercesc::DOMNode* pElement)
{
    if (!pElement || !pElement->getFirstChild())
        return std::string();
    return toNarrow(pElement->getFirstChild()->getNodeValue());
}

xercesc::DOMElement* appendTextElement(xercesc::DOMNode& parent, const XMLCh* pName, const std::string& text)
{
    xercesc::DOMDocument* pDocument = parent.getOwnerDocument();
    xercesc::DOMElement* pElement = pDocument->createElement(pName);
    pElement->appendChild(pDocument->createTextNode(XmlString(text)));
    parent.appendChild(pElement);
    return pElement;
}

}
