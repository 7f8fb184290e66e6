// The monitoring cycle inside the main window built as at start-up (no camera, no board): the
// no-input watchdog warns once and is re-armed at the next cycle start, a manual request during
// a running delay is refused, the region page works on an existing view when all views are shown,
// and an alarm's NG picture is written when the hold ends by stopping and starting or by the
// operator clearing it. The order of a cycle's stages: no stage is judged before its delay or
// without an inspection, the mould is released only when every stage is judged, and a re-check
// or a release waiting for another stage is never lost.
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
#include "vision/inspection/cammersingleton.h"
#include "settings/settingschange.h"
#include "settings/settingshost.h"
#include "vision/records/dayrotation.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int row) { return gaLanStr[row * LAN_COUNT + gLan]; }

struct Window {
    ProgramDir dir;
    QStringList modalTexts;
    MainWindow* win = nullptr;
    WindowWorld* world = nullptr;

    Window()
    {
        EXPECT_TRUE(CreateDefaultDatabases("."));
        EXPECT_TRUE(CreateDefaultDatabases("paraGroup/default"));
        EXPECT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
        EXPECT_TRUE(MakeRecordDb("RECORDNULL.db"));
        EXPECT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
        qputenv("MOULDMON_SERIAL", dir.file("noboard").toUtf8());
        qunsetenv("MOULDMON_SIMCAM");
        camsim::CamSim::instance().reload();  // no device an earlier test served
        setModalHook([this](QDialog& d) {
            if (auto* warn = dynamic_cast<WarnBox*>(&d))
                modalTexts << warn->text();
            else
                modalTexts << d.metaObject()->className();
            return int(QDialog::Rejected);
        });
        if (!gpWPara) {
            gpWPara = new WizardPara;
            gpWParaBak = new WizardPara;
        }
        CreateGlobalMutexes();
        Data_Init();
        MakeRoomForAWindow();
        win = new MainWindow;
        gpWPara->is_psw_used = 0;
        world = new WindowWorld(win, dir.path());
    }
};

Window& W()
{
    static Window* w = new Window;
    w->world->Restore();
    w->modalTexts.clear();  // the no-camera question of the start-up, or the test before
    return *w;
}

QStringList NgPictures(int camera, int stage)
{
    return QDir(QString("alarmimage/camera%1/detect%2/NG").arg(camera).arg(stage))
        .entryList({"*.jpg"}, QDir::Files, QDir::Name);
}

} // namespace

TEST(MainWindowCycle, WatchdogWarnsOnceAndIsReArmedAtTheNextCycleStart)
{
    Window& w = W();
    MainWindow* win = w.win;
    gpWPara->input_timeout_len = 7;
    win->InCheck();
    ASSERT_EQ(w.modalTexts, QStringList{Row(335)});
    EXPECT_TRUE(win->warnShown);
    EXPECT_EQ(gpControlIO->IOState(1, 0) ^ gpWPara->output_polarity[0], 1);  // mould-close inhibit
    // Still unacknowledged by a cycle: recorded again, not shown again.
    win->InCheck();
    EXPECT_EQ(w.modalTexts.size(), 1);
    // The next cycle start takes the warning down and re-arms the watchdog.
    win->simInput = 0;
    win->Run();
    EXPECT_FALSE(win->warnShown);
    EXPECT_TRUE(win->inputTimeoutTimer->isActive());
    EXPECT_EQ(win->inputTimeoutTimer->interval(), 7000);
    // An interval beyond what a timer takes is clamped, not wrapped.
    win->runState = 1;
    win->stageClock.StopAll();
    gpWPara->input_timeout_len = 3000000;
    win->simInput = 0;
    win->Run();
    EXPECT_TRUE(win->inputTimeoutTimer->isActive());
    EXPECT_EQ(win->inputTimeoutTimer->interval(), std::numeric_limits<int>::max());
}

