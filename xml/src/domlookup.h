// Element lookups shared by the discovery document and the merge.
#ifndef TSM_XML_DOMLOOKUP_H
#define TSM_XML_DOMLOOKUP_H

#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNode.hpp>

#include <functional>
#include <string>

namespace Xml {

// The first child of the node that is an element of that name; null if none.
xercesc::DOMElement* childElement(const xercesc::DOMNode* pNode, const XMLCh* pName);
// The first child of the node that is an element; null if none.
xercesc::DOMElement* firstElementChild(const xercesc::DOMNode* pNode);
// The first element below the root, in document order, of that name whose
// parent has the given name (a node without a parent: the empty name).
xercesc::DOMElement* findBelow(xercesc::DOMNode* pRoot, const XMLCh* pName, const XMLCh* pParentName);
// Every such element, in document order.
void forEachBelow(xercesc::DOMNode* pRoot, const XMLCh* pName, const XMLCh* pParentName,
                  const std::function<void(xercesc::DOMElement&)>& visit);
// The value of the element's first child node, narrow; "" when there is none.
std::string textOf(const xercesc::DOMNode* pElement);
// True when the node is an element of that name.
bool isElementNamed(const xercesc::DOMNode* pNode, const XMLCh* pName);
// Appends a new element of that name with one text child to the parent.
xercesc::DOMElement* appendTextElement(xercesc::DOMNode& parent, const XMLCh* pName, const std::string& text);

}

#endif
