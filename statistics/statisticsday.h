#pragma once
// The statistics day runs from 08:00 to 07:59 of the next calendar day and is named by the date it
// starts on. ResStatistics.db carries the day it holds in SQLite's user_version header field
// (yyyyMMdd), so a start after the day closed files its counts under their own day; the field
// leaves the table and its rows as they are. Files written before it existed carry 0.
#include <QDate>
#include <QDateTime>

namespace StatisticsDay {

// Seconds since 1970 whose local date names the statistics day of the moment `secs`: the day
// turns at 08:00 local time, also on the days the clock is changed.
quint32 At(qint64 secs);
// The date that the seconds of At() name.
QDate DateOf(quint32 statisticsDay);
// Seconds that name `day` (its noon), as At() gives them.
quint32 Of(const QDate& day);

// The user_version of a file holding `day`, and back (an invalid date for 0 or no date).
int Stamp(const QDate& day);
QDate FromStamp(int stamp);

// The statistics day a file holds, at a start on statistics day `today`: its stamp when it has
// one. A file without one that holds counts was last written on the statistics day of its change
// time when that is earlier than today; a later or unknown change time cannot be told from
// today's. Without counts it has nothing to file (a shipped file): today's.
QDate Held(const QDate& stamp, const QDateTime& changed, bool counted, const QDate& today);

}  // namespace StatisticsDay
