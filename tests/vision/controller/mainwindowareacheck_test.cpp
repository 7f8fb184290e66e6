// Resampling's area check inside an open cycle, and the multiple-detection mode's stage outputs:
// a stage's own output stays set until its verdict whatever another stage's pulse or the area
// check's restart does, a machine input that comes while the area check holds the cycle is taken
// after End Set, and a machine cycle under the area check of the NG-pulse mode is not dropped
// while the mould runs free.
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
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"

using namespace cyclewindow;

namespace {

// The verdicts the window logs: "<stage from 1> OK|NG" each.
struct Verdicts {
    static QStringList* seen;
    QStringList lines;
    QtMessageHandler before;
    Verdicts() : before(qInstallMessageHandler(&Take)) { seen = &lines; }
    ~Verdicts()
    {
        qInstallMessageHandler(before);
        seen = nullptr;
    }
    static void Take(QtMsgType, const QMessageLogContext&, const QString& m)
    {
        if (seen && m.startsWith("verdict stage "))
            *seen << m.section(' ', 2, 3);
    }
    std::string Text() const { return lines.join(", ").toStdString(); }
};
QStringList* Verdicts::seen = nullptr;

void Input(int k, bool on)
{
    QMutexLocker lock(pMutexIO);
    if (on)
        gDataIn |= 1 << k;
    else
        gDataIn &= ~(1 << k);
}

void ClearOutputs()
{
    for (int n = 0; n < 9; ++n)
        gpControlIO->IOSetOut(n, 0);
    gpControlIO->IOFlashOut();
}

// Multiple detection with `stages` stages, stage d from the d-th trigger choice (stage 0 from
// input 0, the cycle start), each 0.3 s after its input; no debounce, pre-cut or re-check.
MainWindow* ModeFour(int stages, bool ngPulse)
{
    MainWindow* win = W().win;
    WizardPara& p = *gpWPara;
    p.io_mode = p.io_mode_chosen = 4;
    p.stage_count = stages;
    for (int d = 0; d < 8; ++d) {
        p.stage_delay[d] = 3;
        p.stage_source[d] = d < stages ? d : -1;
        p.stage_input_choice[d] = d;
        p.stage_link[d] = 0;
    }
    p.first_stage_on = 1;
    p.semi_auto = 0;
    p.input_debounce = 0;
    p.enable_trigger_safety = 0;
    p.enable_stop_not_alarm = 0;
    p.enable_cutoff_ontime = 0;
    p.pre_cut = 0;
    p.ng_pulse_mode = ngPulse;
    p.mold_pulse = 10;
    p.thimble_pulse = 10;
    p.is_psw_used = 0;
    DeriveRunMode(p);
    p.front_auto_check_time = 0;
    win->StageCountCheck();
    for (quint32& m : win->detectMask)
        m = 0;
    win->openCycle.Reset();
    win->multiDetect = win->curDetect = gDNum - 1;
    win->repeatInput = -1;
    win->StartDetect();
    for (QTimer* t : {win->showTimer, win->closePulseTimer, win->ngPulseTimer, win->ejectorPulseTimer})
        t->stop();
    ClearOutputs();
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = 0;
    }
    for (int k = 0; k < 8; ++k)
        gpControlIO->IOInTrigger(k);
    return win;
}

// Input k rises and a pass reads it.
void Edge(MainWindow* win, int k)
{
    Input(k, true);
    win->Run();
}

int StageOutput(int d) { return TriggerWiring::Mode4StageOutput(d, gDNum); }
int StageInput(int d) { return gpWPara->stage_trigger_input[d]; }

void EndSet(MainWindow* win) { win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true); }

