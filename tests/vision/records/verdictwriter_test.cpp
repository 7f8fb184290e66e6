// The verdict writer: count.txt and statistics commits written off the caller's thread in the
// order handed over, a commit whole or not at all, a failing or locked job holding back everything
// behind it without holding back the caller, and what is left out: a refused commit, a job failing
// past the give-up time, the queue at a bounded end.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/starvation.h"
#include "vision/records/verdictwriter.h"

namespace {

// A commit never makes its database: the file is made here.
bool MakeTable(const QString& file)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make_table");
        db.setDatabaseName(file);
        const bool made = db.open();
        db.close();
        if (!made)
            return false;
    }
    QSqlDatabase::removeDatabase("make_table");
    return VerdictWriter::CommitNow(file, {"create table t(k text primary key, v int)", "insert into t values('a', 0)",
                                           "insert into t values('b', 0)"});
}

// "a|b" of table t.
QString Values(const QString& file)
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "values_check");
        db.setDatabaseName(file);
        QSqlQuery q(db);
        if (db.open() && q.exec("select v from t order by k"))
            while (q.next())
                out += (out.isEmpty() ? "" : "|") + q.value(0).toString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("values_check");
    return out;
}

QStringList Set(int a, int b)
{
    return {QString("update t set v = %1 where k = 'a'").arg(a), QString("update t set v = %1 where k = 'b'").arg(b)};
}

}  // namespace

TEST(VerdictWriter, JobsReachTheDiskInTheOrderHandedOver)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.start();
    for (int n = 1; n <= 40; ++n) {
        w.WriteFile(count, QByteArray::number(n) + ' ');
        w.Commit(db, Set(n, n));
    }
    w.Commit(db, {});  // nothing to commit: no job
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(w.pending(), 0);
    EXPECT_EQ(w.failures(), 0);
    EXPECT_EQ(dir.read("count.txt"), "40 ");
    EXPECT_EQ(Values(db), "40|40");
    // Idle: the database is let go, so it can be moved and a new one takes the next commit.
    ASSERT_TRUE(QFile::rename(db, dir.file("old.db")));
    ASSERT_TRUE(MakeTable(db));
    w.Commit(db, Set(41, 41));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(Values(db), "41|41");
    EXPECT_EQ(Values(dir.file("old.db")), "40|40");
}

TEST(VerdictWriter, ALockedDatabaseHoldsBackTheJobsBehindItNotTheCaller)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.busyWaitMs = 20000;
    w.start();
    {
        DbLocker lock(db);
        ASSERT_TRUE(lock.locked());
        w.Commit(db, Set(1, 1));
        w.WriteFile(count, "1 ");  // handed over without waiting for the lock
        EXPECT_FALSE(w.Flush(300));
        EXPECT_EQ(w.pending(), 2);
        EXPECT_FALSE(QFile::exists(count)) << "a later job overtook a waiting commit";
    }
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(Values(db), "1|1");
    EXPECT_EQ(dir.read("count.txt"), "1 ");
}

TEST(VerdictWriter, ARefusedCommitIsLeftOutAFailingFileHoldsBackWhatFollows)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("sub/count.txt");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.retryPauseMs = 20;
    w.start();
    // A statement SQLite refuses fails the same way each time: left out, nothing of it written.
    w.Commit(db, {"update t set v = 5 where k = 'a'", "update nosuchtable set v = 5"});
    w.Commit(db, Set(2, 3));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(w.failures(), 1);
    EXPECT_EQ(Values(db), "2|3");
    // A file that cannot be written yet (as on a full disk): nothing behind it overtakes it, and
    // the later writes of the same file waiting right behind it are one.
    w.WriteFile(count, "1 ");
    w.Commit(db, Set(4, 4));
    w.WriteFile(count, "2 ");
    w.WriteFile(count, "3 ");
    EXPECT_FALSE(w.Flush(400));
    EXPECT_EQ(w.pending(), 3);
    EXPECT_EQ(Values(db), "2|3") << "a later job overtook a failing one";
    ASSERT_TRUE(QDir().mkpath(dir.file("sub")));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(Values(db), "4|4");
    EXPECT_EQ(dir.read("sub/count.txt"), "3 ");
    EXPECT_EQ(w.failures(), 1);
}

