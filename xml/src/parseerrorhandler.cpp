// Parse diagnostics, one line each on standard error.
#include "parseerrorhandler.h"

#include "xmlstring.h"

#include <xercesc/sax/SAXParseException.hpp>

#include <iostream>
#include <string>

namespace Xml {

void ParseErrorHandler::warning(const xercesc::SAXParseException& exception)
{
    report("Warning at file ", exception);
}

void ParseErrorHandler::error(const xercesc::SAXParseException& exception)
{
    report("Error at file ", exception);
}

void ParseErrorHandler::fatalError(const xercesc::SAXParseException& exception)
{
    report("Fatal Error at file ", exception);
}

void ParseErrorHandler::report(const char* pszPrefix, const xercesc::SAXParseException& exception)
{
    m_bSawErrors = true;
    // One string, one write: lines of parses on other threads do not interleave.
    const std::string line = std::string(pszPrefix) + "\"" + toNarrow(exception.getSystemId()) + "\", line " +
                             std::to_string(exception.getLineNumber()) + ", column " +
                             std::to_string(exception.getColumnNumber()) +
                             "\n   Message: " + toNarrow(exception.getMessage()) + "\n";
    std::cerr << line << std::flush;
}

}
