// The record writer: rows queued while another program holds RECORD.db are written in order once
// it lets go; a row that never fits is given up after its time; the day rotation's hold.
#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "vision/records/operationrecord.h"
#include "vision/records/recordwriter.h"

namespace {

QStringList Texts(const QString& file)
{
    QStringList out;
    for (const QStringList& row : RecordRows(file))
        out << row.value(2);
    return out;
}

class Locker : public DbLocker {
public:
    explicit Locker(const QString& file) : DbLocker(file) { EXPECT_TRUE(locked()); }
};

}  // namespace

TEST(RecordWriter, RowsQueuedWhileTheFileIsLockedAreWrittenInOrderAfterwards)
{
    ProgramDir dir;
    ASSERT_TRUE(MakeRecordDb("RECORD.db"));
    OperationRecord rec;
    rec.StartWriter();
    {
        Locker lock("RECORD.db");
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(rec.InsertRecord(QString("row %1").arg(i), 0));
        QThread::msleep(300);  // the writer tries (and waits) meanwhile
        EXPECT_EQ(rec.writer()->pending(), 5);
        EXPECT_FALSE(rec.Flush(50));
        lock.Unlock();
    }
    ASSERT_TRUE(rec.Flush(5000));
    EXPECT_EQ(Texts("RECORD.db"), (QStringList{"row 0", "row 1", "row 2", "row 3", "row 4"}));
    EXPECT_EQ(rec.writer()->givenUp(), 0);
}

TEST(RecordWriter, ARowThatNeverFitsIsGivenUpAndTheNextOnesFollow)
{
    ProgramDir dir;
    ASSERT_TRUE(MakeRecordDb("RECORD.db"));
    RecordWriter w("RECORD.db");
    w.giveUpMs = 300;
    w.retryPauseMs = 20;
    w.start();
    {
        Locker lock("RECORD.db");
        w.Enqueue({"07.00.00", "Unlogged", "lost while locked"});
        for (int i = 0; i < 250 && w.givenUp() == 0; ++i)
            QThread::msleep(20);
        EXPECT_EQ(w.givenUp(), 1);
        w.Enqueue({"07.00.01", "Unlogged", "after"});
    }
    ASSERT_TRUE(w.Flush(5000));
    EXPECT_EQ(Texts("RECORD.db"), QStringList{"after"});
}

TEST(RecordWriter, HoldLetsGoOfTheFileAndReleaseWritesWhatCameMeanwhile)
{
    ProgramDir dir;
    ASSERT_TRUE(MakeRecordDb("RECORD.db"));
    ASSERT_TRUE(MakeRecordDb("RECORDNULL.db"));
    RecordWriter w("RECORD.db");
    w.start();
    w.Enqueue({"07.00.00", "Unlogged", "yesterday"});
    ASSERT_TRUE(w.Flush(5000));
    ASSERT_TRUE(w.Hold(2000));
    // The rotation: the day's file moves away and an empty one takes its place.
    ASSERT_TRUE(QFile::rename("RECORD.db", "archive.db"));
    w.Enqueue({"00.00.01", "Unlogged", "today"});
    QThread::msleep(100);
    ASSERT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    w.Release();
    ASSERT_TRUE(w.Flush(5000));
    EXPECT_EQ(Texts("archive.db"), QStringList{"yesterday"});
    EXPECT_EQ(Texts("RECORD.db"), QStringList{"today"});
}
