// Writing DOM nodes as markup through the library's formatter.
#include "domprinter.h"

#include "documenthandle.h"
#include "streamformattarget.h"
#include "xmlstring.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/util/XMLException.hpp>

#include <iostream>
#include <memory>
#include <sstream>

namespace Xml {
namespace {

using xercesc::XMLFormatter;

const XMLCh kUtf8[] = u"UTF-8";

bool isEmpty(const XMLCh* pText)
{
    return !pText || *pText == 0;
}

// The declaration a document node begins with, if the node is a parsed
// document that had one.
const XmlDeclaration* declarationOfNode(const xercesc::DOMNode* pNode)
{
    if (!pNode || pNode->getNodeType() != xercesc::DOMNode::DOCUMENT_NODE)
        return nullptr;
    return declarationOf(*static_cast<const xercesc::DOMDocument*>(pNode));
}

class NodeWriter {
public:
    NodeWriter(std::ostream& stream, XMLFormatter& formatter, const XMLCh* pEncoding)
        : m_stream(stream), m_formatter(formatter), m_pEncoding(pEncoding)
    {
    }

    void write(const xercesc::DOMNode* pNode);

private:
    // Markup with the given escaping; an empty or null text writes nothing.
    void put(const XMLCh* pText, XMLFormatter::EscapeFlags flags = XMLFormatter::NoEscapes)
    {
        if (isEmpty(pText))
            return;
        m_formatter.formatBuf(pText, xercesc::XMLString::stringLen(pText), flags);
    }
    void quoted(const XMLCh* pText)
    {
        put(u"\"");
        put(pText);
        put(u"\"");
    }

    void writeElement(const xercesc::DOMElement& element);
    void writeEntity(const xercesc::DOMEntity& entity);
    void writeDocument(const xercesc::DOMDocument& document);
    void writeDocumentType(const xercesc::DOMDocumentType& type);
    void writeDeclaration(const XmlDeclaration& declaration);
    void writeChildren(const xercesc::DOMNode& node)
    {
        for (const xercesc::DOMNode* pChild = node.getFirstChild(); pChild; pChild = pChild->getNextSibling())
            write(pChild);
    }

