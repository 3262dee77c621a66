// Building the discovery document from the device tree and appending the
// devices of other providers.
#include "discoverydocument.h"

#include "controllerdescription.h"
#include "domlookup.h"
#include "system.h"

#include <mutex>

namespace Xml {
namespace {

// Serialises the refresh and reading of the process-wide device tree.
std::mutex& deviceTreeLock()
{
    static std::mutex s_lock;
    return s_lock;
}

xercesc::DOMElement* discoveryDevices(const DocumentHandle& document)
{
    return childElement(childElement(document.get(), u"VXA_Discovery"), u"Devices");
}

}

DocumentHandle BuildDiscoveryDocument(const DescribedControllersReader& readDescribed)
{
    DocumentHandle document = DocumentHandle::createEmpty();
    if (!document)
        return document;
    try {
        xercesc::DOMElement* pRoot = document->createElement(u"VXA_Discovery");
        document->appendChild(pRoot);
        xercesc::DOMElement* pDevices = document->createElement(u"Devices");
        pRoot->appendChild(pDevices);

        const std::lock_guard<std::mutex> lock(deviceTreeLock());
        const Core::DevicePtr pSystem = Schema::System::instance();
        pSystem->refresh();
        Core::DeviceFinder finder(pSystem);
        finder.addCriterion("Type", "arraycontroller");
        const Core::DeviceList described = DescribedControllers(finder.findDevices());
        for (const Core::DevicePtr& pController : described)
            AppendControllerDevice(*pDevices, *pController);
        if (readDescribed)
            readDescribed(described);
    } catch (...) {
        return DocumentHandle();
    }
    return document;
}

void AppendDevices(const DocumentHandle& document, const std::string& text, const DOMFactory& factory)
{
    if (!document)
        return;
    try {
        const DocumentHandle provider = factory.ParseBuffer(text, false);
        xercesc::DOMElement* pSource = discoveryDevices(provider);
        xercesc::DOMElement* pTarget = discoveryDevices(document);
        if (!pSource || !pTarget)
            return;
        for (xercesc::DOMNode* pChild = pSource->getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
            if (isElementNamed(pChild, u"Device"))
                pTarget->appendChild(document->importNode(pChild, true));
        }
    } catch (...) {
        // A device that cannot be copied ends the appending; what is there stays.
    }
}

}
