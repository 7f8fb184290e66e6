// Advanced parameter and function pages: round trips, the screen-off bound, the group controls on
// loading and the raw-capture switch that reaches the main window at accept.
#include "settings/pageroundtrip.h"

#include <QComboBox>
#include <QPushButton>
#include <QSlider>

#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "widgets/blineedit.h"
#include "widgets/blinelabel.h"
#include "widgets/checkbox.h"

namespace {

class AdvancedPages : public PageTest {};

TEST_F(AdvancedPages, ParamsRoundTrip)
{
    paraBak.location_adge = 7001;
    paraBak.difference_multiplier = 3;
    paraBak.min_spot = 17;
    paraBak.shape_angle_limit = 123;
    paraBak.location_level = 4321;
    paraBak.auto_cancel_timelen = 987;
    paraBak.max_mold_num = 41;
    paraBak.ng_max_num = 432;
    paraBak.ok_record_max_num = 321;
    const WizardPara before = paraBak;
    AdvanceparamWidget page(nullptr);
    page.WizardParaInit();
    EXPECT_EQ(page.offset.slider->value(), 7001);
    EXPECT_EQ(page.screenOff.value->text(), "4321");
    page.accept();
    EXPECT_TRUE(SameRecord(paraBak, before));
}

TEST_F(AdvancedPages, ScreenOffBelowTenSecondsBecomesTen)
{
    AdvanceparamWidget page(nullptr);
    paraBak.location_level = 5;
    page.WizardParaInit();
    EXPECT_EQ(page.screenOff.slider->value(), 10);
    EXPECT_EQ(page.screenOff.value->text(), "10");
    page.accept();
    EXPECT_EQ(paraBak.location_level, 10);
    for (int v : {1, 9}) {
        page.screenOff.slider->setValue(0);
        page.screenOff.slider->setValue(v);
        EXPECT_EQ(page.screenOff.slider->value(), 10) << v;
    }
    page.screenOff.slider->setValue(0);
    EXPECT_EQ(page.screenOff.value->text(), "0") << "0 means never";
    page.autoLogout.slider->setValue(5);
    EXPECT_EQ(page.autoLogout.slider->value(), 5) << "only the screen-off delay is bounded";
}

TEST_F(AdvancedPages, GroupListShowsTheGroupInForce)
{
    AdvanceparamWidget page(nullptr);
    page.groupList->addItems({"default", "a", "b"});
    para.param_group = 2;
    paraBak.param_group = 0;
    page.groupName->setText("typed");
    page.WizardParaInit();
    EXPECT_EQ(page.groupList->currentIndex(), 2) << "the record in force decides";
    EXPECT_TRUE(page.groupName->text().isEmpty());
}

TEST_F(AdvancedPages, FunctionsRoundTrip)
{
    paraBak.factory_param = 1;
    paraBak.ignore_point_option = 0;
    paraBak.snap_shot = 1;
    paraBak.spare_system6_12 = 0;
    paraBak.enable_screen_alert = 1;
    paraBak.defect_rule_reversed = 0;
    paraBak.auto_region_prompt = 1;
    paraBak.paint_option = 0;
    paraBak.ng_option = 1;
    paraBak.cavity_check_on = 0;
    paraBak.enable_pass_protect = 1;
    paraBak.log_switch = 0;
    paraBak.template_add_option = 1;
    const WizardPara before = paraBak;
    AdvanceFuncWidget page(nullptr);
    page.WizardParaInit();
    EXPECT_TRUE(page.factoryParam->isChecked());
    EXPECT_FALSE(page.useLog->isChecked());
    EXPECT_TRUE(page.addTemplatePassword->isChecked());
    page.accept();
    EXPECT_TRUE(SameRecord(paraBak, before));

    page.stopDetectPassword->setChecked(true);
    page.moldNumber->setChecked(true);
    page.accept();
    EXPECT_EQ(paraBak.spare_system6_12, 1);
    EXPECT_EQ(paraBak.cavity_check_on, 1);
}

TEST_F(AdvancedPages, MaintenanceButtonsExitAndHardwareHidden)
{
    AdvanceFuncWidget page(nullptr);
    page.show();
    EXPECT_TRUE(page.updateButton->isVisible());
    EXPECT_TRUE(page.factoryResetButton->isVisible());
    EXPECT_FALSE(page.exitButton->isVisible());
    EXPECT_FALSE(page.hardwareButton->isVisible());
    EXPECT_EQ(page.hardwareButton->text(), page.factoryResetButton->text());
}

}  // namespace
