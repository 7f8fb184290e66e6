#include "maintenancefixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <functional>

#include "core/defaultdatabases.h"
#include "core/globals.h"

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
    EXPECT_EQ(log.mid(0, 3), QStringList({"ask:" + textRow(283), "accept", "cmd:cp -rf cammer11 paraGroup/.backup/"}));
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
    // A hidden folder the list never shows, names longer than a folder name may be, a line feed.
    const QString chinese = QString::fromUtf8("夜班");
    const QList<QPair<QString, int>> names = {{"", 282}, {".", 640}, {"..", 640}, {"a/b", 640},
                                              {"../../etc", 640}, {"default", 641}, {".NIGHT", 640},
                                              {QString(300, 'N'), 640}, {QString(256, 'N'), 640},
                                              {chinese.repeated(43), 640}, {"NIGHT\n", 640}};
    host->items = QStringList{"default"};
    dir->write("sysadd.txt", "0\n");
    for (const auto& n : names) {
        log.clear();
        host->name = n.first;
        answers = {true, true};
        MaintenanceActions(*host).backupGroup();
        EXPECT_EQ(log, QStringList({"warn:" + textRow(n.second)})) << n.first.toStdString();
    }
    EXPECT_EQ(QDir(kParaGroupDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"default"}));
    EXPECT_EQ(dir->read("sysadd.txt"), QByteArray("0\n"));
    EXPECT_EQ(dir->read("paraGroup/default/PARAM.db"), QByteArray("factory param"));

    log.clear();
    host->index = 0;
    answers = {true};
    MaintenanceActions(*host).deleteGroup();
    EXPECT_EQ(log, QStringList({"warn:" + textRow(641)}));
    EXPECT_TRUE(QFileInfo("paraGroup/default/20clearsh.tar.gz").exists());

    // The longest name a folder may have, 255 bytes, is taken.
    host->name = chinese.repeated(42) + "NNN";
    answers = {true};
    MaintenanceActions(*host).backupGroup();
    EXPECT_TRUE(QFileInfo(ParaGroupPath(host->name) + "/PARAM.db").isFile()) << log.join(" | ").toStdString();
}

// A copy that fails (a full disk, a name the file system takes no further) warns and changes no
// group, neither the one replaced nor the group in force.
TEST_F(ParaGroups, ABackupThatFailsWarnsAndChangesNoGroup)
{
    dir->write("paraGroup/g1/PARAM.db", "old g1");
    dir->write("sysadd.txt", "1\n");
    para.param_group = 1;
    runner->answer = [this](const RecordedCommand& c) {
        CommandResult r = CommandRunner().run(c.program, c.args);
        if (c.program == "cp" && c.args.contains("PARAM.db"))
            r.exitCode = 1;  // after the region folders went over
        return r;
    };
    for (const QString& name : QStringList{"g1", "g2"}) {
        host->name = name;
        host->items = QStringList{"default", "g1"};
        answers = {true, true};
        MaintenanceActions(*host).backupGroup();
        EXPECT_EQ(log.last(), "warn:" + textRow(649)) << name.toStdString();
        EXPECT_EQ(QDir(kParaGroupDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList({"default", "g1"}));
        EXPECT_EQ(QDir("paraGroup/g1").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"PARAM.db"});
        EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("old g1"));
        EXPECT_EQ(dir->read("sysadd.txt"), QByteArray("1\n"));
        EXPECT_EQ(para.param_group, 1);
    }
}

