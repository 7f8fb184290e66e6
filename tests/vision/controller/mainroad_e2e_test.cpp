// The real program (board simulator, simulated camera, own network namespace, touches under Xvfb)
// on the operator's main road: every state the operator enters is left, no cycle or verdict
// without its trigger, no release of the mould before every stage of the cycle is judged OK.
// Stage 1 is judged 0.3 s and stage 2 0.8 s after the input-0 edge.
#include <gtest/gtest.h>

#include <functional>

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <csignal>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/starvation.h"
#include "common/synthscene.h"
#include "common/xscreen.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/controller/verdictlogic.h"

namespace {

// Option bar and region bar, at 1920 x 1080.
const QPoint kResample(1822, 529);
const QPoint kAreaSettings(1822, 651);
const QPoint kProSnapshot(1821, 773);
const QPoint kStartStop(1822, 285);
const QPoint kEndSet(1822, 1010);
const QPoint kRedetect(1822, 773);  // alarm bar

class MainRoadE2E : public ::testing::Test {
protected:
    void TearDown() override
    {
        rig.Stop();
        screen.Stop();
    }

    CycleRigSetup Base()
    {
        CycleRigSetup s;
        s.delay0 = 3;
        s.delay1 = 5;
        s.adjust = [](WizardPara& p) { p.is_psw_used = 0; };
        return s;
    }
    void Launch(const CycleRigSetup& s, bool touches, bool part = false)
    {
        ASSERT_TRUE(rig.Prepare(s));
        if (part)
            ASSERT_TRUE(rig.Show(1, rig.PartInTheMould()));
        QStringList e;
        if (touches) {
            if (!XScreen::Available())
                GTEST_SKIP() << "Xvfb or xdotool missing";
            ASSERT_TRUE(screen.Start());
            e << "DISPLAY=" + screen.display() << "QT_QPA_PLATFORM=xcb" << "XDG_RUNTIME_DIR=" + dir.path();
        }
        ASSERT_GE(rig.Launch(e), 0) << rig.Log().toStdString();
        QThread::msleep(touches ? 1500 : 600);
    }
    // One machine cycle on an OK scene: the inhibits at the edge, the ejector released by stage 1
    // at 0.3 s and the mould by stage 2 at 0.8 s.
    void OkCycle(const char* what, int first = 300, int second = 800)
    {
        const Starvation cpu(rig.Pids());
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_GE(edge, 0);
        // A cycle that never came is never excused; its log and the CPU wait say where it was lost.
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 10000))
            << what << ": " << rig.Seen(edge).toStdString() << "\n(" << cpu.WaitedMs()
            << " ms longest wait of a thread for a CPU)\n" << rig.Log().right(3000).toStdString();
        const QList<OutputChange> ch = rig.Changes(edge);
        ASSERT_EQ(ch.size(), 3) << what << ": " << rig.Seen(edge).toStdString() << "\n"
                                << rig.Log().right(3000).toStdString();
        EXPECT_EQ(ch[0].bits, 0b011) << what;
        EXPECT_EQ(ch[1].bits, 0b001) << what;
        const int want[3] = {0, first, second};
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(cpu.OnTime(ch[i].ms - edge, want[i], 60, QString("%1, change %2").arg(what).arg(i + 1)))
                << what << ": " << rig.Seen(edge).toStdString();
        QThread::msleep(300);
    }
    // Touches End Set and waits until the program has left the region page or the area check: an
    // edge that comes before it took the touch is dropped (the cycle cannot take it there), and a
    // starved program may take the touch after an edge sent well after it.
    bool EndSet()
    {
        const QRegularExpression left("alarm state 3 -> 0");
        const int before = rig.Log().count(left);
        screen.Touch(kEndSet);
        return rig.WaitFor([&] { return rig.Log().count(left) > before; }, 10000);
    }
    // Answers the question box that comes up within `ms` with Yes; false when none came.
    bool Yes(int ms = 3000)
    {
        QRect box;
        if (!rig.WaitFor([&] { return !(box = screen.Box()).isNull(); }, ms))
            return false;
        screen.Touch(XScreen::YesOf(box));
        return true;
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

TEST_F(MainRoadE2E, EndSetLeavesTheRegionPageAndTheResamplingAreaCheckForTheVerdicts)
{
    ASSERT_NO_FATAL_FAILURE(Launch(Base(), true));
    if (IsSkipped())
        return;
    screen.Touch(kAreaSettings);
    screen.Shot("mainroad-region-page");
    ASSERT_TRUE(EndSet()) << "End Set did not leave the region page\n" << rig.Log().right(3000).toStdString();
    for (const char* what : {"first cycle after End Set", "second cycle after End Set"})
        ASSERT_NO_FATAL_FAILURE(OkCycle(what));
    // The verdicts were shown and their display ended.
    EXPECT_TRUE(rig.Log().contains("alarm state 3 -> 0"));
    EXPECT_TRUE(rig.Log().contains("alarm state 0 -> 1"));
    EXPECT_TRUE(rig.WaitFor([&] { return rig.Log().contains("alarm state 1 -> 0"); }, 10000));

    // Resample: the next cycle's pictures become the templates, then the area check.
    const int editing = rig.Log().count(QRegularExpression("alarm state \\d -> 3"));
    screen.Touch(kResample);
    ASSERT_TRUE(Yes()) << "no question to resample";
    Yes(1500);  // the shown stage's templates are deleted, when it asks
    const qint64 capture = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().count(QRegularExpression("alarm state \\d -> 3")) > editing; },
                            4000))
        << rig.Seen(capture).toStdString() << rig.Log().toStdString();
    QThread::msleep(500);
    screen.Shot("mainroad-area-check");
    ASSERT_TRUE(EndSet()) << "End Set did not leave the area check\n" << rig.Log().right(3000).toStdString();
    QThread::msleep(2500);  // the verdict display ends and retrains
    for (const char* what : {"first cycle after resampling", "second cycle after resampling",
                             "third cycle after resampling"})
        ASSERT_NO_FATAL_FAILURE(OkCycle(what));
}

