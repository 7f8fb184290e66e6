#include "statistics/statisticsday.h"

namespace StatisticsDay {
namespace {
constexpr int kDayStartHour = 8;
}

quint32 At(qint64 secs)
{
    // By the local clock: on a clock-change day 8 hours of seconds before 08:00 is 23:00 or 01:00.
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secs);
    return Of(local.time().hour() < kDayStartHour ? local.date().addDays(-1) : local.date());
}

QDate DateOf(quint32 statisticsDay)
{
    return QDateTime::fromSecsSinceEpoch(qint64(statisticsDay)).date();
}

quint32 Of(const QDate& day)
{
    return quint32(QDateTime(day, QTime(12, 0)).toSecsSinceEpoch());
}

int Stamp(const QDate& day)
{
    return day.isValid() ? day.year() * 10000 + day.month() * 100 + day.day() : 0;
}

QDate FromStamp(int stamp)
{
    if (stamp <= 0)
        return {};
    return QDate(stamp / 10000, stamp / 100 % 100, stamp % 100);
}

QDate Held(const QDate& stamp, const QDateTime& changed, bool counted, const QDate& today)
{
    if (stamp.isValid())
        return stamp;
    if (counted && changed.isValid()) {
        const QDate last = DateOf(At(changed.toSecsSinceEpoch()));
        if (last < today)
            return last;
    }
    return today;
}

}  // namespace StatisticsDay
