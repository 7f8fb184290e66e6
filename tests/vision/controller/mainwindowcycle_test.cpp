// The monitoring cycle inside the main window built as at start-up (no camera, no board): the
// no-input watchdog warns once and is re-armed at the next cycle start, a manual request during
// a running delay is refused, the region page works on an existing view when all views are shown,
// and an alarm's NG picture is written when the hold ends by stopping and starting or by the
// operator clearing it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QFile>
#include <QThread>
#include <QStackedWidget>
#include <QTimer>
#include <array>
#include <cstdio>
#include <unistd.h>
#include <limits>

#include "common/cyclewindow.h"
#include "common/faultyfileops.h"
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
#include "vision/records/recordwriter.h"
#include "vision/records/verdictwriter.h"
#include "core/orderlystop.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int row) { return gaLanStr[row * LAN_COUNT + gLan]; }

using namespace cyclewindow;

// The OK counts of stage `d` in ResStatistics.db as they are on the disk, with the day stamped in it.
QString StageOkOnDisk(int d, int* stamp)
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stage_on_disk");
        db.setDatabaseName("file:ResStatistics.db?mode=ro");
        db.setConnectOptions("QSQLITE_OPEN_URI");
        QSqlQuery q(db);
        if (db.open() && q.exec(QString("select value1 from resstatistics where name = 'Detect%1'").arg(d)) && q.next())
            out = q.value(0).toString();
        if (q.exec("PRAGMA user_version") && q.next())
            *stamp = q.value(0).toInt();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("stage_on_disk");
    return out;
}

QStringList NgPictures(int camera, int stage)
{
    return QDir(QString("alarmimage/camera%1/detect%2/NG").arg(camera).arg(stage))
        .entryList({"*.jpg"}, QDir::Files, QDir::Name);
}

// A case that counts the NG pictures of a stage starts from none: the window and its folder live
// for the whole program, and a round before may have written some.
void NoNgPictures(int camera, int stage)
{
    QDir(QString("alarmimage/camera%1/detect%2/NG").arg(camera).arg(stage)).removeRecursively();
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
    NoNgPictures(1, 1);
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
    NoNgPictures(1, 2);
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
    // No cycle of a test before is open: the change below would rightly warn of it.
    win->stageClock.StopAll();
    for (quint32& m : win->detectMask)
        m = 0;
    win->openCycle.Reset();
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
    // Nothing changes but the mould held for the warning that asks to release it.
    QVector<int> held = open;
    held[0] = 1;
    EXPECT_EQ(Outputs(), held);
    for (QTimer* t : win->stageTimer)
        EXPECT_FALSE(t->isActive());
    EXPECT_EQ(win->detectMask[1], 0u);
    // The cycle ended unjudged: the operator is told, and confirms the release.
    ASSERT_TRUE(win->faultBox && win->faultBox->isVisible());
    EXPECT_GE(win->unjudgedStage, 0);
    win->ConfirmUnjudged();
    EXPECT_EQ(win->unjudgedStage, -1);
    EXPECT_EQ(Outputs()[0], 0) << "the mould left held";

    // The next trigger starts an ordinary cycle of the new mode.
    win->simInput = 0;
    win->Run();
    EXPECT_TRUE(win->alarmState == 1 || win->stageTimer[0]->isActive() || win->stageTimer[1]->isActive())
        << "the trigger started no cycle";
    EXPECT_EQ(win->manualDetect, 2);
}

// A case before may leave a cycle open on the shared window (a delay running, a re-check
// pending): its verdict would not be the final one that is counted.
void NoCycleOpen(MainWindow* win)
{
    win->stageClock.StopAll();
    for (QTimer* t : win->stageTimer)
        t->stop();
    win->reCheckFlag = false;
    win->reCheckCount[0] = win->reCheckCount[1] = 0;
}

// The window's minute timer checks the statistics day by the real clock. After a long case that
// let no event through (a whole program run) it is overdue, and at the first wait it would close
// the day a test holds on its own before the test's clock gets to. Restore() starts it again.
void NoDayCheckOfTheRealClock(MainWindow* win)
{
    win->dayTimer->stop();
}

TEST(MainWindowDay, ACountMadeAfterEightBeforeTheDayCheckGoesIntoTheNewStatisticsDay)
{
    MainWindow* win = W().win;
    NoCycleOpen(win);
    NoDayCheckOfTheRealClock(win);
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
    // Before 08:00 the real statistics day is yesterday's: the cases after this one count in it.
    HoldTheRealStatisticsDay(win);
}

