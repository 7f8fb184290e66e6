// The real program stopped at 02:40 with the statistics day of the evening before still open,
// and started again weeks later (libfaketime): that day is in its own archive with its own
// counts, the new day counts from 0, nothing is counted twice.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QThread>

#include "common/cyclerig.h"
#include "common/faketime.h"
#include "common/programdir.h"
#include "common/synthscene.h"
#include "statsfixture.h"

namespace {

int Sum(const QString& counts)
{
    int n = 0;
    for (int v : ParseCounts(counts))
        n += v;
    return n;
}

class StatisticsDayE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        CycleRigSetup s;
        s.delay0 = 3;  // stage 1 judged 0.3 s after its edge
        ASSERT_TRUE(rig.Prepare(s));
    }
    void TearDown() override { rig.Stop(); }

    void Launch(const QString& lib, const QString& when)
    {
        const int ready = rig.Log().count("start-up: monitoring ready");
        ASSERT_GE(rig.Launch(FakeTimeEnv(lib, when)), 0) << rig.Log().toStdString();
        ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().count("start-up: monitoring ready") > ready; }, 5000))
            << rig.Log().toStdString();
        QThread::msleep(500);
    }
    // One cycle of stage 1 on an empty mould; waits until its OK is in the statistics file.
    void OkCycle()
    {
        const int before = Sum(ReadStatRows("ResStatistics.db").value("Detect0").first);
        rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return Sum(ReadStatRows("ResStatistics.db").value("Detect0").first) > before; },
                                5000))
            << rig.Log().toStdString();
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
};

}  // namespace

TEST_F(StatisticsDayE2E, AStopWithTheDayOpenFilesItUnderItsOwnDayWhenStartedWeeksLater)
{
    QString whyNot;
    const QString lib = FakeTimeLibrary(&whyNot);
    if (lib.isEmpty())
        GTEST_SKIP() << whyNot.toStdString();
    // Days in the past, so the program's clock never runs ahead of the files' real change times.
    const QDate evening = QDate::currentDate().addDays(-60);
    const QDate morning = evening.addDays(1);
    const QDate later = morning.addDays(51);

    ASSERT_NO_FATAL_FAILURE(Launch(lib, morning.toString("yyyy-MM-dd") + " 02:40:00"));
    // An NG on a part left in the mould, released by a re-check on the empty mould, then an OK.
    cv::Mat part = rig.scene().clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    ASSERT_TRUE(rig.Show(1, part));
    QThread::msleep(200);
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    ASSERT_TRUE(rig.Show(1, rig.scene()));
    QThread::msleep(300);
    const qint64 recheck = rig.Pulse(1, 60);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0b000) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    ASSERT_NO_FATAL_FAILURE(OkCycle());
    rig.Stop();
    const StatRows open = ReadStatRows("ResStatistics.db");
    const QString eveningOk = open.value("Detect0").first;
    ASSERT_GE(Sum(eveningOk), 1);
    ASSERT_GE(Sum(open.value("Detect0").second), 1);
    EXPECT_EQ(Sum(eveningOk), ParseCounts(eveningOk).value(18)) << "counted outside the 02:00 slot";

    ASSERT_NO_FATAL_FAILURE(Launch(lib, later.toString("yyyy-MM-dd") + " 10:00:00"));
    ASSERT_NO_FATAL_FAILURE(OkCycle());
    const QString eveningDay = evening.toString("yyyy-MM-dd");
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), QStringList{eveningDay + ".db"});
    EXPECT_EQ(ReadStatRows("ResStatistics/" + eveningDay + ".db"), open) << "the closed day's counts changed";
    const StatRows today = ReadStatRows("ResStatistics.db");
    ASSERT_EQ(today.size(), 73);
    QList<int> oneAt10 = ParseCounts("");
    oneAt10[2] = 1;
    EXPECT_EQ(today.value("Detect0"), qMakePair(JoinCounts(oneAt10), JoinCounts(ParseCounts(""))));
    EXPECT_EQ(today.value("C0_D0"), today.value("Detect0"));
    EXPECT_TRUE(rig.Log().contains("holds the statistics day " + eveningDay)) << rig.Log().toStdString();
}
