// Merging a discovery pass into a parent that already holds the controllers:
// every new controller is compared with the existing children by its rule.
#include "arraycontroller.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

Core::DevicePtr slotController(unsigned slot)
{
    Core::DevicePtr pController(new Schema::ArrayController(slot + 1, 0x4002, static_cast<std::uint16_t>(slot),
                                                            Schema::ArrayController::eLOCAL));
    pController->updateAttribute(Core::Attribute("Slot", std::to_string(slot)));
    pController->updateAttribute(Core::Attribute("Type", "arraycontroller"));
    return pController;
}

void detachAll(const Core::DevicePtr& pParent)
{
    const std::vector<Core::DevicePtr> children(pParent->beginChild(), pParent->endChild());
    for (const Core::DevicePtr& pChild : children)
        Core::Device::removeChild(pParent, pChild);
}

void BM_MergeRediscoveredControllers(benchmark::State& state)
{
    const auto count = static_cast<unsigned>(state.range(0));
    Core::DevicePtr pParent = slotController(1000);
    for (unsigned slot = 0; slot < count; ++slot)
        Core::Device::addChild(pParent, slotController(slot));
    std::size_t merges = 0;
    for (auto _ : state) {
        for (unsigned slot = 0; slot < count; ++slot) {
            Core::Device::addChild(pParent, slotController(slot));
            ++merges;
        }
    }
    benchmark::DoNotOptimize(pParent->childCount());
    state.counters["merges"] = benchmark::Counter(static_cast<double>(merges), benchmark::Counter::kIsRate);
    detachAll(pParent);
}
BENCHMARK(BM_MergeRediscoveredControllers)->Arg(4)->Arg(16)->Arg(64);

}