// A backup cut short between moving the old group aside and putting the new one in its place
// (a power cut) leaves the set-aside folder as the group's only copy: the next backup, of any
// name, puts it back, and never removes what may be a group of unknown name.
TEST_F(ParaGroups, AGroupLeftAsideByABackupCutShortIsPutBackAndNeverRemoved)
{
    dir->write("paraGroup/.aside/g1/PARAM.db", "old g1");
    dir->write("paraGroup/.aside/g1/cammer11/pic.bmp", "old pic");
    // Left by an earlier version, whose group it was is not known.
    dir->write("paraGroup/.replaced/PARAM.db", "unknown group");
    host->name = "g2";
    host->items = QStringList{"default"};
    answers = {true};
    MaintenanceActions(*host).backupGroup();
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("old g1"));
    EXPECT_EQ(dir->read("paraGroup/g1/cammer11/pic.bmp"), QByteArray("old pic"));
    EXPECT_FALSE(QFileInfo::exists("paraGroup/.aside/g1"));
    EXPECT_EQ(dir->read("paraGroup/.replaced/PARAM.db"), QByteArray("unknown group"));
    EXPECT_EQ(dir->read("paraGroup/g2/PARAM.db"), QByteArray("param in force"));
    EXPECT_EQ(host->items, QStringList({"default", "g1", "g2"}));
    EXPECT_EQ(host->index, 2);
}

// A group left set aside is listed under its name as soon as the list is made, so it can be
// restored without a backup first; and backing up under its name asks before replacing it.
TEST_F(ParaGroups, AGroupLeftAsideIsListedAndNotReplacedUnasked)
{
    dir->write("paraGroup/.aside/g1/PARAM.db", "old g1");
    MaintenanceActions(*host).updateGroupList();
    EXPECT_EQ(host->items, QStringList({"default", "g1"}));
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("old g1"));

    // The list was made before the group was put back.
    QDir("paraGroup/g1").removeRecursively();
    dir->write("paraGroup/.aside/g1/PARAM.db", "old g1");
    host->items = QStringList{"default"};
    host->name = "g1";
    answers = {true, false};
    MaintenanceActions(*host).backupGroup();
    EXPECT_TRUE(log.contains("ask:" + textRow(284))) << log.join(" | ").toStdString();
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("old g1"));
    EXPECT_EQ(host->items, QStringList({"default", "g1"}));
}

// A backup killed in the middle of its copy leaves its half-made copy: the group list made at the
// start clears it, and no group is listed or changed for it.
TEST_F(ParaGroups, AHalfMadeBackupCopyIsClearedWhenTheStartMakesTheList)
{
    dir->write("paraGroup/.backup/cammer11/pic.bmp", "half");
    dir->write("paraGroup/.backup/PARAM.db", "half");
    dir->write("paraGroup/g1/PARAM.db", "g1");
    MaintenanceActions(*host).updateGroupList();
    EXPECT_FALSE(QFileInfo::exists("paraGroup/.backup"));
    EXPECT_EQ(host->items, QStringList({"default", "g1"}));
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("g1"));
}

// The set-aside copy goes only once a whole group stands in its place; a group folder without
// PARAM.db keeps it, and is not replaced while it does. A copy that cannot take the group's
// place puts the old group back.
TEST_F(ParaGroups, ASetAsideGroupIsRemovedOnlyWhenAWholeGroupStandsInItsPlace)
{
    dir->write("paraGroup/.aside/g1/PARAM.db", "older g1");
    dir->write("paraGroup/g1/PARAM.db", "old g1");
    dir->write("paraGroup/.aside/h2/PARAM.db", "old h2");
    dir->write("paraGroup/h2/half.txt", "half");
    host->name = "h2";
    host->items = QStringList{"default", "g1", "h2"};
    answers = {true, true};
    MaintenanceActions(*host).backupGroup();
    EXPECT_EQ(log.last(), "warn:" + textRow(649));
    EXPECT_FALSE(QFileInfo::exists("paraGroup/.aside/g1"));
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("old g1"));
    EXPECT_EQ(dir->read("paraGroup/.aside/h2/PARAM.db"), QByteArray("old h2"));
    EXPECT_EQ(QDir("paraGroup/h2").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"half.txt"});

    // The copy is taken away before it can be renamed into place.
    runner->answer = [](const RecordedCommand& c) {
        CommandResult r = CommandRunner().run(c.program, c.args);
        if (c.program == "cp" && c.args.contains("PARAM.db"))
            QDir("paraGroup/.backup").removeRecursively();
        return r;
    };
    log.clear();
    host->name = "g1";
    answers = {true, true};
    MaintenanceActions(*host).backupGroup();
    EXPECT_EQ(log.last(), "warn:" + textRow(649));
    EXPECT_EQ(dir->read("paraGroup/g1/PARAM.db"), QByteArray("old g1"));
    EXPECT_FALSE(QFileInfo::exists("paraGroup/.aside/g1"));
}

