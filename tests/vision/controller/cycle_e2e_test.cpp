// The real program in a temporary program directory, in a network namespace of its own, with the
// board simulator on a pty and simulated cameras serving picture files: an OK cycle and an NG
// cycle with its alarm hold, its release by the re-check input and the NG pictures written after
// it; and the time from the trigger edge to the release of the ejector inhibit.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QRegularExpression>
#include <QThread>

#include <opencv2/imgcodecs.hpp>

#include "common/boardsim.h"
#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/synthscene.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "common/recorddb.h"
#include "vision/controller/verdictlogic.h"

namespace {

// The real program through the shared end-to-end rig (tests/common/cyclerig.*).
class CycleE2E : public ::testing::Test {
protected:
    void TearDown() override { rig.Stop(); }

    // Program directory: databases, parameters, regions, templates and the camera pictures;
    // stages 0 and 1 judged 1.0 s and 2.0 s after the edge.
    void Prepare(int cameras, int regions, std::function<void(WizardPara&)> adjust = {})
    {
        CycleRigSetup s;
        s.cameras = cameras;
        s.regions = regions;
        s.adjust = std::move(adjust);
        ASSERT_TRUE(rig.Prepare(s));
        scene = rig.scene();
        language = rig.language();
        board = nullptr;
    }

    void Show(int c, const cv::Mat& picture) { ASSERT_TRUE(rig.Show(c, picture)); }

    void Launch()
    {
        ASSERT_GE(rig.Launch(), 0) << "the program did not come up: " << rig.Log().toStdString();
        board = rig.board();
    }

    QString Log() { return rig.Log(); }
    bool WaitFor(const std::function<bool()>& cond, int ms) { return rig.WaitFor(cond, ms); }
    QList<OutputChange> Changes(qint64 fromMs) { return rig.Changes(fromMs); }
    qint64 Pulse(int n) { return rig.Pulse(n); }

    QString Records()
    {
        QString out;
        for (const QStringList& row : RecordRows("RECORD.db"))
            out += row.join(" | ") + "\n";
        return out;
    }

    QStringList NgPictures() const
    {
        return QDir("alarmimage/camera1/detect1/NG").entryList({"*.jpg"}, QDir::Files, QDir::Name);
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    BoardSim* board = nullptr;
    cv::Mat scene;
    int language = 0;
};

QString CountText(int all, int fail)
{
    QString s = QString("%1 %2 ").arg(all).arg(fail);
    for (int i = 1; i < 8; ++i)
        s += "0 0 ";
    return s;
}

} // namespace

TEST_F(CycleE2E, OkCycleThenNgCycleWithAlarmHoldReleasedByTheReCheckInput)
{
    ASSERT_NO_FATAL_FAILURE(Prepare(1, 1));
    ASSERT_NO_FATAL_FAILURE(Launch());
    QThread::msleep(500);

    // OK cycle: inhibits at the edge, ejector released by stage 0, mould close by stage 1.
    const qint64 edge = Pulse(0);
    ASSERT_GE(edge, 0);
    // The count is on the disk from stage 0's verdict on; stage 1's ends the cycle.
    ASSERT_TRUE(WaitFor([&] { return QFile::exists("count.txt") && QFile("count.txt").size() > 0 && Changes(edge).size() >= 3; },
                        5000))
        << Log().toStdString() << board->lines().join("\n").toStdString() << Records().toStdString();
    QThread::msleep(100);
    QList<OutputChange> ch = Changes(edge);
    ASSERT_EQ(ch.size(), 3) << Log().toStdString();
    EXPECT_EQ(ch[0].bits, 0b011);
    EXPECT_EQ(ch[1].bits, 0b001);
    EXPECT_EQ(ch[2].bits, 0b000);
    EXPECT_LT(ch[0].ms - edge, 200);
    EXPECT_NEAR(double(ch[1].ms - edge), 1000.0, 300.0);
    EXPECT_NEAR(double(ch[2].ms - edge), 2000.0, 300.0);
    {
        QFile f("count.txt");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromLatin1(f.readAll()), CountText(1, 0));
    }
    std::printf("[ figures  ] OK cycle, 1 camera: edge to release of output 1 minus the delay: %lld ms\n",
                static_cast<long long>(ch[1].ms - edge - 1000));

