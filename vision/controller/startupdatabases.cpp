#include "vision/controller/startupdatabases.h"

#include <QFile>
#include <QSqlDatabase>
#include <QThread>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/uitexttable.h"
#include "vision/controller/damagenotices.h"
#include "vision/controller/databaseguard.h"

StartupDatabases::StartupDatabases()
{
    pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    reboot = [] { runCommand("reboot", {}); };
}

QList<StartupDatabase> StartupDatabases::List()
{
    return {
        {"dbIn", "PARAM.db", "sysparam", "./paraGroup/default/PARAM.db", 160, 100},
        {"dbRecord", "RECORD.db", "RECORD", "RECORDNULL.db", 135, 300},
        {"dbT", "SN.db", "sysparam", "./paraGroup/default/SN.db", 160, 100},
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
        if (!DatabaseGuard::replaceWithDefault(d.file, d.defaultFile, &asideName))
            qCritical().noquote() << "no default copy" << d.defaultFile << "for" << d.file;
        else {
            if (!asideName.isEmpty())
                qCritical().noquote() << "damaged" << d.file << "kept as" << asideName;
            // The next start tells the operator: its record rows begin in the default copy.
            QFile marker(DamageNotices::ReplacedMarker(d.file));
            if (d.file == "RECORD.db" && marker.open(QIODevice::WriteOnly))
                marker.write(asideName.toUtf8());
        }
        if (pause)
            pause(d.pauseMs);
        if (reboot)
            reboot();
        return false;
    }
    return true;
}
