// The plain decisions of region editing: the method cycle, the panel's place, pixel fills clipped
// to the frame, deleting and moving regions of a model without a view.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammersingleton.h"

using namespace RegionEditor;

class RegionEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetWorkingSize(64, 48);
        gShowW = 640;
        gShowH = 480;
        gShowAW = 10.f;
        gShowAH = 10.f;
    }
    WizardPara p;
};

TEST_F(RegionEditorTest, MethodCycleWrapsAndSkipsDisabled)
{
    p.enable_defect_detect = 1;
    p.enable_spot_detect = 1;
    p.enable_black_area_detect = 1;
    EXPECT_EQ(NextMethod(p, 0), 1);
    EXPECT_EQ(NextMethod(p, 1), 4);
    EXPECT_EQ(NextMethod(p, 4), 0);
    EXPECT_EQ(NextMethod(p, 8), 0);
    EXPECT_EQ(NextMethod(p, 15), 0);  // 8 and above continue at 0
    p.enable_defect_detect = 0;
    EXPECT_EQ(NextMethod(p, 15), 1);
    p = WizardPara();
    EXPECT_EQ(NextMethod(p, 3), 3);
    p.enable_direction_detect = 1;
    EXPECT_EQ(NextMethod(p, 8), 8);
    EXPECT_EQ(EnabledMethodCount(p), 1);
}

TEST_F(RegionEditorTest, PanelBelowAboveOrAtTheBottom)
{
    // rows in image pixels, 10 display pixels each; the panel needs 102 (204 with details)
    EXPECT_EQ(PanelTop(5, 20, false), 215);
    EXPECT_EQ(PanelTop(20, 40, false), 200 - 102);         // 102 + 410 >= 480 - 70
    EXPECT_EQ(PanelTop(5, 40, false), 480 - 70 - 102);     // 50 is not above 102
    EXPECT_EQ(PanelTop(25, 40, true), 250 - 204);
}

TEST_F(RegionEditorTest, FillIsClippedToTheFrame)
{
    std::vector<unsigned char> map(size_t(gImageLen), 9);
    FillImageRect(map.data(), QRect(QPoint(60, 44), QPoint(90, 90)), 0);
    FillImageRect(map.data(), QRect(QPoint(-20, -20), QPoint(-1, 5)), 0);  // nothing inside
    FillImageRect(nullptr, QRect(0, 0, 5, 5), 0);
    int zeros = 0;
    for (int y = 0; y < gImageH; ++y)
        for (int x = 0; x < gImageW; ++x) {
            const bool in = x >= 60 && y >= 44;
            EXPECT_EQ(map[size_t(y * gImageW + x)], in ? 0 : 9);
            zeros += map[size_t(y * gImageW + x)] == 0;
        }
    EXPECT_EQ(zeros, 4 * 4);
}

TEST_F(RegionEditorTest, DeletingAnUnknownShapeClearsNoPoints)
{
    CammerSingleton m(0);
    m.roiNum[1] = 2;
    m.shapeType[1][0] = 3;
    m.shapeType[1][1] = 1;
    m.rects[1][0].imageRect = QRect(0, 0, 64, 48);
    m.rects[1][1].rect = QRect(100, 100, 50, 50);
    m.outputNo[0] = 2;
    m.outputNo[1] = 3;
    std::vector<unsigned char> map(size_t(gImageLen), 255);
    cv::Mat masks[MAX_ROI];
    masks[1] = cv::Mat(5, 5, CV_8UC1, cv::Scalar(255));
    DeleteRegion(m, masks, map.data(), 1, 0);
    EXPECT_EQ(m.roiNum[1], 1);
    EXPECT_EQ(m.shapeType[1][0], 1);
    EXPECT_EQ(m.rects[1][0].rect, QRect(100, 100, 50, 50));
    EXPECT_EQ(masks[0].rows, 5);
    EXPECT_EQ(m.outputNo[0], 2);  // output numbers move on stage 0 only
    EXPECT_EQ(std::count(map.begin(), map.end(), 0), 0);
    // a region index past the count changes nothing
    DeleteRegion(m, masks, map.data(), 1, 5);
    EXPECT_EQ(m.roiNum[1], 1);
}

TEST_F(RegionEditorTest, MovedRectanglesAndRingsStayInsideTheDisplay)
{
    CammerSingleton m(0);
    m.roiNum[0] = 2;
    m.shapeType[0][0] = 1;
    m.rects[0][0].rect = QRect(QPoint(0, 10), QPoint(99, 59));
    m.shapeType[0][1] = 4;
    m.circles[0][1].center = QPoint(600, 440);
    m.circles[0][1].radius = 30;
    m.circles[0][1].innerRadius = 10;
    m.circles[0][1].UpdateRect();
    EXPECT_TRUE(MoveRegions(m, 0, {0, 1}, -5, 20, gShowW, gShowH));
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(0, 30), QPoint(99, 79)));
    EXPECT_EQ(m.circles[0][1].rect.bottom(), gShowH - 1);
    EXPECT_EQ(m.circles[0][1].radius, 30);
    EXPECT_EQ(m.rects[0][0].imageRect, QRect(QPoint(0, 3), QPoint(9, 7)));
    EXPECT_FALSE(MoveRegions(m, 0, {0, 2}, 1, 1, gShowW, gShowH));  // region 2 does not exist
}

TEST_F(RegionEditorTest, IgnoredNgPointsStayInsideTheBoxAndTheFrame)
{
    std::vector<unsigned char> map(size_t(gImageLen), 0), ng(size_t(gImageLen), 1);
    const int box[4] = {60, 40, 70, 60};  // reaches past the right and bottom edges
    EXPECT_EQ(IgnoreNgBox(map.data(), ng.data(), box), 4 * 8);
    EXPECT_EQ(map[size_t(47 * gImageW + 63)], 255);
    EXPECT_EQ(map[size_t(39 * gImageW + 63)], 0);
    std::fill(map.begin(), map.end(), 0);
    const int inner[4] = {2, 3, 5, 4};  // right and bottom exclusive: 3 x 1 points
    ng[size_t(3 * gImageW + 3)] = 0;
    EXPECT_EQ(IgnoreNgBox(map.data(), ng.data(), inner), 2);
    EXPECT_EQ(map[size_t(3 * gImageW + 2)], 255);
    EXPECT_EQ(map[size_t(3 * gImageW + 5)], 0);
    EXPECT_EQ(map[size_t(4 * gImageW + 2)], 0);
    const int outside[4] = {-10, -10, -1, 100};
    EXPECT_EQ(IgnoreNgBox(map.data(), ng.data(), outside), 0);
}
