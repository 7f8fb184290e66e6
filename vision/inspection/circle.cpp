#include "vision/inspection/circle.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPen>

#include "core/globals.h"
#include "platform/vision/kovvgeometry.h"
#include "vision/inspection/rect.h"

Circle::Circle()
{
    UpdateAll();
}

void Circle::Draw(QPainter& painter) const
{
    QPen pen = painter.pen();
    pen.setWidth(3);
    if (selected)
        pen.setColor(Qt::magenta);
    painter.setPen(pen);
    painter.drawEllipse(rect);
    pen.setColor(Qt::yellow);
    painter.setPen(pen);
    painter.drawEllipse(QRect(center.x() - innerRadius, center.y() - innerRadius, 2 * innerRadius,
                              2 * innerRadius));
}

bool Circle::PtInCtrl(QPoint p, int* code) const
{
    int found = -1;
    if (selected) {
        const qint64 cx = center.x(), cy = center.y(), r = radius;
        const qint64 dx = p.x() - cx, dy = p.y() - cy;
        const qint64 d = dx * dx + dy * dy;
        if (d >= r * r - 40 * r + 400 && d <= r * r + 40 * r + 400) {
            if (LineAround(center.x(), p.x(), 20))
                found = p.y() <= cy ? 6 : 1;
            else if (LineAround(center.y(), p.y(), 20))
                found = p.x() < cx ? 3 : 4;
            else if (p.x() < cx && p.y() > cy)
                found = 0;
            else if (p.x() < cx && p.y() < cy)
                found = 5;
            else if (p.x() > cx && p.y() > cy)
                found = 2;
            else if (p.x() > cx && p.y() < cy)
                found = 7;
        }
    }
    if (code)
        *code = found;
    return found >= 0;
}

bool Circle::Contains(QPoint p) const
{
    return p.x() >= rect.left() - 20 && p.x() <= rect.right() + 20 && p.y() >= rect.top() - 20
           && p.y() <= rect.bottom() + 20;
}

void Circle::Resize(int, QPoint, QPoint to)
{
    const double dx = double(to.x()) - center.x(), dy = double(to.y()) - center.y();
    const float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
    radius = d >= 2147483647.0f ? 2147483647 : static_cast<int>(d);
    UpdateRect();
}

void Circle::UpdateRect()
{
    // a negative radius would give a negative mask size
    if (radius < 0)
        radius = 0;
    const int cx = center.x(), cy = center.y(), r = radius;
    rect = QRect(QPoint(cx - r, cy - r), QPoint(cx + r - 1, cy + r - 1));
    if (r < innerRadius)
        innerRadius = r;
    else if (innerRadius < 0)
        innerRadius = 0;
}

void Circle::UpdateAll()
{
    const int w = rect.width(), h = rect.height();
    const int r = std::min(h / 2, w / 2);
    radius = r;
    center = QPoint(rect.left() + r, rect.top() + r);
    UpdateRect();
}

void Circle::setImageRect()
{
    imageRadius = NearestCoord((radius / gShowAW + radius / gShowAH) * 0.5f);
    imageInnerRadius = NearestCoord((innerRadius / gShowAW + innerRadius / gShowAH) * 0.5f);
    imageCenter = QPoint(TruncCoord(center.x() / gShowAW), TruncCoord(center.y() / gShowAH));
    const int R = imageRadius;
    imageRect = ClipToFrame(QRect(QPoint(imageCenter.x() - R, imageCenter.y() - R),
                                  QPoint(imageCenter.x() + R - 1, imageCenter.y() + R - 1)));
}

cv::Mat Circle::UpdateMask() const
{
    const int w = imageRect.width(), h = imageRect.height();
    if (w <= 0 || h <= 0 || imageRadius <= 0)
        return cv::Mat();
    cv::Mat mask(h, w, CV_8UC1, cv::Scalar(0));
    const qint64 R2 = qint64(imageRadius) * imageRadius;
    const qint64 Ri2 = qint64(std::max(imageInnerRadius, 0)) * std::max(imageInnerRadius, 0);
    for (int row = 0; row < h; ++row) {
        const qint64 dy = imageRect.top() + row - imageCenter.y();
        uchar* out = mask.ptr<uchar>(row);
        for (int col = 0; col < w; ++col) {
            const qint64 dx = imageRect.left() + col - imageCenter.x();
            const qint64 d = dx * dx + dy * dy;
            out[col] = (d >= Ri2 && d < R2) ? 255 : 0;
        }
    }
    return mask;
}

bool Circle::operator==(const Circle& o) const
{
    return rect == o.rect && imageRect == o.imageRect && center == o.center && radius == o.radius
           && innerRadius == o.innerRadius && imageCenter == o.imageCenter
           && imageRadius == o.imageRadius && imageInnerRadius == o.imageInnerRadius
           && selected == o.selected;
}
