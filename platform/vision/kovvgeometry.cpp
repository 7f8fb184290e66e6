#include "platform/vision/kovvgeometry.h"

#include <algorithm>
#include <cstdlib>


bool PointAround(QPoint a, QPoint b, int tolerance)
{
    return LineAround(a.x(), b.x(), tolerance) && LineAround(a.y(), b.y(), tolerance);
}

bool LineAround(int a, int b, int tolerance)
{
    // 64-bit so far-off coordinates cannot wrap into the zone
    return std::llabs(static_cast<long long>(b) - a) <= tolerance;
}

bool LineAround(int line, int across, int along, int from, int to, int tolerance)
{
    if (!LineAround(line, across, tolerance))
        return false;
    return along >= std::min(from, to) && along <= std::max(from, to);
}

namespace {
int clampAxis(int v, int size)
{
    if (size <= 0)
        return 0;
    return std::clamp(v, 0, size - 1);
}
}

void CheckInRange(int* value, int axis, QSize area)
{
    if (!value)
        return;
    *value = clampAxis(*value, axis == 1 ? area.width() : area.height());
}

void CheckInRange(QRect* rect, bool shift, QSize area)
{
    if (!rect)
        return;
    int l = rect->left(), t = rect->top(), r = rect->right(), b = rect->bottom();
    if (shift) {
        // move the whole rectangle back in along each axis
        auto shiftAxis = [](int& lo, int& hi, int size) {
            if (lo < 0) {
                hi -= lo;
                lo = 0;
            }
            if (hi > size - 1) {
                lo -= hi - (size - 1);
                hi = size - 1;
            }
            if (lo < 0)
                lo = 0;  // larger than the area: keep the part that fits
        };
        shiftAxis(l, r, area.width());
        shiftAxis(t, b, area.height());
    } else {
        l = clampAxis(l, area.width());
        r = clampAxis(r, area.width());
        t = clampAxis(t, area.height());
        b = clampAxis(b, area.height());
    }
    *rect = QRect(QPoint(l, t), QPoint(r, b));
}
