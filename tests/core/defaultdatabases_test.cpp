#include <gtest/gtest.h>

#include <QFile>
#include <QSqlQuery>
#include <QVariant>

#include "core/commandrunner.h"
#include "core/defaultdatabases.h"
#include "core/uitexttable.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "paramdb.h"

namespace {

QStringList allRows(const char* conn)
{
    QStringList rows;
    QSqlQuery q(QSqlDatabase::database(conn));
    q.exec("select name, value from sysparam order by rowid");
    while (q.next())
        rows << q.value(0).toString() + "=" + q.value(1).toString();
    return rows;
}

} // namespace

TEST(DefaultDatabases, HoldEveryRowTheStoreUsesWithValuesALoadKeeps)
{
    ParamDb db;
    ASSERT_TRUE(db.ok);
    const QStringList keys = {"trigInDelay", "exposeTime", "sharp", "contrast", "adjustPlus",
                              "numFailDetect", "numAllDetect", "isPswUsed", "password", "system1",
                              "system2", "system3", "system4", "system5", "system6", "system7",
                              "system8", "system9", "system10", "system11", "CntNet",
                              "CntNet_UseName", "CntNet_MsgTechName", "CntNet_MsgTechNum",
                              "CntNet_ProName", "CntNet_Operator"};
    EXPECT_EQ(lines(db.keysInRowOrder()), lines(keys));
    EXPECT_EQ(db.row("system7"), "0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(db.row("contrast"), "100 100 100 100");
    EXPECT_EQ(db.row("numAllDetect"), "100 100 100 100 100 100 100 100");
    EXPECT_EQ(db.row("system2"), "0 10 3 0 0 0 0 0 0 0 0 0 0 0 8000 0 0 0");
    EXPECT_EQ(db.row("system4"), "0 0 0 0 0 0 0 0 0 0 0 0 0 3 100");
    EXPECT_EQ(db.row("isPswUsed"), "0");
    EXPECT_EQ(db.row("CntNet"), "0 1 3 0 0 6 1 10000");

    // A first start inserts nothing and keeps every stored value.
    const QStringList before = allRows("dbIn");
    const QStringList serialsBefore = allRows("dbT");
    WizardPara p;
    p.LoadDatafromFile();
    EXPECT_EQ(lines(allRows("dbIn")), lines(before));
    EXPECT_EQ(lines(allRows("dbT")), lines(serialsBefore));
    QStringList loaded;
    for (const ParamRow& r : ParamRows(p, gLan))
        loaded << r.key + "=" + r.value;
    // Only the NG outputs' polarities differ: the standard mode derives them at load.
    QStringList expected = before;
    expected.replaceInStrings("system7=0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0",
                              "system7=0 0 0 0 0 0 1 0 0 0 0 0 0 0 1 1 1 1 0 0");
    EXPECT_EQ(lines(loaded), lines(expected));
    EXPECT_EQ(p.stored_camera_count, 0);
    EXPECT_EQ(serialsBefore.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(serialsBefore[i], QString("serialNB%1=0").arg(i));

    // The region tables of the eight views exist.
    for (int c = 0; c < 8; ++c) {
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        EXPECT_TRUE(q.exec(QString("select value from cammer%1 where name='detect7'").arg(c)) && q.next()) << c;
    }
}

TEST(DefaultDatabases, ReplaceOldFilesAndReportWhatCannotBeWritten)
{
    ProgramDir dir;
    ASSERT_TRUE(dir.write("paraGroup/default/PARAM.db", "not a database"));
    QString error;
    EXPECT_TRUE(CreateDefaultDatabases(dir.file("paraGroup/default"), &error)) << error.toStdString();
    EXPECT_TRUE(dir.read("paraGroup/default/PARAM.db").startsWith("SQLite format 3"));
    EXPECT_FALSE(QFile::exists(dir.file("paraGroup/default/PARAM.db.new")));

    ASSERT_TRUE(dir.write("blocked", "a file where a directory should be"));
    EXPECT_FALSE(CreateDefaultDatabases(dir.file("blocked"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(DefaultDatabases, ToolWritesEachDirectoryGiven)
{
    ProgramDir dir;
    const CommandResult r = runCommand(buildDir() + "/makedb", {dir.path(), dir.file("paraGroup/default")});
    ASSERT_TRUE(r.ok()) << r.err.toStdString();
    for (const char* f : {"PARAM.db", "SN.db", "paraGroup/default/PARAM.db", "paraGroup/default/SN.db"})
        EXPECT_TRUE(QFile::exists(dir.file(f))) << f;
    EXPECT_EQ(runCommand(buildDir() + "/makedb", {}).exitCode, 2);
}
