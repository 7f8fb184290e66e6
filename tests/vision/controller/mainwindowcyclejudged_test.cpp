// Every stage a cycle starts is judged exactly once, and a mould held has something to release
// it: sequences in which a modal box, a re-check, a side change, a silent board, a pulse or a
// change of the stage count used to change what a verdict read under it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

#include "common/cyclewindow.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/regioption.h"
#include "statistics/resstatisticsparam.h"
#include "vision/board/controlport.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

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
    int Of(int stage, const char* v) const { return lines.count(QString("%1 %2").arg(stage + 1).arg(v)); }
};
QStringList* Verdicts::seen = nullptr;

// Stages 0 and 1 from input 0 with their delays; turntable: I/O mode 2, first pair, a prod NG
// only pulses. No cycle open, no output held.
MainWindow* TwoStageCycle(bool turntable, int delay0, int delay1, int reChecks = 0)
{
    MainWindow* win = W().win;
    TwoStages(turntable ? 2 : 0, 0, {0, 0}, {delay0, delay1});
    gpWPara->io_sub_mode = 0;
    gpWPara->enable_stop_not_alarm = turntable;
    gpWPara->front_auto_check_time = reChecks;
    gpWPara->is_psw_used = 0;
    gDNum = turntable ? 4 : 2;
    win->StageCountCheck();
    win->side = 1;
    for (quint32& m : win->detectMask)
        m = 0;
    win->releaseDue = false;
    win->openCycle.Reset();
    win->showTimer->stop();
    win->closePulseTimer->stop();
    for (int n = 0; n < 8; ++n)
        gpControlIO->IOSetOut(n, 0);
    gpControlIO->IOFlashOut();
    return win;
}

void StartCycle(MainWindow* win)
{
    win->simInput = 0;
    win->Run();
}

// An OK cycle that releases the mould, then the cameras lost while the machine opened it again:
// the warning holds the lost cycle's mould until the operator confirms it.
void OkCycleThenOneLost(MainWindow* win)
{
    StartCycle(win);
    RunOut(win, 0);
    RunOut(win, 1);
    ASSERT_FALSE(win->CycleOpen());
    ASSERT_EQ(Out(0), 0) << "the OK cycle did not release the mould";
    gisLost = true;
    win->Run();
    gisLost = false;
    win->CamerasBack(true);  // a cycle started under the loss
    win->runTimer->stop();
    ASSERT_EQ(win->unjudgedStage, 0);
    ASSERT_EQ(Out(0), 1);
}

// The mould stage judged NG with an automatic re-check set, then the re-check run: its verdict is
// the next one given.
void MouldNgThenItsReCheck(MainWindow* win)
{
    win->MarkCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_EQ(win->reCheckFlag, 1);
    win->cycleLost[0] = false;
    win->Run();
    ASSERT_EQ(win->reCheckFlag, 0);
}

// Resampling whose last template is stage d's.
void LastTemplate(MainWindow* win, int d)
{
    win->runState = 2;
    win->captureFlag[0][d] = true;
}

// `reach` takes the last template; `underTheBox` runs under the area check's first box, which is
// accepted or not.
int Ask(const std::function<void()>& reach, const std::function<void()>& underTheBox, bool accept)
{
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0) {
            underTheBox();
            // Not W(): it would restore the world's record under the open cycle.
            if (accept)
                gpWin->userLevel = 1;
        }
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    });
    reach();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // a box opened after its slot
    setModalHook(before);
    return asked;
}

void EndSet(MainWindow* win) { win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true); }

// No cycle, hold, warning or resampling left for the case after.
void Leave(MainWindow* win)
{
    gpWPara->is_psw_used = 0;
    gpWPara->ng_pulse_mode = 0;
    win->userLevel = 0;
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
    gDNum = 2;
    win->StageCountCheck();
    EXPECT_EQ(win->unjudgedStage, -1);
}

}  // namespace

// Resampling's area check opened by a stage's last template: the stage that took it is judged
// once, with the answer or at End Set, and every other stage once, under the box or after it.
TEST(MainWindowCycleJudged, TheStageThatOpensTheAreaCheckAndTheStagesUnderItAreEachJudgedOnce)
{
    struct Case {
        const char* name;
        bool turntable;
        int templ, delay0, delay1;
        bool password, accept, endSetWhileCounting, endsUnderThePage = false;
    };
    const Case cases[] = {
        // The mould stage takes the template, the prod stage ends under the box.
        {"mould stage, refused", true, 1, 8, 3, true, false, false},
        {"mould stage, accepted, End Set", true, 1, 8, 3, true, true, false},
        // Stage 0 takes it, stage 1 ends under the box.
        {"stage 0, accepted, End Set", false, 0, 3, 8, true, true, false},
        // No password: End Set while the prod stage still counts; the prod OK releases.
        {"mould stage, End Set while the prod stage counts", true, 1, 8, 3, false, true, true},
        // The prod stage ends while the region page is open: inspected and judged at End Set.
        {"mould stage, the prod stage ends under the page", true, 1, 8, 3, false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindow* win = TwoStageCycle(c.turntable, c.delay0, c.delay1);
        Verdicts v;
        StartCycle(win);
        LastTemplate(win, c.templ);
        gpWPara->is_psw_used = c.password;
        const int other = 1 - c.templ;
        Ask([&] { RunOut(win, c.templ); }, [&] { if (c.password) RunOut(win, other); }, c.accept);
        if (c.accept) {
            EXPECT_EQ(win->alarmState, 3);
            StartCycle(win);
            EXPECT_FALSE(win->stageClock.Running(c.templ)) << "a cycle started while its stage waits";
            for (int i = 0; i < 3 && c.endSetWhileCounting; ++i)
                win->TimerUp(other);
            if (c.endsUnderThePage)
                RunOut(win, other);
            EndSet(win);
        }
        if (c.endSetWhileCounting) {
            EXPECT_EQ(Out(0), 1) << "released before the prod stage was judged";
            RunOut(win, other);
        }
        EXPECT_EQ(v.Of(c.templ, "OK"), 1) << v.Text();
        EXPECT_EQ(v.Of(other, "OK"), 1) << v.Text();
        EXPECT_EQ(v.lines.size(), 2) << v.Text();
        EXPECT_EQ(Out(0), 0) << "the mould left held";
        EXPECT_FALSE(win->CycleOpen());
        Leave(win);
    }
}

// Two cameras: the first takes stage 0's last template, stage 1 is OK under the refused box, the
// second camera (lost: no picture) is NG: stage 0 is judged NG once and holds with the alarm.
TEST(MainWindowCycleJudged, ASecondCamerasNgAfterTheAreaCheckIsAVerdictWithItsHold)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    ASSERT_NE(win->cammerWidget[1], nullptr);
    Verdicts v;
    StartCycle(win);
    LastTemplate(win, 0);
    gpWPara->is_psw_used = 1;
    Ask([&] { RunOut(win, 0); }, [&] {
        RunOut(win, 1);
        win->MarkCycleNotOK(1);
    }, false);
    EXPECT_EQ(v.Of(1, "OK"), 1) << v.Text();
    EXPECT_EQ(v.Of(0, "NG"), 1) << v.Text();
    EXPECT_EQ(win->alarmState, 2) << "outputs set with no verdict and no hold";
    Leave(win);
}

