// Drawing and editing regions on the camera view with real mouse and touch events: each shape
// with its thresholds, the region limit, selecting, moving, resizing, the first region's method,
// the split-view tap; the edit copy and its masks are checked after each.
#include "viewfixture.h"

#include <QTouchDevice>

using namespace RegionEditor;

namespace {

// Image rectangle of a display rectangle, as the shapes compute it.
QRect ImageOf(const QRect& display)
{
    ClustomRect r;
    r.rect = display;
    r.setImageRect();
    return r.imageRect;
}

}  // namespace

TEST_F(ViewTest, RectangleDrawnWithItsMaskAndFirstRegionDefaults)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(100, 120), QPoint(400, 300));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.roiNum[0], 1);
    EXPECT_EQ(m.shapeType[0][0], 1);
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(100, 120), QPoint(400, 300)));
    EXPECT_EQ(m.rects[0][0].imageRect, ImageOf(QRect(QPoint(100, 120), QPoint(400, 300))));
    EXPECT_TRUE(m.rects[0][0].IsSelected());
    const cv::Mat& mask = w->maskEdit[0][0];
    EXPECT_EQ(mask.cols, m.rects[0][0].imageRect.width());
    EXPECT_EQ(mask.rows, m.rects[0][0].imageRect.height());
    EXPECT_EQ(cv::countNonZero(mask), mask.rows * mask.cols);
    // nothing enabled but defect: Defect 5, 25, 100, output 0; back to select mode
    EXPECT_EQ(m.method[0][0], 0);
    EXPECT_EQ(m.param1[0][0], 5);
    EXPECT_EQ(m.param2[0][0], 25);
    EXPECT_EQ(m.param3[0][0], 100);
    EXPECT_EQ(m.outputNo[0], 0);
    EXPECT_EQ(host.draw, 0);
    EXPECT_EQ(w->selectedROI, 0);
    EXPECT_EQ(w->editState, 0);
    // the in-force model is untouched by editing
    EXPECT_EQ(w->modelInForce->roiNum[0], 0);
    EXPECT_FALSE(w->sliderSensitivity->isHidden());
}

TEST_F(ViewTest, RectangleThresholdsAndReverseDrag)
{
    CammerWidget* w = MakeViews();
    // 9 pixels in y is not enough
    DrawRect(w, QPoint(100, 100), QPoint(200, 109));
    EXPECT_EQ(Edit().roiNum[0], 0);
    EXPECT_EQ(host.draw, 0);
    // 10 in both is
    DrawRect(w, QPoint(100, 100), QPoint(110, 110));
    EXPECT_EQ(Edit().roiNum[0], 1);
    w->DeselectROI();
    // lower right to upper left creates nothing and returns to select mode
    DrawRect(w, QPoint(600, 600), QPoint(300, 300));
    EXPECT_EQ(Edit().roiNum[0], 1);
    EXPECT_EQ(host.draw, 0);
    // a press without a drag only leaves the tool
    host.draw = 1;
    Tap(w, QPoint(700, 700));
    EXPECT_EQ(Edit().roiNum[0], 1);
    EXPECT_EQ(host.draw, 0);
}

TEST_F(ViewTest, RingDrawnAsCircleWithMask)
{
    para.enable_spot_detect = 1;
    CammerWidget* w = MakeViews();
    host.draw = 4;
    Drag(w, QPoint(300, 300), QPoint(500, 460));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.roiNum[0], 1);
    EXPECT_EQ(m.shapeType[0][0], 4);
    const Circle& c = m.circles[0][0];
    EXPECT_EQ(c.radius, 80);  // the largest square at the first corner: min(200, 160) / 2
    EXPECT_EQ(c.center, QPoint(380, 380));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
    EXPECT_EQ(w->maskEdit[0][0].at<uchar>(c.imageRadius, c.imageRadius), 255);
    // spot enabled: the first region takes Spot with its packed greys
    EXPECT_EQ(m.method[0][0], 1);
    EXPECT_EQ(m.param1[0][0], 12800);
    EXPECT_EQ(m.param2[0][0], 80);
    EXPECT_EQ(m.param3[0][0], 500);
    // a second region copies the first
    w->DeselectROI();
    DrawRect(w, QPoint(800, 100), QPoint(900, 200));
    ASSERT_EQ(m.roiNum[0], 2);
    EXPECT_EQ(m.method[0][1], 1);
    EXPECT_EQ(m.param1[0][1], 12800);
    // a ring whose square is too small creates nothing
    w->DeselectROI();
    host.draw = 4;
    Drag(w, QPoint(1000, 500), QPoint(1008, 600));
    EXPECT_EQ(m.roiNum[0], 2);
}

