// The discovery document of the machine (root VXA_Discovery), and the devices
// that other providers' discovery documents add to it.
#ifndef TSM_XML_DISCOVERYDOCUMENT_H
#define TSM_XML_DISCOVERYDOCUMENT_H

#include "device.h"
#include "documenthandle.h"
#include "domfactory.h"

#include <functional>
#include <string>

namespace Xml {

// Reads the described controllers, in the document's order, while the tree
// is still locked; what it keeps must be copies, not the devices.
using DescribedControllersReader = std::function<void(const Core::DeviceList& described)>;

// Refreshes the device tree and describes its array controllers. The tree is
// shared by every request, so one lock is held from the refresh until the
// last controller is read, by the document and then by the reader, if one is
// given. Null when no document can be made.
DocumentHandle BuildDiscoveryDocument(const DescribedControllersReader& readDescribed = nullptr);

// Appends the Device elements of another provider's discovery document text
// (parsed without validation); a text that does not parse, or either document
// without VXA_Discovery/Devices, adds nothing. A device with devices nested
// more than 16 deep is left out, with a debug-log line naming `source`.
void AppendDevices(const DocumentHandle& document, const std::string& text, const DOMFactory& factory = DOMFactory(),
                   const std::string& source = std::string());
// The same for a parsed discovery document of another provider.
void AppendDevices(const DocumentHandle& document, const DocumentHandle& provider,
                   const std::string& source = std::string());

}

#endif