// Stage 1's OK held the release back for stage 0, whose capture took the last template; the
// password is refused: stage 0's OK releases.
TEST(MainWindowCycleJudged, AReleaseHeldBackForTheStageThatTookTheLastTemplateComesWithItsOk)
{
    MainWindow* win = TwoStageCycle(false, 8, 3);
    StartCycle(win);
    RunOut(win, 1);
    ASSERT_TRUE(win->releaseDue);
    LastTemplate(win, 0);
    gpWPara->is_psw_used = 1;
    Ask([&] { RunOut(win, 0); }, [] {}, false);
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// Stage 1 without a picture is NG with re-checks left; its re-check takes the last template and
// the prod stage is judged under the refused box: the re-check judges stage 1, not stage 0 again.
TEST(MainWindowCycleJudged, AReCheckThatTakesTheLastTemplateJudgesItsOwnStage)
{
    MainWindow* win = TwoStageCycle(true, 8, 3, 2);
    Verdicts v;
    StartCycle(win);
    win->MarkCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_EQ(win->reCheckFlag, 1);
    win->cycleLost[0] = false;
    LastTemplate(win, 1);
    gpWPara->is_psw_used = 1;
    Ask([&] { win->Run(); }, [&] { RunOut(win, 0); }, false);
    EXPECT_EQ(v.Of(0, "OK"), 1) << v.Text();
    EXPECT_EQ(v.Of(1, "OK"), 1) << v.Text();
    EXPECT_EQ(win->reCheckFlag, 0);
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// Turntable, both pairs: input 0 starts the first pair's stages and input 3 of the same pass turns
// the side: they are judged as the first pair's, not the second's.
TEST(MainWindowCycleJudged, StagesAreJudgedOnTheSideTheyStartedOn)
{
    MainWindow* win = TwoStageCycle(true, 3, 5);
    gpWPara->io_sub_mode = 2;
    Verdicts v;
    win->inputSampled[0] = win->inputSampled[3] = true;
    win->Run();
    ASSERT_EQ(win->side, 0);
    RunOut(win, 0);
    RunOut(win, 1);
    EXPECT_EQ(v.Text(), "1 OK, 2 OK");
    Leave(win);
}

// Turntable, both pairs: input 0 and input 3 come due in one pass; stage 1 (first pair, judged at
// once) is NG with re-checks: input 3 waits for that re-check (it would take stage 1's timer and
// count), the re-check inspects stage 1, and the second pair starts after it.
TEST(MainWindowCycleJudged, TheOtherSidesStartWaitsForTheReCheckOfTheFirst)
{
    MainWindow* win = TwoStageCycle(true, 3, 0, 2);
    gpWPara->io_sub_mode = 2;
    Verdicts v;
    win->MarkCycleNotOK(0);
    win->inputSampled[0] = win->inputSampled[3] = true;
    win->Run();
    ASSERT_EQ(win->side, 1);
    ASSERT_EQ(win->reCheckFlag, 1);
    ASSERT_EQ(win->reCheckStage, 1);
    EXPECT_TRUE(win->inputSampled[3]);
    EXPECT_EQ(win->reCheckCount[1], 2);
    win->cycleLost[0] = false;
    win->Run();
    EXPECT_EQ(win->reCheckFlag, 0) << v.Text();
    EXPECT_EQ(v.Of(1, "OK"), 1) << v.Text();
    EXPECT_EQ(v.Of(3, "OK"), 0) << v.Text();
    RunOut(win, 0);
    win->Run();
    EXPECT_EQ(win->side, 0) << "the second pair's start was lost";
    EXPECT_FALSE(win->inputSampled[3]);
    Leave(win);
}

// "Don't Detect" asked in a hold; under its question the machine's re-check ends that hold, the
// next cycle starts and its mould is NG: the answer does not release the new hold.
TEST(MainWindowCycleJudged, AnAnswerAskedInAnEndedHoldDoesNotReleaseTheNextOne)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->enable_pass_protect = 0;
    gpWPara->enable_disarm_before_open = 0;
    AlarmOnStageOne(win);
    ASSERT_EQ(win->alarmState, 2);
    win->selectedView = 0;
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0) {
            PartGoneAndNextCycle(win);
            RunOut(win, 0);
            win->MarkCycleNotOK(0);
            RunOut(win, 1);
        }
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotNoCheckCur();
    setModalHook(before);
    win->selectedView = numCamera;
    EXPECT_EQ(win->alarmState, 2) << "the new mould's NG released";
    EXPECT_FALSE(win->cammerWidget[0]->stageCycleFlags[1]);
    EXPECT_EQ(Out(0), 1);
    Leave(win);
}

