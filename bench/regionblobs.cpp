// The blob opening of a region check with the largest filter a loaded record may carry (12800,
// clamped to the region) on a 240 x 180 region with one dark disc, then on larger regions full of
// blobs: the cost grows with the region's area times its shorter side. One core.
#include <benchmark/benchmark.h>

#include <opencv2/imgproc.hpp>

#include "vision/inspection/regionblobs.h"

namespace {

void BM_OpenBlobsLargestFilter(benchmark::State& state)
{
    cv::setNumThreads(1);
    const cv::Size size(int(state.range(0)), int(state.range(1)));
    cv::Mat work(size, CV_8UC1, cv::Scalar(0));
    if (size.width <= 240) {
        cv::circle(work, cv::Point(100, 70), 10, cv::Scalar(255), cv::FILLED);
    } else {
        for (int y = 40; y < size.height; y += 80)
            for (int x = 40; x < size.width; x += 80)
                cv::circle(work, cv::Point(x, y), 10, cv::Scalar(255), cv::FILLED);
    }
    const int k = ClampKernel(12800, size.width, size.height);
    cv::Mat result(size, CV_8UC1);
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenBlobs(work, result, k));
    state.counters["kernel"] = k;
}
BENCHMARK(BM_OpenBlobsLargestFilter)->Args({240, 180})->Args({480, 360})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
