// Region checks of the detection engine, grouped by detection method: each finds its case,
// passes the clean picture, and writes value, OK flags, NG boxes and report rows as specified.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include <opencv2/imgproc.hpp>

#include "common/synthscene.h"
#include "vision/inspection/enginerig.h"
#include "platform/vision/moveimage.h"

namespace {

// Mid-grey textured frame without very dark or very bright pixels (for the grey-level methods).
cv::Mat midScene(unsigned seed = 3)
{
    cv::Mat s = synth::scene(EngineRig::W, EngineRig::H, seed);
    cv::Mat out;
    s.convertTo(out, CV_8UC1, 0.5, 64);  // 64 .. 191
    return out;
}

} // namespace

// --- 0 defect ---------------------------------------------------------------------------------

class DefectCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = synth::scene(EngineRig::W, EngineRig::H, 5);
        rig.setTemplates(0, {synth::noisy(base, 3, 0, 1), synth::noisy(base, 3, 4, 2), synth::noisy(base, 3, 8, 3)});
        region = rig.addRect(0, cv::Rect(200, 150, 240, 180), 0, 5, 25, 100);
        rig.para.enable_correct = -1;
        rig.train(0);
    }
    EngineRig rig;
    cv::Mat base;
    int region = 0;
};

TEST_F(DefectCheck, DarkAndBrightBlobsGiveValueAndBox)
{
    for (int grey : {0, 255}) {
        cv::Mat frame = synth::noisy(base, 3, 4, 9);
        synth::blob(frame, cv::Point(300, 220), 10, grey);
        rig.judge(frame, 0);
        EXPECT_FALSE(rig.view.isOK) << grey;
        EXPECT_FALSE(rig.view.roiOK[0][region]);
        const int v = rig.view.roiValue[0][region];
        EXPECT_GT(v, 250) << grey;  // a disc of radius 10, less its outline's half pixels
        EXPECT_LE(v, 317);
        ASSERT_EQ(rig.boxCount(0, region), 1);
        const cv::Rect b = rig.box(0, region, 1);
        // The opening trims the disc's one-pixel tips.
        EXPECT_NEAR(b.x, 290, 2);
        EXPECT_NEAR(b.y, 210, 2);
        EXPECT_NEAR(b.x + b.width, 311, 2);
        EXPECT_NEAR(b.y + b.height, 231, 2);
        EXPECT_GT(cv::countNonZero(rig.ngMap()(cv::Rect(290, 210, 21, 21))), 250);
        EXPECT_EQ(cv::countNonZero(rig.ngMap()), cv::countNonZero(rig.ngMap()(cv::Rect(289, 209, 23, 23))));
    }
}

TEST_F(DefectCheck, SmallBlobNoiseAndJitterPass)
{
    cv::Mat frame = synth::noisy(base, 3, 2, 10);
    synth::blob(frame, cv::Point(300, 220), 1, 0);  // 3 x 3 cross: removed by the 5 x 5 opening
    rig.judge(frame, 0);
    EXPECT_TRUE(rig.view.isOK);
    EXPECT_EQ(rig.view.roiValue[0][region], 0);
    EXPECT_EQ(rig.boxCount(0, region), 0);
    for (cv::Point d : {cv::Point(1, 0), cv::Point(0, -1), cv::Point(-1, 1)}) {
        cv::Mat moved;
        MoveImage(synth::noisy(base, 4, 4, 11), moved, d.x, d.y);
        rig.judge(moved, 0);
        EXPECT_TRUE(rig.view.isOK) << d;
        EXPECT_EQ(rig.view.roiValue[0][region], 0) << d;
    }
}

TEST_F(DefectCheck, LimitRuleAndReversal)
{
    cv::Mat frame = base.clone();
    synth::blob(frame, cv::Point(300, 220), 10, 0);
    rig.judge(frame, 0);
    const int v = rig.view.roiValue[0][region];
    // At the limit: OK under both senses.
    rig.model.param3[0][region] = v;
    rig.judge(frame, 0);
    EXPECT_TRUE(rig.view.isOK);
    rig.para.defect_rule_reversed = 1;
    rig.judge(frame, 0);
    EXPECT_TRUE(rig.view.isOK);
    rig.model.param3[0][region] = v + 1;
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
    // Without the display detail the record's minimum area is the limit.
    rig.para.defect_rule_reversed = 0;
    rig.para.enable_display_detail = 0;
    rig.para.minimum_size = 5;
    rig.para.minimum_area = v + 1;
    rig.model.param3[0][region] = 0;
    rig.judge(frame, 0);
    EXPECT_TRUE(rig.view.isOK);
}