// The board falls silent while stage 1's OK holds the release back for stage 0: the operator's
// confirmation of the unjudged stage releases the mould.
TEST(MainWindowCycleJudged, TheConfirmationOfAStageTheSilentBoardLeftReleasesAHeldBackRelease)
{
    MainWindow* win = TwoStageCycle(false, 8, 3);
    StartCycle(win);
    RunOut(win, 1);
    ASSERT_TRUE(win->releaseDue);
    win->boardSilent = true;
    RunOut(win, 0);
    win->boardSilent = false;
    ASSERT_EQ(win->unjudgedStage, 0);
    ASSERT_EQ(Out(0), 1);
    win->ConfirmUnjudged();
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// NG pulse mode, turntable: the mould stage's NG pulses outputs 0 and 2; the prod stage's OK
// within the pulse leaves them to its end.
TEST(MainWindowCycleJudged, AnotherStagesOkDoesNotEndAnNgPulse)
{
    MainWindow* win = TwoStageCycle(true, 8, 3);
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 20;
    StartCycle(win);
    win->MarkCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_TRUE(win->closePulseTimer->isActive());
    ASSERT_EQ(Out(0) + Out(2), 2);
    win->cycleLost[0] = false;
    RunOut(win, 0);
    EXPECT_EQ(Out(0), 1);
    EXPECT_EQ(Out(2), 1);
    win->OutTimerNotAllowClose();
    EXPECT_EQ(Out(0) + Out(1) + Out(2), 0);
    Leave(win);
}

// A change of the stage count ends the open cycle unjudged: the mould stays held, the operator is
// told, and the confirmation releases it.
TEST(MainWindowCycleJudged, AStageCountChangeInAnOpenCycleTellsTheOperatorAndTheConfirmationReleases)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    StartCycle(win);
    ASSERT_EQ(Out(0), 1);
    gDNum = 4;
    win->StageCountCheck();
    EXPECT_EQ(Out(0), 1);
    ASSERT_NE(win->faultBox, nullptr);
    EXPECT_TRUE(win->faultBox->isVisible());
    EXPECT_EQ(win->faultBox->text().toStdString(), gaLanStr[616 * LAN_COUNT + gLan].arg(1).toStdString());
    win->ConfirmUnjudged();
    EXPECT_EQ(Out(0), 0);
    EXPECT_FALSE(win->faultBox->isVisible());
    Leave(win);
}

// Release pulse (is_cut_ontime), turntable, the prod stage judged after the mould stage: the
// mould stage's OK holds the release back, and its close pulse runs out while output 0 is still
// held. The prod stage's OK then releases: output 0 is clear for the pulse's length and set
// again at its end, as after any last verdict.
TEST(MainWindowCycleJudged, AReleaseHeldBackIsAReleasePulseToo)
{
    MainWindow* win = TwoStageCycle(true, 80, 5);
    gpWPara->is_cut_ontime = 1;
    gpWPara->mold_pulse = 10;
    StartCycle(win);
    RunOut(win, 1);
    ASSERT_TRUE(win->releaseDue);
    ASSERT_EQ(Out(0), 1);
    // One second on, the prod stage still counting: a pulse started with the held-back release ends.
    if (win->closePulseTimer->isActive())
        win->OutTimerNotAllowClose();
    RunOut(win, 0);
    EXPECT_EQ(Out(0), 0) << "the prod stage's OK did not release";
    EXPECT_TRUE(win->closePulseTimer->isActive()) << "released with no pulse to end it";
    if (win->closePulseTimer->isActive())
        win->OutTimerNotAllowClose();
    EXPECT_EQ(Out(0), 1) << "output 0 left clear after the release";
    gpWPara->is_cut_ontime = 0;
    gpWPara->mold_pulse = 0;
    win->closePulseTimer->stop();
    Leave(win);
}

// The same with the prod stage NG, which holds nothing on the turntable: the release it gives is
// a full pulse from that verdict too.
TEST(MainWindowCycleJudged, AReleaseHeldBackForAProdNgThatHoldsNothingIsAReleasePulse)
{
    MainWindow* win = TwoStageCycle(true, 80, 5);
    gpWPara->is_cut_ontime = 1;
    gpWPara->mold_pulse = 10;
    StartCycle(win);
    RunOut(win, 1);
    ASSERT_TRUE(win->releaseDue);
    EXPECT_FALSE(win->closePulseTimer->isActive()) << "a release pulse started while output 0 is held";
    win->MarkCycleNotOK(0);
    RunOut(win, 0);
    EXPECT_EQ(Out(0), 0);
    EXPECT_TRUE(win->closePulseTimer->isActive());
    EXPECT_EQ(win->closePulseTimer->interval(), 1000);
    win->OutTimerNotAllowClose();
    EXPECT_EQ(Out(0), 1);
    gpWPara->is_cut_ontime = 0;
    gpWPara->mold_pulse = 0;
    win->ngPulseTimer->stop();
    Leave(win);
}

