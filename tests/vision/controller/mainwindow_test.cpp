// The main window built as at start-up in a temporary program directory (no camera, no board):
// no-camera mode, the dispatchers and their guards, the view layout wiring, zoom and pan, the
// touch watch on the real window, and a damaged parameter database.
#include <gtest/gtest.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QPushButton>
#include <QStackedWidget>
#include <QThreadPool>
#include <QTimer>

#include "common/programdir.h"
#include "common/windowstart.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "statistics/resstatisticsparam.h"
#include "platform/camsdk/camsim.h"
#include "core/mapplication.h"
#include "core/runmodederivation.h"
#include "core/startup.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/optionbar.h"
#include "widgets/boptionbutton.h"
#include "common/recorddb.h"
#include "settings/systemsettingwidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/choosebox.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int row)
{
    return gaLanStr[row * LAN_COUNT + gLan];
}

// A program directory as scripts/run prepares it.
void PrepareProgramDir(ProgramDir& dir)
{
    ASSERT_TRUE(CreateDefaultDatabases("."));
    ASSERT_TRUE(CreateDefaultDatabases("paraGroup/default"));
    ASSERT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
    ASSERT_TRUE(MakeRecordDb("RECORDNULL.db"));
    ASSERT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    qputenv("MOULDMON_SERIAL", dir.file("noboard").toUtf8());
    qunsetenv("MOULDMON_SIMCAM");
    camsim::CamSim::instance().reload();  // no device an earlier test served
}

// The texts of the modal dialogs the window asked, answered with `answer`.
struct ModalLog {
    QStringList texts;
    int answer = QDialog::Rejected;
    ModalLog()
    {
        setModalHook([this](QDialog& d) {
            if (auto* c = qobject_cast<QDialog*>(&d)) {
                if (auto* box = dynamic_cast<ChooseBox*>(c))
                    texts << box->text();
                else if (auto* warn = dynamic_cast<WarnBox*>(c))
                    texts << warn->text();
                else
                    texts << c->metaObject()->className();
            }
            return answer;
        });
    }
    ~ModalLog() { setModalHook({}); }
};

// One window for the whole test program.
struct Window {
    // The windows before it write their last rows and pictures before this directory is current.
    const bool othersQuiet = (QuietWindows(), true);
    ProgramDir dir;
    ModalLog modal;
    MainWindow* win = nullptr;
    WindowWorld* world = nullptr;
    QStringList startTexts;  // what the start-up asked
    QDate builtOn;           // the day the window was made (a run may cross midnight)

    Window()
    {
        PrepareProgramDir(dir);
        if (!gpWPara) {
            gpWPara = new WizardPara;
            gpWParaBak = new WizardPara;
        }
        CreateGlobalMutexes();
        Data_Init();
        MakeRoomForAWindow();
        builtOn = QDate::currentDate();
        win = new MainWindow;
        startTexts = modal.texts;
        world = new WindowWorld(win, dir.path());
    }
};

Window& W()
{
    static Window* w = new Window;
    w->world->Restore();
    w->modal.texts.clear();
    w->modal.answer = QDialog::Rejected;  // a test that answered Yes and stopped early
    // Every test starts from the plain main screen, whatever the one before left.
    MainWindow* win = w->win;
    win->mainStack->setCurrentIndex(0);
    win->optionStack->setCurrentIndex(0);
    win->alarmState = 0;
    win->userLevel = 0;
    win->selectedView = numCamera;
    win->ChangeCammer();
    return *w;
}

// The camera threads must not outlive the simulator (a static) at the end of the process.
const bool kStopCameras = (StopWindowThreadsAtExit(), true);

void Spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