TEST_F(MainRoadE2E, EdgesAndRequestsTheCycleCannotTakeAreDropped)
{
    ASSERT_NO_FATAL_FAILURE(Launch(Base(), true));
    if (IsSkipped())
        return;
    // A 60 ms pulse during stage 2's delay starts no second cycle.
    const qint64 edge = rig.Pulse(0, 60);
    QThread::msleep(500);
    rig.board()->send("pulse 0 60");
    QThread::msleep(2000);
    int starts = 0;
    for (const OutputChange& c : rig.Changes(edge))
        starts += c.bits == 0b011;
    EXPECT_EQ(starts, 1) << rig.Seen(edge).toStdString();
    EXPECT_EQ(rig.Changes(edge).last().bits, 0b000) << rig.Seen(edge).toStdString();

    // "Pro snapshot" while detection is stopped is not run by the next start.
    rig.board()->send("in 0");
    screen.Touch(kStartStop);
    ASSERT_TRUE(Yes()) << "no question to stop";
    ASSERT_TRUE(rig.WaitFor([&] { return RecordedRow(rig.ProgramRow(141)); }, 3000));
    screen.Touch(kProSnapshot);
    const int verdicts = rig.Log().count("verdict stage");
    const qint64 start = rig.BoardNow();
    screen.Touch(kStartStop, 1500);
    ASSERT_TRUE(RecordedRow(rig.ProgramRow(142)));
    EXPECT_EQ(rig.Log().count("verdict stage"), verdicts) << "a verdict nobody triggered";
    for (const OutputChange& c : rig.Changes(start))
        EXPECT_FALSE(c.bits & 0b100) << "an alarm nobody triggered: " << rig.Seen(start).toStdString();
}

TEST_F(MainRoadE2E, TriggerSafetyJudgesEveryPendingStageBeforeTheMouldIsReleased)
{
    CycleRigSetup s = Base();
    s.delay0 = 10;
    s.delay1 = 5;  // stage 2 at 1.5 s
    s.adjust = [](WizardPara& p) {
        p.is_psw_used = 0;
        p.enable_trigger_safety = 1;
    };
    ASSERT_NO_FATAL_FAILURE(Launch(s, false, true));
    const qint64 edge = rig.Pulse(0, 60);
    QThread::msleep(300);
    rig.Pulse(1, 60);
    // Stage 1 is judged at once, NG: the alarm hold; the mould is never released.
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    EXPECT_LT(rig.ChangeTo(edge, 0b111) - edge, 600) << rig.Seen(edge).toStdString();
    QThread::msleep(1800);
    for (const OutputChange& c : rig.Changes(edge))
        EXPECT_TRUE(c.bits & 0b001) << "mould released before stage 1 was judged: " << rig.Seen(edge).toStdString();
}

TEST_F(MainRoadE2E, ACameraThatStopsDeliveringIsNoPictureWithinThreeFrameIntervals)
{
    CycleRigSetup s = Base();
    s.delay0 = 3;
    s.delay1 = 10;  // stage 2 at 1.3 s
    s.unplugFiles = true;
    ASSERT_NO_FATAL_FAILURE(Launch(s, false));
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b001) >= 0; }, 2000)) << rig.Seen(edge).toStdString();
    ASSERT_TRUE(QFile(dir.file("unplug1")).open(QIODevice::WriteOnly));
    // Stage 2, 0.9 s after the last frame: NG (the alarm) with the no-picture record, the mould kept.
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b101) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    EXPECT_NEAR(double(rig.ChangeTo(edge, 0b101) - edge), 1300.0, 100.0) << rig.Seen(edge).toStdString();
    for (const OutputChange& c : rig.Changes(edge))
        EXPECT_TRUE(c.bits & 0b001) << rig.Seen(edge).toStdString();
    const QString noPicture = rig.InProgramLanguage([] { return VerdictLogic::NoPictureRecordText(0); });
    EXPECT_TRUE(rig.WaitFor([&] { return RecordedRow(noPicture); }, 2000)) << noPicture.toStdString();
}

