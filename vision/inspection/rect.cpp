#include "vision/inspection/rect.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPen>

#include "core/globals.h"
#include "platform/vision/kovvgeometry.h"

QRect ClipToFrame(const QRect& r)
{
    const int l = std::clamp(r.left(), 0, std::max(gImageW, 0));
    const int t = std::clamp(r.top(), 0, std::max(gImageH, 0));
    int rr = std::min(r.right(), gImageW - 1);
    int bb = std::min(r.bottom(), gImageH - 1);
    if (rr < l)
        rr = l - 1;
    if (bb < t)
        bb = t - 1;
    return QRect(QPoint(l, t), QPoint(rr, bb));
}

namespace {
constexpr float kCoordLimit = 536870912.0f;  // 2^29: sums of two stay inside int
float bounded(float v)
{
    if (std::isnan(v))
        return 0.0f;
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}
}  // namespace

int NearestCoord(float v)
{
    return static_cast<int>(std::lrint(bounded(v)));
}

int TruncCoord(float v)
{
    return static_cast<int>(bounded(v));
}

void ClustomRect::Draw(QPainter& painter) const
{
    QPen pen = painter.pen();
    pen.setWidth(3);
    if (selected)
        pen.setColor(Qt::magenta);
    painter.setPen(pen);
    painter.drawRect(rect);
}

bool ClustomRect::PtInCtrl(QPoint p, int* code) const
{
    int found = -1;
    if (selected) {
        const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
        const int tw = rect.width() / 4;
        const int th = rect.height() / 4;
        if (PointAround(QPoint(l, t), p, 20))
            found = 0;
        else if (PointAround(QPoint(r, t), p, 20))
            found = 2;
        else if (PointAround(QPoint(l, b), p, 20))
            found = 5;
        else if (PointAround(QPoint(r, b), p, 20))
            found = 7;
        else if (LineAround(l, p.x(), p.y(), t, b, tw))
            found = 3;
        else if (LineAround(r, p.x(), p.y(), t, b, tw))
            found = 4;
        else if (LineAround(t, p.y(), p.x(), l, r, th))
            found = 1;
        else if (LineAround(b, p.y(), p.x(), l, r, th))
            found = 6;
    }
    if (code)
        *code = found;
    return found >= 0;
}

bool ClustomRect::Contains(QPoint p) const
{
    return p.x() >= rect.left() - 20 && p.x() <= rect.right() + 20 && p.y() >= rect.top() - 20
           && p.y() <= rect.bottom() + 20;
}

void ClustomRect::Resize(int code, QPoint from, QPoint to)
{
    if (code < 0 || code > 7)
        return;
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    // a moved edge may come up to one pixel before its opposite, never onto or past it
    auto moveLow = [](int& edge, int d, int opposite) { edge = std::min(edge + d, std::max(edge, opposite - 1)); };
    auto moveHigh = [](int& edge, int d, int opposite) { edge = std::max(edge + d, std::min(edge, opposite + 1)); };
    switch (code) {
    case 0: moveLow(l, dx, r); moveLow(t, dy, b); break;
    case 1: moveLow(t, dy, b); break;
    case 2: moveHigh(r, dx, l); moveLow(t, dy, b); break;
    case 3: moveLow(l, dx, r); break;
    case 4: moveHigh(r, dx, l); break;
    case 5: moveLow(l, dx, r); moveHigh(b, dy, t); break;
    case 6: moveHigh(b, dy, t); break;
    case 7: moveHigh(r, dx, l); moveHigh(b, dy, t); break;
    }
    rect = QRect(QPoint(l, t), QPoint(r, b));
}

void ClustomRect::setImageRect()
{
    const int x = NearestCoord(rect.left() / gShowAW);
    const int y = NearestCoord(rect.top() / gShowAH);
    const int w = NearestCoord(rect.width() / gShowAW);
    const int h = NearestCoord(rect.height() / gShowAH);
    imageRect = ClipToFrame(QRect(QPoint(x, y), QPoint(x + w - 1, y + h - 1)));
}

cv::Mat ClustomRect::UpdateMask() const
{
    const int w = imageRect.width(), h = imageRect.height();
    if (w <= 0 || h <= 0)
        return cv::Mat();
    return cv::Mat(h, w, CV_8UC1, cv::Scalar(255));
}
