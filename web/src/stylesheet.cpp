// XSLT with Xalan-C: the stylesheet compiled once per version of its file, a
// fresh transformer per call.
#include "stylesheet.h"

#include <xalanc/XSLT/XSLTInputSource.hpp>
#include <xalanc/XSLT/XSLTResultTarget.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xalanc/XalanTransformer/XercesDOMWrapperParsedSource.hpp>
#include <xalanc/XercesParserLiaison/XercesDOMSupport.hpp>
#include <xalanc/XercesParserLiaison/XercesParserLiaison.hpp>

#include <sstream>

namespace Web {

// A compiled stylesheet lives as long as the transformer that compiled it.
// Xalan's compiled stylesheets are read-only while they transform, so any
// number of threads use one at once, each with a transformer of its own.
struct Stylesheet::Compiled {
    std::unique_ptr<xalanc::XalanTransformer> owner;
    const xalanc::XalanCompiledStylesheet* pStylesheet = nullptr;
};

Stylesheet::Stylesheet(std::string path) : m_file(std::move(path), &Stylesheet::compile)
{
}

Stylesheet::~Stylesheet() = default;

// A file that does not compile is tried again only once it changes.
Stylesheet::Compiled Stylesheet::compile(const std::string& hostPath)
{
    Compiled compiled;
    try {
        // The transformer is large; it lives on the heap, not on the request
        // thread's small stack.
        compiled.owner = std::make_unique<xalanc::XalanTransformer>();
        const xalanc::XSLTInputSource source(hostPath.c_str());
        if (compiled.owner->compileStylesheet(source, compiled.pStylesheet) != 0)
            compiled.pStylesheet = nullptr;
    } catch (...) {
        compiled.pStylesheet = nullptr;
    }
    return compiled;
}

uint64_t Stylesheet::version()
{
    return m_file.current().version;
}

std::string Stylesheet::transform(const xercesc::DOMDocument& document)
{
    const std::shared_ptr<const Compiled> compiled = m_file.current().value;
    if (!compiled || !compiled->pStylesheet)
        return std::string();
    std::ostringstream result;
    try {
        xalanc::XercesParserLiaison liaison;
        xalanc::XercesDOMSupport support(liaison);
        const xalanc::XercesDOMWrapperParsedSource input(&document, liaison, support);
        xalanc::XSLTResultTarget target(result);
        const auto pTransformer = std::make_unique<xalanc::XalanTransformer>();
        pTransformer->transform(input, compiled->pStylesheet, target);
    } catch (...) {
        // Nothing thrown by the libraries leaves the transformation.
    }
    return result.str();
}

}
