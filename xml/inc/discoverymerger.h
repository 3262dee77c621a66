// The merge of client documents (root VXA_ClientQWEX) into a discovery
// document: operations for the devices their patterns match, with links into
// the client, and device groups for operations on several devices at once.
// The merger lives for one page, and the page's merging has a budget.
#ifndef TSM_XML_DISCOVERYMERGER_H
#define TSM_XML_DISCOVERYMERGER_H

#include "documenthandle.h"
#include "mergework.h"

#include <xercesc/dom/DOMElement.hpp>

#include <string>

namespace Xml {

class DiscoveryMerger {
public:
    // The primary document: the discovery document merged into. `limit` is
    // what all the merges of this merger may spend together; without one, the
    // page's limit for the devices the primary document holds.
    explicit DiscoveryMerger(DocumentHandle primary);
    DiscoveryMerger(DocumentHandle primary, const MergeWork& limit);

    // Merges one client document; a null or incomplete one adds what it can.
    // A client whose merge would spend more than is left adds nothing, and a
    // debug-log line names it: `source` when given, else its RegisteredName.
    void Merge(DocumentHandle client) { Merge(std::move(client), std::string()); }
    void Merge(DocumentHandle client, const std::string& source);

    // What the merges so far have spent; a client left out spends nothing.
    const MergeWork& spent() const noexcept { return m_spent; }

    // The primary document, for printing.
    const DocumentHandle& document() const noexcept { return m_primary; }

private:
    void reportLeftOut(const std::string& source) const;
    void addSingleDeviceOperations(const xercesc::DOMElement& pattern, xercesc::DOMElement& device);
    void addMultipleDeviceOperations(const xercesc::DOMElement& pattern, const xercesc::DOMElement& device,
                                     xercesc::DOMElement& primaryDevices);
    xercesc::DOMElement* primaryDevices() const;
    // The client's QWEXInfo; null when it has none.
    const xercesc::DOMElement* clientInfo() const;

    DocumentHandle m_primary;
    DocumentHandle m_client;
    MergeWork m_limit;
    MergeWork m_spent;
};

}

#endif
