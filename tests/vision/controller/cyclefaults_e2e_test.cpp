// The real program with the board simulator and a simulated camera (own network namespace) in
// the situations where the cycle lost its way: a pulse shorter than a stall of the GUI thread,
// trigger safety while the last stage's delay runs, a camera unplugged during a delay or while a
// cycle starts, and the outputs and machine cycle after a product snapshot's alarm was released.
#include <gtest/gtest.h>

#include <QFile>
#include <QThread>
#include <csignal>

#include "common/cyclerig.h"
#include "common/xscreen.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/controller/verdictlogic.h"

namespace {

class CycleFaultsE2E : public ::testing::Test {
protected:
    void TearDown() override { rig.Stop(); }

    // Starts the program on `s` and a cycle by input 0; returns once stage 1 released the ejector.
    void StageOneJudged(const CycleRigSetup& s, qint64* edge)
    {
        ASSERT_TRUE(rig.Prepare(s));
        ASSERT_GE(rig.Launch(), 0);
        QThread::msleep(500);
        *edge = rig.Pulse(0);
        ASSERT_GE(*edge, 0);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(*edge, 0b001) >= 0; }, 2000)) << rig.Seen(*edge).toStdString();
    }

    // A product snapshot with a part in the mould holds it; the part taken out, input 1 re-checks:
    // OK, the hold is left. No machine cycle is open, so no stage is left to release the mould (nor
    // an input to start one): the outputs of an idle machine.
    void SnapshotAlarmReleased(XScreen& screen, const CycleRigSetup& s)
    {
        ASSERT_TRUE(rig.Prepare(s));
        ASSERT_TRUE(rig.Show(1, rig.PartInTheMould()));
        ASSERT_TRUE(screen.Start());
        ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()}), 0)
            << rig.Log().toStdString();
        QThread::msleep(1500);
        const qint64 before = rig.board()->frames().isEmpty() ? 0 : rig.board()->frames().last().ms;
        screen.Touch(QPoint(1821, 773), 0);  // option bar, "Pro snapshot"
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(before, 0b111) >= 0; }, 4000)) << rig.Seen(before).toStdString();
        ASSERT_TRUE(rig.Show(1, rig.scene()));
        QThread::msleep(500);
        const qint64 recheck = rig.Pulse(1);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0b000) >= 0; }, 3000)) << rig.Seen(before).toStdString();
        QThread::msleep(1000);
        EXPECT_EQ(rig.Changes(before).last().bits, 0b000) << rig.Seen(before).toStdString();
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
};

}  // namespace

TEST_F(CycleFaultsE2E, APulseShorterThanAStallOfTheGuiThreadStartsExactlyOneCycle)
{
    ASSERT_TRUE(rig.Prepare(CycleRigSetup{}));
    ASSERT_GE(rig.Launch({"MOULDMON_HOLD_PASS_MS=150"}), 0);
    QThread::msleep(800);
    const qint64 before = rig.board()->frames().isEmpty() ? 0 : rig.board()->frames().last().ms;
    ASSERT_EQ(::kill(pid_t(rig.process().processId()), SIGUSR2), 0);
    QThread::msleep(15);
    rig.board()->send("pulse 0 20");
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("monitoring pass held for 150 ms"); }, 2000));
    // One cycle: inhibits at the start, released by stage 1 (1.0 s) and stage 2 (2.0 s).
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(before, 0b000) >= 0; }, 4000)) << rig.Seen(before).toStdString();
    QThread::msleep(1500);
    int starts = 0;
    for (const OutputChange& c : rig.Changes(before))
        starts += c.bits == 0b011;
    EXPECT_EQ(starts, 1) << rig.Seen(before).toStdString();
}

TEST_F(CycleFaultsE2E, TriggerSafetyDuringTheLastStagesDelayJudgesItAtOnce)
{
    CycleRigSetup s;
    s.delay0 = 3;
    s.delay1 = 50;  // stage 2 would wait 5.3 s
    s.adjust = [](WizardPara& p) { p.enable_trigger_safety = 1; };
    qint64 edge = -1;
    ASSERT_NO_FATAL_FAILURE(StageOneJudged(s, &edge));
    QThread::msleep(700);
    const qint64 safety = rig.Pulse(1);
    ASSERT_GE(safety, 0);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(safety, 0b000) >= 0; }, 2000)) << rig.Seen(edge).toStdString();
    const qint64 verdict = rig.ChangeTo(safety, 0b000) - safety;
    std::printf("[ figures  ] trigger safety: stage-2 verdict %lld ms after the input-1 edge\n",
                static_cast<long long>(verdict));
    EXPECT_LE(verdict, 30) << rig.Seen(edge).toStdString();
}

