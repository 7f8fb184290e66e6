// Training and motion correction of the detection engine: positioning model and search window,
// valid mask, template slots, and frames moved or turned back onto the trained position.
#include <gtest/gtest.h>

#include "common/synthscene.h"
#include "vision/inspection/enginerig.h"
#include "platform/vision/moveimage.h"

namespace {

class Correction : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = synth::scene(EngineRig::W, EngineRig::H, 21);
        rig.setTemplates(0, {base, synth::noisy(base, 2, 3, 1)});
        region = rig.addRect(0, cv::Rect(150, 120, 300, 220), 0, 3, 25, 50);
    }
    // Judges `frame` with correction on; true when the defect region passed.
    bool passes(const cv::Mat& frame)
    {
        rig.inspect(frame, 0);
        return rig.view.isOK;
    }
    EngineRig rig;
    cv::Mat base;
    int region = 0;
};

} // namespace

TEST_F(Correction, MovedFramesAreShiftedBack)
{
    rig.train(0);
    ASSERT_TRUE(rig.engine->positioning(0).IsValid());
    for (cv::Point move : {cv::Point(6, -4), cv::Point(-6, 4)}) {
        cv::Mat frame;
        MoveImage(synth::noisy(base, 3, 2, 7), frame, move.x, move.y);
        EXPECT_TRUE(passes(frame)) << move;
        EXPECT_TRUE(rig.engine->lastCorrected());
        EXPECT_EQ(rig.engine->lastShift(), -move);
        // The same frame judged without correction fails.
        rig.judge(frame, 0);
        EXPECT_FALSE(rig.view.isOK) << move;
        rig.para.enable_correct = -1;
        EXPECT_FALSE(passes(frame)) << move;
        EXPECT_EQ(cv::norm(rig.workFrame(), rig.correctedFrame(), cv::NORM_INF), 0.0);
        rig.para.enable_correct = 0;
    }
}

TEST_F(Correction, TurnedFrameIsRotatedBack)
{
    rig.para.shape_angle_limit = 10;
    rig.train(0);
    const cv::Point centre = rig.engine->modelCentre(0);
    const cv::Mat frame = synth::rotated(synth::noisy(base, 2, 0, 8), cv::Point2f(centre), 3.0);
    EXPECT_TRUE(passes(frame));
    EXPECT_NEAR(rig.engine->lastAngle(), 3.0, 0.2);
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
}

TEST_F(Correction, BlankOrCoveredSceneIsNotShifted)
{
    rig.train(0);
    const cv::Mat blank(EngineRig::H, EngineRig::W, CV_8UC1, cv::Scalar(90));
    rig.inspect(blank, 0);
    EXPECT_FALSE(rig.engine->lastCorrected());
    EXPECT_EQ(cv::norm(rig.workFrame(), rig.correctedFrame(), cv::NORM_INF), 0.0);
    // A part hiding most of the positioning area: judged where it is, and NG.
    cv::Mat covered = base.clone();
    cv::rectangle(covered, cv::Rect(100, 80, 480, 380), cv::Scalar(250), cv::FILLED);
    rig.inspect(covered, 0);
    EXPECT_FALSE(rig.engine->lastCorrected());
    EXPECT_FALSE(rig.view.isOK);
}

TEST_F(Correction, BlankTemplateLeavesNoPositioningModel)
{
    rig.setTemplates(0, {cv::Mat(EngineRig::H, EngineRig::W, CV_8UC1, cv::Scalar(128))});
    rig.train(0);
    EXPECT_FALSE(rig.engine->positioning(0).IsValid());
    cv::Mat frame;
    MoveImage(base, frame, 6, -4);
    rig.inspect(frame, 0);
    EXPECT_FALSE(rig.engine->lastCorrected());
    // Colour processing: no correction at all, the frame is copied.
    rig.setTemplates(0, {base});
    rig.train(0);
    ASSERT_TRUE(rig.engine->positioning(0).IsValid());
    gisColor = true;
    rig.engine->ShapeMatch();
    gisColor = false;
    EXPECT_FALSE(rig.engine->lastCorrected());
}

