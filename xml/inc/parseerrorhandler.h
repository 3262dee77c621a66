// The error handler of one parse: any diagnostic, warnings included, marks
// the parse as failed and is written as one line to standard error.
#ifndef TSM_XML_PARSEERRORHANDLER_H
#define TSM_XML_PARSEERRORHANDLER_H

#include <xercesc/sax/ErrorHandler.hpp>

namespace Xml {

class ParseErrorHandler : public xercesc::ErrorHandler {
public:
    ParseErrorHandler() = default;
    ~ParseErrorHandler() override = default;

    void warning(const xercesc::SAXParseException& exception) override;
    void error(const xercesc::SAXParseException& exception) override;
    void fatalError(const xercesc::SAXParseException& exception) override;
    // Never clears sawErrors: a diagnostic stays fatal to the parse.
    void resetErrors() override {}

    bool sawErrors() const noexcept { return m_bSawErrors; }

private:
    void report(const char* pszPrefix, const xercesc::SAXParseException& exception);

    bool m_bSawErrors = false;
};

}

#endif
