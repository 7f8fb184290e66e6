// Positioning model: shift and rotation found with the documented sign; nothing found where the
// feature is missing.
#include <gtest/gtest.h>

#include "common/synthscene.h"
#include "platform/vision/findshape.h"
#include "platform/vision/moveimage.h"

namespace {

constexpr int W = 640, H = 480;

// Model of the rectangle r of the scene, as the engine builds it.
bool model(FindShape& f, const cv::Mat& scene, cv::Rect r, int angle = 0, int minScore = 5)
{
    return f.CreateShape(scene(r).clone(), 0.0, 0, angle, r.x + r.width / 2, r.y + r.height / 2, false, 255,
                         cv::Mat(r.size(), CV_8UC1, cv::Scalar(255)), minScore, 0);
}

// The shift the engine derives from a search window.
bool shiftFound(FindShape& f, const cv::Mat& frame, cv::Rect window, cv::Point* shift, double* angle = nullptr)
{
    cv::Mat search = frame(window).clone();
    int x = 0, y = 0;
    double score = 0, a = 0;
    if (!f.Find(search, 0, &x, &y, &score, &a))
        return false;
    *shift = cv::Point(x - window.x, y - window.y);
    if (angle)
        *angle = a;
    return true;
}

} // namespace

TEST(FindShape, ShiftInEveryDirectionWithNegativeValues)
{
    const cv::Mat scene = synth::scene(W, H, 8);
    const cv::Rect r(160, 120, 320, 240);
    FindShape f;
    ASSERT_TRUE(model(f, scene, r));
    ASSERT_TRUE(f.IsValid());
    const cv::Rect whole(0, 0, W, H);
    const cv::Rect margin(r.x - 20, r.y - 20, r.width + 40, r.height + 40);
    for (cv::Point move : {cv::Point(6, -4), cv::Point(-6, 4), cv::Point(0, 0), cv::Point(-19, -19), cv::Point(19, 12)}) {
        cv::Mat frame;
        ASSERT_TRUE(MoveImage(synth::noisy(scene, 3.0, 15, 3), frame, move.x, move.y));
        for (const cv::Rect& window : {whole, margin}) {
            cv::Point shift;
            ASSERT_TRUE(shiftFound(f, frame, window, &shift)) << move;
            EXPECT_EQ(shift, -move) << "window " << window;
        }
    }
    EXPECT_GT(f.findCount, 0);
}

TEST(FindShape, TemplateAtTheFrameEdgeMovedOutwards)
{
    // The default positioning rectangle reaches the right and bottom edges.
    const cv::Mat scene = synth::scene(W, H, 9);
    const cv::Rect r(W / 4, H / 4, 3 * W / 4, 3 * H / 4);
    FindShape f;
    ASSERT_TRUE(model(f, scene, r));
    for (cv::Point move : {cv::Point(6, -4), cv::Point(-6, 4), cv::Point(8, 8)}) {
        cv::Mat frame;
        MoveImage(scene, frame, move.x, move.y);
        cv::Point shift;
        ASSERT_TRUE(shiftFound(f, frame, cv::Rect(0, 0, W, H), &shift)) << move;
        EXPECT_EQ(shift, -move);
    }
}

TEST(FindShape, RotationFoundAndUndone)
{
    const cv::Mat scene = synth::scene(W, H, 10);
    const cv::Rect r(120, 90, 400, 300);
    const cv::Point centre(r.x + r.width / 2, r.y + r.height / 2);
    FindShape f;
    ASSERT_TRUE(model(f, scene, r, 10));
    for (double turn : {3.0, -3.0, 8.0}) {
        const cv::Mat frame = synth::rotated(scene, cv::Point2f(centre), turn);
        cv::Point shift;
        double angle = 0;
        ASSERT_TRUE(shiftFound(f, frame, cv::Rect(0, 0, W, H), &shift, &angle)) << turn;
        EXPECT_NEAR(angle, turn, 0.25);
        EXPECT_LE(std::abs(shift.x), 1);
        EXPECT_LE(std::abs(shift.y), 1);
    }
    // Shift only when the model allows no rotation: a turned frame is still found roughly.
    FindShape still;
    ASSERT_TRUE(model(still, scene, r, 0));
    cv::Point shift;
    double angle = 1;
    ASSERT_TRUE(shiftFound(still, synth::rotated(scene, cv::Point2f(centre), 0.5), cv::Rect(0, 0, W, H), &shift, &angle));
    EXPECT_EQ(angle, 0.0);
}