// No cycle, area check or resampling left for the case after.
void Leave(MainWindow* win)
{
    gFromTrain = 0;
    for (bool& f : win->cycleLost)
        f = false;
    for (auto& v : win->captureFlag)
        for (bool& f : v)
            f = false;
    win->StopDetect();
    win->StartDetect();
    for (quint32& m : win->detectMask)
        m = 0;
    win->ConfirmUnjudged();
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = 0;
    }
    for (int k = 0; k < 8; ++k)
        gpControlIO->IOInTrigger(k);
    gpWPara->io_mode = gpWPara->io_mode_chosen = 0;
    gpWPara->ng_pulse_mode = 0;
    gpWPara->stage_count = 2;
    DeriveRunMode(*gpWPara);
    gDNum = 2;
    win->StageCountCheck();
    for (QTimer* t : {win->showTimer, win->closePulseTimer, win->ngPulseTimer, win->ejectorPulseTimer})
        t->stop();
    ClearOutputs();
}

}  // namespace

// Stage 0 of two takes the last template: its output stays set while its verdict waits for the
// area check, the machine's input for stage 1 that comes and goes under the region page is taken
// after End Set, and stage 1 judges the mould and releases it.
TEST(MainWindowAreaCheck, ModeFourStageThatTookTheLastTemplateKeepsItsOutputAndTheNextInputIsTaken)
{
    MainWindow* win = ModeFour(2, false);
    Verdicts v;
    Edge(win, 0);
    ASSERT_TRUE(win->stageClock.Running(0));
    ASSERT_EQ(Out(StageOutput(0)), 1);
    ASSERT_EQ(Out(StageOutput(1)), 1);
    win->runState = 2;
    win->captureFlag[0][0] = true;
    RunOut(win, 0);
    EXPECT_EQ(Out(StageOutput(0)), 1) << "stage 0's output released before its verdict";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check opens
    ASSERT_EQ(gFromTrain, 1);
    EXPECT_EQ(Out(StageOutput(0)), 1) << "stage 0's output released under the region page";
    Edge(win, StageInput(1));
    Input(StageInput(1), false);
    win->Run();
    EndSet(win);
    EXPECT_EQ(Out(StageOutput(0)), 0) << "stage 0's OK released nothing";
    win->Run();
    EXPECT_TRUE(win->stageClock.Running(1)) << "stage 1's input under the region page was lost; verdicts " << v.Text();
    RunOut(win, 1);
    EXPECT_EQ(v.Text(), "1 OK, 2 OK");
    EXPECT_EQ(Out(0), 0) << "the mould left held";
    EXPECT_FALSE(win->CycleOpen());
    // The next cycle is taken.
    Input(0, false);
    win->Run();
    Edge(win, 0);
    EXPECT_TRUE(win->stageClock.Running(0));
    Leave(win);
}

