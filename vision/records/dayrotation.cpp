#include "vision/records/dayrotation.h"

#include <cstdio>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QtDebug>

#include "core/fileops.h"
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

QString DayRotation::StoredDay() const
{
    QFile f(dayFile);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromUtf8(f.readAll()).simplified();
    const QString stored = text.section(QLatin1Char(' '), 0, 0);
    return IsDayText(stored) ? stored : QString();
}

QString DayRotation::LastArchiveOf(const QString& recordDay) const
{
    const QString base = QDir(archiveDir).absoluteFilePath(recordDay);
    QString last;
    QString name = base + QStringLiteral(".db");
    for (int k = 1; QFileInfo::exists(name); ++k) {
        last = name;
        name = QStringLiteral("%1_%2.db").arg(base).arg(k);
    }
    return last;
}

void DayRotation::LoadDay(const QDate& today)
{
    QString stored;
    QFile f(dayFile);
    const bool present = QFileInfo(dayFile).exists() || QFileInfo(dayFile).isSymLink();
    if (f.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(f.readAll()).simplified();
        stored = text.section(QLatin1Char(' '), 0, 0);
        f.close();
    }
    bad = false;
    aside.clear();
    if (IsDayText(stored)) {
        day = stored;
        return;
    }
    // Unknown day: rows of an earlier day still in RECORD.db go under the day of its last change;
    // the rows of today (or a record without rows) stay.
    const QDate changed = RecordChanged();
    const bool earlier = changed.isValid() && changed < today;
    day = DayText(earlier ? changed : today);
    bad = present || earlier;
    if (present) {
        qWarning() << "time.txt holds no valid date, record day taken as" << day;
        const QString name = dayFile + QStringLiteral(".damaged-")
                             + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        if (::rename(QFile::encodeName(dayFile).constData(), QFile::encodeName(name).constData()) == 0)
            aside = name;
    } else if (bad) {
        qWarning() << "time.txt missing beside rows of an earlier day, record day taken as" << day;
    }
    if (!WriteAtomic(dayFile, day.toUtf8()))
        qWarning() << "cannot write" << dayFile;
}

QDate DayRotation::RecordChanged() const
{
    // The date of the record's last change, when it holds a row at all.
    const QFileInfo info(recordFile);
    if (!info.isFile())
        return {};
    bool rows = false;
    const QString name = QStringLiteral("dayRotationProbe");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(recordFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            rows = q.exec(QStringLiteral("SELECT 1 FROM RECORD LIMIT 1")) && q.next();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows ? info.lastModified().date() : QDate();
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
            FileOps::instance()->fsync(f.handle(), QFile::encodeName(tmp).constData());
    }
    if (FileOps::instance()->rename(QFile::encodeName(tmp).constData(), QFile::encodeName(recordFile).constData()) != 0) {
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
        if (FileOps::instance()->rename(QFile::encodeName(recordFile).constData(), QFile::encodeName(target).constData()) != 0) {
            qWarning() << "day rotation: cannot move" << recordFile << "to" << target;
            return false;
        }
        archived = target;
    }
    return FinishRotation(today);
}

bool DayRotation::FinishRotation(const QDate& today)
{
    if (!PutEmptyRecord())
        return false;
    day = DayText(today);
    if (!WriteAtomic(dayFile, day.toUtf8()))
        qWarning() << "cannot write" << dayFile;
    return true;
}
