// The real program under libfaketime. Stopped at 02:40 with the statistics day of the evening
// before still open and started again weeks later: that day is in its own archive with its own
// counts, the new day counts from 0, nothing is counted twice. 08:00 crossed while the archive
// folder is unusable: the closed day waits set aside as it was, the new day is counted on the
// disk, and both survive a stop or a kill and reach their files once the folder is mended.
// On the days the clock is changed the day still turns at 08:00. A cycle through 08:00 keeps its
// delays while the day's file is archived.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <unistd.h>

#include "common/cyclerig.h"
#include "common/faketime.h"
#include "common/programdir.h"
#include "common/starvation.h"
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
        QString whyNot;
        lib = FakeTimeLibrary(&whyNot);
        if (lib.isEmpty())
            GTEST_SKIP() << whyNot.toStdString();
    }
    // Stage 1 judged `delay0` tenths after its edge, stage 2 `delay1` after that.
    void Prepare(int delay0 = 3, int delay1 = 10)
    {
        CycleRigSetup s;
        s.delay0 = delay0;
        s.delay1 = delay1;
        ASSERT_TRUE(rig.Prepare(s));
    }
    void TearDown() override { rig.Stop(); }

    void Launch(const QString& lib, const QString& when, const QStringList& env = {}, const QString& wrapper = {})
    {
        const int ready = rig.Log().count("start-up: monitoring ready");
        ASSERT_GE(rig.Launch(FakeTimeEnv(lib, when) + env, wrapper), 0) << rig.Log().toStdString();
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

    // One machine cycle on an empty mould, waited for by the mould's release (the count may wait
    // apart from the file).
    void Cycle()
    {
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 5000))
            << rig.Seen(edge).toStdString() << "\n" << rig.Log().toStdString();
        QThread::msleep(200);
    }
    // The stage-1 OK counts of a file by slot.
    static QList<int> Oks(const QString& file) { return ParseCounts(ReadStatRows(file).value("Detect0").first); }
    static QList<int> At(std::initializer_list<QPair<int, int>> counts)
    {
        QList<int> l = ParseCounts("");
        for (const auto& s : counts)
            l[s.first] = s.second;
        return l;
    }
    QString lib;
    ProgramDir dir;
    CycleRig rig{dir.path()};
};

}  // namespace

TEST_F(StatisticsDayE2E, AStopWithTheDayOpenFilesItUnderItsOwnDayWhenStartedWeeksLater)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
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

TEST_F(StatisticsDayE2E, EightCrossedWhileTheArchiveFolderIsUnusableKeepsBothDaysOnDiskOverAStop)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    ASSERT_TRUE(QDir("ResStatistics").removeRecursively());
    ASSERT_TRUE(dir.write("ResStatistics", "a file where the folder belongs"));
    QElapsedTimer since;  // about the program's seconds since 07:59:52
    since.start();
    ASSERT_NO_FATAL_FAILURE(Launch(lib, "2026-11-21 07:59:52"));
    ASSERT_NO_FATAL_FAILURE(Cycle());
    while (since.elapsed() < 9000)
        QThread::msleep(10);
    // The first count of the new day changes it (the day timer checks once a minute).
    for (int i = 0; i < 3; ++i)
        ASSERT_NO_FATAL_FAILURE(Cycle());
    ASSERT_TRUE(QFile::exists("ResStatistics-2026-11-20.db")) << rig.Log().toStdString();
    ASSERT_TRUE(rig.WaitFor([&] { return Oks("ResStatistics.db") == At({{0, 3}}); }, 5000))
        << JoinCounts(Oks("ResStatistics.db")).toStdString();
    // Tried at every count, told once a minute.
    const QString log = rig.Log();
    EXPECT_GE(log.count("not moved into"), 1) << log.toStdString();
    EXPECT_LE(log.count("not moved into"), 1 + since.elapsed() / 60000) << log.toStdString();
    EXPECT_FALSE(log.contains("stat() failed")) << log.toStdString();
    rig.Stop();  // SIGTERM: no destructor runs

    ASSERT_TRUE(QFile::remove("ResStatistics"));
    ASSERT_NO_FATAL_FAILURE(Launch(lib, "2026-11-21 08:20:00"));
    ASSERT_NO_FATAL_FAILURE(Cycle());
    ASSERT_TRUE(rig.WaitFor([&] { return Oks("ResStatistics.db") == At({{0, 4}}); }, 5000))
        << JoinCounts(Oks("ResStatistics.db")).toStdString() << "\n" << rig.Log().toStdString();
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), QStringList{"2026-11-20.db"});
    EXPECT_EQ(Oks("ResStatistics/2026-11-20.db"), At({{23, 1}}));
    EXPECT_FALSE(QFile::exists("ResStatistics-2026-11-20.db"));
}

