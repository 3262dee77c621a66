// A full refresh of the device tree on the simulated typical and large
// machines: discovery of every adapter and controller, controller
// information for each, and the sweep. Counts the device I/O calls of one
// refresh. "Steady" refreshes a tree that is already there, the way every
// page request does; "First" starts from an empty tree and a hardware
// library that has not scanned the machine yet.
#include "imxdevicechannel.h"
#include "imxtransportsource.h"
#include "registration.h"
#include "system.h"
#include "tempmachine.h"

#include <windows.h>
#include <winioctl.h>

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

class CountingChannel : public InfoMgr::DeviceChannel {
public:
    CountingChannel() : m_next(InfoMgr::deviceChannel()) { InfoMgr::setDeviceChannel(this); }
    ~CountingChannel() override { InfoMgr::setDeviceChannel(nullptr); }
    CountingChannel(const CountingChannel&) = delete;
    CountingChannel& operator=(const CountingChannel&) = delete;

    long ioctls = 0;

    HANDLE openDevice(const std::string& sDeviceName) override
    {
        return m_next.openDevice(sDeviceName);
    }
    bool ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override
    {
        ++ioctls;
        return m_next.ioControl(hDevice, dwCode, pIn, dwInLength, pOut, dwOutLength, dwReturned);
    }
    void closeDevice(HANDLE hDevice) override { m_next.closeDevice(hDevice); }

private:
    InfoMgr::DeviceChannel& m_next; // the channel that was in use: the platform's
};

void detachTree(const Core::DevicePtr& pDevice)
{
    const std::vector<Core::DevicePtr> children(pDevice->beginChild(), pDevice->endChild());
    for (const Core::DevicePtr& pChild : children) {
        detachTree(pChild);
        Core::Device::removeChild(pDevice, pChild);
    }
}

std::size_t deviceCount(const Core::Device& device)
{
    std::size_t count = 1;
    for (auto it = device.beginChild(); it != device.endChild(); ++it)
        count += deviceCount(**it);
    return count;
}

void startFresh(const Core::DevicePtr& pRoot)
{
    detachTree(pRoot);
    InfoMgr::discardRootClasses();
}

void BM_Refresh(benchmark::State& state, const char* pszMachine, bool bFirst)
{
    static std::once_flag s_registered;
    std::call_once(s_registered, [] { Operations::registerStartupOperations(); });
    tsmtest::TempMachine machine;
    machine.useDescription(std::string(TSM_MACHINES_DIR) + "/" + pszMachine);
    const Core::DevicePtr pRoot = Schema::System::instance();
    startFresh(pRoot);
    CountingChannel channel;
    pRoot->refresh();
    long refreshes = 0;
    const long before = channel.ioctls;
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
    state.counters["devices"] = benchmark::Counter(static_cast<double>(deviceCount(*pRoot)));
    startFresh(pRoot);
}

BENCHMARK_CAPTURE(BM_Refresh, SteadyTypical, "typical.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, SteadyLarge, "large.xml", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, FirstTypical, "typical.xml", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, FirstLarge, "large.xml", true)->Unit(benchmark::kMillisecond);

}
