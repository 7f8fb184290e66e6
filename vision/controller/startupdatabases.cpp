#include "vision/controller/startupdatabases.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QThread>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/defaultdatabases.h"
#include "core/uitexttable.h"
#include "vision/controller/databaseguard.h"
#include "vision/controller/startuphold.h"

StartupDatabases::StartupDatabases()
{
    pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    reboot = [] { runCommand("reboot", {}); };
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
        if (!DatabaseGuard::replaceWithDefault(d.file, d.defaultFile, &asideName))
            qCritical().noquote() << "no default copy" << d.defaultFile << "for" << d.file;
        else if (!asideName.isEmpty())
            qCritical().noquote() << "damaged" << d.file << "kept as" << asideName;
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