TEST_F(StatisticsDayE2E, AKilledProgramKeepsTheCountsMadeWhileTheArchiveFolderWasUnusable)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    ASSERT_NO_FATAL_FAILURE(Launch(lib, "2026-11-21 20:00:00"));
    ASSERT_NO_FATAL_FAILURE(Cycle());
    rig.Stop();
    const StatRows closed = ReadStatRows("ResStatistics.db");
    ASSERT_EQ(Oks("ResStatistics.db"), At({{12, 1}}));
    ASSERT_TRUE(QDir("ResStatistics").removeRecursively());
    ASSERT_TRUE(dir.write("ResStatistics", "a file where the folder belongs"));

    ASSERT_NO_FATAL_FAILURE(Launch(lib, "2026-11-22 10:00:00"));
    ASSERT_NO_FATAL_FAILURE(Cycle());
    ASSERT_NO_FATAL_FAILURE(Cycle());
    EXPECT_EQ(ReadStatRows("ResStatistics-2026-11-21.db"), closed) << "counted into the closed day";
    ASSERT_TRUE(rig.WaitFor([&] { return Oks("ResStatistics.db") == At({{2, 2}}); }, 5000))
        << JoinCounts(Oks("ResStatistics.db")).toStdString();
    ASSERT_TRUE(QFile::remove("ResStatistics"));
    ASSERT_GE(rig.KillAndRestart(), 0) << rig.Log().toStdString();
    ASSERT_NO_FATAL_FAILURE(Cycle());
    ASSERT_TRUE(rig.WaitFor([&] { return Oks("ResStatistics.db") == At({{2, 3}}); }, 5000))
        << JoinCounts(Oks("ResStatistics.db")).toStdString() << "\n" << rig.Log().toStdString();
    ASSERT_TRUE(rig.WaitFor([] { return QFile::exists("ResStatistics/2026-11-21.db"); }, 5000))
        << rig.Log().toStdString();
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), QStringList{"2026-11-21.db"});
    EXPECT_EQ(ReadStatRows("ResStatistics/2026-11-21.db"), closed);
    // The start after the kill tried nothing before: it tells what it found and archived.
    EXPECT_TRUE(rig.Log().contains("left in the program folder before the start are archived")) << rig.Log().toStdString();
}

TEST_F(StatisticsDayE2E, AFullArchiveFileSystemKeepsNoPartialArchiveAndTheDayGoesWholeOnceSpaceIsBack)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    ASSERT_NO_FATAL_FAILURE(Prepare());
    // The program in a mount namespace of its own, its archive folder a small full file system;
    // the test sees it through the program's root.
    ASSERT_TRUE(QDir().mkpath("ResStatistics"));
    ASSERT_TRUE(dir.write("fullarchive.sh", "mount -t tmpfs -o size=200k tmpfs ResStatistics || exit 9\n"
                                            "dd if=/dev/zero of=ResStatistics/fill bs=4k 2>/dev/null\n"
                                            "exec \"$1\"\n"));
    QElapsedTimer since;  // about the program's seconds since 07:59:52
    since.start();
    ASSERT_NO_FATAL_FAILURE(
        Launch(lib, "2026-11-21 07:59:52", {}, "unshare --mount -- sh " + dir.file("fullarchive.sh")));
    const QString archive = QString("/proc/%1/root%2").arg(rig.Pids().value(0)).arg(dir.file("ResStatistics"));
    ASSERT_EQ(QDir(archive).entryList(QDir::Files), QStringList{"fill"});
    ASSERT_NO_FATAL_FAILURE(Cycle());
    while (since.elapsed() < 9000)
        QThread::msleep(10);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NO_FATAL_FAILURE(Cycle());  // each count tries the archive again
        EXPECT_EQ(QDir(archive).entryList(QDir::Files | QDir::Hidden), QStringList{"fill"});
    }
    ASSERT_TRUE(QFile::exists("ResStatistics-2026-11-20.db")) << rig.Log().toStdString();
    const StatRows closed = ReadStatRows("ResStatistics-2026-11-20.db");
    ASSERT_EQ(Oks("ResStatistics-2026-11-20.db"), At({{23, 1}}));
    EXPECT_TRUE(rig.Log().contains("not moved into")) << rig.Log().toStdString();

    ASSERT_TRUE(QFile::remove(archive + "/fill"));
    ASSERT_NO_FATAL_FAILURE(Cycle());
    ASSERT_TRUE(rig.WaitFor([&] { return !QFile::exists("ResStatistics-2026-11-20.db"); }, 5000))
        << rig.Log().toStdString();
    EXPECT_EQ(QDir(archive).entryList(QDir::Files | QDir::Hidden), QStringList{"2026-11-20.db"});
    ASSERT_TRUE(QFile::copy(archive + "/2026-11-20.db", "archived.db"));  // SQLite reads it here
    EXPECT_EQ(ReadStatRows("archived.db"), closed);
    EXPECT_EQ(Oks("ResStatistics.db"), At({{0, 4}}));
}