// The archive's disk holds its sync (a slow disk of its own): counts made during the day change
// reach the fresh ResStatistics.db meanwhile, not after the copy.
TEST(MainWindowDay, CountsMadeDuringTheDayChangeReachTheirFileWhileTheArchiveWaitsForItsDisk)
{
    MainWindow* win = W().win;
    NoCycleOpen(win);
    ResStatisticsParam* store = gpResStatisticsParam;
    ASSERT_TRUE(store && store->isLoaded());
    const QDate today = QDate::currentDate();
    const QString yesterday = DayRotation::DayText(today.addDays(-1));
    NoDayCheckOfTheRealClock(win);
    win->statisticsDay = quint32(QDateTime(today.addDays(-1), QTime(9, 0)).toSecsSinceEpoch() - 8 * 3600);
    if (store->getCurDate() != yesterday)
        store->nextDay(yesterday);
    ASSERT_TRUE(WaitUntil([store] { return !store->movePending() && !store->archivePending(); }, 20000));
    // The closed day's file is a fresh one with no counts. An archive of that day with the same
    // bytes, which a run of this case before left, would be taken for its archive made already:
    // no copy, no sync to hold. The case makes its own.
    for (const QString& f : QDir("ResStatistics").entryList({yesterday + ".db", yesterday + "_*.db"}, QDir::Files))
        ASSERT_TRUE(QFile::remove("ResStatistics/" + f)) << f.toStdString();
    const QStringList archivedBefore = QDir("ResStatistics").entryList(QDir::Files);
    FaultyFileOps ops;
    ops.HoldSyncsUnder(QDir("ResStatistics").absolutePath());
    win->curDetect = 1;
    win->wallClock = [today] { return QDateTime(today, QTime(8, 0, 5)); };
    win->CheckNG();  // the day changes, then an OK verdict of stage 2 is counted
    win->wallClock = [today] { return QDateTime(today, QTime(8, 0, 6)); };
    win->CheckNG();
    win->wallClock = {};
    const int todayStamp = today.year() * 10000 + today.month() * 100 + today.day();
    QString onDisk;
    int stamp = 0;
    const bool written = WaitUntil(
        [&] {
            onDisk = StageOkOnDisk(1, &stamp);
            return stamp == todayStamp && onDisk.startsWith("2 ");
        },
        10000);
    // The copy runs beside the counts: on a loaded machine it may reach its sync after them.
    WaitUntil([&ops] { return ops.heldSyncs() >= 1; }, 10000);
    const int held = ops.heldSyncs();
    ops.Release();
    EXPECT_TRUE(written) << "on the disk: " << onDisk.toStdString() << ", day " << stamp;
    EXPECT_GE(held, 1) << "the archive never reached its disk";
    EXPECT_TRUE(WaitUntil([store] { return !store->movePending() && !store->archivePending(); }, 20000));
    // The closed day's archive is named by the day its file holds, which a case before may have
    // left other than yesterday: a new file in the archive is what counts.
    const QStringList after = QDir("ResStatistics").entryList(QDir::Files);
    EXPECT_EQ(after.size(), archivedBefore.size() + 1) << after.join(' ').toStdString();
    HoldTheRealStatisticsDay(win);
}

// A stop in order while the alarm hold keeps an NG picture and the picture writer is behind on
// its disk: the stop says true only when the held picture was taken. Run in a child of its own,
// since the stop ends the window's writers.
TEST(MainWindowCycleDeathTest, AStopWhoseHeldPictureTheWriterCouldNotTakeSaysSo)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int full = SaveFialImageThread::kWaitingPerStage;
    const struct {
        int waiting;  // hand-overs of camera 1 stage 1 the writer has not taken
        int exit;     // 0: the stop says everything held is written
    } cases[] = {{full - 1, 0}, {full, 1}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.waiting);
        EXPECT_EXIT(
            {
                MainWindow* win = W().win;
                NoNgPictures(1, 1);
                gPicNumNG = 10;
                gpSaveFialImageThread->requestInterruption();
                gpSaveFialImageThread->wait();
                QImage ng(gImageW, gImageH, QImage::Format_RGB32);
                for (int i = 1; i <= t.waiting + 1; ++i) {
                    ng.fill(qRgb(40 * i, 0, 0));
                    if (!SaveFialImageThread::PutSlot(0, 0, 0, ng))
                        ::_exit(3);
                    gFailIndex[0][0] = i;  // names of their own: no wait for the next second
                    if (i <= t.waiting && !SaveFialImageThread::HandOver(0, 0, false, true))
                        ::_exit(4);
                }
                win->failPicState[0][0] = 3;  // rendered by the verdict, held by the alarm
                win->alarmState = 2;
                win->runState = 3;
                const bool whole = win->FlushBeforeEnd(3000);
                std::fprintf(stderr, "%d NG pictures written\n", int(NgPictures(1, 1).size()));
                std::fflush(stderr);
                ::_exit(whole ? 0 : 1);
            },
            ::testing::ExitedWithCode(t.exit), "NG pictures written");
    }
}

