#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <QPainter>
#include <QPen>

#include <opencv2/core.hpp>

#include "vision/inspection/shapegeometry.h"
#include "vision/inspection/circle.h"
#include "vision/inspection/polygon.h"
#include "vision/inspection/rect.h"

namespace {
QRect box(int l, int t, int r, int b)
{
    return QRect(QPoint(l, t), QPoint(r, b));
}
int ones(const cv::Mat& m)
{
    return m.empty() ? 0 : cv::countNonZero(m);
}
}  // namespace

// ---- rectangle ----

TEST(ClustomRectShape, MaskAtOneToOneAndAtTheViewScale)
{
    {
        ShapeGeometry g(1920, 1080, 1920, 1080);
        ClustomRect r;
        r.rect = box(10, 20, 109, 69);
        r.setImageRect();
        EXPECT_EQ(r.imageRect, box(10, 20, 109, 69));
        cv::Mat m = r.UpdateMask();
        EXPECT_EQ(m.rows, 50);
        EXPECT_EQ(m.cols, 100);
        EXPECT_EQ(ones(m), 5000);
    }
    {
        ShapeGeometry g(1920, 1080, 1725, 982);
        ClustomRect r;
        r.rect = box(100, 100, 299, 199);  // 200 x 100 display pixels
        r.setImageRect();
        // 100/0.8984 = 111.3, 100/0.9093 = 109.98, 200/0.8984 = 222.6, 100/0.9093 = 109.98
        EXPECT_EQ(r.imageRect, box(111, 110, 111 + 223 - 1, 110 + 110 - 1));
        cv::Mat m = r.UpdateMask();
        EXPECT_EQ(m.cols, 223);
        EXPECT_EQ(m.rows, 110);
        EXPECT_EQ(ones(m), 223 * 110);
    }
}

TEST(ClustomRectShape, HandlesOnlyWhenSelected)
{
    ClustomRect r;
    r.rect = box(100, 100, 299, 199);
    int code = 99;
    EXPECT_FALSE(r.PtInCtrl(QPoint(100, 100), &code));
    EXPECT_EQ(code, -1);
    r.SetSelected(true);
    struct Case { QPoint p; int code; } cases[] = {
        {{100, 100}, 0}, {{80, 80}, 0}, {{299, 100}, 2}, {{100, 199}, 5}, {{319, 219}, 7},
        {{150, 150}, 3},  // within width/4 = 50 of the left edge, between top and bottom
        {{260, 150}, 4}, {{200, 110}, 1}, {{200, 190}, 6},
        {{200, 150}, -1}, {{400, 400}, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r.PtInCtrl(c.p, &code), c.code >= 0) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(code, c.code) << c.p.x() << "," << c.p.y();
    }
    EXPECT_TRUE(r.Contains(QPoint(80, 80)));
    EXPECT_TRUE(r.Contains(QPoint(319, 219)));
    EXPECT_FALSE(r.Contains(QPoint(79, 150)));
    EXPECT_FALSE(r.Contains(QPoint(200, 220)));
}