TEST(FindShape, BlankTemplateOrSceneOrHiddenFeature)
{
    const cv::Mat blank(H, W, CV_8UC1, cv::Scalar(128));
    FindShape f;
    EXPECT_FALSE(model(f, blank, cv::Rect(100, 100, 200, 200)));
    EXPECT_FALSE(f.IsValid());
    EXPECT_FALSE(f.CreateShape(cv::Mat(), 0.0, 0, 0, 0, 0, false, 255, cv::Mat(), 5, 0));
    cv::Mat search = blank.clone();
    int x = 5, y = 5;
    double s = 0, a = 0;
    EXPECT_FALSE(f.Find(search, 0, &x, &y, &s, &a));

    const cv::Mat scene = synth::scene(W, H, 12);
    const cv::Rect r(160, 120, 320, 240);
    ASSERT_TRUE(model(f, scene, r));
    EXPECT_FALSE(f.Find(search, 0, &x, &y, &s, &a));  // blank scene: no correction
    EXPECT_EQ(x, 5);
    // A part covering most of the feature: not found rather than shifted at random.
    cv::Mat covered = scene.clone();
    cv::rectangle(covered, cv::Rect(150, 110, 300, 250), cv::Scalar(40), cv::FILLED);
    EXPECT_FALSE(f.Find(covered, 0, &x, &y, &s, &a));
    EXPECT_LT(s, 0.5);
    // Another scene altogether.
    cv::Mat other = synth::scene(W, H, 77);
    EXPECT_FALSE(f.Find(other, 0, &x, &y, &s, &a));
    EXPECT_EQ(f.findCount, 0);
}

TEST(FindShape, MaskSelectsTheFeature)
{
    // Only the masked part of the template counts: the rest may change freely.
    const cv::Mat scene = synth::scene(W, H, 13);
    const cv::Rect r(160, 120, 320, 240);
    cv::Mat mask(r.size(), CV_8UC1, cv::Scalar(0));
    mask(cv::Rect(0, 0, 160, 240)) = 255;
    FindShape f;
    ASSERT_TRUE(f.CreateShape(scene(r).clone(), 0.0, 0, 0, r.x + r.width / 2, r.y + r.height / 2, false, 255,
                              mask, 6, 0));
    cv::Mat frame = scene.clone();
    cv::rectangle(frame, cv::Rect(320, 120, 160, 240), cv::Scalar(30), cv::FILLED);  // unmasked half hidden
    cv::Mat moved;
    MoveImage(frame, moved, 3, 2);
    cv::Point shift;
    ASSERT_TRUE(shiftFound(f, moved, cv::Rect(0, 0, W, H), &shift));
    EXPECT_EQ(shift, cv::Point(-3, -2));
}

TEST(FindShape, SmallFeatureOverAWideWindow)
{
    // A small positioning region searched over the whole frame starts on a coarser level to
    // keep the search short (bench/visionmodels measures it), and still lands on the exact shift.
    cv::Mat scene = synth::scene(1280, 960, 15);
    const cv::Rect r(600, 400, 40, 40);
    cv::rectangle(scene, cv::Rect(605, 405, 14, 30), cv::Scalar(250), cv::FILLED);
    cv::circle(scene, cv::Point(628, 420), 7, cv::Scalar(10), cv::FILLED);
    FindShape f;
    ASSERT_TRUE(model(f, scene, r));
    cv::Mat frame;
    MoveImage(synth::noisy(scene, 2.0, 0, 4), frame, -5, 7);
    cv::Point shift;
    ASSERT_TRUE(shiftFound(f, frame, cv::Rect(0, 0, 1280, 960), &shift));
    EXPECT_EQ(shift, cv::Point(5, -7));
}

TEST(FindShape, FullTurnAllowed)
{
    // Any rotation allowed: a frame turned by 90 degrees is still found (bench/visionmodels
    // measures the search).
    const cv::Mat scene = synth::scene(W, H, 16);
    const cv::Rect r(170, 90, 300, 300);
    const cv::Point centre(r.x + r.width / 2, r.y + r.height / 2);
    FindShape f;
    ASSERT_TRUE(model(f, scene, r, 180));
    cv::Point shift;
    double angle = 0;
    ASSERT_TRUE(shiftFound(f, synth::rotated(scene, cv::Point2f(centre), 90.0), cv::Rect(0, 0, W, H), &shift, &angle));
    EXPECT_NEAR(angle, 90.0, 0.3);
    EXPECT_LE(std::abs(shift.x) + std::abs(shift.y), 2);
}
