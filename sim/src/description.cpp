// SAX reading of machine descriptions: each element becomes a Node with its
// attributes and source line. Xerces exceptions stop at this file.
#include "description.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLString.hpp>

#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

namespace sim {

namespace {

namespace xc = XERCES_CPP_NAMESPACE;

std::string narrow(const XMLCh* text)
{
    if (!text)
        return std::string();
    char* transcoded = xc::XMLString::transcode(text);
    std::string result = transcoded ? transcoded : "";
    xc::XMLString::release(&transcoded);
    return result;
}

// Builds the tree as elements open and close.
class TreeBuilder : public xc::DefaultHandler {
public:
    explicit TreeBuilder(Node& root) : m_root(root) {}

    void setDocumentLocator(const xc::Locator* const locator) override { m_pLocator = locator; }

    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xc::Attributes& attrs) override
    {
        Node node;
        node.name = narrow(qname);
        node.line = m_pLocator ? static_cast<int>(m_pLocator->getLineNumber()) : 0;
        for (XMLSize_t i = 0; i < attrs.getLength(); ++i)
            node.attributes[narrow(attrs.getQName(i))] = narrow(attrs.getValue(i));
        if (m_stack.empty()) {
            m_root = std::move(node);
            m_stack.push_back(&m_root);
        } else {
            Node* parent = m_stack.back();
            parent->children.push_back(std::move(node));
            m_stack.push_back(&parent->children.back());
        }
    }

    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override
    {
        if (!m_stack.empty())
            m_stack.pop_back();
    }

    void fatalError(const xc::SAXParseException& e) override { throw e; }
    void error(const xc::SAXParseException& e) override { throw e; }

private:
    Node& m_root;
    std::vector<Node*> m_stack;
    const xc::Locator* m_pLocator = nullptr;
};

void initialiseXerces()
{
    static std::once_flag once;
    std::call_once(once, [] { xc::XMLPlatformUtils::Initialize(); });
}

} // namespace

bool parseDescriptionText(const std::string& text, Node& root, DescriptionError& error)
{
    root = Node();
    try {
        initialiseXerces();
        std::unique_ptr<xc::SAX2XMLReader> reader(xc::XMLReaderFactory::createXMLReader());
        reader->setFeature(xc::XMLUni::fgSAX2CoreNameSpaces, false);
        reader->setFeature(xc::XMLUni::fgSAX2CoreValidation, false);
        reader->setFeature(xc::XMLUni::fgXercesLoadExternalDTD, false);
        // Entity expansion is bounded, so a hostile description cannot make
        // the reader grow without end; descriptions use no entities, and a
        // thousand expansions are refused at once rather than after seconds.
        xc::SecurityManager security;
        security.setEntityExpansionLimit(1000);
        reader->setProperty(xc::XMLUni::fgXercesSecurityManager, &security);
        TreeBuilder builder(root);
        reader->setContentHandler(&builder);
        reader->setErrorHandler(&builder);
        xc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "machine description",
                                     false);
        reader->parse(source);
    } catch (const xc::SAXParseException& e) {
        error.line = static_cast<int>(e.getLineNumber());
        error.problem = narrow(e.getMessage());
        return false;
    } catch (const xc::OutOfMemoryException&) {
        error.problem = "out of memory while parsing";
        return false;
    } catch (const xc::XMLException& e) {
        error.line = static_cast<int>(e.getSrcLine());
        error.problem = narrow(e.getMessage());
        return false;
    } catch (const std::exception& e) {
        error.problem = e.what();
        return false;
    } catch (...) {
        error.problem = "unexpected parser failure";
        return false;
    }
    if (root.name.empty()) {
        error.problem = "no root element";
        return false;
    }
    return true;
}

bool parseDescriptionFile(const std::string& path, Node& root, DescriptionError& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error.line = 0;
        error.problem = "cannot be read";
        return false;
    }
    // A description is a few kilobytes; anything huge is not one.
    constexpr std::streamoff kMaxDescriptionSize = 16 * 1024 * 1024;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0 || size > kMaxDescriptionSize) {
        error.line = 0;
        error.problem = "larger than 16 MiB, not a machine description";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parseDescriptionText(text.str(), root, error);
}

} // namespace sim