TEST_F(DefectCheck, FilterSizeIsClampedToTheCrop)
{
    cv::Mat frame = base.clone();
    synth::blob(frame, cv::Point(300, 220), 10, 0);
    rig.model.param1[0][region] = 0;  // the slider's 0: behaves as 1
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
    EXPECT_GT(rig.view.roiValue[0][region], 250);
    // Clamped to the crop (ClampKernel), opens everything away; bench/regionblobs measures it.
    rig.model.param1[0][region] = 12800;
    rig.judge(frame, 0);
    EXPECT_TRUE(rig.view.isOK);
    EXPECT_EQ(rig.view.roiValue[0][region], 0);
}

// --- errors -----------------------------------------------------------------------------------

TEST(RegionErrors, UntrainedDefectBadMethodEmptyMaskUntrainedStage)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    const cv::Mat frame = synth::scene(EngineRig::W, EngineRig::H, 6);
    rig.setTemplates(0, {frame});
    const int a = rig.addRect(0, cv::Rect(10, 10, 50, 50), 4, 0, 40, 1000);  // fine
    const int b = rig.addRect(0, cv::Rect(100, 10, 50, 50), 9);               // unknown method
    const int c = rig.addRect(0, cv::Rect(200, 10, 50, 50), 0, 3, 25, 100);   // defect
    const int d = rig.addRect(0, cv::Rect(300, 10, 50, 50), 5, 0, 250, 1000);
    rig.view.maskInForce[0][d] = cv::Mat();                                   // empty mask
    rig.train(0);
    // The defect region loses its model (as if its templates were gone).
    rig.engine->VarTrain(0);
    ASSERT_TRUE(rig.engine->defectModel(0, c).IsValid());
    rig.view.maskInForce[0][c] = cv::Mat(40, 40, CV_8UC1, cv::Scalar(255));  // wrong size
    rig.engine->VarTrain(0);
    rig.view.maskInForce[0][c] = cv::Mat(50, 50, CV_8UC1, cv::Scalar(255));
    ASSERT_FALSE(rig.engine->defectModel(0, c).IsValid());
    rig.input = 1;
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
    EXPECT_EQ(rig.records, QStringList({"REG RUN ERROR = 0, 0, -5", "REG RUN ERROR = 0, 0, -4",
                                        "REG RUN ERROR = 0, 0, -1"}));
    for (int r : {a, b, c, d})
        EXPECT_TRUE(rig.view.roiOK[0][r]) << r;
    // Only the judged region reports; it carries the camera's flag at that moment.
    ASSERT_EQ(g_listParamROI.size(), 1);
    EXPECT_EQ(g_listParamROI[0].region, a);
    EXPECT_EQ(g_listParamROI[0].ok, 1);

    // A stage never trained has no valid mask.
    rig.records.clear();
    rig.addRect(1, cv::Rect(10, 10, 50, 50), 4, 0, 40, 1000);
    rig.addRect(1, cv::Rect(10, 10, 50, 50), 2);
    rig.judge(frame, 1);
    EXPECT_FALSE(rig.view.isOK);
    EXPECT_EQ(rig.records, QStringList({"REG RUN ERROR = 0, 1, -2"}));
}