TEST(MainWindowStart, NoCameraModeLaysOutFourViewsAndKeepsRunning)
{
    Window& w = W();
    MainWindow* win = w.win;
    ASSERT_FALSE(win->rebootAsked);
    // The question of the no-camera mode, answered No: the serials stay.
    ASSERT_EQ(w.startTexts.size(), 1);
    EXPECT_EQ(w.startTexts[0], Row(134));
    EXPECT_EQ(gCameraID, 0);
    EXPECT_EQ(numCamera, 4);
    EXPECT_EQ(win->viewCount, 4);
    EXPECT_EQ(gShowW, 1725);
    EXPECT_EQ(gShowH, 982);
    // Four empty views of 1725 x 982 in total; only view 0 is fully built.
    const QRect cells[4] = {{0, 0, 862, 491}, {862, 0, 862, 491}, {0, 491, 862, 491}, {862, 491, 862, 491}};
    for (int v = 0; v < 4; ++v) {
        ASSERT_NE(win->cammerWidget[v], nullptr);
        EXPECT_EQ(win->cammerWidget[v]->geometry(), cells[v]) << v;
        EXPECT_TRUE(win->cammerWidget[v]->isVisibleTo(win)) << v;
    }
    EXPECT_TRUE(win->ViewBuilt(0));
    for (int v = 1; v < 8; ++v)
        EXPECT_FALSE(win->ViewBuilt(v)) << v;
    // Detection started, the watchdog flag set, the record of the day holds row 150 with 4 cameras.
    EXPECT_EQ(win->runState, 1);
    EXPECT_TRUE(gisRunWTD);
    ASSERT_TRUE(win->record.Flush(5000));  // rows are written on the record writer's thread
    ASSERT_TRUE(win->record.Flush(5000));
    const QList<QStringList> rows = RecordRows("RECORD.db");
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                            [](const QStringList& r) { return r.value(2) == Row(150).arg(4); }));
    // The day the window started on (the window may have been made before a midnight).
    const QByteArray day = w.dir.read("time.txt");
    EXPECT_TRUE(day == w.builtOn.toString("yyyy-MM-dd").toUtf8() ||
                day == w.builtOn.addDays(1).toString("yyyy-MM-dd").toUtf8())
        << day.constData();
    EXPECT_TRUE(QDir("alarmimage/camera4/detect8/NG").exists());
    EXPECT_TRUE(QDir("cammer48").exists());
    EXPECT_FALSE(QDir("cammer51").exists());
    // The timers run for a while without a crash; the run timer keeps re-arming itself.
    win->show();
    Spin(300);
    EXPECT_TRUE(win->runTimer->isActive() || win->runTimer->remainingTime() >= 0);
    EXPECT_EQ(win->size(), QSize(1920, 1080));
}

TEST(MainWindowStart, ReloadInMultipleDetectionModeTrainsOnlyBuiltViews)
{
    Window& w = W();
    MainWindow* win = w.win;
    ASSERT_TRUE(gRunModeHooks.cameraCount);
    ASSERT_TRUE(gRunModeHooks.trainStage);
    EXPECT_EQ(gRunModeHooks.cameraCount(), numCamera);
    // No-camera mode lays out four views but builds only view 0: training the others must not
    // reach an engine that was never made.
    for (int c = 0; c < MAX_CAMERA; ++c)
        for (int d = 0; d < MAX_DETECT; ++d)
            gRunModeHooks.trainStage(c, d);
    gRunModeHooks.trainStage(-1, 0);
    gRunModeHooks.trainStage(0, MAX_DETECT);
    ASSERT_NE(win->cammerWidget[0]->recogniser, nullptr);
    EXPECT_FALSE(win->ViewBuilt(1));
}

TEST(MainWindowDispatch, SettingsAsLevelTwoWithPasswordOnOpensAtLevelOne)
{
    MainWindow* win = W().win;
    gpWPara->is_psw_used = 1;
    gpWPara->exposure[3] = 4321;
    win->userLevel = 2;
    emit win->optionBar->btnsToggled(OptionBar::BTN_SETTINGS, true);
    EXPECT_EQ(win->userLevel, 1);
    EXPECT_EQ(win->mainStack->currentIndex(), 1);
    EXPECT_EQ(gpWParaBak->exposure[3], 4321);  // the edit copy starts as the record in force
    EXPECT_FALSE(win->Guard("S"));
    // Any other button hides the settings screen first.
    emit win->optionBar->btnsToggled(OptionBar::BTN_MULTI_SCREEN, true);
    EXPECT_EQ(win->mainStack->currentIndex(), 0);
    EXPECT_TRUE(win->Guard("S"));
    EXPECT_EQ(win->selectedView, numCamera);
}

TEST(MainWindowDispatch, SettingsWithoutProtectionAlwaysOpen)
{
    MainWindow* win = W().win;
    gpWPara->is_psw_used = 0;
    win->userLevel = 2;
    emit win->optionBar->btnsToggled(OptionBar::BTN_SETTINGS, true);
    EXPECT_EQ(win->userLevel, 0);
    EXPECT_EQ(win->mainStack->currentIndex(), 1);
}

