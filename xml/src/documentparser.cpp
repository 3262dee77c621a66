// Declaration record and nesting limit of the factory's parser.
#include "documentparser.h"

#include <xercesc/framework/XMLValidator.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>

namespace Xml {

DocumentHandle DocumentParser::takeDocument()
{
    xercesc::DOMDocument* pDocument = getDocument();
    if (!pDocument)
        return DocumentHandle();
    adoptDocument();
    return DocumentHandle::adopt(pDocument, m_declaration);
}

void DocumentParser::XMLDecl(const XMLCh* versionStr, const XMLCh* encodingStr, const XMLCh* standaloneStr,
                             const XMLCh* actualEncStr)
{
    XercesDOMParser::XMLDecl(versionStr, encodingStr, standaloneStr, actualEncStr);
    XmlDeclaration declaration;
    declaration.version = versionStr ? versionStr : u"";
    declaration.encoding = encodingStr ? encodingStr : u"";
    if (standaloneStr && *standaloneStr)
        declaration.standalone = standaloneStr;
    m_declaration = std::move(declaration);
}

void DocumentParser::startElement(const xercesc::XMLElementDecl& elemDecl, unsigned int urlId, const XMLCh* elemPrefix,
                                  const xercesc::RefVectorOf<xercesc::XMLAttr>& attrList, XMLSize_t attrCount,
                                  bool isEmpty, bool isRoot)
{
    if (m_uDepth + 1 > m_uMaxDepth)
        reportTooDeep();
    XercesDOMParser::startElement(elemDecl, urlId, elemPrefix, attrList, attrCount, isEmpty, isRoot);
    if (!isEmpty)
        ++m_uDepth;
}

void DocumentParser::endElement(const xercesc::XMLElementDecl& elemDecl, unsigned int urlId, bool isRoot,
                                const XMLCh* elemPrefix)
{
    XercesDOMParser::endElement(elemDecl, urlId, isRoot, elemPrefix);
    if (m_uDepth > 0)
        --m_uDepth;
}

// Goes through the error handler like any diagnostic, so the parse fails.
void DocumentParser::reportTooDeep()
{
    if (m_bReportedDepth)
        return;
    m_bReportedDepth = true;
    xercesc::ErrorHandler* pHandler = getErrorHandler();
    const xercesc::Locator* pLocator = getScanner() ? getScanner()->getLocator() : nullptr;
    if (!pHandler || !pLocator)
        return;
    const xercesc::SAXParseException exception(u"elements are nested too deeply", *pLocator);
    pHandler->fatalError(exception);
}

}
