#include <gtest/gtest.h>

#include <memory>

#include <QDialog>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include "common/programdir.h"
#include "statistics/usermanager.h"
#include "widgets/modalhook.h"

namespace {
QStringList gCriticals;

void captureCritical(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        gCriticals << msg;
}

const char* const kCheck = "user_store_check";

class UserStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<UserManager> store;
    int dialogs = 0;
    QString dialogText;
    QtMessageHandler oldHandler = nullptr;

    void SetUp() override
    {
        dir.reset(new ProgramDir);
        gCriticals.clear();
        oldHandler = qInstallMessageHandler(captureCritical);
        setModalHook([this](QDialog& d) {
            ++dialogs;
            dialogText = d.windowTitle();
            for (QObject* o : d.findChildren<QObject*>("message"))
                dialogText = o->property("text").toString();
            return 0;
        });
    }

    void TearDown() override
    {
        store.reset();
        closeCheck();
        setModalHook({});
        qInstallMessageHandler(oldHandler);
        dir.reset();
    }

    void start() { store.reset(new UserManager); }
    void restart()
    {
        store.reset();
        start();
    }

    // A second connection on the same file, as another tool would read it.
    QSqlDatabase check()
    {
        if (!QSqlDatabase::contains(kCheck)) {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kCheck);
            db.setDatabaseName(dir->file(UserManager::kFile));
        }
        QSqlDatabase db = QSqlDatabase::database(kCheck);
        return db;
    }
    void closeCheck()
    {
        if (QSqlDatabase::contains(kCheck)) {
            QSqlDatabase::database(kCheck, false).close();
            QSqlDatabase::removeDatabase(kCheck);
        }
    }
    void exec(const QString& sql)
    {
        {
            QSqlQuery q(check());
            ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
        }
        closeCheck();
    }
    QStringList rows(const QString& sql)
    {
        QStringList out;
        {
            QSqlQuery q(check());
            EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
            while (q.next()) {
                QStringList cols;
                for (int i = 0; i < q.record().count(); ++i)
                    cols << q.value(i).toString();
                out << cols.join('|');
            }
        }
        closeCheck();
        return out;
    }

    // Admin adds `name` of `type` and switches to it.
    void becomeUser(const QString& name, UserType type)
    {
        QString msg;
        ASSERT_TRUE(store->addUser(type, name, "pw-" + name, msg));
        ASSERT_TRUE(store->changeUser(name, "pw-" + name, msg));
        ASSERT_EQ(store->currentType(), type);
    }

    // A store file holding both tables, admin, and the given login events.
    void prepareFile(const QStringList& events)
    {
        exec("create table user_table(name varchar(32) primary key,password varchar(32),usertype int,createtime datetime)");
        exec("insert into user_table values('admin','580317',1,datetime())");
        exec("create table record_table(name varchar(32),optype int,time datetime primary key)");
        for (const QString& e : events)
            exec("insert into record_table values(" + e + ")");
    }
};
}  // namespace

TEST_F(UserStoreTest, FirstStartMakesBothTablesTheAdminAccountAndOneLoginEvent)
{
    start();
    EXPECT_EQ(store->currentName(), "admin");
    EXPECT_EQ(store->currentType(), 1);
    EXPECT_EQ(rows("select sql from sqlite_master where name='user_table'"),
              QStringList{"CREATE TABLE user_table(name varchar(32) primary key,password varchar(32),usertype int,createtime datetime)"});
    EXPECT_EQ(rows("select sql from sqlite_master where name='record_table'"),
              QStringList{"CREATE TABLE record_table(name varchar(32),optype int,time datetime primary key)"});
    EXPECT_EQ(rows("select name,password,usertype from user_table"), QStringList{"admin|580317|1"});
    EXPECT_EQ(rows("select name,optype from record_table"), QStringList{"admin|1"});
    EXPECT_TRUE(gCriticals.isEmpty());
}

TEST_F(UserStoreTest, RestartResumesTheUserOfTheNewestEvent)
{
    prepareFile({"'admin',1,'2024-05-01 08:00:00'", "'bob',1,'2024-05-01 09:00:00'", "'admin',2,'2024-05-01 08:59:59'"});
    exec("insert into user_table values('bob','x',3,datetime())");
    start();
    EXPECT_EQ(store->currentName(), "bob");
    EXPECT_EQ(store->currentType(), 3);
    EXPECT_FALSE(store->canChangeSetting());
}

