// The camera view's picture per new 1920 x 1080 grey frame, for a view of one camera alone
// (1920 x 902) and of a four-camera grid (958 x 449): as it was painted (expanded to 32 bits, then
// stretched by QPainter on every paint) and as it is now (scaled once in grey, then painted
// unscaled), and the fingerprint a paint without a new frame takes. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "bench/memcpyratio.h"
#include "platform/vision/kovvpixel.h"
#include "vision/controller/framecopy.h"
#include "bench/qtbenchmain.h"

namespace {

std::vector<uchar> Frame()
{
    std::mt19937 rng(3);
    std::vector<uchar> f(size_t(bench::kFrameW) * bench::kFrameH);
    for (uchar& b : f)
        b = uchar(rng());
    return f;
}

QSize ViewSize(benchmark::State& state)
{
    return state.range(0) == 1 ? QSize(1920, 902) : QSize(958, 449);
}

void BM_StretchedEveryPaint(benchmark::State& state)
{
    const std::vector<uchar> grey = Frame();
    std::vector<uchar> rgba(grey.size() * 4);
    const QImage shown(rgba.data(), bench::kFrameW, bench::kFrameH, QImage::Format_RGB32);
    QImage screen(ViewSize(state), QImage::Format_RGB32);
    bench::Ratio r{state};
    for (auto _ : state) {
        Gray2RGBA(grey.data(), rgba.data(), bench::kFrameW, bench::kFrameH);
        QPainter p(&screen);
        p.drawImage(QRect(QPoint(0, 0), screen.size()), shown);
    }
}
BENCHMARK(BM_StretchedEveryPaint)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_PreparedOnceThenPainted(benchmark::State& state)
{
    const std::vector<uchar> grey = Frame();
    QImage display(ViewSize(state), QImage::Format_Grayscale8);
    QImage screen(ViewSize(state), QImage::Format_RGB32);
    bench::Ratio r{state};
    for (auto _ : state) {
        FrameCopy::ScaleGrey(grey.data(), bench::kFrameW, bench::kFrameH, display);
        QPainter p(&screen);
        p.drawImage(QPoint(0, 0), display);
    }
}
BENCHMARK(BM_PreparedOnceThenPainted)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_PaintOfThePreparedPicture(benchmark::State& state)
{
    QImage display(ViewSize(state), QImage::Format_Grayscale8);
    display.fill(90);
    QImage screen(ViewSize(state), QImage::Format_RGB32);
    bench::Ratio r{state};
    for (auto _ : state) {
        QPainter p(&screen);
        p.drawImage(QPoint(0, 0), display);
    }
}
BENCHMARK(BM_PaintOfThePreparedPicture)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_Fingerprint(benchmark::State& state)
{
    const std::vector<uchar> grey = Frame();
    bench::Ratio r{state};
    for (auto _ : state)
        benchmark::DoNotOptimize(FrameCopy::Fingerprint(grey.data(), grey.size()));
}
BENCHMARK(BM_Fingerprint)->Unit(benchmark::kMillisecond);

BENCHMARK(bench::BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks<QApplication>(argc, argv);
}
