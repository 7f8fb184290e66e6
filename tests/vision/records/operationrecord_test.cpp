// Operation record rows: time text, level text, remarks stored unchanged; clearing; flushing.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSqlDatabase>

#include "common/programdir.h"
#include "common/windowworld.h"
#include "core/uitexttable.h"
#include "common/recorddb.h"
#include "vision/records/operationrecord.h"

namespace {

class OperationRecordTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Data_Init(); }
    void SetUp() override
    {
        savedLan = gLan;
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db")));
        PointConnection("dbRecord", dir.file("RECORD.db"));
        rec.clock = [this] { return now; };
    }
    void TearDown() override
    {
        gLan = savedLan;
        OperationRecord::FlushAll([](int) {});
        QSqlDatabase::removeDatabase("dbRecord");
    }

    ProgramDir dir;
    OperationRecord rec;
    QDateTime now{QDate(2026, 12, 7), QTime(7, 5, 9)};
    int savedLan = 0;
};

TEST_F(OperationRecordTest, RowsHoldTimeLevelAndTextUnchanged)
{
    gLan = 1;
    ASSERT_TRUE(rec.InsertRecord("System start", 0));
    now = QDateTime(QDate(2026, 12, 7), QTime(13, 0, 0, 999));
    ASSERT_TRUE(rec.InsertRecord("it's O'Brien's mould", 1));
    now = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59));
    ASSERT_TRUE(rec.InsertRecord("'); DELETE FROM RECORD; --", 2));
    ASSERT_TRUE(rec.InsertRecord("  two  blanks\tand\nlines  ", 7));

    const QList<QStringList> expected = {
        {"07.05.09", "Unlogged", "System start"},
        {"13.00.00", "Primary", "it's O'Brien's mould"},
        {"23.59.59", "Advanced", "'); DELETE FROM RECORD; --"},
        {"23.59.59", "Unlogged", "  two  blanks\tand\nlines  "},
    };
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")), expected);
}

TEST_F(OperationRecordTest, LevelTextFollowsTheLanguageInForce)
{
    gLan = 0;
    ASSERT_TRUE(rec.InsertRecord(QString::fromUtf8("检测开始"), 2));
    gLan = 2;
    ASSERT_TRUE(rec.InsertRecord("x", 1));
    const auto rows = RecordRows(dir.file("RECORD.db"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0][1].toUtf8(), QByteArray("\xE9\xAB\x98\xE7\xBA\xA7\xE7\x94\xA8\xE6\x88\xB7"));
    EXPECT_EQ(rows[0][2], QString::fromUtf8("检测开始"));
    EXPECT_EQ(rows[1][1].toUtf8(), QByteArray("\xE5\x88\x9D\xE7\xB4\x9A\xE7\x94\xA8\xE6\x88\xB6"));
}

TEST_F(OperationRecordTest, ReportGetsTheSameValues)
{
    gLan = 1;
    QList<QStringList> reported;
    QDateTime when;
    rec.reporter = [&](const QDateTime& t, const QString& level, const QString& text) {
        when = t;
        reported << QStringList{level, text};
    };
    ASSERT_TRUE(rec.InsertRecord("Start detection", 1));
    EXPECT_EQ(when, now);
    EXPECT_EQ(reported, (QList<QStringList>{{"Primary", "Start detection"}}));
}

TEST_F(OperationRecordTest, ClearRecordDeletesEveryRow)
{
    ASSERT_TRUE(rec.InsertRecord("a", 0));
    ASSERT_TRUE(rec.InsertRecord("b", 0));
    ASSERT_TRUE(rec.ClearRecord());
    EXPECT_TRUE(RecordRows(dir.file("RECORD.db")).isEmpty());
    ASSERT_TRUE(rec.InsertRecord("c", 0));
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")).size(), 1);
}

TEST_F(OperationRecordTest, FlushClosesAndInsertReopens)
{
    for (const char* name : {"dbT", "dbIn"}) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(dir.file(QString(name) + ".db"));
        ASSERT_TRUE(db.open());
    }
    ASSERT_TRUE(rec.InsertRecord("before", 0));
    int paused = 0;
    OperationRecord::FlushAll([&](int ms) { paused += ms; });
    EXPECT_EQ(paused, 500);
    for (const char* name : {"dbT", "dbIn", "dbRecord"})
        EXPECT_FALSE(QSqlDatabase::database(name, false).isOpen()) << name;
    QSqlDatabase::removeDatabase("dbT");
    QSqlDatabase::removeDatabase("dbIn");

    ASSERT_TRUE(rec.InsertRecord("after", 0));
    EXPECT_EQ(RecordRows(dir.file("RECORD.db")).size(), 2);
}

TEST_F(OperationRecordTest, UnopenableRecordDropsTheRowQuietly)
{
    OperationRecord other;
    other.connection = "dbRecordBroken";
    other.file = dir.file("no/such/dir/RECORD.db");
    int reports = 0;
    other.reporter = [&](const QDateTime&, const QString&, const QString&) { ++reports; };
    EXPECT_FALSE(other.InsertRecord("lost", 0));
    EXPECT_FALSE(other.ClearRecord());
    EXPECT_EQ(reports, 0) << "a dropped row is not reported";
    EXPECT_FALSE(QFileInfo::exists(other.file));
    QSqlDatabase::removeDatabase("dbRecordBroken");
}

} // namespace
