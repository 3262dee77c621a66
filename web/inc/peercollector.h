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
    // Peer name to document text, in ascending byte order of the name.
    using Documents = std::map<std::string, std::string>;

    // Reads "vxaconfig.xml" from the current directory; peer files are
    // listed in the cache directory (a DOS path).
    PeerCollector(LocalWebClient& client, std::string cacheDirectory);

    // Asks every peer named in the configuration or by a file "<name>.vxa"
    // in the cache directory, each once, in ascending order of the name.
    void collect();

    const Documents& supportDocuments() const noexcept { return m_supportDocuments; }
    const Documents& discoveryDocuments() const noexcept { return m_discoveryDocuments; }

private:
    std::set<std::string> wellKnownPeers() const;
    std::set<std::string> cachedPeers() const;
    void fetchPeer(const std::string& peer);
    std::string discoveryNameOf(const std::string& peer) const;
    // The first response, HTTPS first, that is a valid document holding the
    // required text; "" when neither address gives one.
    std::string fetchDocument(const std::string& path, const std::string& requiredText);

    Documents m_supportDocuments;
    Documents m_discoveryDocuments;
    Xml::DOMFactory m_factory;
    Xml::DocumentHandle m_configuration;
    LocalWebClient& m_client;
    std::string m_strCacheDirectory;
};

}

#endif
