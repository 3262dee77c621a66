// The document value of the XML layer: a reference-counted handle on a
// Xerces-C DOM document, where a null handle means that there is no document.
#ifndef TSM_XML_DOCUMENTHANDLE_H
#define TSM_XML_DOCUMENTHANDLE_H

#include <xercesc/dom/DOMDocument.hpp>

#include <memory>
#include <optional>
#include <string>

namespace Xml {

// What the XML declaration at the start of a parsed document said. The DOM of
// the library keeps no declaration node, so the document carries this record
// and the printer writes the declaration from it.
struct XmlDeclaration {
    std::u16string version;
    std::u16string encoding;
    // Absent when the declaration named no standalone value.
    std::optional<std::u16string> standalone;
};

class DocumentHandle {
public:
    // The null handle: no document.
    DocumentHandle() noexcept = default;

    // A new empty document built in memory (no declaration); null when the
    // library cannot make one.
    static DocumentHandle createEmpty();
    // Takes ownership of a document, released when the last handle goes.
    static DocumentHandle adopt(xercesc::DOMDocument* pDocument,
                                std::optional<XmlDeclaration> declaration = std::nullopt);

    bool isNull() const noexcept { return !m_pHolder; }
    explicit operator bool() const noexcept { return !isNull(); }
    xercesc::DOMDocument* get() const noexcept;
    xercesc::DOMDocument* operator->() const noexcept { return get(); }
    xercesc::DOMDocument& operator*() const noexcept { return *get(); }
    long useCount() const noexcept { return m_pHolder.use_count(); }

    friend bool operator==(const DocumentHandle& a, const DocumentHandle& b) noexcept { return a.get() == b.get(); }

private:
    struct Holder;
    explicit DocumentHandle(std::shared_ptr<Holder> pHolder) noexcept : m_pHolder(std::move(pHolder)) {}

    std::shared_ptr<Holder> m_pHolder;
};

// The declaration a parsed document began with; null for a document built in
// memory or parsed from a text without one. Nodes keep their document, so this
// works for any node's getOwnerDocument() while a handle on it lives.
const XmlDeclaration* declarationOf(const xercesc::DOMDocument& document);

}

#endif
