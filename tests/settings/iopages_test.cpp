// The I/O parameters and functions pages, the I/O grid's widgets and the naming page: what they
// show of the edit copy, what they store back, and the grid's Confirm.
#include <gtest/gtest.h>

#include <cstring>

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "common/programdir.h"
#include "core/globals.h"
#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/customionamewidget.h"
#include "settings/iocheckcombo.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/iowidget.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace {

class IOPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool tableLoaded = false;
        ASSERT_TRUE(InstallProgramImages(dir.path()));
        if (!tableLoaded) {
            Data_Init();
            tableLoaded = true;
        } else {
            LoadSharedPictures();
        }
        savedLan = gLan;
        gLan = 1;
        for (WizardPara* p : {&inForce, &edit}) {
            for (int i = 0; i < 8; ++i) {
                p->stage_source[i] = -1;
                p->stage_input_choice[i] = i;
                p->input_name_choice[i] = i;
                p->output_name_choice[i] = i;
            }
        }
        gpWPara = &inForce;
        gpWParaBak = &edit;
    }
    void TearDown() override
    {
        setModalHook(ModalHook());
        gpWPara = nullptr;
        gpWParaBak = nullptr;
        gLan = savedLan;
    }
    // The record in force and the edit copy agree, as when the settings screen opens.
    void open() { edit = inForce; }
    static bool sameRecord(const WizardPara& a, const WizardPara& b)
    {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
    static void clickRadio(QButtonGroup* g, int id) { QTest::mouseClick(g->button(id), Qt::LeftButton); }

    ProgramDir dir;
    WizardPara inForce;
    WizardPara edit;
    int savedLan = 0;
};

TEST_F(IOPagesTest, TenthsShowAsSecondsAndAreStoredUnchanged)
{
    inForce.pre_cut = 15;
    inForce.input_debounce = 10;
    inForce.input_timeout_len = 250000;   // legal in the record, beyond the slider
    open();
    IOParamsWidget page;
    page.WizardParaInit();
    EXPECT_EQ(page.slider(3)->value(), 15);
    EXPECT_EQ(page.valueLabel(3)->text(), "1.5");
    EXPECT_EQ(page.valueLabel(4)->text(), "1");
    EXPECT_EQ(page.valueLabel(0)->text(), "10000");
    page.accept();
    EXPECT_EQ(edit.pre_cut, 15);
    EXPECT_EQ(edit.input_timeout_len, 250000);
    page.slider(1)->setValue(35);
    EXPECT_EQ(page.valueLabel(1)->text(), "3.5");
    page.accept();
    EXPECT_EQ(edit.thimble_pulse, 35);
}

TEST_F(IOPagesTest, ChoicesWithoutAButtonShowNoneAndAreKept)
{
    inForce.io_mode = inForce.io_mode_chosen = 2;
    inForce.io_sub_mode = 1;
    open();
    IOParamsWidget params;
    IOFunctionsWidget functions;
    params.WizardParaInit();
    EXPECT_EQ(params.procedureGroup()->checkedId(), 2);

    // Next opening: procedure 5, cavity 3, an input 4 use of 7; the buttons of the earlier
    // opening must not stay checked and be stored.
    inForce.io_mode = inForce.io_mode_chosen = 5;
    inForce.io_sub_mode = 3;
    inForce.enable_output_thimble_pulse = 7;
    inForce.output_polarity[0] = 2;
    inForce.mold_cutoff = 3;
    open();
    params.WizardParaInit();
    functions.WizardParaInit();
    EXPECT_EQ(params.procedureGroup()->checkedId(), -1);
    EXPECT_EQ(params.cavityGroup()->checkedId(), -1);
    EXPECT_EQ(functions.input4Group()->checkedId(), -1);
    params.accept();
    functions.accept();
    EXPECT_TRUE(sameRecord(edit, inForce));
    EXPECT_EQ(edit.io_mode_chosen, 5);
    EXPECT_EQ(edit.io_sub_mode, 3);

    clickRadio(params.cavityGroup(), 0);
    params.accept();
    EXPECT_EQ(edit.io_sub_mode, 0);
}

