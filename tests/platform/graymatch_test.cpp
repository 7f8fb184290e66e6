// Defect model: finds real differences, ignores noise, edge jitter and brightness drift.
#include <gtest/gtest.h>

#include "common/synthscene.h"
#include "platform/vision/graymatch.h"
#include "platform/vision/moveimage.h"

namespace {

struct Trained {
    cv::Mat base;
    GrayMatch model;
};

// Three noisy templates of one textured crop, drifting 0, +3, +6 grey levels.
void train(Trained& t, int tolerance = 25, int spread = 0, cv::Mat mask = cv::Mat())
{
    t.base = synth::scene(200, 150, 3);
    if (mask.empty())
        mask = cv::Mat(150, 200, CV_8UC1, cv::Scalar(255));
    ASSERT_TRUE(t.model.Create(200, 150, mask, 0));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(t.model.AddTemp(synth::noisy(t.base, 3.0, 3 * i, 100 + i)));
    ASSERT_TRUE(t.model.Train(tolerance, spread, 100, 150));
    ASSERT_TRUE(t.model.IsValid());
}

} // namespace

TEST(GrayMatch, FindsDarkAndBrightBlobsOfTheirSize)
{
    Trained t;
    train(t);
    for (int grey : {0, 255}) {
        cv::Mat crop = synth::noisy(t.base, 3.0, 2, 50);
        cv::Mat clean = crop.clone();
        synth::blob(crop, cv::Point(100, 75), 10, grey);
        cv::Mat changed;
        cv::absdiff(crop, clean, changed);
        cv::Mat out(150, 200, CV_8UC1, cv::Scalar(7));
        const int n = t.model.Match(crop, out);
        EXPECT_EQ(n, cv::countNonZero(out));
        // Every marked pixel lies in the blob; the blob is marked where it differs by a lot.
        cv::Mat outside = out & (changed == 0);
        EXPECT_EQ(cv::countNonZero(outside), 0) << "grey " << grey;
        EXPECT_GT(n, 150) << "grey " << grey;
        EXPECT_LE(n, 317);  // disc of radius 10
    }
}

TEST(GrayMatch, NoiseJitterAndDriftAreNoDefects)
{
    Trained t;
    train(t);
    cv::Mat out;
    EXPECT_EQ(t.model.Match(synth::noisy(t.base, 4.0, 0, 77), out), 0);
    // Drift inside the trained range plus a little beyond it.
    EXPECT_EQ(t.model.Match(synth::noisy(t.base, 3.0, 12, 78), out), 0);
    // One pixel of movement in each direction.
    for (cv::Point d : {cv::Point(1, 0), cv::Point(-1, 0), cv::Point(0, 1), cv::Point(1, -1)}) {
        cv::Mat moved;
        ASSERT_TRUE(MoveImage(t.base, moved, d.x, d.y));
        EXPECT_EQ(t.model.Match(synth::noisy(moved, 3.0, 3, 79), out), 0) << d;
    }
    // A frame far brighter than every template is different everywhere.
    EXPECT_GT(t.model.Match(synth::noisy(t.base, 3.0, 70, 80), out), 150 * 200 / 2);
}

TEST(GrayMatch, ToleranceAndTemplateSpread)
{
    Trained strict;
    train(strict, 0);
    cv::Mat crop = strict.base.clone();
    crop(cv::Rect(20, 20, 10, 10)) += 20;
    cv::Mat out;
    EXPECT_GT(strict.model.Match(crop, out), 0);
    Trained loose;
    train(loose, 40);
    EXPECT_EQ(loose.model.Match(crop, out), 0);

    // Pixels that vary between templates get more room with a larger spread factor.
    cv::Mat a(50, 50, CV_8UC1, cv::Scalar(100)), b(50, 50, CV_8UC1, cv::Scalar(140));
    cv::Mat probe(50, 50, CV_8UC1, cv::Scalar(170));
    for (int spread : {0, 4}) {
        GrayMatch m;
        ASSERT_TRUE(m.Create(50, 50, cv::Mat(), 0));
        m.AddTemp(a);
        m.AddTemp(b);
        ASSERT_TRUE(m.Train(10, spread, 100, 150));
        cv::Mat small;
        EXPECT_EQ(m.Match(probe, small) > 0, spread == 0) << spread;
    }
}