// Turntable: the mould stage took the last template and the region page is open; the board
// falls silent and the prod stage's delay ends unjudged: the operator is told that its
// confirmation releases the mould. End Set must not release it before that confirmation.
TEST(MainWindowCycleJudged, EndSetLeavesAStageTheSilentBoardLeftHeldForTheConfirmation)
{
    MainWindow* win = TwoStageCycle(true, 80, 5);
    StartCycle(win);
    LastTemplate(win, 1);
    Ask([&] { RunOut(win, 1); }, [] {}, true);
    ASSERT_EQ(win->alarmState, 3);
    win->boardSilent = true;
    RunOut(win, 0);
    ASSERT_EQ(win->unjudgedStage, 0);
    ASSERT_EQ(Out(0), 1);
    EndSet(win);
    EXPECT_EQ(Out(0), 1) << "released before the operator confirmed the unjudged stage";
    win->boardSilent = false;
    win->ConfirmUnjudged();
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// The area check after resampling and a confirmation the operator owes each keep the mould: a
// silent board ends the prod stage unjudged, or (multi-detection) the stage count changes, while
// the region page is open. Whichever of End Set and the confirmation comes first leaves the mould
// held; the second releases it.
TEST(MainWindowCycleJudged, TheAreaCheckAndAnOwedConfirmationEachKeepTheMouldUntilBothEnded)
{
    struct Case {
        const char* name;
        bool stageCount, endSetFirst;
    };
    const Case cases[] = {
        {"silent board, confirmed under the page", false, false},
        {"stage count changed, End Set first", true, true},
        {"stage count changed, confirmed under the page", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindow* win = TwoStageCycle(!c.stageCount, 80, 5);
        if (c.stageCount) {
            // Multi-detection: the first stage from input 0, the last (the mould's) from input 1.
            gpWPara->io_mode = 4;
            gpWPara->stage_trigger_input[1] = 1;
            gDNum = 2;
            win->StageCountCheck();
            win->multiDetect = gDNum - 1;
            StartCycle(win);
            RunOut(win, 0);
            win->simInput = 1;
            win->Run();
        } else {
            StartCycle(win);
        }
        LastTemplate(win, 1);
        Ask([&] { RunOut(win, 1); }, [] {}, true);
        ASSERT_EQ(win->alarmState, 3);
        ASSERT_EQ(Out(0), 1);
        if (c.stageCount) {
            gDNum = 3;
            win->StageCountCheck();
            ASSERT_EQ(win->faultBox->text().toStdString(), gaLanStr[616 * LAN_COUNT + gLan].arg(2).toStdString());
        } else {
            win->boardSilent = true;
            RunOut(win, 0);
            win->boardSilent = false;
        }
        ASSERT_GE(win->unjudgedStage, 0);
        ASSERT_EQ(Out(0), 1);
        if (c.endSetFirst)
            EndSet(win);
        else
            win->ConfirmUnjudged();
        EXPECT_EQ(Out(0), 1) << (c.endSetFirst ? "released before the confirmation" : "released under the page");
        if (c.endSetFirst)
            win->ConfirmUnjudged();
        else
            EndSet(win);
        EXPECT_EQ(Out(0), 0) << "held with nothing left to release it";
        EXPECT_FALSE(win->CycleOpen());
        gpWPara->io_mode = 0;
        Leave(win);
    }
}

// The no-input watchdog is off while an automatic re-check is due; the re-check's OK ends the
// cycle, and an idle machine after it is warned as after any cycle.
TEST(MainWindowCycleJudged, TheWatchdogRunsAgainAfterAnAutomaticReCheck)
{
    MainWindow* win = TwoStageCycle(false, 3, 5, 1);
    gpWPara->input_timeout_len = 5;
    StartCycle(win);
    ASSERT_TRUE(win->inputTimeoutTimer->isActive());
    RunOut(win, 0);
    ASSERT_NO_FATAL_FAILURE(MouldNgThenItsReCheck(win));
    ASSERT_EQ(Out(0), 0);
    win->Run();
    EXPECT_TRUE(win->inputTimeoutTimer->isActive()) << "an idle machine is never warned";
    gpWPara->input_timeout_len = 0;
    win->inputTimeoutTimer->stop();
    Leave(win);
}

// A camera lost while resampling waits for its next cycle, no cycle open: the loss sets output 0.
// When the cameras are back nothing of a cycle holds the mould, and no cycle can start (the
// machine does not close an inhibited mould) to take the templates: it is released again.
TEST(MainWindowCycleJudged, CamerasBackWhileResamplingWithNoCycleOpenReleaseTheMould)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    LastTemplate(win, 0);
    ASSERT_FALSE(win->CycleOpen());
    ASSERT_EQ(Out(0), 0);
    gisLost = true;
    win->Run();
    ASSERT_EQ(Out(0), 1);
    gisLost = false;  // what CameraRestart does once every camera answers
    win->CamerasBack(win->lostCycleStart);
    win->lostCycleStart = false;
    EXPECT_EQ(Out(0), 0) << "held with no cycle open, no hold and no warning";
    win->runTimer->stop();
    Leave(win);
}

// The no-input warning's inhibit waits for the next cycle, detecting or resampling: cameras lost
// and back under it do not release it.
TEST(MainWindowCycleJudged, CamerasBackKeepTheNoInputWarningsInhibit)
{
    for (const bool resampling : {false, true}) {
        MainWindow* win = TwoStageCycle(false, 3, 8);
        if (resampling)
            LastTemplate(win, 0);
        win->InCheck();
        ASSERT_TRUE(win->warnShown);
        ASSERT_EQ(Out(0), 1);
        gisLost = true;
        win->Run();
        gisLost = false;
        win->CamerasBack(win->lostCycleStart);
        win->lostCycleStart = false;
        EXPECT_EQ(Out(0), 1) << "resampling " << resampling;
        win->warnShown = false;
        win->runTimer->stop();
        Leave(win);
    }
}

namespace {

// Standard mode, NG pulse mode without a close pulse length: a cycle whose mould stage was NG,
// judged and over, its pulse's outputs standing.
MainWindow* NgPulseWithoutALengthStanding()
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 0;
    StartCycle(win);
    RunOut(win, 0);
    win->MarkCycleNotOK(0);
    RunOut(win, 1);
    win->cycleLost[0] = false;
    win->cammerWidget[0]->isOK = true;
    EXPECT_FALSE(win->CycleOpen());
    EXPECT_EQ(Out(0) + Out(2), 2) << "the NG's pulse gave no outputs";
    return win;
}

// The cameras lost for a monitoring pass and back, no cycle started meanwhile.
void LoseAndGetBackTheCameras(MainWindow* win)
{
    gisLost = true;
    win->Run();
    gisLost = false;
    win->CamerasBack(win->lostCycleStart);
    win->lostCycleStart = false;
    win->runTimer->stop();
}

}  // namespace

// NG pulse mode with no close pulse length: the NG sets outputs 0 and 2 and no timer ends them.
// The cameras lost and back meanwhile do not release the mould under the alarm; the next OK
// releases both, and no output is left set.
TEST(MainWindowCycleJudged, AnNgPulseWithNoLengthStandsUntilAnOk)
{
    MainWindow* win = NgPulseWithoutALengthStanding();
    EXPECT_FALSE(win->closePulseTimer->isActive());
    LoseAndGetBackTheCameras(win);
    EXPECT_EQ(Out(0), 1) << "the mould released under the NG's alarm";
    EXPECT_EQ(Out(2), 1);
    StartCycle(win);
    RunOut(win, 0);
    EXPECT_EQ(Out(0) + Out(2), 0) << "the OK left the NG's outputs set";
    RunOut(win, 1);
    EXPECT_FALSE(win->NgPulseHolds());
    Leave(win);
}

