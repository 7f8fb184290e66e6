// The order of a cycle's stages inside the main window built as at start-up (no camera, no
// board): no stage is judged before its delay or without an inspection, the mould is released
// only when every stage is judged, and a re-check or a release waiting for another stage is
// never lost.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QStackedWidget>
#include <QTimer>
#include <array>
#include <limits>

#include "common/cyclewindow.h"
#include "common/programdir.h"
#include "common/waituntil.h"
#include "platform/camsdk/camsim.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "statistics/resstatisticsparam.h"
#include "common/recorddb.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/regioption.h"
#include "mainscreen/viewhost.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"
#include "vision/inspection/cammersingleton.h"
#include "settings/settingschange.h"
#include "settings/settingshost.h"
#include "vision/records/dayrotation.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

using namespace cyclewindow;

namespace {

// Standard mode, both stages on input 0, the second counted from the same edge: 0.3 s and 0.8 s.
void TwoStagesOnInputZero()
{
    WizardPara& p = *gpWPara;
    p.io_mode = 0;
    p.semi_auto = 0;
    p.first_stage_on = 1;
    p.stage_enabled[0] = p.stage_enabled[1] = 1;
    p.stage_trigger_input[0] = p.stage_trigger_input[1] = 0;
    p.stage_delay[0] = 3;
    p.stage_delay[1] = 5;
    p.input_debounce = 0;
    p.enable_trigger_safety = 0;
    // Set up as a start would: the cycle state belongs to these inputs, so the pass does not read
    // the change as inputs changed under whatever cycle the test before left.
    if (gpWin)
        gpWin->cycleInputs = TriggerWiring::StageInputs(p);
}

}  // namespace

TEST(MainWindowCycleRestart, ARestartWithoutAnOpenCycleIsDroppedAndNeverShortensTheNextCycle)
{
    MainWindow* win = W().win;
    TwoStagesOnInputZero();
    // As a stage-0 alarm after a product snapshot leaves it: no cycle open.
    for (quint32& m : win->detectMask)
        m = 0;
    win->simInput = 1;
    win->restartDetect = 1;
    win->Run();
    EXPECT_EQ(win->restartDetect, -1);
    EXPECT_FALSE(win->stageTimer[1]->isActive());
    // The next machine cycle: stage 1 keeps the delay counted from the edge.
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(0), 3);
    EXPECT_EQ(win->stageClock.Remaining(1), 8);
}

TEST(MainWindowCycleRestart, ARestartInsideTheOpenCycleStartsTheStageWithItsOwnDelay)
{
    MainWindow* win = W().win;
    TwoStagesOnInputZero();
    win->simInput = 0;
    win->Run();
    ASSERT_NE(win->detectMask[1], 0u);
    win->stageClock.StopAll();
    // The alarm on stage 0 released: stage 1 restarts on the simulated input with its own delay.
    win->simInput = 1;
    win->restartDetect = 1;
    win->Run();
    EXPECT_EQ(win->restartDetect, -1);
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 5);
}

TEST(MainWindowCycleSafety, TriggerSafetyJudgesTheLastStageAtOnceWhileItsDelayRuns)
{
    MainWindow* win = W().win;
    TwoStagesOnInputZero();
    gpWPara->enable_trigger_safety = 1;
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    ASSERT_EQ(win->stageClock.Remaining(1), 8);
    win->simInput = 1;
    win->Run();
    EXPECT_FALSE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 0);
    EXPECT_EQ(win->curDetect, 1);
    EXPECT_EQ(win->displayState, 2);
}

namespace {

// Drives the stage timers on a stage clock held by the test: every timer that runs is woken
// each 10 ms of that clock, as a busy event loop would wake it, late or early.
struct HeldClock {
    MainWindow* win;
    std::function<qint64()> before;
    qint64 ms = 0;
    explicit HeldClock(MainWindow* w) : win(w), before(w->stageClock.now)
    {
        win->stageClock.now = [this] { return ms; };
    }
    ~HeldClock() { win->stageClock.now = before; }
    // Runs the clock to `until`; returns the time stage d was judged (its timer stopped), -1.
    qint64 RunTo(qint64 until, int d)
    {
        qint64 judged = -1;
        while (ms < until) {
            ms += 10;
            for (int j = 0; j < MAX_DETECT; ++j)
                if (win->stageTimer[j]->isActive())
                    win->StageTimerTick(j);
            if (judged < 0 && !win->stageTimer[d]->isActive())
                judged = ms;
        }
        return judged;
    }
};

} // namespace

