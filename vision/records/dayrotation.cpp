#include "vision/records/dayrotation.h"

#include <cstdio>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTextStream>
#include <QtDebug>

#include "core/wholefile.h"

DayRotation::DayRotation() = default;

bool DayRotation::IsDayText(const QString& text)
{
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return d.isValid() && DayText(d) == text;
}

bool DayRotation::WriteAtomic(const QString& path, const QByteArray& data)
{
    return WriteWholeFile(path, data);
}

void DayRotation::LoadDay(const QDate& today)
{
    QString stored;
    QFile f(dayFile);
    if (f.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(f.readAll()).simplified();
        stored = text.section(QLatin1Char(' '), 0, 0);
    }
    if (IsDayText(stored)) {
        day = stored;
        return;
    }
    // Unknown day: the rows in RECORD.db stay in today's record rather than being filed
    // under a made-up name.
    if (!stored.isEmpty() || f.exists())
        qWarning() << "time.txt holds no valid date, record day taken as today";
    day = DayText(today);
    if (!WriteAtomic(dayFile, day.toUtf8()))
        qWarning() << "cannot write" << dayFile;
}

QString DayRotation::ArchiveName() const
{
    const QString base = QDir(archiveDir).absoluteFilePath(day);
    QString name = base + QStringLiteral(".db");
    for (int k = 1; QFileInfo::exists(name); ++k)
        name = QStringLiteral("%1_%2.db").arg(base).arg(k);
    return name;
}

bool DayRotation::PutEmptyRecord()
{
    // Copy beside the target, then rename: RECORD.db is never a half-written file.
    const QString tmp = recordFile + QStringLiteral(".new");
    QFile::remove(tmp);
    if (!QFile::copy(emptyFile, tmp)) {
        qWarning() << "cannot copy" << emptyFile;
        return false;
    }
    QFile::setPermissions(tmp, QFile::permissions(tmp) | QFileDevice::WriteOwner);
    {
        // On disk before it gets its name, so a power cut cannot leave an empty RECORD.db.
        QFile f(tmp);
        if (f.open(QIODevice::ReadWrite))
            ::fsync(f.handle());
    }
    if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(recordFile).constData()) != 0) {
        qWarning() << "cannot put an empty record in place";
        QFile::remove(tmp);
        return false;
    }
    return true;
}

bool DayRotation::CheckDate(const QDate& today)
{
    const QString now = DayText(today);
    if (now == day)
        return true;
    if (!IsDayText(day)) {
        // No known record day: nothing can be filed under its name; the rows stay.
        day = now;
        if (!WriteAtomic(dayFile, day.toUtf8()))
            qWarning() << "cannot write" << dayFile;
        return true;
    }

    if (QSqlDatabase::contains(connection))
        QSqlDatabase::database(connection, false).close();

    if (QFileInfo::exists(recordFile)) {
        QDir().mkpath(archiveDir);
        const QString target = ArchiveName();
        // rename(2) within the program directory: the rows are either still in RECORD.db or
        // whole in the archive.
        if (::rename(QFile::encodeName(recordFile).constData(), QFile::encodeName(target).constData()) != 0) {
            qWarning() << "day rotation: cannot move" << recordFile << "to" << target;
            return false;
        }
        archived = target;
    }
    if (!PutEmptyRecord())
        return false;

    day = now;
    if (!WriteAtomic(dayFile, day.toUtf8()))
        qWarning() << "cannot write" << dayFile;
    return true;
}
