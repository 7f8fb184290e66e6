// The real program (board simulator, simulated camera, own network namespace) in the two-colour,
// turntable and multi-detection modes: leaving an alarm hold leaves no inhibit that nothing
// clears, the mould is released only when every stage of the cycle is judged OK, and no stage is
// started from an edge that came during another stage's delay.
#include <gtest/gtest.h>

#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/synthscene.h"
#include "common/xscreen.h"
#include "core/wizardpara.h"

namespace {

const QPoint kMoldSnapshot(1822, 895);
constexpr int kWord = 0x0F;  // outputs 0-3 (4-7 are the regions' NG outputs)

class IoModesE2E : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (HasFailure()) {
            // The cycle's own account of what it judged, for the failure.
            for (const QString& l : rig.Log().split('\n'))
                if (l.startsWith("verdict") || l.startsWith("alarm state") || l.contains("manual request"))
                    std::printf("  program: %s\n", qPrintable(l));
            std::printf("  inputs: %s\n", qPrintable(rig.board()->lines().filter(" in ").join(", ")));
        }
        rig.Stop();
        screen.Stop();
    }

    // Mode `mode` with stage delays of `d0`, `d1`, `d2` tenths.
    CycleRigSetup Mode(int mode, int d0, int d1, int d2 = 3)
    {
        CycleRigSetup s;
        s.delay0 = d0;
        s.delay1 = d1;
        s.regionStages = 3;
        s.adjust = [mode, d2](WizardPara& p) {
            p.is_psw_used = 0;
            p.io_mode = p.io_mode_chosen = mode;
            p.io_sub_mode = 0;
            p.semi_auto = 0;
            p.stage_delay[2] = d2;
            if (mode == 4) {
                // Three stages on inputs 0, 2 and 3.
                p.stage_count = 3;
                for (int i = 0; i < 8; ++i) {
                    p.stage_source[i] = i < 3 ? i : -1;
                    p.stage_input_choice[i] = i < 3 ? i : -1;
                }
            }
        };
        return s;
    }
    void Launch(const CycleRigSetup& s, bool part, bool touches = false)
    {
        ASSERT_TRUE(rig.Prepare(s));
        if (part)
            ASSERT_TRUE(rig.Show(1, Part()));
        QStringList env;
        if (touches) {
            if (!XScreen::Available())
                GTEST_SKIP() << "Xvfb or xdotool missing";
            ASSERT_TRUE(screen.Start());
            env << "DISPLAY=" + screen.display() << "QT_QPA_PLATFORM=xcb" << "XDG_RUNTIME_DIR=" + dir.path();
        }
        ASSERT_GE(rig.Launch(env), 0) << rig.Log().toStdString();
        QThread::msleep(touches ? 1500 : 600);
    }
    cv::Mat Part()
    {
        cv::Mat part = rig.scene().clone();
        synth::blob(part, cv::Point(200, 180), 14, 0);
        return part;
    }
    int Verdicts(int stage) { return rig.Log().count(QString("verdict stage %1 ").arg(stage)); }
    // Stage 1 on input 0 (2.0 s), stage 2 on input 2: a 200 ms pulse on input 2 during stage 1's
    // delay starts nothing; a real input 2 afterwards starts stage 2.
    void NoStageFromAStaleEdge(int mode)
    {
        ASSERT_NO_FATAL_FAILURE(Launch(Mode(mode, 20, 3), false));
        const qint64 edge = rig.Pulse(0, 60);
        QThread::msleep(500);
        rig.Pulse(2, 200);
        ASSERT_TRUE(rig.WaitFor([&] { return Verdicts(1) >= 1; }, 3000)) << rig.Seen(edge, kWord).toStdString();
        QThread::msleep(1000);
        EXPECT_EQ(Verdicts(2), 0) << rig.Seen(edge, kWord).toStdString();
        rig.Pulse(2, 60);
        // Multi-detection adds the last delay to a later stage's own: 2.3 s.
        EXPECT_TRUE(rig.WaitFor([&] { return Verdicts(2) >= 1; }, 3500)) << rig.Seen(edge, kWord).toStdString();
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

TEST_F(IoModesE2E, TurntableHoldOnStageOneIsLeftThroughThePairsSecondStage)
{
    ASSERT_NO_FATAL_FAILURE(Launch(Mode(2, 3, 20), true));
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0x07, kWord) >= 0; }, 3000)) << rig.Seen(edge, kWord).toStdString();
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    QThread::msleep(2500);
    const qint64 recheck = rig.Pulse(1, 60);
    // The hold is left with the mould still held; stage 2 runs with its own 2.0 s and releases it.
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0x00, kWord) >= 0; }, 4000)) << rig.Seen(edge, kWord).toStdString();
    const qint64 left = rig.Changes(recheck, kWord).first().ms;
    EXPECT_NEAR(double(rig.ChangeTo(recheck, 0x00, kWord) - left), 2000.0, 150.0) << rig.Seen(edge, kWord).toStdString();
    for (const OutputChange& c : rig.Changes(recheck, kWord))
        if (c.ms < rig.ChangeTo(recheck, 0x00, kWord))
            EXPECT_TRUE(c.bits & 1) << rig.Seen(edge, kWord).toStdString();
}

