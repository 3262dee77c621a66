// The stages of a management page after the local document is built, on the
// typical and the large simulated machine: the transformation of a built
// document (a fresh transformer on the compiled stylesheet), the peer
// round trips through the server library on its default loopback ports
// (the example peers installed), and the whole chain from peers to script
// data; and what the controllers' health adds to a whole page: reading it
// from the tree and writing its script, alone and as part of the page. The
// ports are the fixed ones: run under the ports lock.
#include "controllerhealth.h"
#include "discoverydocument.h"
#include "domprinter.h"
#include "healthscript.h"
#include "localwebclient.h"
#include "pagetransformation.h"
#include "peercollector.h"
#include "registration.h"
#include "stylesheet.h"
#include "system.h"
#include "tempmachine.h"
#include "xmllibraries.h"

#include "imxtransportsource.h"

#include <ZyrQWEX.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>

namespace {

namespace fs = std::filesystem;

// A machine laid out as the installed agent sees it: the pages and the
// configuration beside the executable's folder (the current directory),
// the example peers as web applications of the server.
class PageMachine {
public:
    explicit PageMachine(const char* pszDescription)
    {
        static std::once_flag s_once;
        std::call_once(s_once, [] {
            Web::initializeXmlLibraries();
            Operations::registerStartupOperations();
        });
        m_machine.useDescription(std::string(TSM_SOURCE_DIR) + "/sim/machines/" + pszDescription);
        const fs::path install = m_machine.driveC() + "/Tarvion";
        fs::create_directories(install / "bin");
        fs::copy(std::string(TSM_SOURCE_DIR) + "/html", install / "html", fs::copy_options::recursive);
        fs::copy_file(std::string(TSM_SOURCE_DIR) + "/web/config/vxaconfig.xml", install / "bin" / "vxaconfig.xml");
        const fs::path webapps = m_machine.driveC() + "/qwex/webapps";
        fs::create_directories(webapps);
        for (const auto& peer : fs::directory_iterator(std::string(TSM_SOURCE_DIR) + "/peers"))
            fs::copy(peer.path(), webapps / peer.path().filename(), fs::copy_options::recursive);
        m_previous = fs::current_path();
        fs::current_path(install / "bin");
        InfoMgr::discardRootClasses();
    }
    ~PageMachine()
    {
        stopServer();
        fs::current_path(m_previous);
        InfoMgr::discardRootClasses();
    }
    PageMachine(const PageMachine&) = delete;
    PageMachine& operator=(const PageMachine&) = delete;

