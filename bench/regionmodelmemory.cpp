// Memory and copy/compare cost of region models: 16 models (8 cameras, a live and an edit model
// each) with typical regions, 50 regions x 8 stages of polygons of about 100 points. The lower
// bound printed beside them is the fixed-array record of the old layout, copied with one memcpy.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

#include "vision/inspection/cammersingleton.h"

namespace {

// Resident set size of this process in bytes.
long residentBytes()
{
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4096 : 0;
}

// Size of the fixed-array record: every region with all three shapes, polygons at 8096 points.
constexpr size_t kFixedRecord = 4 + 8 * 4 + 4 * 400 * 5 + 400 * (16 * 2 + 4)
                                + 400 * (16 * 2 + 8 + 4 + 4 + 8 + 4 + 4 + 4)
                                + 400 * (4 + 8096 * 8 * 2 + 16 * 2 + 4) + 50 * 4 + 64 * 4;

void fillTypical(CammerSingleton& m, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(0.8, 1.0);
    for (int s = 0; s < MAX_DETECT; ++s) {
        m.roiNum[s] = MAX_ROI;
        for (int r = 0; r < MAX_ROI; ++r) {
            const int cx = 80 + (r % 10) * 160, cy = 80 + (r / 10) * 180;
            std::vector<QPoint> pts;
            for (int i = 0; i < 100; ++i) {
                const double a = 2 * M_PI * i / 100, rr = 70 * jitter(rng);
                pts.emplace_back(cx + int(rr * std::cos(a)), cy + int(rr * std::sin(a)));
            }
            m.polygons[s][r] = RePolygon(int(pts.size()), pts.data());
            m.polygons[s][r].setImageRect();
            m.shapeType[s][r] = 2;
            m.param1[s][r] = 5;
            m.param2[s][r] = 25;
            m.param3[s][r] = 100;
        }
    }
}

void report(const char* what, long bytes, int models)
{
    std::printf("%-58s %8.2f MiB  (%.2f MiB a model; fixed arrays: %.1f MiB a model, %.1f MiB for %d)\n", what,
                bytes / 1048576.0, bytes / 1048576.0 / models, kFixedRecord / 1048576.0,
                kFixedRecord * double(models) / 1048576.0, models);
}

// Runs `build` in a child process so each figure starts from a fresh heap.
template <class F>
void inChild(F build)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        build();
        std::fflush(stdout);
        _exit(0);
    }
    if (pid > 0)
        waitpid(pid, nullptr, 0);
}

void measureResident()
{
    inChild([] {
        const long before = residentBytes();
        std::vector<std::unique_ptr<CammerSingleton>> models;
        for (int cam = 0; cam < MAX_CAMERA; ++cam) {
            models.push_back(std::make_unique<CammerSingleton>(cam));
            fillTypical(*models.back(), unsigned(cam));
            models.push_back(std::make_unique<CammerSingleton>(cam));
            *models.back() = *models[models.size() - 2];  // the edit copy
        }
        report("16 models, edit copies taken by assignment:", residentBytes() - before, 16);
    });
    inChild([] {
        const long before = residentBytes();
        std::vector<std::unique_ptr<CammerSingleton>> models;
        for (int i = 0; i < 16; ++i) {
            models.push_back(std::make_unique<CammerSingleton>(i / 2));
            fillTypical(*models.back(), unsigned(100 + i));  // every polygon its own
        }
        report("16 models, all polygons distinct (every edit copy changed):", residentBytes() - before, 16);
    });
    std::printf("sizeof(CammerSingleton) = %zu bytes\n", sizeof(CammerSingleton));
}

double fixedMemcpyNs()
{
    static double ns = [] {
        std::vector<char> a(kFixedRecord, 1), b(kFixedRecord);
        double best = 1e18;
        for (int i = 0; i < 10; ++i) {
            auto t0 = std::chrono::steady_clock::now();
            std::memcpy(b.data(), a.data(), a.size());
            benchmark::DoNotOptimize(b.data());
            best = std::min(best, std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count());
        }
        return best;
    }();
    return ns;
}

void BM_CopyModel(benchmark::State& state)
{
    auto live = std::make_unique<CammerSingleton>(0);
    fillTypical(*live, 1);
    auto edit = std::make_unique<CammerSingleton>(0);
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        *edit = *live;
        benchmark::DoNotOptimize(edit.get());
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["x_fixed_memcpy"] = total / double(state.iterations()) / fixedMemcpyNs();
}

// Compares two equal models whose polygons are separate copies (the worst case for ==).
void BM_CompareModelDeep(benchmark::State& state)
{
    auto a = std::make_unique<CammerSingleton>(0);
    auto b = std::make_unique<CammerSingleton>(0);
    fillTypical(*a, 1);
    fillTypical(*b, 1);
    bool eq = false;
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        eq = (*a == *b);
        benchmark::DoNotOptimize(eq);
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    }
    if (!eq)
        state.SkipWithError("models differ");
    state.counters["x_fixed_memcpy"] = total / double(state.iterations()) / fixedMemcpyNs();
}

}  // namespace

BENCHMARK(BM_CopyModel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompareModelDeep)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    measureResident();
    std::printf("memcpy of one fixed-array record (%.1f MiB): %.3f ms\n", kFixedRecord / 1048576.0, fixedMemcpyNs() / 1e6);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
