// Link texts: values are inserted as they stand, nothing is escaped.
#include "devicelinks.h"

#include "domlookup.h"
#include "xmlstring.h"

namespace Xml {

std::string qwexInfoPart(const xercesc::DOMElement* pQwexInfo)
{
    return "/" + textOf(childElement(pQwexInfo, u"RegisteredName")) + "/" +
           textOf(childElement(pQwexInfo, u"RequestPage"));
}

std::string operationPart(const xercesc::DOMElement* pOperation)
{
    return "Operation=" + textOf(childElement(pOperation, u"Name"));
}

std::string deviceQuery(const xercesc::DOMElement& device)
{
    const xercesc::DOMElement* pType = firstElementChild(childElement(&device, u"Type"));
    std::string query = "Type=" + (pType ? toNarrow(pType->getNodeName()) : std::string());
    for (const xercesc::DOMNode* pField = pType ? pType->getFirstChild() : nullptr; pField;
         pField = pField->getNextSibling())
        if (pField->getNodeType() == xercesc::DOMNode::ELEMENT_NODE)
            query += "&" + toNarrow(pField->getNodeName()) + "=" + textOf(pField);
    const xercesc::DOMElement* pClass = firstElementChild(childElement(&device, u"Class"));
    query += "&Class=" + (pClass ? toNarrow(pClass->getNodeName()) : std::string());
    const xercesc::DOMElement* pInstance = firstElementChild(childElement(&device, u"Instance"));
    query += "&" + (pInstance ? toNarrow(pInstance->getNodeName()) : std::string()) + "=" + textOf(pInstance);
    return query;
}

std::string singleDeviceLink(const xercesc::DOMElement* pOperation, const xercesc::DOMElement* pQwexInfo,
                             const xercesc::DOMElement& device)
{
    return qwexInfoPart(pQwexInfo) + "?" + operationPart(pOperation) + "&" + deviceQuery(device);
}

}