TEST(MainWindowCycle, CamerasBackWhileStoppedLeaveTheStopsOutputs)
{
    Window& w = W();
    MainWindow* win = w.win;
    auto closeInhibit = [] { return gpControlIO->IOState(1, 0) ^ gpWPara->output_polarity[0]; };
    const int unjudged = win->unjudgedStage;
    win->runState = 3;
    win->alarmState = 0;
    // The loss set the inhibit; an edge latched meanwhile is no cycle while stopped.
    for (const int stopHolds : {0, 1}) {
        gpWPara->enable_stop_mold = stopHolds;
        gpControlIO->IOSetOut(0, 1);
        win->CamerasBack(true);
        EXPECT_EQ(closeInhibit(), stopHolds) << "enable_stop_mold " << stopHolds;
        EXPECT_EQ(win->unjudgedStage, unjudged) << "a cycle taken for unjudged while stopped";
    }
    gpWPara->enable_stop_mold = 0;
    // The alarm hold stops detection as well; its inhibit waits for its release.
    win->alarmState = 2;
    gpControlIO->IOSetOut(0, 1);
    win->CamerasBack(false);
    EXPECT_EQ(closeInhibit(), 1);
    win->alarmState = 0;
    win->runState = 1;
    gpControlIO->IOSetOut(0, 0);
}

TEST(MainWindowCycle, ManualRequestDuringARunningDelayIsRefused)
{
    MainWindow* win = W().win;
    gpWPara->stage_delay[1] = 30;
    win->simInput = 0;
    win->Run();
    ASSERT_TRUE(win->stageTimer[1]->isActive());
    ASSERT_EQ(win->stageClock.Remaining(1), 30);
    win->manualDetect = 1;
    win->Run();
    EXPECT_EQ(win->manualDetect, gDNum);          // taken, and refused
    EXPECT_EQ(win->stageClock.Remaining(1), 30);  // the delay was not cut short
    EXPECT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_NE(win->lastInput, -2);
    // Once one tick is left the request judges the stage at once.
    for (int i = 0; i < 29; ++i)
        win->TimerUp(1);
    ASSERT_EQ(win->stageClock.Remaining(1), 1);
    win->manualDetect = 1;
    win->Run();
    EXPECT_FALSE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 0);
}

TEST(MainWindowCycle, AreaSettingsWithAllViewsShownWorkOnViewZero)
{
    MainWindow* win = W().win;
    win->selectedView = numCamera;
    win->indexButton->show();
    win->SlotAdjustArea();
    EXPECT_EQ(win->alarmState, 3);
    EXPECT_EQ(win->optionStack->currentIndex(), 1);
    EXPECT_FALSE(win->indexButton->isVisibleTo(win));
}

TEST(MainWindowCycle, EveryEditingStateHasItsWayBackToThePlainMainScreen)
{
    MainWindow* win = W().win;
    auto plain = [win](const char* how) {
        EXPECT_EQ(win->alarmState, 0) << how;
        EXPECT_TRUE(win->indexButton->isVisibleTo(win)) << how;
        EXPECT_TRUE(win->ioStatusWidget->isVisibleTo(win)) << how;
        EXPECT_EQ(win->optionStack->currentIndex(), 0) << how;
    };
    win->indexButton->show();
    win->SlotAdjustArea();
    ASSERT_EQ(win->alarmState, 3);
    win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
    plain("area settings, End Set");

    win->SlotShowAlarmImgae();
    ASSERT_EQ(win->alarmState, 3);
    win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
    plain("alarm pictures, End Set");

    // The account state opens no page: the next press on the option bar leaves it.
    win->SlotAccount();
    ASSERT_EQ(win->alarmState, 3);
    win->OptBtnsToggledSlot(OptionBar::BTN_MULTI_SCREEN, true);
    plain("account, option bar");

    // Resampling's area check: End Set retrains at once when no verdict display will do it.
    gisReTrain = 0;
    win->CheckArea(false);
    ASSERT_EQ(win->alarmState, 3);
    ASSERT_EQ(gFromTrain, 1);
    win->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true);
    EXPECT_EQ(gFromTrain, 0);
    EXPECT_EQ(win->runState, 1);
    EXPECT_TRUE(win->alarmState == 0 || win->alarmState == 1);
    EXPECT_TRUE(gisReTrain == 0 || win->showTimer->isActive()) << "a retrain nothing will serve";
    win->showTimer->stop();
    win->TimerShow();
    EXPECT_EQ(gisReTrain, 0);
    plain("area check, End Set, display ended");
}

