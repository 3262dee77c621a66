// The Device element of an array controller in the discovery document: model
// tag, bus type element, class with redundancy, instance, box name.
#ifndef TSM_XML_CONTROLLERDESCRIPTION_H
#define TSM_XML_CONTROLLERDESCRIPTION_H

#include "device.h"

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>

#include <string>

namespace Xml {

// One row of the bus table: the BusType value it answers, the name of the
// type element, how the type element is filled, and the instance element with
// the attribute whose value it holds.
struct BusRow {
    const char* pszTypeKey;
    const XMLCh* pElementName;
    void (*pfnFillType)(xercesc::DOMElement& typeElement, const Core::Device& controller);
    const XMLCh* pInstanceName;
    const char* pszInstanceAttribute;
};

// The first row whose key equals the bus type exactly; null when none does.
const BusRow* findBusRow(const std::string& busType);

// Appends the controller's Device element to Devices, or nothing when its
// model is not in the model table.
void AppendControllerDevice(xercesc::DOMElement& devices, const Core::Device& controller);

// The controllers that get a Device element, in the document's order:
// ascending byte order of FullName; of controllers that are the same device
// or share a FullName only the first in the given order; those whose model
// is not in the model table left out.
Core::DeviceList DescribedControllers(const Core::DeviceList& controllers);

// Appends the Device element of each described controller, in that order.
void AppendControllers(xercesc::DOMElement& devices, const Core::DeviceList& controllers);

}

#endif
