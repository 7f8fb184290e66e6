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
