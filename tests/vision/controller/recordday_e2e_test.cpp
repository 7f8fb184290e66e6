// The real program started beside a record of an earlier day whose day file time.txt is damaged
// or missing: the rows go into that day's archive, not into today's record; the damage is warned
// and recorded once, the damaged file kept aside; the cycle runs as usual.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "core/uitexttable.h"

namespace {

const QList<QStringList> kYesterday = {
    {"07.05.09", "Unlogged", "yesterday's first"},
    {"23.59.58", "Unlogged", "yesterday's last"},
};

class RecordDayE2E : public ::testing::Test {
protected:
    void TearDown() override { rig.Stop(); }

    // The record of yesterday, last changed a second before midnight.
    void Prepare()
    {
        CycleRigSetup s;
        s.delay0 = 3;
        s.delay1 = 5;
        ASSERT_TRUE(rig.Prepare(s));
        QFile::remove("RECORD.db");
        ASSERT_TRUE(MakeRecordDb("RECORD.db", kYesterday));
        QFile f("RECORD.db");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(yesterday, QTime(23, 59, 59)), QFileDevice::FileModificationTime));
    }
    void Launch()
    {
        ASSERT_GE(rig.Launch(), 0) << rig.Log().toStdString();
        ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("start-up: monitoring ready"); }, 5000))
            << rig.Log().toStdString();
        QThread::msleep(500);
    }
    QStringList Texts(const QString& file)
    {
        QStringList out;
        for (const QStringList& r : RecordRows(file))
            out << r.value(2);
        return out;
    }
    QString Row(int row) { return rig.InProgramLanguage([row] { return gaLanStr[row * LAN_COUNT + gLan]; }); }
    // The rows are in yesterday's archive, today's record holds `warning` once, the cycle runs.
    void Check(const QString& warning)
    {
        EXPECT_EQ(Texts("RECORD/" + yesterday.toString("yyyy-MM-dd") + ".db"),
                  (QStringList{"yesterday's first", "yesterday's last"}));
        ASSERT_TRUE(rig.WaitFor([&] { return Texts("RECORD.db").filter(warning).size() == 1; }, 3000))
            << Texts("RECORD.db").join("\n").toStdString();
        EXPECT_EQ(Texts("RECORD.db").filter("yesterday's").size(), 0);
        EXPECT_TRUE(rig.WaitFor([&] { return rig.Log().contains("warning shown: " + warning); }, 3000))
            << "not on the screen";
        QFile t("time.txt");
        ASSERT_TRUE(t.open(QIODevice::ReadOnly));
        EXPECT_EQ(t.readAll(), QDate::currentDate().toString("yyyy-MM-dd").toUtf8());
        const qint64 edge = rig.Pulse(0, 60);
        EXPECT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
        // Once: the next start finds a sound day file and says nothing.
        rig.Stop();
        ASSERT_NO_FATAL_FAILURE(Launch());
        QThread::msleep(500);
        EXPECT_EQ(Texts("RECORD.db").filter(warning).size(), 1);
        EXPECT_LE(rig.Log().count("warning shown: " + warning), 1);
    }

    const QDate yesterday = QDate::currentDate().addDays(-1);
    ProgramDir dir;
    CycleRig rig{dir.path()};
};

}  // namespace

TEST_F(RecordDayE2E, ADamagedDayFileIsKeptAsideAndTheRowsGoUnderTheirDay)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    ASSERT_TRUE(dir.write("time.txt", "2026-1"));  // cut inside the date
    ASSERT_NO_FATAL_FAILURE(Launch());
    const QStringList aside = QDir(".").entryList({"time.txt.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(dir.read(aside[0]), QByteArray("2026-1"));
    ASSERT_NO_FATAL_FAILURE(Check(Row(631).arg(yesterday.toString("yyyy-MM-dd"), aside[0])));
}

TEST_F(RecordDayE2E, AMissingDayFileBesideRowsOfAnEarlierDayLosesNoneOfThem)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    QFile::remove("time.txt");
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(Check(Row(630).arg(yesterday.toString("yyyy-MM-dd"))));
}
