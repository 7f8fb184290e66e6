// The region parameter panel and the region commands on a camera view: method cycle and slider
// ranges, the Spot greys, nudging, moving one or all regions, copying a region to a point,
// deleting regions with their ignore points saved and not saved, the cavity boxes.
#include "viewfixture.h"

#include <QFile>
#include <QImage>

#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/slider.h"

using namespace RegionEditor;

namespace {

struct Range {
    int min, max, row;
};

void ExpectSlider(const Slider* s, Range r, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(s->minimum(), r.min);
    EXPECT_EQ(s->maximum(), r.max);
    EXPECT_EQ(s->objectName(), textRow(r.row));
}

}  // namespace

TEST_F(ViewTest, MethodButtonCyclesEnabledMethodsWithDefaultsAndRanges)
{
    para.enable_spot_detect = 1;
    para.enable_black_area_detect = 1;
    CammerWidget* w = MakeViews();
    para.enable_spot_detect = para.enable_black_area_detect = 0;  // the first region becomes Defect
    DrawRect(w, QPoint(300, 300), QPoint(600, 500));
    para.enable_spot_detect = para.enable_black_area_detect = 1;
    w->ShowHideROIPara();
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.method[0][0], 0);
    EXPECT_FALSE(w->btnFunc->isHidden());
    EXPECT_EQ(w->btnFunc->text(), textRow(25));
    ExpectSlider(w->sliderMinWH, {1, 10, 22}, "defect p1");
    ExpectSlider(w->sliderSensitivity, {0, 255, 23}, "defect p2");
    ExpectSlider(w->sliderArea, {0, 1000, 24}, "defect p3");

    QTest::mouseClick(w->btnFunc, Qt::LeftButton);
    EXPECT_EQ(m.method[0][0], 1);
    EXPECT_EQ(m.param1[0][0], 12800);
    EXPECT_EQ(m.param2[0][0], 80);
    EXPECT_EQ(m.param3[0][0], 500);
    EXPECT_EQ(w->btnFunc->text(), textRow(15));
    EXPECT_FALSE(w->btnGraySwitch->isHidden());
    ExpectSlider(w->sliderMinWH, {0, 255, 10}, "spot p1");
    ExpectSlider(w->sliderSensitivity, {0, 99999, 13}, "spot p2");
    ExpectSlider(w->sliderArea, {0, 99999, 14}, "spot p3");

    QTest::mouseClick(w->btnFunc, Qt::LeftButton);
    EXPECT_EQ(m.method[0][0], 4);
    EXPECT_EQ(m.param1[0][0], 12800);  // black area keeps parameter 1
    EXPECT_EQ(m.param2[0][0], 50);
    EXPECT_EQ(m.param3[0][0], 100);
    EXPECT_TRUE(w->btnGraySwitch->isHidden());
    EXPECT_TRUE(w->sliderMinWH->isHidden());
    ExpectSlider(w->sliderSensitivity, {0, 255, 11}, "black p2");
    ExpectSlider(w->sliderArea, {0, 50000, 24}, "black p3");

    QTest::mouseClick(w->btnFunc, Qt::LeftButton);
    EXPECT_EQ(m.method[0][0], 0);
    EXPECT_EQ(m.param1[0][0], 5);
    EXPECT_EQ(m.param2[0][0], 25);
    EXPECT_EQ(m.param3[0][0], 100);

    // one method only: button and label hidden, the button changes nothing
    para.enable_spot_detect = para.enable_black_area_detect = 0;
    w->ShowHideROIPara();
    EXPECT_TRUE(w->btnFunc->isHidden());
    EXPECT_TRUE(w->labelFunc->isHidden());
    // no switch at all: the method stays
    para.enable_defect_detect = 0;
    m.param1[0][0] = 7;
    w->SlotChangeFunc();
    EXPECT_EQ(m.method[0][0], 0);
    EXPECT_EQ(m.param1[0][0], 7);
}