// Turntable, NG pulse mode: the mould stage's NG sets outputs 0 and 2, and the prod stage's OK of
// the same cycle, judged after it, ends them neither for a pulse with a length nor for one
// without, which stands until the next cycle's OK.
TEST(MainWindowCycleJudged, AnotherStagesOkOfTheCycleLeavesAnNgPulseWithNoLengthStanding)
{
    for (const int length : {50, 0}) {
        SCOPED_TRACE(length ? "pulse with a length" : "pulse without a length");
        MainWindow* win = TwoStageCycle(true, 8, 3);
        gpWPara->ng_pulse_mode = 1;
        gpWPara->mold_pulse = length;
        StartCycle(win);
        win->MarkCycleNotOK(0);
        RunOut(win, 1);
        win->cycleLost[0] = false;
        win->cammerWidget[0]->isOK = true;
        ASSERT_EQ(Out(0) + Out(2), 2);
        RunOut(win, 0);
        EXPECT_EQ(Out(0), 1) << "the prod stage's OK released the mould under the NG";
        EXPECT_EQ(Out(2), 1) << "the prod stage's OK ended the NG's alarm";
        if (length == 0) {
            StartCycle(win);
            RunOut(win, 1);
            EXPECT_EQ(Out(0) + Out(2), 0) << "the next cycle's OK left the NG's outputs set";
            RunOut(win, 0);
        }
        win->closePulseTimer->stop();
        Leave(win);
    }
}

// With release pulses (is_cut_ontime) the inhibit stands between the pulses: cameras lost and
// back after the OK's pulse ended leave it set. A release the loss took (output 0 clear while
// detecting, no pulse running) is given back. (A pulse the loss cut short, and the confirmation
// of a cycle started under the loss, are shortened runs of the cycle simulation.)
TEST(MainWindowCycleJudged, CamerasBackWithReleasePulsesRestoreWhatTheLossTook)
{
    for (const bool released : {false, true}) {
        SCOPED_TRACE(released ? "a release taken" : "the inhibit between pulses");
        MainWindow* win = TwoStageCycle(false, 3, 8);
        gpWPara->is_cut_ontime = 1;
        gpWPara->mold_pulse = 10;
        StartCycle(win);
        RunOut(win, 0);
        RunOut(win, 1);
        ASSERT_TRUE(win->closePulseTimer->isActive());
        win->OutTimerNotAllowClose();
        ASSERT_EQ(Out(0), 1);
        if (released) {
            gpControlIO->IOSetOut(0, 0);
            gpControlIO->IOFlashOut();
        }
        gisLost = true;
        win->Run();
        win->runTimer->stop();
        ASSERT_EQ(Out(0), 1);
        gisLost = false;  // what CameraRestart does once every camera answers
        win->CamerasBack(win->lostCycleStart);
        win->lostCycleStart = false;
        EXPECT_EQ(Out(0), released ? 0 : 1);
        EXPECT_FALSE(win->closePulseTimer->isActive()) << "a pulse nobody owed";
        gpWPara->is_cut_ontime = 0;
        gpWPara->mold_pulse = 0;
        Leave(win);
    }
}

// NG pulse mode without a close pulse length: the trigger-safety input judges the mould stage
// again in the same cycle. Its OK ends the pulse when the mould stage's NG was the only one of the
// cycle (nothing else would: the inhibit keeps the machine from the next cycle); after a prod NG,
// alone or beside the mould stage's, the pulse stands. Standard mode and the turntable.
TEST(MainWindowCycleJudged, TheSafetyInputsOkOfTheNgStageEndsAPulseWithoutALengthThatStandsForNoOther)
{
    struct Case {
        const char* name;
        bool prodNg, mouldNg;
    };
    for (const bool turntable : {false, true}) {
        for (const Case& c : {Case{"mould stage NG", false, true}, Case{"prod stage NG", true, false},
                              Case{"both stages NG", true, true}}) {
            SCOPED_TRACE(std::string(turntable ? "turntable, " : "standard, ") + c.name);
            MainWindow* win = TwoStageCycle(turntable, 3, 8);
            gpWPara->ng_pulse_mode = 1;
            gpWPara->mold_pulse = 0;
            gpWPara->enable_trigger_safety = 1;
            StartCycle(win);
            for (int d = 0; d < 2; ++d) {
                if (d == 0 ? c.prodNg : c.mouldNg)
                    win->MarkCycleNotOK(0);
                RunOut(win, d);
                win->cycleLost[0] = false;
                win->cammerWidget[0]->isOK = true;
            }
            ASSERT_FALSE(win->CycleOpen());
            ASSERT_EQ(Out(0) + Out(2), 2);
            Verdicts v;
            win->simInput = 1;
            win->Run();
            ASSERT_EQ(v.Text(), "2 OK");
            const bool ends = !c.prodNg;
            EXPECT_EQ(Out(0), ends ? 0 : 1) << (ends ? "the mould held after it was judged OK again"
                                                     : "the mould released under the prod stage's NG");
            EXPECT_EQ(Out(2), ends ? 0 : 1);
            EXPECT_EQ(win->NgPulseHolds(), !ends);
            gpWPara->enable_trigger_safety = 0;
            Leave(win);
        }
    }
}

