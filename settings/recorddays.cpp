#include "settings/recorddays.h"

#include <QDir>

QStringList RecordDays(const QString& archiveDir, const QDate& today)
{
    QStringList days{today.toString("yyyy-MM-dd")};
    const QStringList files = QDir(archiveDir).entryList({"*.db"}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (int i = files.size() - 1; i >= 0; --i) {
        QString day = files.at(i);
        day.chop(3);
        days << day;
    }
    return days;
}