TEST_F(ViewTest, ClickedPolygonClosesNearItsFirstPoint)
{
    CammerWidget* w = MakeViews();
    host.draw = 2;
    Tap(w, QPoint(200, 200));
    // closing with fewer than three points does nothing and adds nothing
    Tap(w, QPoint(205, 195));
    EXPECT_EQ(w->polyCount, 1);
    Tap(w, QPoint(500, 200));
    Tap(w, QPoint(500, 500));
    EXPECT_EQ(w->polyCount, 3);
    EXPECT_EQ(Edit().roiNum[0], 0);
    // 10 pixels away is a new point, 9 closes
    Tap(w, QPoint(210, 200));
    EXPECT_EQ(w->polyCount, 4);
    Tap(w, QPoint(209, 209));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.roiNum[0], 1);
    EXPECT_EQ(m.shapeType[0][0], 2);
    EXPECT_EQ(m.polygons[0][0].pointNum, 4);
    EXPECT_EQ(m.polygons[0][0].points[2], QPoint(500, 500));
    EXPECT_EQ(w->polyCount, 0);
    EXPECT_EQ(host.draw, 0);
    EXPECT_EQ(w->selectedROI, 0);
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
    EXPECT_GT(cv::countNonZero(w->maskEdit[0][0]), 1000);
}

TEST_F(ViewTest, ClickedPolygonPointLimitWarnsAndDropsOne)
{
    CammerWidget* w = MakeViews();
    host.draw = 2;
    Tap(w, QPoint(100, 100));
    w->polyCount = kClickedPolygonMax;
    Tap(w, QPoint(600, 600));
    EXPECT_EQ(w->polyCount, kClickedPolygonMax - 1);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].contains(textRow(35)));
    Tap(w, QPoint(650, 600));
    EXPECT_EQ(w->polyCount, kClickedPolygonMax);
    EXPECT_EQ(w->polyPoints[kClickedPolygonMax - 1], QPoint(650, 600));
}

TEST_F(ViewTest, FreeHandStrokeNeedsSixPoints)
{
    para.enable_direction_detect = 1;
    para.enable_defect_detect = 0;
    CammerWidget* w = MakeViews();
    host.free = true;
    host.draw = 2;
    // press + 5 moves: 5 points vanish
    Drag(w, QPoint(300, 300), QPoint(600, 500), 5);
    EXPECT_EQ(Edit().roiNum[0], 0);
    EXPECT_EQ(host.draw, 0);
    EXPECT_EQ(w->polyCount, 0);
    host.draw = 2;
    Press(w, QPoint(300, 300));
    const QPoint pts[6] = {{400, 300}, {500, 320}, {520, 450}, {420, 520}, {320, 480}, {290, 400}};
    for (QPoint p : pts)
        Move(w, p);
    Release(w, QPoint(290, 400));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.roiNum[0], 1);
    EXPECT_EQ(m.polygons[0][0].pointNum, 6);
    // with only direction enabled a first polygon is Defect, a first rectangle direction
    EXPECT_EQ(m.method[0][0], 0);
    EXPECT_EQ(m.param1[0][0], 5);
    m.roiNum[0] = 0;
    w->DeselectROI();
    DrawRect(w, QPoint(100, 100), QPoint(200, 200));
    EXPECT_EQ(m.method[0][0], 8);
    EXPECT_EQ(m.param1[0][0], 1);
    EXPECT_EQ(m.param2[0][0], 5000);
    EXPECT_EQ(m.param3[0][0], 10000);
}

