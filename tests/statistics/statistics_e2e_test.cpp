// The program's main window in a temporary program directory with the board simulator on a pty
// and a simulated camera: an OK verdict at the first stage and an NG at the second, counted in the
// statistics file; then the statistics screen through the option bar's type 6 (its button stays
// hidden) shows the NG in the shift of the current hour. Runs in a child process of its own (the
// window's threads and globals stay out of the other tests). MOULDMON_TEST_SHOTS names a folder
// for a screenshot.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTime>

#include "common/boardsim.h"
#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/waituntil.h"
#include "common/synthscene.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "platform/camsdk/camsim.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/statisticswidget.h"
#include "statsfixture.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/modalhook.h"

namespace {

int At(const QList<int>& l, int slot) { return l.value(slot); }

QStringList Scenario()
{
    QStringList errors;
    auto check = [&](bool ok, const QString& what) {
        if (!ok)
            errors << what;
        return ok;
    };
    ProgramDir dir;
    CycleRig rig(dir.path());
    CycleRigSetup setup;
    setup.delay0 = 10;  // stage 0 judged 1 s after the edge
    setup.delay1 = 35;  // stage 1 3.5 s after it: time to put the part in between
    setup.regionStages = 2;
    if (!check(rig.Prepare(setup), "program directory not prepared"))
        return errors;
    BoardSim board;
    if (!check(board.start(dir.file("ttyBoard"), true), "boardsim did not start"))
        return errors;
    qputenv("MOULDMON_SIMCAM", dir.file("simcam.json").toUtf8());
    camsim::CamSim::instance().reload();
    setModalHook([](QDialog&) { return int(QDialog::Rejected); });
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;
    CreateGlobalMutexes();
    Data_Init();

    auto* win = new MainWindow(nullptr);
    win->showFullScreen();
    ResStatisticsParam* store = gpResStatisticsParam;
    auto* screen = qobject_cast<StatisticsWidget*>(win->statisticsWidget);
    if (!check(store && store->isLoaded() && screen, "no loaded statistics store and screen after start-up"))
        return errors;
    WaitUntil([] { return false; }, 800);

    board.send("pulse 0 300");
    if (!check(WaitUntil([&] { return JoinCounts(store->okTotalOf(0)) != JoinCounts(ParseCounts("")); }, 4000),
               "no OK verdict of the first stage"))
        return errors;
    cv::Mat part = rig.scene().clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    rig.Show(1, part);
    if (!check(WaitUntil([&] { return JoinCounts(store->ngTotalOf(1)) != JoinCounts(ParseCounts("")); }, 6000),
               "no NG verdict of the second stage"))
        return errors;
    const int hour = QTime::currentTime().hour();
    const int slot = (hour + 16) % 24;

    win->OptBtnsToggledSlot(OptionBar::BTN_STATISTICS, true);
    WaitUntil([] { return false; }, 500);
    check(screen->isVisible(), "statistics screen not shown");
    check(screen->isToday(), "the screen does not show today");
    const bool morning = hour >= 8 && hour < 20;
    auto text = [&](const char* name) { return screen->findChild<QLabel*>(name)->text(); };
    check(text(morning ? "morningNg" : "nightNg") == "1", QString("shift NG shows %1").arg(text(morning ? "morningNg" : "nightNg")));
    check(text(morning ? "nightNg" : "morningNg") == "0", "the other shift shows an NG");
    check(text("dayNg") == "1" && text("dayTotal") == "1", "day figures " + text("dayTotal") + "/" + text("dayNg"));

    const StatRows rows = ReadStatRows(dir.file("ResStatistics.db"));
    check(At(ParseCounts(rows.value("Detect1").second), slot) == 1, "Detect1 NG: " + rows.value("Detect1").second);
    check(At(ParseCounts(rows.value("C0_D1").second), slot) == 1, "C0_D1 NG: " + rows.value("C0_D1").second);
    check(At(ParseCounts(rows.value("Detect0").first), slot) == 1, "Detect0 OK: " + rows.value("Detect0").first);

    const QString shots = qEnvironmentVariable("MOULDMON_TEST_SHOTS");
    if (!shots.isEmpty()) {
        QScreen* s = QGuiApplication::primaryScreen();
        const QPixmap shot = QGuiApplication::platformName() == "offscreen" || !s ? win->grab() : s->grabWindow(0);
        check(shot.save(shots + "/statistics-e2e.png"), "screenshot not saved");
    }
    for (CammerWidget* v : win->cammerWidget)
        if (v) {
            v->CameraStop();
            v->CameraClose();
        }
    board.stop();
    return errors;
}

}  // namespace

TEST(StatisticsEndToEnd, SecondStageNgIsCountedAndShownInTheCurrentShift)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const QStringList errors = Scenario();
            std::fprintf(stderr, "%s\n", errors.isEmpty() ? "statistics scenario passed"
                                                          : qPrintable(errors.join("\n")));
            std::fflush(stderr);
            _exit(errors.isEmpty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "statistics scenario passed");
}
