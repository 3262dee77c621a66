// The printer: a DOM node written as markup to a narrow stream or a string,
// exactly as the tree holds it (no indentation, no declaration of its own).
#ifndef TSM_XML_DOMPRINTER_H
#define TSM_XML_DOMPRINTER_H

#include <xercesc/dom/DOMNode.hpp>

#include <ostream>
#include <string>

namespace Xml {

class DOMPrinter {
public:
    // Writes the node, then a newline, and flushes the stream.
    static void Print(std::ostream& stream, const xercesc::DOMNode* pNode);
    // The document as text; empty when it cannot be printed.
    static std::string ToString(const xercesc::DOMNode* pDocument);
};

}

#endif
