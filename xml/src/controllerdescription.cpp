// Filling the Device element of an array controller from its attributes.
#include "controllerdescription.h"

#include "controllermodels.h"
#include "conversion.h"
#include "domlookup.h"

#include <xercesc/dom/DOMDocument.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace Xml {
namespace {

// A controller lacking an attribute that its description reads gets the
// empty text rather than ending the request.
std::string attributeOf(const Core::Device& controller, const std::string& name)
{
    return controller.hasAttribute(name) ? controller.attribute(name) : std::string();
}

// EISA and PCI: the subsystem identifier's halves.
void fillSubsystem(xercesc::DOMElement& typeElement, const Core::Device& controller)
{
    const std::uint32_t dwSubsystem = Core::parseUnsigned(attributeOf(controller, "SubsystemID"));
    char vendor[16];
    char device[16];
    std::snprintf(vendor, sizeof vendor, "0x%04hX", static_cast<unsigned short>(dwSubsystem >> 16));
    std::snprintf(device, sizeof device, "0x%4hX", static_cast<unsigned short>(dwSubsystem & 0xFFFFu));
    appendTextElement(typeElement, u"SubsystemVendorID", vendor);
    appendTextElement(typeElement, u"SubsystemDeviceID", device);
}

// Fibre and SCSI: the inquiry vendor and product.
void fillInquiry(xercesc::DOMElement& typeElement, const Core::Device& controller)
{
    appendTextElement(typeElement, u"VendorID", attributeOf(controller, "VendorID"));
    appendTextElement(typeElement, u"ProductID", attributeOf(controller, "ProductID"));
}

const std::array<BusRow, 4> kBusTable = {{
    {"eisa", u"EISA", fillSubsystem, u"Slot", "Slot"},
    {"pci", u"PCI", fillSubsystem, u"Slot", "Slot"},
    {"fibre", u"Fibre", fillInquiry, u"WWN", "WWN"},
    {"scsi", u"SCSI", fillInquiry, u"SerialNumber", "ControllerSerialNumber"},
}};

xercesc::DOMElement* appendElement(xercesc::DOMElement& parent, const XMLCh* pName)
{
    xercesc::DOMElement* pElement = parent.getOwnerDocument()->createElement(pName);
    parent.appendChild(pElement);
    return pElement;
}

}

const BusRow* findBusRow(const std::string& busType)
{
    const auto found = std::find_if(kBusTable.begin(), kBusTable.end(),
                                    [&busType](const BusRow& row) { return busType == row.pszTypeKey; });
    return found == kBusTable.end() ? nullptr : &*found;
}

void AppendControllerDevice(xercesc::DOMElement& devices, const Core::Device& controller)
{
    const std::optional<std::string> tag = Schema::modelTag(attributeOf(controller, "ControllerName"));
    if (!tag)
        return;
    xercesc::DOMElement* pDevice = appendElement(devices, u"Device");
    appendTextElement(*pDevice, u"Name", *tag);

    const BusRow* pRow = findBusRow(attributeOf(controller, "BusType"));
    xercesc::DOMElement* pType = appendElement(*pDevice, u"Type");
    if (pRow)
        pRow->pfnFillType(*appendElement(*pType, pRow->pElementName), controller);

    xercesc::DOMElement* pClass = appendElement(*appendElement(*pDevice, u"Class"), u"ArrayController");
    pClass->setAttribute(u"isRedundant", controller.hasAttribute("RedundantState") ? u"true" : u"false");

    xercesc::DOMElement* pInstance = appendElement(*pDevice, u"Instance");
    if (pRow)
        appendTextElement(*pInstance, pRow->pInstanceName, attributeOf(controller, pRow->pszInstanceAttribute));

    if (controller.hasAttribute("Boxname"))
        appendTextElement(*pDevice, u"BoxName", controller.attribute("Boxname"));
}

Core::DeviceList DescribedControllers(const Core::DeviceList& controllers)
{
    Core::DeviceList described;
    for (const Core::DevicePtr& pController : controllers) {
        const std::string fullName = attributeOf(*pController, "FullName");
        const bool bKnown = std::any_of(described.begin(), described.end(), [&](const Core::DevicePtr& pKept) {
            return pKept->isSameDevice(*pController) || attributeOf(*pKept, "FullName") == fullName;
        });
        if (!bKnown)
            described.push_back(pController);
    }
    std::stable_sort(
        described.begin(), described.end(),
        [](const Core::DevicePtr& a, const Core::DevicePtr& b) {
            return attributeOf(*a, "FullName") < attributeOf(*b, "FullName");
        });
    std::erase_if(described, [](const Core::DevicePtr& pController) {
        return !Schema::modelTag(attributeOf(*pController, "ControllerName"));
    });
    return described;
}

void AppendControllers(xercesc::DOMElement& devices, const Core::DeviceList& controllers)
{
    for (const Core::DevicePtr& pController : DescribedControllers(controllers))
        AppendControllerDevice(devices, *pController);
}

}