TEST(ClustomRectShape, ResizeMovesTheHeldEdgesAndNeverInverts)
{
    ShapeGeometry g(1920, 1080, 1920, 1080);  // one-pixel rectangles stay one pixel in the image
    ClustomRect r;
    r.rect = box(100, 100, 299, 199);
    r.Resize(-1, QPoint(0, 0), QPoint(50, 50));
    r.Resize(8, QPoint(0, 0), QPoint(50, 50));
    EXPECT_EQ(r.rect, box(100, 100, 299, 199));
    r.Resize(0, QPoint(100, 100), QPoint(90, 95));
    EXPECT_EQ(r.rect, box(90, 95, 299, 199));
    r.Resize(7, QPoint(0, 0), QPoint(10, 5));
    EXPECT_EQ(r.rect, box(90, 95, 309, 204));
    r.Resize(1, QPoint(0, 0), QPoint(33, -5));
    r.Resize(4, QPoint(0, 0), QPoint(-9, 33));
    EXPECT_EQ(r.rect, box(90, 90, 300, 204));

    // an edge dragged onto or past its opposite stops one pixel before it
    ClustomRect a = r;
    a.Resize(3, QPoint(0, 0), QPoint(1000, 0));
    EXPECT_EQ(a.rect, box(299, 90, 300, 204));
    a.Resize(3, QPoint(0, 0), QPoint(5, 0));  // held further: stays
    EXPECT_EQ(a.rect.left(), 299);
    a.Resize(3, QPoint(0, 0), QPoint(-9, 0));  // and comes back
    EXPECT_EQ(a.rect.left(), 290);
    ClustomRect b = r;
    b.Resize(4, QPoint(0, 0), QPoint(-1000, 0));
    EXPECT_EQ(b.rect, box(90, 90, 91, 204));
    ClustomRect c = r;
    c.Resize(1, QPoint(0, 0), QPoint(0, 500));
    EXPECT_EQ(c.rect, box(90, 203, 300, 204));
    ClustomRect d = r;
    d.Resize(5, QPoint(0, 0), QPoint(700, -700));
    EXPECT_EQ(d.rect, box(299, 90, 300, 91));
    ClustomRect e = r;
    e.Resize(2, QPoint(0, 0), QPoint(-700, 700));
    EXPECT_EQ(e.rect, box(90, 203, 91, 204));
    for (const ClustomRect* x : {&a, &b, &c, &d, &e}) {
        ClustomRect y = *x;
        y.setImageRect();
        EXPECT_FALSE(y.UpdateMask().empty());
    }
}

// ---- ring ----

TEST(CircleShape, RingMaskHasItsHoleAndExcludesTheOuterBoundary)
{
    ShapeGeometry g(1920, 1080, 1920, 1080);
    Circle c;
    c.center = QPoint(200, 300);
    c.radius = 50;
    c.innerRadius = 20;
    c.UpdateRect();
    EXPECT_EQ(c.rect, box(150, 250, 249, 349));
    c.setImageRect();
    EXPECT_EQ(c.imageRect, box(150, 250, 249, 349));
    EXPECT_EQ(c.imageCenter, QPoint(200, 300));
    cv::Mat m = c.UpdateMask();
    ASSERT_EQ(m.rows, 100);
    ASSERT_EQ(m.cols, 100);
    auto at = [&](int x, int y) { return m.at<uchar>(y - 250, x - 150); };
    EXPECT_EQ(at(200, 300), 0);    // the hole
    EXPECT_EQ(at(219, 300), 0);    // just inside the inner circle
    EXPECT_EQ(at(220, 300), 255);  // inner boundary belongs to the ring
    EXPECT_EQ(at(249, 300), 255);
    EXPECT_EQ(at(150, 300), 0);    // outer boundary does not
    EXPECT_EQ(at(200, 250), 0);
    EXPECT_EQ(at(151, 300), 255);
    EXPECT_EQ(at(155, 255), 0);    // corner of the square, outside the disc
    const double area = M_PI * (50.0 * 50 - 20.0 * 20);
    EXPECT_NEAR(ones(m), area, area * 0.01);
}

TEST(CircleShape, ScaledViewAveragesTheAxisScales)
{
    ShapeGeometry g(1920, 1080, 1725, 982);
    Circle c;
    c.center = QPoint(500, 400);
    c.radius = 90;
    c.innerRadius = 30;
    c.UpdateRect();
    c.setImageRect();
    // (90/0.8984 + 90/0.9093)/2 = 99.57 -> 100; (30/..)/2 = 33.19 -> 33; centre truncated
    EXPECT_EQ(c.imageRadius, 100);
    EXPECT_EQ(c.imageInnerRadius, 33);
    EXPECT_EQ(c.imageCenter, QPoint(556, 439));
    EXPECT_EQ(c.imageRect, box(456, 339, 655, 538));
    cv::Mat m = c.UpdateMask();
    EXPECT_EQ(m.rows, 200);
    EXPECT_EQ(m.cols, 200);
    EXPECT_EQ(m.at<uchar>(100, 100), 0);
    EXPECT_EQ(m.at<uchar>(100, 100 + 33), 255);
    EXPECT_EQ(m.at<uchar>(100, 100 + 32), 0);
}