// The regions share one scratch picture: a defect region whose rectangle changed since training
// has no usable model until retrained, and must not judge what the region before it left there.
TEST(DefectScratch, ARegionResizedSinceTrainingIsNotJudgedOnThePicturesOfTheRegionBefore)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    const cv::Mat clean = midScene(9);
    rig.setTemplates(0, {clean});
    const int a = rig.addRect(0, cv::Rect(0, 0, 300, 300), 4, 0, 250, 1000000);  // in range nearly everywhere
    const int b = rig.addRect(0, cv::Rect(320, 200, 200, 200), 0, 3, 25, 100);
    rig.train(0);
    rig.model.rects[0][b].rect = QRect(320, 200, 180, 180);
    rig.model.rects[0][b].setImageRect();
    rig.view.maskInForce[0][b] = rig.model.rects[0][b].UpdateMask();
    rig.judge(clean, 0);
    EXPECT_GT(rig.view.roiValue[0][a], 10000);
    EXPECT_EQ(rig.view.roiValue[0][b], 0);
    EXPECT_EQ(rig.boxCount(0, b), 0);
    EXPECT_TRUE(rig.view.roiOK[0][b]);
    EXPECT_TRUE(rig.view.isOK);
}

// --- 1 spot, 4 black area, 5 white area, 7 white number ---------------------------------------

class GreyMethods : public ::testing::Test {
protected:
    void SetUp() override
    {
        clean = midScene();
        rig.setTemplates(0, {clean});
        rig.para.enable_correct = -1;
        rig.para.min_spot = 3;
    }
    void judge(const cv::Mat& frame)
    {
        if (!rig.engine)
            rig.train(0);
        rig.judge(frame, 0);
    }
    EngineRig rig;
    cv::Mat clean;
};

TEST_F(GreyMethods, SpotUsesBothBytesOfP1)
{
    // 12800 = grey levels 0 (low byte) and 50 (second byte); allowed area 0..50.
    const int r = rig.addRect(0, cv::Rect(100, 100, 200, 150), 1, 12800, 0, 50);
    judge(clean);
    EXPECT_TRUE(rig.view.isOK);
    EXPECT_EQ(rig.view.roiValue[0][r], 0);
    cv::Mat frame = clean.clone();
    synth::blob(frame, cv::Point(200, 170), 8, 30);
    judge(frame);
    EXPECT_FALSE(rig.view.isOK);
    EXPECT_GT(rig.view.roiValue[0][r], 150);
    ASSERT_EQ(rig.boxCount(0, r), 1);
    EXPECT_NEAR(rig.box(0, r, 1).x, 192, 1);
    // A spot demanded (area 100..1000): the clean picture is NG, the spot OK.
    rig.model.param2[0][r] = 100;
    rig.model.param3[0][r] = 1000;
    judge(frame);
    EXPECT_TRUE(rig.view.isOK);
    judge(clean);
    EXPECT_FALSE(rig.view.isOK);
}

TEST_F(GreyMethods, AnIgnoreAreaOfOneStageLeavesTheOtherStagesJudging)
{
    rig.setTemplates(1, {clean});
    const cv::Rect area(100, 100, 200, 150);
    rig.addRect(0, area, 1, 12800, 0, 50);
    rig.addRect(1, area, 1, 12800, 0, 50);
    rig.train(0);
    rig.train(1);
    // Stage 1 learns to ignore where the spot will be; stage 0 was trained without ignoring.
    cv::rectangle(cv::Mat(EngineRig::H, EngineRig::W, CV_8UC1, rig.ignore[1].data()), cv::Rect(180, 150, 40, 40),
                  cv::Scalar(255), cv::FILLED);
    rig.train(1);
    cv::Mat frame = clean.clone();
    synth::blob(frame, cv::Point(200, 170), 8, 30);
    rig.judge(frame, 1);
    EXPECT_TRUE(rig.view.isOK);
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
    rig.train(0);
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
    synth::blob(frame, cv::Point(260, 220), 8, 30);
    rig.judge(frame, 1);
    EXPECT_FALSE(rig.view.isOK);
}

