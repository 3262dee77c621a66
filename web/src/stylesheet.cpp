// XSLT with Xalan-C: a fresh transformer per call, streams on both sides.
#include "stylesheet.h"

#include "tsm/machine.h"

#include <xalanc/XSLT/XSLTInputSource.hpp>
#include <xalanc/XSLT/XSLTResultTarget.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>

#include <memory>
#include <sstream>

namespace Web {

std::string transformText(const std::string& document, const std::string& stylesheetPath)
{
    std::ostringstream result;
    const std::string hostPath = tsm::dosToHost(stylesheetPath);
    if (hostPath.empty())
        return std::string();
    try {
        std::istringstream source(document);
        const xalanc::XSLTInputSource input(source);
        const xalanc::XSLTInputSource stylesheet(hostPath.c_str());
        xalanc::XSLTResultTarget target(result);
        // The transformer is large; it lives on the heap, not on the
        // request thread's small stack.
        const auto pTransformer = std::make_unique<xalanc::XalanTransformer>();
        pTransformer->transform(input, stylesheet, target);
    } catch (...) {
        // Nothing thrown by the libraries leaves the transformation.
    }
    return result.str();
}

}
