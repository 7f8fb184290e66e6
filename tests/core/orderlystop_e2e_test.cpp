// The real program stopped by SIGTERM, SIGINT or SIGHUP at drawn moments while its writers still
// hold counts and records (the statistics file and the record held locked by another program
// for a moment): after a restart every count and every row is on the disk, the log tells the
// stop, and the board saw no output word after the signal.
#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVector>
#include <QVariant>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
#include "core/orderlystop.h"
#include "statistics/resstatisticsparam.h"
#include "vision/records/counters.h"

namespace {

// What the disk holds: count.txt's total and NG per camera, the statistics sums of stage 1 (OK,
// NG) and stage 2 (OK), and the record's rows.
struct Disk {
    QVector<int> counts = QVector<int>(19);
    QStringList texts;
    Disk operator+(const Disk& o) const
    {
        Disk d = *this;
        for (int i = 0; i < counts.size(); ++i)
            d.counts[i] += o.counts[i];
        return d;
    }
    Disk operator-(const Disk& o) const
    {
        Disk d = *this;
        for (int i = 0; i < counts.size(); ++i)
            d.counts[i] -= o.counts[i];
        return d;
    }
    bool operator==(const Disk& o) const { return counts == o.counts && texts == o.texts; }
};

std::ostream& operator<<(std::ostream& os, const Disk& d)
{
    for (int v : d.counts)
        os << v << ' ';
    return os << "\nrecord: " << d.texts.join(" / ").toStdString();
}

int StatSum(const QString& row, bool ok)
{
    int n = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stop_stats_check");
        db.setDatabaseName("ResStatistics.db");
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery q(db);
        if (db.open() && q.exec(QString("select %1 from resstatistics where name = '%2'").arg(ok ? "value1" : "value2", row))
            && q.next())
            for (int v : ParseCounts(q.value(0).toString()))
                n += v;
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("stop_stats_check");
    return n;
}

Disk OnDisk(const ProgramDir& dir)
{
    Disk d;
    Counters::Parse(dir.read("count.txt"), d.counts.data(), d.counts.data() + 8);
    d.counts[16] = StatSum("Detect0", true);
    d.counts[17] = StatSum("Detect0", false);
    d.counts[18] = StatSum("Detect1", true);
    for (const QStringList& r : RecordRows("RECORD.db"))
        d.texts << r.value(2);
    return d;
}

// The real program in a directory of its own with `Cameras` simulated cameras, both stage delays
// 0.3 s.
template <int Cameras>
class LaunchedE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        CycleRigSetup s;
        s.cameras = Cameras;
        s.delay0 = 3;
        s.delay1 = 3;
        ASSERT_TRUE(rig.Prepare(s));
        ASSERT_GE(rig.Launch(), 0) << rig.Log().toStdString();
        QThread::msleep(500);
    }
    void TearDown() override { rig.Stop(); }

    ProgramDir dir;
    CycleRig rig{dir.path()};
};

class OrderlyStopE2E : public LaunchedE2E<1> {
protected:

    // An empty mould: judged and released.
    void OkCycle()
    {
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 5000))
            << rig.Seen(edge).toStdString() << "\n" << rig.Log().toStdString();
        QThread::msleep(300);
    }
    // A part left in the mould: NG with its alarm row, then released by a re-check on the
    // emptied mould.
    void NgCycle()
    {
        cv::Mat part = rig.scene().clone();
        synth::blob(part, cv::Point(200, 180), 14, 0);
        ASSERT_TRUE(rig.Show(1, part));
        QThread::msleep(200);
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 5000)) << rig.Seen(edge).toStdString();
        ASSERT_TRUE(rig.Show(1, rig.scene()));
        QThread::msleep(300);
        const qint64 recheck = rig.Pulse(1, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0b000) >= 0; }, 5000))
            << rig.Seen(edge).toStdString();
        QThread::msleep(300);
    }
    // What the disk holds once the writers are idle (nothing changes for a second).
    Disk Settled()
    {
        Disk last = OnDisk(dir);
        for (int i = 0; i < 50; ++i) {
            QThread::msleep(200);
            const Disk now = OnDisk(dir);
            if (now == last && i >= 4)
                break;
            last = now;
        }
        return last;
    }

};

}  // namespace

