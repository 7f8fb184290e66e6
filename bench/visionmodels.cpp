// Vision models on one 1920x1080 grey frame, one core. Each figure is printed with its ratio to a
// plain memcpy of the frame (see the "memcpy" benchmark and the ratio counter).
#include <benchmark/benchmark.h>

#include <cstring>

#include <opencv2/core.hpp>

#include "platform/vision/findshape.h"
#include "platform/vision/graymatch.h"
#include "platform/vision/moveimage.h"
#include "bench/memcpyratio.h"
#include "tests/common/synthscene.h"

namespace {

constexpr int W = 1920, H = 1080;

const cv::Mat& scene()
{
    static const cv::Mat s = synth::scene(W, H, 7);
    return s;
}

using bench::Ratio;

using bench::BM_Memcpy;
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// FindShape over the whole frame with the default positioning rectangle (W/4, H/4, 3W/4 x 3H/4).
void BM_FindShape(benchmark::State& state)
{
    cv::setNumThreads(1);
    const int angle = int(state.range(0));
    const cv::Rect r(W / 4, H / 4, 3 * W / 4, 3 * H / 4);
    FindShape f;
    f.CreateShape(scene()(r).clone(), 0.0, 0, angle, r.x + r.width / 2, r.y + r.height / 2, false, 255,
                  cv::Mat(r.size(), CV_8UC1, cv::Scalar(255)), 5, 0);
    cv::Mat frame;
    MoveImage(synth::noisy(scene(), 3.0, 5), frame, 6, -4);
    if (angle)
        frame = synth::rotated(frame, cv::Point2f(r.x + r.width / 2, r.y + r.height / 2), 3.0);
    Ratio ra{state};
    for (auto _ : state) {
        cv::Mat search = frame.clone();
        int x = 0, y = 0;
        double s = 0, a = 0;
        benchmark::DoNotOptimize(f.Find(search, 0, &x, &y, &s, &a));
    }
}
BENCHMARK(BM_FindShape)->Arg(0)->Arg(10)->Arg(180)->Unit(benchmark::kMillisecond);

// A 48 x 48 positioning region searched over the whole frame.
void BM_FindShapeSmall(benchmark::State& state)
{
    cv::setNumThreads(1);
    const cv::Rect r(900, 500, 48, 48);
    FindShape f;
    f.CreateShape(scene()(r).clone(), 0.0, 0, 0, r.x + r.width / 2, r.y + r.height / 2, false, 255,
                  cv::Mat(r.size(), CV_8UC1, cv::Scalar(255)), 5, 0);
    cv::Mat frame;
    MoveImage(synth::noisy(scene(), 3.0, 5), frame, 6, -4);
    int x = 0, y = 0;
    Ratio ra{state};
    for (auto _ : state) {
        double s = 0, a = 0;
        benchmark::DoNotOptimize(f.Find(frame, 0, &x, &y, &s, &a));
    }
    state.counters["dx"] = x;
    state.counters["dy"] = y;
}
BENCHMARK(BM_FindShapeSmall)->Unit(benchmark::kMillisecond);

// A 40 x 40 positioning region searched over a whole 1280 x 960 frame (the search starts on a
// coarser level).
void BM_FindShapeSmallFeatureWideWindow(benchmark::State& state)
{
    cv::setNumThreads(1);
    cv::Mat wide = synth::scene(1280, 960, 15);
    const cv::Rect r(600, 400, 40, 40);
    cv::rectangle(wide, cv::Rect(605, 405, 14, 30), cv::Scalar(250), cv::FILLED);
    cv::circle(wide, cv::Point(628, 420), 7, cv::Scalar(10), cv::FILLED);
    FindShape f;
    f.CreateShape(wide(r).clone(), 0.0, 0, 0, r.x + r.width / 2, r.y + r.height / 2, false, 255,
                  cv::Mat(r.size(), CV_8UC1, cv::Scalar(255)), 5, 0);
    cv::Mat frame;
    MoveImage(synth::noisy(wide, 2.0, 0, 4), frame, -5, 7);
    int x = 0, y = 0;
    for (auto _ : state) {
        cv::Mat search = frame.clone();
        double s = 0, a = 0;
        benchmark::DoNotOptimize(f.Find(search, 0, &x, &y, &s, &a));
    }
}
BENCHMARK(BM_FindShapeSmallFeatureWideWindow)->Unit(benchmark::kMillisecond);

// Any rotation allowed (180): a 300 x 300 region found in a 640 x 480 frame turned by 90 degrees.
void BM_FindShapeFullTurn(benchmark::State& state)
{
    cv::setNumThreads(1);
    const cv::Mat small = synth::scene(640, 480, 16);
    const cv::Rect r(170, 90, 300, 300);
    const cv::Point2f centre(r.x + r.width / 2, r.y + r.height / 2);
    FindShape f;
    f.CreateShape(small(r).clone(), 0.0, 0, 180, int(centre.x), int(centre.y), false, 255,
                  cv::Mat(r.size(), CV_8UC1, cv::Scalar(255)), 5, 0);
    const cv::Mat frame = synth::rotated(small, centre, 90.0);
    for (auto _ : state) {
        cv::Mat search = frame.clone();
        int x = 0, y = 0;
        double s = 0, a = 0;
        benchmark::DoNotOptimize(f.Find(search, 0, &x, &y, &s, &a));
    }
}
BENCHMARK(BM_FindShapeFullTurn)->Unit(benchmark::kMillisecond);

void BM_MoveImage(benchmark::State& state)
{
    cv::setNumThreads(1);
    cv::Mat dst(H, W, CV_8UC1);
    Ratio ra{state};
    for (auto _ : state)
        MoveImage(scene(), dst, 6, -4);
}
BENCHMARK(BM_MoveImage)->Unit(benchmark::kMillisecond);

void BM_TransformImage(benchmark::State& state)
{
    cv::setNumThreads(1);
    cv::Mat dst(H, W, CV_8UC1);
    Ratio ra{state};
    for (auto _ : state)
        TransformImage(scene(), dst, cv::Point(6, -4), cv::Point(1200, 675), 3.0);
}
BENCHMARK(BM_TransformImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