// NG pulse mode, no close pulse length: the confirmation of a stage the board left unjudged
// clears the outputs of an idle machine, the NG's pulse outputs with them. The cameras lost and
// back afterwards must not set output 0 again for that pulse: an inhibit without its alarm.
TEST(MainWindowCycleJudged, CamerasBackAfterTheConfirmationDoNotHoldTheMouldForAnEndedNgPulse)
{
    MainWindow* win = NgPulseWithoutALengthStanding();
    win->unjudgedStage = 0;  // as a silent board leaves the next cycle's stage
    win->ConfirmUnjudged();
    ASSERT_EQ(Out(0) + Out(2), 0) << "the confirmation kept the NG's outputs";
    LoseAndGetBackTheCameras(win);
    EXPECT_EQ(Out(0), Out(2)) << "output 0 set again without the alarm it stands for";
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// Resampling over two cycles: the first cycle's mould stage had no picture, so its template is
// still to take; the next cycle's prod stage, whose template is taken and whose camera delivers,
// is judged OK, not NG by what the missing picture left in the view.
TEST(MainWindowCycleJudged, AResampledStageIsNotJudgedByAnotherStagesMissingPicture)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->ng_pulse_mode = 1;  // an NG pulses: no alarm hold to leave
    gpWPara->mold_pulse = 0;
    win->runState = 2;
    win->captureFlag[0][0] = win->captureFlag[0][1] = true;
    Verdicts v;
    StartCycle(win);
    RunOut(win, 0);
    win->MarkCycleNotOK(0);
    RunOut(win, 1);
    win->cycleLost[0] = false;
    ASSERT_FALSE(win->captureFlag[0][0]);
    ASSERT_TRUE(win->captureFlag[0][1]) << "a template taken from no picture";
    ASSERT_EQ(v.Text(), "1 OK, 2 NG");
    StartCycle(win);
    RunOut(win, 0);
    EXPECT_EQ(v.Text(), "1 OK, 2 NG, 1 OK") << "the prod stage judged by the mould stage's missing picture";
    EXPECT_EQ(Out(0) + Out(2), 0) << "the next cycle's OK left the NG's outputs set";
    win->runState = 1;
    Leave(win);
}

// NG pulse mode, no close pulse length: the mould snapshot is a cycle of its own, so its OK,
// judged after the NG's cycle has ended, ends the NG's outputs as the next cycle's OK would.
TEST(MainWindowCycleJudged, AMouldSnapshotsOkEndsAnNgPulseWithNoLengthOfTheCycleBefore)
{
    MainWindow* win = NgPulseWithoutALengthStanding();
    Verdicts v;
    win->manualDetect = 1;
    win->Run();
    win->runTimer->stop();
    ASSERT_EQ(v.Text(), "2 OK");
    EXPECT_EQ(Out(0) + Out(2), 0) << "the snapshot's OK left the NG's outputs set";
    EXPECT_FALSE(win->NgPulseHolds());
    Leave(win);
}

// With release pulses, the operator confirms a stage the silent board left unjudged while the
// cameras are lost: the loss keeps output 0 set through the confirmation's whole pulse, so the
// cameras' return owes that mould its release pulse, as for a pulse the loss cut short.
TEST(MainWindowCycleJudged, AReleasePulseTheLossSwallowedWholeIsGivenWhenTheCamerasAreBack)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->is_cut_ontime = 1;
    gpWPara->mold_pulse = 10;
    StartCycle(win);
    RunOut(win, 0);
    RunOut(win, 1);
    ASSERT_TRUE(win->closePulseTimer->isActive());
    win->OutTimerNotAllowClose();
    ASSERT_EQ(Out(0), 1);
    gisLost = true;
    win->Run();
    win->unjudgedStage = 0;  // as a silent board leaves the next cycle's stage
    win->ConfirmUnjudged();
    ASSERT_TRUE(win->closePulseTimer->isActive()) << "the confirmation gave no release pulse";
    win->Run();  // the loss still stands
    EXPECT_EQ(Out(0), 1);
    win->OutTimerNotAllowClose();  // the confirmation's pulse ends under the loss
    gisLost = false;
    win->CamerasBack(win->lostCycleStart);
    win->lostCycleStart = false;
    win->runTimer->stop();
    EXPECT_TRUE(Out(0) == 0 && win->closePulseTimer->isActive())
        << "the confirmed mould never had its release: output 0 held, no pulse to come";
    win->closePulseTimer->stop();
    gpWPara->is_cut_ontime = 0;
    gpWPara->mold_pulse = 0;
    Leave(win);
}

// With release pulses, resampling's area check holds the mould and End Set releases it: as a
// release pulse whose end puts the inhibit back, whichever stage took the last template (the prod
// stage's verdict releases nothing itself), also when the password is refused.
TEST(MainWindowCycleJudged, EndSetWithReleasePulsesReleasesWithAPulse)
{
    struct Case {
        const char* name;
        int templ;
        bool accept;
    };
    for (const Case& c : {Case{"prod stage, End Set", 0, true}, Case{"mould stage, End Set", 1, true},
                          Case{"prod stage, password refused", 0, false}}) {
        SCOPED_TRACE(c.name);
        MainWindow* win = TwoStageCycle(false, 3, 8);
        auto pulses = [] {
            gpWPara->is_cut_ontime = 1;
            gpWPara->mold_pulse = 10;
            gpWPara->is_psw_used = 1;
        };
        pulses();
        LastTemplate(win, c.templ);
        Ask([&] {
            win->manualDetect = c.templ;  // the operator's snapshot takes it, no cycle open
            win->Run();
        }, [] {}, c.accept);
        pulses();  // the accepted box's W() restored the record
        ASSERT_EQ(gFromTrain, c.accept ? 1 : 0);
        if (c.accept) {
            ASSERT_EQ(Out(0), 1) << "the area check does not hold the mould";
            EndSet(win);
        }
        EXPECT_EQ(Out(0), 0) << "the mould stays held";
        EXPECT_TRUE(win->closePulseTimer->isActive()) << "released with no pulse to end it";
        if (win->closePulseTimer->isActive())
            win->OutTimerNotAllowClose();
        EXPECT_EQ(Out(0), 1) << "the inhibit between release pulses not back";
        gpWPara->is_cut_ontime = 0;
        gpWPara->mold_pulse = 0;
        Leave(win);
    }
}

