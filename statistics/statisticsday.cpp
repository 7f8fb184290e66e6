#include "statistics/statisticsday.h"

namespace StatisticsDay {
namespace {
constexpr qint64 kDayStart = 8 * 3600;
}

quint32 At(qint64 secs)
{
    return quint32(secs - kDayStart);
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
