#include <gtest/gtest.h>

#include <ctime>

#include "statistics/statisticsday.h"

namespace {
using namespace StatisticsDay;

QDate DayAt(const QDate& d, const QTime& t)
{
    return DateOf(At(QDateTime(d, t).toSecsSinceEpoch()));
}

const QDate kJan7(2027, 1, 7);
const QDate kJan8(2027, 1, 8);
const QDate kFeb28(2027, 2, 28);
}  // namespace

TEST(StatisticsDay, TheDayTurnsAtEightNotAtMidnight)
{
    EXPECT_EQ(DayAt(kJan7, QTime(8, 0)), kJan7);
    EXPECT_EQ(DayAt(kJan7, QTime(23, 59, 59)), kJan7);
    EXPECT_EQ(DayAt(kJan8, QTime(2, 40)), kJan7);
    EXPECT_EQ(DayAt(kJan8, QTime(7, 59, 59)), kJan7);
    EXPECT_EQ(DayAt(kJan8, QTime(8, 0)), kJan8);
    EXPECT_EQ(DateOf(Of(kJan7)), kJan7);
}

TEST(StatisticsDay, AStampNamesItsDayAndNothingElseReadsAsOne)
{
    EXPECT_EQ(Stamp(kJan7), 20270107);
    EXPECT_EQ(FromStamp(20270107), kJan7);
    EXPECT_EQ(Stamp(QDate()), 0);
    EXPECT_FALSE(FromStamp(0).isValid());
    EXPECT_FALSE(FromStamp(-20270107).isValid());
    EXPECT_FALSE(FromStamp(20271307).isValid());
    EXPECT_FALSE(FromStamp(20270230).isValid());
}

TEST(StatisticsDay, AStampedFileHoldsItsStampedDayWhateverItsChangeTime)
{
    const QDateTime justNow(kFeb28, QTime(10, 0));
    // Stopped at 02:40 on Jan 8 with Jan 7 open, started on Feb 28 (the file touched since).
    EXPECT_EQ(Held(kJan7, justNow, true, kFeb28), kJan7);
    EXPECT_EQ(Held(kJan7, justNow, false, kFeb28), kJan7) << "a day without counts is a day too";
    // Started again the same statistics day, before and after midnight: today's, loaded as it is.
    EXPECT_EQ(Held(kJan7, QDateTime(kJan7, QTime(9, 0)), true, DayAt(kJan7, QTime(23, 0))), kJan7);
    EXPECT_EQ(Held(kJan7, QDateTime(kJan7, QTime(9, 0)), true, DayAt(kJan8, QTime(7, 59))), kJan7);
    // A clock set back over the day change: the stamped day is still the file's own.
    EXPECT_EQ(Held(kJan8, QDateTime(kJan8, QTime(8, 30)), true, kJan7), kJan8);
}

TEST(StatisticsDay, AFileWithoutStampIsDatedByTheStatisticsDayOfItsLastChange)
{
    const QDate noStamp;
    EXPECT_EQ(Held(noStamp, QDateTime(kJan8, QTime(2, 40)), true, kFeb28), kJan7);
    // Written a second before 08:00 and started after it: the day before.
    EXPECT_EQ(Held(noStamp, QDateTime(kJan8, QTime(7, 59, 59)), true, DayAt(kJan8, QTime(8, 0, 30))), kJan7);
    EXPECT_EQ(Held(noStamp, QDateTime(kJan8, QTime(8, 0)), true, DayAt(kJan8, QTime(8, 0, 30))), kJan8);
    // Written after 08:00 and started after midnight: still the same statistics day.
    EXPECT_EQ(Held(noStamp, QDateTime(kJan7, QTime(20, 0)), true, DayAt(kJan8, QTime(6, 0))), kJan7);
    // A change time after today (a clock set back) or none at all cannot be told from today's.
    EXPECT_EQ(Held(noStamp, QDateTime(kFeb28, QTime(9, 0)), true, kJan7), kJan7);
    EXPECT_EQ(Held(noStamp, QDateTime(), true, kJan7), kJan7);
    // Nothing counted (a file shipped weeks before the first start): no empty day to file.
    EXPECT_EQ(Held(noStamp, QDateTime(kJan8, QTime(2, 40)), false, kFeb28), kFeb28);
}

TEST(StatisticsDay, OnClockChangeDaysTheDayStillTurnsAtEightLocalTime)
{
    const QByteArray tz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    for (const QDate& change : {QDate(2026, 3, 29), QDate(2026, 10, 25)}) {
        EXPECT_EQ(DayAt(change, QTime(7, 59, 59)), change.addDays(-1)) << change.toString().toStdString();
        EXPECT_EQ(DayAt(change, QTime(8, 0)), change) << change.toString().toStdString();
        EXPECT_EQ(DayAt(change.addDays(1), QTime(7, 59, 59)), change) << change.toString().toStdString();
    }
    tz.isNull() ? qunsetenv("TZ") : qputenv("TZ", tz);
    tzset();
}
