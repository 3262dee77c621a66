// A full scan of a simulated machine through the object model: both root
// classes, every controller and adapter, their remote controllers and drives,
// with the bus information and status of each controller. Counts the device
// I/O calls the scan makes.
#include "countingchannel.h"
#include "imxinfomgrapi.h"
#include "imxtransportsource.h"
#include "tempmachine.h"

#include <winioctl.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace InfoMgr;

std::vector<INFOMGR_HANDLE> childrenOf(INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eType)
{
    std::vector<INFOMGR_HANDLE> handles;
    for (std::uint32_t n = 0;; ++n) {
        INFOMGR_HANDLE hChild = kNullHandle;
        if (getChild(hParent, eType, n, &hChild) != kResultOk)
            break;
        handles.push_back(hChild);
    }
    return handles;
}

// Adapters have remote controllers only; asking them for drives is a misuse.
long readController(INFOMGR_HANDLE hController, bool bHasDrives)
{
    std::uint8_t abBusInfo[82];
    std::uint32_t dwSize = sizeof abBusInfo;
    getInfo(hController, 1, 0, abBusInfo, &dwSize);
    std::uint8_t bStatus = 0;
    dwSize = 1;
    getInfo(hController, 5, 0, &bStatus, &dwSize);
    long nObjects = 1;
    for (INFOMGR_OBJECT_TYPE eType : {0x8003u, 0x8005u})
        if (bHasDrives)
            nObjects += static_cast<long>(childrenOf(hController, eType).size());
    for (INFOMGR_HANDLE hRemote : childrenOf(hController, 0x8007)) {
        ++nObjects;
        for (INFOMGR_OBJECT_TYPE eType : {0x8003u, 0x8005u})
            nObjects += static_cast<long>(childrenOf(hRemote, eType).size());
    }
    return nObjects;
}

void fullScan(benchmark::State& state, const char* pszMachine)
{
    tsmtest::TempMachine machine;
    machine.useDescription(std::string(TSM_MACHINES_DIR) + "/" + pszMachine);
    benchsupport::CountingChannel channel;
    long nObjects = 0;
    for (auto _ : state) {
        discardRootClasses();
        channel.ioctls = 0;
        channel.opens = 0;
        INFOMGR_HANDLE hArrays = kNullHandle;
        INFOMGR_HANDLE hAdapters = kNullHandle;
        open(kNullHandle, 0x4002, &hArrays);
        open(kNullHandle, 0x4001, &hAdapters);
        nObjects = 0;
        for (INFOMGR_HANDLE hController : childrenOf(hArrays, 0x8000))
            nObjects += readController(hController, true);
        for (INFOMGR_HANDLE hAdapter : childrenOf(hAdapters, 0x8000))
            nObjects += readController(hAdapter, false);
        benchmark::DoNotOptimize(nObjects);
    }
    discardRootClasses();
    state.counters["ioctls"] = static_cast<double>(channel.ioctls);
    state.counters["opens"] = static_cast<double>(channel.opens);
    state.counters["objects"] = static_cast<double>(nObjects);
}

void BM_FullScanTypical(benchmark::State& state)
{
    fullScan(state, "typical.xml");
}
void BM_FullScanLarge(benchmark::State& state)
{
    fullScan(state, "large.xml");
}

BENCHMARK(BM_FullScanTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullScanLarge)->Unit(benchmark::kMillisecond);

}
