// Frame shifts: exact bytes, replicated edges, caller buffers kept.
#include <gtest/gtest.h>

#include "common/synthscene.h"
#include "platform/vision/moveimage.h"

namespace {

cv::Mat small()
{
    // 4 x 3, values 10 * row + column
    cv::Mat m(3, 4, CV_8UC1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            m.at<uchar>(y, x) = uchar(10 * y + x);
    return m;
}

std::vector<uchar> bytes(const cv::Mat& m)
{
    std::vector<uchar> v;
    for (int y = 0; y < m.rows; ++y)
        v.insert(v.end(), m.ptr<uchar>(y), m.ptr<uchar>(y) + m.cols * m.elemSize());
    return v;
}

} // namespace

TEST(MoveImage, ShiftsAndReplicatesEdges)
{
    cv::Mat dst(3, 4, CV_8UC1, cv::Scalar(99));
    const uchar* data = dst.data;
    ASSERT_TRUE(MoveImage(small(), dst, 1, -1));
    EXPECT_EQ(dst.data, data);
    EXPECT_EQ(bytes(dst), (std::vector<uchar>{10, 10, 11, 12, 20, 20, 21, 22, 20, 20, 21, 22}));
    ASSERT_TRUE(MoveImage(small(), dst, -2, 2));
    EXPECT_EQ(bytes(dst), (std::vector<uchar>{2, 3, 3, 3, 2, 3, 3, 3, 2, 3, 3, 3}));
    ASSERT_TRUE(MoveImage(small(), dst, 0, 0));
    EXPECT_EQ(bytes(dst), bytes(small()));
    // Beyond the picture: every pixel repeats the edge.
    ASSERT_TRUE(MoveImage(small(), dst, 9, 9));
    EXPECT_EQ(bytes(dst), std::vector<uchar>(12, 0));
    ASSERT_TRUE(MoveImage(small(), dst, -9, -9));
    EXPECT_EQ(bytes(dst), std::vector<uchar>(12, 23));
}

TEST(MoveImage, FourByteFramesAndInPlace)
{
    cv::Mat c(2, 3, CV_8UC4);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y)
            c.at<cv::Vec4b>(y, x) = cv::Vec4b(uchar(x), uchar(y), 7, 255);
    cv::Mat d;
    ASSERT_TRUE(MoveImage(c, d, 1, 0));
    EXPECT_EQ(d.at<cv::Vec4b>(0, 0), cv::Vec4b(0, 0, 7, 255));
    EXPECT_EQ(d.at<cv::Vec4b>(1, 2), cv::Vec4b(1, 1, 7, 255));
    cv::Mat same = small();
    ASSERT_TRUE(MoveImage(same, same, 1, 0));
    EXPECT_EQ(bytes(same), (std::vector<uchar>{0, 0, 1, 2, 10, 10, 11, 12, 20, 20, 21, 22}));
}

TEST(MoveImage, RefusesOtherSizedTarget)
{
    cv::Mat wrong(2, 2, CV_8UC1, cv::Scalar(5));
    EXPECT_FALSE(MoveImage(small(), wrong, 1, 1));
    EXPECT_EQ(bytes(wrong), std::vector<uchar>(4, 5));
    cv::Mat wrongType(3, 4, CV_16UC1, cv::Scalar(5));
    EXPECT_FALSE(MoveImage(small(), wrongType, 1, 1));
    cv::Mat out;
    EXPECT_FALSE(MoveImage(cv::Mat(), out, 0, 0));
}

TEST(TransformImage, IntegerShiftEqualsMove)
{
    const cv::Mat scene = synth::scene(320, 240, 4);
    cv::Mat a, b;
    ASSERT_TRUE(MoveImage(scene, a, 6, -4));
    b = cv::Mat(240, 320, CV_8UC1, cv::Scalar(0));
    const uchar* data = b.data;
    ASSERT_TRUE(TransformImage(scene, b, cv::Point(6, -4), cv::Point(160, 120), 0.0));
    EXPECT_EQ(b.data, data);
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0.0);
}

TEST(TransformImage, RotationMovesPointsAsDocumented)
{
    // dst(p) = src(centre - shift + R(angle)(p - centre)): a mark at q lands at
    // p = centre + R(-angle)(q - centre + shift).
    cv::Mat src(300, 400, CV_8UC1, cv::Scalar(0));
    const cv::Point q(300, 100);
    cv::rectangle(src, cv::Rect(q.x - 2, q.y - 2, 5, 5), cv::Scalar(255), cv::FILLED);
    const cv::Point centre(200, 150), shift(5, -3);
    const double angle = 10.0;
    cv::Mat dst;
    ASSERT_TRUE(TransformImage(src, dst, shift, centre, angle));
    const cv::Moments m = cv::moments(dst, false);
    const double a = -angle * CV_PI / 180.0;
    const double vx = q.x - centre.x + shift.x, vy = q.y - centre.y + shift.y;
    const double px = centre.x + std::cos(a) * vx - std::sin(a) * vy;
    const double py = centre.y + std::sin(a) * vx + std::cos(a) * vy;
    EXPECT_NEAR(m.m10 / m.m00, px, 0.3);
    EXPECT_NEAR(m.m01 / m.m00, py, 0.3);
    // Corners the rotation uncovers repeat the edge (black here), nothing undefined.
    cv::Mat white(300, 400, CV_8UC1, cv::Scalar(200));
    ASSERT_TRUE(TransformImage(white, dst, shift, centre, angle));
    EXPECT_EQ(cv::countNonZero(dst != 200), 0);
}
