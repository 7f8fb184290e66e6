// Day rotation of the operation record: the archive keeps every row of the old day, a failed
// step loses nothing and is tried again, time.txt always holds a whole date.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>

#include "common/programdir.h"
#include "common/windowworld.h"
#include "common/recorddb.h"
#include "vision/records/dayrotation.h"
#include "vision/records/operationrecord.h"

namespace {

const QDate kToday(2026, 12, 7);
const QList<QStringList> kOldRows = {
    {"07.05.09", "Unlogged", "System start"},
    {"23.59.59", "Advanced", "it's the last one"},
};

bool SetChanged(const QString& path, const QDateTime& when)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}

class DayRotationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORDNULL.db")));
        QDir().mkdir(dir.file("RECORD"));
        PointConnection("dbRecord", dir.file("RECORD.db"));
    }
    ProgramDir dir;
};

TEST_F(DayRotationTest, StartWithoutTimeFileTakesTodayAndArchivesNothing)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    ASSERT_TRUE(SetChanged(dir.file("RECORD.db"), QDateTime(kToday, QTime(7, 5, 9))));  // rows of today
    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_EQ(rot.recordDay(), "2026-12-07");
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-07"));
    EXPECT_FALSE(rot.dayFileBad()) << "nothing of an earlier day to protect";
    EXPECT_TRUE(rot.CheckDate(kToday));
    EXPECT_TRUE(QDir(dir.file("RECORD")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")), kOldRows);
}

TEST_F(DayRotationTest, StartAfterAnOldDayArchivesEveryRowUnderThatDay)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    dir.write("time.txt", "2026-12-05");
    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_EQ(rot.recordDay(), "2026-12-05");
    ASSERT_TRUE(rot.CheckDate(kToday));

    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05.db")), kOldRows);
    EXPECT_TRUE(QFileInfo::exists(dir.file("RECORD.db")));
    EXPECT_TRUE(RecordRows(dir.file("RECORD.db")).isEmpty());
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-07"));
    EXPECT_EQ(rot.recordDay(), "2026-12-07");
    EXPECT_FALSE(QFileInfo::exists(dir.file("RECORD.db.new")));

    // The same day again: nothing moves.
    EXPECT_TRUE(rot.CheckDate(kToday));
    EXPECT_EQ(QDir(dir.file("RECORD")).entryList(QDir::Files), QStringList{"2026-12-05.db"});
}

TEST_F(DayRotationTest, FirstRowOfTheNewDayGoesIntoTheFreshRecord)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    dir.write("time.txt", "2026-12-06 trailing words\n");
    OperationRecord rec;
    rec.clock = [] { return QDateTime(kToday, QTime(0, 0, 30)); };
    ASSERT_TRUE(rec.Open());  // the connection is open while the day turns

    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_EQ(rot.recordDay(), "2026-12-06");
    ASSERT_TRUE(rot.CheckDate(kToday));
    ASSERT_TRUE(rec.InsertRecord("first of the day", 0));

    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-06.db")), kOldRows);
    const auto rows = RecordRows(dir.file("RECORD.db"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][0], "00.00.30");
    EXPECT_EQ(rows[0][2], "first of the day");
    OperationRecord::FlushAll([](int) {});
    QSqlDatabase::removeDatabase("dbRecord");
}

TEST_F(DayRotationTest, ExistingArchiveIsKeptAndAUniqueNameUsed)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD/2026-12-05.db"), {{"01.00.00", "Primary", "earlier"}}));
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD/2026-12-05_1.db"), {{"02.00.00", "Primary", "earlier too"}}));
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    dir.write("time.txt", "2026-12-05");
    DayRotation rot;
    rot.LoadDay(kToday);
    ASSERT_TRUE(rot.CheckDate(kToday));
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05.db")).value(0).value(2), "earlier");
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05_1.db")).value(0).value(2), "earlier too");
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05_2.db")), kOldRows);
    EXPECT_EQ(rot.lastArchive(), QDir(dir.file("RECORD")).absoluteFilePath("2026-12-05_2.db"));
}

TEST_F(DayRotationTest, FailedArchiveLosesNothingAndIsRetried)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    dir.write("time.txt", "2026-12-05");
    // The archive directory's place is taken by a file: the move cannot succeed.
    QDir(dir.file("RECORD")).removeRecursively();
    dir.write("RECORD", "not a directory");

    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_FALSE(rot.CheckDate(kToday));
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")), kOldRows);
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-05"));
    EXPECT_EQ(rot.recordDay(), "2026-12-05");
    EXPECT_FALSE(rot.CheckDate(kToday)) << "still failing, still nothing lost";
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")), kOldRows);

    QFile::remove(dir.file("RECORD"));
    QDir().mkdir(dir.file("RECORD"));
    ASSERT_TRUE(rot.CheckDate(kToday));
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05.db")), kOldRows);
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-07"));
}