TEST(GrayMatch, MaskExcludesPixels)
{
    cv::Mat mask(150, 200, CV_8UC1, cv::Scalar(255));
    mask(cv::Rect(0, 0, 100, 150)) = 0;
    Trained t;
    train(t, 25, 0, mask);
    cv::Mat crop = t.base.clone();
    synth::blob(crop, cv::Point(50, 75), 10, 0);  // in the excluded half
    cv::Mat out;
    EXPECT_EQ(t.model.Match(crop, out), 0);
    synth::blob(crop, cv::Point(150, 75), 10, 0);
    EXPECT_GT(t.model.Match(crop, out), 0);
}

TEST(GrayMatch, RefusesMisuseAndKeepsCallerBuffers)
{
    GrayMatch m;
    cv::Mat out;
    EXPECT_FALSE(m.IsValid());
    EXPECT_EQ(m.Match(cv::Mat(10, 10, CV_8UC1, cv::Scalar(0)), out), -1);
    EXPECT_FALSE(m.Create(10, 10, cv::Mat(5, 5, CV_8UC1, cv::Scalar(255)), 0));
    EXPECT_FALSE(m.Train(25, 0, 100, 150));
    ASSERT_TRUE(m.Create(10, 10, cv::Mat(), 0));
    EXPECT_FALSE(m.AddTemp(cv::Mat(9, 10, CV_8UC1, cv::Scalar(0))));
    EXPECT_FALSE(m.Train(25, 0, 100, 150));  // no template yet
    EXPECT_TRUE(m.AddTemp(cv::Mat(10, 10, CV_8UC1, cv::Scalar(90))));
    EXPECT_TRUE(m.Train(25, 0, 100, 150));
    EXPECT_FALSE(m.AddTemp(cv::Mat(10, 10, CV_8UC1, cv::Scalar(90))));

    cv::Mat crop(10, 10, CV_8UC1, cv::Scalar(200));
    cv::Mat mine(10, 10, CV_8UC1, cv::Scalar(1));
    const uchar* data = mine.data;
    EXPECT_EQ(m.Match(crop, mine), 100);
    EXPECT_EQ(mine.data, data);
    cv::Mat wrong(4, 4, CV_8UC1, cv::Scalar(1));
    EXPECT_EQ(m.Match(crop, wrong), -1);
    EXPECT_EQ(cv::countNonZero(wrong - 1), 0);  // untouched
    EXPECT_EQ(m.Match(crop(cv::Rect(0, 0, 9, 10)), mine), -1);

    m.Clear();
    EXPECT_FALSE(m.IsValid());
}

TEST(GrayMatch, SubPictureCropsAreRead)
{
    // The engine hands crops that are views into the frame (rows not contiguous).
    cv::Mat frame = synth::scene(400, 300, 5);
    const cv::Rect r(37, 41, 121, 77);
    GrayMatch m;
    ASSERT_TRUE(m.Create(r.width, r.height, cv::Mat(), 0));
    m.AddTemp(frame(r));
    ASSERT_TRUE(m.Train(25, 0, 100, 150));
    cv::Mat out;
    EXPECT_EQ(m.Match(frame(r), out), 0);
    // A single pixel next to the right edge pushed well outside its neighbourhood's range.
    const cv::Point q(r.x + 119, r.y + 30);
    double lo = 0, hi = 0;
    cv::minMaxLoc(frame(cv::Rect(q.x - 1, q.y - 1, 3, 3)), &lo, &hi);
    cv::Mat f2 = frame.clone();
    f2.at<uchar>(q) = hi <= 190 ? uchar(hi + 60) : uchar(lo - 60);
    ASSERT_TRUE(hi <= 190 || lo >= 60);
    EXPECT_EQ(m.Match(f2(r), out), 1);
    EXPECT_EQ(out.at<uchar>(30, 119), 255);
}
