// Events a minute of the cycle simulation (tests/common/cyclesim.h) on one core: each iteration
// runs one seed's set-up and events on the real main window.
#include <QApplication>

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <cstdio>
#include "common/cyclesim.h"
#include "common/virtualdispatcher.h"

namespace {

void BM_CycleSimEvents(benchmark::State& state)
{
    const int events = int(state.range(0));
    uint64_t seed = 1;
    long total = 0;
    long deliveries = 0;
    for (auto _ : state) {
        const cyclesim::SeedRun r = cyclesim::RunSeed(seed++, events, false);
        total += r.result.events;
        deliveries += r.result.deliveries;
    }
    state.counters["events_per_min"] = benchmark::Counter(double(total) * 60.0, benchmark::Counter::kIsRate);
    state.counters["timer_deliveries_per_event"] = double(deliveries) / double(std::max(total, 1L));
}
BENCHMARK(BM_CycleSimEvents)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(10.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    qputenv("MOULDMON_DRYRUN", "1");
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    VirtualDispatcher::Install();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The window's record and count writers still run: no static destructor under them.
    std::fflush(stdout);
    _exit(0);
}
