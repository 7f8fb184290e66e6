// Change records of the region page (exact English texts), the stage edited on entry, and the
// wrap-around steps of browsing.
#include <gtest/gtest.h>

#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/regionpagelogic.h"
#include "vision/inspection/cammersingleton.h"

using namespace RegionPage;

namespace {

struct English {
    English()
    {
        static bool loaded = false;
        if (!loaded) {
            Data_Init();
            loaded = true;
        }
        gLan = 1;
    }
};

void AddRect(CammerSingleton& m, int s, QRect r, int method, int p1, int p2, int p3)
{
    const int n = m.roiNum[s]++;
    m.shapeType[s][n] = 1;
    m.rects[s][n].rect = r;
    m.method[s][n] = method;
    m.param1[s][n] = p1;
    m.param2[s][n] = p2;
    m.param3[s][n] = p3;
}

}  // namespace

TEST(ChangeRecords, TwoAddedRectanglesGiveTwoAddedRecords)
{
    English en;
    CammerSingleton o(1), n(1);
    AddRect(o, 0, {10, 10, 50, 50}, 0, 5, 25, 100);
    n = o;
    AddRect(n, 0, {100, 100, 50, 50}, 0, 5, 25, 100);
    AddRect(n, 0, {200, 100, 50, 50}, 1, 0x3200 | 7, 80, 500);
    bool pos = true;
    const QStringList r = ChangeRecords(o, n, 0, 0, 2, &pos);
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0], "Detection Prod of camera 1 Added rectangular  area 2, function is Defect Detection,the "
                    "sensitivity is 25,, the filter size is 5, the alarm area is 100");
    // The low byte is the minimum grey, as the panel stores it.
    EXPECT_EQ(r[1], "Detection Prod of camera 1 Added rectangular  area 3, function is Spot Detection, the minimum "
                    "gradation is 7,the maximum gradation is 50, the minimum area is 80,the maximum area is 500");
    EXPECT_FALSE(pos);
}

TEST(ChangeRecords, DeletedLastRegionAndShiftedNeighbours)
{
    English en;
    CammerSingleton o(2), n(2);
    AddRect(o, 1, {10, 10, 50, 50}, 0, 5, 25, 100);
    AddRect(o, 1, {100, 10, 50, 50}, 0, 5, 25, 100);
    AddRect(o, 1, {200, 10, 50, 50}, 3, 10, 10, 10);
    n = o;
    n.roiNum[1] = 2;
    bool pos = false;
    QStringList r = ChangeRecords(o, n, 1, 0, 2, &pos);
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0], "Detection Mold of camera 2 Deleted rectangular  area 3, function is Position");
    EXPECT_TRUE(pos);

    // Deleting the first of three: the others move down and are compared with their new neighbours.
    CammerSingleton m(2);
    AddRect(m, 0, {10, 10, 50, 50}, 0, 5, 25, 100);
    AddRect(m, 0, {100, 10, 50, 50}, 0, 5, 25, 100);
    CammerSingleton k(2);
    AddRect(k, 0, {100, 10, 50, 50}, 0, 5, 25, 100);
    r = ChangeRecords(m, k, 1, 0, 2, &pos);
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0], "Detection Prod of camera 2 Changed the rectangular  area 1, The function is Defect detection"
                    ",Detection position has been modified");
    EXPECT_EQ(r[1], "Detection Prod of camera 2 Deleted rectangular  area 2, function is Defect");
}

