#include "statistics/usermanager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

#include "widgets/messagedialog.h"
#include "widgets/modalhook.h"

const char* const UserManager::kConnection = "sql_user_database_connection";
const char* const UserManager::kFile = "UserDataBase.db";

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("UserManager", text);
}

QSqlDatabase userDb()
{
    return QSqlDatabase::database(QString::fromLatin1(UserManager::kConnection), false);
}

bool hasBothTables(const QSqlDatabase& db)
{
    const QStringList tables = db.tables();
    return tables.contains(QStringLiteral("user_table")) && tables.contains(QStringLiteral("record_table"));
}

// A statement that must have changed exactly one row; anything else is logged.
bool execOneRow(QSqlQuery& q, const char* what)
{
    if (!q.exec()) {
        qWarning().noquote() << "user store:" << what << "failed:" << q.lastError().text();
        return false;
    }
    if (q.numRowsAffected() != 1) {
        qWarning().noquote() << "user store:" << what << "changed" << q.numRowsAffected() << "rows";
        return false;
    }
    return true;
}
}  // namespace

UserManager::UserManager()
{
    name_.clear();
    connectDatabase();
}

UserManager::~UserManager()
{
    const QString conn = QString::fromLatin1(kConnection);
    if (QSqlDatabase::contains(conn)) {
        userDb().close();
        QSqlDatabase::removeDatabase(conn);
    }
}

UserManager* UserManager::instance()
{
    static UserManager* store = new UserManager;
    return store;
}

void UserManager::connectDatabase()
{
    const QString conn = QString::fromLatin1(kConnection);
    QSqlDatabase db = QSqlDatabase::contains(conn) ? userDb() : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
    db.setDatabaseName(QString::fromLatin1(kFile));
    db.setUserName(QStringLiteral("KOV"));
    db.setPassword(QStringLiteral("KTQ705318"));
    if (!db.open())
        qCritical().noquote() << "user store: cannot open" << kFile << ":" << db.lastError().text();

    if (!hasBothTables(db)) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("create table user_table(name varchar(32) primary key,password varchar(32),usertype int,createtime datetime)"));
        q.exec(QStringLiteral("insert into user_table values('admin','580317',1,datetime())"));
        type_ = 1;
        name_ = QStringLiteral("admin");
        q.exec(QStringLiteral("create table record_table(name varchar(32),optype int,time datetime primary key)"));
        if (!hasBothTables(db))
            qCritical().noquote() << "user store: cannot create the tables in" << kFile << ":" << q.lastError().text();
    } else {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("select name from record_table where time=(select max(time) from record_table)")) && q.next()) {
            name_ = q.value(0).toString();
            QSqlQuery t(db);
            t.prepare(QStringLiteral("select usertype from user_table where name=:name"));
            t.bindValue(QStringLiteral(":name"), name_);
            if (t.exec() && t.next())
                type_ = t.value(0).toInt();
        }
        // An empty record or a deleted user leaves kNoRights: an unset 0 would out-rank admin.
    }
    addRecord(name_, 1);
}

void UserManager::closeDatabase()
{
    QSqlDatabase db = userDb();
    if (!db.isOpen())
        return;
    addRecord(name_, 2);
    db.close();
}

void UserManager::addRecord(const QString& name, int optype)
{
    storeRecord(name, optype);
}

QString UserManager::EventTime(const QDateTime& now, const QString& newest)
{
    // The time is the table's key, in the database's own datetime() text (UTC, whole seconds):
    // an event in a second already taken by the newest one (a switch's log-out and log-in) goes
    // one second past it, so both are kept, in order. A clock set back by more than a minute
    // keeps its own time.
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    QDateTime when = now.toUTC();
    when.setTime(QTime(when.time().hour(), when.time().minute(), when.time().second()));
    QDateTime last = QDateTime::fromString(newest, format);
    if (last.isValid()) {
        last.setTimeSpec(Qt::UTC);
        if (when <= last && when.secsTo(last) < 60)
            when = last.addSecs(1);
    }
    return when.toString(format);
}

