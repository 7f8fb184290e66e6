// Similarity model: score on the 0..100 scale and the difference picture.
#include <gtest/gtest.h>

#include "common/synthscene.h"
#include "platform/vision/moveimage.h"
#include "platform/vision/surf.h"

namespace {

void train(SURF& s, const cv::Mat& base, int templates = 2)
{
    ASSERT_TRUE(s.Create(base.cols, base.rows, cv::Mat()));
    for (int i = 0; i < templates; ++i)
        ASSERT_TRUE(s.AddTemp(synth::noisy(base, 2.0, 0, 30 + i), 1, 50, 60));
    ASSERT_TRUE(s.Train(0, 0, 0, 0));
}

} // namespace

TEST(SURF, SameSceneScoresHighOtherSceneLow)
{
    const cv::Mat base = synth::scene(160, 120, 21);
    SURF s;
    train(s, base);
    ASSERT_TRUE(s.IsValid());
    cv::Mat out;
    cv::Mat crop = synth::noisy(base, 3.0, 0, 5);
    EXPECT_GT(s.Match(crop, out), 95.0f);
    EXPECT_EQ(cv::countNonZero(out), 0);
    // Brightness change and one pixel of movement keep the score.
    cv::Mat brighter = synth::noisy(base, 3.0, 30, 6);
    EXPECT_GT(s.Match(brighter, out), 95.0f);
    EXPECT_EQ(cv::countNonZero(out), 0);
    cv::Mat moved;
    MoveImage(base, moved, 1, -1);
    EXPECT_GT(s.Match(moved, out), 95.0f);
    cv::Mat other = synth::scene(160, 120, 99);
    EXPECT_LT(s.Match(other, out), 40.0f);
    EXPECT_GT(cv::countNonZero(out), 0);
}

TEST(SURF, ChangedPartLowersScoreAndIsMarked)
{
    const cv::Mat base = synth::scene(160, 120, 22);
    SURF s;
    train(s, base);
    cv::Mat crop = base.clone();
    cv::rectangle(crop, cv::Rect(40, 30, 60, 50), cv::Scalar(255), cv::FILLED);
    cv::Mat out(120, 160, CV_8UC1, cv::Scalar(9));
    const uchar* data = out.data;
    const float score = s.Match(crop, out);
    EXPECT_LT(score, 90.0f);
    EXPECT_GT(score, 0.0f);
    EXPECT_EQ(out.data, data);
    // Marks lie in the changed rectangle only.
    cv::Mat outside = out.clone();
    outside(cv::Rect(40, 30, 60, 50)) = 0;
    EXPECT_EQ(cv::countNonZero(outside), 0);
    EXPECT_GT(cv::countNonZero(out), 300);
}

TEST(SURF, FlatSurfaceTakesLightingButNotAnotherGrey)
{
    SURF s;
    const cv::Mat flat(40, 40, CV_8UC1, cv::Scalar(120));
    ASSERT_TRUE(s.Create(40, 40, cv::Mat()));
    ASSERT_TRUE(s.AddTemp(flat, 1, 50, 60));
    ASSERT_TRUE(s.Train(0, 0, 0, 0));
    cv::Mat out;
    cv::Mat same = flat.clone();
    EXPECT_GT(s.Match(same, out), 99.0f);
    cv::Mat dimmer(40, 40, CV_8UC1, cv::Scalar(110));  // 8 % less light
    EXPECT_GT(s.Match(dimmer, out), 95.0f);
    cv::Mat darker(40, 40, CV_8UC1, cv::Scalar(90));   // a plain part of another grey over it all
    EXPECT_LT(s.Match(darker, out), 50.0f);
    cv::Mat black(40, 40, CV_8UC1, cv::Scalar(0));
    EXPECT_EQ(s.Match(black, out), 0.0f);
}

TEST(SURF, InvalidOrMismatchedGivesZero)
{
    SURF s;
    cv::Mat crop(20, 20, CV_8UC1, cv::Scalar(0)), out;
    EXPECT_EQ(s.Match(crop, out), 0.0f);
    EXPECT_FALSE(s.Train(0, 0, 0, 0));
    ASSERT_TRUE(s.Create(20, 20, cv::Mat()));
    EXPECT_FALSE(s.AddTemp(cv::Mat(21, 20, CV_8UC1, cv::Scalar(0)), 1, 50, 0));
    EXPECT_TRUE(s.AddTemp(crop, 1, 50, 0));
    EXPECT_TRUE(s.Train(0, 0, 0, 0));
    cv::Mat small(10, 10, CV_8UC1, cv::Scalar(0));
    EXPECT_EQ(s.Match(small, out), 0.0f);
    cv::Mat wrongOut(3, 3, CV_8UC1);
    EXPECT_EQ(s.Match(crop, wrongOut), 0.0f);
    EXPECT_EQ(wrongOut.rows, 3);
}