TEST(CircleShape, EdgeCasesOfRadiusAndInnerRadius)
{
    ShapeGeometry g(1920, 1080, 1920, 1080);
    Circle c;  // constructed: radius 0, centre (0, 0)
    EXPECT_EQ(c.radius, 0);
    EXPECT_EQ(c.center, QPoint(0, 0));
    EXPECT_EQ(c.rect.width(), 0);
    EXPECT_EQ(c.rect.height(), 0);
    c.setImageRect();
    EXPECT_TRUE(c.UpdateMask().empty());

    c.center = QPoint(300, 300);
    c.radius = 40;
    c.innerRadius = 30;
    c.UpdateRect();
    c.Resize(0, QPoint(), QPoint(310, 320));  // distance sqrt(500) = 22.36 -> 22
    EXPECT_EQ(c.radius, 22);
    EXPECT_EQ(c.innerRadius, 22);
    c.setImageRect();
    cv::Mat m = c.UpdateMask();
    EXPECT_EQ(m.rows, 44);
    EXPECT_EQ(ones(m), 0);

    // a non-square rectangle gives the largest square at its top-left corner
    Circle d;
    d.rect = box(100, 100, 199, 159);  // 100 x 60
    d.UpdateAll();
    EXPECT_EQ(d.radius, 30);
    EXPECT_EQ(d.center, QPoint(130, 130));
    EXPECT_EQ(d.rect, box(100, 100, 159, 159));
    // a rubber band dragged up-left never gives a negative radius
    d.rect = box(100, 100, 40, 40);
    d.UpdateAll();
    EXPECT_GE(d.radius, 0);
    d.setImageRect();
    EXPECT_TRUE(d.UpdateMask().empty());
}

TEST(CircleShape, HandlesOnTheBand)
{
    Circle c;
    c.center = QPoint(300, 300);
    c.radius = 100;
    c.UpdateRect();
    int code = 7;
    EXPECT_FALSE(c.PtInCtrl(QPoint(300, 200), &code));
    EXPECT_EQ(code, -1);
    c.SetSelected(true);
    struct Case { QPoint p; int code; } cases[] = {
        {{300, 200}, 6}, {{300, 400}, 1}, {{200, 300}, 3}, {{400, 300}, 4},
        {{229, 229}, 5}, {{371, 229}, 7}, {{229, 371}, 0}, {{371, 371}, 2},
        {{300, 300}, -1}, {{300, 175}, -1}, {{300, 221}, -1},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(c.PtInCtrl(k.p, &code), k.code >= 0) << k.p.x() << "," << k.p.y();
        EXPECT_EQ(code, k.code) << k.p.x() << "," << k.p.y();
    }
    // the same upper-left point on a rectangle's corner is the rectangle's code 0
    ClustomRect r;
    r.rect = box(229, 229, 400, 400);
    r.SetSelected(true);
    EXPECT_TRUE(r.PtInCtrl(QPoint(229, 229), &code));
    EXPECT_EQ(code, 0);
}

// ---- polygon ----

