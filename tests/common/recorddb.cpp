#include "common/recorddb.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
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
        // One transaction: a long day written row by row would take seconds.
        ok = ok && db.transaction();
        for (const QStringList& r : rows) {
            q.prepare("INSERT INTO RECORD VALUES(?, ?, ?)");
            for (const QString& v : r)
                q.addBindValue(v);
            ok = ok && q.exec();
        }
        ok = db.commit() && ok;
        db.close();
    }
    QSqlDatabase::removeDatabase(kConn);
    return ok;
}

QList<QStringList> LongDayRows(int count)
{
    QList<QStringList> rows;
    for (int i = 0; i < count; ++i)
        rows << QStringList{QString("%1.%2.00").arg(6 + i / 60, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
                            i % 3 ? "Primary" : "Advanced", QString("operation %1 of the long day").arg(i + 1)};
    return rows;
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

QList<QStringList> RecordRowsOverDays(const QString& programDir)
{
    QList<QStringList> rows;
    const QDir days(programDir + "/RECORD");
    for (const QString& day : days.entryList({"*.db"}, QDir::Files, QDir::Name))
        rows += RecordRows(days.filePath(day));
    return rows + RecordRows(programDir + "/RECORD.db");
}

DbLocker::DbLocker(const QString& file) : name_("locker-" + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    // A connection of its own: two lockers at a time hold two files.
    db_ = QSqlDatabase::addDatabase("QSQLITE", name_);
    db_.setDatabaseName(file);
    locked_ = db_.open() && QSqlQuery(db_).exec("BEGIN EXCLUSIVE");
}

void DbLocker::Unlock()
{
    if (!db_.isOpen())
        return;
    QSqlQuery(db_).exec("COMMIT");
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
    locked_ = false;
}

bool RecordedRow(const QString& text, const QString& path)
{
    for (const QStringList& r : RecordRows(path))
        if (r.value(2) == text)
            return true;
    return false;
}