TEST_F(UserStoreTest, AddingNeedsASmallerTypeAndAFreshName)
{
    start();
    QString msg;
    EXPECT_FALSE(store->addUser(1, "boss", "a", msg));
    EXPECT_EQ(msg, "您没有权限添加该账户!");
    EXPECT_TRUE(store->addUser(2, "op", "a", msg));
    EXPECT_EQ(msg, "账户添加成功!");
    EXPECT_FALSE(store->addUser(3, "op", "b", msg));
    EXPECT_EQ(msg, "账户已存在!");
    EXPECT_EQ(store->getUserType("op"), 2);
    EXPECT_EQ(store->getUserType("nobody"), 0);
    EXPECT_EQ(rows("select name,password,usertype from user_table where name='op'"), QStringList{"op|a|2"});

    QVector<QString> names;
    QVector<UserType> types;
    store->getAllUsersName(names, types);
    EXPECT_EQ(names, (QVector<QString>{"admin", "op"}));
    EXPECT_EQ(types, (QVector<UserType>{1, 2}));
}

TEST_F(UserStoreTest, TypeTwoManagesOnlyLargerTypesAndNobodyDeletesThemself)
{
    start();
    becomeUser("op", 2);
    QString msg = "untouched";
    EXPECT_TRUE(store->addUser(3, "line", "p", msg));
    EXPECT_FALSE(store->addUser(2, "peer", "p", msg));
    EXPECT_EQ(msg, "您没有权限添加该账户!");

    msg = "untouched";
    EXPECT_TRUE(store->deleteUser("line", msg));
    EXPECT_EQ(msg, "untouched");
    EXPECT_EQ(store->getUserType("line"), 0);
    EXPECT_FALSE(store->deleteUser("admin", msg));
    EXPECT_EQ(msg, "You do not have permission to delete the user!");
    EXPECT_FALSE(store->deleteUser("op", msg));
    EXPECT_EQ(msg, "You can not delete youself!");
    EXPECT_FALSE(store->deleteUser("ghost", msg));
    EXPECT_EQ(msg, "The user is not exist!");
    EXPECT_EQ(store->getUserType("admin"), 1);
}

TEST_F(UserStoreTest, SwitchingChecksThePasswordAndRecordsOnlyRealSwitches)
{
    start();
    QString msg = "untouched";
    EXPECT_TRUE(store->changeUser("admin", "wrong", msg));
    EXPECT_EQ(msg, "untouched");
    EXPECT_EQ(rows("select count(*) from record_table"), QStringList{"1"});

    ASSERT_TRUE(store->addUser(3, "line", "Secret", msg));
    EXPECT_FALSE(store->changeUser("line", "secret", msg));
    EXPECT_EQ(msg, "密码错误!");
    EXPECT_EQ(store->currentName(), "admin");
    EXPECT_EQ(store->currentType(), 1);

    EXPECT_TRUE(store->changeUser("line", "Secret", msg));
    EXPECT_EQ(msg, "账户切换成功!");
    EXPECT_EQ(store->currentName(), "line");
    EXPECT_EQ(store->currentType(), 3);
}

TEST_F(UserStoreTest, PasswordChangeComparesTheOldPasswordExactly)
{
    start();
    QString msg = "untouched";
    EXPECT_FALSE(store->changeUserPassword("580317 ", "n", msg));
    EXPECT_EQ(msg, "旧密码不正确!");
    becomeUser("op", 2);
    EXPECT_FALSE(store->changeUserPassword("PW-OP", "new", msg));
    EXPECT_EQ(msg, "旧密码不正确!");
    EXPECT_EQ(rows("select password from user_table where name='op'"), QStringList{"pw-op"});
    EXPECT_TRUE(store->changeUserPassword("pw-op", "new", msg));
    EXPECT_EQ(msg, "密码已更新!");
    EXPECT_EQ(rows("select password from user_table where name='op'"), QStringList{"new"});
}

TEST_F(UserStoreTest, SettingsNeedTypeOneOrTwoElseTheWarningIsShown)
{
    start();
    becomeUser("op", 2);
    EXPECT_TRUE(store->canChangeSetting());
    EXPECT_EQ(dialogs, 0);

    QString msg;
    ASSERT_TRUE(store->addUser(3, "line", "p", msg));
    ASSERT_TRUE(store->changeUser("line", "p", msg));
    EXPECT_FALSE(store->canChangeSetting());
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(dialogText, "No permission !");
}

TEST_F(UserStoreTest, AnUnopenableFileIsLoggedAndLeavesAdminWithNothingStored)
{
    ASSERT_TRUE(QDir(dir->path()).mkdir(UserManager::kFile));
    start();
    EXPECT_FALSE(gCriticals.isEmpty());
    EXPECT_EQ(store->currentName(), "admin");
    EXPECT_EQ(store->currentType(), 1);
    QString msg = "untouched";
    EXPECT_FALSE(store->addUser(2, "op", "a", msg));
    EXPECT_EQ(msg, "untouched");
}

