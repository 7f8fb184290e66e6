// Polygon masks over a 1920x1080 frame with 8095 vertices: the scanline mask against a plain
// lower bound (one memcpy of the frame) and against a point-in-polygon test per pixel (sampled).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "vision/inspection/polygon.h"

namespace {

constexpr int kW = 1920, kH = 1080, kPoints = 8095;

double memcpyFrameNs()
{
    static double ns = [] {
        std::vector<unsigned char> a(size_t(kW) * kH, 1), b(size_t(kW) * kH);
        double best = 1e18;
        for (int i = 0; i < 50; ++i) {
            auto t0 = std::chrono::steady_clock::now();
            std::memcpy(b.data(), a.data(), a.size());
            benchmark::DoNotOptimize(b.data());
            auto t1 = std::chrono::steady_clock::now();
            best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count());
        }
        return best;
    }();
    return ns;
}

// Teeth from top to bottom across the frame: every row crosses every edge.
std::vector<QPoint> comb()
{
    std::vector<QPoint> p;
    for (int i = 0; i < kPoints; ++i)
        p.emplace_back(10 + int(qint64(i) * 1899 / (kPoints - 1)), (i % 2) ? 1069 : 10);
    return p;
}

// A star of random radii around the centre.
std::vector<QPoint> star()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> r(50, 530);
    std::vector<QPoint> p;
    for (int i = 0; i < kPoints; ++i) {
        const double a = 2 * M_PI * i / kPoints, rr = r(rng);
        p.emplace_back(960 + int(rr * 1.75 * std::cos(a)), 540 + int(rr * std::sin(a)));
    }
    return p;
}

// Random vertices anywhere: an outline crossing itself everywhere.
std::vector<QPoint> tangle()
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> x(10, 1909), y(10, 1069);
    std::vector<QPoint> p;
    for (int i = 0; i < kPoints; ++i)
        p.emplace_back(x(rng), y(rng));
    return p;
}

const QRect kArea(0, 0, kW, kH);

void run(benchmark::State& state, const std::vector<QPoint>& pts)
{
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        cv::Mat m = PolygonMask(pts.data(), int(pts.size()), kArea);
        benchmark::DoNotOptimize(m.data);
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    }
    const double per = total / double(state.iterations());
    state.counters["ms"] = per / 1e6;
    state.counters["x_memcpy"] = per / memcpyFrameNs();
}

void BM_PolygonMaskComb(benchmark::State& s) { run(s, comb()); }
void BM_PolygonMaskStar(benchmark::State& s) { run(s, star()); }
void BM_PolygonMaskTangle(benchmark::State& s) { run(s, tangle()); }

// The per-pixel test on a 64x64 patch, scaled to the whole frame for comparison.
void BM_PointTestPerPixelComb(benchmark::State& state)
{
    const auto pts = comb();
    std::vector<cv::Point> contour;
    for (const QPoint& p : pts)
        contour.emplace_back(p.x(), p.y());
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        int inside = 0;
        for (int y = 500; y < 564; ++y)
            for (int x = 900; x < 964; ++x)
                inside += cv::pointPolygonTest(contour, cv::Point2f(float(x), float(y)), false) > 0;
        benchmark::DoNotOptimize(inside);
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    }
    const double framePer = total / double(state.iterations()) * (double(kW) * kH / (64.0 * 64.0));
    state.counters["frame_ms_extrapolated"] = framePer / 1e6;
}

}  // namespace

BENCHMARK(BM_PolygonMaskComb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonMaskStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonMaskTangle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointTestPerPixelComb)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("memcpy of one %dx%d grey frame: %.3f ms\n", kW, kH, memcpyFrameNs() / 1e6);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
