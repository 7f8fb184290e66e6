// The real program started beside a record of an earlier day whose day file time.txt is damaged:
// the rows go into that day's archive, not into today's record; the damage is warned
// and recorded once, the damaged file kept aside; the cycle runs as usual. Under a clock started
// at 23:59:45 every row written after midnight is in the new day's record, none lost.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
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
    ASSERT_NO_FATAL_FAILURE(Check(rig.ProgramRow(631).arg(yesterday.toString("yyyy-MM-dd"), aside[0])));
}

TEST_F(RecordDayE2E, UnderAClockStartedBeforeMidnightEveryRowIsInTheRecordOfItsDay)
{
    const QString lib = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    if (!QFile::exists(lib))
        GTEST_SKIP() << "libfaketime missing (Debian package faketime)";
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
    GTEST_SKIP() << "libfaketime preloaded into a ThreadSanitizer program hangs it before its first line";
#endif
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "libfaketime preloaded into an AddressSanitizer program hangs it before its first line";
#endif
#endif
    CycleRigSetup s;
    s.delay0 = 3;
    s.delay1 = 5;
    ASSERT_TRUE(rig.Prepare(s));
    const QDate day = QDate::currentDate();
    const QString first = day.toString("yyyy-MM-dd");
    ASSERT_GE(rig.Launch({"LD_PRELOAD=" + lib, "FAKETIME=@" + first + " 23:59:45", "FAKETIME_DONT_FAKE_MONOTONIC=1"}), 0)
        << rig.Log().toStdString();
    QElapsedTimer since;  // about the program's seconds since 23:59:45
    since.start();
    cv::Mat part = rig.scene().clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    // Alarms on a part left in the mould, each hold left on the empty mould: before and after
    // midnight, the last ones within the first minute (no day check of the timer has come yet).
    int alarms = 0;
    for (int at : {6, 17, 19, 25}) {
        while (since.elapsed() < at * 1000)
            QThread::msleep(50);
        ASSERT_TRUE(rig.Show(1, part));
        QThread::msleep(200);
        const qint64 edge = rig.Pulse(0, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b111) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
        ++alarms;
        ASSERT_TRUE(rig.Show(1, rig.scene()));
        QThread::msleep(300);
        const qint64 recheck = rig.Pulse(1, 60);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(recheck, 0b000) >= 0; }, 3000)) << rig.Seen(edge).toStdString();
    }
    QThread::msleep(1000);
    const QString next = day.addDays(1).toString("yyyy-MM-dd");
    const QList<QStringList> before = RecordRows("RECORD/" + first + ".db");
    const QList<QStringList> after = RecordRows("RECORD.db");
    ASSERT_FALSE(before.isEmpty()) << "no archive of " << first.toStdString();
    for (const QStringList& r : before)
        EXPECT_TRUE(r.value(0).startsWith("23.59.")) << "in " << first.toStdString() << ": " << r.join(" | ").toStdString();
    for (const QStringList& r : after)
        EXPECT_TRUE(r.value(0).startsWith("00.00.")) << "in " << next.toStdString() << ": " << r.join(" | ").toStdString();
    const QString alarm = rig.ProgramRow(151).arg(1).chopped(1) + rig.ProgramRow(152);
    int recorded = 0;
    for (const QList<QStringList>& rows : {before, after})
        for (const QStringList& r : rows)
            recorded += r.value(2) == alarm;
    EXPECT_EQ(recorded, alarms) << "an alarm row lost";
    EXPECT_GE(after.size(), 2);
    QFile t("time.txt");
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), next.toUtf8());
}
