#include "paramdb.h"

#include <QSqlQuery>
#include <QVariant>

#include "core/defaultdatabases.h"

namespace {

QString value(const char* conn, const QString& name)
{
    QSqlQuery q(QSqlDatabase::database(conn));
    q.prepare("select value from sysparam where name=?");
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return QString();
    return q.value(0).toString();
}

void put(const char* conn, const QString& name, const QString& v)
{
    QSqlQuery q(QSqlDatabase::database(conn));
    q.prepare("delete from sysparam where name=?");
    q.addBindValue(name);
    q.exec();
    q.prepare("insert into sysparam values(?, ?)");
    q.addBindValue(name);
    q.addBindValue(v);
    q.exec();
}

void drop(const char* conn, const QString& name)
{
    QSqlQuery q(QSqlDatabase::database(conn));
    q.prepare("delete from sysparam where name=?");
    q.addBindValue(name);
    q.exec();
}

} // namespace

ParamDb::ParamDb()
{
    if (!CreateDefaultDatabases(dir.path()))
        return;
    QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", "dbIn");
    in.setDatabaseName(dir.file("PARAM.db"));
    QSqlDatabase t = QSqlDatabase::addDatabase("QSQLITE", "dbT");
    t.setDatabaseName(dir.file("SN.db"));
    ok = in.open() && t.open();
}

ParamDb::~ParamDb()
{
    for (const char* c : {"dbIn", "dbT"}) {
        {
            QSqlDatabase db = QSqlDatabase::database(c, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(c);
    }
}

QString ParamDb::row(const QString& name) const { return value("dbIn", name); }
void ParamDb::setRow(const QString& name, const QString& v) { put("dbIn", name, v); }
void ParamDb::dropRow(const QString& name) { drop("dbIn", name); }
QString ParamDb::serialRow(const QString& name) const { return value("dbT", name); }
void ParamDb::setSerialRow(const QString& name, const QString& v) { put("dbT", name, v); }
void ParamDb::dropSerialRow(const QString& name) { drop("dbT", name); }

QStringList ParamDb::keysInRowOrder() const
{
    QStringList keys;
    QSqlQuery q(QSqlDatabase::database("dbIn"));
    q.exec("select name from sysparam order by rowid");
    while (q.next())
        keys << q.value(0).toString();
    return keys;
}

int ParamDb::rowCount() const { return keysInRowOrder().size(); }

void ParamDb::exec(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database("dbIn"));
    q.exec(sql);
}
