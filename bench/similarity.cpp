// Similarity models on one 1600x1200 grey frame, one core: the score as it is, as it was before
// it aligned the crop between pixels (bench/surfbefore.h, whole pixels only) and as it was before
// it was fitted to a sharp edge half a pixel off on a camera averaging light (bench/surftoday.h,
// frozen), built in the same run,
// on one region and on 50 regions (10 x 5 over most of the frame), 5 templates each, on a frame in
// place (arg 2 = 0) and on one moved by half a pixel in x and y (1); the 23 regions of the real
// photographs half a pixel off (Lanczos, and a camera averaging light over each pixel); and the
// engine's run of 50 similarity regions. Every figure carries its ratio to one memcpy of a frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>

#include "bench/memcpyratio.h"
#include "bench/surfbefore.h"
#include "bench/surftoday.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "platform/vision/surf.h"
#include "tests/common/engineparameters.h"
#include "tests/common/camerashot.h"
#include "tests/common/photoset.h"
#include "tests/common/synthscene.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"

namespace {

constexpr int W = 1600, H = 1200, TEMPLATES = 5;

using bench::Ratio;

const cv::Mat& scene()
{
    static const cv::Mat s = synth::scene(W, H, 7);
    return s;
}

const std::vector<cv::Mat>& templates()
{
    static const std::vector<cv::Mat> t = [] {
        std::vector<cv::Mat> v;
        for (int k = 0; k < TEMPLATES; ++k)
            v.push_back(synth::noisy(scene(), 2.0, k % 3, 100 + unsigned(k)));
        return v;
    }();
    return t;
}

std::vector<cv::Rect> regions(int count)
{
    const int cw = W * 95 / 100 / 10, ch = H * 95 / 100 / 5;
    std::vector<cv::Rect> r;
    for (int i = 0; i < count; ++i)
        r.emplace_back(20 + (i % 10) * cw, 20 + (i / 10) * ch, cw - 2, ch - 2);
    return r;
}

// Match of `count` regions on a noisy frame, moved by half a pixel when `between`.
template <class Model>
void matchAll(benchmark::State& state, int count, bool between)
{
    cv::setNumThreads(1);
    const std::vector<cv::Rect> rs = regions(count);
    std::vector<std::unique_ptr<Model>> models;
    for (const cv::Rect& r : rs) {
        models.push_back(std::make_unique<Model>());
        models.back()->Create(r.width, r.height, cv::Mat());
        for (const cv::Mat& t : templates())
            models.back()->AddTemp(t(r).clone(), 1, 50, 80);
        models.back()->Train(0, 0, 0, 0);
    }
    const cv::Mat shown = between ? photos::moved(scene(), 0.5, 0.5, cv::INTER_LANCZOS4) : scene();
    const cv::Mat frame = synth::noisy(shown, 3.0, 4, 5);
    std::vector<cv::Mat> crops, outs(rs.size());
    for (const cv::Rect& r : rs)
        crops.push_back(frame(r).clone());
    float sum = 0;
    Ratio ra{state};
    for (auto _ : state)
        for (size_t i = 0; i < rs.size(); ++i)
            sum += models[i]->Match(crops[i], outs[i]);
    state.counters["score"] = sum / float(rs.size()) / float(state.iterations());
}

void BM_MatchBefore(benchmark::State& state)
{
    matchAll<SurfBefore>(state, int(state.range(0)), state.range(1) != 0);
}
void BM_MatchToday(benchmark::State& state)
{
    matchAll<SurfToday>(state, int(state.range(0)), state.range(1) != 0);
}
void BM_MatchNow(benchmark::State& state) { matchAll<SURF>(state, int(state.range(0)), state.range(1) != 0); }
BENCHMARK(BM_MatchBefore)->ArgsProduct({{1, 50}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchToday)->ArgsProduct({{1, 50}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchNow)->ArgsProduct({{1, 50}, {0, 1}})->Unit(benchmark::kMillisecond);

// The 23 regions of the real photographs (tests/data/photos: plain, textured, the finest textures
// and the 40 x 40 windows of the finest), 5 templates each, on the picture moved by half a pixel in
// x and y with noise sigma 3: resampled with Lanczos (arg 0) or seen by a camera averaging light
// over each pixel (1).
template <class Model>
void matchPhotos(benchmark::State& state)
{
    cv::setNumThreads(1);
    photos::Set set;
    if (!photos::load("tests/data/photos", W, H, set) && !photos::load("../tests/data/photos", W, H, set)) {
        state.SkipWithError("run in the source tree or its build folder: tests/data/photos not found");
        return;
    }
    const shots::Scene scene{set.picture, photos::sharpScene(set)};
    const shots::Camera camera = state.range(0) ? shots::Camera::Averaging : shots::Camera::Lanczos;
    std::vector<cv::Rect> rs;
    for (const auto* kind : {&set.plain, &set.textured, &set.fine, &set.windows})
        for (const photos::Region& r : *kind)
            rs.push_back(r.rect);
    std::vector<std::unique_ptr<Model>> models;
    std::vector<cv::Mat> crops, outs(rs.size());
    for (const cv::Rect& r : rs) {
        models.push_back(std::make_unique<Model>());
        models.back()->Create(r.width, r.height, cv::Mat());
        for (unsigned k = 0; k < TEMPLATES; ++k) {
            shots::Look look;
            look.sigma = 2;
            look.seed = 40 + k;
            models.back()->AddTemp(shots::shoot(scene, r, camera, look), 1, 50, 80);
        }
        models.back()->Train(0, 0, 0, 0);
        shots::Look look;
        look.dx = look.dy = 0.5;
        look.sigma = 3;
        look.seed = 5;
        crops.push_back(shots::shoot(scene, r, camera, look));
    }
    float lowest = 100;
    Ratio ra{state};
    for (auto _ : state)
        for (size_t i = 0; i < rs.size(); ++i)
            lowest = std::min(lowest, models[i]->Match(crops[i], outs[i]));
    state.counters["lowest"] = lowest;
}
void BM_PhotosBefore(benchmark::State& state) { matchPhotos<SurfBefore>(state); }
void BM_PhotosToday(benchmark::State& state) { matchPhotos<SurfToday>(state); }
void BM_PhotosNow(benchmark::State& state) { matchPhotos<SURF>(state); }
BENCHMARK(BM_PhotosBefore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotosToday)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotosNow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The engine's region checks over 1 or 50 similarity regions.
void BM_RunSimilarity(benchmark::State& state)
{
    cv::setNumThreads(1);
    const int count = int(state.range(0));
    gImageW = W;
    gImageH = H;
    gImageLen = gColorLen = W * H;
    gTempNum = TEMPLATES;
    WizardPara para;
    UseEngineParameters(para);
    para.enable_correct = -1;
    CammerSingleton model(0);
    CammerViewData view;
    std::vector<uchar> work(size_t(W) * H), corrected(size_t(W) * H), ngPoints(size_t(W) * H), ignore(size_t(W) * H, 0);
    for (const cv::Mat& t : templates()) {
        view.templates[0].push_back(t.data);
        view.tempValid[0].push_back(1);
    }
    view.tempCount[0] = TEMPLATES;
    view.frameWork = work.data();
    view.frameCorrected = corrected.data();
    view.ngPoints = ngPoints.data();
    view.ignoreMap[0] = ignore.data();
    const std::vector<cv::Rect> rs = regions(count);
    for (int r = 0; r < count; ++r) {
        ClustomRect& rc = model.rects[0][r];
        rc.rect = QRect(rs[size_t(r)].x, rs[size_t(r)].y, rs[size_t(r)].width, rs[size_t(r)].height);
        rc.setImageRect();
        model.shapeType[0][r] = 1;
        model.method[0][r] = 6;
        model.param2[0][r] = 80;
        view.maskInForce[0][r] = rc.UpdateMask();
    }
    model.roiNum[0] = count;
    CammerRecong::currentStage = [] { return 0; };
    CammerRecong engine(&model, &view);
    engine.VarTrain(0);
    const cv::Mat frame = synth::noisy(scene(), 3.0, 4, 5);
    std::memcpy(corrected.data(), frame.data, corrected.size());
    Ratio ra{state};
    for (auto _ : state)
        engine.Run(0);
    state.counters["ok"] = view.isOK;
}
BENCHMARK(BM_RunSimilarity)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

using bench::BM_Memcpy;
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
