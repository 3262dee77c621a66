// Running controller commands: parameter setup, the outcome lookup and the
// debug-log lines, against a device that answers at once.
#include "bmiccommand.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

class RefusingDevice : public Core::BmicDevice {
public:
    bool sendBmicCommand(Core::BmicParameters& parameters) override
    {
        parameters.commandStatus = 1;
        parameters.scsiStatus = 2;
        std::uint8_t* pSense = static_cast<std::uint8_t*>(parameters.pSenseBuffer);
        std::memset(pSense, 0, parameters.senseLength);
        pSense[2] = 5;
        pSense[12] = 0x25;
        parameters.senseLength = 18;
        return true;
    }
};

class AnsweringDevice : public Core::BmicDevice {
public:
    bool sendBmicCommand(Core::BmicParameters&) override { return true; }
};

void BM_IdentifyControllerAnswered(benchmark::State& state)
{
    AnsweringDevice device;
    std::size_t commands = 0;
    for (auto _ : state) {
        Core::IdentifyControllerCommand command;
        benchmark::DoNotOptimize(command.run(device)->value());
        ++commands;
    }
    state.counters["commands"] = benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IdentifyControllerAnswered);

void BM_IdentifyControllerRefused(benchmark::State& state)
{
    RefusingDevice device;
    std::size_t commands = 0;
    for (auto _ : state) {
        Core::IdentifyControllerCommand command;
        benchmark::DoNotOptimize(command.run(device)->value());
        ++commands;
    }
    state.counters["commands"] = benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IdentifyControllerRefused);

}
