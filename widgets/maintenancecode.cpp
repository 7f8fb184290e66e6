#include "widgets/maintenancecode.h"

#include "widgets/toolkitclock.h"

namespace {
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}
}  // namespace

QString MaintenanceCode::hourCode(const QDateTime& t)
{
    const QDate d = t.date();
    // yyyyMMddHH of the hour, mixed with the fixed code.
    const quint64 hour = quint64(d.year()) * 1000000ULL + quint64(d.month()) * 10000ULL + quint64(d.day()) * 100ULL +
                         quint64(t.time().hour());
    const quint64 code = mix(hour * 10000ULL + fixedCode().toULongLong()) % 10000000000ULL;
    return QString("%1").arg(code, 10, 10, QLatin1Char('0'));
}

bool MaintenanceCode::matches(const QString& text, bool protectionOn, const QDateTime& now)
{
    if (!protectionOn)
        return text == fixedCode();
    if (text.size() != 10)
        return false;
    return text == hourCode(now) || text == hourCode(now.addSecs(-3600));
}

bool MaintenanceCode::matches(const QString& text, bool protectionOn)
{
    return matches(text, protectionOn, toolkitNow());
}