TEST_F(IOPagesTest, ProcedureRadiosShowTheirControls)
{
    IOParamsWidget page;
    // As the settings screen connects them.
    QObject::connect(page.procedureGroup(), &QButtonGroup::idClicked, &page,
                     &IOParamsWidget::showProcedureControls);
    page.WizardParaInit();
    page.resize(1500, 900);
    page.show();
    EXPECT_FALSE(page.cavityCaption()->isVisible());
    clickRadio(page.procedureGroup(), 2);   // Turntable
    EXPECT_TRUE(page.cavityCaption()->isVisible());
    EXPECT_TRUE(page.cavityGroup()->button(1)->isVisible());
    EXPECT_FALSE(page.customIOButton()->isVisible());
    clickRadio(page.procedureGroup(), 0);   // Standard
    EXPECT_FALSE(page.cavityCaption()->isVisible());
    EXPECT_FALSE(page.cavityGroup()->button(0)->isVisible());
    clickRadio(page.procedureGroup(), 4);   // multi-Det
    EXPECT_TRUE(page.cavityCaption()->isVisible());
    EXPECT_FALSE(page.cavityGroup()->button(2)->isVisible());
    EXPECT_TRUE(page.customIOButton()->isVisible());
    EXPECT_TRUE(page.ioNameButton()->isVisible());
    page.accept();
    EXPECT_EQ(edit.io_mode_chosen, 4);
}

TEST_F(IOPagesTest, InitialStatesOfOutputsFiveToNineFollowTheStageCountAndTheFactorySwitch)
{
    inForce.io_mode = 4;
    inForce.stage_count = 6;
    inForce.output_polarity[4] = 1;
    inForce.output_polarity[8] = 5;
    inForce.first_stage_on = 0;
    open();
    bool factory = true;
    IOParamsWidget page;
    page.setFactorySwitch([&factory] { return factory; });
    page.WizardParaInit();
    page.resize(1500, 900);
    page.show();
    EXPECT_TRUE(page.initialStateCaption()->isVisible());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(page.initialStateCombo(i)->isVisible(), i < 3) << "output " << 5 + i;
    EXPECT_EQ(page.initialStateCombo(0)->currentIndex(), 1);
    EXPECT_EQ(page.initialStateCombo(4)->currentIndex(), -1);

    page.initialStateCombo(1)->setCurrentIndex(1);
    page.accept();
    EXPECT_EQ(edit.output_polarity[5], 1);
    EXPECT_EQ(edit.output_polarity[8], 5);
    EXPECT_EQ(edit.first_stage_on, 1);

    factory = false;
    page.hide();
    page.show();
    EXPECT_FALSE(page.initialStateCaption()->isVisible());
    EXPECT_FALSE(page.initialStateCombo(0)->isVisible());

    inForce.io_mode = 0;   // built outside procedure 4: no such row
    IOParamsWidget standard;
    EXPECT_EQ(standard.initialStateCombo(0), nullptr);
}

TEST_F(IOPagesTest, SafetyForInputFourIsStoredAloneAndShownAgain)
{
    inForce.enable_mold_backup = 3;
    open();
    bool factory = false;
    IOFunctionsWidget page;
    page.setFactorySwitch([&factory] { return factory; });
    page.WizardParaInit();
    page.resize(1500, 900);
    page.show();
    EXPECT_FALSE(page.initialStatesShown());
    clickRadio(page.input4Group(), 2);   // "Safety"
    page.initialStateGroup(2)->button(1)->setChecked(true);   // hidden, still stored
    page.functionSwitch(11)->setChecked(true);
    page.accept();
    EXPECT_EQ(edit.enable_output_thimble_pulse, 2);
    EXPECT_EQ(edit.enable_mold_backup, 3);
    EXPECT_EQ(edit.output_polarity[2], 1);
    EXPECT_EQ(edit.no_close_inhibit_at_start, 1);

    inForce = edit;
    page.WizardParaInit();
    EXPECT_EQ(page.input4Group()->checkedId(), 2);
    factory = true;
    page.hide();
    page.show();
    EXPECT_TRUE(page.initialStatesShown());
}

class IOGridWidgetTest : public IOPagesTest {
protected:
    QStringList warnings;
    void catchWarnings()
    {
        setModalHook([this](QDialog& d) {
            if (auto* w = dynamic_cast<WarnBox*>(&d))
                warnings << w->text();
            return 0;
        });
    }
};

TEST_F(IOGridWidgetTest, ConfirmWithTheLastStageUnclaimedWarnsAndWritesNothing)
{
    inForce.stage_count = 3;
    open();
    IOWidget grid(nullptr);
    catchWarnings();
    grid.show();
    QTest::mouseClick(grid.rowWidget(0)->box(0), Qt::LeftButton);
    QTest::mouseClick(grid.rowWidget(1)->box(1), Qt::LeftButton);
    const WizardPara before = edit;
    QTest::mouseClick(grid.confirmButton(), Qt::LeftButton);
    EXPECT_EQ(warnings, QStringList{"No select was made for \r\n the last detection！"});
    EXPECT_TRUE(sameRecord(edit, before));
    EXPECT_TRUE(grid.isVisible());
}