TEST_F(OrderlyStopE2E, ASignalWhileTheWritersHoldCountsAndRowsLosesNoneAndSendsNoOutputWord)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    // What one cycle of each kind adds on the disk, with nothing in the way.
    const Disk start = Settled();
    ASSERT_NO_FATAL_FAILURE(OkCycle());
    const Disk afterOk = Settled();
    ASSERT_NO_FATAL_FAILURE(NgCycle());
    const Disk afterNg = Settled();
    ASSERT_NE(afterOk.counts, start.counts);
    ASSERT_EQ(afterOk.texts, start.texts) << "an OK cycle leaves a record row";
    ASSERT_GT(afterNg.texts.size(), afterOk.texts.size()) << "an NG leaves no record row";
    const QStringList ngRows = afterNg.texts.mid(afterOk.texts.size());
    const Disk okShare = afterOk - start;
    const Disk ngShare = afterNg - afterOk;

    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(OrderlyStop::SignalName(sig));
        const int oks = std::uniform_int_distribution<int>(1, 3)(rng);
        const int pauseMs = std::uniform_int_distribution<int>(0, 400)(rng);
        const int lockedMs = std::uniform_int_distribution<int>(50, 500)(rng);
        const Disk before = Settled();
        Disk expected = before + ngShare;
        for (int i = 0; i < oks; ++i)
            expected = expected + okShare;
        const QString logBefore = rig.Log();
        {
            // Another program holds the files: the writers keep what the cycles hand them.
            DbLocker stats("ResStatistics.db");
            DbLocker record("RECORD.db");
            ASSERT_TRUE(stats.locked() && record.locked());
            ASSERT_NO_FATAL_FAILURE(NgCycle());
            for (int i = 0; i < oks; ++i)
                ASSERT_NO_FATAL_FAILURE(OkCycle());
            QThread::msleep(pauseMs);
            ASSERT_NE(OnDisk(dir).counts.mid(0, 16), expected.counts.mid(0, 16)) << "count.txt was not held back";
            const qint64 signalled = rig.BoardNow();
            ASSERT_EQ(::kill(pid_t(rig.process().processId()), sig), 0);
            QThread::msleep(lockedMs);
            stats.Unlock();
            record.Unlock();
            ASSERT_TRUE(rig.process().waitForFinished(8000));
            EXPECT_EQ(rig.process().exitStatus(), QProcess::CrashExit) << "not ended by the signal";
            EXPECT_TRUE(rig.Changes(signalled, 0xffff).isEmpty()) << rig.Seen(signalled, 0xffff).toStdString();
        }
        const QString log = rig.Log().mid(logBefore.size());
        EXPECT_TRUE(log.contains(QString(OrderlyStop::SignalName(sig)) + ": the program stops in order"))
            << log.toStdString();
        EXPECT_TRUE(log.contains("end: everything held is written and the databases are closed")) << log.toStdString();
        EXPECT_FALSE(log.contains("before the end")) << log.toStdString();

        ASSERT_GE(rig.KillAndRestart(), 0) << rig.Log().toStdString();
        const Disk after = Settled();
        EXPECT_EQ(after.counts, expected.counts) << after;
        // The NG's rows, then what the restart adds.
        EXPECT_EQ(after.texts.mid(0, before.texts.size() + ngRows.size()).join('\n').toStdString(),
                  (before.texts + ngRows).join('\n').toStdString());
    }
}

