#include "vision/controller/databaseguard.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace DatabaseGuard {

bool isSound(const QString& file, const QString& table, QString* why)
{
    auto fail = [why](const QString& w) {
        if (why)
            *why = w;
        return false;
    };
    const QFileInfo fi(file);
    if (!fi.exists())
        return fail("missing");
    if (!fi.isFile() || fi.size() == 0)
        return fail("empty or not a file");
    const QString conn = "guard-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    QString reason;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", conn);
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (!db.open()) {
            reason = "cannot open";
        } else {
            QSqlQuery q(db);
            if (!q.exec("PRAGMA quick_check") || !q.next() || q.value(0).toString() != "ok") {
                reason = "quick_check failed";
            } else if (!q.exec(QString("SELECT count(*) FROM \"%1\"").arg(table)) || !q.next()) {
                reason = "table " + table + " unreadable";
            } else {
                ok = true;
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    if (!ok)
        return fail(reason);
    return true;
}

bool replaceWithDefault(const QString& file, const QString& defaultFile, QString* asideName)
{
    if (!QFileInfo(defaultFile).isFile())
        return false;
    if (QFileInfo::exists(file)) {
        const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
        QString aside = file + ".damaged-" + stamp;
        for (int n = 1; QFileInfo::exists(aside); ++n)
            aside = file + ".damaged-" + stamp + "-" + QString::number(n);
        if (!QFile::rename(file, aside))
            return false;
        if (asideName)
            *asideName = aside;
    }
    const QString tmp = file + ".new";
    QFile::remove(tmp);
    if (!QFile::copy(defaultFile, tmp))
        return false;
    return QFile::rename(tmp, file);
}

}  // namespace DatabaseGuard
