#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "common/programdir.h"
#include "vision/controller/databaseguard.h"

namespace {
void makeDb(const QString& file, const QString& table)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "mk");
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QString("CREATE TABLE %1(name TEXT, value TEXT)").arg(table)));
        ASSERT_TRUE(q.exec(QString("INSERT INTO %1 VALUES('a','1')").arg(table)));
        db.close();
    }
    QSqlDatabase::removeDatabase("mk");
}
}  // namespace

TEST(DatabaseGuard, TellsSoundFromMissingGarbageAndWrongTable)
{
    ProgramDir dir;
    QString why;
    EXPECT_FALSE(DatabaseGuard::isSound("PARAM.db", "sysparam", &why));
    EXPECT_EQ(why, "missing");
    EXPECT_FALSE(QFile::exists("PARAM.db"));  // the check never creates the file

    dir.write("PARAM.db", QByteArray(4096, 'x'));
    EXPECT_FALSE(DatabaseGuard::isSound("PARAM.db", "sysparam", &why));

    makeDb("other.db", "RECORD");
    EXPECT_FALSE(DatabaseGuard::isSound("other.db", "sysparam", &why));
    EXPECT_TRUE(DatabaseGuard::isSound("other.db", "RECORD", &why)) << why.toStdString();
}

TEST(DatabaseGuard, DamagedFileIsKeptAsideAndReplaced)
{
    ProgramDir dir;
    QDir().mkpath("paraGroup/default");
    makeDb("paraGroup/default/PARAM.db", "sysparam");
    dir.write("PARAM.db", "garbage");
    QString aside;
    ASSERT_TRUE(DatabaseGuard::replaceWithDefault("PARAM.db", "paraGroup/default/PARAM.db", &aside));
    EXPECT_TRUE(aside.startsWith("PARAM.db.damaged-"));
    EXPECT_EQ(dir.read(aside), QByteArray("garbage"));
    EXPECT_TRUE(DatabaseGuard::isSound("PARAM.db", "sysparam"));

    // a second damage in the same second keeps both old files
    dir.write("PARAM.db", "garbage2");
    QString aside2;
    ASSERT_TRUE(DatabaseGuard::replaceWithDefault("PARAM.db", "paraGroup/default/PARAM.db", &aside2));
    EXPECT_NE(aside, aside2);
    EXPECT_EQ(dir.read(aside2), QByteArray("garbage2"));

    // no default: nothing is moved
    dir.write("SN.db", "bad");
    EXPECT_FALSE(DatabaseGuard::replaceWithDefault("SN.db", "paraGroup/default/SN.db"));
    EXPECT_EQ(dir.read("SN.db"), QByteArray("bad"));
}

TEST(DatabaseGuard, ALockedFileIsBusyNeverDamaged)
{
    ProgramDir dir;
    makeDb("PARAM.db", "sysparam");
    {
        // Another program holds the file: an exclusive transaction keeps every reader out.
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "holder");
        other.setDatabaseName("PARAM.db");
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec("BEGIN EXCLUSIVE"));
        ASSERT_TRUE(q.exec("INSERT INTO sysparam VALUES('b','2')"));
        QString why;
        EXPECT_EQ(DatabaseGuard::check("PARAM.db", "sysparam", &why, 100), DatabaseGuard::Health::Busy)
            << why.toStdString();
        EXPECT_TRUE(why.startsWith("busy")) << why.toStdString();
        ASSERT_TRUE(q.exec("ROLLBACK"));
        EXPECT_EQ(DatabaseGuard::check("PARAM.db", "sysparam", &why, 100), DatabaseGuard::Health::Sound);
        other.close();
    }
    QSqlDatabase::removeDatabase("holder");
}

TEST(DatabaseGuard, TheJournalOfADamagedFileGoesAsideWithIt)
{
    ProgramDir dir;
    QDir().mkpath("paraGroup/default");
    makeDb("paraGroup/default/PARAM.db", "sysparam");
    dir.write("PARAM.db", "garbage");
    dir.write("PARAM.db-journal", "journal of the garbage");
    QString aside;
    ASSERT_TRUE(DatabaseGuard::replaceWithDefault("PARAM.db", "paraGroup/default/PARAM.db", &aside));
    EXPECT_FALSE(QFile::exists("PARAM.db-journal"));  // never rolled into the default
    EXPECT_EQ(dir.read(aside + "-journal"), QByteArray("journal of the garbage"));
    EXPECT_TRUE(DatabaseGuard::isSound("PARAM.db", "sysparam"));

    // a missing file's stale journal does not survive either
    QFile::remove("SN.db");
    dir.write("SN.db-journal", "stale");
    ASSERT_TRUE(DatabaseGuard::replaceWithDefault("SN.db", "paraGroup/default/PARAM.db"));
    EXPECT_FALSE(QFile::exists("SN.db-journal"));
}
