// A full refresh with the full registration set: arrays, logical and
// physical drives with their information on top of the controllers, on the
// drives machine and the large machine with its hundreds of drives.
#include "refreshsupport.h"
#include "registration.h"

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>

namespace {

void BM_RefreshFullSet(benchmark::State& state, const char* pszMachine, bool bFirst)
{
    static std::once_flag s_registered;
    std::call_once(s_registered, [] { Operations::registerArraySet(); });
    benchsupport::measureRefreshes(state, std::string(TSM_MACHINES_DIR) + "/" + pszMachine, bFirst);
}

BENCHMARK_CAPTURE(BM_RefreshFullSet, SteadyDrives, "drives.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RefreshFullSet, SteadyLarge, "large.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RefreshFullSet, FirstLarge, "large.xml", true)->Unit(benchmark::kMillisecond);

}