TEST_F(ViewTest, SliderRangesOfEveryMethod)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(600, 500));
    CammerSingleton& m = Edit();
    const struct {
        int method;
        bool reset1;
        Range r1, r2;
        bool reset3;
        Range r3;
    } table[] = {
        {2, true, {0, 255, 16}, {0, 255, 16}, true, {0, 255, 16}},
        {3, true, {1, 100, 20}, {1, 32, 16}, true, {1, 100, 16}},
        {5, false, {}, {0, 255, 10}, true, {0, 50000, 24}},
        {6, false, {}, {0, 100, 362}, false, {}},
        {7, true, {1, 100, 22}, {0, 255, 10}, true, {0, 100, 522}},
        {8, true, {0, 1, 22}, {0, 50000, 13}, true, {0, 50000, 14}},
        {12, true, {1, 10, 22}, {0, 255, 23}, true, {0, 1000, 24}},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.method);
        // a known setting the sliders not listed keep
        w->sliderMinWH->Reset(0, 7, 1, 3, "kept");
        w->sliderArea->Reset(0, 9, 1, 4, "kept");
        m.method[0][0] = t.method;
        m.param1[0][0] = m.param2[0][0] = m.param3[0][0] = 1;
        w->ShowHideROIPara();
        if (t.reset1)
            ExpectSlider(w->sliderMinWH, t.r1, "p1");
        else
            EXPECT_EQ(w->sliderMinWH->objectName(), "kept");
        ExpectSlider(w->sliderSensitivity, t.r2, "p2");
        if (t.reset3)
            ExpectSlider(w->sliderArea, t.r3, "p3");
        else
            EXPECT_EQ(w->sliderArea->objectName(), "kept");
        EXPECT_EQ(w->btnFunc->text(), textRow(MethodTextRow(t.method)));
    }
    // a value outside its range is written back clamped, as a touch would
    m.method[0][0] = 0;
    m.param2[0][0] = 300;
    m.param1[0][0] = 0;
    w->ShowHideROIPara();
    EXPECT_EQ(m.param2[0][0], 255);
    EXPECT_EQ(m.param1[0][0], 1);
    // moving a slider writes the parameter
    w->sliderArea->setValue(640);
    EXPECT_EQ(m.param3[0][0], 640);
}

TEST_F(ViewTest, SpotGreysThroughTheGreySwitch)
{
    para.enable_spot_detect = 1;
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(600, 500));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.param1[0][0], 12800);
    EXPECT_EQ(w->sliderMinWH->value(), 0);
    EXPECT_EQ(w->sliderMinWH->objectName(), textRow(10));
    QTest::mouseClick(w->btnGraySwitch, Qt::LeftButton);
    EXPECT_TRUE(w->grayShown);
    EXPECT_EQ(w->sliderMinWH->value(), 50);
    EXPECT_EQ(w->sliderMinWH->objectName(), textRow(11));
    EXPECT_EQ(m.param1[0][0], 12800);
    w->sliderMinWH->setValue(60);
    EXPECT_EQ(m.param1[0][0], 15360);
    QTest::mouseClick(w->btnGraySwitch, Qt::LeftButton);
    w->sliderMinWH->setValue(7);
    EXPECT_EQ(m.param1[0][0], 15367);
}

TEST_F(ViewTest, NudgeButtonsMoveTheChosenPart)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(600, 500));
    CammerSingleton& m = Edit();
    EXPECT_EQ(w->btnObject->text(), textRow(30));
    QTest::mouseClick(w->btnAdd10, Qt::LeftButton);  // top - 1
    QTest::mouseClick(w->btnSub10, Qt::LeftButton);  // left + 1
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(301, 299), QPoint(600, 500)));
    EXPECT_TRUE(SameMat(w->maskEdit[0][0], ShapeMask(m, 0, 0)));
    QTest::mouseClick(w->btnObject, Qt::LeftButton);
    EXPECT_EQ(w->btnObject->text(), textRow(29));
    QTest::mouseClick(w->btnAdd1, Qt::LeftButton);  // right - 1
    EXPECT_EQ(m.rects[0][0].rect.right(), 599);
    // the bottom-right corner never passes the top-left one
    m.rects[0][0].rect = QRect(QPoint(301, 299), QPoint(303, 301));
    for (int k = 0; k < 5; ++k) {
        w->SlotAdd1();
        w->SlotAdd10();
    }
    EXPECT_EQ(m.rects[0][0].rect, QRect(QPoint(301, 299), QPoint(302, 300)));
    EXPECT_FALSE(w->maskEdit[0][0].empty());
    QTest::mouseClick(w->btnObject, Qt::LeftButton);
    EXPECT_EQ(w->editObject, 0);

    // a ring: inner radius, outer radius, centre
    w->DeselectROI();
    host.draw = 4;
    Drag(w, QPoint(800, 300), QPoint(1000, 500));
    const int r = w->selectedROI;
    ASSERT_EQ(m.shapeType[0][r], 4);
    EXPECT_EQ(w->btnAdd10->text(), "+10");
    EXPECT_EQ(w->btnObject->text(), textRow(28));
    w->SlotAdd10();
    w->SlotAdd10();
    EXPECT_EQ(m.circles[0][r].innerRadius, 20);
    w->SlotSub10();
    w->SlotSub10();
    w->SlotSub10();
    EXPECT_EQ(m.circles[0][r].innerRadius, 0);
    w->SlotAdd10();
    w->SlotChangeObject();
    w->SlotSub10();
    EXPECT_EQ(m.circles[0][r].radius, 90);
    EXPECT_EQ(m.circles[0][r].innerRadius, 10);
    w->SlotChangeObject();
    EXPECT_EQ(w->btnObject->text(), textRow(27));
    EXPECT_EQ(w->btnAdd10->text(), "Y -1");
    const QPoint c = m.circles[0][r].center;
    w->SlotSub10();
    EXPECT_EQ(m.circles[0][r].center, c + QPoint(1, 0));
    EXPECT_TRUE(SameMat(w->maskEdit[0][r], ShapeMask(m, 0, r)));
    EXPECT_EQ(cv::countNonZero(w->maskEdit[0][r]) > 0, true);
}