TEST_F(StatisticsDayE2E, OnTheDaysTheClockIsChangedTheDayStillTurnsAtEight)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    const QStringList berlin{"TZ=Europe/Berlin"};
    for (const QDate& change : {QDate(2026, 3, 29), QDate(2026, 10, 25)}) {
        const QString eve = change.addDays(-1).toString("yyyy-MM-dd"), day = change.toString("yyyy-MM-dd");
        SCOPED_TRACE(day.toStdString());
        ASSERT_NO_FATAL_FAILURE(Launch(lib, eve + " 20:30:00", berlin));
        ASSERT_NO_FATAL_FAILURE(Cycle());
        rig.Stop();
        // Before 08:00 of the change day: still the day before, in its night shift.
        ASSERT_NO_FATAL_FAILURE(Launch(lib, day + " 07:50:00", berlin));
        ASSERT_NO_FATAL_FAILURE(Cycle());
        rig.Stop();
        EXPECT_FALSE(QFile::exists("ResStatistics/" + eve + ".db"));
        EXPECT_EQ(Oks("ResStatistics.db"), At({{12, 1}, {23, 1}}));

        ASSERT_NO_FATAL_FAILURE(Launch(lib, day + " 08:30:00", berlin));
        ASSERT_TRUE(rig.WaitFor([&] { return QFile::exists("ResStatistics/" + eve + ".db"); }, 3000))
            << "not archived at the start\n" << rig.Log().toStdString();
        ASSERT_NO_FATAL_FAILURE(Cycle());
        ASSERT_NO_FATAL_FAILURE(Cycle());
        rig.Stop();
        EXPECT_EQ(Oks("ResStatistics/" + eve + ".db"), At({{12, 1}, {23, 1}})) << rig.Log().toStdString();
        EXPECT_EQ(Oks("ResStatistics.db"), At({{0, 2}}));
    }
    // The spring day's file went into the archive at the autumn eve's start.
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files),
              (QStringList{"2026-03-28.db", "2026-03-29.db", "2026-10-24.db"}));
}

TEST_F(StatisticsDayE2E, ACycleThroughEightKeepsItsDelaysWhileTheDaysFileIsArchived)
{
    ASSERT_NO_FATAL_FAILURE(Prepare(30, 10));  // the release 4.0 s after the edge
    QElapsedTimer since;  // about the program's seconds since 07:59:50
    since.start();
    ASSERT_NO_FATAL_FAILURE(Launch(lib, "2026-11-23 07:59:50"));
    while (since.elapsed() < 8000)
        QThread::msleep(10);
    const Starvation cpu(rig.Pids());
    const int stalls = rig.Stalls().size();
    const qint64 edge = rig.Pulse(0, 60);
    ASSERT_GE(edge, 0);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 10000)) << rig.Seen(edge).toStdString();
    const qint64 release = rig.ChangeTo(edge, 0b000) - edge;
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Stalls().size() >= stalls + 2; }, 3000)) << rig.Log().toStdString();
    QStringList seen;
    for (qint64 stall : rig.Stalls().mid(stalls))
        seen << QString::number(stall);
    std::printf("[ figures  ] cycle through 08:00: release at +%lld ms, pass stalls %s ms\n",
                static_cast<long long>(release), qPrintable(seen.join(' ')));
    EXPECT_TRUE(cpu.OnTime(release, 4000, 20, "the release of a cycle through 08:00")) << rig.Seen(edge).toStdString();
    for (qint64 stall : rig.Stalls().mid(stalls))
        EXPECT_TRUE(cpu.OnTime(stall, 0, 50, "a pass through 08:00")) << rig.Log().toStdString();
    ASSERT_TRUE(rig.WaitFor([] { return QFile::exists("ResStatistics/2026-11-22.db"); }, 3000))
        << "no day change during the cycle\n" << rig.Log().toStdString();
    ASSERT_TRUE(rig.WaitFor([&] { return Oks("ResStatistics.db") == At({{0, 1}}); }, 3000))
        << JoinCounts(Oks("ResStatistics.db")).toStdString();
}
