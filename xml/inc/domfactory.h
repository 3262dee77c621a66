// The document factory: XML texts and files become DOM documents, or a null
// document on any failure. Nothing thrown by the library leaves it.
#ifndef TSM_XML_DOMFACTORY_H
#define TSM_XML_DOMFACTORY_H

#include "documenthandle.h"

#include <string>

namespace Xml {

class DOMFactory {
public:
    // Document type definitions come from the agent's own pages folder
    // ("..\html" beside the executable).
    DOMFactory();
    // ... or from the given host folder (tests point it at the source tree).
    explicit DOMFactory(std::string dtdDirectory);

    // A local file (DOS or host path); validate checks it against its DTD.
    DocumentHandle ParseFile(const std::string& path, bool validate) const;
    // The whole document in one text.
    DocumentHandle ParseBuffer(const std::string& text, bool validate) const;
    // True when the text holds the exact UTF-8 declaration and the required
    // text (plain substring searches), and parses with validation on.
    bool IsValidDocumentText(const std::string& text, const std::string& requiredText) const;
    // The document of such a text; null when the text is not one.
    DocumentHandle ParseValidDocument(const std::string& text, const std::string& requiredText) const;

    const std::string& dtdDirectory() const noexcept { return m_strDtdDirectory; }

    // Deepest element nesting a parsed document may have; deeper documents
    // are rejected, so that the recursive walks over a tree stay bounded.
    static constexpr unsigned kMaxDepth = 128;
    // Entity expansions allowed per parse.
    static constexpr unsigned kEntityExpansionLimit = 1000;

private:
    std::string m_strDtdDirectory;
};

// The host folder of the agent's pages: the executable's directory + "..\html".
std::string defaultDtdDirectory();

}

#endif
