#include "common/recorddb.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {
const char* kConn = "testRecordDb";
}

bool MakeRecordDb(const QString& path, const QList<QStringList>& rows)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kConn);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec("CREATE TABLE RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT)");
        for (const QStringList& r : rows) {
            q.prepare("INSERT INTO RECORD VALUES(?, ?, ?)");
            for (const QString& v : r)
                q.addBindValue(v);
            ok = ok && q.exec();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kConn);
    return ok;
}

QList<QStringList> RecordRows(const QString& path)
{
    QList<QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kConn);
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("SELECT recordtime, recordpassword, remarks FROM RECORD ORDER BY rowid");
            while (q.next())
                rows << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kConn);
    return rows;
}