TEST_F(ViewTest, MoveButtonsOneOrAllRegionsAllOrNone)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(400, 400));
    w->DeselectROI();
    host.draw = 2;
    for (QPoint p : {QPoint(800, 4), QPoint(900, 4), QPoint(900, 100)})
        Tap(w, p);
    Tap(w, QPoint(801, 5));
    CammerSingleton& m = Edit();
    ASSERT_EQ(m.roiNum[0], 2);
    w->DeselectROI();
    Tap(w, QPoint(350, 350));
    ASSERT_EQ(w->selectedROI, 0);
    QTest::mouseClick(w->btnMoveRight, Qt::LeftButton);
    EXPECT_EQ(m.rects[0][0].rect.left(), 301);
    EXPECT_EQ(m.polygons[0][1].points[0], QPoint(800, 4));
    // scope: all regions
    QTest::mouseClick(w->btnMoveAll, Qt::LeftButton);
    EXPECT_EQ(w->moveScope, 1);
    EXPECT_EQ(w->btnMoveAll->text(), textRow(32));
    EXPECT_TRUE(w->sliderSensitivity->isHidden());
    QTest::mouseClick(w->btnMoveAll, Qt::LeftButton);
    EXPECT_EQ(w->moveScope, 2);
    EXPECT_EQ(w->btnMoveAll->text(), textRow(34));
    QTest::mouseClick(w->btnMoveDown, Qt::LeftButton);
    EXPECT_EQ(m.rects[0][0].rect.top(), 301);
    EXPECT_EQ(m.polygons[0][1].points[0], QPoint(800, 5));
    // the polygon would leave the margin: nothing moves, not even the rectangle before it
    const CammerSingleton before = m;
    QTest::mouseClick(w->btnMoveUp, Qt::LeftButton);
    QTest::mouseClick(w->btnMoveUp, Qt::LeftButton);
    EXPECT_EQ(m.polygons[0][1].points[0], QPoint(800, 3));
    const CammerSingleton once = m;
    QTest::mouseClick(w->btnMoveUp, Qt::LeftButton);
    EXPECT_TRUE(m == once);
    EXPECT_EQ(m.rects[0][0].rect.top(), 299);
    EXPECT_TRUE(SameMat(w->maskEdit[0][1], ShapeMask(m, 0, 1)));
    (void)before;
    QTest::mouseClick(w->btnMoveAll, Qt::LeftButton);
    EXPECT_EQ(w->moveScope, 0);
    EXPECT_EQ(w->btnMoveAll->text(), textRow(12));
}

TEST_F(ViewTest, RoiSwitchCyclesOverlappingRegions)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(500, 500));
    w->DeselectROI();
    DrawRect(w, QPoint(400, 400), QPoint(600, 600));
    w->DeselectROI();
    Tap(w, QPoint(450, 450));
    EXPECT_EQ(w->selectedROI, 0);
    QTest::mouseClick(w->btnNextROI, Qt::LeftButton);
    EXPECT_EQ(w->selectedROI, 1);
    EXPECT_TRUE(Edit().rects[0][1].IsSelected());
    EXPECT_FALSE(Edit().rects[0][0].IsSelected());
    QTest::mouseClick(w->btnNextROI, Qt::LeftButton);
    EXPECT_EQ(w->selectedROI, 0);
}

