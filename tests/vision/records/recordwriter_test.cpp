// The record writer: rows queued while another program holds RECORD.db are written in order once
// it lets go; a row that never fits is given up after its time; the day rotation's hold.
#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <thread>

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

// RECORD.db away while nothing holds the writer (a day rotation that moved it but could not put
// the empty one in place): the row waits for the file instead of leaving an empty RECORD.db
// without its table, which the next start would take for a damaged record.
TEST(RecordWriter, ARowNeverMakesTheFileItWaitsForIt)
{
    ProgramDir dir;
    ASSERT_TRUE(MakeRecordDb("RECORDNULL.db"));
    RecordWriter w("RECORD.db");
    w.retryPauseMs = 20;
    w.start();
    w.Enqueue({"07.00.00", "Unlogged", "while away"});
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists("RECORD.db"));
    EXPECT_EQ(w.pending(), 1);
    ASSERT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    ASSERT_TRUE(w.Flush(5000));
    EXPECT_EQ(Texts("RECORD.db"), QStringList{"while away"});
    EXPECT_EQ(w.givenUp(), 0);

    // The file is the one of the directory the writer was made in, whatever directory is current
    // when a row is written.
    {
        ProgramDir other;
        w.Enqueue({"07.00.01", "Unlogged", "after a change of directory"});
        ASSERT_TRUE(w.Flush(5000));
        EXPECT_FALSE(QFile::exists("RECORD.db"));
    }
    EXPECT_EQ(Texts("RECORD.db"), (QStringList{"while away", "after a change of directory"}));
}

namespace {
QStringList gCriticalLines;
void CaptureCritical(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtCriticalMsg)
        gCriticalLines << msg;
}
}  // namespace

// Before an exit or restart: a file locked for a while still gets the rows (the wait is bounded),
// and a row still waiting at the end of the wait is logged critical with its text.
TEST(RecordWriter, DrainWaitsBoundedAndLogsEveryRowStillWaiting)
{
    ProgramDir dir;
    ASSERT_TRUE(MakeRecordDb("RECORD.db"));
    OperationRecord rec;
    rec.StartWriter();
    gCriticalLines.clear();
    const QtMessageHandler old = qInstallMessageHandler(CaptureCritical);
    {
        Locker lock("RECORD.db");
        ASSERT_TRUE(rec.InsertRecord("exit row", 0));
        ASSERT_TRUE(rec.InsertRecord("second row", 0));
        EXPECT_FALSE(rec.Drain(300));
        ASSERT_EQ(gCriticalLines.size(), 2);
        EXPECT_TRUE(gCriticalLines[0].endsWith("| exit row")) << gCriticalLines[0].toStdString();
        EXPECT_TRUE(gCriticalLines[1].endsWith("| second row"));
        gCriticalLines.clear();
        // Locked for a while only: the bounded wait sees the rows written.
        std::thread unlock([&] {
            QThread::msleep(500);
            lock.Unlock();
        });
        EXPECT_TRUE(rec.Drain(5000));
        unlock.join();
    }
    qInstallMessageHandler(old);
    EXPECT_TRUE(gCriticalLines.isEmpty());
    EXPECT_EQ(Texts("RECORD.db"), (QStringList{"exit row", "second row"}));
}

TEST(RecordWriter, ARowOfANewDayWaitsForItsFileWhileTheOldDaysRowsAreWritten)
{
    ProgramDir dir;
    ASSERT_TRUE(MakeRecordDb("RECORD.db"));
    RecordWriter w("RECORD.db");
    w.SetDay("2026-12-07");
    {
        Locker lock("RECORD.db");  // both days' rows are queued before either is written
        w.start();
        w.Enqueue({"23.59.58", "Unlogged", "old 1", "2026-12-07"});
        w.Enqueue({"23.59.59", "Unlogged", "old 2", "2026-12-07"});
        w.Enqueue({"00.00.04", "Unlogged", "new 1", "2026-12-08"});
        w.Enqueue({"00.00.05", "Unlogged", "new 2", "2026-12-08"});
        EXPECT_FALSE(w.FinishDay(50));
        lock.Unlock();
    }
    ASSERT_TRUE(w.FinishDay(5000));
    EXPECT_EQ(Texts("RECORD.db"), (QStringList{"old 1", "old 2"}));
    EXPECT_EQ(w.pending(), 2);
    EXPECT_FALSE(w.Flush(100)) << "the new day's rows are not written into the old day's file";

    // The day rotation puts the new file in place.
    ASSERT_TRUE(w.Hold(2000));
    ASSERT_TRUE(QFile::rename("RECORD.db", "old.db"));
    ASSERT_TRUE(MakeRecordDb("RECORD.db"));
    w.SetDay("2026-12-08");
    w.Release();
    ASSERT_TRUE(w.Flush(5000));
    EXPECT_EQ(Texts("old.db"), (QStringList{"old 1", "old 2"}));
    EXPECT_EQ(Texts("RECORD.db"), (QStringList{"new 1", "new 2"}));
}

// A RECORD.db SQLite cannot read is none the writer made: no retry mends it, so its row is given
// up at once and the rows behind it are tried in their turn.
TEST(RecordWriter, ARowForAFileThatIsNoDatabaseIsGivenUpAtOnce)
{
    ProgramDir dir;
    {
        QFile f("RECORD.db");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
    }
    RecordWriter w("RECORD.db");
    w.retryPauseMs = 20;  // the bound stays the program's
    w.start();
    w.Enqueue({"07.00.00", "Unlogged", "first"});
    w.Enqueue({"07.00.01", "Unlogged", "second"});
    EXPECT_TRUE(w.Flush(10000)) << "rows waited on a file no retry mends";
    EXPECT_EQ(w.givenUp(), 2);
}