TEST(VerdictWriter, AWriteAheadPassesAFailingJobAndTheLatestStateStays)
{
    ProgramDir dir;
    const QString state = dir.file("mould.state");
    VerdictWriter w;
    w.retryPauseMs = 20;
    w.start();
    w.WriteFile(dir.file("sub/count.txt"), "1 ");  // fails until sub exists
    w.WriteFile(state, "free");
    w.WriteFileAhead(state, "held");
    QElapsedTimer t;
    t.start();
    while (dir.read("mould.state") != "held" && t.elapsed() < 5000)
        QThread::msleep(10);
    EXPECT_EQ(dir.read("mould.state"), "held") << "the state waited behind a failing job";
    EXPECT_FALSE(QFile::exists(dir.file("sub/count.txt")));
    // A release written in order waits behind the failing count; it is the latest and stays.
    w.WriteFile(state, "free");
    EXPECT_FALSE(w.Flush(300));
    EXPECT_EQ(dir.read("mould.state"), "held");
    ASSERT_TRUE(QDir().mkpath(dir.file("sub")));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(dir.read("mould.state"), "free");
    EXPECT_EQ(dir.read("sub/count.txt"), "1 ");
    EXPECT_EQ(w.failures(), 0);
}

TEST(VerdictWriter, AJobFailingPastGiveUpIsLeftOutAndTheEndWaitsBounded)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    ASSERT_TRUE(MakeTable(db));
    QElapsedTimer t;
    {
        VerdictWriter w;
        w.retryPauseMs = 20;
        w.giveUpMs = 300;
        w.start();
        t.start();
        w.WriteFile(dir.file("no/such/folder/count.txt"), "x");
        w.Commit(db, Set(5, 5));
        ASSERT_TRUE(w.Flush(10000));
        EXPECT_GE(t.elapsed(), 300);
        EXPECT_EQ(w.failures(), 1);
        EXPECT_EQ(Values(db), "5|5");
    }
    // A database locked for good at the end: the writer stops within its wait, the later count
    // is left out with the commit it followed.
    DbLocker lock(db);
    ASSERT_TRUE(lock.locked());
    {
        auto* w = new VerdictWriter;
        w->busyWaitMs = 100;
        w->flushMs = 500;
        w->start();
        w->Commit(db, Set(6, 6));
        w->WriteFile(count, "6 ");
        const Starvation cpu;
        t.restart();
        delete w;
        EXPECT_TRUE(cpu.OnTime(t.elapsed(), 0, 2000, "the writer's end on a locked database"));
    }
    EXPECT_FALSE(QFile::exists(count));
}

TEST(VerdictWriter, EndingWritesWhatIsQueued)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db");
    ASSERT_TRUE(MakeTable(db));
    {
        VerdictWriter w;
        w.start();
        for (int n = 1; n <= 20; ++n)
            w.Commit(db, Set(n, 2 * n));
    }
    EXPECT_EQ(Values(db), "20|40");
}

// A database moved away is never made again by a commit: the commit goes into the fresh file of a
// day change not finished when there is one, else it is left out and told once, and what follows
// it is written.
TEST(VerdictWriter, ACommitToADatabaseThatIsNotThereMakesNoFile)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    VerdictWriter w;
    w.start();
    w.Commit(db, Set(1, 1));
    w.Commit(db, Set(2, 2));
    w.WriteFile(count, "2 ");
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_FALSE(QFile::exists(db));
    EXPECT_EQ(w.failures(), 2);
    EXPECT_EQ(dir.read("count.txt"), "2 ");
    EXPECT_FALSE(VerdictWriter::CommitNow(db, Set(3, 3)));
    EXPECT_FALSE(QFile::exists(db));

    ASSERT_TRUE(MakeTable(db + ".new"));
    w.Commit(db, Set(4, 4));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_TRUE(VerdictWriter::CommitNow(db, {"update t set v = 5 where k = 'b'"}));
    EXPECT_FALSE(QFile::exists(db));
    EXPECT_EQ(Values(db + ".new"), "4|5");
    // A commit to the fresh file after it took the database's name goes into the database.
    ASSERT_TRUE(QFile::rename(db + ".new", db));
    w.Commit(db + ".new", Set(6, 6));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_FALSE(QFile::exists(db + ".new"));
    EXPECT_EQ(Values(db), "6|6");
}

namespace {
QStringList gStopLines;
void CaptureStopLines(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtCriticalMsg)
        gStopLines << msg;
}
}  // namespace