TEST_F(ViewTest, CopyRegionToATappedPoint)
{
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 300), QPoint(400, 360));
    CammerSingleton& m = Edit();
    m.outputNo[0] = 2;
    m.method[0][0] = 3;
    m.param1[0][0] = 44;
    // declined: nothing
    answer = QDialog::Rejected;
    host.copy = true;
    Tap(w, QPoint(1000, 700));
    EXPECT_FALSE(host.copy);
    EXPECT_EQ(m.roiNum[0], 1);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].contains(textRow(38)));
    answer = QDialog::Accepted;
    host.copy = true;
    Tap(w, QPoint(1000, 700));
    ASSERT_EQ(m.roiNum[0], 2);
    EXPECT_EQ(m.rects[0][1].rect, QRect(QPoint(950, 670), QPoint(1050, 730)));
    EXPECT_TRUE(m.rects[0][1].IsSelected());
    EXPECT_FALSE(m.rects[0][0].IsSelected());
    EXPECT_EQ(m.method[0][1], 3);
    EXPECT_EQ(m.param1[0][1], 44);
    EXPECT_EQ(m.outputNo[1], 2);
    EXPECT_EQ(w->selectedROI, 1);
    EXPECT_TRUE(SameMat(w->maskEdit[0][1], ShapeMask(m, 0, 1)));
    // near the border a copy is shifted inside
    host.copy = true;
    Tap(w, QPoint(gShowW - 5, gShowH - 5));
    ASSERT_EQ(m.roiNum[0], 3);
    EXPECT_EQ(m.rects[0][2].rect.bottomRight(), QPoint(gShowW - 1, gShowH - 1));
    // after a deselection the previously selected region is copied
    Tap(w, QPoint(350, 330));  // outside the selected copy: deselects it
    Tap(w, QPoint(350, 330));  // selects region 0
    ASSERT_EQ(w->selectedROI, 0);
    m.param2[0][0] = 17;
    Tap(w, QPoint(20, 900));
    EXPECT_EQ(w->selectedROI, -1);
    EXPECT_EQ(w->previousROI, 0);
    host.copy = true;
    Tap(w, QPoint(700, 200));
    ASSERT_EQ(m.roiNum[0], 4);
    EXPECT_EQ(m.rects[0][3].rect, QRect(QPoint(650, 170), QPoint(750, 230)));
    EXPECT_EQ(m.param2[0][3], 17);
    // a full stage warns
    m.roiNum[0] = MAX_ROI;
    for (int r = 4; r < MAX_ROI; ++r) {
        m.rects[0][r] = m.rects[0][0];
        m.shapeType[0][r] = 1;
    }
    dialogs.clear();
    host.copy = true;
    Tap(w, QPoint(700, 200));
    EXPECT_EQ(m.roiNum[0], MAX_ROI);
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_TRUE(dialogs[1].contains(textRow(36)));
}

