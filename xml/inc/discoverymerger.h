// The merge of client documents (root VXA_ClientQWEX) into a discovery
// document: operations for the devices their patterns match, with links into
// the client, and device groups for operations on several devices at once.
#ifndef TSM_XML_DISCOVERYMERGER_H
#define TSM_XML_DISCOVERYMERGER_H

#include "documenthandle.h"

#include <xercesc/dom/DOMElement.hpp>

namespace Xml {

class DiscoveryMerger {
public:
    // The primary document: the discovery document merged into.
    explicit DiscoveryMerger(DocumentHandle primary);

    // Merges one client document; a null or incomplete one adds what it can.
    void Merge(DocumentHandle client);

    // The primary document, for printing.
    const DocumentHandle& document() const noexcept { return m_primary; }

private:
    void applyPatterns(const xercesc::DOMElement& patternParent, xercesc::DOMElement& searchRoot,
                       xercesc::DOMElement& primaryDevices);
    void addSingleDeviceOperations(const xercesc::DOMElement& pattern, xercesc::DOMElement& device);
    void addMultipleDeviceOperations(const xercesc::DOMElement& pattern, const xercesc::DOMElement& device,
                                     xercesc::DOMElement& primaryDevices);
    xercesc::DOMElement* primaryDevices() const;
    // The client's QWEXInfo; null when it has none.
    const xercesc::DOMElement* clientInfo() const;

    DocumentHandle m_primary;
    DocumentHandle m_client;
};

}

#endif
