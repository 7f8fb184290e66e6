// The real program (board simulator, simulated camera, touches under Xvfb), standard mode, stage 1
// judged 1.5 s and stage 2 5.5 s after the input-0 edge: what the operator does while stage 2's
// delay runs (a resampling ended by the next cycle, an alarm hold left by Re-detected) never
// leaves stage 2 unjudged. Every later cycle releases the mould at stage 2's verdict. On the
// turntable, End Set of an area check while the prod stage counts leaves its release to it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/starvation.h"
#include "common/xscreen.h"
#include "core/wizardpara.h"

namespace {

const QPoint kResample(1822, 529);
const QPoint kEndSet(1822, 1010);
const QPoint kRedetect(1822, 773);  // alarm bar
constexpr int kStage1Ms = 1500;
constexpr int kStage2Ms = 5500;
constexpr int kProdMs = 8000;

class StageDelayE2E : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (HasFailure())
            for (const QString& l : rig.Log().split('\n'))
                if (l.startsWith("verdict") || l.startsWith("alarm state") || l.startsWith("stage "))
                    std::printf("  program: %s\n", qPrintable(l));
        rig.Stop();
        screen.Stop();
    }

    // turntable: I/O mode 2, the prod stage (stage 1 on the screen) 8.0 s and the mould stage
    // 1.5 s after the edge.
    void Launch(bool turntable = false)
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        CycleRigSetup s;
        s.delay0 = turntable ? kProdMs / 100 : kStage1Ms / 100;
        s.delay1 = turntable ? kStage1Ms / 100 : (kStage2Ms - kStage1Ms) / 100;  // counted on from stage 1's verdict
        s.regionStages = 2;
        s.adjust = [turntable](WizardPara& p) {
            p.is_psw_used = 0;
            p.io_mode = p.io_mode_chosen = turntable ? 2 : 0;
            p.io_sub_mode = 0;
            p.enable_trigger_safety = 0;
        };
        ASSERT_TRUE(rig.Prepare(s));
        ASSERT_TRUE(screen.Start());
        ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()}),
                  0)
            << rig.Log().toStdString();
        QThread::msleep(1500);
    }
    bool Yes(int ms = 3000)
    {
        QRect box;
        if (!rig.WaitFor([&] { return !(box = screen.Box()).isNull(); }, ms))
            return false;
        screen.Touch(XScreen::YesOf(box));
        return true;
    }
    int Count(const QString& re) { return rig.Log().count(QRegularExpression(re)); }
    // Waits until stage 1 of the cycle from `edge` was judged (the ejector inhibit released, or
    // the alarm set).
    bool Stage1Judged(qint64 edge, int bits)
    {
        return rig.WaitFor([&] { return rig.ChangeTo(edge, bits) >= 0; }, kStage1Ms + 4000);
    }
    // An ordinary cycle on an empty mould: the mould-close inhibit is released at stage 2's
    // verdict, never before; late only on a program that waited for the CPU.
    void OkCycle(const char* what)
    {
        const Starvation cpu(rig.Pids());
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_GE(edge, 0);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, kStage2Ms + 5000))
            << what << ": output 0 never released: " << rig.Seen(edge).toStdString();
        const qint64 released = rig.ChangeTo(edge, 0b000) - edge;
        EXPECT_GE(released, kStage2Ms - 20) << what << ": released before stage 2's verdict: "
                                            << rig.Seen(edge).toStdString();
        EXPECT_TRUE(cpu.OnTime(released, kStage2Ms, 150, what)) << what << ": " << rig.Seen(edge).toStdString();
        QThread::msleep(2500);  // the verdict display ends
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

// Resample confirmed between the verdicts of a cycle: stage 2 takes its template at its verdict,
// stage 1 the last one in the next cycle while stage 2 counts, which ends the resampling.
TEST_F(StageDelayE2E, AResamplingEndedWhileStageTwoCountsLeavesEveryLaterCycleItsRelease)
{
    ASSERT_NO_FATAL_FAILURE(Launch());
    if (IsSkipped())
        return;
    qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(Stage1Judged(edge, 0b001)) << rig.Seen(edge).toStdString();
    screen.Touch(kResample);
    ASSERT_TRUE(Yes()) << "no question to resample";
    Yes(1500);  // the shown stage's templates are deleted, when it asks
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("stage 2 delay ended"); }, kStage2Ms + 4000))
        << rig.Seen(edge).toStdString();
    QThread::msleep(1000);
    const int editing = Count("alarm state \\d -> 3");
    edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return Count("alarm state \\d -> 3") > editing; }, kStage1Ms + 4000))
        << "no area check after the templates: " << rig.Seen(edge).toStdString();
    QThread::msleep(500);
    const int left = Count("alarm state 3 -> 0");
    screen.Touch(kEndSet);
    ASSERT_TRUE(rig.WaitFor([&] { return Count("alarm state 3 -> 0") > left; }, 10000)) << "End Set not taken";
    // Stage 2 of that cycle is judged at its own time, then the machine stands still.
    EXPECT_TRUE(rig.WaitFor([&] { return rig.Log().count("stage 2 delay ended") >= 2; }, kStage2Ms + 4000))
        << "stage 2's delay never ended";
    QThread::msleep(2500);
    for (const char* what : {"first cycle after End Set", "second cycle after End Set", "third cycle after End Set"})
        ASSERT_NO_FATAL_FAILURE(OkCycle(what));
}

