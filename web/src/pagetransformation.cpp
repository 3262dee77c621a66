// The chain of one transformation tag after the local document is built:
// peers, append, print, parse, merge, print, transform.
#include "pagetransformation.h"

#include "localwebclient.h"
#include "peercollector.h"
#include "stylesheet.h"
#include "webhost.h"

#include "discoverydocument.h"
#include "discoverymerger.h"
#include "domfactory.h"
#include "domprinter.h"

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
    const Xml::DOMFactory factory;
    for (const auto& [peer, text] : collector.discoveryDocuments())
        Xml::AppendDevices(local, text, factory, peer);

    Xml::DocumentHandle printed = factory.ParseBuffer(Xml::DOMPrinter::ToString(local.get()), false);
    if (!printed)
        return std::string();
    Xml::DiscoveryMerger merger(printed);
    for (const auto& [peer, text] : collector.supportDocuments()) {
        // A client document that does not parse adds nothing.
        if (Xml::DocumentHandle client = factory.ParseBuffer(text, false))
            merger.Merge(client, peer);
    }
    return transformText(Xml::DOMPrinter::ToString(merger.document().get()), kStylesheetPath);
}

}
