// Serving the agent's DTDs to the parser from its pages folder.
#include "dtdresolver.h"

#include "xmlstring.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <cctype>
#include <memory>
#include <sys/stat.h>

namespace Xml {
namespace {

bool isRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}

std::string DtdResolver::dtdFileName(const std::string& systemId)
{
    const std::string::size_type slash = systemId.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? systemId : systemId.substr(slash + 1);
    static const std::string kSuffix = ".dtd";
    if (name.size() <= kSuffix.size() || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return std::string();
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
            return std::string();
    return name;
}

xercesc::InputSource* DtdResolver::resolveEntity(xercesc::XMLResourceIdentifier* pResource)
{
    // The parser adopts the returned source. The external DTD subset comes as
    // an external entity; only a file of the folder named "*.dtd" is served.
    if (pResource && pResource->getResourceIdentifierType() == xercesc::XMLResourceIdentifier::ExternalEntity) {
        const std::string name = dtdFileName(toNarrow(pResource->getSystemId()));
        const std::string path = m_strDirectory + "/" + name;
        if (!name.empty() && !m_strDirectory.empty() && isRegularFile(path))
            return std::make_unique<xercesc::LocalFileInputSource>(XmlString(path).get()).release();
    }
    static const XMLByte kNothing[] = {0};
    const XMLCh* pId = pResource && pResource->getSystemId() ? pResource->getSystemId() : u"";
    return std::make_unique<xercesc::MemBufInputSource>(kNothing, 0, pId, false).release();
}

}