// A part left in the mould holds it at stage 1, which ends stage 2's delay with it; the operator
// takes the part out and touches Re-detected within the time stage 2 would have counted: the hold
// ends, stage 2 counts its own delay again and its verdict releases the mould.
TEST_F(StageDelayE2E, AnAlarmHoldLeftWithinStageTwosTimeLeavesEveryLaterCycleItsRelease)
{
    ASSERT_NO_FATAL_FAILURE(Launch());
    if (IsSkipped())
        return;
    ASSERT_TRUE(rig.Show(1, rig.PartInTheMould()));
    QThread::msleep(300);
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(Stage1Judged(edge, 0b111)) << "no alarm: " << rig.Seen(edge).toStdString();
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    QThread::msleep(400);
    const int left = Count("alarm state 2 -> ");
    screen.Touch(kRedetect);
    Yes(1500);  // when it asks
    ASSERT_TRUE(rig.WaitFor([&] { return Count("alarm state 2 -> ") > left; }, 4000)) << "the hold was not left";
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, kStage2Ms + 4000))
        << "output 0 never released: " << rig.Seen(edge).toStdString();
    // The hold's end as the board took it (alarm and ejector inhibit cleared): stage 2's own delay
    // from there, never less.
    const qint64 leftAt = rig.ChangeTo(rig.ChangeTo(edge, 0b111), 0b001);
    ASSERT_GE(leftAt, 0) << rig.Seen(edge).toStdString();
    EXPECT_LT(leftAt - edge, kStage2Ms) << "the hold was left after stage 2's time";
    EXPECT_GE(rig.ChangeTo(edge, 0b000) - leftAt, kStage2Ms - kStage1Ms - 20) << rig.Seen(edge).toStdString();
    QThread::msleep(2500);
    for (const char* what : {"first cycle after the hold", "second cycle after the hold", "third cycle after the hold"})
        ASSERT_NO_FATAL_FAILURE(OkCycle(what));
}

// Turntable: Resample while the prod stage counts; the prod stage takes its template at its
// verdict, the mould stage the last one in the next cycle, whose area check is ended by End Set
// 3 s after the edge while the prod stage still counts. Its OK releases the mould at its own
// verdict, never before; three times over.
TEST_F(StageDelayE2E, OnTheTurntableEndSetWhileTheProdStageCountsLeavesTheReleaseToItsVerdict)
{
    ASSERT_NO_FATAL_FAILURE(Launch(true));
    if (IsSkipped())
        return;
    for (const char* what : {"first round", "second round", "third round"}) {
        SCOPED_TRACE(what);
        const int prod = Count("verdict stage 1 ");
        const int mould = Count("verdict stage 2 ");
        qint64 edge = rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return Count("verdict stage 2 ") > mould; }, kStage1Ms + 4000));
        QThread::msleep(300);
        screen.Touch(kResample);
        ASSERT_TRUE(Yes()) << "no question to resample";
        Yes(1500);  // the shown stage's templates are deleted, when it asks
        ASSERT_TRUE(rig.WaitFor([&] { return Count("verdict stage 1 ") > prod; }, kProdMs + 4000))
            << rig.Seen(edge).toStdString();
        QThread::msleep(2500);
        const int editing = Count("alarm state \\d -> 3");
        const Starvation cpu(rig.Pids());
        edge = rig.Pulse(0, 60);
        QElapsedTimer since;
        since.start();
        ASSERT_GE(edge, 0);
        ASSERT_TRUE(rig.WaitFor([&] { return Count("alarm state \\d -> 3") > editing; }, kStage1Ms + 4000))
            << "no area check after the templates: " << rig.Seen(edge).toStdString();
        QThread::msleep(std::max<qint64>(0, 3000 - since.elapsed()));
        const int left = Count("alarm state 3 -> 0");
        screen.Touch(kEndSet);
        ASSERT_TRUE(rig.WaitFor([&] { return Count("alarm state 3 -> 0") > left; }, 4000)) << "End Set not taken";
        ASSERT_LT(since.elapsed(), kProdMs - 1000) << "End Set came after the prod stage's verdict";
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0, 0x1) >= 0; }, kProdMs + 4000))
            << "output 0 never released: " << rig.Seen(edge).toStdString();
        const qint64 released = rig.ChangeTo(edge, 0, 0x1) - edge;
        EXPECT_GE(released, kProdMs - 20) << "released before the prod stage's verdict: " << rig.Seen(edge).toStdString();
        EXPECT_TRUE(cpu.OnTime(released, kProdMs, 150, what)) << rig.Seen(edge).toStdString();
        QThread::msleep(2500);  // the verdict display ends
    }
}