TEST(MainWindowDispatch, SettingsInAlarmHoldShowNothing)
{
    Window& w = W();
    MainWindow* win = w.win;
    gpWPara->is_psw_used = 1;
    win->userLevel = 1;
    win->alarmState = 2;
    emit win->optionBar->btnsToggled(OptionBar::BTN_SETTINGS, true);
    EXPECT_EQ(win->mainStack->currentIndex(), 0);
    win->alarmState = 0;
}

TEST(MainWindowDispatch, RefusedPasswordKeepsTheViews)
{
    Window& w = W();
    MainWindow* win = w.win;
    gpWPara->is_psw_used = 1;
    win->userLevel = 0;
    const int asked = w.modal.texts.size();
    emit win->optionBar->btnsToggled(OptionBar::BTN_SETTINGS, true);
    ASSERT_EQ(w.modal.texts.size(), asked + 1);
    EXPECT_EQ(w.modal.texts.last(), "PasswordBox");
    EXPECT_EQ(win->mainStack->currentIndex(), 0);
    EXPECT_EQ(win->optionBar->lastType(), OptionBar::BTN_NONE);
}

TEST(MainWindowDispatch, ReturnAndAlarmPicturesHonourTheirGuards)
{
    MainWindow* win = W().win;
    // Region page shown: SlotReturn does nothing.
    win->selectedView = 1;
    win->ChangeCammer();
    win->optionStack->setCurrentIndex(1);
    win->SlotReturn();
    EXPECT_EQ(win->selectedView, 1);
    win->optionStack->setCurrentIndex(0);
    win->SlotReturn();
    EXPECT_EQ(win->selectedView, numCamera);
    EXPECT_TRUE(win->cammerWidget[3]->isVisibleTo(win));

    // Alarm hold (H) blocks the alarm pictures; the plain screen enters them.
    win->alarmState = 2;
    win->SlotShowAlarmImgae();
    EXPECT_EQ(win->alarmState, 2);
    win->alarmState = 0;
    win->indexButton->show();
    win->SlotShowAlarmImgae();
    EXPECT_EQ(win->alarmState, 3);
    EXPECT_FALSE(win->indexButton->isVisibleTo(win));
    win->alarmState = 0;
}

TEST(MainWindowLayout, SixAndEightViewsAndOneAlone)
{
    MainWindow* win = W().win;
    const int saved = numCamera;
    numCamera = 6;
    win->selectedView = 6;
    win->ChangeCammer();
    EXPECT_EQ(win->cammerWidget[2]->geometry(), QRect(1152, 0, 576, 491));
    EXPECT_EQ(win->cammerWidget[5]->geometry(), QRect(1152, 491, 576, 491));
    EXPECT_FLOAT_EQ(win->viewScaleX, 576.0f / 1725.0f);
    EXPECT_FLOAT_EQ(win->viewScaleY, 491.0f / 982.0f);
    EXPECT_EQ(win->zoomToolMode, 0);

    numCamera = 8;
    win->selectedView = 8;
    win->ChangeCammer();
    EXPECT_EQ(win->cammerWidget[7]->geometry(), QRect(1293, 491, 431, 491));

    // One view alone: the others hidden, the zoom-in button offered.
    win->selectedView = 5;
    win->ChangeCammer();
    EXPECT_EQ(win->cammerWidget[5]->geometry(), QRect(0, 0, 1725, 982));
    for (int v : {0, 4, 6, 7})
        EXPECT_FALSE(win->cammerWidget[v]->isVisibleTo(win)) << v;
    EXPECT_EQ(win->zoomToolMode, 1);
    EXPECT_EQ(win->zoomInButton->parentWidget(), win->cammerWidget[5]);
    EXPECT_FLOAT_EQ(win->viewScaleX, 1.0f);

    numCamera = saved;
    win->selectedView = numCamera;
    win->ChangeCammer();
}