    // The server library on its default ports; null (and the benchmark
    // marked as failed) when it did not start.
    QWEX_HANDLE startServer(benchmark::State& state)
    {
        QWEX_STARTUP_INFO startup{};
        QWEXPutLE32(startup.cbSize, QWEX_STARTUP_INFO_SIZE);
        QWEXPutLE32(startup.dwFormat, 2);
        std::strcpy(startup.szProductInfo, "MarketingName:Benchmark");
        QWEXStartupHTTPServer(&startup, &m_hServer);
        if (!m_hServer)
            state.SkipWithError("the server did not start (ports 2301/2381 taken?)");
        return m_hServer;
    }
    void stopServer()
    {
        if (m_hServer)
            QWEXShutdownHTTPServer(m_hServer);
        m_hServer = nullptr;
    }
    static std::string cacheDirectory() { return "C:\\qwex\\cache"; }

private:
    tsmtest::TempMachine m_machine;
    fs::path m_previous;
    QWEX_HANDLE m_hServer = nullptr;
};

void BM_Transform(benchmark::State& state, const char* pszDescription)
{
    PageMachine machine(pszDescription);
    const Xml::DocumentHandle built = Xml::BuildDiscoveryDocument();
    Web::Stylesheet stylesheet(Web::kStylesheetPath);
    std::size_t nBytes = 0;
    for (auto _ : state) {
        nBytes = stylesheet.transform(*built.get()).size();
        benchmark::DoNotOptimize(nBytes);
    }
    state.counters["script_bytes"] = static_cast<double>(nBytes);
}

void BM_PeerRoundTrips(benchmark::State& state)
{
    PageMachine machine("typical.xml");
    const QWEX_HANDLE hServer = machine.startServer(state);
    if (!hServer)
        return;
    std::size_t nDocuments = 0;
    for (auto _ : state) {
        Web::LocalWebClient client(hServer);
        Web::PeerCollector collector(client, machine.cacheDirectory());
        collector.collect();
        nDocuments = collector.supportDocuments().size() + collector.discoveryDocuments().size();
    }
    state.counters["documents"] = static_cast<double>(nDocuments);
}

// What of a page is timed: everything after the refresh (peers, append,
// print, parse, merge, print, transform), or the refresh and the local
// document too, with or without the health data read during the refresh.
enum class PageScope { eAFTER_REFRESH, eWHOLE, eWHOLE_WITH_HEALTH };

void measurePages(benchmark::State& state, const char* pszDescription, PageScope eScope)
{
    PageMachine machine(pszDescription);
    const QWEX_HANDLE hServer = machine.startServer(state);
    if (!hServer)
        return;
    std::size_t nBytes = 0;
    for (auto _ : state) {
        std::vector<Web::ControllerHealth> health;
        if (eScope == PageScope::eAFTER_REFRESH)
            state.PauseTiming();
        const Xml::DocumentHandle local =
            eScope == PageScope::eWHOLE_WITH_HEALTH
                ? Xml::BuildDiscoveryDocument(
                      [&health](const Core::DeviceList& described) { health = Web::ReadControllerHealth(described); })
                : Xml::BuildDiscoveryDocument();
        if (eScope == PageScope::eAFTER_REFRESH)
            state.ResumeTiming();
        nBytes = Web::transformDiscovery(local, hServer, machine.cacheDirectory()).size();
        if (eScope == PageScope::eWHOLE_WITH_HEALTH)
            nBytes += Web::HealthScript(health).size();
        benchmark::DoNotOptimize(nBytes);
    }
    state.counters["script_bytes"] = static_cast<double>(nBytes);
}

// Everything of a page after the refresh, on a built local document.
void BM_PageAfterRefresh(benchmark::State& state, const char* pszDescription)
{
    measurePages(state, pszDescription, PageScope::eAFTER_REFRESH);
}

// A whole page as its tags make it, with or without the health data.
void BM_WholePage(benchmark::State& state, const char* pszDescription, bool bHealth)
{
    measurePages(state, pszDescription, bHealth ? PageScope::eWHOLE_WITH_HEALTH : PageScope::eWHOLE);
}

// The health data alone: read from the described controllers of a refreshed
// tree, then written as script.
void BM_HealthData(benchmark::State& state, const char* pszDescription)
{
    PageMachine machine(pszDescription);
    // One thread only, so the devices may be kept past the tree's lock.
    Core::DeviceList described;
    Xml::BuildDiscoveryDocument([&described](const Core::DeviceList& controllers) { described = controllers; });
    std::size_t nBytes = 0;
    for (auto _ : state) {
        nBytes = Web::HealthScript(Web::ReadControllerHealth(described)).size();
        benchmark::DoNotOptimize(nBytes);
    }
    state.counters["controllers"] = static_cast<double>(described.size());
    state.counters["script_bytes"] = static_cast<double>(nBytes);
}

BENCHMARK_CAPTURE(BM_Transform, Typical, "typical.xml")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Transform, Large, "large.xml")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerRoundTrips)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PageAfterRefresh, Typical, "typical.xml")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PageAfterRefresh, Large, "large.xml")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HealthData, Large, "large.xml")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholePage, LargeWithoutHealth, "large.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholePage, LargeWithHealth, "large.xml", true)->Unit(benchmark::kMillisecond);

}