TEST_F(GreyMethods, BlackAndWhiteArea)
{
    const int black = rig.addRect(0, cv::Rect(50, 50, 200, 200), 4, 0, 40, 30);
    const int white = rig.addRect(0, cv::Rect(350, 50, 200, 200), 5, 0, 220, 30);
    judge(clean);
    EXPECT_TRUE(rig.view.isOK);
    cv::Mat frame = clean.clone();
    synth::blob(frame, cv::Point(150, 150), 6, 10);
    judge(frame);
    EXPECT_FALSE(rig.view.roiOK[0][black]);
    EXPECT_TRUE(rig.view.roiOK[0][white]);
    frame = clean.clone();
    synth::blob(frame, cv::Point(450, 150), 6, 250);
    judge(frame);
    EXPECT_TRUE(rig.view.roiOK[0][black]);
    EXPECT_FALSE(rig.view.roiOK[0][white]);
    EXPECT_GT(rig.view.roiValue[0][white], 30);
    // A blob smaller than the min_spot opening is no area.
    frame = clean.clone();
    frame.at<uchar>(150, 450) = 255;
    judge(frame);
    EXPECT_TRUE(rig.view.isOK);
}

TEST_F(GreyMethods, WhiteNumberCountsBlobs)
{
    const int r = rig.addRect(0, cv::Rect(100, 100, 400, 200), 7, 3, 220, 2);
    judge(clean);
    EXPECT_TRUE(rig.view.isOK);
    EXPECT_EQ(rig.view.roiValue[0][r], 0);
    cv::Mat frame = clean.clone();
    for (int i = 0; i < 3; ++i)
        synth::blob(frame, cv::Point(150 + 100 * i, 200), 5, 250);
    judge(frame);
    EXPECT_EQ(rig.view.roiValue[0][r], 3);
    EXPECT_EQ(rig.boxCount(0, r), 3);
    EXPECT_FALSE(rig.view.isOK);
    rig.model.param3[0][r] = 3;
    judge(frame);
    EXPECT_TRUE(rig.view.isOK);
}

TEST_F(GreyMethods, OnlyNinetyNineBoxesButAllAreasCount)
{
    // 120 separate bright squares in a white-area region.
    cv::Mat frame = clean.clone();
    for (int i = 0; i < 120; ++i)
        cv::rectangle(frame, cv::Rect(20 + (i % 15) * 40, 20 + (i / 15) * 40, 6, 6), cv::Scalar(255), cv::FILLED);
    const int r = rig.addRect(0, cv::Rect(0, 0, 640, 400), 5, 0, 220, 1000000);
    rig.para.min_spot = 1;  // no opening: the squares stay whole
    judge(frame);
    EXPECT_EQ(rig.boxCount(0, r), 99);
    EXPECT_EQ(rig.view.roiValue[0][r], 120 * 25);  // contour area of a 6 x 6 square is 5 x 5
    EXPECT_TRUE(rig.view.isOK);
}

// --- 6 similarity -----------------------------------------------------------------------------

TEST(SimilarityCheck, ScoreIsTheValue)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    const cv::Mat base = synth::scene(EngineRig::W, EngineRig::H, 14);
    rig.setTemplates(0, {base, synth::noisy(base, 2, 3, 4)});
    const int r = rig.addRect(0, cv::Rect(100, 100, 300, 200), 6, 0, 80, 0);
    const int untrained = rig.addRect(0, cv::Rect(0, 0, 1, 1), 6, 0, 0, 0);
    rig.train(0);
    rig.model.rects[0][untrained].rect = QRect(0, 0, 0, 0);  // no model for it: scores 0
    rig.model.rects[0][untrained].setImageRect();
    rig.input = 1;
    rig.judge(synth::noisy(base, 3, 0, 5), 0);
    EXPECT_TRUE(rig.view.roiOK[0][r]);
    EXPECT_GE(rig.view.roiValue[0][r], 90);
    cv::Mat frame = base.clone();
    cv::rectangle(frame, cv::Rect(150, 150, 150, 100), cv::Scalar(0), cv::FILLED);
    g_listParamROI.clear();
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.roiOK[0][r]);
    EXPECT_LT(rig.view.roiValue[0][r], 80);
    ASSERT_GE(g_listParamROI.size(), 1);
    const param_roi& row = g_listParamROI[0];
    EXPECT_EQ(row.method, 6);
    EXPECT_EQ(row.value, rig.view.roiValue[0][r]);
    EXPECT_EQ(row.lower, 80);
    EXPECT_EQ(row.upper, -1);
    EXPECT_EQ(row.ok, 0);
}

// --- 8 direction ------------------------------------------------------------------------------

