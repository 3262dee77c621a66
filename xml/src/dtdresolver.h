// Entity resolution of the factory's parses: the document type definitions of
// the agent come from its own pages folder; every other external entity or
// DTD resolves to nothing, so no parse reads the network or another folder.
#ifndef TSM_XML_DTDRESOLVER_H
#define TSM_XML_DTDRESOLVER_H

#include <xercesc/util/XMLEntityResolver.hpp>

#include <string>

namespace Xml {

class DtdResolver : public xercesc::XMLEntityResolver {
public:
    explicit DtdResolver(std::string directory) : m_strDirectory(std::move(directory)) {}

    // Never null: the parser must not fall back to its own resolution.
    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* pResource) override;

    // The file name a system identifier names inside the folder, or "" when it
    // names none: the last path component, letters, digits, '_', '-' and '.'
    // only, ending in ".dtd".
    static std::string dtdFileName(const std::string& systemId);

private:
    std::string m_strDirectory;
};

}

#endif