TEST_F(DayRotationTest, MissingEmptyRecordKeepsTheDayUntilItCanBePlaced)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    dir.write("time.txt", "2026-12-05");
    QFile::rename(dir.file("RECORDNULL.db"), dir.file("spare.db"));

    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_FALSE(rot.CheckDate(kToday));
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05.db")), kOldRows) << "archived whole";
    EXPECT_EQ(rot.recordDay(), "2026-12-05");
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-05"));

    QFile::rename(dir.file("spare.db"), dir.file("RECORDNULL.db"));
    ASSERT_TRUE(rot.CheckDate(kToday));
    EXPECT_EQ(QDir(dir.file("RECORD")).entryList(QDir::Files), QStringList{"2026-12-05.db"});
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-05.db")), kOldRows);
    EXPECT_TRUE(RecordRows(dir.file("RECORD.db")).isEmpty());
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-07"));
}

TEST_F(DayRotationTest, InvalidTimeFileIsReplacedAndNothingArchived)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    ASSERT_TRUE(SetChanged(dir.file("RECORD.db"), QDateTime(kToday, QTime(6, 0))));  // today's rows
    for (const char* bad : {"", "../../etc/x", "2026-13-01", "2026-2-1", "yesterday"}) {
        dir.write("time.txt", bad);
        DayRotation rot;
        rot.LoadDay(kToday);
        EXPECT_EQ(rot.recordDay(), "2026-12-07") << bad;
        EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-07")) << bad;
        EXPECT_TRUE(rot.CheckDate(kToday));
    }
    EXPECT_TRUE(QDir(dir.file("RECORD")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")), kOldRows);
}

TEST_F(DayRotationTest, MidnightDuringTheRunRotatesOnce)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
    dir.write("time.txt", "2026-12-07");
    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_TRUE(rot.CheckDate(kToday));
    const QDate tomorrow = kToday.addDays(1);
    EXPECT_TRUE(rot.CheckDate(tomorrow));
    EXPECT_TRUE(rot.CheckDate(tomorrow));
    EXPECT_EQ(QDir(dir.file("RECORD")).entryList(QDir::Files), QStringList{"2026-12-07.db"});
    EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-07.db")), kOldRows);
    EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-08"));
}

} // namespace

TEST_F(DayRotationTest, ADamagedOrMissingDayFileNeverKeepsAnEarlierDaysRowsAsToday)
{
    // Rows last written the day before: whatever happened to time.txt, they go under that day.
    struct Case {
        const char* what;
        bool write;
        QByteArray content;
        bool dir;
    };
    for (const Case& c : {Case{"cut", true, "2026-12-", false}, Case{"garbage", true, "\x01\xff", false},
                          Case{"empty", true, "", false}, Case{"directory", false, "", true},
                          Case{"missing", false, "", false}}) {
        SCOPED_TRACE(c.what);
        QFile::remove(dir.file("time.txt"));
        QDir(dir.file("time.txt")).removeRecursively();
        for (const QString& f : QDir(dir.path()).entryList({"time.txt.damaged-*"}))
            QDir(dir.file(f)).exists() ? void(QDir(dir.file(f)).removeRecursively()) : void(QFile::remove(dir.file(f)));
        QDir(dir.file("RECORD")).removeRecursively();
        QDir().mkdir(dir.file("RECORD"));
        QFile::remove(dir.file("RECORD.db"));
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), kOldRows));
        ASSERT_TRUE(SetChanged(dir.file("RECORD.db"), QDateTime(kToday.addDays(-1), QTime(23, 59, 59))));
        if (c.write)
            dir.write("time.txt", c.content);
        if (c.dir)
            QDir().mkdir(dir.file("time.txt"));

        DayRotation rot;
        rot.LoadDay(kToday);
        EXPECT_EQ(rot.recordDay(), "2026-12-06");
        EXPECT_TRUE(rot.dayFileBad());
        EXPECT_EQ(dir.read("time.txt"), QByteArray("2026-12-06"));
        const bool present = c.write || c.dir;
        EXPECT_EQ(rot.keptAside().isEmpty(), !present);
        if (present)
            EXPECT_TRUE(QFileInfo::exists(rot.keptAside())) << "the damaged file is kept aside";
        ASSERT_TRUE(rot.CheckDate(kToday));
        EXPECT_EQ(RecordRows(dir.file("RECORD/2026-12-06.db")), kOldRows);
        EXPECT_TRUE(RecordRows(dir.file("RECORD.db")).isEmpty());
    }
}

TEST_F(DayRotationTest, AMissingDayFileBesideARecordWithoutRowsIsAFirstStart)
{
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db")));
    ASSERT_TRUE(SetChanged(dir.file("RECORD.db"), QDateTime(kToday.addDays(-300), QTime(8, 0))));
    DayRotation rot;
    rot.LoadDay(kToday);
    EXPECT_EQ(rot.recordDay(), "2026-12-07");
    EXPECT_FALSE(rot.dayFileBad());
    EXPECT_TRUE(rot.CheckDate(kToday));
    EXPECT_TRUE(QDir(dir.file("RECORD")).entryList(QDir::Files).isEmpty());
}