TEST(DirectionCheck, MarksBlobsPointingTheWrongWay)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    cv::Mat ok(EngineRig::H, EngineRig::W, CV_8UC1, cv::Scalar(30));
    // Right-angled triangles with the right angle at the bottom left: the uncovered half of
    // their box lies upper right.
    auto triangle = [](cv::Mat& m, cv::Point at, bool mirrored) {
        std::vector<cv::Point> t = mirrored
            ? std::vector<cv::Point>{at + cv::Point(60, 0), at + cv::Point(60, 60), at + cv::Point(0, 60)}
            : std::vector<cv::Point>{at, at + cv::Point(0, 60), at + cv::Point(60, 60)};
        cv::fillConvexPoly(m, t, cv::Scalar(220));
    };
    triangle(ok, cv::Point(120, 120), true);
    triangle(ok, cv::Point(260, 120), true);
    rig.setTemplates(0, {ok});
    const int r = rig.addRect(0, cv::Rect(100, 100, 300, 120), 8, 0, 500, 5000);
    rig.train(0);
    rig.judge(ok, 0);
    EXPECT_TRUE(rig.view.isOK);
    EXPECT_EQ(rig.view.roiValue[0][r], 0);
    cv::Mat wrong = ok.clone();
    cv::rectangle(wrong, cv::Rect(250, 110, 80, 80), cv::Scalar(30), cv::FILLED);
    triangle(wrong, cv::Point(260, 120), false);
    rig.judge(wrong, 0);
    EXPECT_FALSE(rig.view.isOK);
    EXPECT_EQ(rig.view.roiValue[0][r], 1);
    ASSERT_EQ(rig.boxCount(0, r), 1);
    EXPECT_EQ(rig.box(0, r, 1), cv::Rect(260, 120, 61, 61));
    // Side 1 marks the other way; another side value marks nothing.
    rig.model.param1[0][r] = 1;
    rig.judge(wrong, 0);
    EXPECT_EQ(rig.view.roiValue[0][r], 1);
    rig.model.param1[0][r] = 2;
    rig.judge(wrong, 0);
    EXPECT_TRUE(rig.view.isOK);
    // Blobs outside the area bounds are not considered.
    rig.model.param1[0][r] = 0;
    rig.model.param2[0][r] = 5000;
    rig.model.param3[0][r] = 9000;
    rig.judge(wrong, 0);
    EXPECT_TRUE(rig.view.isOK);
}

// --- 2 ignore, 3 position; report rows ----------------------------------------------------------

TEST(ReportRows, OrderFieldsAndCameraFlag)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    rig.view.cameraIndex = 3;
    const cv::Mat clean = midScene(8);
    rig.setTemplates(2, {clean});
    rig.addRect(2, cv::Rect(0, 0, 100, 100), 2);
    rig.addRect(2, cv::Rect(0, 0, 100, 100), 3, 5);
    rig.addRect(2, cv::Rect(100, 100, 100, 100), 4, 0, 40, 10);
    rig.addRect(2, cv::Rect(300, 100, 100, 100), 5, 0, 230, 10);
    rig.train(2);
    cv::Mat frame = clean.clone();
    synth::blob(frame, cv::Point(150, 150), 8, 0);
    rig.input = -1;
    rig.judge(frame, 2);
    ASSERT_EQ(g_listParamROI.size(), 2);
    const param_roi a = g_listParamROI[0], b = g_listParamROI[1];
    EXPECT_EQ(a.camera, 3);
    EXPECT_EQ(a.stage, 2);
    EXPECT_EQ(a.region, 2);
    EXPECT_EQ(a.method, 4);
    EXPECT_EQ(a.value, rig.view.roiValue[2][2]);
    EXPECT_EQ(a.lower, 0);
    EXPECT_EQ(a.upper, 10);
    EXPECT_EQ(a.ok, 0);
    EXPECT_EQ(b.region, 3);
    EXPECT_EQ(b.value, 0);
    EXPECT_EQ(b.ok, 0);  // OK region after an NG one carries the camera's flag
    EXPECT_TRUE(rig.view.roiOK[2][3]);
    for (int r : {0, 1}) {
        EXPECT_EQ(rig.view.roiValue[2][r], 0);
        EXPECT_EQ(rig.boxCount(2, r), 0);
        EXPECT_TRUE(rig.view.roiOK[2][r]);
    }
    // No rows without a trigger source or with reporting off.
    g_listParamROI.clear();
    rig.input = 0;
    rig.judge(frame, 2);
    EXPECT_TRUE(g_listParamROI.isEmpty());
    rig.input = 1;
    rig.para.cnt_net_enabled = 0;
    rig.judge(frame, 2);
    EXPECT_TRUE(g_listParamROI.isEmpty());
}