TEST(MainWindowCycle, HeldNgPictureIsWrittenWhenDetectionStopsAndStarts)
{
    MainWindow* win = W().win;
    gPicNumNG = 3;
    QImage ng(gImageW, gImageH, QImage::Format_RGB32);
    ng.fill(Qt::red);
    ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, ng));
    win->failPicState[0][0] = 3;  // rendered by the verdict, held by the alarm
    win->alarmState = 2;
    win->runState = 3;
    QThread::msleep(300);
    EXPECT_TRUE(NgPictures(1, 1).isEmpty());
    win->StartDetect();
    EXPECT_EQ(win->alarmState, 0);
    EXPECT_EQ(win->failPicState[0][0], 0);
    EXPECT_TRUE(WaitUntil([] { return NgPictures(1, 1).size() == 1; }, 3000));
}

TEST(MainWindowCycle, AlarmClearedByTheOperatorKeepsItsStampedPicture)
{
    MainWindow* win = W().win;
    gPicNumNG = 3;
    QImage ng(gImageW, gImageH, QImage::Format_RGB32);
    ng.fill(Qt::gray);
    ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 1, 0, ng));
    win->failPicState[0][1] = 4;  // "Don't Detect"
    win->curDetect = 1;
    win->alarmState = 2;
    win->operatorCheck = true;
    win->cammerWidget[0]->isOK = true;
    win->CheckNG();
    EXPECT_EQ(win->failPicState[0][1], 0);
    ASSERT_TRUE(WaitUntil([] { return NgPictures(1, 2).size() == 1; }, 3000));
    // The red stamp is on the written grey picture.
    const QImage written(QString("alarmimage/camera1/detect2/NG/") + NgPictures(1, 2).first());
    ASSERT_FALSE(written.isNull());
    int red = 0;
    for (int x = 55; x < written.width(); ++x)
        for (int y = 50; y < 90 && y < written.height(); ++y)
            red += qRed(written.pixel(x, y)) > 180 && qGreen(written.pixel(x, y)) < 100;
    EXPECT_GT(red, 20);
}

TEST(MainWindowCycle, DebouncedInputActsOnlyWhenStillActive)
{
    MainWindow* win = W().win;
    gpWPara->input_debounce = 5;
    gpWPara->stage_delay[1] = 20;
    // A short press: the confirmation finds the input inactive and nothing starts.
    win->SlotPressedTrigIn1();
    win->Run();
    ASSERT_TRUE(win->inputTimer[0]->isActive());
    EXPECT_EQ(win->inputTimer[0]->interval(), 500);
    EXPECT_FALSE(win->stageTimer[1]->isActive());
    win->SlotReleasedTrigIn1();
    win->Run();
    win->TimerCheckInput0();
    EXPECT_FALSE(win->inputSampled[0]);
    win->Run();
    EXPECT_FALSE(win->stageTimer[1]->isActive());
    // A press still held when the time is up starts the cycle on the next pass.
    win->SlotPressedTrigIn1();
    win->Run();
    ASSERT_TRUE(win->inputTimer[0]->isActive());
    win->TimerCheckInput0();
    EXPECT_TRUE(win->inputSampled[0]);
    win->Run();
    EXPECT_FALSE(win->inputSampled[0]);
    EXPECT_TRUE(win->stageTimer[1]->isActive());
    EXPECT_EQ(win->stageClock.Remaining(1), 20);
    win->SlotReleasedTrigIn1();
}

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

