// Device groups of the discovery document: found by operation name, given
// their link and member names, and consolidated by member names.
#ifndef TSM_XML_DEVICEGROUPS_H
#define TSM_XML_DEVICEGROUPS_H

#include <xercesc/dom/DOMElement.hpp>

#include <string>

namespace Xml {

// The first DeviceGroup child whose Operation's Name has that text; null if none.
xercesc::DOMElement* findDeviceGroup(xercesc::DOMElement& devices, const std::string& operationName);
// Gives each group whose operation has no Link yet its link and, if it has
// none, its Name: the distinct member names in byte order, each followed by "&".
void finishDeviceGroups(xercesc::DOMElement& devices);
// Merges later groups into the first group with the same Name text.
void consolidateDeviceGroups(xercesc::DOMElement& devices);

}

#endif