TEST(RePolygonShape, MaskOfATriangleAtOneToOneAndScaled)
{
    const QPoint tri[] = {{100, 100}, {300, 100}, {100, 300}};
    {
        ShapeGeometry g(1920, 1080, 1920, 1080);
        RePolygon p(3, tri);
        p.setImageRect();
        EXPECT_EQ(p.imageRect, box(100, 100, 299, 299));
        EXPECT_EQ(p.rect, box(80, 80, 299, 299));
        cv::Mat m = p.UpdateMask();
        ASSERT_EQ(m.rows, 200);
        ASSERT_EQ(m.cols, 200);
        // strictly inside: x > 100, y > 100, x + y < 400: 199 * 198 / 2 pixels
        EXPECT_EQ(ones(m), 199 * 198 / 2);
        EXPECT_EQ(m.at<uchar>(0, 0), 0);          // vertex
        EXPECT_EQ(m.at<uchar>(50, 0), 0);         // left edge
        EXPECT_EQ(m.at<uchar>(1, 1), 255);
        EXPECT_EQ(m.at<uchar>(100, 100), 0);      // on the hypotenuse x + y = 400
        EXPECT_EQ(m.at<uchar>(100, 99), 255);
        EXPECT_TRUE(p.Contains(QPoint(150, 150)));
        EXPECT_FALSE(p.Contains(QPoint(200, 200)));  // on the outline
        EXPECT_FALSE(p.Contains(QPoint(250, 250)));
    }
    {
        ShapeGeometry g(1920, 1080, 1725, 982);
        RePolygon p(3, tri);
        p.setImageRect();
        // 100/0.8984 = 111.3 -> 111, 300/0.8984 = 333.9 -> 334; 100/0.9093 -> 110, 300/0.9093 = 329.9 -> 330
        EXPECT_EQ(p.imagePoints[0], QPoint(111, 110));
        EXPECT_EQ(p.imagePoints[1], QPoint(334, 110));
        EXPECT_EQ(p.imagePoints[2], QPoint(111, 330));
        EXPECT_EQ(p.imageRect, box(111, 110, 333, 329));
        cv::Mat m = p.UpdateMask();
        EXPECT_EQ(m.cols, 223);
        EXPECT_EQ(m.rows, 220);
        EXPECT_NEAR(ones(m), 223.0 * 220 / 2, 223.0 * 2);
    }
}

TEST(RePolygonShape, OnePointAndResizeLimits)
{
    ShapeGeometry g(1920, 1080, 1725, 982);
    const QPoint one[] = {{400, 300}};
    RePolygon p(1, one);
    p.setImageRect();
    EXPECT_EQ(p.rect, box(380, 280, 399, 299));
    EXPECT_EQ(p.imageRect.width(), 0);
    EXPECT_EQ(p.imageRect.height(), 0);
    EXPECT_TRUE(p.UpdateMask().empty());

    const QPoint quad[] = {{100, 100}, {400, 100}, {400, 400}, {100, 400}};
    RePolygon q(4, quad);
    q.setImageRect();
    int code = 0;
    EXPECT_FALSE(q.PtInCtrl(QPoint(100, 100), &code));
    EXPECT_EQ(code, -1);
    q.SetSelected(true);
    EXPECT_TRUE(q.PtInCtrl(QPoint(415, 385), &code));
    EXPECT_EQ(code, 2);
    EXPECT_FALSE(q.PtInCtrl(QPoint(250, 250), &code));

    q.Resize(0, QPoint(0, 0), QPoint(-98, 0), gShowAW, gShowAH);  // onto x = 2: refused
    EXPECT_EQ(q.points[0], QPoint(100, 100));
    q.Resize(1, QPoint(0, 0), QPoint(1725 - 2 - 400, 0), gShowAW, gShowAH);  // onto gShowW - 2: refused
    EXPECT_EQ(q.points[1], QPoint(400, 100));
    q.Resize(2, QPoint(0, 0), QPoint(0, 982 - 2 - 400), gShowAW, gShowAH);
    EXPECT_EQ(q.points[2], QPoint(400, 400));
    q.Resize(0, QPoint(0, 0), QPoint(-97, -97), gShowAW, gShowAH);  // to (3, 3): allowed
    EXPECT_EQ(q.points[0], QPoint(3, 3));
    EXPECT_EQ(q.imagePoints[0], QPoint(3, 3));  // 3/0.898 = 3.34, 3/0.909 = 3.3
    q.Resize(7, QPoint(0, 0), QPoint(5, 5), gShowAW, gShowAH);    // no such vertex
    q.Resize(-1, QPoint(0, 0), QPoint(5, 5), gShowAW, gShowAH);
    EXPECT_EQ(q.pointNum, 4);
}