// Start Detection (also the end of a resampling) and a hold left by an OK verdict clear every
// stage's countdown: a stage whose delay runs then is judged when that delay has run, never
// left with its timer spinning and the mould held.
TEST(MainWindowCycleClock, AStageWhoseCountdownIsClearedWhileItsDelayRunsIsJudgedAtItsOwnTime)
{
    MainWindow* win = W().win;
    for (const char* caller : {"start detection", "run reset"}) {
        SCOPED_TRACE(caller);
        TwoStagesOnInputZero();
        HeldClock clock(win);
        win->simInput = 0;
        win->Run();
        ASSERT_TRUE(win->stageTimer[1]->isActive());
        ASSERT_EQ(clock.RunTo(300, 0), 300);  // stage 0 judged after its 0.3 s
        ASSERT_TRUE(win->stageTimer[1]->isActive());
        clock.RunTo(450, 1);
        if (std::string(caller) == "start detection")
            win->StartDetect();
        else
            win->ResetRun();
        const qint64 judged = clock.RunTo(2000, 1);
        EXPECT_EQ(judged, 800) << "stage 1's 0.8 s delay";
        EXPECT_EQ(win->curDetect, 1);
        for (QTimer* t : win->stageTimer)
            EXPECT_FALSE(t->isActive()) << "a stage timer runs with no verdict to come";
    }
}

// Stop ends every delay with its timer; a stage started again while it runs counts its delay anew
// and is judged once.
TEST(MainWindowCycleClock, StopAndARestartLeaveNoTimerWithoutATickToCome)
{
    MainWindow* win = W().win;
    TwoStagesOnInputZero();
    HeldClock clock(win);
    win->simInput = 0;
    win->Run();
    clock.RunTo(200, 1);
    win->SetStopDetect();
    for (QTimer* t : win->stageTimer)
        EXPECT_FALSE(t->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 0);
    win->StartDetect();
    win->simInput = 0;
    win->Run();
    clock.RunTo(500, 1);
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    win->stageClock.Start(1, 5);  // again, from 500 ms
    EXPECT_EQ(clock.RunTo(2000, 1), 1000);
    for (QTimer* t : win->stageTimer)
        EXPECT_FALSE(t->isActive());
}

TEST(MainWindowCycleLostCamera, ALostCameraMakesTheStageNgNeverOk)
{
    MainWindow* win = W().win;
    TwoStagesOnInputZero();
    gpWPara->stage_delay[0] = 0;
    gpWPara->front_auto_check_time = 0;
    win->simInput = 0;
    win->Run();  // stage 0 judged at once: OK, nothing in view 0's regions
    ASSERT_TRUE(win->cammerWidget[0]->isOK);
    ASSERT_NE(win->alarmState, 2);
    // The camera recovery marks every view when a camera is lost during stage 1's delay.
    cameraHost()->markCycleNotOK(0);
    win->TimerUp(1);
    for (int i = 0; i < 10 && win->stageTimer[1]->isActive(); ++i)
        win->TimerUp(1);
    EXPECT_FALSE(win->cammerWidget[0]->isOK);
    EXPECT_EQ(win->alarmState, 2);
}

