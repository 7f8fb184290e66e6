// Camera parameter and camera function pages: the round trip through the edit copy, the sliders'
// bounds, the camera buttons by the number of cameras, the display-detail rule and the factory rows.
#include "settings/pageroundtrip.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QButtonGroup>

#include "settings/advancefuncwidget.h"
#include "settings/camerafunctionswidget.h"
#include "settings/cameraparamswidget.h"
#include "widgets/blinelabel.h"
#include "widgets/checkbox.h"

namespace {

class CameraPages : public PageTest {};

TEST_F(CameraPages, ParamsRoundTripPerCameraAndSpeed)
{
    for (int c = 0; c < 4; ++c) {
        paraBak.exposure[c] = 10 + c;
        paraBak.gain[c] = 20 + c;
        paraBak.sharpness[c] = 30 + c;
        paraBak.contrast[c] = 40 + c;
        paraBak.gamma[c] = 150 + c;
    }
    paraBak.capture_speed = 7;
    const WizardPara before = paraBak;
    CameraParamsWidget page(nullptr);
    for (int c = 0; c < 4; ++c) {
        SystemSettingWidget::outSet = c;
        page.WizardParaInit();
        EXPECT_EQ(page.subWidget->exposure.slider->value(), 10 + c);
        EXPECT_EQ(page.subWidget->gain.slider->value(), 20 + c);
        EXPECT_EQ(page.clarity.slider->value(), 30 + c);
        EXPECT_EQ(page.truth.slider->value(), 40 + c);
        EXPECT_EQ(page.gamma.slider->value(), 150 + c);
        EXPECT_EQ(page.gamma.value->text(), QString::number(150 + c)) << "value label follows";
    }
    EXPECT_EQ(page.speed.slider->value(), 7);
    page.accept();
    EXPECT_TRUE(SameRecord(paraBak, before));
    page.speed.slider->setValue(9);
    page.accept();
    EXPECT_EQ(paraBak.capture_speed, 9) << "the speed is the one value accept writes";
    // Switching the edited camera reloads its five values and leaves the speed being edited.
    page.speed.slider->setValue(3);
    SystemSettingWidget::outSet = 1;
    page.LoadCameraValues(false);
    EXPECT_EQ(page.subWidget->gain.slider->value(), 21);
    EXPECT_EQ(page.speed.slider->value(), 3);
}

TEST_F(CameraPages, StoredValueBeyondTheRangeShowsTheEndAndIsAnnouncedEvenWhenTheSliderStoodThere)
{
    CameraParamsWidget page(nullptr);
    QSignalSpy spy(page.subWidget->exposure.slider, &QSlider::valueChanged);
    paraBak.exposure[0] = 300;
    page.WizardParaInit();
    EXPECT_EQ(page.subWidget->exposure.slider->value(), 100);
    EXPECT_EQ(page.subWidget->exposure.value->text(), "100");
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_EQ(spy.last().at(0).toInt(), 100);
    // Shown again with 300 still stored: the slider already stands at 100 and must say so again,
    // else the edit copy and the camera keep 300.
    spy.clear();
    page.WizardParaInit();
    ASSERT_EQ(spy.size(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 100);
    // An in-range value the slider already shows stays silent.
    paraBak.exposure[0] = 100;
    spy.clear();
    page.WizardParaInit();
    EXPECT_TRUE(spy.isEmpty());
}

struct Stepping {
    int cameras;
    int from;
    int step;
    int expected;  // checked id afterwards
};

class CameraButtons : public PageTest, public ::testing::WithParamInterface<Stepping> {};

TEST_P(CameraButtons, PreviousAndNextStayWithinTheOpenCameras)
{
    const Stepping s = GetParam();
    numCamera = s.cameras;
    CameraParamsSubWidget panel(nullptr);
    panel.show();
    EXPECT_EQ(panel.cameraButton[2]->isVisible(), s.cameras > 2);
    EXPECT_FALSE(panel.cameraButton[3]->isVisible());
    panel.cameraButton[s.from]->setChecked(true);
    QSignalSpy clicked(panel.cameraGroup, &QButtonGroup::idClicked);
    if (s.step > 0)
        panel.nextButton->click();
    else
        panel.previousButton->click();
    EXPECT_EQ(panel.cameraGroup->checkedId(), s.expected);
    if (s.expected != s.from) {
        ASSERT_EQ(clicked.size(), 1) << "the selection runs as a touch on the camera button";
        EXPECT_EQ(clicked.at(0).at(0).toInt(), s.expected);
    } else {
        EXPECT_TRUE(clicked.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(ByCameraCount, CameraButtons,
                         ::testing::Values(Stepping{1, 0, 1, 0}, Stepping{1, 0, -1, 0}, Stepping{2, 0, 1, 1},
                                           Stepping{2, 1, 1, 1}, Stepping{2, 1, -1, 0}, Stepping{3, 1, 1, 2},
                                           Stepping{3, 2, 1, 2}, Stepping{3, 0, -1, 0}));

TEST_F(CameraPages, FourthCameraButtonWithFourCameras)
{
    numCamera = 4;
    CameraParamsSubWidget panel(nullptr);
    panel.show();
    EXPECT_TRUE(panel.cameraButton[3]->isVisible());
    panel.cameraButton[2]->setChecked(true);
    panel.nextButton->click();
    EXPECT_EQ(panel.cameraGroup->checkedId(), 3);
}

TEST_F(CameraPages, FunctionsRoundTrip)
{
    // Every switch on except display-detail and the measures that would force it.
    paraBak.auto_wdr = 1;
    paraBak.enable_color_camera = 1;
    paraBak.image_trigger = 1;
    paraBak.enable_defect_detect = 1;
    paraBak.enable_ignore_area = 0;
    paraBak.enable_black_area_detect = 0;
    paraBak.enable_similarity_detect = 1;
    paraBak.enable_direction_detect = 0;
    paraBak.prohibit_optimize = 1;
    paraBak.enable_gray_channel = 0;
    paraBak.enable_display_detail = 0;
    paraBak.enable_spot_detect = 0;
    paraBak.enable_manual_edit = 1;
    paraBak.enable_white_area_detect = 0;
    paraBak.enable_white_count_detect = 0;
    const WizardPara before = paraBak;
    CameraFunctionsWidget page(nullptr);
    page.WizardParaInit();
    EXPECT_TRUE(page.externalTrigger->isChecked());
    EXPECT_FALSE(page.grayChannel->isChecked());
    page.accept();
    EXPECT_TRUE(SameRecord(paraBak, before)) << "defect, ignore and similarity do not force display-detail";
}

TEST_F(CameraPages, MeasuresThatNeedTheirParametersTurnDisplayAllOn)
{
    CameraFunctionsWidget page(nullptr);
    for (CheckBox* measure : {page.whiteArea, page.spotDetect, page.blackArea, page.whiteCount, page.blackCount}) {
        paraBak = para;
        paraBak.enable_display_detail = 0;
        page.WizardParaInit();
        for (CheckBox* m : {page.whiteArea, page.spotDetect, page.blackArea, page.whiteCount, page.blackCount})
            m->setChecked(false);
        measure->setChecked(true);
        page.accept();
        EXPECT_EQ(paraBak.enable_display_detail, 1);
        EXPECT_TRUE(page.displayDetail->isChecked()) << "the box stays checked";
    }
    page.whiteArea->setChecked(true);
    page.displayDetail->setChecked(false);
    page.accept();
    EXPECT_EQ(paraBak.enable_white_area_detect, 1);
    EXPECT_EQ(paraBak.enable_display_detail, 1);
}

TEST_F(CameraPages, FactorySwitchTickedWithoutAcceptShowsTheRowsAndSwitchesAtOnce)
{
    paraBak.factory_param = 0;
    QWidget screen;
    auto* camera = new CameraParamsWidget(&screen);
    auto* functions = new CameraFunctionsWidget(&screen);
    auto* advance = new AdvanceFuncWidget(&screen);
    advance->WizardParaInit();
    screen.show();
    EXPECT_FALSE(camera->clarity.slider->isVisible());
    EXPECT_FALSE(functions->whiteArea->isVisible());
    EXPECT_TRUE(camera->subWidget->isVisible()) << "the camera panel is no factory row";

    advance->factoryParam->setChecked(true);  // not accepted: the record still says 0
    camera->hide();
    functions->hide();
    camera->show();
    functions->show();
    EXPECT_EQ(paraBak.factory_param, 0);
    for (const PageSlider* s : {&camera->clarity, &camera->gamma, &camera->truth, &camera->speed})
        EXPECT_TRUE(s->slider->isVisible());
    EXPECT_TRUE(functions->whiteArea->isVisible());
    EXPECT_TRUE(functions->autoShading->isVisible());

    advance->factoryParam->setChecked(false);
    functions->hide();
    functions->show();
    EXPECT_FALSE(functions->whiteArea->isVisible());
}

}  // namespace