namespace {
// Every file below the program directory but the groups, with its bytes.
QMap<QString, QByteArray> InForce()
{
    QMap<QString, QByteArray> files;
    QDirIterator it(".", QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        if (!path.startsWith("paraGroup/")) {
            QFile f(path);
            files[path] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("?");
        }
    }
    return files;
}

// A grey picture of the size the detection works with (8 x 4 here).
bool Template(const QString& path)
{
    QImage img(8, 4, QImage::Format_Indexed8);
    QVector<QRgb> grey;
    for (int i = 0; i < 256; ++i)
        grey << qRgb(i, i, i);
    img.setColorTable(grey);
    img.fill(7);
    return QDir().mkpath(QFileInfo(path).path()) && img.save(path, "BMP");
}

class GroupRestore : public MaintenanceTest {
protected:
    void SetUp() override
    {
        MaintenanceTest::SetUp();
        saved = {gImageW, gImageH, gColorLen};
        gImageW = 8;
        gImageH = 4;
        gColorLen = 32;
    }
    void TearDown() override
    {
        gImageW = saved[0];
        gImageH = saved[1];
        gColorLen = saved[2];
        MaintenanceTest::TearDown();
    }
    // A group as a backup on two cameras with two stages leaves it.
    void soundGroup(const QString& name)
    {
        ASSERT_TRUE(CreateDefaultDatabases(ParaGroupPath(name)));
        QFile::remove(ParaGroupPath(name) + "/SN.db");
        for (const QString& f : {"cammer11", "cammer12", "cammer21", "cammer22"})
            ASSERT_TRUE(Template(ParaGroupPath(name) + "/" + f + "/template0.bmp"));
        dir->write(ParaGroupPath(name) + "/cammer11/pic.bmp", name.toUtf8() + " picture");
    }
    void restore(const QString& name)
    {
        host->items = ListParaGroups();
        host->index = host->items.indexOf(name);
        answers = {true};
        MaintenanceActions(*host).restoreGroup();
    }
    QList<int> saved;
};
}  // namespace

TEST_F(GroupRestore, ASoundGroupIsRecordedThenReplacesRegionsAndParametersKeepingThoseInForceAside)
{
    soundGroup("g1");
    ASSERT_TRUE(Template("cammer11/template0.bmp"));
    restore("g1");
    EXPECT_EQ(dir->read("PARAM.db"), dir->read("paraGroup/g1/PARAM.db"));
    EXPECT_EQ(dir->read("cammer11/pic.bmp"), QByteArray("g1 picture"));
    EXPECT_TRUE(QFileInfo("cammer22/template0.bmp").isFile());
    EXPECT_EQ(dir->read("sysadd.txt"), QByteArray("1\n"));
    const QStringList steps = stepsFrom("record:");
    ASSERT_EQ(steps.size(), 4) << steps.join(" | ").toStdString();
    EXPECT_EQ(steps.at(0), "record:Restore the parameter group to g1");
    EXPECT_EQ(steps.at(1), "flush");
    EXPECT_TRUE(steps.at(2).startsWith("cmd:cp -rf paraGroup/g1/"));
    EXPECT_EQ(steps.at(3), "cmd:reboot");
    // What was in force is set aside, not removed.
    EXPECT_EQ(dir->read("restore.aside/PARAM.db"), QByteArray("param in force"));
    EXPECT_EQ(dir->read("restore.aside/cammer11/pic.bmp"), QByteArray("x"));
    EXPECT_TRUE(QFileInfo("restore.aside/cammer11/template0.bmp").isFile());
    EXPECT_FALSE(ListParaGroups().contains("restore.aside"));
}

