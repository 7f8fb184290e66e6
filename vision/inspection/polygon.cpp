#include "vision/inspection/polygon.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include <QPainter>
#include <QPen>

#include <opencv2/imgproc.hpp>

#include "core/globals.h"
#include "platform/vision/kovvgeometry.h"
#include "vision/inspection/rect.h"

namespace {

qint64 floorDiv(qint64 a, qint64 b)  // b > 0
{
    qint64 q = a / b;
    if ((a % b) != 0 && a < 0)
        --q;
    return q;
}

// Far beyond any frame; keeps every step of the edge walk inside 32 bits.
constexpr int kCoordLimit = 1 << 24;

struct EdgeStart {
    int yStart;
    int yEnd;
    int xa, ya, dx, dy;  // x relative to the area's left
};

// The edges crossing the current row, walked row by row: edge k crosses the row at
// x[k] + rem[k] / dy[k] (0 <= rem < dy) and advances by xStep + remStep / dy per row.
struct ActiveEdges {
    std::vector<int> x, rem, dy, xStep, remStep, yEnd;
    size_t size() const { return x.size(); }
    void reserve(size_t n)
    {
        for (auto* v : {&x, &rem, &dy, &xStep, &remStep, &yEnd})
            v->reserve(n);
    }
    void add(int x0, int rem0, int d, int xs, int rs, int end)
    {
        x.push_back(x0);
        rem.push_back(rem0);
        dy.push_back(d);
        xStep.push_back(xs);
        remStep.push_back(rs);
        yEnd.push_back(end);
    }
    // Drops the edges that end at or before row `row` (the order of the others does not matter).
    void dropEnded(int row)
    {
        size_t n = x.size();
        for (size_t k = n; k-- > 0;) {
            if (yEnd[k] > row)
                continue;
            --n;
            x[k] = x[n];
            rem[k] = rem[n];
            dy[k] = dy[n];
            xStep[k] = xStep[n];
            remStep[k] = remStep[n];
            yEnd[k] = yEnd[n];
        }
        for (auto* v : {&x, &rem, &dy, &xStep, &remStep, &yEnd})
            v->resize(n);
    }
};

// The per-row arithmetic over all crossing edges, kept in plain loops the compiler vectorises.
#define MASK_VECTORISE __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))

// Last column each crossing flips: ceil(crossing) - 1; -1 flips nothing (the spare cell), W - 1
// and beyond flip the whole row.
MASK_VECTORISE void lastFlipped(const int* x, const int* rem, int* out, size_t n, int W)
{
    for (size_t k = 0; k < n; ++k) {
        const int v = x[k] + (rem[k] > 0 ? 1 : 0) - 1;
        out[k] = v < -1 ? -1 : (v > W - 1 ? W - 1 : v);
    }
}

// Column of the pixel an edge passes through exactly, or W (a spare cell) when none.
MASK_VECTORISE void outlinePixel(const int* x, const int* rem, int* out, size_t n, int W)
{
    for (size_t k = 0; k < n; ++k)
        out[k] = (rem[k] == 0 && unsigned(x[k]) < unsigned(W)) ? x[k] : W;
}

MASK_VECTORISE void stepRow(int* x, int* rem, const int* dy, const int* xStep, const int* remStep, size_t n)
{
    for (size_t k = 0; k < n; ++k) {
        const int r = rem[k] + remStep[k];
        const int over = r >= dy[k] ? 1 : 0;
        rem[k] = r - (over ? dy[k] : 0);
        x[k] += xStep[k] + over;
    }
}

}  // namespace