// --- RunTest ------------------------------------------------------------------------------------

TEST(RunTest, PreviewOnTheShownTemplate)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    cv::Mat shown = midScene(9);
    synth::blob(shown, cv::Point(150, 150), 8, 250);
    synth::blob(shown, cv::Point(180, 150), 8, 250);
    rig.setTemplates(0, {midScene(9), shown});
    rig.view.tempIndex = 1;
    const int white = rig.addRect(0, cv::Rect(100, 100, 200, 100), 7, 3, 220, 0);
    const int defect = rig.addRect(0, cv::Rect(300, 300, 100, 100), 0, 3, 25, 100);
    rig.train(0);
    rig.syncEdit();
    rig.view.ngBoxes[0][white][0][0] = 7;
    rig.engine->RunTest(0, white);
    EXPECT_EQ(rig.view.roiValue[0][white], 2);
    EXPECT_EQ(rig.view.ngBoxes[0][white][0][0], 0);
    EXPECT_GT(cv::countNonZero(rig.ngMap()), 300);
    EXPECT_TRUE(rig.view.testShown);
    EXPECT_EQ(rig.repaints, 1);
    EXPECT_TRUE(g_listParamROI.isEmpty());
    // Defect: map cleared and repainted, nothing measured.
    rig.engine->RunTest(0, defect);
    EXPECT_EQ(cv::countNonZero(rig.ngMap()), 0);
    EXPECT_EQ(rig.repaints, 2);
    // Beyond the edit copy's count: no repaint.
    rig.engine->RunTest(0, 5);
    EXPECT_EQ(rig.repaints, 2);
    // The edit copy, not the model in force, is previewed.
    rig.edit.param2[0][white] = 255;
    rig.engine->RunTest(0, white);
    EXPECT_EQ(rig.view.roiValue[0][white], 0);
}

// --- colour frames ------------------------------------------------------------------------------

TEST(ColourFrames, ReducedByTheColourRuleBeforeJudging)
{
    EngineRig rig;
    rig.para.enable_correct = -1;
    gisColor = true;
    gisGrayHue = true;
    gColorLen = EngineRig::W * EngineRig::H * 4;
    const cv::Mat base = synth::scene(EngineRig::W, EngineRig::H, 30);
    cv::Mat rgba;
    cv::cvtColor(base, rgba, cv::COLOR_GRAY2BGRA);
    std::vector<unsigned char> temp(rgba.data, rgba.data + gColorLen);
    rig.view.templates[0] = {temp.data()};
    rig.view.tempValid[0] = {1};
    rig.view.tempCount[0] = 1;
    std::vector<unsigned char> work(static_cast<size_t>(gColorLen)), corrected(static_cast<size_t>(gColorLen));
    rig.view.frameWork = work.data();
    rig.view.frameCorrected = corrected.data();
    const int r = rig.addRect(0, cv::Rect(100, 100, 300, 200), 0, 3, 25, 50);
    rig.train(0);
    ASSERT_TRUE(rig.engine->defectModel(0, r).IsValid());
    EXPECT_FALSE(rig.engine->positioning(0).IsValid());  // no correction in colour mode
    std::memcpy(corrected.data(), temp.data(), temp.size());
    rig.engine->Run(0);
    EXPECT_TRUE(rig.view.isOK);
    cv::Mat frame(EngineRig::H, EngineRig::W, CV_8UC4, corrected.data());
    cv::circle(frame, cv::Point(250, 200), 10, cv::Scalar(0, 0, 0, 255), cv::FILLED);
    rig.engine->Run(0);
    EXPECT_FALSE(rig.view.isOK);
    EXPECT_GT(rig.view.roiValue[0][r], 250);
}