TEST(PositioningModel, DefaultRectangleAndSearchWindow)
{
    EngineRig rig;
    rig.setTemplates(0, {synth::scene(EngineRig::W, EngineRig::H, 2)});
    rig.train(0);
    // No position region: W/4, H/4, 3W/4 x 3H/4, reaching the right and bottom edges.
    EXPECT_EQ(rig.engine->modelCentre(0), cv::Point(160 + 240, 120 + 180));
    EXPECT_EQ(rig.engine->searchWindow(0), cv::Rect(0, 0, 640, 480));
    // The first position region is used; the window is clipped at the frame's edge.
    rig.para.location_adge = 50;
    rig.addRect(0, cv::Rect(10, 200, 100, 80), 3, 5);
    rig.addRect(0, cv::Rect(300, 300, 100, 100), 3, 5);
    rig.engine->CreateShape(0);
    EXPECT_EQ(rig.engine->modelCentre(0), cv::Point(60, 240));
    EXPECT_EQ(rig.engine->searchWindow(0), cv::Rect(0, 150, 160, 180));
    // Correction off: the stage keeps its model and window.
    rig.para.enable_correct = -1;
    rig.para.location_adge = 8000;
    rig.engine->CreateShape(0);
    EXPECT_EQ(rig.engine->searchWindow(0), cv::Rect(0, 150, 160, 180));
}

TEST(Training, TemplateSlotsIgnoreAreasAndValidMask)
{
    EngineRig rig;
    const cv::Mat base = synth::scene(EngineRig::W, EngineRig::H, 3);
    // Slots 0, 3 and 5 hold pictures; the stage's count is 2: slots 0 and 3 are trained.
    rig.put(0, 0, base);
    rig.put(0, 3, base);
    rig.put(0, 5, base);
    rig.view.tempCount[0] = 2;
    const int d = rig.addRect(0, cv::Rect(50, 50, 200, 200), 0, 3, 25, 100);
    const int s = rig.addRect(0, cv::Rect(300, 50, 100, 100), 6, 0, 60, 0);
    // Ignore points: one inside the ignore region's box but outside its ring, one elsewhere.
    rig.ignore[0][size_t(60 * EngineRig::W + 60)] = 255;
    rig.ignore[0][size_t(400 * EngineRig::W + 500)] = 255;
    const int ring = rig.model.roiNum[0]++;
    rig.model.circles[0][ring].center = QPoint(100, 100);
    rig.model.circles[0][ring].radius = 40;
    rig.model.circles[0][ring].innerRadius = 0;
    rig.model.circles[0][ring].UpdateRect();
    rig.model.circles[0][ring].setImageRect();
    rig.model.shapeType[0][ring] = 4;
    rig.model.method[0][ring] = 2;
    rig.view.maskInForce[0][ring] = rig.model.circles[0][ring].UpdateMask();
    rig.train(0);
    EXPECT_EQ(rig.engine->defectModel(0, d).templateCount(), 2);
    EXPECT_TRUE(rig.engine->similarityModel(0, s).IsValid());
    const cv::Mat& valid = rig.engine->validMask(0);
    ASSERT_EQ(valid.size(), cv::Size(EngineRig::W, EngineRig::H));
    EXPECT_EQ(valid.at<uchar>(100, 100), 0);    // inside the ignore ring
    EXPECT_EQ(valid.at<uchar>(62, 62), 255);    // the ring's box corner stays inspected
    EXPECT_EQ(valid.at<uchar>(60, 60), 255);    // an ignore point the ring's box replaced
    EXPECT_EQ(valid.at<uchar>(400, 500), 0);    // an ignore point elsewhere
    EXPECT_EQ(valid.at<uchar>(300, 300), 255);
    // A defect inside the ignore ring is not seen.
    cv::Mat frame = base.clone();
    synth::blob(frame, cv::Point(100, 100), 15, 0);
    rig.judge(frame, 0);
    EXPECT_TRUE(rig.view.isOK);
    synth::blob(frame, cv::Point(200, 200), 15, 0);
    rig.judge(frame, 0);
    EXPECT_FALSE(rig.view.isOK);
}