// The per-pixel test counts, for a pixel (px, py), the edges with min y <= py < max y whose
// crossing with row py lies strictly right of px, and calls the pixel inside when that count is
// odd; a pixel on the outline is never inside. A crossing at x lies right of px exactly when
// px < ceil(x), so each crossing flips the parity of every pixel left of ceil(x).
cv::Mat PolygonMask(const QPoint* pts, int n, const QRect& area)
{
    const int W = area.width(), H = area.height();
    if (W <= 0 || H <= 0)
        return cv::Mat();
    cv::Mat mask(H, W, CV_8UC1, cv::Scalar(0));
    if (!pts || n < 3)
        return mask;  // fewer than three vertices enclose nothing
    const int top = area.top(), left = area.left();
    const int bottomEx = top + H;  // first row below the area
    auto vertex = [&](int i) {
        const QPoint p = pts[i];
        return QPoint(std::clamp(p.x(), -kCoordLimit, kCoordLimit), std::clamp(p.y(), -kCoordLimit, kCoordLimit));
    };

    std::vector<EdgeStart> edges;
    edges.reserve(size_t(n));
    std::vector<int> endsAt(size_t(H) + 1, 0);  // edges leaving after each row of the area
    for (int i = 0; i < n; ++i) {
        const QPoint a = vertex(i == 0 ? n - 1 : i - 1), b = vertex(i);
        if (a.y() == b.y())
            continue;  // horizontal edges cross no row
        const QPoint lo = a.y() < b.y() ? a : b;
        const QPoint hi = a.y() < b.y() ? b : a;
        const int y0 = std::max(lo.y(), top);
        const int y1 = std::min(hi.y(), bottomEx);
        if (y0 >= y1)
            continue;
        const int xa = int(std::clamp<qint64>(qint64(lo.x()) - left, -2 * kCoordLimit, 2 * kCoordLimit));
        edges.push_back({y0, y1, xa, lo.y(), hi.x() - lo.x(), hi.y() - lo.y()});
        ++endsAt[size_t(y1 - 1 - top)];
    }
    std::sort(edges.begin(), edges.end(), [](const EdgeStart& a, const EdgeStart& b) { return a.yStart < b.yStart; });

    ActiveEdges active;
    active.reserve(edges.size());
    // flips per column, with a spare cell in front for crossings left of the area
    std::vector<uchar> flips(size_t(W) + 1);
    uchar* flip = flips.data() + 1;
    std::vector<uchar> lineBuf(size_t(W) + 1);  // one row, with a spare cell at W
    uchar* const line = lineBuf.data();
    std::vector<int> cut(edges.size());  // per edge: its last flipped column, or the outline pixel
    size_t next = 0;
    for (int y = edges.empty() ? bottomEx : edges.front().yStart; y < bottomEx; ++y) {
        while (next < edges.size() && edges[next].yStart == y) {
            const EdgeStart& e = edges[next++];
            const qint64 num = (qint64(y) - e.ya) * e.dx;
            const qint64 q = floorDiv(num, e.dy);
            const int qStep = int(floorDiv(e.dx, e.dy));
            active.add(int(e.xa + q), int(num - q * e.dy), e.dy, qStep, int(e.dx - qint64(qStep) * e.dy), e.yEnd);
        }
        const size_t count = active.size();
        if (count == 0) {
            if (next >= edges.size())
                break;
            y = edges[next].yStart - 1;  // no edge crosses the rows in between
            continue;
        }
        int* const x = active.x.data();
        int* const rem = active.rem.data();
        const int* const dy = active.dy.data();
        const int* const xStep = active.xStep.data();
        const int* const remStep = active.remStep.data();
        int* const c = cut.data();

        lastFlipped(x, rem, c, count, W);
        std::fill(flips.begin(), flips.end(), 0);
        for (size_t k = 0; k < count; ++k)
            flip[c[k]] ^= 1;
        // a pixel's parity is that of the flips at or right of it
        uchar acc = 0;
        for (int col = W - 1; col >= 0; --col) {
            acc ^= flip[col];
            line[col] = uchar(-acc);
        }
        // an edge through a pixel centre makes that pixel an outline pixel
        outlinePixel(x, rem, c, count, W);
        for (size_t k = 0; k < count; ++k)
            line[c[k]] = 0;
        std::memcpy(mask.ptr<uchar>(y - top), line, size_t(W));
        stepRow(x, rem, dy, xStep, remStep, count);
        if (endsAt[size_t(y - top)] > 0)
            active.dropEnded(y + 1);
    }

    // vertices and horizontal edges lie on the outline too
    const int right = left + W - 1, bottom = top + H - 1;
    for (int i = 0; i < n; ++i) {
        const QPoint a = vertex(i == 0 ? n - 1 : i - 1), b = vertex(i);
        if (b.x() >= left && b.x() <= right && b.y() >= top && b.y() <= bottom)
            mask.at<uchar>(b.y() - top, b.x() - left) = 0;
        if (a.y() == b.y() && a.y() >= top && a.y() <= bottom) {
            const int x0 = std::max(std::min(a.x(), b.x()), left);
            const int x1 = std::min(std::max(a.x(), b.x()), right);
            if (x0 <= x1)
                std::memset(mask.ptr<uchar>(a.y() - top) + (x0 - left), 0, size_t(x1 - x0 + 1));
        }
    }
    return mask;
}