// --- Judging on worker threads ------------------------------------------------------------------

// Two cameras' engines judging at once, as the controller's parallel inspection runs them: the
// same results as judging in turn, and nothing reaches the shared report list or the record until
// each engine publishes, in the order the controller publishes them.
TEST(ParallelJudging, EnginesJudgingAtOnceMatchJudgingInTurnAndPublishInOrder)
{
    EngineRig a, b;  // b's hooks are in force: the records of both engines arrive in b.records
    const cv::Mat clean = midScene(4);
    cv::Mat frames[2] = {clean.clone(), clean.clone()};
    synth::blob(frames[0], cv::Point(150, 150), 8, 0);
    synth::blob(frames[1], cv::Point(420, 300), 10, 0);
    EngineRig* rigs[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        EngineRig& r = *rigs[i];
        r.view.cameraIndex = i;
        r.para.enable_correct = -1;
        r.setTemplates(0, {clean});
        r.addRect(0, cv::Rect(100, 100, 120, 120), 4, 0, 40, 10);
        r.addRect(0, cv::Rect(380, 260, 100, 100), 4, 0, 40, 10);
        r.addRect(0, cv::Rect(10, 10, 30, 30), 9);  // unknown method: an error record
        r.input = 1;
        r.train(0);
    }
    struct Result {
        bool ok;
        int values[3];
        int boxes[3];
        double ngSum;
    };
    const auto result = [](EngineRig& r) {
        Result x{r.view.isOK, {}, {}, cv::sum(r.ngMap())[0]};
        for (int k = 0; k < 3; ++k) {
            x.values[k] = r.view.roiValue[0][k];
            x.boxes[k] = r.boxCount(0, k);
        }
        return x;
    };
    Result inTurn[2];
    for (int i = 0; i < 2; ++i) {
        rigs[i]->judge(frames[i], 0);
        inTurn[i] = result(*rigs[i]);
    }
    const QList<param_roi> rows = g_listParamROI;
    const QStringList records = b.records;
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].camera, 0);
    EXPECT_EQ(rows[2].camera, 1);
    ASSERT_EQ(records, QStringList({"REG RUN ERROR = 0, 0, -5", "REG RUN ERROR = 1, 0, -5"}));
    EXPECT_FALSE(inTurn[0].ok);
    EXPECT_GT(inTurn[0].values[0], 0);
    EXPECT_EQ(inTurn[0].values[1], 0);
    EXPECT_GT(inTurn[1].values[1], 0);

    for (int round = 0; round < 20; ++round) {
        g_listParamROI.clear();
        b.records.clear();
        for (int i = 0; i < 2; ++i) {
            std::memset(rigs[i]->ngPoints.data(), 7, rigs[i]->ngPoints.size());  // stale map
            frames[i].copyTo(rigs[i]->correctedFrame());
        }
        std::thread t0([&] { a.engine->Judge(0); });
        std::thread t1([&] { b.engine->Judge(0); });
        t0.join();
        t1.join();
        ASSERT_TRUE(g_listParamROI.isEmpty());
        ASSERT_TRUE(b.records.isEmpty());
        a.engine->Publish();
        b.engine->Publish();
        for (int i = 0; i < 2; ++i) {
            const Result x = result(*rigs[i]);
            EXPECT_EQ(x.ok, inTurn[i].ok);
            EXPECT_EQ(x.ngSum, inTurn[i].ngSum);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(x.values[k], inTurn[i].values[k]) << i << " " << k;
                EXPECT_EQ(x.boxes[k], inTurn[i].boxes[k]) << i << " " << k;
            }
        }
        ASSERT_EQ(g_listParamROI.size(), rows.size());
        for (int k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(g_listParamROI[k].camera, rows[k].camera);
            EXPECT_EQ(g_listParamROI[k].region, rows[k].region);
            EXPECT_EQ(g_listParamROI[k].value, rows[k].value);
        }
        EXPECT_EQ(b.records, records);
    }
}
