// The real program (board simulator, simulated camera, touches on Xvfb) resampling with both stage
// pairs in use (two-colour sub-mode 2, turntable sub-mode 3) while the machine runs one side only:
// the side that took its templates is inspected from its next cycle (a part left in it is held,
// the counts move), and the operator leaves the resampling still pending for the other side.
#include <gtest/gtest.h>

#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/synthscene.h"
#include "common/xscreen.h"
#include "core/wizardpara.h"

namespace {

const QPoint kResample(1822, 529);
const QPoint kStartStop(1822, 285);
constexpr int kWord = 0x0F;

class PairResampleE2E : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override
    {
        if (HasFailure())
            for (const QString& l : rig.Log().split('\n'))
                if (l.startsWith("verdict") || l.startsWith("alarm state"))
                    std::printf("  program: %s\n", qPrintable(l));
        rig.Stop();
        screen.Stop();
    }

    int mode() const { return GetParam(); }
    void Launch()
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        CycleRigSetup s;
        s.delay0 = 3;
        s.delay1 = 5;
        s.regionStages = 4;
        const int m = mode();
        s.adjust = [m](WizardPara& p) {
            p.is_psw_used = 0;
            p.io_mode = p.io_mode_chosen = m;
            p.io_sub_mode = m == 1 ? 2 : 3;  // both stage pairs
            p.semi_auto = 0;
            p.stage_delay[2] = 3;
            p.stage_delay[3] = 5;
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
    // One machine cycle on the first stage pair (side 1) or the second (side 0); the edge's time.
    qint64 Cycle(bool firstPair)
    {
        if (mode() == 2)
            return rig.Pulse(firstPair ? 0 : 3, 60);
        const qint64 edge = rig.Pulse(0, 60);
        QThread::msleep(700);
        rig.Pulse(firstPair ? 2 : 3, 60);
        return edge;
    }
    int Verdicts() { return rig.Log().count("verdict stage"); }
    int Inspections()
    {
        QFile f("count.txt");
        return f.open(QIODevice::ReadOnly) ? f.readAll().simplified().split(' ').value(0).toInt() : -1;
    }
    cv::Mat Part()
    {
        cv::Mat part = rig.scene().clone();
        synth::blob(part, cv::Point(200, 180), 14, 0);
        return part;
    }
    // A cycle with a part left in the mould: the alarm comes and the mould stays held.
    void HeldCycle(bool firstPair, const char* what)
    {
        ASSERT_TRUE(rig.Show(1, Part()));
        QThread::msleep(300);
        const qint64 edge = Cycle(firstPair);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0x07, kWord) >= 0; }, 4000))
            << what << ": " << rig.Seen(edge, kWord).toStdString();
        QThread::msleep(1500);
        for (const OutputChange& c : rig.Changes(edge, kWord))
            EXPECT_TRUE(c.bits & 1) << what << ": released: " << rig.Seen(edge, kWord).toStdString();
    }
    void Resample()
    {
        screen.Touch(kResample);
        ASSERT_TRUE(Yes()) << "no question to resample";
        Yes(1500);  // the shown stage's templates are deleted, when it asks
        QThread::msleep(500);
        // The first pair takes its templates on an empty mould.
        const int before = Verdicts();
        const qint64 edge = Cycle(true);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0x00, kWord) >= 0 && Verdicts() >= before + 2; }, 4000))
            << rig.Seen(edge, kWord).toStdString();
        QThread::msleep(300);
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

TEST_P(PairResampleE2E, TheSideWithItsTemplatesIsInspectedFromItsNextCycle)
{
    ASSERT_NO_FATAL_FAILURE(Launch());
    if (IsSkipped())
        return;
    ASSERT_NO_FATAL_FAILURE(Resample());
    // An empty mould on the same side: judged on the new templates and counted.
    const int counted = Inspections();
    const qint64 edge = Cycle(true);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0x00, kWord) >= 0; }, 4000)) << rig.Seen(edge, kWord).toStdString();
    EXPECT_TRUE(rig.WaitFor([&] { return Inspections() > counted; }, 2000)) << "count.txt did not move";
    // A part left in it is not released.
    ASSERT_NO_FATAL_FAILURE(HeldCycle(true, "part left on the resampled side"));
}

TEST_P(PairResampleE2E, StopAndStartLeaveAResamplingPendingForTheOtherSide)
{
    ASSERT_NO_FATAL_FAILURE(Launch());
    if (IsSkipped())
        return;
    ASSERT_NO_FATAL_FAILURE(Resample());
    screen.Touch(kStartStop);
    ASSERT_TRUE(Yes()) << "no question to stop";
    QThread::msleep(800);
    screen.Touch(kStartStop, 1500);
    QThread::msleep(800);
    // Detection again: the other side judges a part on its templates, it takes none from it.
    ASSERT_NO_FATAL_FAILURE(HeldCycle(false, "part left on the side still waiting for its templates"));
}

INSTANTIATE_TEST_SUITE_P(BothPairs, PairResampleE2E, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return i.param == 1 ? std::string("TwoColourSubMode2") : std::string("TurntableSubMode3");
                         });