// NG-pulse mode, stage 0 takes the last template while stage 1 still counts: the pass takes no
// machine cycle until the area check's answer, so the mould is held until End Set, which judges
// both stages and releases it.
TEST(MainWindowAreaCheck, NgPulseModeHoldsTheMouldWhileTheAreaCheckKeepsTheCycle)
{
    MainWindow* win = W().win;
    TwoStages(0, 0, {0, 0}, {3, 3});
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 10;
    gpWPara->is_psw_used = 0;
    win->StageCountCheck();
    for (quint32& m : win->detectMask)
        m = 0;
    win->openCycle.Reset();
    ClearOutputs();
    Verdicts v;
    win->simInput = 0;
    win->Run();
    win->runState = 2;
    win->captureFlag[0][0] = true;
    RunOut(win, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check opens
    ASSERT_EQ(gFromTrain, 1);
    RunOut(win, 1);
    EXPECT_EQ(Out(0), 1) << "the mould runs free while the pass takes no machine cycle";
    EndSet(win);
    EXPECT_EQ(v.Text(), "1 OK, 2 OK");
    EXPECT_EQ(Out(0), 0) << "End Set left the mould held";
    EXPECT_FALSE(win->CycleOpen());
    Leave(win);
}

// NG-pulse mode: stage 0's NG pulse still runs when stage 1 takes the last template; the pulse's
// end under the region page leaves the mould to the area check, whose End Set releases it.
TEST(MainWindowAreaCheck, NgPulsesEndUnderTheAreaCheckLeavesTheMouldHeld)
{
    MainWindow* win = W().win;
    TwoStages(0, 0, {0, 0}, {3, 3});
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 30;
    gpWPara->is_psw_used = 0;
    win->StageCountCheck();
    for (quint32& m : win->detectMask)
        m = 0;
    win->openCycle.Reset();
    ClearOutputs();
    win->simInput = 0;
    win->Run();
    win->MarkCycleNotOK(0);
    RunOut(win, 0);
    win->cycleLost[0] = false;
    ASSERT_TRUE(win->closePulseTimer->isActive());
    win->runState = 2;
    win->captureFlag[0][1] = true;
    RunOut(win, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check opens
    ASSERT_EQ(gFromTrain, 1);
    win->closePulseTimer->stop();
    win->OutTimerNotAllowClose();
    EXPECT_EQ(Out(0), 1) << "the NG pulse's end freed the mould under the area check";
    EndSet(win);
    EXPECT_EQ(Out(0), 0) << "End Set left the mould held";
    Leave(win);
}

namespace {

// Mode 4 with three stages (outputs of stages 0, 1 and 2: 1, 3 and 0), a cycle whose stage 0 is
// judged NG (no picture) or OK now; stages 1 and 2 still wait for their inputs.
MainWindow* StageZeroJudged(bool ngPulse, bool ng)
{
    MainWindow* win = ModeFour(3, ngPulse);
    Edge(win, 0);
    if (ng)
        win->MarkCycleNotOK(0);
    RunOut(win, 0);
    win->cycleLost[0] = false;
    return win;
}

// Stages 1 and 2 judged OK: nothing of the cycle is left held.
void RestJudgedOk(MainWindow* win)
{
    for (int d = 1; d < 3; ++d) {
        Edge(win, StageInput(d));
        RunOut(win, d);
    }
    EXPECT_FALSE(win->CycleOpen());
    EXPECT_EQ(Out(StageOutput(1)), 0);
    EXPECT_EQ(Out(StageOutput(2)), 0) << "the mould left held";
}

}  // namespace

// The NG-pulse mode's outputs (an OK clears output 0, an NG's pulse ends by clearing outputs 0, 1
// and 2) and the NG outputs' pulse of a product NG without alarm: none releases the output of a
// stage still to be judged.
TEST(MainWindowAreaCheck, ModeFourPulsesReleaseNoOutputOfAStageStillToBeJudged)
{
    {
        SCOPED_TRACE("NG pulse of stage 0 and its end");
        MainWindow* win = StageZeroJudged(true, true);
        EXPECT_EQ(Out(StageOutput(2)), 1);
        ASSERT_TRUE(win->closePulseTimer->isActive());
        win->closePulseTimer->stop();
        win->OutTimerNotAllowClose();
        EXPECT_EQ(Out(StageOutput(1)), 1) << "stage 1's output released by stage 0's pulse";
        EXPECT_EQ(Out(StageOutput(2)), 1) << "the last stage's output released by stage 0's pulse";
        RestJudgedOk(win);
        Leave(win);
    }
    {
        SCOPED_TRACE("OK of stage 0 in the NG-pulse mode");
        MainWindow* win = StageZeroJudged(true, false);
        EXPECT_EQ(Out(StageOutput(2)), 1) << "the last stage's output released by stage 0's OK";
        RestJudgedOk(win);
        Leave(win);
    }
    {
        SCOPED_TRACE("NG outputs' pulse of a product NG without alarm, four stages");
        MainWindow* win = ModeFour(4, false);
        gpWPara->enable_stop_not_alarm = 1;
        Edge(win, 0);
        win->MarkCycleNotOK(0);
        RunOut(win, 0);
        win->cycleLost[0] = false;
        ASSERT_TRUE(win->ngPulseTimer->isActive());
        win->ngPulseTimer->stop();
        win->OutTimerOutNG();
        for (int d = 1; d < 4; ++d)
            EXPECT_EQ(Out(StageOutput(d)), 1) << "stage " << d << "'s output released by stage 0's pulse";
        Leave(win);
    }
}