    std::ostream& m_stream;
    XMLFormatter& m_formatter;
    const XMLCh* m_pEncoding;
};

void NodeWriter::write(const xercesc::DOMNode* pNode)
{
    switch (pNode->getNodeType()) {
    case xercesc::DOMNode::ELEMENT_NODE:
        writeElement(*static_cast<const xercesc::DOMElement*>(pNode));
        break;
    case xercesc::DOMNode::TEXT_NODE:
        put(pNode->getNodeValue(), XMLFormatter::CharEscapes);
        break;
    case xercesc::DOMNode::CDATA_SECTION_NODE:
        put(u"<![CDATA[");
        put(pNode->getNodeValue());
        put(u"]]>");
        break;
    case xercesc::DOMNode::ENTITY_REFERENCE_NODE:
        put(u"&");
        put(pNode->getNodeName());
        put(u";");
        break;
    case xercesc::DOMNode::ENTITY_NODE:
        writeEntity(*static_cast<const xercesc::DOMEntity*>(pNode));
        break;
    case xercesc::DOMNode::PROCESSING_INSTRUCTION_NODE:
        put(u"<?");
        put(pNode->getNodeName());
        if (!isEmpty(pNode->getNodeValue())) {
            put(u" ");
            put(pNode->getNodeValue());
        }
        put(u"?>");
        break;
    case xercesc::DOMNode::COMMENT_NODE:
        put(u"<!--");
        put(pNode->getNodeValue());
        put(u"-->");
        break;
    case xercesc::DOMNode::DOCUMENT_NODE:
        writeDocument(*static_cast<const xercesc::DOMDocument*>(pNode));
        break;
    case xercesc::DOMNode::DOCUMENT_TYPE_NODE:
        writeDocumentType(*static_cast<const xercesc::DOMDocumentType*>(pNode));
        break;
    default:
        std::cerr << "Unrecognized node type = " << static_cast<int>(pNode->getNodeType()) << "\n";
        break;
    }
}

void NodeWriter::writeElement(const xercesc::DOMElement& element)
{
    put(u"<");
    put(element.getNodeName());
    if (const xercesc::DOMNamedNodeMap* pAttributes = element.getAttributes()) {
        for (XMLSize_t i = 0; i < pAttributes->getLength(); ++i) {
            const xercesc::DOMNode* pAttribute = pAttributes->item(i);
            put(u" ");
            put(pAttribute->getNodeName());
            put(u"=\"");
            put(pAttribute->getNodeValue(), XMLFormatter::AttrEscapes);
            put(u"\"");
        }
    }
    if (!element.hasChildNodes()) {
        put(u"/>");
        return;
    }
    put(u">");
    writeChildren(element);
    put(u"</");
    put(element.getNodeName());
    put(u">");
}

void NodeWriter::writeEntity(const xercesc::DOMEntity& entity)
{
    put(u"<!ENTITY ");
    put(entity.getNodeName());
    if (entity.getPublicId()) {
        put(u"PUBLIC ");
        quoted(entity.getPublicId());
    }
    if (entity.getSystemId()) {
        put(u"SYSTEM ");
        quoted(entity.getSystemId());
    }
    if (entity.getNotationName()) {
        put(u"NDATA ");
        quoted(entity.getNotationName());
    }
    put(u">");
    m_stream << '\n';
}

void NodeWriter::writeDocument(const xercesc::DOMDocument& document)
{
    if (const XmlDeclaration* pDeclaration = declarationOf(document)) {
        writeDeclaration(*pDeclaration);
        m_stream << '\n' << std::flush;
    }
    for (const xercesc::DOMNode* pChild = document.getFirstChild(); pChild; pChild = pChild->getNextSibling()) {
        write(pChild);
        m_stream << '\n' << std::flush;
    }
}

void NodeWriter::writeDocumentType(const xercesc::DOMDocumentType& type)
{
    put(u"<!DOCTYPE ");
    put(type.getNodeName());
    // The library gives an empty rather than a null public identifier when
    // the document named none; only a non-empty one is written.
    if (!isEmpty(type.getPublicId())) {
        put(u" PUBLIC ");
        quoted(type.getPublicId());
        if (type.getSystemId()) {
            put(u" ");
            quoted(type.getSystemId());
        }
    } else if (type.getSystemId()) {
        put(u" SYSTEM ");
        quoted(type.getSystemId());
    }
    if (type.getInternalSubset()) {
        put(u"[");
        put(type.getInternalSubset());
        put(u"]");
    }
    put(u">");
}

void NodeWriter::writeDeclaration(const XmlDeclaration& declaration)
{
    put(u"<?xml version=\"");
    put(declaration.version.c_str());
    put(u"\" encoding=\"");
    put(m_pEncoding);
    if (declaration.standalone) {
        put(u"\" standalone=\"");
        put(declaration.standalone->c_str());
    }
    put(u"\"?>");
    m_stream << '\n';
}

}

void DOMPrinter::Print(std::ostream& stream, const xercesc::DOMNode* pNode)
{
    if (!pNode)
        return;
    const XmlDeclaration* pDeclaration = declarationOfNode(pNode);
    const XMLCh* pEncoding = pDeclaration && !pDeclaration->encoding.empty() ? pDeclaration->encoding.c_str() : kUtf8;
    StreamFormatTarget target(stream);
    std::unique_ptr<XMLFormatter> pFormatter;
    try {
        pFormatter =
            std::make_unique<XMLFormatter>(pEncoding, &target, XMLFormatter::NoEscapes, XMLFormatter::UnRep_CharRef);
    } catch (const xercesc::XMLException& exception) {
        std::cerr << "An error occurred during creation of output transcoder. Msg is:" << std::endl;
        std::cerr << toNarrow(exception.getMessage()) << std::endl;
        return;
    } catch (...) {
        return;
    }
    try {
        NodeWriter(stream, *pFormatter, pEncoding).write(pNode);
    } catch (...) {
        // A character the encoding cannot hold in markup ends the output here.
    }
    stream << '\n' << std::flush;
}

std::string DOMPrinter::ToString(const xercesc::DOMNode* pDocument)
{
    std::ostringstream stream;
    Print(stream, pDocument);
    stream << '\0';
    // The text up to the terminating NUL, as a C string reader would see it.
    return std::string(stream.str().c_str());
}

}