TEST_F(CycleFaultsE2E, ACameraUnpluggedDuringADelayGivesNgAndTheInhibitNeverOk)
{
    CycleRigSetup s;
    s.delay0 = 3;
    s.delay1 = 100;  // the loss is noticed after six seconds without a frame
    s.unplugFiles = true;
    qint64 edge = -1;
    ASSERT_NO_FATAL_FAILURE(StageOneJudged(s, &edge));
    ASSERT_TRUE(QFile(dir.file("unplug1")).open(QIODevice::WriteOnly));
    // Stage 2 is judged NG: the alarm with the mould-close inhibit, which is never released.
    ASSERT_TRUE(rig.WaitFor([&] {
        for (const OutputChange& c : rig.Changes(edge))
            if (c.bits & 0b100)
                return true;
        return false;
    }, 14000)) << rig.Seen(edge).toStdString() << rig.Log().toStdString();
    for (const OutputChange& c : rig.Changes(rig.ChangeTo(edge, 0b001)))
        EXPECT_TRUE(c.bits & 0b001) << rig.Seen(edge).toStdString();
    const QString noPicture = rig.InProgramLanguage([] { return VerdictLogic::NoPictureRecordText(0); });
    EXPECT_TRUE(rig.WaitFor([&] {
        for (const QStringList& r : RecordRows("RECORD.db"))
            if (r.value(2) == noPicture)
                return true;
        return false;
    }, 3000)) << noPicture.toStdString();
}

TEST_F(CycleFaultsE2E, AfterAProductSnapshotAlarmTheNextMachineCycleKeepsItsDelays)
{
    if (!XScreen::Available())
        GTEST_SKIP() << "Xvfb or xdotool missing";
    XScreen screen;
    CycleRigSetup s;
    s.delay0 = 3;
    s.delay1 = 5;  // both on input 0: stage 2 at 0.8 s
    SnapshotAlarmReleased(screen, s);
    if (HasFatalFailure())
        return;
    // The next machine cycle: stage 2 releases the mould close 0.8 s after the edge.
    const qint64 edge = rig.Pulse(0);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    const qint64 release = rig.ChangeTo(edge, 0b000) - edge;
    std::printf("[ figures  ] machine cycle after a snapshot alarm: stage 2 at +%lld ms\n",
                static_cast<long long>(release));
    // Late by a loaded machine's scheduling at most; a lost or doubled delay is far outside.
    EXPECT_GE(release, 790) << rig.Seen(edge).toStdString();
    EXPECT_LE(release, 950) << rig.Seen(edge).toStdString();
}

// Semi-automatic: input 2 starts the second stage only in an open cycle; the hold used to keep
// the mould-close inhibit until the next machine cycle.
TEST_F(CycleFaultsE2E, SemiAutomaticAfterAProductSnapshotAlarmTheMouldIsReleased)
{
    if (!XScreen::Available())
        GTEST_SKIP() << "Xvfb or xdotool missing";
    XScreen screen;
    CycleRigSetup s;
    s.adjust = [](WizardPara& p) { p.semi_auto = 1; };
    SnapshotAlarmReleased(screen, s);
}

TEST_F(CycleFaultsE2E, ACycleStartedWhileTheCameraIsLostKeepsTheMouldHeldWhenItIsBack)
{
    CycleRigSetup s;
    s.unplugFiles = true;
    ASSERT_TRUE(rig.Prepare(s));
    ASSERT_GE(rig.Launch(), 0);
    QThread::msleep(500);
    const QString unjudged = rig.InProgramLanguage([] { return gaLanStr[615 * LAN_COUNT + gLan]; });
    auto recorded = [&] {
        for (const QStringList& r : RecordRows("RECORD.db"))
            if (r.value(2) == unjudged)
                return true;
        return false;
    };
    auto now = [&] { return rig.board()->frames().isEmpty() ? 0 : rig.board()->frames().last().ms; };
    // A loss with the machine standing still: the inhibit it set goes once the camera is back.
    qint64 from = now();
    ASSERT_TRUE(QFile(dir.file("unplug1")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(from, 0b001) >= 0; }, 12000)) << rig.Seen(from).toStdString();
    ASSERT_TRUE(QFile::remove(dir.file("unplug1")));
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(rig.ChangeTo(from, 0b001), 0b000) >= 0; }, 8000))
        << rig.Seen(from).toStdString();
    EXPECT_FALSE(recorded());
    // A loss during which the machine opened the mould: nobody looked into it, so the inhibit stays
    // when the camera is back, with the warning the operator confirms.
    from = now();
    ASSERT_TRUE(QFile(dir.file("unplug1")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(from, 0b001) >= 0; }, 12000)) << rig.Seen(from).toStdString();
    ASSERT_TRUE(rig.Show(1, rig.PartInTheMould()));
    ASSERT_GE(rig.Pulse(0, 60), 0);
    QThread::msleep(500);
    ASSERT_TRUE(QFile::remove(dir.file("unplug1")));
    ASSERT_TRUE(rig.WaitFor(recorded, 8000)) << unjudged.toStdString() << "\n" << rig.Seen(from).toStdString();
    QThread::msleep(1500);
    for (const OutputChange& c : rig.Changes(rig.ChangeTo(from, 0b001)))
        EXPECT_TRUE(c.bits & 0b001) << "released with the part never judged: " << rig.Seen(from).toStdString();
}