// A statement the database refuses must not be reported as done.
TEST_F(UserStoreTest, RefusedStatementsReportFailureAndKeepTheMessage)
{
    start();
    QString msg;
    ASSERT_TRUE(store->addUser(3, "line", "p", msg));
    exec("create trigger no_insert before insert on user_table begin select raise(abort, 'refused'); end");
    exec("create trigger no_update before update on user_table begin select raise(abort, 'refused'); end");
    exec("create trigger no_delete before delete on user_table begin select raise(abort, 'refused'); end");

    msg = "untouched";
    EXPECT_FALSE(store->addUser(2, "op", "a", msg));
    EXPECT_EQ(msg, "untouched");
    EXPECT_EQ(store->getUserType("op"), 0);

    EXPECT_FALSE(store->changeUserPassword("580317", "new", msg));
    EXPECT_EQ(msg, "untouched");
    EXPECT_EQ(rows("select password from user_table where name='admin'"), QStringList{"580317"});

    EXPECT_FALSE(store->deleteUser("line", msg));
    EXPECT_EQ(msg, "untouched");
    EXPECT_EQ(store->getUserType("line"), 3);
}

TEST_F(UserStoreTest, ASwitchWithinTheStartSecondIsResumedAtTheNextStart)
{
    start();
    becomeUser("op", 2);
    restart();
    EXPECT_EQ(store->currentName(), "op");
    EXPECT_EQ(store->currentType(), 2);
    // And back again, in the same second as that start's own log-in.
    QString msg;
    ASSERT_TRUE(store->changeUser("admin", "580317", msg));
    restart();
    EXPECT_EQ(store->currentName(), "admin");
    EXPECT_EQ(store->currentType(), 1);
}

TEST_F(UserStoreTest, NoKnownCurrentUserMeansNoRights)
{
    prepareFile({});
    start();
    EXPECT_EQ(store->currentType(), UserManager::kNoRights);
    EXPECT_FALSE(store->canChangeSetting());
    QString msg = "untouched";
    EXPECT_FALSE(store->addUser(3, "line", "p", msg));
    EXPECT_EQ(msg, "您没有权限添加该账户!");
    store.reset();

    exec("delete from record_table");
    exec("insert into record_table values('gone',1,'2030-01-01 00:00:00')");
    start();
    EXPECT_EQ(store->currentName(), "gone");
    EXPECT_EQ(store->currentType(), UserManager::kNoRights);
    EXPECT_FALSE(store->canChangeSetting());
    msg = "untouched";
    EXPECT_FALSE(store->deleteUser("admin", msg));
    EXPECT_EQ(msg, "You do not have permission to delete the user!");
}

TEST_F(UserStoreTest, TwoSwitchesInOneSecondKeepEveryEventInOrder)
{
    start();
    QString msg;
    ASSERT_TRUE(store->addUser(2, "op", "a", msg));
    ASSERT_TRUE(store->addUser(3, "line", "b", msg));
    ASSERT_TRUE(store->changeUser("op", "a", msg));
    ASSERT_TRUE(store->changeUser("line", "b", msg));
    // The start's log-in, then two log-outs each followed by the next user's log-in.
    const QStringList byKey = rows("select name,optype from record_table order by time");
    EXPECT_EQ(byKey, QStringList({"admin|1", "admin|2", "op|1", "op|2", "line|1"}));
    EXPECT_EQ(rows("select name,optype from record_table order by rowid"), byKey);
    restart();
    EXPECT_EQ(store->currentName(), "line");
    EXPECT_EQ(store->currentType(), 3);
}

TEST(UserEventTime, StepsPastTheNewestEventOfTheSameSecondOnly)
{
    // The stored text stays the database's datetime(): UTC, whole seconds.
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0, 0, 500), Qt::UTC);
    EXPECT_EQ(UserManager::EventTime(now, ""), "2026-12-07 10:00:00");
    EXPECT_EQ(UserManager::EventTime(now, "2026-12-07 09:59:59"), "2026-12-07 10:00:00");
    // The same second taken, or the newest event a few seconds ahead after a burst of switches.
    EXPECT_EQ(UserManager::EventTime(now, "2026-12-07 10:00:00"), "2026-12-07 10:00:01");
    EXPECT_EQ(UserManager::EventTime(now, "2026-12-07 10:00:02"), "2026-12-07 10:00:03");
    // A clock set back by more than a minute keeps its own time.
    EXPECT_EQ(UserManager::EventTime(now, "2027-01-01 00:00:00"), "2026-12-07 10:00:00");
}