// A release pulse the camera loss cut short (running when the loss came, ending under it, or
// still running when the cameras are back) belongs to the run the operator stopped during the
// loss: after Stop and Start the cameras' return leaves Start's inhibit, no pulse.
TEST(MainWindowCycleJudged, AReleasePulseCutByTheLossIsNotGivenAfterStopAndStart)
{
    enum End { BeforeStop, AfterStart, NotUnderTheLoss };
    for (const End end : {BeforeStop, AfterStart, NotUnderTheLoss}) {
        SCOPED_TRACE(end == BeforeStop ? "pulse ends before Stop" : end == AfterStart ? "pulse ends after Start" : "pulse still runs");
        MainWindow* win = TwoStageCycle(false, 3, 8);
        gpWPara->is_cut_ontime = 1;
        gpWPara->mold_pulse = 10;
        StartCycle(win);
        RunOut(win, 0);
        RunOut(win, 1);
        ASSERT_TRUE(win->closePulseTimer->isActive());
        ASSERT_EQ(Out(0), 0);
        gisLost = true;
        win->Run();
        ASSERT_EQ(Out(0), 1);
        if (end == BeforeStop)
            win->OutTimerNotAllowClose();
        win->StopDetect();
        win->Run();
        win->SlotStartStop();  // start: needs no password
        ASSERT_EQ(win->runState, 1);
        win->Run();
        if (end == AfterStart && win->closePulseTimer->isActive())
            win->OutTimerNotAllowClose();
        gisLost = false;
        win->CamerasBack(win->lostCycleStart);
        win->lostCycleStart = false;
        win->runTimer->stop();
        EXPECT_EQ(Out(0), 1) << "released with no verdict since Start";
        EXPECT_FALSE(win->closePulseTimer->isActive()) << "a release pulse of the stopped run";
        win->closePulseTimer->stop();
        gpWPara->is_cut_ontime = 0;
        gpWPara->mold_pulse = 0;
        Leave(win);
    }
}

// A hold told for an unjudged stage (as a stage-count change in an open cycle leaves it) and a
// cycle started after it: the mould stage's NG with re-checks left, then its re-check's OK with
// re-checks still left judges the mould. It closes the hold and releases once the prod stage is
// judged, as any OK: the warning is not left asking with the mould released, nor the mould held.
TEST(MainWindowCycleJudged, AReCheckOkWithReChecksLeftClosesTheUnjudgedHold)
{
    MainWindow* win = TwoStageCycle(true, 8, 3, 2);
    win->unjudgedStage = 0;
    StartCycle(win);
    ASSERT_NO_FATAL_FAILURE(MouldNgThenItsReCheck(win));
    ASSERT_GT(win->reCheckCount[1], 0);
    RunOut(win, 0);
    EXPECT_EQ(win->unjudgedStage, -1) << "the hold still asks for a mould its stage judged";
    EXPECT_EQ(Out(0), 0);
    Leave(win);
}

// An OK cycle, then the cameras lost while the machine opened the mould: the warning holds the
// mould until it is confirmed. The trigger-safety input then fires the mould stage, which never
// started since: its OK judges nothing the warning was told for and releases nothing, with or
// without automatic re-checks set (with them the mould stage's OK of the cycle before is not its
// last verdict, and the cycle must not count it as still started).
TEST(MainWindowCycleJudged, TheSafetyInputsOkAfterAnOkCycleLeavesTheLostCycleToTheConfirmation)
{
    for (const int reChecks : {0, 2}) {
        SCOPED_TRACE(reChecks ? "re-checks set" : "no re-checks");
        MainWindow* win = TwoStageCycle(false, 3, 8, reChecks);
        gpWPara->enable_trigger_safety = 1;
        ASSERT_NO_FATAL_FAILURE(OkCycleThenOneLost(win));
        Verdicts v;
        win->simInput = 1;
        win->Run();
        ASSERT_EQ(v.Text(), "2 OK");
        EXPECT_EQ(Out(0), 1) << "the mould of the lost cycle released without the confirmation";
        EXPECT_EQ(win->unjudgedStage, 0) << "the warning closed by a stage that never started";
        gpWPara->enable_trigger_safety = 0;
        Leave(win);
    }
}

// The statistics store counts each cycle's mould verdict: with automatic re-checks set, an OK of
// the mould stage is its verdict as without them (re-checks are for an NG), also the OK of the
// re-check that followed an NG.
TEST(MainWindowCycleJudged, AnOkMouldVerdictIsCountedWithOrWithoutReChecks)
{
    W();  // the window creates the store
    ResStatisticsParam* store = gpResStatisticsParam;
    ASSERT_TRUE(store && store->isLoaded());
    auto okOfMould = [store] {
        long n = 0;
        for (int c : store->okTotalOf(1))
            n += c;
        return n;
    };
    struct Case {
        int reChecks;
        bool ngFirst;  // the first look of the mould stage is NG, its re-check OK
    };
    for (const Case& k : {Case{0, false}, Case{2, false}, Case{2, true}}) {
        SCOPED_TRACE(std::to_string(k.reChecks) + " re-checks" + (k.ngFirst ? ", NG then OK" : ""));
        MainWindow* win = TwoStageCycle(false, 3, 8, k.reChecks);
        const bool dayCheck = win->dayTimer->isActive();
        win->dayTimer->stop();  // no day change of the real clock between the two readings
        const long before = okOfMould();
        Verdicts v;
        StartCycle(win);
        RunOut(win, 0);
        if (k.ngFirst)
            win->MarkCycleNotOK(0);
        RunOut(win, 1);
        if (k.ngFirst) {
            ASSERT_EQ(win->reCheckFlag, 1);
            win->cycleLost[0] = false;
            win->Run();
        }
        ASSERT_FALSE(win->CycleOpen());
        ASSERT_EQ(Out(0), 0) << "the mould was not released";
        ASSERT_EQ(v.Of(1, "OK"), 1) << v.Text();
        EXPECT_EQ(okOfMould() - before, 1) << "the mould's OK verdict is not in the statistics (" << v.Text() << ")";
        if (dayCheck)
            win->dayTimer->start();
        Leave(win);
    }
}

