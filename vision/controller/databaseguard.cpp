#include "vision/controller/databaseguard.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace DatabaseGuard {

namespace {

// The files SQLite keeps beside a database; a journal left beside another file would be rolled
// into it at its next open.
const char* const kCompanions[] = {"-journal", "-wal", "-shm"};

bool IsBusy(const QSqlError& e)
{
    // SQLITE_BUSY (5) and SQLITE_LOCKED (6): another connection holds the file.
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6")
           || e.databaseText().contains(QLatin1String("locked"));
}

}  // namespace

Health check(const QString& file, const QString& table, QString* why, int busyWaitMs)
{
    auto result = [why](Health h, const QString& w) {
        if (why)
            *why = w;
        return h;
    };
    const QFileInfo fi(file);
    if (!fi.exists())
        return result(Health::Damaged, "missing");
    if (!fi.isFile() || fi.size() == 0)
        return result(Health::Damaged, "empty or not a file");
    const QString conn = "guard-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    Health health = Health::Damaged;
    QString reason;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", conn);
        db.setDatabaseName(file);
        db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(0, busyWaitMs)));
        if (!db.open()) {
            health = IsBusy(db.lastError()) ? Health::Busy : Health::Damaged;
            reason = "cannot open: " + db.lastError().text();
        } else {
            QSqlQuery q(db);
            // The first read rolls a hot journal back (it needs the write lock, so it may wait).
            if (!q.exec("PRAGMA quick_check") || !q.next()) {
                health = IsBusy(q.lastError()) ? Health::Busy : Health::Damaged;
                reason = "quick_check failed: " + q.lastError().text();
            } else if (q.value(0).toString() != "ok") {
                reason = "quick_check: " + q.value(0).toString();
            } else if (!q.exec(QString("SELECT count(*) FROM \"%1\"").arg(table)) || !q.next()) {
                health = IsBusy(q.lastError()) ? Health::Busy : Health::Damaged;
                reason = "table " + table + " unreadable";
            } else {
                health = Health::Sound;
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    if (health == Health::Busy)
        reason = "busy: " + reason;
    return result(health, reason);
}

bool isSound(const QString& file, const QString& table, QString* why)
{
    return check(file, table, why) == Health::Sound;
}

bool replaceWithDefault(const QString& file, const QString& defaultFile, QString* asideName)
{
    if (!QFileInfo(defaultFile).isFile())
        return false;
    auto taken = [](const QString& name) {
        if (QFileInfo::exists(name))
            return true;
        for (const char* c : kCompanions)
            if (QFileInfo::exists(name + c))
                return true;
        return false;
    };
    if (QFileInfo::exists(file)) {
        const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
        QString aside = file + ".damaged-" + stamp;
        for (int n = 1; taken(aside); ++n)
            aside = file + ".damaged-" + stamp + "-" + QString::number(n);
        if (!QFile::rename(file, aside))
            return false;
        // The journal goes with the file it belongs to, never into the default put in its place.
        for (const char* c : kCompanions) {
            if (QFileInfo::exists(file + c) && !QFile::rename(file + c, aside + c))
                QFile::remove(file + c);
        }
        if (asideName)
            *asideName = aside;
    }
    for (const char* c : kCompanions)
        QFile::remove(file + c);
    const QString tmp = file + ".new";
    QFile::remove(tmp);
    if (!QFile::copy(defaultFile, tmp))
        return false;
    return QFile::rename(tmp, file);
}

}  // namespace DatabaseGuard