TEST(MainWindowHint, ASizeHintRunsTheHintTimerWhichClearsIt)
{
    MainWindow* win = W().win;
    viewHost()->showSizeHint();
    EXPECT_EQ(gDrawHint, 1);
    ASSERT_TRUE(win->hintTimer->isActive());
    EXPECT_EQ(win->hintTimer->interval(), 3000);
    win->SlotDrawHint();
    EXPECT_EQ(gDrawHint, 0);
    EXPECT_FALSE(win->hintTimer->isActive());
}

TEST(MainWindowCycleMultiDetection, TheRepeatedInputIsClearedByADispatchThatStartsNothing)
{
    MainWindow* win = W().win;
    WizardPara& p = *gpWPara;
    p.io_mode = 4;
    p.input_debounce = 0;
    gDNum = 3;
    for (int d = 0; d < 3; ++d) {
        p.stage_enabled[d] = 1;
        p.stage_trigger_input[d] = d == 0 ? 0 : 1;
    }
    win->cycleStages = gDNum;  // the cycle set up for three stages
    for (quint32& m : win->detectMask)
        m = 0;  // no stage waits for input 1
    win->multiDetect = 1;
    win->repeatInput = 1;
    win->Run();
    EXPECT_EQ(win->repeatInput, -1);
    for (QTimer* t : win->stageTimer)
        EXPECT_FALSE(t->isActive());
}

TEST(MainWindowCycleMultiDetection, AnInspectionDuringTheAreaCheckLeavesTheNextVerdictItsRepeatRule)
{
    MainWindow* win = W().win;
    WizardPara& p = *gpWPara;
    p.io_mode = 4;
    gDNum = 3;
    for (int d = 0; d < 8; ++d) {
        p.stage_enabled[d] = d < 3;
        p.stage_trigger_input[d] = d < 3 ? 1 : -1;
    }
    win->multiDetect = 0;
    win->ResetRun();  // every view OK
    // A manual request judged while resampling's area check is open: no verdict is given.
    gFromTrain = 1;
    win->cycleStarted = true;
    win->CheckNG();
    gFromTrain = 0;
    // The next OK verdict of stage 1: stage 2 waits on the same input, taken without a new edge.
    win->repeatInput = -1;
    win->CheckNG();
    EXPECT_EQ(win->repeatInput, 1);
}

namespace {

// Input 0 judged NG on camera 0 (lost, so the region results below stay) with stopping instead
// of the alarm: the NG outputs 4-7 set. Region r chooses output r + 1; stage 0 holds NG results
// in regions 0 and 1 (the first pair's last mould), stage 2 in region 2 only.
std::array<int, 4> NgOutputsOfAStageZeroNg(int ioMode, int side)
{
    MainWindow* win = W().win;
    WizardPara& p = *gpWPara;
    p.io_mode = ioMode;
    p.enable_stop_not_alarm = 1;
    p.ng_pulse_mode = p.front_auto_check_time = 0;
    win->side = side;
    CammerWidget* view = win->cammerWidget[0];
    CammerSingleton model(0);
    model.roiNum[0] = model.roiNum[2] = 3;
    for (int r = 0; r < 3; ++r) {
        model.outputNo[r] = r + 1;
        view->roiOK[0][r] = r == 2;
        view->roiOK[2][r] = r != 2;
    }
    CammerSingleton* const before = view->modelInForce;
    view->modelInForce = &model;
    for (int& state : win->failPicState[0])
        state = 0;  // no NG picture: the model has no regions to draw
    for (int& n : win->reCheckCount)
        n = 0;
    for (bool& f : win->ngOutFlags)
        f = false;  // as at the cycle's start
    for (int k = 4; k < 8; ++k)
        gpControlIO->IOSetOut(k, 0);
    cameraHost()->markCycleNotOK(0);
    win->TimerUp(0);
    view->modelInForce = before;
    std::array<int, 4> out{};
    for (int k = 0; k < 4; ++k)
        out[size_t(k)] = gpControlIO->IOState(1, 4 + k) ^ p.output_polarity[4 + k];
    return out;
}

}  // namespace

