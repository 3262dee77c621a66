// What the refresh benchmarks share: a tree started afresh, and refreshes
// measured with the device calls they make.
#ifndef TSM_BENCH_REFRESHSUPPORT_H
#define TSM_BENCH_REFRESHSUPPORT_H

#include "countingchannel.h"
#include "device.h"
#include "imxtransportsource.h"
#include "system.h"
#include "tempmachine.h"

#include <windows.h>
#include <winioctl.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace benchsupport {

inline void detachTree(const Core::DevicePtr& pDevice)
{
    const std::vector<Core::DevicePtr> children(pDevice->beginChild(), pDevice->endChild());
    for (const Core::DevicePtr& pChild : children) {
        detachTree(pChild);
        Core::Device::removeChild(pDevice, pChild);
    }
}

inline std::size_t deviceCount(const Core::Device& device)
{
    std::size_t count = 1;
    for (auto it = device.beginChild(); it != device.endChild(); ++it)
        count += deviceCount(**it);
    return count;
}

inline void startFresh(const Core::DevicePtr& pRoot)
{
    detachTree(pRoot);
    InfoMgr::discardRootClasses();
}

// Refreshes the tree of the described machine with the operations the
// process registered: a tree that is already there, or with bFirst an
// empty tree and a hardware library that has not scanned the machine yet.
// Counts the device I/O calls and the devices of one refresh.
inline void measureRefreshes(benchmark::State& state, const std::string& machinePath, bool bFirst)
{
    tsmtest::TempMachine machine;
    machine.useDescription(machinePath);
    const Core::DevicePtr pRoot = Schema::System::instance();
    startFresh(pRoot);
    CountingChannel channel;
    pRoot->refresh();
    long refreshes = 0;
    const long before = channel.ioctls;
    const long opensBefore = channel.opens;
    for (auto _ : state) {
        if (bFirst) {
            state.PauseTiming();
            startFresh(pRoot);
            state.ResumeTiming();
        }
        pRoot->refresh();
        ++refreshes;
    }
    state.counters["ioctls"] = benchmark::Counter(static_cast<double>(channel.ioctls - before) / refreshes);
    state.counters["opens"] = benchmark::Counter(static_cast<double>(channel.opens - opensBefore) / refreshes);
    state.counters["devices"] = benchmark::Counter(static_cast<double>(deviceCount(*pRoot)));
    startFresh(pRoot);
}

}

#endif