namespace {

// No cycle open and no output held, whatever a test before left.
void IdleCycle(MainWindow* win)
{
    win->StageCountCheck();
    for (quint32& m : win->detectMask)
        m = 0;
    for (int& n : win->reCheckCount)
        n = 0;
    win->releaseDue = false;
    win->showTimer->stop();
    for (QTimer* t : {win->ngPulseTimer, win->closePulseTimer, win->ejectorPulseTimer})
        t->stop();
    for (int n = 0; n < 8; ++n)
        gpControlIO->IOSetOut(n, 0);
    gpControlIO->IOFlashOut();
}

// Turntable, first pair, both stages from input 0 with their own delays, the prod stage's the
// longer: 0.8 s and 0.3 s. Two automatic re-checks of the mould stage; a prod NG only pulses.
void TurntableWithTheProdStageLast(MainWindow* win)
{
    TwoStages(2, 0, {0, 0}, {8, 3});
    gpWPara->io_sub_mode = 0;
    gpWPara->enable_stop_not_alarm = 1;
    gpWPara->front_auto_check_time = 2;
    gDNum = 4;
    IdleCycle(win);
}

}  // namespace

TEST(MainWindowCycleSafety, LeavingAStageZeroAlarmRestartsStageOneWithItsDelayNotAsTheSafetyInput)
{
    MainWindow* win = W().win;
    TwoStagesOnInputZero();
    gpWPara->enable_trigger_safety = 1;
    gpWPara->front_auto_check_time = 0;
    IdleCycle(win);
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    cameraHost()->markCycleNotOK(0);  // the part is in view
    RunOut(win, 0);
    ASSERT_EQ(win->alarmState, 2);
    // The part is gone; the machine's re-check ends the hold and plans stage 1's restart.
    win->cycleLost[0] = false;
    win->simInput = 1;
    win->Run();
    ASSERT_NE(win->alarmState, 2);
    ASSERT_EQ(Out(0), 1);
    win->Run();
    EXPECT_TRUE(win->stageTimer[1]->isActive()) << "stage 1 judged at once as if input 1 had fired";
    EXPECT_EQ(win->stageClock.Remaining(1), 5);
    EXPECT_EQ(win->restartDetect, -1);
    EXPECT_EQ(Out(0), 1) << "the mould released before stage 1's delay";
    RunOut(win, 1);
    EXPECT_EQ(win->curDetect, 1);
    EXPECT_EQ(Out(0), 0);
    // The safety input itself still judges the running stage at once.
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    win->simInput = 1;
    win->Run();
    EXPECT_FALSE(win->stageTimer[1]->isActive());
}

TEST(MainWindowCycleOrder, AProdNgWithoutAlarmLeavesTheMouldStagesReCheckItsOwn)
{
    MainWindow* win = W().win;
    TurntableWithTheProdStageLast(win);
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[0]->isActive() && win->stageTimer[1]->isActive());
    // The mould stage is NG with re-checks left; the prod stage's NG comes before its re-check.
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_EQ(win->reCheckFlag, 1);
    ASSERT_EQ(Out(0), 1);
    RunOut(win, 0);
    ASSERT_NE(win->alarmState, 2);
    // The part is gone: the re-check finds the mould empty and releases it.
    win->cycleLost[0] = false;
    for (int pass = 0; pass < 3; ++pass)
        win->Run();
    EXPECT_EQ(win->reCheckFlag, 0) << "every later pass drops every edge";
    EXPECT_EQ(Out(0), 0);
    // The next cycle starts.
    win->simInput = 0;
    win->Run();
    EXPECT_TRUE(win->stageTimer[0]->isActive());
    EXPECT_EQ(Out(0), 1);
}

TEST(MainWindowCycleOrder, AProdOkDoesNotAbandonTheMouldStagesReCheck)
{
    MainWindow* win = W().win;
    TurntableWithTheProdStageLast(win);
    win->simInput = 0;
    win->Run();
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_EQ(win->reCheckFlag, 1);
    win->cycleLost[0] = false;  // the prod stage is OK
    RunOut(win, 0);
    ASSERT_NE(win->alarmState, 2);
    EXPECT_EQ(win->reCheckFlag, 1) << "the prod stage's OK abandoned the mould stage's re-check";
    // The part is still in the mould: the last re-check holds it with the alarm.
    cameraHost()->markCycleNotOK(0);
    for (int pass = 0; pass < 4 && win->alarmState != 2; ++pass)
        win->Run();
    EXPECT_EQ(win->alarmState, 2) << "the mould left inhibited with no alarm";
    EXPECT_EQ(Out(0), 1);
    win->cycleLost[0] = false;
    win->StartDetect();
}