TEST(MainWindowCycleNgOutputs, APairedModeSetsTheNgOutputsOfTheMouldItJudged)
{
    // Modes 1 and 2, second pair: input 0 judges stage 2, whose NG region sets output 7 alone.
    EXPECT_EQ(NgOutputsOfAStageZeroNg(1, 0), (std::array<int, 4>{0, 0, 0, 1}));
    EXPECT_EQ(NgOutputsOfAStageZeroNg(2, 0), (std::array<int, 4>{0, 0, 0, 1}));
    // The first pair and mode 0 judge stage 0 itself.
    EXPECT_EQ(NgOutputsOfAStageZeroNg(1, 1), (std::array<int, 4>{0, 1, 1, 0}));
    EXPECT_EQ(NgOutputsOfAStageZeroNg(0, 1), (std::array<int, 4>{0, 1, 1, 0}));
}

namespace {

QVector<int> Outputs()
{
    QVector<int> out;
    for (int n = 0; n < 8; ++n)
        out << gpControlIO->IOState(1, n);
    return out;
}

// The settings accept with another I/O mode chosen, as the screen applies it.
void AcceptIoMode(int mode, int subMode = 0)
{
    WizardPara edited = *gpWPara;
    edited.io_mode_chosen = mode;
    edited.io_sub_mode = subMode;
    edited.first_stage_on = 1;
    SettingsHost host;
    ASSERT_FALSE(IoModeStep(edited, gpWPara->io_mode, host));
    *gpWPara = edited;
}

}  // namespace

TEST(MainWindowStageCount, AModeChangeWhileDetectingStartsNoStageAndGivesNoWord)
{
    MainWindow* win = W().win;
    gpWPara->input_debounce = 0;
    ASSERT_EQ(gpWPara->io_mode, 0);
    ASSERT_EQ(win->manualDetect, gDNum);  // "no request" of two stages
    win->showTimer->stop();  // the verdict display of a test before
    const QVector<int> idle = Outputs();

    // 0 -> 1 with both stage pairs: four stages; the stored "no request" 2 would read as a
    // request for stage 3.
    AcceptIoMode(1, 2);
    ASSERT_EQ(gDNum, 4);
    for (int pass = 0; pass < 3; ++pass)
        win->Run();
    EXPECT_EQ(win->manualDetect, 4);
    EXPECT_EQ(win->alarmState, 0) << "a stage was judged";
    EXPECT_FALSE(win->showTimer->isActive());
    EXPECT_EQ(Outputs(), idle);
    for (QTimer* t : win->stageTimer)
        EXPECT_FALSE(t->isActive());

    // A cycle of the four stages is open, the third stage's delay runs: 1 -> 0 takes the stage away.
    gpWPara->stage_delay[2] = 5;
    win->detectMask[1] = 1;
    win->stageClock.Start(2, 5);
    const QVector<int> open = Outputs();
    AcceptIoMode(0);
    ASSERT_EQ(gDNum, 2);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(win->manualDetect, 2);
    EXPECT_EQ(win->alarmState, 0) << "the removed stage was judged";
    EXPECT_EQ(Outputs(), open);
    for (QTimer* t : win->stageTimer)
        EXPECT_FALSE(t->isActive());
    EXPECT_EQ(win->detectMask[1], 0u);

    // The next trigger starts an ordinary cycle of the new mode.
    win->simInput = 0;
    win->Run();
    EXPECT_TRUE(win->alarmState == 1 || win->stageTimer[0]->isActive() || win->stageTimer[1]->isActive())
        << "the trigger started no cycle";
    EXPECT_EQ(win->manualDetect, 2);
}

