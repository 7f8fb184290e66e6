#pragma once
// Geometry tests of the vision library: hit zones for touch editing and keeping display
// coordinates inside a view area of the caller's size.
#include <QPoint>
#include <QRect>
#include <QSize>

// True when b lies within `tolerance` of a on both axes (square zone, bounds included).
bool PointAround(QPoint a, QPoint b, int tolerance);

// True when coordinate b lies within `tolerance` of coordinate a (bounds included).
bool LineAround(int a, int b, int tolerance);

// True when a point lies near the edge at coordinate `line` that spans `from`..`to` (either
// order): `across` is the point's coordinate across the edge, `along` its coordinate along it.
// The catch zone reaches `tolerance` to both sides of the edge and covers the span, ends included.
bool LineAround(int line, int across, int along, int from, int to, int tolerance);

// Clamps one display coordinate in place: axis 1 into 0..width-1, axis 0 into 0..height-1 of
// `area` (an empty axis gives 0).
void CheckInRange(int* value, int axis, QSize area);

// Keeps a display rectangle inside the view area `area`. shift true: the rectangle keeps its size and is
// moved inside (one larger than the area is put at the origin and clipped to it); shift false:
// the parts outside are cut off. An edge outside the area ends on its border, so a rectangle
// that already had left <= right and top <= bottom keeps them in order.
void CheckInRange(QRect* rect, bool shift, QSize area);