namespace {
void PrintLine(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    std::fprintf(stderr, "%s\n", qPrintable(msg));
}
}  // namespace

// What a writer left out while the program ran reaches the stop's last line, named with how
// much, and the stop does not say everything held is written. One case per writer, each in a
// child of its own, since the stop ends the window's writers.
TEST(MainWindowCycleDeathTest, TheStopsLastLineNamesEachWriterThatLeftSomethingOut)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    enum Writer { Statistics, Verdicts, Records, Pictures };
    const struct {
        Writer writer;
        const char* line;  // what the last line names
    } cases[] = {
        {Statistics, "statistics store: the counts of [0-9-]+ \\(2 counts\\) kept apart and not stored"},
        {Verdicts, "verdict writer: 1 job"},
        {Records, "record writer: 1 row"},
        {Pictures, "picture writer: 1 picture"},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.line);
        EXPECT_EXIT(
            {
                MainWindow* win = W().win;
                const QString stats = QDir::current().absoluteFilePath("ResStatistics.db");
                switch (t.writer) {
                case Statistics: {
                    // No fresh file can be made: the new day's counts live only in memory.
                    QFile::remove(stats + ".new");
                    if (!QDir().mkpath(stats + ".new") || !gpResStatisticsParam)
                        ::_exit(3);
                    const QDate held = QDate::fromString(gpResStatisticsParam->getCurDate(), "yyyy-MM-dd");
                    gpResStatisticsParam->nextDay(held.addDays(1).toString("yyyy-MM-dd"));
                    gpResStatisticsParam->addTotal(1, true, 0);
                    gpResStatisticsParam->addTotal(2, false, 0);
                    break;
                }
                case Verdicts:
                    win->verdictWriter->Commit(stats, {"update no_such_table set value1 = '1'"});
                    break;
                case Records: {
                    // Given up while another program held the file, long before the stop.
                    RecordWriter* writer = win->record.writer();
                    writer->giveUpMs = 100;
                    DbLocker lock("RECORD.db");
                    if (!lock.locked())
                        ::_exit(3);
                    writer->Enqueue({"07.00.00", "Unlogged", "given up"});
                    if (!WaitUntil([writer] { return writer->givenUp() == 1; }, 20000))
                        ::_exit(4);
                    break;
                }
                case Pictures: {
                    // A picture whose write failed during the run is gone: it is not tried again.
                    gpSaveFialImageThread->requestInterruption();
                    gpSaveFialImageThread->wait();
                    QImage ng(gImageW, gImageH, QImage::Format_RGB32);
                    ng.fill(qRgb(200, 0, 0));
                    gFailIndex[0][0] = 1;
                    if (!SaveFialImageThread::PutSlot(0, 0, 0, ng) || !SaveFialImageThread::HandOver(0, 0, false, true))
                        ::_exit(3);
                    gpSaveFialImageThread->hooks.writeSome = [](int, const char*, long long) { return -1LL; };
                    gpSaveFialImageThread->Pass();
                    gpSaveFialImageThread->hooks.writeSome = {};
                    break;
                }
                }
                OrderlyStop::SetFlush(
                    [win](int boundMs, QStringList* leftOut) { return win->FlushBeforeEnd(boundMs, leftOut); });
                qInstallMessageHandler(PrintLine);
                ::_exit(OrderlyStop::FlushBeforeEnd() ? 0 : 1);
            },
            ::testing::ExitedWithCode(1), std::string("end: the databases are closed; what could not be written is "
                                                      "logged above; left out since the start: .*") + t.line);
    }
}