TEST(MainWindowZoom, FirstPressOpensToolsThenZoomsWithinLimits)
{
    MainWindow* win = W().win;
    win->selectedView = 0;
    win->ChangeCammer();
    ASSERT_EQ(win->zoomToolMode, 1);
    win->zoom.centreX = 400;
    win->zoom.centreY = 300;

    win->MEnlargeScale();  // only opens the tools
    EXPECT_EQ(win->zoomToolMode, 2);
    EXPECT_DOUBLE_EQ(win->zoom.scale, 1.0);
    EXPECT_TRUE(win->zoomTimer->isActive());
    EXPECT_EQ(win->zoomTimer->interval(), 30000);

    // Pan at 1.0 changes nothing.
    win->SlotMoveR();
    EXPECT_DOUBLE_EQ(win->zoom.offsetX, 0.0);

    const double expected[] = {1.2, 1.44, 1.728, 2.0736, 2.48832};
    for (double e : expected) {
        win->MEnlargeScale();
        EXPECT_NEAR(win->zoom.scale, e, 1e-9);
    }
    // The centre keeps its picture point.
    EXPECT_NEAR((400 - win->zoom.offsetX) / win->zoom.scale, 400.0, 1e-3);
    for (int i = 0; i < 40; ++i)
        win->MEnlargeScale();
    EXPECT_DOUBLE_EQ(win->zoom.scale, 32.0);

    const double ox = win->zoom.offsetX;
    win->SlotMoveR();
    EXPECT_DOUBLE_EQ(win->zoom.offsetX, ox + 32.0);
    win->SlotMoveT();
    win->MRecovery();
    EXPECT_DOUBLE_EQ(win->zoom.scale, 1.0);
    EXPECT_DOUBLE_EQ(win->zoom.offsetX, 0.0);

    win->MEnlargeScale();
    win->MReductionScale();  // 1.2 / 1.2 is below 1.1: back to 1.0, no offsets
    EXPECT_DOUBLE_EQ(win->zoom.scale, 1.0);
    EXPECT_DOUBLE_EQ(win->zoom.offsetY, 0.0);

    // The timer's end collapses the tools to the zoom-in button.
    win->MTimerScale();
    EXPECT_EQ(win->zoomToolMode, 1);
    EXPECT_FALSE(win->zoomTimer->isActive());
    // A layout change resets the zoom.
    win->MEnlargeScale();
    win->MEnlargeScale();
    win->ChangeCammer();
    EXPECT_DOUBLE_EQ(win->zoom.scale, 1.0);
    win->selectedView = numCamera;
    win->ChangeCammer();
}

TEST(MainWindowTouch, PressRearmsTheWindowsTimersAndWakesTheScreen)
{
    MainWindow* win = W().win;
    QTimer longPress;
    TouchWatch watch(&longPress, ProgramTouchWatchContext());
    gpWPara->auto_cancel_timelen = 30;
    gpWPara->location_level = 90;
    win->logoutTimer->stop();
    EXPECT_FALSE(watch.Filter(QEvent::MouseButtonPress));
    EXPECT_TRUE(win->logoutTimer->isActive());
    EXPECT_EQ(win->logoutTimer->interval(), 30000);
    EXPECT_EQ(win->lcdTimer->interval(), 90000);
    EXPECT_TRUE(longPress.isActive());  // counts: no camera is in use
    watch.Filter(QEvent::MouseButtonRelease);

    // The backlight-off timer darkens the screen; the next press only lights it.
    win->TimerLCD();
    ASSERT_EQ(win->screenOff, 1);
    EXPECT_TRUE(watch.Filter(QEvent::MouseButtonPress));
    EXPECT_EQ(win->screenOff, 0);
    EXPECT_FALSE(watch.Filter(QEvent::MouseButtonRelease));
    EXPECT_FALSE(watch.Filter(QEvent::MouseButtonPress));

    // The logout timer's end logs the operator out.
    win->userLevel = 2;
    win->TimerLogout();
    EXPECT_EQ(win->userLevel, 0);
}

