// Building the discovery document from the device tree and appending the
// devices of other providers.
#include "discoverydocument.h"

#include "controllerdescription.h"
#include "domlookup.h"
#include "system.h"

#include "clog.h"

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

// The page shows 8 levels of devices. 16 leaves room for real enclosure
// chains, and keeps the recursive matching, printing and the stylesheet's
// recursion well within a request thread's 128000-byte stack.
constexpr unsigned kMaxDeviceNesting = 16;

// True when more than `limit` Device elements lie on one path down from the
// device, the device itself included. Walked without recursion.
bool nestsDeeperThan(const xercesc::DOMElement& device, unsigned limit)
{
    unsigned depth = 0;
    const xercesc::DOMNode* pNode = &device;
    for (;;) {
        if (isElementNamed(pNode, u"Device") && ++depth > limit)
            return true;
        if (const xercesc::DOMNode* pChild = pNode->getFirstChild()) {
            pNode = pChild;
            continue;
        }
        for (;;) {
            if (isElementNamed(pNode, u"Device"))
                --depth;
            if (pNode == &device)
                return false;
            if (const xercesc::DOMNode* pNext = pNode->getNextSibling()) {
                pNode = pNext;
                break;
            }
            pNode = pNode->getParentNode();
        }
    }
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

void AppendDevices(const DocumentHandle& document, const std::string& text, const DOMFactory& factory,
                   const std::string& source)
{
    if (document)
        AppendDevices(document, factory.ParseBuffer(text, false), source);
}

void AppendDevices(const DocumentHandle& document, const DocumentHandle& provider, const std::string& source)
{
    if (!document)
        return;
    try {
        xercesc::DOMElement* pSource = discoveryDevices(provider);
        xercesc::DOMElement* pTarget = discoveryDevices(document);
        if (!pSource || !pTarget)
            return;
        for (xercesc::DOMNode* pChild = pSource->getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
            if (!isElementNamed(pChild, u"Device"))
                continue;
            if (nestsDeeperThan(*static_cast<xercesc::DOMElement*>(pChild), kMaxDeviceNesting)) {
                DebugLog::write("AppendDevices left out a device of " + (source.empty() ? "a provider" : source) +
                                " nested deeper than " + std::to_string(kMaxDeviceNesting) + " levels");
                continue;
            }
            pTarget->appendChild(document->importNode(pChild, true));
        }
    } catch (...) {
        // A device that cannot be copied ends the appending; what is there stays.
    }
}

}
