// Ownership of DOM documents and the declaration record they carry.
#include "documenthandle.h"

#include <xercesc/dom/DOMImplementation.hpp>
#include <xercesc/dom/DOMImplementationRegistry.hpp>

namespace Xml {
namespace {

const XMLCh kDeclarationKey[] = u"tsmXmlDeclaration";

}

// The declaration lives beside the document it describes; the document's user
// data points at it, and the holder releases the document before the record.
struct DocumentHandle::Holder {
    Holder(xercesc::DOMDocument* pDoc, std::optional<XmlDeclaration> decl)
        : declaration(std::move(decl)), pDocument(pDoc)
    {
        if (declaration)
            pDocument->setUserData(kDeclarationKey, &*declaration, nullptr);
    }
    ~Holder() { pDocument->release(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    std::optional<XmlDeclaration> declaration;
    xercesc::DOMDocument* pDocument;
};

DocumentHandle DocumentHandle::createEmpty()
{
    try {
        static const XMLCh kCore[] = u"Core";
        xercesc::DOMImplementation* pImplementation = xercesc::DOMImplementationRegistry::getDOMImplementation(kCore);
        if (!pImplementation)
            return DocumentHandle();
        return adopt(pImplementation->createDocument());
    } catch (...) {
        return DocumentHandle();
    }
}

DocumentHandle DocumentHandle::adopt(xercesc::DOMDocument* pDocument, std::optional<XmlDeclaration> declaration)
{
    if (!pDocument)
        return DocumentHandle();
    return DocumentHandle(std::make_shared<Holder>(pDocument, std::move(declaration)));
}

xercesc::DOMDocument* DocumentHandle::get() const noexcept
{
    return m_pHolder ? m_pHolder->pDocument : nullptr;
}

const XmlDeclaration* declarationOf(const xercesc::DOMDocument& document)
{
    return static_cast<const XmlDeclaration*>(document.getUserData(kDeclarationKey));
}

}