TEST_F(GroupRestore, AGroupThatCannotPutEveryCameraBackIsRefusedNamingWhatIsWrongAndNothingChanges)
{
    struct Case {
        const char* what;
        std::function<void()> damage;
        QStringList named;  // in the warning
    };
    const QList<Case> cases = {
        {"PARAM.db cut at half",
         [] {
             QFile f("paraGroup/g1/PARAM.db");
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_TRUE(f.resize(f.size() / 2));
         },
         {"paraGroup/g1/PARAM.db is damaged"}},
        {"0-byte and folder templates",
         [] {
             QFile(ParaGroupPath("g1") + "/cammer12/template0.bmp").resize(0);
             QDir().mkpath(ParaGroupPath("g1") + "/cammer21/template1.bmp");
         },
         {"template paraGroup/g1/cammer12/template0.bmp cannot be used (empty)",
          "template paraGroup/g1/cammer21/template1.bmp cannot be used (not a file)"}},
        {"template cut inside its picture",
         [] {
             QFile f(ParaGroupPath("g1") + "/cammer22/template0.bmp");
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_TRUE(f.resize(f.size() - 9));
         },
         {"template paraGroup/g1/cammer22/template0.bmp cannot be used (shorter than its picture)"}},
        {"saved with one camera, restored on two",
         [] {
             QDir(ParaGroupPath("g1") + "/cammer21").removeRecursively();
             QDir(ParaGroupPath("g1") + "/cammer22").removeRecursively();
         },
         {"no folder for camera 2 stage 1", "no folder for camera 2 stage 2"}},
    };
    for (const Case& c : cases) {
        QDir(ParaGroupPath("g1")).removeRecursively();
        soundGroup("g1");
        c.damage();
        const auto before = InForce();
        log.clear();
        restore("g1");
        ASSERT_EQ(log.size(), 2) << c.what << ": " << log.join(" | ").toStdString();
        EXPECT_EQ(log.at(0), "ask:" + textRow(285));
        EXPECT_TRUE(log.at(1).startsWith("warn:The parameter group g1 cannot be restored")) << c.what;
        for (const QString& n : c.named)
            EXPECT_TRUE(log.at(1).contains(n)) << c.what << ": " << n.toStdString() << " in " << log.at(1).toStdString();
        const auto after = InForce();
        // The names first: a stray file is then told by its path, not only by its contents.
        EXPECT_EQ(after.keys(), before.keys()) << c.what;
        EXPECT_EQ(after, before) << c.what;
    }
}

TEST_F(GroupRestore, ACopyThatFailsHalfWayIsUndone)
{
    soundGroup("g1");
    const auto before = InForce();
    runner->answer = [this](const RecordedCommand& c) {
        log << "cmd:" + c.line();
        CommandRunner real;
        CommandResult r = real.run(c.program, c.args);
        if (c.program == "cp")
            r.exitCode = 1;  // as a full disk ends it, after part of the copy
        return r;
    };
    restore("g1");
    const auto after = InForce();
    EXPECT_EQ(after.keys(), before.keys());
    EXPECT_EQ(after, before);
    EXPECT_FALSE(log.contains("cmd:reboot"));
    EXPECT_EQ(log.mid(log.size() - 2), QStringList({"record:" + textRow(664), "warn:" + textRow(664)}));
}

TEST_F(GroupRestore, TheDefaultGroupShipsWithoutRegionFoldersAndStillRestores)
{
    ASSERT_TRUE(CreateDefaultDatabases(ParaGroupPath(kDefaultGroup)));
    restore(kDefaultGroup);
    EXPECT_EQ(dir->read("PARAM.db"), dir->read("paraGroup/default/PARAM.db"));
    EXPECT_FALSE(QFileInfo("cammer11").exists());
    EXPECT_EQ(log.last(), "cmd:reboot");
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
    // Also one an earlier version made from a pasted name: no backup takes the name any more.
    dir->write("paraGroup/g1\n/PARAM.db", "g1");
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
