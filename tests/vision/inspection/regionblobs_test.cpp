// The blob opening on the part around the non-zero pixels equals OpenCV's opening of the whole
// picture, also at the picture's edges.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "vision/inspection/regionblobs.h"

TEST(RegionBlobs, PartialOpeningEqualsWholeOpening)
{
    cv::RNG rng(5);
    for (int round = 0; round < 40; ++round) {
        const int w = rng.uniform(5, 120), h = rng.uniform(5, 120);
        cv::Mat work = cv::Mat::zeros(h, w, CV_8UC1);
        const int blobs = rng.uniform(0, 6);
        for (int i = 0; i < blobs; ++i)
            cv::circle(work, cv::Point(rng.uniform(-5, w + 5), rng.uniform(-5, h + 5)), rng.uniform(1, 15),
                       cv::Scalar(255), cv::FILLED);
        const int k = rng.uniform(1, std::min(w, h) + 1);
        cv::Mat expect;
        cv::morphologyEx(work, expect, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k)),
                         cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
        cv::Mat result(h, w, CV_8UC1, cv::Scalar(77));
        const cv::Rect area = OpenBlobs(work, result, k);
        EXPECT_EQ(cv::norm(expect, result, cv::NORM_INF), 0.0) << "round " << round << " k " << k;
        EXPECT_EQ(area, cv::boundingRect(expect));
    }
}

TEST(RegionBlobs, GrayPairsAndKernelLimits)
{
    int lo = -1, hi = -1;
    ASSERT_TRUE(GrayPair(1, 12800, 0, &lo, &hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 50);
    ASSERT_TRUE(GrayPair(1, 0x1E64, 0, &lo, &hi));  // bytes 100 and 30: ordered
    EXPECT_EQ(lo, 30);
    EXPECT_EQ(hi, 100);
    ASSERT_TRUE(GrayPair(4, 0, 0x1FF, &lo, &hi));
    EXPECT_EQ(hi, 255);
    ASSERT_TRUE(GrayPair(7, 0, 300, &lo, &hi));
    EXPECT_EQ(lo, 44);
    EXPECT_EQ(hi, 255);
    EXPECT_FALSE(GrayPair(0, 0, 0, &lo, &hi));
    EXPECT_EQ(ClampKernel(0, 50, 40), 1);
    EXPECT_EQ(ClampKernel(12800, 50, 40), 40);
    EXPECT_EQ(ClampKernel(-3, 0, 0), 1);
}
