// PeerCollector: peer names from the configuration and the cache folder,
// and their documents from the local server.
#include "peercollector.h"

#include "domlookup.h"
#include "extensionrecords.h"
#include "osfunctions.h"
#include "peernames.h"
#include "xmlstring.h"


namespace Web {
namespace {

const char kConfigurationFile[] = "vxaconfig.xml";
const char kPeerFileSuffix[] = ".vxa";
const char* const kServerAddresses[] = { "https://127.0.0.1:2381/", "http://127.0.0.1:2301/" };
const char kSupportRequest[] = "/vxasupport.xml?DTD_VERSION=1.1";
const char kSupportRequired[] = "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_";
const char kDiscoveryRequired[] = "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_";

}

PeerCollector::PeerCollector(LocalWebClient& client, std::string cacheDirectory)
    : m_configuration(m_factory.ParseFile(kConfigurationFile, false)),
      m_client(client),
      m_strCacheDirectory(std::move(cacheDirectory))
{
}

void PeerCollector::collect()
{
    std::set<std::string> peers = wellKnownPeers();
    peers.merge(cachedPeers());
    for (const std::string& peer : peers) {
        if (isPeerName(peer, kUrlRoot + 1))
            fetchPeer(peer);
    }
}

std::set<std::string> PeerCollector::wellKnownPeers() const
{
    std::set<std::string> names;
    if (!m_configuration)
        return names;
    const Xml::XmlString name("QWEX");
    const Xml::XmlString parent("WellKnownQWEXs");
    Xml::forEachBelow(m_configuration.get(), name, parent,
                      [&names](xercesc::DOMElement& element) { names.insert(Xml::textOf(&element)); });
    names.erase(std::string());
    return names;
}

std::set<std::string> PeerCollector::cachedPeers() const
{
    std::set<std::string> names;
    const std::size_t suffixLength = sizeof kPeerFileSuffix - 1;
    for (const std::string& file : findFileNames(m_strCacheDirectory + "\\*" + kPeerFileSuffix)) {
        if (file.size() > suffixLength)
            names.insert(file.substr(0, file.size() - suffixLength));
    }
    return names;
}

void PeerCollector::fetchPeer(const std::string& peer)
{
    std::string support = fetchDocument(peer + kSupportRequest, kSupportRequired);
    if (support.empty())
        return;
    m_supportDocuments[peer] = std::move(support);
    const std::string discoveryName = discoveryNameOf(peer);
    if (!isPlainRequestPath(discoveryName))
        return;
    std::string discovery = fetchDocument(peer + "/" + discoveryName, kDiscoveryRequired);
    if (!discovery.empty())
        m_discoveryDocuments[peer] = std::move(discovery);
}

std::string PeerCollector::discoveryNameOf(const std::string& peer) const
{
    const auto found = m_supportDocuments.find(peer);
    if (found == m_supportDocuments.end())
        return std::string();
    const Xml::DocumentHandle support = m_factory.ParseBuffer(found->second, true);
    if (!support)
        return std::string();
    const xercesc::DOMElement* pDiscovery =
        Xml::findBelow(support.get(), Xml::XmlString("DeviceDiscovery"), Xml::XmlString("QWEXInfo"));
    if (!pDiscovery || Xml::toNarrow(pDiscovery->getAttribute(Xml::XmlString("Owns"))) != "true")
        return std::string();
    const xercesc::DOMElement* pName =
        Xml::findBelow(support.get(), Xml::XmlString("DiscoveryName"), Xml::XmlString("DeviceDiscovery"));
    return pName ? Xml::textOf(pName) : std::string();
}

std::string PeerCollector::fetchDocument(const std::string& path, const std::string& requiredText)
{
    for (const char* pszAddress : kServerAddresses) {
        std::string response = m_client.getUrl(pszAddress + path);
        if (m_factory.IsValidDocumentText(response, requiredText))
            return response;
    }
    return std::string();
}

}