    // NG cycle: a part left in the region.
    cv::Mat part = scene.clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    ASSERT_NO_FATAL_FAILURE(Show(1, part));
    QThread::msleep(400);
    const qint64 edge2 = Pulse(0);
    ASSERT_TRUE(WaitFor([&] { return !Changes(edge2).isEmpty() && Changes(edge2).last().bits == 0b111; }, 4000))
        << Log().toStdString();
    ch = Changes(edge2);
    EXPECT_EQ(ch.first().bits, 0b011);
    EXPECT_NEAR(double(ch.last().ms - edge2), 1000.0, 300.0);
    // The alarm record, and the NG picture on the disk while the hold lasts.
    gLan = language;
    Data_Init();
    const QString alarm = VerdictLogic::AlarmRecordText({0});
    ASSERT_TRUE(WaitFor([&] {
        for (const QStringList& row : RecordRows("RECORD.db"))
            if (row.value(2) == alarm)
                return true;
        return false;
    }, 2000));
    QThread::msleep(2500);  // past stage 1's time: the hold stopped it
    EXPECT_EQ(Changes(edge2).last().bits, 0b111);
    const QStringList held = NgPictures();
    ASSERT_EQ(held.size(), 1);
    const QByteArray heldBytes = dir.read("alarmimage/camera1/detect1/NG/" + held[0]);

    // The part is taken out; the re-check input releases the hold.
    ASSERT_NO_FATAL_FAILURE(Show(1, scene));
    QThread::msleep(400);
    const qint64 recheck = Pulse(1);
    ASSERT_TRUE(WaitFor([&] { return NgPictures().size() >= 2; }, 5000)) << Log().toStdString();
    const QStringList pics = NgPictures();
    ASSERT_EQ(pics.size(), 2);
    // "<first NG region>_<yyyy-MM-dd_hh.mm.ss>.jpg", the re-checked OK picture at least 1 s later.
    const QRegularExpression name("^1_(\\d{4}-\\d{2}-\\d{2}_\\d{2}\\.\\d{2}\\.\\d{2})\\.jpg$");
    const auto m0 = name.match(pics[0]), m1 = name.match(pics[1]);
    ASSERT_TRUE(m0.hasMatch()) << pics[0].toStdString();
    ASSERT_TRUE(m1.hasMatch()) << pics[1].toStdString();
    const QDateTime t0 = QDateTime::fromString(m0.captured(1), "yyyy-MM-dd_hh.mm.ss");
    const QDateTime t1 = QDateTime::fromString(m1.captured(1), "yyyy-MM-dd_hh.mm.ss");
    EXPECT_GE(t0.secsTo(t1), 1);
    // The re-checked NG picture went into the held picture's file.
    EXPECT_EQ(pics[0], held[0]);
    EXPECT_NE(dir.read("alarmimage/camera1/detect1/NG/" + held[0]), heldBytes) << "stamped \"Re-detected\"";
    // Released: alarm and ejector off, then stage 1 runs again with its own delay and releases
    // the mould close; the counters hold both cycles and the NG.
    ASSERT_TRUE(WaitFor([&] { return !Changes(recheck).isEmpty() && Changes(recheck).last().bits == 0; }, 4000))
        << Log().toStdString();
    ch = Changes(recheck);
    QString seen;
    for (const OutputChange& c : ch)
        seen += QString("%1:%2 ").arg(c.ms - recheck).arg(c.bits);
    // The OK verdict releases the ejector, then leaving the hold clears the alarm: a board pass
    // between the two flushes sees the ejector released with the alarm still on (0b101).
    if (ch.size() > 1 && ch.first().bits == 0b101)
        ch.removeFirst();
    EXPECT_EQ(ch.first().bits, 0b001) << seen.toStdString();
    ASSERT_TRUE(WaitFor([&] {
        QFile f("count.txt");
        return f.open(QIODevice::ReadOnly) && QString::fromLatin1(f.readAll()) == CountText(2, 1);
    }, 3000));
}