TEST(ChangeRecords, MethodOnlyChangeWritesNothingParametersDo)
{
    English en;
    CammerSingleton o(1), n(1);
    AddRect(o, 0, {10, 10, 50, 50}, 0, 5, 25, 100);
    n = o;
    n.method[0][0] = 4;
    EXPECT_TRUE(ChangeRecords(o, n, 0, 0, 2, nullptr).isEmpty());

    n.method[0][0] = 1;
    n.param1[0][0] = (60 << 8) | 5;  // minimum grey stays 5, maximum 0 -> 60
    n.param3[0][0] = 300;
    const QStringList r = ChangeRecords(o, n, 0, 0, 2, nullptr);
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0], "Detection Prod of camera 1 Changed the rectangular  area 1, Changing the function from Defect"
                    "to Spot detection \uFF0CChanging the maximum gradation from 0 to 60, Changing the maximum area "
                    "from 100 to 300");
}

TEST(ChangeRecords, IgnoreAreaOnlyOnGeometryAndPositioningFlagFromEitherSide)
{
    English en;
    CammerSingleton o(1), n(1);
    AddRect(o, 0, {10, 10, 50, 50}, 2, 5, 25, 100);
    AddRect(o, 0, {80, 10, 50, 50}, 3, 10, 10, 10);
    n = o;
    n.param2[0][0] = 99;
    bool pos = false;
    EXPECT_TRUE(ChangeRecords(o, n, 0, 0, 2, &pos).isEmpty());
    EXPECT_TRUE(pos);  // an unchanged target-position region still asks for new shapes
    n.rects[0][0].rect = {12, 10, 50, 50};
    const QStringList r = ChangeRecords(o, n, 0, 0, 2, &pos);
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0], "Detection Prod of camera 1 Changed the rectangular  area 1, The function is Ignore Area"
                    ",Detection position has been modified");
}

TEST(ChangeRecords, StageNamesByMode)
{
    English en;
    EXPECT_EQ(StageName(1, 3), "Right mold");
    EXPECT_EQ(StageName(0, 1), "Mold");
    EXPECT_EQ(StageName(4, 7), "8th");
    EXPECT_EQ(StageName(0, 2), "");
}

TEST(EditedStage, ByModeAndCavityPosition)
{
    WizardPara p;
    for (int& e : p.stage_enabled)
        e = 1;
    p.io_mode = 1;
    p.io_sub_mode = 1;
    p.enabe_two_test = 0;
    EXPECT_EQ(EditedStage(p, 0, 0, 4), 2);
    EXPECT_EQ(EditedStage(p, 0, 1, 4), 2);
    p.stage_enabled[0] = 0;
    EXPECT_EQ(EditedStage(p, 0, 1, 4), 3);
    EXPECT_EQ(EditedStage(p, 2, 1, 4), 1);  // the alarm hold edits the alarmed stage
    p.io_sub_mode = 0;
    p.stage_enabled[0] = 1;
    EXPECT_EQ(EditedStage(p, 0, 3, 4), 1);
    p.io_mode = 0;
    p.enabe_two_test = 1;
    EXPECT_EQ(EditedStage(p, 0, 1, 2), 0);
    p.stage_enabled[0] = 0;
    EXPECT_EQ(EditedStage(p, 0, 0, 2), 1);
    p.io_mode = 4;
    EXPECT_EQ(EditedStage(p, 0, 0, 8), 1);
    EXPECT_EQ(EditedStage(p, 0, 5, 8), 5);
}

TEST(Browsing, WrapsBothWaysAndSkipsFreeSlots)
{
    EXPECT_EQ(WrapStep(0, 3, -1), 2);
    EXPECT_EQ(WrapStep(2, 3, 1), 0);
    EXPECT_EQ(WrapStep(1, 3, 1), 2);
    EXPECT_EQ(WrapStep(0, 0, 1), 0);
    EXPECT_EQ(NextValidSlot({1, 0, 1}, 0, 1), 2);
    EXPECT_EQ(NextValidSlot({1, 0, 1}, 2, 1), 0);
    EXPECT_EQ(NextValidSlot({1, 0, 1}, 0, -1), 2);
    EXPECT_EQ(NextValidSlot({1, 0, 0}, 0, 1), 0);
    EXPECT_EQ(NextValidSlot({1, 0, 0}, 0, -1), 0);
}
