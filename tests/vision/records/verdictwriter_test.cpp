// The verdict writer: count.txt and statistics commits written off the caller's thread in the
// order handed over, a commit whole or not at all, and a locked database holding back everything
// behind it without holding back the caller.
#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "vision/records/verdictwriter.h"

namespace {

bool MakeTable(const QString& file)
{
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

TEST(VerdictWriter, AFailedCommitLeavesNothingOfItAndTheNextJobsAreWritten)
{
    ProgramDir dir;
    const QString db = dir.file("stats.db"), count = dir.file("count.txt");
    ASSERT_TRUE(MakeTable(db));
    VerdictWriter w;
    w.start();
    w.Commit(db, {"update t set v = 5 where k = 'a'", "update nosuchtable set v = 5"});
    w.WriteFile(dir.file("no/such/folder/count.txt"), "x");
    w.Commit(db, Set(2, 3));
    w.WriteFile(count, "2 ");
    ASSERT_TRUE(w.Flush(10000));
    EXPECT_EQ(w.failures(), 2);
    EXPECT_EQ(Values(db), "2|3");
    EXPECT_EQ(dir.read("count.txt"), "2 ");
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
