// The DOM parser of one factory call: the library's parser that also keeps
// the XML declaration and refuses documents nested too deeply.
#ifndef TSM_XML_DOCUMENTPARSER_H
#define TSM_XML_DOCUMENTPARSER_H

#include "documenthandle.h"

#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <memory>
#include <optional>

namespace Xml {

// Holds the grammar pool of a parser; a base listed before the parser, so the
// pool outlives the parser that uses it.
struct GrammarPoolHolder {
    std::shared_ptr<xercesc::XMLGrammarPool> m_pGrammars;
};

class DocumentParser : private GrammarPoolHolder, public xercesc::XercesDOMParser {
public:
    // With `pGrammars`, documents whose DTD the pool holds are validated
    // against it instead of reading their external subset.
    DocumentParser(unsigned maxDepth, std::shared_ptr<xercesc::XMLGrammarPool> pGrammars)
        : GrammarPoolHolder{std::move(pGrammars)},
          XercesDOMParser(nullptr, xercesc::XMLPlatformUtils::fgMemoryManager, m_pGrammars.get()), m_uMaxDepth(maxDepth)
    {
        useCachedGrammarInParse(m_pGrammars != nullptr);
    }

    // Ownership of the parsed document with its declaration; null if none.
    DocumentHandle takeDocument();
    // True once an element was nested deeper than the limit.
    bool wasTooDeep() const noexcept { return m_bReportedDepth; }

    void XMLDecl(const XMLCh* versionStr, const XMLCh* encodingStr, const XMLCh* standaloneStr,
                 const XMLCh* actualEncStr) override;
    void startElement(const xercesc::XMLElementDecl& elemDecl, unsigned int urlId, const XMLCh* elemPrefix,
                      const xercesc::RefVectorOf<xercesc::XMLAttr>& attrList, XMLSize_t attrCount, bool isEmpty,
                      bool isRoot) override;
    void endElement(const xercesc::XMLElementDecl& elemDecl, unsigned int urlId, bool isRoot,
                    const XMLCh* elemPrefix) override;

private:
    void reportTooDeep();

    unsigned m_uMaxDepth;
    unsigned m_uDepth = 0;
    bool m_bReportedDepth = false;
    std::optional<XmlDeclaration> m_declaration;
};

}

#endif
