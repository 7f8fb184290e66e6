#pragma once
// The benchmarks' yardstick: one plain memcpy of a 1920x1080 grey frame. Each figure is reported
// with its ratio to it, so results compare across machines.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <opencv2/core.hpp>

namespace bench {

constexpr int kFrameW = 1920, kFrameH = 1080;

inline double memcpySeconds()
{
    static const double secs = [] {
        std::vector<uchar> a(size_t(kFrameW) * kFrameH, 1), b(size_t(kFrameW) * kFrameH);
        const int reps = 400;
        const int64 t0 = cv::getTickCount();
        for (int i = 0; i < reps; ++i) {
            std::memcpy(b.data(), a.data(), a.size());
            benchmark::DoNotOptimize(b.data());
            benchmark::ClobberMemory();
        }
        return double(cv::getTickCount() - t0) / cv::getTickFrequency() / reps;
    }();
    return secs;
}

// Reports the mean time per iteration divided by one frame memcpy.
struct Ratio {
    benchmark::State& state;
    int64 start = cv::getTickCount();
    ~Ratio()
    {
        const double per = double(cv::getTickCount() - start) / cv::getTickFrequency() / double(state.iterations());
        state.counters["x_memcpy"] = per / memcpySeconds();
    }
};

// The yardstick itself, as a benchmark of its own.
inline void BM_Memcpy(benchmark::State& state)
{
    cv::setNumThreads(1);
    std::vector<uchar> a(size_t(kFrameW) * kFrameH, 1), b(size_t(kFrameW) * kFrameH);
    Ratio r{state};
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace bench