TEST_F(IoModesE2E, TurntableReleasesTheMouldOnlyWhenBothStagesAreJudged)
{
    ASSERT_NO_FATAL_FAILURE(Launch(Mode(2, 15, 5), false));  // stage 2 judged before stage 1
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0x00, kWord) >= 0; }, 3000)) << rig.Seen(edge, kWord).toStdString();
    EXPECT_NEAR(double(rig.ChangeTo(edge, 0x00, kWord) - edge), 1500.0, 100.0) << rig.Seen(edge, kWord).toStdString();
    for (const OutputChange& c : rig.Changes(edge, kWord))
        if (c.ms - edge < 1450)
            EXPECT_TRUE(c.bits & 1) << "mould released before stage 1 was judged: " << rig.Seen(edge, kWord).toStdString();
}

TEST_F(IoModesE2E, TwoColourStartsNoStageFromAnEdgeDuringAnotherStagesDelay)
{
    ASSERT_NO_FATAL_FAILURE(NoStageFromAStaleEdge(1));
}

TEST_F(IoModesE2E, MultiDetectionStartsNoStageFromAnEdgeDuringAnotherStagesDelay)
{
    ASSERT_NO_FATAL_FAILURE(NoStageFromAStaleEdge(4));
}

TEST_F(IoModesE2E, MultiDetectionSnapshotHoldClearsTheOutputItSet)
{
    ASSERT_NO_FATAL_FAILURE(Launch(Mode(4, 3, 3, 3), false, true));
    if (IsSkipped())
        return;
    // A full OK cycle: stages on inputs 0, 2 and 3, each input after the stage before it was
    // judged (a later stage's delay adds the one before: 0.3, 0.6 and 0.9 s).
    const qint64 edge = rig.Pulse(0, 60);
    for (int input : {2, 3}) {
        QThread::msleep(1000);
        rig.Pulse(input, 60);
    }
    ASSERT_TRUE(rig.WaitFor([&] { return Verdicts(3) >= 1; }, 3000)) << rig.Seen(edge, kWord).toStdString();
    QThread::msleep(500);
    ASSERT_EQ(rig.Changes(edge, kWord).last().bits, 0x00) << rig.Seen(edge, kWord).toStdString();
    // "Mold snapshot" on a part: stage 2 judged at once, NG, the hold.
    ASSERT_TRUE(rig.Show(1, Part()));
    QThread::msleep(400);
    const qint64 snap = rig.board()->frames().last().ms;
    screen.Touch(kMoldSnapshot, 0);
    ASSERT_TRUE(rig.WaitFor([&] {
        const auto ch = rig.Changes(snap, kWord);
        return !ch.isEmpty() && (ch.last().bits & 0x04);
    }, 3000)) << rig.Seen(snap, kWord).toStdString();
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    QThread::msleep(500);
    const qint64 recheck = rig.Pulse(1, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0x00, kWord) >= 0; }, 3000)) << rig.Seen(snap, kWord).toStdString();
    QThread::msleep(800);
    EXPECT_EQ(rig.Changes(snap, kWord).last().bits, 0x00) << rig.Seen(snap, kWord).toStdString();
}
