// The settings accepted through the screen's I/O mode step while a cycle waits for the input of
// its next stage, and the new record starts that stage by another input: the operator is told,
// the mould stays held and the confirmation releases it.
#include <gtest/gtest.h>

#include <QTimer>

#include "common/cyclewindow.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/settingschange.h"
#include "settings/settingshost.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "widgets/warnbox.h"

using namespace cyclewindow;

namespace {

// Mode `mode` (cavity `sub` in the paired modes), semi-automatic: the mould stage waits for
// input 2 once the prod stage is judged. The cycle state belongs to this record.
MainWindow* SemiAutomatic(int mode, int sub)
{
    MainWindow* win = W().win;
    WizardPara& p = *gpWPara;
    p.io_mode = p.io_mode_chosen = mode;
    p.io_sub_mode = sub;
    p.semi_auto = 1;
    p.first_stage_on = 1;
    p.stage_delay[0] = 3;
    p.stage_delay[1] = 5;
    p.input_debounce = 0;
    p.enable_trigger_safety = 0;
    p.enable_stop_not_alarm = 0;
    p.ng_pulse_mode = 0;
    p.pre_cut = 0;
    p.no_close_inhibit_at_start = 0;
    p.front_auto_check_time = 0;
    p.is_psw_used = 0;
    DeriveRunMode(p);
    win->StageCountCheck();
    win->showTimer->stop();
    for (int n = 0; n < 8; ++n)
        gpControlIO->IOSetOut(n, 0);
    return win;
}

// The accept's I/O mode step with the mode kept, semi-automatic `semi` and cavity `sub`.
void Accept(int semi, int sub)
{
    WizardPara edited = *gpWPara;
    edited.semi_auto = semi;
    edited.io_sub_mode = sub;
    SettingsHost host;
    ASSERT_FALSE(IoModeStep(edited, gpWPara->io_mode, host));
    *gpWPara = edited;
}

void ExpectToldHeldAndReleasedByTheConfirmation(MainWindow* win)
{
    win->Run();
    ASSERT_GE(win->unjudgedStage, 0) << "the operator was not told";
    EXPECT_EQ(Out(0), 1);
    ASSERT_NE(win->faultBox, nullptr);
    EXPECT_TRUE(win->faultBox->isVisible());
    EXPECT_EQ(win->faultBox->text().toStdString(),
              gaLanStr[619 * LAN_COUNT + gLan].arg(win->unjudgedStage + 1).toStdString());
    win->ConfirmUnjudged();
    EXPECT_EQ(Out(0), 0);
    EXPECT_FALSE(win->CycleOpen());
}

void Leave(MainWindow* win)
{
    win->StopDetect();
    win->StartDetect();
    for (quint32& m : win->detectMask)
        m = 0;
    win->ConfirmUnjudged();
    gpWPara->io_mode = gpWPara->io_mode_chosen = 0;
    gpWPara->semi_auto = 0;
    DeriveRunMode(*gpWPara);
    gDNum = 2;
    win->StageCountCheck();
    EXPECT_EQ(win->unjudgedStage, -1);
}

}  // namespace

// Standard mode: with semi-automatic off, input 2 starts no stage any more.
TEST(MainWindowSettingsAccept, SemiAutomaticSwitchedOffWhileTheMouldStageWaitsForInputTwo)
{
    MainWindow* win = SemiAutomatic(0, 0);
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    ASSERT_NE(win->detectMask[1], 0u) << "the mould stage does not wait for its input";
    ASSERT_EQ(Out(0), 1);
    Accept(0, 0);
    ExpectToldHeldAndReleasedByTheConfirmation(win);
    Leave(win);
}

// Turntable, both sides: the second side's cycle waits for input 2 when the cavity is changed
// to the first side alone (the second side's stages are off).
TEST(MainWindowSettingsAccept, TurntableCavityChangedWhileTheSecondSideWaitsForInputTwo)
{
    MainWindow* win = SemiAutomatic(2, 2);
    ASSERT_EQ(gDNum, 4);
    win->simInput = 3;
    win->Run();
    ASSERT_EQ(win->side, 0);
    RunOut(win, 0);
    ASSERT_NE(win->detectMask[1], 0u) << "the mould stage does not wait for its input";
    ASSERT_EQ(Out(0), 1);
    Accept(1, 0);
    ExpectToldHeldAndReleasedByTheConfirmation(win);
    Leave(win);
}