TEST_F(ViewTest, FiftyRegionLimitWarnsAndKeepsTheTool)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(100, 100), QPoint(150, 150));
    CammerSingleton& m = Edit();
    for (int r = 1; r < MAX_ROI; ++r) {
        m.rects[0][r] = m.rects[0][0];
        m.rects[0][r].SetSelected(false);
        m.shapeType[0][r] = 1;
    }
    m.roiNum[0] = MAX_ROI;
    w->DeselectROI();
    const CammerSingleton before = m;
    DrawRect(w, QPoint(500, 500), QPoint(700, 700));
    EXPECT_EQ(m.roiNum[0], MAX_ROI);
    EXPECT_TRUE(m == before);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].contains(textRow(36)));
    EXPECT_EQ(host.draw, 1);  // the rectangle tool stays
    // the polygon closing refuses the same way and keeps the polygon in progress
    host.draw = 2;
    Tap(w, QPoint(300, 300));
    Tap(w, QPoint(500, 300));
    Tap(w, QPoint(500, 500));
    Tap(w, QPoint(302, 302));
    EXPECT_EQ(m.roiNum[0], MAX_ROI);
    EXPECT_EQ(w->polyCount, 3);
    EXPECT_EQ(dialogs.size(), 2);
}

TEST_F(ViewTest, SelectingMovingAndResizingRectangle)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(500, 400));
    w->DeselectROI();
    CammerSingleton& m = Edit();
    EXPECT_FALSE(m.rects[0][0].IsSelected());
    // a tap on free space selects nothing
    Tap(w, QPoint(1200, 800));
    EXPECT_EQ(w->selectedROI, -1);
    // press inside selects and drags by whole move steps
    Drag(w, QPoint(400, 350), QPoint(460, 390));
    EXPECT_EQ(w->selectedROI, 0);
    EXPECT_TRUE(m.rects[0][0].IsSelected());
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(360, 340), QPoint(560, 440)));
    EXPECT_EQ(m.rects[0][0].imageRect, ImageOf(m.rects[0][0].rect));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
    // a move smaller than 3 image pixels is ignored (the middle, away from the edge handles)
    Drag(w, QPoint(460, 390), QPoint(465, 392), 1);
    EXPECT_EQ(m.rects[0][0].rect.topLeft(), QPoint(360, 340));
    // dragging toward the border stops at the display edge, size kept
    Drag(w, QPoint(460, 390), QPoint(60, 390), 4);
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(0, 340), QPoint(200, 440)));
    // bottom-right handle grows the rectangle
    Drag(w, QPoint(200, 440), QPoint(300, 500));
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(0, 340), QPoint(300, 500)));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
    // past the opposite edge the size stays positive
    Drag(w, QPoint(300, 500), QPoint(-200, 100), 2);
    const QRect r = m.rects[0][0].rect;
    EXPECT_GE(r.width(), 1);
    EXPECT_GE(r.height(), 1);
    EXPECT_LT(r.left(), r.right());
    EXPECT_LT(r.top(), r.bottom());
    EXPECT_FALSE(w->maskEdit[0][0].empty());
}

TEST_F(ViewTest, PolygonMovesAtItsRateAndNeverPastTheMargin)
{
    CammerWidget* w = MakeViews();
    host.draw = 2;
    for (QPoint p : {QPoint(100, 100), QPoint(300, 100), QPoint(300, 300), QPoint(100, 300)})
        Tap(w, p);
    Tap(w, QPoint(101, 101));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.roiNum[0], 1);
    w->DeselectROI();
    // select with a press inside, then moves: the second within 30 ms is dropped
    Press(w, QPoint(200, 200));
    clockMs += 40;
    Move(w, QPoint(230, 200));
    EXPECT_EQ(m.polygons[0][0].points[0], QPoint(130, 100));
    clockMs += 10;
    Move(w, QPoint(260, 200));
    EXPECT_EQ(m.polygons[0][0].points[0], QPoint(130, 100));
    clockMs += 30;
    Move(w, QPoint(260, 200));
    EXPECT_EQ(m.polygons[0][0].points[0], QPoint(160, 100));
    // a vertex would come within 3 pixels of the top edge: the whole polygon stays
    clockMs += 40;
    Move(w, QPoint(260, 102));
    EXPECT_EQ(m.polygons[0][0].points[0], QPoint(160, 100));
    clockMs += 40;
    Move(w, QPoint(260, 103));
    EXPECT_EQ(m.polygons[0][0].points[0], QPoint(160, 3));
    Release(w, QPoint(260, 103));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
    EXPECT_EQ(m.polygons[0][0].imageRect.top(), int(std::lrint(3 / gShowAH)));
    // dragging a vertex handle moves that vertex only
    Drag(w, QPoint(360, 203), QPoint(400, 250), 2);
    EXPECT_EQ(m.polygons[0][0].points[2], QPoint(400, 250));
    EXPECT_EQ(m.polygons[0][0].points[1], QPoint(360, 3));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
}