bool UserManager::storeRecord(const QString& name, int optype)
{
    QString newest;
    QSqlQuery last(userDb());
    if (last.exec(QStringLiteral("select max(time) from record_table")) && last.next())
        newest = last.value(0).toString();
    QDateTime at = QDateTime::currentDateTimeUtc();
    QSqlQuery q(userDb());
    q.prepare(QStringLiteral("insert into record_table values(:name,:optype,:time)"));
    for (int attempt = 0; attempt < 10; ++attempt) {
        q.bindValue(QStringLiteral(":name"), name);
        q.bindValue(QStringLiteral(":optype"), optype);
        q.bindValue(QStringLiteral(":time"), EventTime(at, newest));
        if (q.exec())
            return true;
        // A clock set back may meet an older event's time: the next second then.
        at = at.addSecs(1);
    }
    qWarning().noquote() << "user store: event of" << name << "not stored:" << q.lastError().text();
    return false;
}

UserType UserManager::getUserType(const QString& name)
{
    QSqlQuery q(userDb());
    q.prepare(QStringLiteral("select usertype from user_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), name);
    if (q.exec() && q.next())
        return q.value(0).toInt();
    return 0;
}

void UserManager::getAllUsersName(QVector<QString>& names, QVector<UserType>& types)
{
    QSqlQuery q(userDb());
    if (!q.exec(QStringLiteral("select name,usertype from user_table")))
        return;
    while (q.next()) {
        names.append(q.value(0).toString());
        types.append(q.value(1).toInt());
    }
}

bool UserManager::canChangeSetting()
{
    if (type_ == 1 || type_ == 2)
        return true;
    MessageDialog box(QStringLiteral("warning"), QStringLiteral("No permission !"), 1);
    execModal(box);
    return false;
}

bool UserManager::addUser(UserType type, QString name, QString password, QString& msg)
{
    if (!(type_ < type)) {
        msg = tr("您没有权限添加该账户!");
        return false;
    }
    QSqlQuery find(userDb());
    find.prepare(QStringLiteral("select * from user_table where name=:name"));
    find.bindValue(QStringLiteral(":name"), name);
    if (find.exec() && find.next()) {
        msg = tr("账户已存在!");
        return false;
    }
    QSqlQuery q(userDb());
    q.prepare(QStringLiteral("insert into user_table values(:name,:password,:type,datetime())"));
    q.bindValue(QStringLiteral(":name"), name);
    q.bindValue(QStringLiteral(":password"), password);
    q.bindValue(QStringLiteral(":type"), type);
    if (!execOneRow(q, "adding a user"))
        return false;
    msg = tr("账户添加成功!");
    return true;
}

bool UserManager::deleteUser(QString name, QString& msg)
{
    if (name == name_) {
        msg = tr("You can not delete youself!");
        return false;
    }
    QSqlQuery find(userDb());
    find.prepare(QStringLiteral("select usertype from user_table where name=:name"));
    find.bindValue(QStringLiteral(":name"), name);
    if (!find.exec() || !find.next()) {
        msg = tr("The user is not exist!");
        return false;
    }
    if (type_ < find.value(0).toInt()) {
        QSqlQuery q(userDb());
        q.prepare(QStringLiteral("delete from user_table where name = :name"));
        q.bindValue(QStringLiteral(":name"), name);
        return execOneRow(q, "deleting a user");
    }
    msg = tr("You do not have permission to delete the user!");
    return false;
}

bool UserManager::changeUserPassword(QString oldPassword, QString newPassword, QString& msg)
{
    QSqlQuery find(userDb());
    find.prepare(QStringLiteral("select password from user_table where name=:name"));
    find.bindValue(QStringLiteral(":name"), name_);
    if (!find.exec() || !find.next())
        return false;
    if (find.value(0).toString() != oldPassword) {
        msg = tr("旧密码不正确!");
        return false;
    }
    QSqlQuery q(userDb());
    q.prepare(QStringLiteral("update user_table set password=:password where name=:name"));
    q.bindValue(QStringLiteral(":password"), newPassword);
    q.bindValue(QStringLiteral(":name"), name_);
    if (!execOneRow(q, "changing a password"))
        return false;
    msg = tr("密码已更新!");
    return true;
}

bool UserManager::changeUser(QString name, QString password, QString& msg)
{
    if (name == name_)
        return true;
    QSqlQuery find(userDb());
    find.prepare(QStringLiteral("select usertype from user_table where name=:name and password=:password"));
    find.bindValue(QStringLiteral(":name"), name);
    find.bindValue(QStringLiteral(":password"), password);
    if (!find.exec() || !find.next()) {
        msg = tr("密码错误!");
        return false;
    }
    addRecord(name_, 2);
    name_ = name;
    type_ = find.value(0).toInt();
    addRecord(name, 1);
    msg = tr("账户切换成功!");
    return true;
}