// NG pulse mode: the cameras lost while the machine opened the mould, the warning holds it until
// the operator confirms. The trigger-safety input then fires the mould stage, which never started
// since, and finds it NG: that verdict judges nothing the warning was told for, so neither it nor
// the end of its pulse may release the mould the warning still holds.
TEST(MainWindowCycleJudged, TheEndOfAnNgPulseThatJudgedNothingLeavesTheLostCycleToTheConfirmation)
{
    for (const int moldPulse : {15, 0}) {
        SCOPED_TRACE(moldPulse ? "pulse with a length" : "pulse without a length");
        MainWindow* win = TwoStageCycle(false, 3, 8);
        gpWPara->ng_pulse_mode = 1;
        gpWPara->mold_pulse = moldPulse;
        gpWPara->enable_trigger_safety = 1;
        ASSERT_NO_FATAL_FAILURE(OkCycleThenOneLost(win));
        Verdicts v;
        win->MarkCycleNotOK(0);
        win->simInput = 1;
        win->Run();
        win->cycleLost[0] = false;
        win->cammerWidget[0]->isOK = true;
        ASSERT_EQ(v.Text(), "2 NG");
        EXPECT_EQ(win->unjudgedStage, 0) << "the warning closed by a stage that never started";
        if (win->closePulseTimer->isActive())
            win->OutTimerNotAllowClose();  // the NG pulse ends
        if (win->ejectorPulseTimer->isActive())
            win->OutTimerNotAllowThimble();
        EXPECT_EQ(Out(0), 1) << "the mould of the lost cycle released with the warning still asking";
        // Another OK cycle's own verdicts judge it; this one is left to the confirmation.
        gpWPara->enable_trigger_safety = 0;
        Leave(win);
    }
}

// NG pulse mode with a close pulse length: a cycle's NG starts the pulse, and the cameras are lost
// and back while it runs with a cycle started under the loss. The warning holds that mould until
// the operator confirms it: the end of the earlier NG's pulse must not release it.
TEST(MainWindowCycleJudged, AnEarlierNgPulsesEndLeavesTheLostCycleToTheConfirmation)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 15;
    StartCycle(win);
    RunOut(win, 0);
    win->MarkCycleNotOK(0);
    RunOut(win, 1);
    win->cycleLost[0] = false;
    win->cammerWidget[0]->isOK = true;
    ASSERT_FALSE(win->CycleOpen());
    ASSERT_TRUE(win->closePulseTimer->isActive()) << "the NG gave no pulse";
    gisLost = true;
    win->Run();
    gisLost = false;
    win->CamerasBack(true);  // a cycle started under the loss
    win->runTimer->stop();
    ASSERT_EQ(win->unjudgedStage, 0);
    ASSERT_EQ(Out(0), 1);
    win->OutTimerNotAllowClose();  // the earlier NG's pulse ends
    EXPECT_EQ(win->unjudgedStage, 0);
    EXPECT_EQ(Out(0), 1) << "the mould of the lost cycle released with the warning still asking";
    Leave(win);
}

// NG pulse mode with the ejector's release pulse: the prod stage's OK starts it, and the cameras
// are lost before it ends. The loss holds the mould (nothing looks into it); the end of the
// ejector's pulse must not release it under the loss, nor the mould of a cycle the warning holds.
TEST(MainWindowCycleJudged, TheEjectorPulsesEndKeepsTheLossesAndTheWarningsInhibit)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 15;
    gpWPara->is_cut_ontime_thimble = 1;
    gpWPara->thimble_pulse = 15;
    StartCycle(win);
    RunOut(win, 0);
    RunOut(win, 1);
    ASSERT_FALSE(win->CycleOpen());
    ASSERT_TRUE(win->ejectorPulseTimer->isActive()) << "the prod stage's OK gave no ejector pulse";
    gisLost = true;
    win->Run();
    ASSERT_EQ(Out(0), 1) << "the loss did not hold the mould";
    win->OutTimerNotAllowThimble();  // the ejector's pulse ends under the loss
    EXPECT_EQ(Out(0), 1) << "the mould released while the cameras are lost";
    gisLost = false;
    win->CamerasBack(true);  // a cycle started under the loss
    win->runTimer->stop();
    EXPECT_EQ(win->unjudgedStage, 0);
    EXPECT_EQ(Out(0), 1);
    gpWPara->is_cut_ontime_thimble = 0;
    gpWPara->thimble_pulse = 0;
    win->closePulseTimer->stop();
    Leave(win);
}

// NG pulse mode sets an OK's outputs for the close pulse's length. The cameras lost while the
// machine opened the mould, the warning holds it; the trigger-safety input then fires the mould
// stage, which never started since, and finds it OK. That OK releases nothing, but the ejector
// inhibit it sets ends with its pulse as any verdict's does: the pulse's end leaves output 0 to
// the warning's confirmation.
TEST(MainWindowCycleJudged, AnOkKeptForTheConfirmationEndsItsEjectorInhibitWithThePulse)
{
    MainWindow* win = TwoStageCycle(false, 3, 8);
    gpWPara->ng_pulse_mode = 1;
    gpWPara->mold_pulse = 15;
    gpWPara->enable_trigger_safety = 1;
    ASSERT_NO_FATAL_FAILURE(OkCycleThenOneLost(win));
    if (win->closePulseTimer->isActive())
        win->OutTimerNotAllowClose();  // the OK cycle's pulse ends under the warning
    ASSERT_EQ(Out(0), 1);
    ASSERT_EQ(Out(1), 0);
    Verdicts v;
    win->simInput = 1;
    win->Run();
    ASSERT_EQ(v.Text(), "2 OK");
    EXPECT_EQ(win->unjudgedStage, 0) << "the warning closed by a stage that never started";
    EXPECT_EQ(Out(0), 1) << "the mould of the lost cycle released without the confirmation";
    EXPECT_TRUE(Out(1) == 0 || win->closePulseTimer->isActive())
        << "the OK's ejector inhibit stands with no pulse to end it";
    if (win->closePulseTimer->isActive())
        win->OutTimerNotAllowClose();
    EXPECT_EQ(Out(1), 0) << "the ejector inhibit outlives the OK's pulse";
    EXPECT_EQ(Out(0), 1) << "the pulse's end released the mould the warning holds";
    gpWPara->enable_trigger_safety = 0;
    win->closePulseTimer->stop();
    Leave(win);
}
