// PeerCollector: peer names from the configuration and the cache folder,
// and their documents from the local server.
#include "peercollector.h"

#include "domlookup.h"
#include "extensionrecords.h"
#include "osfunctions.h"
#include "peernames.h"
#include "tsm/machine.h"
#include "webhost.h"
#include "xmlstring.h"

#include <algorithm>
#include <future>
#include <vector>

namespace Web {
namespace {

const char kPeerFileSuffix[] = ".vxa";
const char* const kServerAddresses[] = {"https://127.0.0.1:2381/", "http://127.0.0.1:2301/"};
const char kSupportRequest[] = "/vxasupport.xml?DTD_VERSION=1.1";
const char kSupportRequired[] = "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_";
const char kDiscoveryRequired[] = "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_";
// Peers asked at the same time by one page.
constexpr std::size_t kPeersAtOnce = 8;

}

PeerCollector::PeerCollector(LocalWebClient& client, std::string cacheDirectory)
    : m_client(client), m_strCacheDirectory(std::move(cacheDirectory))
{
}

void PeerCollector::collect()
{
    std::set<std::string> peers;
    if (const auto configured = WebHost::instance().configuredPeers().current().value)
        peers = *configured;
    peers.merge(cachedPeers());
    std::vector<std::string> names;
    for (const std::string& peer : peers)
        if (isPeerName(peer, kUrlRoot + 1))
            names.push_back(peer);
    // A few peers at a time, each on a thread of its own but the last, which
    // is asked on this thread while it would wait anyway; the documents are
    // recorded in the order of the names all the same.
    for (std::size_t first = 0; first < names.size(); first += kPeersAtOnce) {
        const std::size_t last = std::min(names.size(), first + kPeersAtOnce);
        std::vector<std::future<PeerDocuments>> fetched;
        for (std::size_t i = first; i + 1 < last; ++i)
            fetched.push_back(std::async(std::launch::async, [this, &names, i] { return fetchPeer(names[i]); }));
        PeerDocuments lastDocuments = fetchPeer(names[last - 1]);
        for (std::size_t i = first; i + 1 < last; ++i)
            keep(names[i], fetched[i - first].get());
        keep(names[last - 1], std::move(lastDocuments));
    }
}

void PeerCollector::keep(const std::string& peer, PeerDocuments documents)
{
    if (documents.support.parsed)
        m_supportDocuments[peer] = std::move(documents.support);
    if (documents.discovery.parsed)
        m_discoveryDocuments[peer] = std::move(documents.discovery);
}

std::set<std::string> PeerCollector::readWellKnownPeers(const std::string& hostPath)
{
    std::set<std::string> names;
    const Xml::DocumentHandle configuration = Xml::DOMFactory().ParseFile(tsm::hostToDos(hostPath), false);
    if (!configuration)
        return names;
    const Xml::XmlString name("QWEX");
    const Xml::XmlString parent("WellKnownQWEXs");
    Xml::forEachBelow(configuration.get(), name, parent,
                      [&names](xercesc::DOMElement& element) { names.insert(Xml::textOf(&element)); });
    names.erase(std::string());
    return names;
}

std::set<std::string> PeerCollector::cachedPeers() const
{
    std::set<std::string> names;
    const std::size_t suffixLength = sizeof kPeerFileSuffix - 1;
    for (const std::string& file : findFileNames(m_strCacheDirectory + "\\*" + kPeerFileSuffix))
        if (file.size() > suffixLength)
            names.insert(file.substr(0, file.size() - suffixLength));
    return names;
}

PeerCollector::PeerDocuments PeerCollector::fetchPeer(const std::string& peer) const
{
    LocalWebClient client(m_client.server());
    const Xml::DOMFactory factory;
    PeerDocuments documents;
    documents.support = fetchDocument(client, factory, peer + kSupportRequest, kSupportRequired);
    if (!documents.support.parsed)
        return documents;
    const std::string discoveryName = discoveryNameOf(documents.support.parsed);
    if (isPlainRequestPath(discoveryName))
        documents.discovery = fetchDocument(client, factory, peer + "/" + discoveryName, kDiscoveryRequired);
    return documents;
}

std::string PeerCollector::discoveryNameOf(const Xml::DocumentHandle& support)
{
    const xercesc::DOMElement* pDiscovery =
        Xml::findBelow(support.get(), Xml::XmlString("DeviceDiscovery"), Xml::XmlString("QWEXInfo"));
    if (!pDiscovery || Xml::toNarrow(pDiscovery->getAttribute(Xml::XmlString("Owns"))) != "true")
        return std::string();
    const xercesc::DOMElement* pName =
        Xml::findBelow(support.get(), Xml::XmlString("DiscoveryName"), Xml::XmlString("DeviceDiscovery"));
    return pName ? Xml::textOf(pName) : std::string();
}

PeerCollector::Document PeerCollector::fetchDocument(LocalWebClient& client, const Xml::DOMFactory& factory,
                                                     const std::string& path, const std::string& requiredText)
{
    for (const char* pszAddress : kServerAddresses) {
        Document document{client.getUrl(pszAddress + path), {}};
        document.parsed = factory.ParseValidDocument(document.text, requiredText);
        if (document.parsed)
            return document;
    }
    return Document();
}

}
