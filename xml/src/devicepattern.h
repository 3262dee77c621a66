// Matching a client's device pattern against a device of the discovery document.
#ifndef TSM_XML_DEVICEPATTERN_H
#define TSM_XML_DEVICEPATTERN_H

#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNode.hpp>

namespace Xml {

// Same node type, name and value, and the same children, pairwise deep-equal.
bool isDeepEqual(const xercesc::DOMNode* pA, const xercesc::DOMNode* pB);

// True when the pattern's Type, Class and Instance all accept the device.
bool patternMatches(const xercesc::DOMElement& pattern, const xercesc::DOMElement& device);

}

#endif