TEST(MainWindowCycleOrder, AReleaseHeldForTheProdStageComesWithItsNgWithoutAlarm)
{
    MainWindow* win = W().win;
    TurntableWithTheProdStageLast(win);
    win->simInput = 0;
    win->Run();
    RunOut(win, 1);  // the mould stage OK while the prod stage counts
    ASSERT_EQ(win->curDetect, 1);
    ASSERT_TRUE(win->releaseDue);
    ASSERT_EQ(Out(0), 1);
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 0);  // the prod stage NG: pulses, no alarm
    ASSERT_NE(win->alarmState, 2);
    EXPECT_EQ(Out(0), 0) << "the mould left inhibited with no alarm";
    EXPECT_FALSE(win->releaseDue);
    win->cycleLost[0] = false;
}

namespace {

// Standard, semi-automatic: stage 0 from input 0 (0.3 s), stage 1 from input 2 (0.5 s).
void SemiAutomatic(MainWindow* win)
{
    TwoStages(0, 1, {0, 2}, {3, 5});
    IdleCycle(win);
}

}  // namespace

TEST(MainWindowCycleOrder, EndSetOfTheAreaCheckKeepsTheMouldForAStageStillCounting)
{
    MainWindow* win = W().win;
    SemiAutomatic(win);
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    ASSERT_EQ(Out(0), 1);
    // The resampling's last template was stage 0's: the area check opens, the cycle goes on.
    win->CheckArea(false);
    ASSERT_EQ(gFromTrain, 1);
    win->simInput = 2;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
    EXPECT_EQ(gFromTrain, 0);
    EXPECT_EQ(win->runState, 1);
    EXPECT_EQ(Out(0), 1) << "End Set released the mould while stage 1 counts";
    RunOut(win, 1);
    EXPECT_EQ(win->curDetect, 1);
    EXPECT_EQ(Out(0), 0) << "stage 1's OK released nothing";
    // With no cycle open End Set releases the mould the end of resampling held.
    gpControlIO->IOSetOut(0, 1);
    win->CheckArea(false);
    win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
    EXPECT_EQ(Out(0), 0);
}

TEST(MainWindowCycleOrder, AMouldSnapshotIsRefusedWhileTheOpenCycleStillWaitsForTheStage)
{
    MainWindow* win = W().win;
    SemiAutomatic(win);
    win->simInput = 0;
    win->Run();
    win->curDetect = 0;
    // During stage 0's delay, then after its verdict before input 2.
    for (const bool judged : {false, true}) {
        if (judged)
            RunOut(win, 0);
        win->manualDetect = 1;
        win->Run();
        EXPECT_EQ(win->manualDetect, gDNum);
        EXPECT_EQ(win->curDetect, 0) << "stage 1 judged on a picture before ejection, judged " << judged;
        EXPECT_NE(win->detectMask[1], 0u) << judged;
        EXPECT_EQ(Out(0), 1) << judged;
    }
    // Input 2 starts stage 1 with its delay; its verdict releases the mould.
    win->simInput = 2;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 5);
    RunOut(win, 1);
    EXPECT_EQ(win->curDetect, 1);
    EXPECT_EQ(Out(0), 0);
    // Outside a cycle the snapshot is judged at once.
    win->showTimer->stop();
    win->curDetect = 0;
    win->manualDetect = 1;
    win->Run();
    EXPECT_EQ(win->curDetect, 1);
}