TEST(RePolygonShape, NarrowPolygonUsesItsRectangleForTouch)
{
    const QPoint thin[] = {{100, 100}, {159, 100}, {159, 400}, {100, 400}};  // 59 pixels wide
    RePolygon p(4, thin);
    p.BoundingRect();
    EXPECT_LT(p.rect.right() - p.rect.left(), 79);
    EXPECT_TRUE(p.Contains(QPoint(85, 90)));    // in the left/top margin, outside the outline
    EXPECT_FALSE(p.Contains(QPoint(159, 200))); // right margin is not grown
    const QPoint wide[] = {{100, 100}, {300, 100}, {300, 400}, {100, 400}};
    RePolygon w(4, wide);
    w.BoundingRect();
    EXPECT_FALSE(w.Contains(QPoint(85, 90)));
    EXPECT_TRUE(w.Contains(QPoint(101, 101)));
    EXPECT_FALSE(w.Contains(QPoint(100, 200)));
}

TEST(RePolygonShape, EqualityIgnoresUnusedVerticesAndCopiesShareThem)
{
    const QPoint quad[] = {{10, 10}, {90, 10}, {90, 90}, {10, 90}};
    RePolygon a(4, quad);
    a.setImageRect();
    RePolygon b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.points.constData(), b.points.constData());  // no vertex copied yet
    b.points[1] = QPoint(91, 10);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.points[1], QPoint(90, 10));
    b = a;
    b.points.append(QPoint(5, 5));  // beyond pointNum
    EXPECT_EQ(a, b);
    b.SetSelected(true);
    EXPECT_NE(a, b);
}

// ---- frame clipping ----

TEST(ShapeClipping, ImageRectanglesAndMasksStayInsideTheFrameAtEveryEdge)
{
    ShapeGeometry g(640, 480, 640, 480);
    struct Centre { QPoint c; } centres[] = {{{10, 240}}, {{630, 240}}, {{320, 5}}, {{320, 475}}, {{3, 3}}, {{637, 477}}};
    for (const auto& k : centres) {
        Circle c;
        c.center = k.c;
        c.radius = 40;
        c.innerRadius = 10;
        c.UpdateRect();
        c.setImageRect();
        const QRect r = c.imageRect;
        EXPECT_GE(r.left(), 0);
        EXPECT_GE(r.top(), 0);
        EXPECT_LE(r.right(), 639);
        EXPECT_LE(r.bottom(), 479);
        cv::Mat m = c.UpdateMask();
        ASSERT_EQ(m.cols, r.width());
        ASSERT_EQ(m.rows, r.height());
        // each mask pixel still follows the ring around the unclipped centre
        for (int y = 0; y < m.rows; ++y)
            for (int x = 0; x < m.cols; ++x) {
                const int dx = r.left() + x - k.c.x(), dy = r.top() + y - k.c.y();
                const int d = dx * dx + dy * dy;
                ASSERT_EQ(m.at<uchar>(y, x), (d >= 100 && d < 1600) ? 255 : 0);
            }
        cv::Mat frame(480, 640, CV_8UC1, cv::Scalar(0));
        frame(cv::Rect(r.left(), r.top(), r.width(), r.height())).setTo(255, m);  // must not throw
    }

    ClustomRect rr;
    rr.rect = box(-30, -20, 100, 50);
    rr.setImageRect();
    EXPECT_EQ(rr.imageRect, box(0, 0, 100, 50));
    rr.rect = box(600, 450, 700, 520);
    rr.setImageRect();
    EXPECT_EQ(rr.imageRect, box(600, 450, 639, 479));
    EXPECT_EQ(ones(rr.UpdateMask()), 40 * 30);
    rr.rect = box(700, 100, 800, 200);  // wholly outside
    rr.setImageRect();
    EXPECT_TRUE(rr.UpdateMask().empty());

    const QPoint tri[] = {{-50, -50}, {700, 240}, {-50, 530}};
    RePolygon p(3, tri);
    p.setImageRect();
    EXPECT_EQ(p.imageRect, box(0, 0, 639, 479));
    cv::Mat m = p.UpdateMask();
    EXPECT_EQ(m.cols, 640);
    EXPECT_EQ(m.rows, 480);
    EXPECT_EQ(m.at<uchar>(240, 0), 255);
    EXPECT_EQ(m.at<uchar>(240, 639), 255);
    EXPECT_EQ(m.at<uchar>(0, 639), 0);
}

