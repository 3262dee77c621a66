// A full refresh of the device tree on the simulated typical and large
// machines: discovery of every adapter and controller, controller
// information for each, and the sweep. Counts the device I/O calls of one
// refresh. "Steady" refreshes a tree that is already there, the way every
// page request does; "First" starts from an empty tree and a hardware
// library that has not scanned the machine yet.
#include "refreshsupport.h"
#include "registration.h"

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>

namespace {

void BM_Refresh(benchmark::State& state, const char* pszMachine, bool bFirst)
{
    static std::once_flag s_registered;
    std::call_once(s_registered, [] { Operations::registerStartupOperations(); });
    benchsupport::measureRefreshes(state, std::string(TSM_MACHINES_DIR) + "/" + pszMachine, bFirst);
}

BENCHMARK_CAPTURE(BM_Refresh, SteadyTypical, "typical.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, SteadyLarge, "large.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, FirstTypical, "typical.xml", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, FirstLarge, "large.xml", true)->Unit(benchmark::kMillisecond);

}