TEST(MainWindowCycleOrder, ReDetectedIsDroppedWhenTheMachineEndedTheHoldDuringItsSaveQuestion)
{
    Window& w = W();
    MainWindow* win = w.win;
    TwoStagesOnInputZero();
    gpWPara->front_auto_check_time = 0;
    IdleCycle(win);
    AlarmOnStageOne(win);
    ASSERT_EQ(win->alarmState, 2);
    ASSERT_EQ(win->curDetect, 1);
    CammerWidget* view = win->cammerWidget[0];
    ASSERT_TRUE(view->modelEdit && view->modelInForce);
    view->modelEdit->roiNum[7] += 1;  // an unsaved edit on the alarm page
    // While the save question is open the machine re-checks (the part is gone) and starts the
    // next cycle.
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0)
            PartGoneAndNextCycle(win);
        return int(QDialog::Rejected);
    });
    win->drawROIWidget->SlotReCheck();
    setModalHook(before);
    *view->modelEdit = *view->modelInForce;
    ASSERT_EQ(asked, 1);
    EXPECT_NE(win->alarmState, 2);
    EXPECT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 8) << "the new cycle's countdown was cleared";
    EXPECT_NE(win->detectMask[1], 0u) << "the new cycle's stage 1 is no longer awaited";
    EXPECT_EQ(Out(0), 1);
}

TEST(MainWindowCycleOrder, AStageExpiringWhileTheAreaCheckAsksForThePasswordIsInspectedAndJudged)
{
    Window& w = W();
    MainWindow* win = w.win;
    TwoStagesOnInputZero();
    gpWPara->front_auto_check_time = 0;
    gpWPara->is_psw_used = 1;
    IdleCycle(win);
    win->simInput = 0;
    win->Run();
    // Resampling: stage 1's template is taken, stage 0's is the last.
    win->runState = 2;
    win->captureFlag[0][0] = true;
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0) {
            cameraHost()->markCycleNotOK(0);  // stage 1 expires with the part still in the mould
            RunOut(win, 1);
        }
        return int(QDialog::Rejected);
    });
    RunOut(win, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check
    setModalHook(before);
    gpWPara->is_psw_used = 0;
    win->captureFlag[0][0] = false;
    EXPECT_EQ(asked, 1) << "a second area check opened under the first";
    EXPECT_EQ(win->alarmState, 2) << "stage 1 judged without an inspection";
    EXPECT_EQ(Out(0), 1);
    EXPECT_EQ(gFromTrain, 0);
    win->cycleLost[0] = false;
    win->StartDetect();
}

TEST(MainWindowCycleOrder, DontDetectIsDroppedWhenTheMachineEndedTheHoldDuringItsQuestion)
{
    Window& w = W();
    MainWindow* win = w.win;
    TwoStagesOnInputZero();
    gpWPara->front_auto_check_time = 0;
    gpWPara->enable_pass_protect = 0;
    gpWPara->enable_disarm_before_open = 0;
    IdleCycle(win);
    AlarmOnStageOne(win);
    ASSERT_EQ(win->alarmState, 2);
    win->selectedView = 0;  // camera 1 shown alone on the alarm page
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0)
            PartGoneAndNextCycle(win);
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotNoCheckCur();
    setModalHook(before);
    ASSERT_EQ(asked, 1);
    EXPECT_NE(win->alarmState, 2);
    EXPECT_FALSE(win->cammerWidget[0]->stageCycleFlags[1]) << "the next mould is not detected by camera 1";
    EXPECT_NE(win->detectMask[1], 0u);
    EXPECT_EQ(win->stageClock.Remaining(1), 8);
    EXPECT_EQ(Out(0), 1);
    win->selectedView = numCamera;
}

// Only stage 1 is re-checked automatically: a stage-0 NG is final and holds the mould with the
// alarm at once, so stage 1's OK cannot come before it, whether its delay runs out or trigger
// safety judges the cycle's stages in order.
TEST(MainWindowCycleReCheck, AStageZeroNgHoldsAtOnceSoStageOnesOkNeverReleases)
{
    MainWindow* win = W().win;
    for (const bool safety : {false, true}) {
        SCOPED_TRACE(safety ? "trigger safety" : "delays");
        TwoStagesOnInputZero();
        gpWPara->front_auto_check_time = 2;
        gpWPara->enable_stop_not_alarm = 0;
        gpWPara->ng_pulse_mode = 0;
        gpWPara->pre_cut = 0;
        gpWPara->enable_trigger_safety = safety;
        IdleCycle(win);
        win->simInput = 0;
        win->Run();
        ASSERT_TRUE(win->stageTimer[0]->isActive() && win->stageTimer[1]->isActive());
        cameraHost()->markCycleNotOK(0);
        if (safety) {
            win->simInput = 1;
            win->Run();
        } else {
            RunOut(win, 0);
        }
        EXPECT_EQ(win->alarmState, 2);
        EXPECT_EQ(win->reCheckFlag, 0);
        EXPECT_EQ(win->curDetect, 0);
        EXPECT_FALSE(win->stageTimer[1]->isActive()) << "stage 1 still counts in the hold";
        // The part leaves the view; without the machine's re-check stage 1 is never judged.
        win->cycleLost[0] = false;
        for (int pass = 0; pass < 3; ++pass)
            win->Run();
        EXPECT_EQ(win->curDetect, 0);
        EXPECT_EQ(Out(0), 1) << "the mould released after a stage-0 NG";
        win->StartDetect();
    }
}

