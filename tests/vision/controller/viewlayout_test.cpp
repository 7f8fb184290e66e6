#include <gtest/gtest.h>

#include "vision/controller/viewlayout.h"

TEST(ViewLayout, CellsForOneToEightCameras)
{
    const int W = 1725, H = 982;
    auto one = computeViewLayout(1, 1, W, H);
    ASSERT_EQ(one.cells.size(), 1);
    EXPECT_EQ(one.cells[0], QRect(0, 0, W, H));
    EXPECT_FALSE(one.changesScale);

    auto two = computeViewLayout(2, 2, W, H);
    EXPECT_EQ(two.cells[0], QRect(0, 0, 862, H));
    EXPECT_EQ(two.cells[1], QRect(862, 0, 862, H));

    auto three = computeViewLayout(3, 3, W, H);  // 2 x 2, bottom-right empty
    EXPECT_EQ(three.cells[2], QRect(0, 491, 862, 491));
    EXPECT_EQ(three.cells.size(), 3);

    auto six = computeViewLayout(6, 6, W, H);  // third column ends beyond W
    EXPECT_EQ(six.cellW, 576);
    EXPECT_EQ(six.cells[2], QRect(1152, 0, 576, 491));
    EXPECT_EQ(six.cells[5], QRect(1152, 491, 576, 491));

    auto eight = computeViewLayout(8, 8, W, H);
    EXPECT_EQ(eight.cells[7], QRect(1293, 491, 431, 491));
    auto seven = computeViewLayout(7, 7, W, H);
    EXPECT_EQ(seven.cells[6], QRect(862, 491, 431, 491));
}

TEST(ViewLayout, SelectedViewAloneHidesTheOthers)
{
    auto l = computeViewLayout(4, 2, 1725, 982);
    EXPECT_EQ(l.cells[2], QRect(0, 0, 1725, 982));
    for (int i : {0, 1, 3})
        EXPECT_TRUE(l.cells[i].isEmpty());
    EXPECT_TRUE(l.changesScale);
    EXPECT_EQ(l.cellW, 1725);
}

TEST(ViewZoom, LimitsAndCentreKeepsItsPoint)
{
    ViewZoom z;
    z.centreX = 400;
    z.centreY = 300;
    const double expect[] = {1.2, 1.44, 1.728, 2.0736, 2.48832};
    for (double e : expect) {
        z.scaleStep(1);
        EXPECT_NEAR(z.scale, e, 1e-9);
    }
    // the centre still shows picture point (400, 300)
    EXPECT_NEAR((z.centreX - z.offsetX) / z.scale, 400, 1e-3);
    for (int i = 0; i < 40; ++i)
        z.scaleStep(1);
    EXPECT_DOUBLE_EQ(z.scale, 32.0);

    ViewZoom out;
    out.scaleStep(1);
    out.scaleStep(-1);
    EXPECT_DOUBLE_EQ(out.scale, 1.0);
    EXPECT_EQ(out.offsetX, 0);

    ViewZoom pan;
    pan.move(1, 0);  // no pan unzoomed
    EXPECT_EQ(pan.offsetX, 0);
    pan.scaleStep(1);
    const double ox = pan.offsetX;
    pan.move(-1, 0);
    EXPECT_NEAR(pan.offsetX, ox - 1.2, 1e-9);
    pan.scaleStep(0);
    EXPECT_EQ(pan.scale, 1.0);
    EXPECT_EQ(pan.offsetY, 0);
}
