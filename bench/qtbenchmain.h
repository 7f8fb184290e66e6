#pragma once
// The main() of the benchmarks that need a Qt application object (widgets, timers, sockets).
#include <benchmark/benchmark.h>

template <class App>
int RunBenchmarks(int argc, char** argv)
{
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
