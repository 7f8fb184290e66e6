#include "maintenancefixture.h"

#include <QDir>
#include <QFileInfo>

#include "settings/paragroups.h"
#include "widgets/textrow.h"

using ParaGroups = MaintenanceTest;

TEST_F(ParaGroups, BackupOfANewNameCopiesRegionsAndParametersAddsAndSelectsIt)
{
    host->name = "g1";
    host->items = QStringList{"default"};
    answers = {true};
    MaintenanceActions(*host).backupGroup();
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("param in force"));
    EXPECT_TRUE(QFileInfo("paraGroup/g1/cammer11/pic.bmp").isFile());
    EXPECT_TRUE(QFileInfo("paraGroup/g1/cammer21/pic.bmp").isFile());
    EXPECT_EQ(host->items, QStringList({"default", "g1"}));
    EXPECT_EQ(host->index, 1);
    EXPECT_EQ(dir->read("sysadd.txt"), QByteArray("1\n"));
    // The open settings are committed before anything is copied.
    EXPECT_EQ(log.mid(0, 3), QStringList({"ask:" + textRow(283), "accept", "cmd:cp -rf cammer11 paraGroup/g1/"}));
}

TEST_F(ParaGroups, BackupOverAnExistingNameAsksThenReplacesItAndKeepsTheList)
{
    dir->write("paraGroup/g1/stale.txt", "old");
    dir->write("paraGroup/h2/PARAM.db", "h2");
    host->name = "g1";
    host->items = QStringList{"default", "g1", "h2"};
    answers = {true, false};
    MaintenanceActions(*host).backupGroup();
    EXPECT_TRUE(log.contains("ask:" + textRow(284)));
    EXPECT_TRUE(QFileInfo("paraGroup/g1/stale.txt").exists()) << "declined: the old group stays";

    log.clear();
    answers = {true, true};
    MaintenanceActions(*host).backupGroup();
    EXPECT_FALSE(QFileInfo("paraGroup/g1/stale.txt").exists());
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("param in force"));
    EXPECT_EQ(log.filter("list:").size(), 0);
    EXPECT_EQ(host->items, QStringList({"default", "g1", "h2"}));
    EXPECT_EQ(dir->read("sysadd.txt"), QByteArray("1\n"));
}

TEST_F(ParaGroups, NamesThatAreNoSingleFolderOrTheDefaultGroupAreRefusedBeforeAnyQuestion)
{
    const QList<QPair<QString, int>> names = {{"", 282}, {".", 640}, {"..", 640}, {"a/b", 640},
                                              {"../../etc", 640}, {"default", 641}};
    host->items = QStringList{"default"};
    for (const auto& n : names) {
        log.clear();
        host->name = n.first;
        answers = {true, true};
        MaintenanceActions(*host).backupGroup();
        EXPECT_EQ(log, QStringList({"warn:" + textRow(n.second)})) << n.first.toStdString();
    }
    EXPECT_EQ(ListParaGroups(), QStringList({"default"}));
    EXPECT_EQ(dir->read("paraGroup/default/PARAM.db"), QByteArray("factory param"));

    log.clear();
    host->index = 0;
    answers = {true};
    MaintenanceActions(*host).deleteGroup();
    EXPECT_EQ(log, QStringList({"warn:" + textRow(641)}));
    EXPECT_TRUE(QFileInfo("paraGroup/default/20clearsh.tar.gz").exists());
}

TEST_F(ParaGroups, RestoreRecordsAndClosesTheDatabasesBeforeReplacingRegionsAndParameters)
{
    dir->write("paraGroup/g1/PARAM.db", "g1 param");
    dir->write("paraGroup/g1/cammer11/pic.bmp", "g1 picture");
    host->items = ListParaGroups();
    host->index = 1;
    answers = {true};
    MaintenanceActions(*host).restoreGroup();
    EXPECT_EQ(dir->read("PARAM.db"), QByteArray("g1 param"));
    EXPECT_EQ(dir->read("cammer11/pic.bmp"), QByteArray("g1 picture"));
    EXPECT_FALSE(QFileInfo("cammer12").exists()) << "regions the group lacks do not survive";
    EXPECT_EQ(dir->read("sysadd.txt"), QByteArray("1\n"));
    const QStringList steps = stepsFrom("record:");
    ASSERT_GE(steps.size(), 3);
    EXPECT_EQ(steps.at(0), "record:Restore the parameter group to g1");
    EXPECT_EQ(steps.at(1), "flush");
    EXPECT_TRUE(steps.at(2).startsWith("cmd:rm -rf cammer11"));
    EXPECT_EQ(steps.last(), "cmd:reboot");
}

TEST_F(ParaGroups, AGroupWithoutParametersRestoresNothing)
{
    dir->write("paraGroup/g2/cammer11/pic.bmp", "g2 picture");
    host->items = ListParaGroups();
    host->index = 1;
    answers = {true};
    MaintenanceActions(*host).restoreGroup();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(285), "warn:" + textRow(642)}));
    EXPECT_EQ(dir->read("cammer11/pic.bmp"), QByteArray("x"));
    EXPECT_TRUE(QFileInfo("cammer12").exists());
    EXPECT_FALSE(QFileInfo("sysadd.txt").exists());
}

TEST_F(ParaGroups, DeleteRemovesTheChosenGroupAndAnEmptyListDoesNothing)
{
    dir->write("paraGroup/g1/PARAM.db", "g1");
    host->items = ListParaGroups();
    host->index = 1;
    answers = {true};
    MaintenanceActions(*host).deleteGroup();
    EXPECT_EQ(ListParaGroups(), QStringList({"default"}));
    EXPECT_EQ(host->items, QStringList({"default"}));

    log.clear();
    host->items.clear();
    host->index = -1;
    answers = {true};
    MaintenanceActions(*host).deleteGroup();
    MaintenanceActions(*host).restoreGroup();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(QFileInfo("paraGroup/default").isDir());
}