TEST_F(ViewTest, SplitViewTapOnlySwitchesCamera)
{
    gFindCamera = 2;
    MakeViews(2);
    host.mode = numCamera;  // split view
    ASSERT_EQ(numCamera, 2);
    host.draw = 1;
    Drag(V(1), QPoint(100, 100), QPoint(400, 400));
    EXPECT_EQ(host.mode, 1);
    EXPECT_EQ(host.layouts, 1);
    EXPECT_EQ(Edit(1).roiNum[0], 0);
    // in the alarm hold with the live picture the alarm bar follows
    host.mode = numCamera;
    host.alarm = 2;
    gSource = 1;
    Tap(V(0), QPoint(50, 50));
    EXPECT_EQ(host.mode, 0);
    EXPECT_EQ(host.alarmCamera, 0);
}

TEST_F(ViewTest, EditingOnlyOnTheTemplateAndOnOpenedCameras)
{
    gFindCamera = 1;
    MakeViews(2);
    EXPECT_EQ(numCamera, 1);
    // view 1 has no camera: no panel, no models
    EXPECT_EQ(V(1)->modelEdit, nullptr);
    EXPECT_EQ(V(1)->sliderMinWH, nullptr);
    host.mode = 1;
    DrawRect(V(1), QPoint(100, 100), QPoint(400, 400));
    gSource = 1;
    host.mode = 0;
    DrawRect(V(0), QPoint(100, 100), QPoint(400, 400));
    EXPECT_EQ(Edit(0).roiNum[0], 0);
    // the edited stage is the region page's
    gSource = 0;
    host.edit = 1;
    DrawRect(V(0), QPoint(100, 100), QPoint(400, 400));
    EXPECT_EQ(Edit(0).roiNum[0], 0);
    EXPECT_EQ(Edit(0).roiNum[1], 1);
}

TEST_F(ViewTest, ZoomedViewMapsTouchesAndPans)
{
    CammerWidget* w = MakeViews();
    host.zoomFactor = 2.0;
    host.panXY = QPointF(-100, -50);
    DrawRect(w, QPoint(100, 150), QPoint(301, 351));
    ASSERT_EQ(Edit().roiNum[0], 1);
    EXPECT_EQ(Edit().rects[0][0].rect, QRect(QPoint(100, 100), QPoint(200, 200)));
    // touch readout in image pixels with the pixel value
    w->frameShown[size_t(50) * size_t(gImageW) + 40] = 77;
    const int x = int(40 * gShowW * 2.0 / gImageW) - 100 + 2, y = int(50 * gShowH * 2.0 / gImageH) - 50 + 2;
    Move(w, QPoint(x, y), Qt::NoButton);
    EXPECT_EQ(host.touchImage, QPoint(40, 50));
    EXPECT_EQ(host.touchPixel, "77");
    // live source with pan allowed: a drag pans by the finger's movement
    gSource = 1;
    host.pan = 2;
    Press(w, QPoint(500, 500));
    Move(w, QPoint(530, 480));
    EXPECT_EQ(host.panXY, QPointF(-70, -70));
}

TEST_F(ViewTest, RectangleDrawnByTouch)
{
    CammerWidget* w = MakeViews();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    static QTouchDevice* device = QTest::createTouchDevice();
    host.draw = 1;
    QTest::touchEvent(w, device).press(0, QPoint(200, 200), w);
    QTest::touchEvent(w, device).move(0, QPoint(300, 260), w);
    QTest::touchEvent(w, device).move(0, QPoint(400, 320), w);
    QTest::touchEvent(w, device).release(0, QPoint(400, 320), w);
    ASSERT_EQ(Edit().roiNum[0], 1);
    EXPECT_EQ(Edit().rects[0][0].rect, QRect(QPoint(200, 200), QPoint(400, 320)));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(Edit(), 0, 0)));
}
