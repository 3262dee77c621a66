// PeerCollector: finds the other web applications of the server (peers) and
// fetches their support documents and, where they own one, their discovery
// documents, for one page request.
#ifndef TSM_WEB_PEERCOLLECTOR_H
#define TSM_WEB_PEERCOLLECTOR_H

#include "documenthandle.h"
#include "domfactory.h"
#include "localwebclient.h"

#include <map>
#include <set>
#include <string>

namespace Web {

class PeerCollector {
public:
    // A document as the peer sent it, and as it parsed (with validation).
    struct Document {
        std::string text;
        Xml::DocumentHandle parsed;
    };
    // Peer name to document, in ascending byte order of the name.
    using Documents = std::map<std::string, Document>;

    // Peers come from "vxaconfig.xml" in the current directory (read again
    // only when it changes) and from the files listed in the cache directory
    // (a DOS path).
    PeerCollector(LocalWebClient& client, std::string cacheDirectory);

    // The configuration beside the executable, relative to the current directory.
    static constexpr const char* kConfigurationFile = "vxaconfig.xml";
    // The well-known peers a configuration file (host path) names.
    static std::set<std::string> readWellKnownPeers(const std::string& hostPath);

    // Asks every peer named in the configuration or by a file "<name>.vxa"
    // in the cache directory, each once, in ascending order of the name.
    void collect();

    const Documents& supportDocuments() const noexcept { return m_supportDocuments; }
    const Documents& discoveryDocuments() const noexcept { return m_discoveryDocuments; }

private:
    // What one peer gave: its support document, and its discovery document
    // when the support document owns one ("" for what it did not give).
    struct PeerDocuments {
        Document support;
        Document discovery;
    };

    std::set<std::string> cachedPeers() const;
    // Runs on a thread of its own with a client of its own: the peers of one
    // page are asked at once.
    PeerDocuments fetchPeer(const std::string& peer) const;
    // Records what a peer gave.
    void keep(const std::string& peer, PeerDocuments documents);
    static std::string discoveryNameOf(const Xml::DocumentHandle& support);
    // The first response, HTTPS first, that is a valid document holding the
    // required text; an empty one when neither address gives one.
    static Document fetchDocument(LocalWebClient& client, const Xml::DOMFactory& factory, const std::string& path,
                                  const std::string& requiredText);

    Documents m_supportDocuments;
    Documents m_discoveryDocuments;
    LocalWebClient& m_client;
    std::string m_strCacheDirectory;
};

}

#endif