TEST(MainWindowDay, ACountMadeAfterEightBeforeTheDayCheckGoesIntoTheNewStatisticsDay)
{
    MainWindow* win = W().win;
    ResStatisticsParam* store = gpResStatisticsParam;
    ASSERT_TRUE(store && store->isLoaded());
    const QDate today = QDate::currentDate();
    // The statistics day of yesterday 09:00 is held; the 60 s check has not run since 08:00.
    win->statisticsDay = quint32(QDateTime(today.addDays(-1), QTime(9, 0)).toSecsSinceEpoch() - 8 * 3600);
    ASSERT_TRUE(store->nextDay(DayRotation::DayText(today.addDays(-1))));
    const int before = store->okTotalOf(1).value(0);
    win->wallClock = [today] { return QDateTime(today, QTime(8, 0, 5)); };
    win->curDetect = 1;
    win->CheckNG();  // an OK verdict of stage 2, counted
    win->wallClock = {};
    EXPECT_EQ(store->getCurDate(), DayRotation::DayText(today));
    EXPECT_EQ(store->okTotalOf(1).value(0), 1) << "counted into the day before (it held " << before << ")";
}

namespace {

int Out(int n) { return gpControlIO->IOState(1, n) ^ gpWPara->output_polarity[n]; }

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

// Runs stage d's delay out tick by tick, as its timer would.
void RunOut(MainWindow* win, int d)
{
    for (int i = 0; i < 100 && win->stageTimer[d]->isActive(); ++i)
        win->TimerUp(d);
}

// Turntable, first pair, both stages from input 0 with their own delays, the prod stage's the
// longer: 0.8 s and 0.3 s. Two automatic re-checks of the mould stage; a prod NG only pulses.
void TurntableWithTheProdStageLast(MainWindow* win)
{
    WizardPara& p = *gpWPara;
    p.io_mode = 2;
    p.io_sub_mode = 0;
    p.semi_auto = 0;
    p.first_stage_on = 1;
    for (int d = 0; d < 8; ++d) {
        p.stage_enabled[d] = d < 2;
        p.stage_trigger_input[d] = d < 2 ? 0 : -1;
    }
    p.stage_delay[0] = 8;
    p.stage_delay[1] = 3;
    p.input_debounce = 0;
    p.enable_trigger_safety = 0;
    p.enable_stop_not_alarm = 1;
    p.ng_pulse_mode = 0;
    p.pre_cut = 0;
    p.front_auto_check_time = 2;
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
    WizardPara& p = *gpWPara;
    p.io_mode = 0;
    p.semi_auto = 1;
    p.first_stage_on = 1;
    for (int d = 0; d < 8; ++d) {
        p.stage_enabled[d] = d < 2;
        p.stage_trigger_input[d] = d == 0 ? 0 : d == 1 ? 2 : -1;
    }
    p.stage_delay[0] = 3;
    p.stage_delay[1] = 5;
    p.input_debounce = 0;
    p.enable_trigger_safety = 0;
    p.enable_stop_not_alarm = 0;
    p.ng_pulse_mode = 0;
    p.pre_cut = 0;
    p.front_auto_check_time = 0;
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
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_EQ(win->alarmState, 2);
    ASSERT_EQ(win->curDetect, 1);
    CammerWidget* view = win->cammerWidget[0];
    ASSERT_TRUE(view->modelEdit && view->modelInForce);
    view->modelEdit->roiNum[7] += 1;  // an unsaved edit on the alarm page
    // While the save question is open the machine re-checks (the part is gone) and starts the
    // next cycle.
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0) {
            win->cycleLost[0] = false;
            win->simInput = 1;
            win->Run();
            win->simInput = 0;
            win->Run();
        }
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
    win->simInput = 0;
    win->Run();
    RunOut(win, 0);
    cameraHost()->markCycleNotOK(0);
    RunOut(win, 1);
    ASSERT_EQ(win->alarmState, 2);
    win->selectedView = 0;  // camera 1 shown alone on the alarm page
    int asked = 0;
    const ModalHook before = setModalHook([&](QDialog&) {
        if (asked++ == 0) {
            win->cycleLost[0] = false;
            win->simInput = 1;  // the machine's re-check: the part is gone
            win->Run();
            win->simInput = 0;  // and the next cycle starts
            win->Run();
        }
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
