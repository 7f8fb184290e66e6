// The multiple-detection mode's stage outputs: a stage's own output stays set until its verdict
// whatever the area check's restart or another stage's pulse does, and a machine input that
// comes while the area check holds the cycle is taken after End Set.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMutexLocker>
#include <QTimer>

#include "common/cyclewindow.h"
#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/regioption.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"

using namespace cyclewindow;

namespace {

void Input(int k, bool on)
{
    QMutexLocker lock(pMutexIO);
    gDataIn = on ? gDataIn | (1 << k) : gDataIn & ~(1 << k);
}

// Input k rises and a pass reads it.
void Edge(MainWindow* win, int k)
{
    Input(k, true);
    win->Run();
}

int StageOutput(int d) { return TriggerWiring::Mode4StageOutput(d, gDNum); }
int StageInput(int d) { return gpWPara->stage_trigger_input[d]; }

// Multiple detection with `stages` stages, stage d from the d-th trigger choice (stage 0 from
// input 0), each 0.3 s after its input; or back to two standard stages (0). No output set.
MainWindow* ModeFour(int stages, bool ngPulse = false, bool stopNotAlarm = false)
{
    MainWindow* win = W().win;
    WizardPara& p = *gpWPara;
    TwoStages(stages ? 4 : 0, 0, {0, 0}, {3, 3});
    p.io_mode_chosen = p.io_mode;
    p.stage_count = stages ? stages : 2;
    for (int d = 0; d < 8; ++d) {
        p.stage_delay[d] = 3;
        p.stage_source[d] = d;
        p.stage_input_choice[d] = d;
        p.stage_link[d] = 0;
    }
    p.ng_pulse_mode = ngPulse;
    p.enable_stop_not_alarm = stopNotAlarm;
    p.mold_pulse = p.thimble_pulse = 10;
    DeriveRunMode(p);
    p.front_auto_check_time = 0;
    win->StageCountCheck();
    win->StopDetect();
    win->StartDetect();
    gFromTrain = 0;
    for (quint32& m : win->detectMask)
        m = 0;
    for (QTimer* t : {win->showTimer, win->closePulseTimer, win->ngPulseTimer})
        t->stop();
    for (int n = 0; n < 9; ++n)
        gpControlIO->IOSetOut(n, 0);
    gpControlIO->IOFlashOut();
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = 0;
    }
    for (int k = 0; k < 8; ++k)
        gpControlIO->IOInTrigger(k);
    return win;
}

}  // namespace

// Stage 0 of two takes the last template: its output stays set while its verdict waits for the
// area check, the input of stage 1 that comes and goes under the region page is taken after End
// Set, and stage 1's OK releases the mould; the next cycle starts.
TEST(MainWindowAreaCheck, ModeFourStageThatTookTheLastTemplateKeepsItsOutputAndTheNextInputIsTaken)
{
    MainWindow* win = ModeFour(2);
    Edge(win, 0);
    win->runState = 2;
    win->captureFlag[0][0] = true;
    RunOut(win, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check opens
    ASSERT_EQ(gFromTrain, 1);
    EXPECT_EQ(Out(StageOutput(0)), 1) << "stage 0's output released before its verdict";
    Edge(win, StageInput(1));
    Input(StageInput(1), false);
    win->Run();
    win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
    EXPECT_EQ(Out(StageOutput(0)), 0);
    win->Run();
    EXPECT_TRUE(win->stageClock.Running(1)) << "stage 1's input under the region page was lost";
    RunOut(win, 1);
    EXPECT_EQ(Out(0), 0) << "the mould left held";
    EXPECT_FALSE(win->CycleOpen());
    Input(0, false);
    win->Run();
    Edge(win, 0);
    EXPECT_TRUE(win->stageClock.Running(0)) << "the next cycle refused";
    ModeFour(0);
}

// Stage 0's OK in the NG-pulse mode (which clears output 0), and the end of its NG outputs' pulse
// without alarm (which clears outputs 1 and 4 to 7): the later stages' outputs stay set until
// their own verdicts.
TEST(MainWindowAreaCheck, ModeFourPulsesReleaseNoOutputOfAStageStillToBeJudged)
{
    for (const bool ngPulse : {true, false}) {
        SCOPED_TRACE(ngPulse ? "OK in the NG-pulse mode" : "the NG outputs' pulse ends");
        const int stages = ngPulse ? 3 : 4;
        MainWindow* win = ModeFour(stages, ngPulse, !ngPulse);
        Edge(win, 0);
        if (!ngPulse)
            win->MarkCycleNotOK(0);
        RunOut(win, 0);
        win->cycleLost[0] = false;
        if (!ngPulse) {
            ASSERT_TRUE(win->ngPulseTimer->isActive());
            win->ngPulseTimer->stop();
            win->OutTimerOutNG();
        }
        for (int d = 1; d < stages; ++d)
            EXPECT_EQ(Out(StageOutput(d)), 1) << "stage " << d << "'s output released before its verdict";
        for (int d = 1; d < stages; ++d) {
            Edge(win, StageInput(d));
            RunOut(win, d);
        }
        EXPECT_FALSE(win->CycleOpen());
        EXPECT_EQ(Out(0), 0) << "the mould left held";
        ModeFour(0);
    }
}