TEST_F(IOGridWidgetTest, TouchesDriveTheRulesAndConfirmWritesTheEditCopy)
{
    inForce.io_mode = 4;
    inForce.stage_count = 4;
    open();
    edit.io_mode_chosen = 4;
    IOWidget grid(nullptr);
    QSignalSpy reCheck(&grid, &IOWidget::reCheckTextChanged);
    QSignalSpy page(&grid, &IOWidget::pageRequested);
    grid.show();
    grid.countCombo()->setCurrentIndex(1);   // N = 3
    EXPECT_FALSE(grid.rowWidget(3)->isVisible());
    EXPECT_FALSE(grid.rowWidget(0)->box(3)->isVisible());
    QTest::mouseClick(grid.rowWidget(1)->box(1), Qt::LeftButton);
    EXPECT_FALSE(grid.rowWidget(0)->box(1)->isEnabled());
    EXPECT_FALSE(grid.rowWidget(2)->box(0)->isEnabled());
    EXPECT_TRUE(grid.rowWidget(2)->box(2)->isEnabled());
    QTest::mouseClick(grid.rowWidget(0)->box(0), Qt::LeftButton);
    QTest::mouseClick(grid.rowWidget(2)->box(2), Qt::LeftButton);
    grid.rowWidget(0)->triggerCombo()->activated(1);
    EXPECT_EQ(grid.rowWidget(1)->triggerCombo()->count(), 2);   // inputs 1..2
    EXPECT_EQ(grid.rowWidget(1)->triggerCombo()->itemText(0), "clo door");
    grid.rowWidget(2)->cutCombo()->activated(2);
    QTest::mouseClick(grid.confirmButton(), Qt::LeftButton);

    EXPECT_FALSE(grid.isVisible());
    EXPECT_EQ(edit.stage_count, 3);
    EXPECT_EQ(edit.stage_source[0], 0);
    EXPECT_EQ(edit.stage_source[1], 1);
    EXPECT_EQ(edit.stage_source[2], 2);
    EXPECT_EQ(edit.stage_source[3], -1);
    EXPECT_EQ(edit.stage_input_choice[0], 1);
    EXPECT_EQ(edit.stage_link[2], 2);
    ASSERT_EQ(reCheck.size(), 1);
    EXPECT_EQ(reCheck[0][0].toString(), "re-detect 3rd");
    ASSERT_EQ(page.size(), 1);
    EXPECT_EQ(page[0][0].toInt(), 9);

    // A declined accept puts the edit copy back; the grid keeps what the operator set.
    edit = inForce;
    grid.show();
    EXPECT_EQ(grid.countCombo()->currentIndex(), 1);
    EXPECT_TRUE(grid.rowWidget(2)->box(2)->isChecked());
}

TEST_F(IOGridWidgetTest, NamingPageRenamesTheGridsInputsAndColumns)
{
    inForce.stage_count = 4;
    for (int& choice : inForce.stage_input_choice)
        choice = 0;
    open();
    IOWidget grid(nullptr);
    CustomIONameWidget names(nullptr);
    names.attach(nullptr, &grid);
    names.init();
    EXPECT_EQ(names.inputCombo(0)->currentText(), "Mol op");
    names.inputCombo(0)->setCurrentIndex(7);    // "Res but"
    names.outputCombo(0)->setCurrentIndex(8);   // "Al thread"
    grid.rowWidget(2)->triggerCombo()->activated(1);   // row 3 now offers inputs from 1 on
    QTest::mouseClick(names.confirmButton(), Qt::LeftButton);

    EXPECT_EQ(grid.rowWidget(0)->triggerCombo()->itemText(0), "Res but");
    EXPECT_EQ(grid.rowWidget(1)->triggerCombo()->itemText(0), "Res but");
    EXPECT_EQ(grid.rowWidget(2)->triggerCombo()->itemText(0), "Res but");
    EXPECT_EQ(grid.rowWidget(3)->triggerCombo()->itemText(0), "clo door");
    EXPECT_EQ(grid.rowWidget(0)->box(3)->text(), "Al thread");
    EXPECT_EQ(grid.rowWidget(3)->box(3)->text(), "Al thread");
    EXPECT_EQ(edit.input_name_choice[0], 7);
    EXPECT_EQ(edit.output_name_choice[0], 8);
    EXPECT_FALSE(names.isVisible());
}

TEST_F(IOGridWidgetTest, TraditionalChineseSlotCaptionsAreTheSimplifiedOnes)
{
    gLan = 2;
    CustomIONameWidget names(nullptr);
    const QStringList digits = {"1", "3", "4", "5", "6", "7", "8", "9"};
    for (int j = 0; j < 8; ++j) {
        EXPECT_EQ(names.inputCaption(j)->text(), QString::fromUtf8("输入 ") + digits[j]);
        EXPECT_EQ(names.inputCombo(j)->itemText(0), QString::fromUtf8("開模到位"));
    }
    EXPECT_EQ(names.outputCaption(2)->text(), QString::fromUtf8("输出 4"));
}

}  // namespace
