// Detection engine on one 1920x1080 grey frame with 10 templates and 50 defect regions covering
// most of the frame, one core. Every figure carries its ratio to one memcpy of the frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "platform/vision/moveimage.h"
#include "bench/memcpyratio.h"
#include "tests/common/engineparameters.h"
#include "tests/common/synthscene.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"

namespace {

constexpr int W = 1920, H = 1080, TEMPLATES = 10;

using bench::Ratio;

// One camera: parameter record, model with 50 defect regions (10 x 5 grid over 95% of the
// frame), 10 noisy templates drifting in brightness, and the engine trained on them.
struct Camera {
    WizardPara para;
    CammerSingleton model{0};
    CammerViewData view;
    std::vector<std::vector<uchar>> temps;
    std::vector<uchar> work, corrected, ngPoints, ignore;
    std::unique_ptr<CammerRecong> engine;
    cv::Mat scene;

    Camera()
    {
        cv::setNumThreads(1);
        gImageW = W;
        gImageH = H;
        gImageLen = gColorLen = W * H;
        gTempNum = TEMPLATES;
        UseEngineParameters(para);
        scene = synth::scene(W, H, 7);
        for (int k = 0; k < TEMPLATES; ++k) {
            const cv::Mat t = synth::noisy(scene, 3.0, k % 4, 100 + unsigned(k));
            temps.emplace_back(t.data, t.data + size_t(W) * H);
            view.templates[0].push_back(temps.back().data());
            view.tempValid[0].push_back(1);
        }
        view.tempCount[0] = TEMPLATES;
        work.assign(size_t(W) * H, 0);
        corrected.assign(size_t(W) * H, 0);
        ngPoints.assign(size_t(W) * H, 0);
        ignore.assign(size_t(W) * H, 0);
        view.frameWork = work.data();
        view.frameCorrected = corrected.data();
        view.ngPoints = ngPoints.data();
        view.ignoreMap[0] = ignore.data();
        const int cw = W * 95 / 100 / 10, ch = H * 95 / 100 / 5;
        for (int r = 0; r < 50; ++r) {
            ClustomRect& rc = model.rects[0][r];
            rc.rect = QRect(20 + (r % 10) * cw, 20 + (r / 10) * ch, cw - 2, ch - 2);
            rc.setImageRect();
            model.shapeType[0][r] = 1;
            model.method[0][r] = 0;
            model.param1[0][r] = 3;
            model.param2[0][r] = 25;
            model.param3[0][r] = 100;
            view.maskInForce[0][r] = rc.UpdateMask();
        }
        model.roiNum[0] = 50;
        CammerRecong::currentStage = [] { return 0; };
        engine = std::make_unique<CammerRecong>(&model, &view);
        engine->CreateShape(0);
        engine->VarTrain(0);
    }
    void take(const cv::Mat& frame) { std::memcpy(work.data(), frame.data, work.size()); }
};

Camera& camera()
{
    static Camera c;
    return c;
}

using bench::BM_Memcpy;
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// Run of the 50 regions: clean frame (arg 0) and a frame with five defects (arg 1).
void BM_Run(benchmark::State& state)
{
    Camera& c = camera();
    cv::Mat frame = synth::noisy(c.scene, 3.0, 2, 5);
    if (state.range(0))
        for (int i = 0; i < 5; ++i)
            synth::blob(frame, cv::Point(300 + 300 * i, 200 + 150 * i), 12, 0);
    std::memcpy(c.corrected.data(), frame.data, c.corrected.size());
    Ratio r{state};
    for (auto _ : state)
        c.engine->Run(0);
    state.counters["ok"] = c.view.isOK;
}
BENCHMARK(BM_Run)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole inspection of a frame moved by (+6, -4): motion correction and the region checks.
void BM_ShapeMatchAndRun(benchmark::State& state)
{
    Camera& c = camera();
    cv::Mat frame;
    MoveImage(synth::noisy(c.scene, 3.0, 2, 6), frame, 6, -4);
    c.take(frame);
    Ratio r{state};
    for (auto _ : state) {
        c.engine->ShapeMatch();
        c.engine->Run(0);
    }
    state.counters["ok"] = c.view.isOK;
    state.counters["dx"] = c.engine->lastShift().x;
    state.counters["dy"] = c.engine->lastShift().y;
}
BENCHMARK(BM_ShapeMatchAndRun)->Unit(benchmark::kMillisecond);

// The same with rotation up to 10 degrees allowed, on a frame turned by 3 degrees.
void BM_ShapeMatchAndRunRotated(benchmark::State& state)
{
    Camera& c = camera();
    c.para.shape_angle_limit = 10;
    c.engine->CreateShape(0);
    const cv::Point centre = c.engine->modelCentre(0);
    c.take(synth::rotated(synth::noisy(c.scene, 3.0, 2, 6), cv::Point2f(centre), 3.0));
    Ratio r{state};
    for (auto _ : state) {
        c.engine->ShapeMatch();
        c.engine->Run(0);
    }
    state.counters["ok"] = c.view.isOK;
    state.counters["angle"] = c.engine->lastAngle();
    c.para.shape_angle_limit = 0;
    c.engine->CreateShape(0);
}
BENCHMARK(BM_ShapeMatchAndRunRotated)->Unit(benchmark::kMillisecond);

// Training of the 50 regions on the 10 templates.
void BM_VarTrain(benchmark::State& state)
{
    Camera& c = camera();
    Ratio r{state};
    for (auto _ : state)
        c.engine->VarTrain(0);
}
BENCHMARK(BM_VarTrain)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
