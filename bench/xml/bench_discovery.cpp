// The discovery document of the large simulated machine: building it from a
// refreshed tree and printing it, as every page request does first; then the
// printed text parsed back and N client documents merged into it. And the
// example peers merged as a page merges them, with the work the merge spends.
#include "detachtree.h"
#include "discoverydocument.h"
#include "discoverymerger.h"
#include "domfactory.h"
#include "domprinter.h"
#include "imxtransportsource.h"
#include "registration.h"
#include "system.h"
#include "tempmachine.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

// The start-up operations and the XML library, once per process; a fresh
// tree on the large machine for each benchmark.
class LargeMachine {
public:
    explicit LargeMachine(const std::string& description = "large.xml")
    {
        static std::once_flag s_once;
        std::call_once(s_once, [] {
            xercesc::XMLPlatformUtils::Initialize();
            Operations::registerStartupOperations();
        });
        m_machine.useDescription(std::string(TSM_MACHINES_DIR) + "/" + description);
        InfoMgr::discardRootClasses();
    }
    ~LargeMachine()
    {
        schematest::detachChildren(Schema::System::instance());
        InfoMgr::discardRootClasses();
    }

private:
    tsmtest::TempMachine m_machine;
};

// Client n offers one operation on every device, one on the PCI controllers,
// and an operation on several devices shared by every second client.
std::string client(int n)
{
    const std::string id = std::to_string(n);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<VXA_ClientQWEX><QWEXInfo><RegisteredName>client" + id +
           "</RegisteredName><RequestPage>page.htm</RequestPage></QWEXInfo><Devices>"
           "<Device><Type><Any/></Type><Class><Any/></Class><Instance><Any/></Instance><Operations>"
           "<SingleDeviceOperation><Name>Show" +
           id +
           "</Name><Description>Show it</Description></SingleDeviceOperation></Operations></Device>"
           "<Device><Type><PCI/></Type><Class><ArrayController/></Class><Instance><Any/></Instance><Operations>"
           "<SingleDeviceOperation><Name>Tune" +
           id + "</Name></SingleDeviceOperation><MultipleDeviceOperation><Name>Update" + std::to_string(n % 2) +
           "</Name><DeviceGroupName>All PCI</DeviceGroupName></MultipleDeviceOperation></Operations></Device>"
           "</Devices></VXA_ClientQWEX>\n";
}

void BM_BuildAndPrint(benchmark::State& state)
{
    LargeMachine machine;
    std::size_t nBytes = 0;
    for (auto _ : state) {
        const Xml::DocumentHandle document = Xml::BuildDiscoveryDocument();
        nBytes = Xml::DOMPrinter::ToString(document.get()).size();
        benchmark::DoNotOptimize(nBytes);
    }
    state.counters["bytes"] = benchmark::Counter(static_cast<double>(nBytes));
}

void BM_PrintParseMerge(benchmark::State& state)
{
    LargeMachine machine;
    const Xml::DOMFactory factory;
    const Xml::DocumentHandle built = Xml::BuildDiscoveryDocument();
    std::vector<std::string> clients;
    for (int n = 0; n < state.range(0); ++n)
        clients.push_back(client(n));
    std::size_t nBytes = 0;
    for (auto _ : state) {
        const std::string printed = Xml::DOMPrinter::ToString(built.get());
        Xml::DiscoveryMerger merger(factory.ParseBuffer(printed, false));
        for (const std::string& text : clients)
            merger.Merge(factory.ParseBuffer(text, false));
        nBytes = Xml::DOMPrinter::ToString(merger.document().get()).size();
        benchmark::DoNotOptimize(nBytes);
    }
    state.counters["merged_bytes"] = benchmark::Counter(static_cast<double>(nBytes));
    state.counters["peers"] = static_cast<double>(clients.size());
}

// The example peers: RackView's devices appended, every support document
// merged. Argument 0 is the typical machine, 1 the large one.
void BM_MergeExamplePeers(benchmark::State& state)
{
    LargeMachine machine(state.range(0) == 0 ? "typical.xml" : "large.xml");
    const Xml::DOMFactory factory;
    const std::string peers = TSM_PEERS_DIR;
    const std::string discovery = tsmtest::readFile(peers + "/RackView/vxadiscovery.xml");
    std::vector<std::string> clients;
    for (const char* name : {"ArrayTools", "FirmwarePlus", "RackView", "Suite/EventView"})
        clients.push_back(tsmtest::readFile(peers + "/" + name + "/vxasupport.xml"));
    const std::string built = Xml::DOMPrinter::ToString(Xml::BuildDiscoveryDocument().get());
    Xml::MergeWork spent;
    for (auto _ : state) {
        const Xml::DocumentHandle local = factory.ParseBuffer(built, false);
        Xml::AppendDevices(local, discovery, factory);
        Xml::DiscoveryMerger merger(factory.ParseBuffer(Xml::DOMPrinter::ToString(local.get()), false));
        for (const std::string& text : clients)
            merger.Merge(factory.ParseBuffer(text, false));
        benchmark::DoNotOptimize(Xml::DOMPrinter::ToString(merger.document().get()).size());
        spent = merger.spent();
    }
    state.counters["visits"] = static_cast<double>(spent.visits);
    state.counters["nodes"] = static_cast<double>(spent.nodes);
    state.counters["characters"] = static_cast<double>(spent.characters);
}

BENCHMARK(BM_BuildAndPrint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintParseMerge)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeExamplePeers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}