namespace {
// NG pictures (and the OK pictures of re-checks kept beside them) on the disk.
QStringList NgPictureNames(const ProgramDir& dir, bool all = false)
{
    QStringList names;
    for (QDirIterator it(dir.file("alarmimage"), {"*.jpg"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        it.next();
        if (all || it.filePath().contains("/NG/"))
            names << it.filePath().mid(dir.path().size() + 1);
    }
    names.sort();
    return names;
}
int NgPictures(const ProgramDir& dir)
{
    return NgPictureNames(dir).size();
}
}  // namespace

namespace {
// Two cameras, each NG and then released by its re-check: per cycle four pictures go to the
// picture writer at once, which takes them one after the other with its pauses between.
class NgPicturesE2E : public LaunchedE2E<2> {
protected:

    // Both cameras see a part: NG, the mould held for the operator.
    void Ng()
    {
        cv::Mat part = rig.scene().clone();
        synth::blob(part, cv::Point(200, 180), 14, 0);
        for (int c = 1; c <= 2; ++c)
            ASSERT_TRUE(rig.Show(c, part));
        QThread::msleep(200);
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 5000)) << rig.Seen(edge).toStdString();
    }
    // The part taken out: the re-check releases the mould.
    void Release()
    {
        for (int c = 1; c <= 2; ++c)
            ASSERT_TRUE(rig.Show(c, rig.scene()));
        QThread::msleep(300);
        const qint64 recheck = rig.Pulse(1, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0b000) >= 0; }, 5000))
            << rig.Seen(recheck).toStdString();
    }
    void NgThenReleased()
    {
        ASSERT_NO_FATAL_FAILURE(Ng());
        ASSERT_NO_FATAL_FAILURE(Release());
    }

};
}  // namespace

// An NG's pictures are records as its rows are: a stop in order writes them, whether the mould
// is still held for the operator (each NG picture waits to be paired with its re-check's) or the
// re-check has just released it (the pairs handed to the picture writer, not yet on the disk).
TEST_F(NgPicturesE2E, AStopInOrderWritesThePicturesOfTheNg)
{
    struct Case {
        const char* what;
        bool release;
        int pictures;  // NG folders: each camera's NG picture, and its re-check's OK picture beside it
    };
    const Case cases[] = {
        {"right after the re-check released the mould", true, 4},
        // Last: the next start finds the mould held.
        {"while the mould is held for the operator", false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList before = NgPictureNames(dir, true);
        ASSERT_NO_FATAL_FAILURE(Ng());
        if (c.release)
            ASSERT_NO_FATAL_FAILURE(Release());
        else
            QThread::msleep(1500);  // long past a pass of the picture writer: not merely late
        const QString logBefore = rig.Log();
        ASSERT_EQ(::kill(pid_t(rig.process().processId()), SIGTERM), 0);
        ASSERT_TRUE(rig.process().waitForFinished(8000));
        const QString log = rig.Log().mid(logBefore.size());
        ASSERT_TRUE(log.contains("end: everything held is written")) << log.toStdString();
        const QStringList after = NgPictureNames(dir, true);
        EXPECT_EQ(after.size() - before.size(), c.pictures) << after.join('\n').toStdString();
        ASSERT_GE(rig.KillAndRestart(), 0) << rig.Log().toStdString();
        QThread::msleep(500);
    }
}

// The next cycle's NG comes while the writer still works through the last one's pictures: each
// NG keeps its own picture, none is painted over before it is on the disk.
TEST_F(NgPicturesE2E, ANextNgBeforeTheLastPicturesAreWrittenLosesNone)
{
    ASSERT_NO_FATAL_FAILURE(NgThenReleased());
    QThread::msleep(300);  // the next shot; the writer takes about 2.5 s for the four pictures
    ASSERT_NO_FATAL_FAILURE(NgThenReleased());
    // Idle: the writer gets through whatever it holds (no new file for 3 s, past its pauses).
    int last = NgPictures(dir);
    for (int quiet = 0, i = 0; quiet < 6 && i < 60; ++i) {
        QThread::msleep(500);
        const int now = NgPictures(dir);
        quiet = now == last ? quiet + 1 : 0;
        last = now;
    }
    EXPECT_EQ(NgPictures(dir), 8) << NgPictureNames(dir, true).join('\n').toStdString();
    // Each under its first NG region (the test's one region), the re-checks' pictures too.
    for (const QString& name : NgPictureNames(dir, true))
        EXPECT_TRUE(QFileInfo(name).fileName().startsWith("1_")) << name.toStdString();
}
