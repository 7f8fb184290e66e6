// The real program stopped by SIGTERM, SIGINT or SIGHUP at drawn moments while its writers still
// hold counts and records (the statistics file and the record held locked by another program
// for a moment): after a restart every count and every row is on the disk, the log tells the
// stop, and the board saw no output word after the signal.
#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
#include "core/orderlystop.h"
#include "statistics/resstatisticsparam.h"
#include "vision/records/counters.h"

namespace {

struct Held {
    QByteArray count;   // count.txt
    QString ok0, ng0;   // statistics, stage 1
    QString ok1;        // statistics, stage 2
    QStringList texts;  // the record's rows
    bool operator==(const Held& o) const
    {
        return count == o.count && ok0 == o.ok0 && ng0 == o.ng0 && ok1 == o.ok1 && texts == o.texts;
    }
};

std::ostream& operator<<(std::ostream& os, const Held& h)
{
    return os << "count.txt '" << h.count.constData() << "' stage 1 OK " << h.ok0.toStdString() << " NG "
              << h.ng0.toStdString() << " stage 2 OK " << h.ok1.toStdString() << "\nrecord: "
              << h.texts.join(" / ").toStdString();
}

QString Cell(const QString& row, bool ok)
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stop_stats_check");
        db.setDatabaseName("ResStatistics.db");
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QString("select %1 from resstatistics where name = '%2'").arg(ok ? "value1" : "value2", row))
                && q.next())
                out = q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("stop_stats_check");
    return out;
}

Held OnDisk(const ProgramDir& dir)
{
    Held h;
    h.count = dir.read("count.txt");
    h.ok0 = Cell("Detect0", true);
    h.ng0 = Cell("Detect0", false);
    h.ok1 = Cell("Detect1", true);
    for (const QStringList& r : RecordRows("RECORD.db"))
        h.texts << r.value(2);
    return h;
}

// count.txt and the statistics sums of stage 1 (OK, NG) and stage 2 (OK).
struct Counts {
    QByteArray count;
    int ok0 = 0, ng0 = 0, ok1 = 0;
    static int Sum(const QString& counts)
    {
        int n = 0;
        for (int v : ParseCounts(counts))
            n += v;
        return n;
    }
    static Counts Of(const Held& h) { return {h.count, Sum(h.ok0), Sum(h.ng0), Sum(h.ok1)}; }
    // Per camera: the share's totals and NGs added to this file's.
    Counts operator+(const Counts& share) const
    {
        int all[8], fail[8], sAll[8], sFail[8];
        Counters::Parse(count, all, fail);
        Counters::Parse(share.count, sAll, sFail);
        for (int c = 0; c < 8; ++c)
            all[c] += sAll[c], fail[c] += sFail[c];
        return {Counters::Format(all, fail), ok0 + share.ok0, ng0 + share.ng0, ok1 + share.ok1};
    }
    Counts operator-(const Counts& o) const
    {
        int all[8], fail[8], oAll[8], oFail[8];
        Counters::Parse(count, all, fail);
        Counters::Parse(o.count, oAll, oFail);
        for (int c = 0; c < 8; ++c)
            all[c] -= oAll[c], fail[c] -= oFail[c];
        return {Counters::Format(all, fail), ok0 - o.ok0, ng0 - o.ng0, ok1 - o.ok1};
    }
    bool operator==(const Counts& o) const { return count == o.count && ok0 == o.ok0 && ng0 == o.ng0 && ok1 == o.ok1; }
};

std::ostream& operator<<(std::ostream& os, const Counts& c)
{
    return os << "count.txt '" << c.count.constData() << "' stage 1 OK " << c.ok0 << " NG " << c.ng0
              << " stage 2 OK " << c.ok1;
}

class OrderlyStopE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        CycleRigSetup s;
        s.delay0 = 3;
        s.delay1 = 3;
        ASSERT_TRUE(rig.Prepare(s));
        ASSERT_GE(rig.Launch(), 0) << rig.Log().toStdString();
        QThread::msleep(500);
    }
    void TearDown() override { rig.Stop(); }

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
    Held Settled()
    {
        Held last = OnDisk(dir);
        for (int i = 0; i < 50; ++i) {
            QThread::msleep(200);
            const Held now = OnDisk(dir);
            if (now == last && i >= 4)
                break;
            last = now;
        }
        return last;
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
};

}  // namespace

TEST_F(OrderlyStopE2E, ASignalWhileTheWritersHoldCountsAndRowsLosesNoneAndSendsNoOutputWord)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    // What one cycle of each kind adds on the disk, with nothing in the way.
    const Held start = Settled();
    ASSERT_NO_FATAL_FAILURE(OkCycle());
    const Held afterOk = Settled();
    ASSERT_NO_FATAL_FAILURE(NgCycle());
    const Held afterNg = Settled();
    ASSERT_NE(afterOk.count, start.count);
    ASSERT_EQ(afterOk.texts, start.texts) << "an OK cycle leaves a record row";
    ASSERT_GT(afterNg.texts.size(), afterOk.texts.size()) << "an NG leaves no record row";
    const QStringList ngRows = afterNg.texts.mid(afterOk.texts.size());
    const Counts okShare = Counts::Of(afterOk) - Counts::Of(start);
    const Counts ngShare = Counts::Of(afterNg) - Counts::Of(afterOk);

    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(OrderlyStop::SignalName(sig));
        const int oks = std::uniform_int_distribution<int>(1, 3)(rng);
        const int pauseMs = std::uniform_int_distribution<int>(0, 400)(rng);
        const int lockedMs = std::uniform_int_distribution<int>(50, 500)(rng);
        const Held before = Settled();
        Counts expected = Counts::Of(before) + ngShare;
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
            ASSERT_NE(dir.read("count.txt"), expected.count) << "nothing was held back";
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
        const Held after = Settled();
        EXPECT_EQ(Counts::Of(after), expected) << after;
        // The NG's rows, then what the restart adds.
        EXPECT_EQ(after.texts.mid(0, before.texts.size() + ngRows.size()).join('\n').toStdString(),
                  (before.texts + ngRows).join('\n').toStdString());
    }
}