TEST_F(ViewTest, DeletingRegionsChangesIgnorePointsInTheEditCopyUntilSaved)
{
    CammerWidget* w = MakeViews();
    for (int s = 0; s < MAX_DETECT; ++s)
        ASSERT_NE(w->ignoreMap[s], nullptr) << s;
    std::memset(w->ignoreMap[0], 255, size_t(gImageLen));
    w->BackIgnorePoint();
    const QPoint corners[3][2] = {{{100, 100}, {300, 250}}, {{500, 500}, {700, 650}}, {{900, 100}, {1000, 300}}};
    for (int k = 0; k < 3; ++k) {
        DrawRect(w, corners[k][0], corners[k][1]);
        w->DeselectROI();
    }
    CammerSingleton& m = Edit();
    m.outputNo[1] = 1;
    m.outputNo[2] = 3;
    m.param3[0][2] = 77;
    const cv::Mat mask1 = w->maskEdit[0][1], mask2 = w->maskEdit[0][2];
    const ClustomRect rect1 = m.rects[0][1], rect2 = m.rects[0][2];
    const QRect gone = m.rects[0][0].imageRect;

    w->DeleteROI(0);
    ASSERT_EQ(m.roiNum[0], 2);
    EXPECT_TRUE(m.rects[0][0] == rect1);
    EXPECT_TRUE(m.rects[0][1] == rect2);
    EXPECT_EQ(w->maskEdit[0][0].data, mask1.data);
    EXPECT_EQ(w->maskEdit[0][1].data, mask2.data);
    EXPECT_EQ(m.outputNo[0], 1);
    EXPECT_EQ(m.outputNo[1], 3);
    EXPECT_EQ(m.param3[0][1], 77);
    // exactly the deleted region's image rectangle, edges included, in the edit copy only
    for (int y = 0; y < gImageH; ++y)
        for (int x = 0; x < gImageW; ++x) {
            const bool inside = gone.contains(x, y);
            ASSERT_EQ(w->ignoreMapEdit[0][y * gImageW + x], inside ? 0 : 255) << x << "," << y;
            ASSERT_EQ(w->ignoreMap[0][y * gImageW + x], 255);
        }
    EXPECT_FALSE(QFile::exists("./cammer11/ignorepoint.bmp"));

    // not saved: the maps in force come back
    w->BackIgnorePoint();
    EXPECT_EQ(std::memcmp(w->ignoreMapEdit[0], w->ignoreMap[0], size_t(gImageLen)), 0);

    // saved: the map in force and its file change, and load back the same
    w->DeleteROI(1);
    EXPECT_EQ(m.roiNum[0], 1);
    w->CommitIgnorePoint();
    EXPECT_EQ(std::memcmp(w->ignoreMapEdit[0], w->ignoreMap[0], size_t(gImageLen)), 0);
    ASSERT_TRUE(QFile::exists("./cammer11/ignorepoint.bmp"));
    EXPECT_FALSE(QFile::exists("./cammer12/ignorepoint.bmp"));
    EXPECT_EQ(host.sentPics.size(), 1);
    QImage file("./cammer11/ignorepoint.bmp");
    ASSERT_EQ(file.format(), QImage::Format_Indexed8);
    ASSERT_EQ(file.size(), QSize(gImageW, gImageH));
    EXPECT_EQ(file.color(255), qRgba(255, 255, 255, 255));
    std::vector<unsigned char> saved(w->ignoreMap[0], w->ignoreMap[0] + gImageLen);
    w->LoadIgnorePoint();
    EXPECT_EQ(std::memcmp(saved.data(), w->ignoreMap[0], size_t(gImageLen)), 0);
    // deleting the last region only decrements; delete all clears the stage's map in the copy
    w->DeleteROI(0);
    EXPECT_EQ(m.roiNum[0], 0);
    DrawRect(w, QPoint(100, 100), QPoint(200, 200));
    w->DeleteAllROI();
    EXPECT_EQ(m.roiNum[0], 0);
    EXPECT_EQ(w->selectedROI, -1);
    EXPECT_EQ(cv::countNonZero(cv::Mat(gImageH, gImageW, CV_8UC1, w->ignoreMapEdit[0])), 0);
    EXPECT_GT(cv::countNonZero(cv::Mat(gImageH, gImageW, CV_8UC1, w->ignoreMap[0])), 0);
}

TEST_F(ViewTest, CavityBoxesEditStageOne)
{
    CammerWidget* w = MakeViews();
    w->ShowHideCheckBox(true);
    EXPECT_FALSE(w->checkCavity[3]->isHidden());
    QTest::mouseClick(w->checkCavity[3], Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(Edit().cavity[1][3], w->checkCavity[3]->isChecked() ? 2 : 0);
    w->checkCavity[5]->setChecked(true);
    w->SlotClickCheckBox5();
    EXPECT_EQ(Edit().cavity[1][5], 2);
    EXPECT_EQ(Edit().cavity[0][5], 0);
    Edit().cavity[0][2] = 2;
    w->SetCheckBoxState(0);
    EXPECT_TRUE(w->checkCavity[2]->isChecked());
    EXPECT_FALSE(w->checkCavity[5]->isChecked());
}

TEST_F(ViewTest, PanelJumpsAboveARegionNearTheBottom)
{
    para.enable_display_detail = 0;
    CammerWidget* w = MakeViews();
    DrawRect(w, QPoint(300, 200), QPoint(600, 300));
    const int below = int((Edit().rects[0][0].imageRect.bottom() + 1) * gShowAH) + 5;
    EXPECT_EQ(w->sliderSensitivity->geometry().top(), below);
    EXPECT_TRUE(w->sliderMinWH->isHidden());
    w->DeselectROI();
    DrawRect(w, QPoint(300, 800), QPoint(600, 900));
    const int above = int(Edit().rects[0][1].imageRect.top() * gShowAH) - 102;
    EXPECT_EQ(w->sliderSensitivity->geometry().top(), above);
    EXPECT_EQ(w->btnFunc->geometry(), QRect(QPoint(483, above + 50), QPoint(602, above + 94)));
    // the output number only on stage 0 with outputs per region
    EXPECT_TRUE(w->comboOutput->isHidden());
    para.enable_stop_not_alarm = 1;
    w->ShowHideROIPara();
    EXPECT_FALSE(w->comboOutput->isHidden());
    w->comboOutput->setCurrentIndex(3);
    EXPECT_EQ(Edit().outputNo[1], 3);
}