TEST(MainWindowStartDeathTest, DamagedParamDbIsKeptAsideReplacedAndStartUpStops)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    // The fork keeps no pool threads: a child that scales a picture (the splash) would queue the
    // work to idle threads an earlier case left in the pool, which exist only in the parent, and hang.
    QThreadPool::globalInstance()->waitForDone();
    QuietWindows();
    ProgramDir dir;
    PrepareProgramDir(dir);
    const QByteArray garbage(4096, '\x5a');
    ASSERT_TRUE(dir.write("PARAM.db", garbage));
    if (!gpWPara) {
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
    }
    Data_Init();
    SetStopWTDPause([] {});
    ModalLog modal;
    modal.answer = QDialog::Accepted;
    EXPECT_EXIT(new MainWindow, ::testing::ExitedWithCode(3), "start-up stopped, reboot asked: database PARAM.db");
    const QStringList aside = QDir(".").entryList({"PARAM.db.damaged-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(dir.read(aside[0]), garbage);
    EXPECT_EQ(dir.read("PARAM.db"), dir.read("paraGroup/default/PARAM.db"));
    SetStopWTDPause({});
}

namespace {

// Three simulated cameras found, two serials stored in SN.db.
void ThreeFoundTwoStored(ProgramDir& dir)
{
    PrepareProgramDir(dir);
    ServeSimulatedCameras(dir, 3, 2);
    if (!gpWPara) {
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
    }
    CreateGlobalMutexes();
    Data_Init();
}

}  // namespace

TEST(MainWindowCameras, ChangedCountAskedAndNoKeepsTheCamerasFound)
{
    QuietWindows();  // before the directory changes, see Window
    ProgramDir dir;
    ThreeFoundTwoStored(dir);
    ModalLog modal;  // answers No
    MakeRoomForAWindow();
    auto* win = new MainWindow;
    WindowWorld own(win, dir.path());
    EXPECT_FALSE(win->rebootAsked);
    ASSERT_FALSE(modal.texts.isEmpty());
    EXPECT_EQ(modal.texts.last(), Row(360));
    EXPECT_EQ(gFindCamera, 3);
    EXPECT_EQ(gpWPara->stored_camera_count, 2);
    EXPECT_EQ(gCameraID, 4);
    EXPECT_EQ(numCamera, 3);
    EXPECT_EQ(win->viewCount, 3);
    for (int v = 0; v < 3; ++v)
        EXPECT_TRUE(win->ViewBuilt(v)) << v;
    EXPECT_FALSE(win->ViewBuilt(3));
    // Three views in a 2 x 2 grid, the fourth cell empty.
    EXPECT_EQ(win->cammerWidget[2]->geometry(), QRect(0, 491, 862, 491));
    EXPECT_FALSE(win->cammerWidget[3]->isVisibleTo(win));
    ASSERT_TRUE(win->record.Flush(5000));
    ASSERT_TRUE(win->record.Flush(5000));
    EXPECT_EQ(RecordRows("RECORD.db").last().value(2), Row(150).arg(3));
    Spin(200);
    // This window's cameras and threads end with the test.
    for (CammerWidget* v : win->cammerWidget) {
        if (v) {
            v->CameraStop();
            v->CameraClose();
        }
    }
    own.Quiet();
    qunsetenv("MOULDMON_SIMCAM");
    camsim::CamSim::instance().reload();  // no device an earlier test served
}

TEST(MainWindowCamerasDeathTest, ChangedCountConfirmedClearsSerialsAndStopsForTheReboot)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    // The fork keeps no pool threads: a child that scales a picture (the splash) would queue the
    // work to idle threads an earlier case left in the pool, which exist only in the parent, and hang.
    QThreadPool::globalInstance()->waitForDone();
    QuietWindows();
    ProgramDir dir;
    ThreeFoundTwoStored(dir);
    SetStopWTDPause([] {});
    ModalLog modal;
    modal.answer = QDialog::Accepted;
    RecordingRunner runner;
    EXPECT_EXIT(new MainWindow, ::testing::ExitedWithCode(3), "camera count changed");
    // The serials were cleared in SN.db before the reboot.
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sn-check");
    db.setDatabaseName("SN.db");
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("SELECT value FROM sysparam WHERE name = 'serialNB0'") && q.next());
    EXPECT_EQ(q.value(0).toString(), "0");
    q.finish();
    db.close();
    SetStopWTDPause({});
    qunsetenv("MOULDMON_SIMCAM");
    camsim::CamSim::instance().reload();  // no device an earlier test served
}

TEST(MainWindowDispatch, ResamplingWhileStoppedShowsTheDetectionRunning)
{
    Window& w = W();
    MainWindow* win = w.win;
    gpWPara->is_psw_used = 0;
    win->runState = 1;
    w.modal.answer = QDialog::Accepted;
    auto startStopText = [&] {
        for (BOptionButton* b : win->optionBar->findChildren<BOptionButton*>())
            if (b->text() == Row(127) || b->text() == Row(136))
                return b->text();
        return QString();
    };
    win->SlotStartStop();
    ASSERT_EQ(win->runState, 3);
    EXPECT_EQ(startStopText(), Row(136));
    // Resampling starts the detection: the button offers to stop it again.
    win->SlotReTrain();
    EXPECT_EQ(win->runState, 2);
    EXPECT_EQ(startStopText(), Row(127));
}
