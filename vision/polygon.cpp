#include "vision/polygon.h"

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
#include "vision/rect.h"

namespace {

qint64 floorDiv(qint64 a, qint64 b)  // b > 0
{
    qint64 q = a / b;
    if ((a % b) != 0 && a < 0)
        --q;
    return q;
}

// One non-horizontal edge walked row by row: at row y its crossing is xa + (y - ya) * dx / dy,
// held as the whole part q and remainder rem (0 <= rem < dy).
struct ActiveEdge {
    qint64 xa;
    qint64 dy;
    qint64 q, rem;
    qint64 qStep, remStep;
    int yEnd;  // first row no longer crossed
};

struct EdgeStart {
    int yStart;
    int yEnd;
    qint64 xa, ya, dx, dy;
};

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

    std::vector<EdgeStart> edges;
    edges.reserve(n);
    for (int i = 0; i < n; ++i) {
        const QPoint a = pts[i == 0 ? n - 1 : i - 1], b = pts[i];
        if (a.y() == b.y())
            continue;  // horizontal edges cross no row
        const QPoint& lo = a.y() < b.y() ? a : b;
        const QPoint& hi = a.y() < b.y() ? b : a;
        const int y0 = std::max(lo.y(), top);
        const int y1 = std::min(hi.y(), bottomEx);
        if (y0 >= y1)
            continue;
        edges.push_back({y0, y1, lo.x(), lo.y(), qint64(hi.x()) - lo.x(), qint64(hi.y()) - lo.y()});
    }
    std::sort(edges.begin(), edges.end(), [](const EdgeStart& a, const EdgeStart& b) { return a.yStart < b.yStart; });

    std::vector<ActiveEdge> active;
    active.reserve(edges.size());
    std::vector<int> onOutline;  // columns of this row where an edge passes through a pixel centre
    size_t next = 0;
    for (int y = edges.empty() ? bottomEx : edges.front().yStart; y < bottomEx; ++y) {
        while (next < edges.size() && edges[next].yStart == y) {
            const EdgeStart& e = edges[next++];
            ActiveEdge a;
            a.xa = e.xa;
            a.dy = e.dy;
            const qint64 num = (qint64(y) - e.ya) * e.dx;
            a.q = floorDiv(num, e.dy);
            a.rem = num - a.q * e.dy;
            a.qStep = floorDiv(e.dx, e.dy);
            a.remStep = e.dx - a.qStep * e.dy;
            a.yEnd = e.yEnd;
            active.push_back(a);
        }
        if (active.empty()) {
            if (next >= edges.size())
                break;
            y = edges[next].yStart - 1;  // no edge crosses the rows in between
            continue;
        }
        uchar* row = mask.ptr<uchar>(y - top);
        int carry = 0;
        onOutline.clear();
        for (size_t k = 0; k < active.size();) {
            ActiveEdge& a = active[k];
            const qint64 ceilX = a.xa + a.q + (a.rem > 0 ? 1 : 0);
            const qint64 m = ceilX - left - 1;  // last column flipped
            if (m >= W - 1)
                carry ^= 1;
            else if (m >= 0)
                row[m] ^= 1;
            if (a.rem == 0) {
                const qint64 c = a.xa + a.q - left;
                if (c >= 0 && c < W)
                    onOutline.push_back(int(c));
            }
            if (y + 1 >= a.yEnd) {
                a = active.back();
                active.pop_back();
                continue;
            }
            a.q += a.qStep;
            a.rem += a.remStep;
            if (a.rem >= a.dy) {
                a.rem -= a.dy;
                ++a.q;
            }
            ++k;
        }
        // row[c] holds the flips at c; a pixel's parity is the carry and every flip at or right of it
        int acc = carry;
        for (int c = W - 1; c >= 0; --c) {
            acc ^= row[c];
            row[c] = acc ? 255 : 0;
        }
        for (int c : onOutline)
            row[c] = 0;
    }

    // vertices and horizontal edges lie on the outline too
    const int right = left + W - 1, bottom = top + H - 1;
    for (int i = 0; i < n; ++i) {
        const QPoint a = pts[i == 0 ? n - 1 : i - 1], b = pts[i];
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
    imagePoints[index] = QPoint(static_cast<int>(std::lrint(nx / scaleX)), static_cast<int>(std::lrint(ny / scaleY)));
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
        imagePoints[i] = QPoint(static_cast<int>(std::lrint(points[i].x() / gShowAW)),
                                static_cast<int>(std::lrint(points[i].y() / gShowAH)));
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
    // only the vertices in use count
    return std::equal(points.constBegin(), points.constBegin() + n, o.points.constBegin())
           && std::equal(imagePoints.constBegin(), imagePoints.constBegin() + n, o.imagePoints.constBegin());
}