// The end of the process while a long task (an archive copy) holds the queue: the stop returns
// within its bound, logs every job behind the task with its counts, and nothing it logged is
// written later (the log is the whole list of what is missing). What came before the task is
// written.
TEST(VerdictWriter, AStopLeavesOutAndLogsWhatWaitsBehindALongTaskAndWritesNoneOfItLater)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    ASSERT_TRUE(MakeTable(db));
    std::atomic<bool> release{false}, taskDone{false};
    VerdictWriter w;
    w.start();
    w.Commit(db, Set(1, 1));
    w.WriteFile(count, "1 ");
    w.Run([&] {
        while (!release)
            QThread::msleep(5);
        taskDone = true;
    });
    w.Commit(db, Set(2, 7));
    w.WriteFile(count, "2 ");
    gStopLines.clear();
    const QtMessageHandler old = qInstallMessageHandler(CaptureStopLines);
    const bool whole = w.Stop(300);
    qInstallMessageHandler(old);
    EXPECT_FALSE(whole);
    ASSERT_EQ(gStopLines.size(), 2) << gStopLines.join('\n').toStdString();
    EXPECT_TRUE(gStopLines[0].contains("update t set v = 2 where k = 'a'; update t set v = 7 where k = 'b'"))
        << gStopLines[0].toStdString();
    EXPECT_TRUE(gStopLines[1].endsWith("count.txt not done before the end: 2 ")) << gStopLines[1].toStdString();
    release = true;
    // The task ends, then the writer: nothing waits to be taken up.
    ASSERT_TRUE(w.wait(10000));
    EXPECT_TRUE(taskDone);
    EXPECT_EQ(w.failures(), 2);
    EXPECT_EQ(Values(db), "1|1");
    EXPECT_EQ(dir.read("count.txt"), "1 ");
}

TEST(VerdictWriter, AStopWithNothingHeldBackWritesEverythingAndSaysSo)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.start();
    for (int n = 1; n <= 10; ++n)
        w.Commit(db, Set(n, n + 1));
    EXPECT_TRUE(w.Stop(10000));
    EXPECT_EQ(w.failures(), 0);
    EXPECT_EQ(Values(db), "10|11");
}

// A full disk past the give-up time: the counts handed over from then on are left out one by one.
// The end must not say everything is written while the last count handed over is not on the disk
// (the stop's line "everything held is written" is made of this answer).
TEST(VerdictWriter, AStopAfterCountsWereLeftOutDoesNotSayEverythingIsWritten)
{
    ProgramDir dir;
    const QString count = dir.file("sub/count.txt");  // fails until sub exists
    VerdictWriter w;
    w.retryPauseMs = 20;
    w.giveUpMs = 100;
    w.start();
    w.WriteFile(count, "1 ");
    ASSERT_TRUE(w.Flush(10000));
    ASSERT_EQ(w.failures(), 1);
    w.WriteFile(count, "2 ");
    ASSERT_TRUE(w.Flush(10000));
    ASSERT_EQ(w.failures(), 2);
    ASSERT_FALSE(QFile::exists(count));
    EXPECT_FALSE(w.Stop(2000)) << "the last count handed over is not on the disk";
}

// What was left out before the stop decides its answer: a count.txt left out and carried by a
// later count written whole is not missing; a commit left out is missing for good.
TEST(VerdictWriter, AStopSaysEverythingIsWrittenOnlyWhenNothingLeftOutIsMissing)
{
    struct Case {
        const char* what;
        bool refusedCommit;  // a commit SQLite refuses, before the counts
        bool carried;        // the folder comes back and a later count is written
        bool whole;
    };
    const Case cases[] = {
        {"a left-out count carried by a later one", false, true, true},
        {"a refused commit, the counts carried", true, true, false},
        {"a refused commit, nothing else", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramDir dir;
        const QString db = dir.file("stats.db"), count = dir.file("sub/count.txt");
        ASSERT_TRUE(MakeTable(db));
        VerdictWriter w;
        w.retryPauseMs = 20;
        w.giveUpMs = 100;
        w.start();
        if (c.refusedCommit)
            w.Commit(db, {"update no_such_table set v = 1"});
        if (c.carried) {
            w.WriteFile(count, "1 ");  // no folder yet: left out
            ASSERT_TRUE(w.Flush(10000));
            ASSERT_TRUE(QDir().mkpath(dir.file("sub")));
            w.WriteFile(count, "2 ");
        }
        w.Commit(db, Set(3, 4));
        ASSERT_TRUE(w.Flush(10000));
        EXPECT_EQ(w.failures(), int(c.refusedCommit) + int(c.carried));
        EXPECT_EQ(w.Stop(2000), c.whole);
        EXPECT_EQ(Values(db), "3|4");
        if (c.carried)
            EXPECT_EQ(dir.read("sub/count.txt"), "2 ");
    }
}

namespace {
std::mutex gToldMutex;
QStringList gTold;
void CaptureTold(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        std::lock_guard<std::mutex> lock(gToldMutex);
        gTold << msg;
    }
}
int ToldAbout(const QString& path)
{
    std::lock_guard<std::mutex> lock(gToldMutex);
    int n = 0;
    for (const QString& line : gTold)
        n += line.contains(path + " ") ? 1 : 0;
    return n;
}
}  // namespace

