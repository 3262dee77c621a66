// Refresh of device trees with cheap discoveries, and DeviceFinder over them.
#include "clog.h"
#include "testkinds.h"

#include <benchmark/benchmark.h>

using namespace coretest;
using Core::DeviceOperation;
using Core::DevicePtr;

namespace {

constexpr int kControllers = 100;
constexpr int kDrivesPerController = 99;

// Kinds: 900 root, 901 controller, 902 drive (keyed); 910/911 a wide parent
// with keyed children, 920/921 with keyless ones.
void registerTreeDiscoveries()
{
    static const bool s_bDone = [] {
        registerProbe<900>(
            "OperationDiscoverControllers", DeviceOperation::eDISCOVER, nullptr, [](Gadget<900>& root, Probe<900>&) {
                const DevicePtr pSelf = root.self();
                for (int i = 0; i < kControllers; ++i)
                    Core::Device::addChild(pSelf, makeGadget<901>("C" + std::to_string(i), "controller"));
                return CountedPtr<Core::Status>(new Core::Status(true));
            });
        registerProbe<901>("OperationDiscoverDrives", DeviceOperation::eDISCOVER, nullptr,
                           [](Gadget<901>& controller, Probe<901>&) {
                               const DevicePtr pSelf = controller.self();
                               for (int i = 0; i < kDrivesPerController; ++i)
                                   Core::Device::addChild(pSelf, makeGadget<902>(std::to_string(i), "drive"));
                               return CountedPtr<Core::Status>(new Core::Status(true));
                           });
        registerProbe<902>("OperationReadDrive", DeviceOperation::eREAD);
        return true;
    }();
    static_cast<void>(s_bDone);
}

template <int ParentTag, int ChildTag>
void registerWideDiscovery(const int* pnChildren, bool bKeyed)
{
    registerProbe<ParentTag>(
        "OperationDiscoverMany", DeviceOperation::eDISCOVER, nullptr,
        [pnChildren, bKeyed](Gadget<ParentTag>& parent, Probe<ParentTag>&) {
            const DevicePtr pSelf = parent.self();
            for (int i = 0; i < *pnChildren; ++i)
                Core::Device::addChild(pSelf, makeGadget<ChildTag>(std::to_string(i), "box", bKeyed));
            return CountedPtr<Core::Status>(new Core::Status(true));
        });
}

std::size_t countDevices(const DevicePtr& pRoot)
{
    return Core::DeviceFinder(pRoot).findDevices().size();
}

// Refresh of an already built tree of 10 001 devices: every device is found
// again and merged, nothing is swept.
void BM_RefreshTree(benchmark::State& state)
{
    DebugLog::disable();
    registerTreeDiscoveries();
    const DevicePtr pRoot = makeGadget<900>("System", "system");
    RootScope scope(pRoot);
    pRoot->refresh();
    for (auto _ : state)
        pRoot->refresh();
    state.counters["devices"] = static_cast<double>(countDevices(pRoot));
    DebugLog::enable();
}
BENCHMARK(BM_RefreshTree)->Unit(benchmark::kMillisecond);

// The first refresh, which attaches all 10 001 devices.
void BM_BuildTree(benchmark::State& state)
{
    DebugLog::disable();
    registerTreeDiscoveries();
    for (auto _ : state) {
        const DevicePtr pRoot = makeGadget<900>("System", "system");
        RootScope scope(pRoot);
        pRoot->refresh();
        benchmark::DoNotOptimize(pRoot->childCount());
    }
    DebugLog::enable();
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

void BM_FindInTree(benchmark::State& state)
{
    DebugLog::disable();
    registerTreeDiscoveries();
    const DevicePtr pRoot = makeGadget<900>("System", "system");
    RootScope scope(pRoot);
    pRoot->refresh();
    std::size_t found = 0;
    for (auto _ : state) {
        Core::DeviceFinder finder(pRoot);
        if (state.range(0) != 0)
            finder.addCriterion("Type", "controller");
        found = finder.findDevices().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
    DebugLog::enable();
}
BENCHMARK(BM_FindInTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One parent with many children: keyed children are found through the
// parent's index, keyless ones by asking every sibling in turn.
template <int ParentTag, int ChildTag>
void wideRefresh(benchmark::State& state, bool bKeyed)
{
    DebugLog::disable();
    static int s_nChildren = 0;
    static const bool s_bRegistered = (registerWideDiscovery<ParentTag, ChildTag>(&s_nChildren, bKeyed), true);
    static_cast<void>(s_bRegistered);
    s_nChildren = static_cast<int>(state.range(0));
    const DevicePtr pRoot = makeGadget<ParentTag>("Wide", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    for (auto _ : state)
        pRoot->refresh();
    state.counters["children"] = static_cast<double>(pRoot->childCount());
    state.SetComplexityN(state.range(0));
    DebugLog::enable();
}

void BM_RefreshWideParentKeyed(benchmark::State& state)
{
    wideRefresh<910, 911>(state, true);
}
BENCHMARK(BM_RefreshWideParentKeyed)->Arg(1250)->Arg(2500)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_RefreshWideParentKeyless(benchmark::State& state)
{
    wideRefresh<920, 921>(state, false);
}
BENCHMARK(BM_RefreshWideParentKeyless)->Arg(1250)->Arg(2500)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();

// Every child of a wide parent vanishes (one sweep), then all come back.
void BM_SweepAndReattachWideParent(benchmark::State& state)
{
    DebugLog::disable();
    static int s_nChildren = 0;
    static const bool s_bRegistered = (registerWideDiscovery<930, 931>(&s_nChildren, true), true);
    static_cast<void>(s_bRegistered);
    const int nChildren = static_cast<int>(state.range(0));
    const DevicePtr pRoot = makeGadget<930>("Wide", "root");
    RootScope scope(pRoot);
    for (auto _ : state) {
        s_nChildren = nChildren;
        pRoot->refresh();
        s_nChildren = 0;
        pRoot->refresh();
    }
    state.SetComplexityN(state.range(0));
    DebugLog::enable();
}
BENCHMARK(BM_SweepAndReattachWideParent)->Arg(1250)->Arg(2500)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();

}