// ---- drawing ----

TEST(ShapeDrawing, SelectedOutlinesAreMagentaAndTheRingsInnerCircleYellow)
{
    QImage img(400, 400, QImage::Format_RGB32);
    auto paint = [&](auto& shape, bool selected) {
        img.fill(Qt::black);
        shape.SetSelected(selected);
        QPainter p(&img);
        p.setPen(QPen(Qt::green));
        shape.Draw(p);
    };
    ClustomRect r;
    r.rect = box(50, 50, 150, 120);
    paint(r, true);
    EXPECT_EQ(img.pixelColor(50, 80), QColor(Qt::magenta));
    EXPECT_EQ(img.pixelColor(51, 80), QColor(Qt::magenta));  // 3 pixels wide
    EXPECT_EQ(img.pixelColor(100, 80), QColor(Qt::black));
    paint(r, false);
    EXPECT_EQ(img.pixelColor(50, 80), QColor(Qt::green));

    Circle c;
    c.center = QPoint(200, 200);
    c.radius = 100;
    c.innerRadius = 40;
    c.UpdateRect();
    paint(c, true);
    EXPECT_EQ(img.pixelColor(100, 200), QColor(Qt::magenta));
    EXPECT_EQ(img.pixelColor(160, 200), QColor(Qt::yellow));
    paint(c, false);
    EXPECT_EQ(img.pixelColor(100, 200), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(160, 200), QColor(Qt::yellow));

    // a five-pointed star filled by the odd-even rule leaves its centre empty
    const QPoint star[] = {{200, 20}, {306, 346}, {29, 144}, {371, 144}, {94, 346}};
    RePolygon s(5, star);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        p.setPen(QPen(Qt::green));
        p.setBrush(Qt::blue);
        s.SetSelected(true);
        s.Draw(p);
    }
    EXPECT_EQ(img.pixelColor(200, 210), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(200, 80), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(200, 21), QColor(Qt::magenta));
}

TEST(ShapeClipping, AZeroScaleGivesMasksNoLargerThanTheFrame)
{
    ShapeGeometry g(640, 480, 640, 480);
    gShowAW = 0.0f;
    gShowAH = 0.0f;
    ClustomRect r;
    r.rect = box(10, 10, 100, 100);
    r.setImageRect();
    Circle c;
    c.center = QPoint(100, 100);
    c.radius = 30;
    c.UpdateRect();
    c.setImageRect();
    const QPoint tri[] = {{10, 10}, {100, 10}, {10, 100}};
    RePolygon p(3, tri);
    p.setImageRect();
    for (const cv::Mat& m : {r.UpdateMask(), c.UpdateMask(), p.UpdateMask()}) {
        EXPECT_LE(m.cols, 640);
        EXPECT_LE(m.rows, 480);
    }
    for (const QRect& q : {r.imageRect, c.imageRect, p.imageRect}) {
        EXPECT_GE(q.left(), 0);
        EXPECT_LE(q.right(), 639);
        EXPECT_LE(q.bottom(), 479);
    }
}