TEST_F(MainRoadE2E, AStageExpiredOnASilentBoardStaysShownUntilConfirmed)
{
    CycleRigSetup s = Base();
    s.delay0 = 25;
    s.delay1 = 3;  // stage 1 at 2.5 s, when the board is known to be silent; stage 2 at 2.8 s
    ASSERT_NO_FATAL_FAILURE(Launch(s, true));
    if (IsSkipped())
        return;
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b011) >= 0; }, 5000)) << rig.Seen(edge).toStdString();
    rig.board()->send("unplug");
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("stage 1 not judged"); }, 10000)) << rig.Log().toStdString();
    rig.board()->send("plug");
    const QString text = rig.ProgramRow(611).arg(1);
    ASSERT_TRUE(rig.WaitFor([&] { return RecordedRow(text); }, 3000)) << rig.Log().toStdString();
    QThread::msleep(1000);
    EXPECT_TRUE(rig.Changes(edge).last().bits & 0b001) << "released without verdict or operator: "
                                                       << rig.Seen(edge).toStdString();
    QRect box;
    ASSERT_TRUE(rig.WaitFor([&] { return !(box = screen.Box()).isNull(); }, 2000)) << "the warning is not shown";
    screen.Shot("mainroad-unjudged");
    // The warning's confirm button (one button, centred in its lower part).
    const qint64 confirm = rig.BoardNow();
    screen.Touch(QPoint(box.center().x(), box.y() + box.height() * 67 / 100));
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(confirm, 0b000) >= 0; }, 2000)) << rig.Seen(edge).toStdString();
    ASSERT_NO_FATAL_FAILURE(OkCycle("cycle after the confirmed warning", 2500, 2800));
}

TEST_F(MainRoadE2E, TheNoInputWatchdogIsArmedAgainWhenAnAlarmHoldIsReleased)
{
    CycleRigSetup s = Base();
    s.adjust = [](WizardPara& p) {
        p.is_psw_used = 0;
        p.input_timeout_len = 2;
    };
    ASSERT_NO_FATAL_FAILURE(Launch(s, false, true));
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    QThread::msleep(2500);  // the hold stops the watchdog
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    // Time for a frame of the cleared mould: on a starved machine a re-check sooner still sees the
    // part, and the hold rightly stays.
    QThread::msleep(1200);
    const qint64 recheck = rig.Pulse(1, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0b000) >= 0; }, 3000))
        << (rig.Changes(recheck).isEmpty() ? "the re-check changed nothing (still NG: no frame of the cleared mould yet, "
                                             "a starved machine?): "
                                           : "the re-check did not release: ")
        << rig.Seen(edge).toStdString();
    const qint64 left = rig.Changes(recheck).first().ms;  // the hold is left
    const qint64 released = rig.ChangeTo(recheck, 0b000);     // the restarted stage 2 released the mould
    // No cycle for the watchdog's 2 s after the hold was left: the inhibit and row 335.
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(released, 0b001) >= 0; }, 4000)) << rig.Seen(edge).toStdString();
    EXPECT_NEAR(double(rig.ChangeTo(released, 0b001) - left), 2000.0, 300.0) << rig.Seen(edge).toStdString();
    EXPECT_TRUE(rig.WaitFor([&] { return RecordedRow(rig.ProgramRow(335)); }, 2000));
}

TEST_F(MainRoadE2E, AHoldLeftWhileTheBoardIsSilentRestartsStageTwoWhenItAnswers)
{
    ASSERT_NO_FATAL_FAILURE(Launch(Base(), true, true));
    if (IsSkipped())
        return;
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    rig.board()->send("unplug");
    QThread::msleep(1500);
    // The part is gone: "Re-detected" leaves the hold while no word reaches the board.
    screen.Touch(kRedetect, 1500);
    rig.board()->send("plug");
    const qint64 plug = rig.BoardNow();
    // Stage 2 runs again with its own delay and its verdict releases the mould.
    EXPECT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(plug, 0b000) >= 0; }, 3000))
        << "the mould-close inhibit stays: " << rig.Seen(edge).toStdString();
    ASSERT_NO_FATAL_FAILURE(OkCycle("cycle after the hold"));
}