namespace {

// Stage 1 judged before stage 0 with two automatic re-checks: standard mode with both stages on
// input 0 (stage 0 0.8 s, stage 1 0.3 s), or the turntable with the prod stage last.
void StageOneFirstWithReChecks(MainWindow* win, bool turntable)
{
    if (turntable) {
        TurntableWithTheProdStageLast(win);
        return;
    }
    TwoStages(0, 0, {0, 0}, {8, 3});
    gpWPara->front_auto_check_time = 2;
    IdleCycle(win);
}

}  // namespace

// A stage-1 NG waiting for its re-check keeps the mould inhibited through stage 0's OK, before
// or after the re-check; the release comes with the later of the two OKs.
TEST(MainWindowCycleReCheck, TheReleaseWaitsForStageOnesReCheckAndStageZeroInEitherOrder)
{
    MainWindow* win = W().win;
    for (const bool turntable : {false, true}) {
        for (const bool stageZeroFirst : {true, false}) {
            SCOPED_TRACE(std::string(turntable ? "turntable" : "standard") +
                         (stageZeroFirst ? ", stage 0 before the re-check" : ", re-check first"));
            StageOneFirstWithReChecks(win, turntable);
            win->simInput = 0;
            win->Run();
            ASSERT_TRUE(win->stageTimer[0]->isActive() && win->stageTimer[1]->isActive());
            cameraHost()->markCycleNotOK(0);
            RunOut(win, 1);
            ASSERT_EQ(win->reCheckFlag, 1);
            ASSERT_NE(win->alarmState, 2);
            ASSERT_EQ(Out(0), 1);
            win->cycleLost[0] = false;  // the part is gone
            if (stageZeroFirst) {
                RunOut(win, 0);
                EXPECT_EQ(win->reCheckFlag, 1) << "stage 0's OK abandoned the re-check";
                EXPECT_EQ(Out(0), 1) << "released before stage 1's re-check";
                win->Run();
            } else {
                win->Run();
                EXPECT_EQ(win->reCheckFlag, 0);
                EXPECT_TRUE(win->stageTimer[0]->isActive());
                EXPECT_EQ(Out(0), 1) << "released while stage 0 counts";
                RunOut(win, 0);
            }
            EXPECT_EQ(win->reCheckFlag, 0);
            EXPECT_NE(win->alarmState, 2);
            EXPECT_EQ(Out(0), 0) << "the mould left inhibited after every stage was judged OK";
            win->showTimer->stop();
        }
    }
}

// The re-check OK while stage 0 counts, then stage 0 NG: the release held back is dropped and
// the alarm holds the mould.
TEST(MainWindowCycleReCheck, AStageZeroNgAfterStageOnesReCheckOkHoldsTheMould)
{
    MainWindow* win = W().win;
    StageOneFirstWithReChecks(win, false);
    win->simInput = 0;
    win->Run();
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 1);
    win->cycleLost[0] = false;
    win->Run();
    ASSERT_EQ(win->reCheckFlag, 0);
    ASSERT_TRUE(win->releaseDue);
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 0);
    EXPECT_EQ(win->alarmState, 2);
    EXPECT_FALSE(win->releaseDue);
    EXPECT_EQ(Out(0), 1);
    win->cycleLost[0] = false;
    win->StartDetect();
}
