// The monitoring cycle inside the main window built as at start-up (no camera, no board), after
// the operator ended a cycle part-way: a stage whose mask a stop or an alarm hold left behind, and
// which only the cycle start itself starts, does not keep the operator's snapshot out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QTimer>

#include "common/cyclewindow.h"
#include "core/defaultdatabases.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "platform/camsdk/camsim.h"
#include "statistics/resstatisticsparam.h"
#include "vision/board/controlport.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "mainscreen/drawroiwidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/modalhook.h"

namespace {

using namespace cyclewindow;

// Standard mode, both stages from input 0: 0.3 s and 0.5 s after stage 0's; no re-checks.
MainWindow* TwoStagesOnInputZero()
{
    MainWindow* win = W().win;
    TwoStages(0, 0, {0, 0}, {3, 5});
    win->StageCountCheck();
    for (quint32& m : win->detectMask)
        m = 0;
    win->showTimer->stop();
    return win;
}

// The operator's snapshot of stage r: judged at once (true) or refused.
bool Snapshot(MainWindow* win, int r)
{
    win->showTimer->stop();
    win->curDetect = 1 - r;
    win->lastInput = 99;  // a verdict clears it
    win->manualDetect = r;
    win->Run();
    return win->curDetect == r && win->lastInput == 0;
}

}  // namespace

TEST(MainWindowCycleStopped, ASnapshotIsTakenAfterAStopDuringStageOnesDelay)
{
    MainWindow* win = TwoStagesOnInputZero();
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    ASSERT_EQ(win->curDetect, 0);
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    // The operator stops detection while stage 1 counts, then starts it again.
    win->StopDetect();
    win->SlotStartStop();
    ASSERT_EQ(win->runState, 1);
    ASSERT_EQ(Out(0), 0);
    EXPECT_TRUE(Snapshot(win, 1)) << "the mould snapshot refused for a cycle that cannot go on";
    EXPECT_TRUE(Snapshot(win, 0));
}

TEST(MainWindowCycleStopped, ASnapshotIsTakenAfterAStopDuringStageZerosDelay)
{
    MainWindow* win = TwoStagesOnInputZero();
    win->curDetect = 1;  // the last cycle's verdict
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[0]->isActive());
    win->StopDetect();
    win->SlotStartStop();
    ASSERT_EQ(win->runState, 1);
    EXPECT_TRUE(Snapshot(win, 0)) << "the product snapshot refused until the next machine cycle";
    EXPECT_TRUE(Snapshot(win, 1));
}

TEST(MainWindowCycleStopped, AStageWithAnInputOfItsOwnStillKeepsTheSnapshotOutAfterStartDetection)
{
    MainWindow* win = TwoStagesOnInputZero();
    gpWPara->semi_auto = 1;
    gpWPara->stage_trigger_input[1] = 2;
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    ASSERT_EQ(win->curDetect, 0);
    win->StopDetect();
    win->SlotStartStop();
    ASSERT_EQ(win->runState, 1);
    // The machine's input 2 still starts the interrupted cycle's stage 1.
    EXPECT_FALSE(Snapshot(win, 1));
    win->simInput = 2;
    win->Run();
    EXPECT_TRUE(win->stageTimer[1]->isActive());
    RunOut(win, 1);
    EXPECT_EQ(win->curDetect, 1);
}

namespace {

int Total(const QList<int>& counts)
{
    int n = 0;
    for (int c : counts)
        n += c;
    return n;
}

}  // namespace

// The end of resampling asks for the password once stage 0's slot has returned; the pass runs
// under the box and judges stage 1 on its own results, counted once.
TEST(MainWindowCycleStopped, AVerdictGivenUnderTheAreaChecksPasswordBoxIsNotGivenTwice)
{
    for (const bool partLeft : {true, false}) {
        MainWindow* win = TwoStagesOnInputZero();
        gpWPara->is_psw_used = 1;
        win->simInput = 0;
        win->Run();
        win->runState = 2;
        win->captureFlag[0][0] = true;  // stage 0's template is the last one
        ResStatisticsParam* store = gpResStatisticsParam;
        ASSERT_NE(store, nullptr);
        // A case before may have left another statistics day held: turned now, not under the count.
        HoldTheRealStatisticsDay(win);
        const int ok1 = Total(store->okTotalOf(1)), ng1 = Total(store->ngTotalOf(1));
        int asked = 0;
        const ModalHook before = setModalHook([&](QDialog&) {
            if (asked++ == 0) {
                if (partLeft)
                    cameraHost()->markCycleNotOK(0);
                RunOut(win, 1);
            }
            return int(QDialog::Rejected);
        });
        RunOut(win, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the area check
        setModalHook(before);
        gpWPara->is_psw_used = 0;
        win->captureFlag[0][0] = false;
        win->cycleLost[0] = false;
        ASSERT_EQ(asked, 1);
        ASSERT_EQ(win->alarmState == 2, partLeft);
        EXPECT_EQ(Total(store->ngTotalOf(1)) - ng1, partLeft ? 1 : 0) << "part left " << partLeft;
        EXPECT_EQ(Total(store->okTotalOf(1)) - ok1, partLeft ? 0 : 1) << "part left " << partLeft;
        if (partLeft)
            win->StartDetect();
    }
}

// With the password asked first, the machine may end the hold while the password box is open:
// "Don't Detect" belonged to that hold, not to the next mould.
TEST(MainWindowCycleStopped, DontDetectIsDroppedWhenTheMachineEndedTheHoldDuringItsPasswordBox)
{
    MainWindow* win = TwoStagesOnInputZero();
    gpWPara->enable_disarm_before_open = 0;
    AlarmOnStageOne(win);
    ASSERT_EQ(win->alarmState, 2);
    gpWPara->enable_pass_protect = 1;
    gpWPara->is_psw_used = 1;
    win->userLevel = 0;
    win->selectedView = 0;  // camera 1 shown alone on the alarm page
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0) {
            PartGoneAndNextCycle(win);
            win->userLevel = 1;  // the password was right
        }
        return int(QDialog::Accepted);
    });
    win->drawROIWidget->SlotNoCheckCur();
    setModalHook(before);
    gpWPara->enable_pass_protect = 0;
    gpWPara->is_psw_used = 0;
    win->selectedView = numCamera;
    ASSERT_GE(asked, 1);
    EXPECT_NE(win->alarmState, 2);
    EXPECT_FALSE(win->cammerWidget[0]->stageCycleFlags[1]) << "the next mould is not detected by camera 1";
    EXPECT_NE(win->detectMask[1], 0u);
    EXPECT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_EQ(Out(0), 1);
}
