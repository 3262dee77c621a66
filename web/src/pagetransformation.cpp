// The chain of one transformation tag after the local document is built:
// peers, append, merge, transform.
#include "pagetransformation.h"

#include "localwebclient.h"
#include "peercollector.h"
#include "stylesheet.h"
#include "webhost.h"

#include "discoverydocument.h"
#include "discoverymerger.h"

namespace Web {

const char kStylesheetPath[] = "../html/vxaxmltojs.xsl";

std::string transformDiscovery(const Xml::DocumentHandle& local, QWEX_HANDLE hServer,
                               const std::string& cacheDirectory)
{
    if (!local)
        return std::string();
    LocalWebClient client(hServer);
    PeerCollector collector(client, cacheDirectory);
    collector.collect();

    const WebHost::PageWorkSlot slot(WebHost::instance());
    for (const auto& [peer, document] : collector.discoveryDocuments())
        Xml::AppendDevices(local, document.parsed, peer);

    // The peers' documents were parsed as they arrived, and the merge and the
    // transformation read the documents in place: nothing is printed and
    // parsed again on the way.
    Xml::DiscoveryMerger merger(local);
    for (const auto& [peer, document] : collector.supportDocuments())
        merger.Merge(document.parsed, peer);
    return WebHost::instance().pageStylesheet().transform(*merger.document().get());
}

}
