// Parsing files and texts into documents; every failure is a null document.
#include "domfactory.h"

#include "documentparser.h"
#include "dtdresolver.h"
#include "grammarcache.h"
#include "parseerrorhandler.h"
#include "xmlstring.h"

#include "tsm/machine.h"
#include "windows.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <functional>
#include <memory>

namespace Xml {
namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";
const char kBufferId[] = "DOMFactory";

DocumentHandle parse(const std::string& dtdDirectory, bool validate,
                     const std::function<std::unique_ptr<xercesc::InputSource>()>& makeSource)
{
    DocumentHandle result;
    try {
        DocumentParser parser(DOMFactory::kMaxDepth, sharedGrammars(dtdDirectory));
        if (validate)
            parser.setValidationScheme(xercesc::XercesDOMParser::Val_Always);
        ParseErrorHandler handler;
        parser.setErrorHandler(&handler);
        DtdResolver resolver(dtdDirectory);
        parser.setXMLEntityResolver(&resolver);
        parser.setDisableDefaultEntityResolution(true);
        xercesc::SecurityManager security;
        security.setEntityExpansionLimit(DOMFactory::kEntityExpansionLimit);
        parser.setSecurityManager(&security);
        const std::unique_ptr<xercesc::InputSource> pSource = makeSource();
        parser.parse(*pSource);
        if (!handler.sawErrors() && !parser.wasTooDeep())
            result = parser.takeDocument();
    } catch (...) {
        // Unreadable input, a malformed text reported by exception, memory
        // exhaustion: all of them are simply no document.
        result = DocumentHandle();
    }
    return result;
}

}

std::string defaultDtdDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD dwLength = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, dwLength < MAX_PATH ? dwLength : 0);
    const std::string::size_type slash = directory.find_last_of("\\/");
    directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
    return tsm::dosToHost(directory + "..\\html");
}

DOMFactory::DOMFactory() : m_strDtdDirectory(defaultDtdDirectory())
{
}

DOMFactory::DOMFactory(std::string dtdDirectory) : m_strDtdDirectory(std::move(dtdDirectory))
{
}

DocumentHandle DOMFactory::ParseFile(const std::string& path, bool validate) const
{
    const std::string hostPath = tsm::dosToHost(path);
    if (hostPath.empty())
        return DocumentHandle();
    return parse(m_strDtdDirectory, validate,
                 [&hostPath] { return std::make_unique<xercesc::LocalFileInputSource>(XmlString(hostPath).get()); });
}

DocumentHandle DOMFactory::ParseBuffer(const std::string& text, bool validate) const
{
    return parse(
        m_strDtdDirectory, validate,
        [&text] {
            return std::make_unique<xercesc::MemBufInputSource>(reinterpret_cast<const XMLByte*>(text.data()),
                                                                text.size(), kBufferId, false);
        });
}

bool DOMFactory::IsValidDocumentText(const std::string& text, const std::string& requiredText) const
{
    return !ParseValidDocument(text, requiredText).isNull();
}

DocumentHandle DOMFactory::ParseValidDocument(const std::string& text, const std::string& requiredText) const
{
    if (text.empty() || text.find(kDeclaration) == std::string::npos || text.find(requiredText) == std::string::npos)
        return DocumentHandle();
    return ParseBuffer(text, true);
}

}
