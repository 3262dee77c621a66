// The chain of one transformation tag after the local document is built:
// peers, append, merge, transform.
#include "pagetransformation.h"

#include "lasttransformation.h"
#include "localwebclient.h"
#include "peercollector.h"
#include "stylesheet.h"
#include "webhost.h"

#include "discoverydocument.h"
#include "discoverymerger.h"
#include "domprinter.h"

namespace Web {

const char kStylesheetPath[] = "../html/vxaxmltojs.xsl";

namespace {

// Everything the script data is made of, in one text: the version of the
// stylesheet, the local document and each peer's documents with its name.
std::string inputsOf(const Xml::DocumentHandle& local, const PeerCollector& collector, uint64_t stylesheetVersion)
{
    std::string inputs = std::to_string(stylesheetVersion) + '\n' + Xml::DOMPrinter::ToString(local.get());
    for (const auto* pDocuments : {&collector.discoveryDocuments(), &collector.supportDocuments()}) {
        for (const auto& [peer, document] : *pDocuments)
            inputs.append(1, '\0').append(peer).append(1, '\0').append(document.text);
        inputs.append(1, '\0');
    }
    return inputs;
}

}

std::string transformDiscovery(const Xml::DocumentHandle& local, QWEX_HANDLE hServer, const std::string& cacheDirectory)
{
    if (!local)
        return std::string();
    LocalWebClient client(hServer);
    PeerCollector collector(client, cacheDirectory);
    collector.collect();

    WebHost& host = WebHost::instance();
    const WebHost::PageWorkSlot slot(host);
    const std::string inputs = inputsOf(local, collector, host.pageStylesheet().version());
    if (std::optional<std::string> result = host.lastTransformation().find(inputs))
        return std::move(*result);

    for (const auto& [peer, document] : collector.discoveryDocuments())
        Xml::AppendDevices(local, document.parsed, peer);
    // The peers' documents were parsed as they arrived, and the merge and the
    // transformation read the documents in place: nothing is printed and
    // parsed again on the way.
    Xml::DiscoveryMerger merger(local);
    for (const auto& [peer, document] : collector.supportDocuments())
        merger.Merge(document.parsed, peer);
    std::string result = host.pageStylesheet().transform(*merger.document().get());
    host.lastTransformation().keep(inputs, result);
    return result;
}

}
