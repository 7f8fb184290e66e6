#include "vision/controller/startupdatabases.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QThread>
#include <QtDebug>

#include "core/commandrunner.h"
#include "vision/records/dayrotation.h"
#include "core/defaultdatabases.h"
#include "core/uitexttable.h"
#include "vision/controller/damagenotices.h"
#include "vision/controller/databaseguard.h"
#include "vision/controller/startuphold.h"

StartupDatabases::StartupDatabases()
{
    pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    reboot = [] { runCommand("reboot", {}); };
    today = [] { return QDate::currentDate(); };
}

QList<StartupDatabase> StartupDatabases::List()
{
    return {
        {"dbIn", "PARAM.db", "sysparam", "./paraGroup/default/PARAM.db", 160, 100, &WriteDefaultParamDb, true},
        {"dbRecord", "RECORD.db", "RECORD", "RECORDNULL.db", 135, 300, &WriteEmptyRecordDb, false},
        {"dbT", "SN.db", "sysparam", "./paraGroup/default/SN.db", 160, 100, &WriteDefaultSerialDb, false},
    };
}

bool StartupDatabases::OpenAll()
{
    for (const StartupDatabase& d : List()) {
        if (d.file == "RECORD.db")
            FinishLeftRotation(d);
        QString why;
        const DatabaseGuard::Health health = DatabaseGuard::check(d.file, d.table, &why, busyWaitMs);
        if (health == DatabaseGuard::Health::Sound) {
            QSqlDatabase db = QSqlDatabase::contains(d.connection)
                                  ? QSqlDatabase::database(d.connection, false)
                                  : QSqlDatabase::addDatabase("QSQLITE", d.connection);
            // Opened on this directory's file even when the connection is already open.
            db.close();
            db.setDatabaseName(d.file);
            if (db.open())
                continue;
            why = "cannot open";
        }
        damage = d.file + ": " + why;
        if (health == DatabaseGuard::Health::Busy) {
            // Locked by another program: the file is sound as far as anyone knows; replacing it
            // would throw the user's rows away.
            busy = true;
            qCritical().noquote() << "database" << damage << "- still locked after" << busyWaitMs << "ms, not replaced";
            if (warn)
                warn(gaLanStr[kBusyRow * LAN_COUNT + 1]);
            return false;
        }
        qCritical().noquote() << "database" << damage << "- replacing it with" << d.defaultFile;
        // English whatever the language setting: the record holding it is not loaded yet.
        if (warn)
            warn(gaLanStr[d.warnRow * LAN_COUNT + 1]);
        if (!SoundDefault(d)) {
            noDefault = true;
            qCritical().noquote() << "start-up stopped:" << d.defaultFile << "cannot be opened and no sound one could be made";
            if (warn)
                warn(gaLanStr[kNoDefaultRow * LAN_COUNT + 1].arg(d.defaultFile));
            return false;
        }
        const bool replaced = DatabaseGuard::replaceWithDefault(d.file, d.defaultFile, &asideName);
        if (!replaced)
            qCritical().noquote() << "no default copy" << d.defaultFile << "for" << d.file;
        else if (!asideName.isEmpty())
            qCritical().noquote() << "damaged" << d.file << "kept as" << asideName;
        if (replaced) {
            // The next start tells the operator: its record rows begin in the default copy.
            QFile marker(DamageNotices::ReplacedMarker(d.file));
            if (d.file == "RECORD.db" && marker.open(QIODevice::WriteOnly))
                marker.write(asideName.toUtf8());
        }
        // The default has no regions: the next start must not judge moulds with it unasked.
        if (d.markReplaced && !StartupHold::MarkReplaced(asideName, damage))
            qCritical().noquote() << "the mark of the replaced" << d.file << "could not be written";
        if (pause)
            pause(d.pauseMs);
        if (reboot)
            reboot();
        return false;
    }
    return true;
}

bool StartupDatabases::FinishLeftRotation(const StartupDatabase& d)
{
    DayRotation rotation;
    rotation.recordFile = d.file;
    rotation.emptyFile = d.defaultFile;
    if (QFileInfo::exists(d.file) || QFileInfo(d.file).isSymLink())
        return false;
    const QString day = rotation.StoredDay();
    const QString archive = day.isEmpty() ? QString() : rotation.LastArchiveOf(day);
    // Only a sound archive of the record day shows where the rows went; anything else is damage.
    if (archive.isEmpty() || !DatabaseGuard::isSound(archive, d.table) || !SoundDefault(d))
        return false;
    rotation.setRecordDay(day);
    if (!rotation.FinishRotation(today ? today() : QDate::currentDate()))
        return false;
    rotationFinished = QString("the record day rotation of %1 was left half done: its rows are kept in %2, "
                               "the empty record is put in place")
                           .arg(day, QDir::current().relativeFilePath(archive));
    return true;
}

bool StartupDatabases::SoundDefault(const StartupDatabase& d)
{
    QString why;
    if (DatabaseGuard::isSound(d.defaultFile, d.table, &why))
        return true;
    qCritical().noquote() << "default copy" << d.defaultFile << "is damaged too (" << why << "): building one";
    const QString built = d.defaultFile + ".built";
    QString error;
    QDir().mkpath(QFileInfo(d.defaultFile).absolutePath());
    QFile::remove(built);
    const bool made = d.makeDefault && d.makeDefault(built, &error) && DatabaseGuard::isSound(built, d.table, &error);
    // The damaged default is kept aside like any damaged database, the built one takes its place.
    const bool placed = made && DatabaseGuard::replaceWithDefault(d.defaultFile, built, &defaultAside);
    QFile::remove(built);
    if (!placed || !DatabaseGuard::isSound(d.defaultFile, d.table, &error)) {
        qCritical().noquote() << "default copy" << d.defaultFile << "could not be made:" << error;
        return false;
    }
    qCritical().noquote() << "default copy" << d.defaultFile << "rebuilt from the built-in defaults"
                          << (defaultAside.isEmpty() ? QString() : ", the damaged one kept as " + defaultAside);
    if (warn)
        warn(gaLanStr[kDefaultRebuiltRow * LAN_COUNT + 1].arg(d.defaultFile));
    return true;
}
