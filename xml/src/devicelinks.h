// Links into a client web application for an operation on devices.
#ifndef TSM_XML_DEVICELINKS_H
#define TSM_XML_DEVICELINKS_H

#include <xercesc/dom/DOMElement.hpp>

#include <string>

namespace Xml {

// "/" RegisteredName "/" RequestPage of a QWEXInfo (missing texts are empty).
std::string qwexInfoPart(const xercesc::DOMElement* pQwexInfo);
// "Operation=" and the text of the operation's Name.
std::string operationPart(const xercesc::DOMElement* pOperation);
// "Type=" bus, "&" field "=" value for each type field, "&Class=" class,
// "&" instance "=" value.
std::string deviceQuery(const xercesc::DOMElement& device);
// QWEXInfo part "?" operation part "&" device query.
std::string singleDeviceLink(const xercesc::DOMElement* pOperation, const xercesc::DOMElement* pQwexInfo,
                             const xercesc::DOMElement& device);

}

#endif
