#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "vision/inspection/polygon.h"

namespace {
// The reference: one point-in-polygon test per pixel.
cv::Mat referenceMask(const std::vector<QPoint>& pts, const QRect& area)
{
    std::vector<cv::Point> contour;
    for (const QPoint& p : pts)
        contour.emplace_back(p.x(), p.y());
    cv::Mat m(area.height(), area.width(), CV_8UC1, cv::Scalar(0));
    for (int y = 0; y < m.rows; ++y)
        for (int x = 0; x < m.cols; ++x)
            if (cv::pointPolygonTest(contour, cv::Point2f(float(area.left() + x), float(area.top() + y)), false) > 0)
                m.at<uchar>(y, x) = 255;
    return m;
}

void expectSame(const std::vector<QPoint>& pts, const QRect& area, const char* what)
{
    cv::Mat ours = PolygonMask(pts.data(), int(pts.size()), area);
    cv::Mat ref = referenceMask(pts, area);
    ASSERT_EQ(ours.rows, ref.rows) << what;
    ASSERT_EQ(ours.cols, ref.cols) << what;
    cv::Mat diff;
    cv::compare(ours, ref, diff, cv::CMP_NE);
    const int bad = cv::countNonZero(diff);
    if (bad) {
        std::vector<cv::Point> where;
        cv::findNonZero(diff, where);
        FAIL() << what << ": " << bad << " pixels differ, first at (" << area.left() + where[0].x << ", "
               << area.top() + where[0].y << ")";
    }
}

QRect around(const std::vector<QPoint>& pts, int margin)
{
    int x0 = pts[0].x(), x1 = x0, y0 = pts[0].y(), y1 = y0;
    for (const QPoint& p : pts) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRect(QPoint(x0 - margin, y0 - margin), QPoint(x1 + margin, y1 + margin));
}
}  // namespace

TEST(PolygonMask, EqualsThePerPixelTestOnRandomOutlines)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 60; ++round) {
        std::uniform_int_distribution<int> count(3, round < 30 ? 8 : 40);
        std::uniform_int_distribution<int> cx(-20, 140), cy(-10, 100);
        std::vector<QPoint> pts(size_t(count(rng)));
        for (QPoint& p : pts)
            p = QPoint(cx(rng), cy(rng));  // random points cross themselves freely
        expectSame(pts, around(pts, 3), "random");
        // areas cutting through the outline on every side
        expectSame(pts, QRect(QPoint(10, 5), QPoint(90, 70)), "random, cut");
    }
}

TEST(PolygonMask, EqualsThePerPixelTestOnSpecialOutlines)
{
    const std::vector<std::vector<QPoint>> shapes = {
        {{10, 10}, {60, 10}, {60, 40}, {10, 40}},                       // axis-aligned box
        {{10, 10}, {60, 40}, {60, 10}, {10, 40}},                       // bow tie, crossing in the middle
        {{50, 0}, {61, 35}, {98, 35}, {68, 57}, {79, 91}, {50, 70}, {21, 91}, {32, 57}, {2, 35}, {39, 35}},  // star
        {{0, 0}, {80, 80}, {80, 0}, {0, 80}, {40, 0}, {40, 80}},         // many crossings
        {{10, 10}, {30, 10}, {50, 10}, {50, 30}, {50, 50}, {10, 50}},   // collinear vertices
        {{10, 10}, {40, 10}, {40, 40}, {40, 10}, {70, 10}, {70, 60}, {10, 60}},  // spike back along an edge
        {{5, 5}, {5, 5}, {45, 5}, {45, 45}, {45, 45}, {5, 45}},         // repeated vertices
        {{0, 0}, {100, 1}, {1, 100}},                                   // nearly flat edges
        {{0, 0}, {3, 97}, {7, 0}, {11, 97}, {15, 0}, {19, 97}, {23, 0}},  // comb
        {{10, 10}, {90, 90}},                                           // two points
        {{10, 10}},                                                     // one point
    };
    int i = 0;
    for (const auto& s : shapes) {
        const std::string name = "shape " + std::to_string(i++);
        expectSame(s, around(s, 2), name.c_str());
    }
}

TEST(PolygonMask, EqualsThePerPixelTestWithManyEdgesPerRow)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> x(0, 119), y(0, 89);
    std::vector<QPoint> tangle(600);
    for (QPoint& p : tangle)
        p = QPoint(x(rng), y(rng));
    expectSame(tangle, QRect(0, 0, 120, 90), "tangle");
    std::vector<QPoint> comb;
    for (int i = 0; i < 300; ++i)
        comb.emplace_back(i * 119 / 299, (i % 2) ? 89 : 0);
    expectSame(comb, QRect(-2, -2, 124, 94), "comb");
}

TEST(PolygonMask, EmptyAreaGivesAnEmptyMask)
{
    const QPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
    EXPECT_TRUE(PolygonMask(tri, 3, QRect(5, 5, 0, 4)).empty());
    EXPECT_TRUE(PolygonMask(tri, 3, QRect()).empty());
    cv::Mat far = PolygonMask(tri, 3, QRect(100, 100, 10, 10));
    EXPECT_EQ(far.rows, 10);
    EXPECT_EQ(cv::countNonZero(far), 0);
}
