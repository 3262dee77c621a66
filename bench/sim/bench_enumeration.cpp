// Enumeration costs on the simulated machines: building the PCI device table,
// the slot lookups and the price of one health driver request.
#include "imxenumeration.h"
#include "imxslotlookup.h"
#include "legacy/lnthealth.h"
#include "legacy/lntpcih.h"

#include <tempmachine.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <string>

namespace {

const std::string kMachines = std::string(TSM_SOURCE_DIR) + "/sim/machines/";

const char* const kScanMachines[] = {"typical.xml", "slot-setup.xml", "slot-routing-bridges.xml"};

void BM_PciTableScan(benchmark::State& state)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + kScanMachines[state.range(0)]);
    size_t devices = 0;
    for (auto _ : state)
        devices = InfoMgr::PCIDeviceFinder::scanConfigurationSpace().deviceCount();
    state.SetLabel(kScanMachines[state.range(0)]);
    state.counters["devices"] = static_cast<double>(devices);
}
BENCHMARK(BM_PciTableScan)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_SlotThroughSystem(benchmark::State& state)
{
    // 0: the health driver answers; 1: the setup records are searched.
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + (state.range(0) == 0 ? "slot-health.xml" : "slot-setup.xml"));
    static const GUID scsiAdapters = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    const HDEVINFO set = SetupDiGetClassDevsA(&scsiAdapters, nullptr, nullptr, DIGCF_PRESENT);
    std::array<std::uint8_t, 64> packet{};
    packet[48] = 2;
    packet[49] = 3;
    bool found = false;
    for (auto _ : state)
        benchmark::DoNotOptimize(found = InfoMgr::lookupSlotNumber(set, packet.data(), packet.size()));
    SetupDiDestroyDeviceInfoList(set);
    if (!found)
        state.SkipWithError("no slot found");
}
BENCHMARK(BM_SlotThroughSystem)->Arg(0)->Arg(1);

void BM_SlotThroughRouting(benchmark::State& state)
{
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-routing-bridges.xml");
    const InfoMgr::PCIDeviceFinder finder = InfoMgr::PCIDeviceFinder::scanConfigurationSpace();
    std::uint8_t slot = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(InfoMgr::lookupSlotByRouting(finder, 2, slot));
    if (slot != 7)
        state.SkipWithError("wrong slot");
}
BENCHMARK(BM_SlotThroughRouting);

void BM_HealthRequest(benchmark::State& state)
{
    // 0: no capture; 1: every request appended to a capture file.
    tsmtest::TempMachine machine;
    machine.useDescription(kMachines + "slot-health.xml");
    if (state.range(0) == 1)
        ::setenv("SIM_CAPTURE", (machine.root() + "/capture.jsonl").c_str(), 1);
    std::uint8_t slot = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(InfoMgr::Health::readSlotNumber(2, 3, 0, slot));
    ::unsetenv("SIM_CAPTURE");
    state.counters["ioctls"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HealthRequest)->Arg(0)->Arg(1);

} // namespace
