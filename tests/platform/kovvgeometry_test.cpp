#include <gtest/gtest.h>

#include "platform/vision/kovvgeometry.h"

namespace {
const QSize a(1725, 982);
QRect box(int l, int t, int r, int b)
{
    return QRect(QPoint(l, t), QPoint(r, b));
}
}  // namespace

TEST(KovvGeometry, ZonesIncludeTheirBounds)
{
    EXPECT_TRUE(PointAround(QPoint(100, 100), QPoint(120, 80), 20));
    EXPECT_FALSE(PointAround(QPoint(100, 100), QPoint(121, 100), 20));
    EXPECT_FALSE(PointAround(QPoint(100, 100), QPoint(100, 79), 20));
    EXPECT_TRUE(LineAround(50, 30, 20));
    EXPECT_FALSE(LineAround(50, 29, 20));
    EXPECT_FALSE(LineAround(-2147483647, 2147483647, 20));

    // edge at x = 100 from y = 10 to 90 (either order), 5 either side
    EXPECT_TRUE(LineAround(100, 105, 10, 10, 90, 5));
    EXPECT_TRUE(LineAround(100, 95, 90, 90, 10, 5));
    EXPECT_FALSE(LineAround(100, 106, 50, 10, 90, 5));
    EXPECT_FALSE(LineAround(100, 100, 91, 10, 90, 5));
    EXPECT_FALSE(LineAround(100, 100, 9, 10, 90, 5));
}

TEST(KovvGeometry, CheckInRangeClampsCoordinatesToTheViewArea)
{
    int v = -5;
    CheckInRange(&v, 1, a);
    EXPECT_EQ(v, 0);
    v = 1725;
    CheckInRange(&v, 1, a);
    EXPECT_EQ(v, 1724);
    v = 1000;
    CheckInRange(&v, 0, a);
    EXPECT_EQ(v, 981);
    v = 1000;
    CheckInRange(&v, 1, a);
    EXPECT_EQ(v, 1000);
    CheckInRange(static_cast<int*>(nullptr), 1, a);  // harmless
    v = 7;
    CheckInRange(&v, 0, QSize(100, 0));  // an empty area leaves 0
    EXPECT_EQ(v, 0);
}

TEST(KovvGeometry, CheckInRangeShiftsOrClipsRectangles)
{
    QRect r = box(-30, 950, 69, 1049);  // 100 x 100 over the left and bottom borders
    CheckInRange(&r, true, a);
    EXPECT_EQ(r, box(0, 882, 99, 981));
    r = box(1700, -10, 1799, 89);
    CheckInRange(&r, true, a);
    EXPECT_EQ(r, box(1625, 0, 1724, 99));
    r = box(-10, -10, 2000, 1200);  // larger than the area
    CheckInRange(&r, true, a);
    EXPECT_EQ(r, box(0, 0, 1724, 981));
    r = box(10, 10, 20, 20);  // inside: unchanged
    CheckInRange(&r, true, a);
    EXPECT_EQ(r, box(10, 10, 20, 20));

    r = box(-30, 950, 69, 1049);
    CheckInRange(&r, false, a);
    EXPECT_EQ(r, box(0, 950, 69, 981));
    r = box(1700, -10, 1799, 89);
    CheckInRange(&r, false, a);
    EXPECT_EQ(r, box(1700, 0, 1724, 89));
}