TEST_F(CycleE2E, WithTriggerSafetyTheReleaseOfAStageZeroAlarmRunsStageOneWithItsDelay)
{
    ASSERT_NO_FATAL_FAILURE(Prepare(1, 1, [](WizardPara& p) { p.enable_trigger_safety = 1; }));
    ASSERT_NO_FATAL_FAILURE(Launch());
    QThread::msleep(500);
    cv::Mat part = scene.clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    ASSERT_NO_FATAL_FAILURE(Show(1, part));
    QThread::msleep(400);
    const qint64 edge = Pulse(0);
    ASSERT_GE(edge, 0);
    ASSERT_TRUE(WaitFor([&] { return !Changes(edge).isEmpty() && Changes(edge).last().bits == 0b111; }, 4000))
        << Log().toStdString();
    // The part is gone; the machine's re-check on input 1 ends the hold. Stage 1 runs again with
    // its own 1.0 s: the restart is not the trigger-safety input.
    ASSERT_NO_FATAL_FAILURE(Show(1, scene));
    QThread::msleep(400);
    const qint64 recheck = Pulse(1);
    ASSERT_GE(recheck, 0);
    ASSERT_TRUE(WaitFor([&] { return rig.ChangeTo(recheck, 0, 0b001) >= 0; }, 6000)) << rig.Seen(recheck).toStdString();
    const qint64 released = rig.ChangeTo(recheck, 0, 0b001);
    EXPECT_GE(released - recheck, 900) << "released before stage 1's delay: " << rig.Seen(recheck).toStdString();
}

TEST_F(CycleE2E, EdgeToVerdictWithOneAndEightCamerasOfFiftyRegions)
{
    for (int cameras : {1, 8}) {
        ASSERT_NO_FATAL_FAILURE(Prepare(cameras, 50));
        ASSERT_NO_FATAL_FAILURE(Launch());
        QThread::msleep(800);
        qint64 worst = 0;
        for (int n = 0; n < 2; ++n) {
            const qint64 edge = Pulse(0);
            ASSERT_TRUE(WaitFor([&] {
                const auto ch = Changes(edge);
                return ch.size() >= 3 && ch.last().bits == 0;
            }, 6000)) << Log().toStdString();
            const auto ch = Changes(edge);
            QString seen;
            for (const OutputChange& c : ch)
                seen += QString("%1:%2 ").arg(c.ms - edge).arg(c.bits);
            ASSERT_EQ(ch[1].bits, 0b001) << seen.toStdString() << Records().toStdString();
            worst = qMax(worst, ch[1].ms - edge - 1000);
            QThread::msleep(300);
        }
        // The pass stalls reported with each verdict.
        qint64 stall = 0;
        const QRegularExpression re("longest pass stall (\\d+) ms");
        auto it = re.globalMatch(Log());
        while (it.hasNext())
            stall = qMax(stall, it.next().captured(1).toLongLong());
        std::printf("[ figures  ] %d camera(s) x 50 regions: edge to release of output 1 minus the delay, "
                    "worst of 2: %lld ms; longest GUI stall: %lld ms\n",
                    cameras, static_cast<long long>(worst), static_cast<long long>(stall));
        EXPECT_LT(worst, 1000);
        TearDown();
        // A fresh program directory for the next count.
        for (const QString& e : QDir(".").entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QFileInfo(e).isDir() ? (void)QDir(e).removeRecursively() : (void)QFile::remove(e);
    }
}
