// The DOM parser of one factory call: the library's parser that also keeps
// the XML declaration and refuses documents nested too deeply.
#ifndef TSM_XML_DOCUMENTPARSER_H
#define TSM_XML_DOCUMENTPARSER_H

#include "documenthandle.h"

#include <xercesc/parsers/XercesDOMParser.hpp>

#include <optional>

namespace Xml {

class DocumentParser : public xercesc::XercesDOMParser {
public:
    explicit DocumentParser(unsigned maxDepth) : m_uMaxDepth(maxDepth) {}

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