// A write ahead (the mould state of each cycle) that succeeds again and again does not keep a
// failing job from its bound: the job is left out on its own clock and the commit behind it is
// written.
TEST(VerdictWriter, AFailingJobIsLeftOutOnItsOwnClockWhateverElseSucceeds)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), state = dir.file("mould.state");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.retryPauseMs = 20;
    w.giveUpMs = 300;
    w.start();
    w.WriteFile(dir.file("sub/count.txt"), "1 ");  // fails until sub exists
    w.Commit(db, Set(1, 1));
    for (int i = 0; i < 250 && w.failures() == 0; ++i) {
        w.WriteFileAhead(state, QByteArray::number(i));
        QThread::msleep(20);
    }
    EXPECT_EQ(w.failures(), 1) << "the failing count was never left out";
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(Values(db), "1|1");
}

// A database that stays locked: once its first commit is left out, the commits queued behind it
// are left out at their first failure, not each after a bound of its own, so the count behind
// them is not held back by their number times the bound.
TEST(VerdictWriter, CommitsBehindOneLeftOutOnALockedDatabaseWaitNoBoundOfTheirOwn)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.busyWaitMs = 10;
    w.retryPauseMs = 10;
    w.giveUpMs = 500;
    w.start();
    DbLocker lock(db);
    ASSERT_TRUE(lock.locked());
    for (int n = 1; n <= 40; ++n)
        w.Commit(db, Set(n, n));
    w.WriteFile(count, "40 ");
    // One bound for the path, not forty (20 s).
    ASSERT_TRUE(w.Flush(10000)) << "each queued commit waited out a bound of its own";
    EXPECT_EQ(w.failures(), 40);
    EXPECT_EQ(dir.read("count.txt"), "40 ");
}

// A path left out, then not tried for longer than the bound, starts afresh: its next failing write
// is tried again, not left out at its first failure for the old streak.
TEST(VerdictWriter, APathNotTriedForABoundGetsItsFullBoundAgain)
{
    ProgramDir dir;
    const QString file = dir.file("sub/count.txt");
    VerdictWriter w;
    w.retryPauseMs = 20;
    w.giveUpMs = 300;
    w.start();
    w.WriteFile(file, "1 ");
    ASSERT_TRUE(w.Flush(10000));
    ASSERT_EQ(w.failures(), 1);
    QThread::msleep(700);
    w.WriteFile(file, "2 ");
    QThread::msleep(60);
    ASSERT_TRUE(QDir().mkpath(dir.file("sub")));
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(w.failures(), 1) << "the new write was left out for the old streak";
    EXPECT_EQ(dir.read("sub/count.txt"), "2 ");
}

// What no retry mends is left out at once and told once for its path, so nothing waits behind it:
// a folder where count.txt belongs (a later count carries it once the folder is gone), and a
// database SQLite cannot read.
TEST(VerdictWriter, AFolderInTheFilesPlaceAndAnUnreadableDatabaseAreLeftOutAtOnceAndToldOnce)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt"), junk = dir.file("junk.db");
    ASSERT_TRUE(MakeTable(db));
    ASSERT_TRUE(QDir().mkpath(count));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
    }
    {
        std::lock_guard<std::mutex> lock(gToldMutex);
        gTold.clear();
    }
    const QtMessageHandler old = qInstallMessageHandler(CaptureTold);
    VerdictWriter w;  // the bounds of the program
    w.start();
    for (int n = 1; n <= 3; ++n) {
        w.WriteFile(count, QByteArray::number(n) + ' ');
        w.Commit(junk, Set(n, n));
        w.Commit(db, Set(n, n));
    }
    const bool flushed = w.Flush(10000);
    qInstallMessageHandler(old);
    ASSERT_TRUE(flushed) << "a write no retry mends held the queue";
    EXPECT_EQ(Values(db), "3|3");
    EXPECT_EQ(w.failures(), 6);
    EXPECT_EQ(ToldAbout(count), 1);
    EXPECT_EQ(ToldAbout(junk), 1);
    ASSERT_TRUE(QDir(count).removeRecursively());
    w.WriteFile(count, "4 ");
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(dir.read("count.txt"), "4 ");
}