RePolygon::RePolygon(int count, const QPoint* pts)
{
    SetPointNum(pts ? count : 0);
    for (int i = 0; i < pointNum; ++i)
        points[i] = pts[i];
}

int RePolygon::used() const
{
    return std::max(0, std::min({pointNum, int(points.size()), int(imagePoints.size())}));
}

void RePolygon::SetPointNum(int count)
{
    pointNum = std::clamp(count, 0, kCapacity);
    points.resize(pointNum);
    imagePoints.resize(pointNum);
}

void RePolygon::Draw(QPainter& painter) const
{
    QPen pen = painter.pen();
    pen.setWidth(3);
    if (selected)
        pen.setColor(Qt::magenta);
    painter.setPen(pen);
    const int n = std::min(pointNum, int(points.size()));
    if (n > 0)
        painter.drawPolygon(points.constData(), n, Qt::OddEvenFill);
}

bool RePolygon::PtInCtrl(QPoint p, int* code) const
{
    int found = -1;
    if (selected) {
        const int n = std::min(pointNum, int(points.size()));
        for (int i = 0; i < n; ++i) {
            if (PointAround(points[i], p, 20)) {
                found = i;
                break;
            }
        }
    }
    if (code)
        *code = found;
    return found >= 0;
}

bool RePolygon::Contains(const QPoint& p) const
{
    if (rect.right() - rect.left() < 79 || rect.bottom() - rect.top() < 79)
        return p.x() >= rect.left() && p.x() <= rect.right() && p.y() >= rect.top() && p.y() <= rect.bottom();
    const int n = std::min(pointNum, int(points.size()));
    if (n <= 0)
        return false;
    std::vector<cv::Point> contour(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        contour[size_t(i)] = cv::Point(points[i].x(), points[i].y());
    try {
        return cv::pointPolygonTest(contour, cv::Point2f(float(p.x()), float(p.y())), false) > 0;
    } catch (const cv::Exception& e) {
        qCritical("RePolygon::Contains: %s", e.what());
        return false;
    }
}

void RePolygon::Resize(int index, QPoint from, QPoint to, float scaleX, float scaleY)
{
    if (index < 0 || index >= used())
        return;
    const int nx = points[index].x() + (to.x() - from.x());
    const int ny = points[index].y() + (to.y() - from.y());
    if (!(2 < nx && nx < gShowW - 2 && 2 < ny && ny < gShowH - 2))
        return;
    points[index] = QPoint(nx, ny);
    imagePoints[index] = QPoint(NearestCoord(nx / scaleX), NearestCoord(ny / scaleY));
}

void RePolygon::BoundingRect()
{
    auto bounds = [this](const QVector<QPoint>& pts, int& x0, int& y0, int& x1, int& y1) {
        const int n = std::min(pointNum, int(pts.size()));
        const QPoint first = n > 0 ? pts[0] : QPoint(0, 0);
        x0 = x1 = first.x();
        y0 = y1 = first.y();
        for (int i = 1; i < n; ++i) {
            x0 = std::min(x0, pts[i].x());
            x1 = std::max(x1, pts[i].x());
            y0 = std::min(y0, pts[i].y());
            y1 = std::max(y1, pts[i].y());
        }
    };
    int x0, y0, x1, y1;
    bounds(points, x0, y0, x1, y1);
    rect = QRect(QPoint(x0 - 20, y0 - 20), QPoint(x1 - 1, y1 - 1));
    bounds(imagePoints, x0, y0, x1, y1);
    imageRect = ClipToFrame(QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)));
}

void RePolygon::setImageRect()
{
    const int n = used();
    for (int i = 0; i < n; ++i)
        imagePoints[i] = QPoint(NearestCoord(points[i].x() / gShowAW), NearestCoord(points[i].y() / gShowAH));
    BoundingRect();
}

cv::Mat RePolygon::UpdateMask() const
{
    return PolygonMask(imagePoints.constData(), used(), imageRect);
}

bool RePolygon::operator==(const RePolygon& o) const
{
    if (pointNum != o.pointNum || rect != o.rect || imageRect != o.imageRect || selected != o.selected)
        return false;
    const int n = used();
    if (n != o.used())
        return false;
    // only the vertices in use count; lists still shared by a copy are equal without a look
    auto same = [n](const QVector<QPoint>& a, const QVector<QPoint>& b) {
        return a.constData() == b.constData() || std::equal(a.constBegin(), a.constBegin() + n, b.constBegin());
    };
    return same(points, o.points) && same(imagePoints, o.imagePoints);
}
