#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "common/programdir.h"
#include "core/defaultdatabases.h"
#include "core/uitexttable.h"
#include "common/faultyfileops.h"
#include "common/recorddb.h"
#include "vision/records/dayrotation.h"
#include "vision/controller/databaseguard.h"
#include "vision/controller/startuphold.h"
#include "vision/controller/startupdatabases.h"

namespace {

void CloseConnections()
{
    for (const char* c : {"dbIn", "dbRecord", "dbT"}) {
        if (QSqlDatabase::contains(c)) {
            QSqlDatabase::database(c, false).close();
            QSqlDatabase::removeDatabase(c);
        }
    }
}

// A program directory with the shipped databases and the empty record.
struct Dir {
    ProgramDir dir;
    QStringList warnings;
    QList<int> pauses;
    int reboots = 0;
    StartupDatabases dbs;

    Dir()
    {
        CloseConnections();  // a window's, left open by the tests before
        Data_Init();
        CreateDefaultDatabases("paraGroup/default");
        CreateDefaultDatabases(".");
        MakeRecordDb("RECORDNULL.db");
        MakeRecordDb("RECORD.db", {{"08.00.00", "Unlogged", "kept"}});
        dbs.warn = [this](const QString& t) { warnings << t; };
        dbs.pause = [this](int ms) { pauses << ms; };
        dbs.reboot = [this] { ++reboots; };
    }
    ~Dir() { CloseConnections(); }
};

QStringList Aside(const QString& name)
{
    return QDir(".").entryList({name + ".damaged-*"}, QDir::Files);
}

}  // namespace

TEST(StartupDatabases, SoundFilesOpenOnTheirConnections)
{
    Dir d;
    EXPECT_TRUE(d.dbs.OpenAll());
    for (const char* c : {"dbIn", "dbRecord", "dbT"})
        EXPECT_TRUE(QSqlDatabase::database(c, false).isOpen()) << c;
    EXPECT_TRUE(d.warnings.isEmpty());
    EXPECT_EQ(d.reboots, 0);
}

TEST(StartupDatabases, DamagedParamDbIsKeptAsideAndReplaced)
{
    Dir d;
    const QByteArray garbage("this is not a database, only bytes that look like one to nobody\n");
    d.dir.write("PARAM.db", garbage);
    EXPECT_FALSE(d.dbs.OpenAll());
    // Warned in English, whatever the language.
    ASSERT_EQ(d.warnings.size(), 1);
    EXPECT_EQ(d.warnings[0], gaLanStr[160 * 3 + 1]);
    EXPECT_EQ(d.pauses, QList<int>{100});
    EXPECT_EQ(d.reboots, 1);
    // The damaged file is kept byte for byte under a stamped name; the default is in place.
    const QStringList aside = Aside("PARAM.db");
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(d.dbs.asideName, "PARAM.db." + aside[0].mid(QString("PARAM.db.").size()));
    EXPECT_EQ(d.dir.read(aside[0]), garbage);
    EXPECT_EQ(d.dir.read("PARAM.db"), d.dir.read("paraGroup/default/PARAM.db"));
    // The next start learns what was replaced and where the damaged copy lies.
    const StartupHold::Replaced mark = StartupHold::ReadReplaced();
    EXPECT_TRUE(mark.marked);
    EXPECT_EQ(mark.aside, d.dbs.asideName);
    // Initialisation stopped there: the later databases were not touched.
    EXPECT_FALSE(QSqlDatabase::contains("dbRecord"));
    EXPECT_FALSE(QSqlDatabase::contains("dbT"));
}

TEST(StartupDatabases, MissingRecordIsReplacedByTheEmptyOne)
{
    Dir d;
    QFile::remove("RECORD.db");
    EXPECT_FALSE(d.dbs.OpenAll());
    EXPECT_EQ(d.warnings, QStringList{gaLanStr[135 * 3 + 1]});
    EXPECT_EQ(d.pauses, QList<int>{300});
    EXPECT_TRUE(Aside("RECORD.db").isEmpty());  // nothing to keep
    EXPECT_EQ(d.dir.read("RECORD.db"), d.dir.read("RECORDNULL.db"));
    // The next start tells of the replacement: a marker with no damaged copy to name.
    EXPECT_EQ(d.dir.read("RECORD.db.replaced"), QByteArray());
    EXPECT_TRUE(QFileInfo("RECORD.db.replaced").isFile());
    EXPECT_FALSE(StartupHold::ReadReplaced().marked);  // no mould is judged on the record
}

TEST(StartupDatabases, ADamagedRecordLeavesTheNameItIsKeptUnderForTheNextStartOnly)
{
    Dir d;
    d.dir.write("RECORD.db", QByteArray(3000, 'r'));
    EXPECT_FALSE(d.dbs.OpenAll());
    const QStringList aside = Aside("RECORD.db");
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(d.dir.read("RECORD.db.replaced"), aside[0].toUtf8());
    // A damaged parameter file leaves no record marker.
    Dir e;
    e.dir.write("PARAM.db", QByteArray(3000, 'p'));
    EXPECT_FALSE(e.dbs.OpenAll());
    EXPECT_FALSE(QFileInfo("RECORD.db.replaced").exists());
}

TEST(StartupDatabases, SerialDbWithoutItsTableIsDamaged)
{
    Dir d;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName("SN.db");
        QFile::remove("SN.db");
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("CREATE TABLE unrelated(x)");
        db.close();
    }
    QSqlDatabase::removeDatabase("other");
    EXPECT_FALSE(d.dbs.OpenAll());
    EXPECT_EQ(Aside("SN.db").size(), 1);
    EXPECT_EQ(d.reboots, 1);
    EXPECT_EQ(d.dir.read("SN.db"), d.dir.read("paraGroup/default/SN.db"));
}

TEST(StartupDatabases, ADamagedDefaultIsNeverPlacedButRebuiltFromTheBuiltInDefaults)
{
    // Each database with its default copy damaged the ways a power cut or a bad copy leaves it.
    struct Case {
        const char* file;
        const char* defaultFile;
        const char* table;
        const char* damage;
    };
    const Case cases[] = {
        {"PARAM.db", "./paraGroup/default/PARAM.db", "sysparam", "empty"},
        {"PARAM.db", "./paraGroup/default/PARAM.db", "sysparam", "missing"},
        {"RECORD.db", "RECORDNULL.db", "RECORD", "half"},
        {"SN.db", "./paraGroup/default/SN.db", "sysparam", "directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " with its default " + c.damage);
        Dir d;
        d.dir.write(c.file, "garbage");
        const QByteArray sound = d.dir.read(c.defaultFile);
        const QString damage = c.damage;
        QFile::remove(c.defaultFile);
        if (damage == "empty")
            d.dir.write(c.defaultFile, "");
        else if (damage == "half")
            d.dir.write(c.defaultFile, sound.left(sound.size() / 2));
        else if (damage == "directory")
            QDir().mkpath(QString(c.defaultFile) + "/inside");
        EXPECT_FALSE(d.dbs.OpenAll());
        EXPECT_EQ(d.reboots, 1);
        ASSERT_EQ(d.warnings.size(), 2);
        EXPECT_EQ(d.warnings[1], gaLanStr[626 * 3 + 1].arg(c.defaultFile));
        // The rebuilt default is sound and is what was placed.
        EXPECT_TRUE(DatabaseGuard::isSound(c.defaultFile, c.table));
        EXPECT_TRUE(DatabaseGuard::isSound(c.file, c.table));
        EXPECT_EQ(d.dir.read(c.file), d.dir.read(c.defaultFile));
        // The damaged default is kept aside like the damaged file (a missing one leaves nothing).
        EXPECT_EQ(d.dbs.defaultAside.isEmpty(), damage == "missing") << d.dbs.defaultAside.toStdString();
        EXPECT_EQ(Aside(c.file).size(), 1);
        // The next start opens everything: no second replacement, no second reboot.
        CloseConnections();
        StartupDatabases again;
        again.warn = d.dbs.warn;
        again.reboot = d.dbs.reboot;
        again.pause = d.dbs.pause;
        EXPECT_TRUE(again.OpenAll());
        EXPECT_EQ(d.reboots, 1);
    }
}

TEST(StartupDatabases, ADefaultThatCannotBeMadeStopsNamingItWithoutAReboot)
{
    Dir d;
    d.dir.write("PARAM.db", "garbage");
    // A file where the default's folder should be: nothing can be written there.
    ASSERT_TRUE(QDir("paraGroup/default").removeRecursively());
    d.dir.write("paraGroup/default", "not a folder");
    EXPECT_FALSE(d.dbs.OpenAll());
    EXPECT_TRUE(d.dbs.noDefault);
    EXPECT_EQ(d.reboots, 0);
    ASSERT_EQ(d.warnings.size(), 2);
    EXPECT_EQ(d.warnings[1], gaLanStr[627 * 3 + 1].arg("./paraGroup/default/PARAM.db"));
    EXPECT_EQ(d.dir.read("PARAM.db"), QByteArray("garbage"));
    EXPECT_FALSE(StartupHold::ReadReplaced().marked);
}

TEST(StartupDatabases, ARecordLockedByAnotherProgramIsBusyAndKept)
{
    Dir d;
    d.dbs.busyWaitMs = 100;
    const QByteArray before = d.dir.read("RECORD.db");
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "holder");
        other.setDatabaseName("RECORD.db");
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec("BEGIN EXCLUSIVE"));
        ASSERT_TRUE(q.exec("DELETE FROM RECORD"));
        EXPECT_FALSE(d.dbs.OpenAll());
        ASSERT_TRUE(q.exec("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase("holder");
    EXPECT_TRUE(d.dbs.busy);
    EXPECT_EQ(d.warnings, QStringList{gaLanStr[StartupDatabases::kBusyRow * 3 + 1]});
    EXPECT_EQ(d.reboots, 0);
    EXPECT_TRUE(Aside("RECORD.db").isEmpty());
    EXPECT_EQ(d.dir.read("RECORD.db"), before);
}

// A day rotation that archived the record but could not put the empty one in its place (its
// rename failed) leaves no RECORD.db: the next start finishes it instead of replacing the record
// and rebooting. A record day whose archive is not a sound record is damage all the same.
TEST(StartupDatabases, ARotationLeftHalfDoneIsFinishedWithoutABox)
{
    Dir d;
    const QList<QStringList> rows{{"08.00.00", "Unlogged", "kept"}};
    d.dir.write("time.txt", "2026-12-09");
    QDir().mkpath("RECORD");
    {  // the rename of the empty record fails
        FaultyFileOps ops;
        ops.FailRenamesFrom("RECORD.db.new");
        DayRotation rotation;
        rotation.LoadDay(QDate(2026, 12, 10));
        ASSERT_FALSE(rotation.CheckDate(QDate(2026, 12, 10)));
        ASSERT_EQ(ops.failedRenames(), 1);
    }
    ASSERT_FALSE(QFileInfo::exists("RECORD.db"));
    ASSERT_EQ(RecordRows("RECORD/2026-12-09.db"), rows);

    d.dbs.today = [] { return QDate(2026, 12, 10); };
    EXPECT_TRUE(d.dbs.OpenAll());
    EXPECT_TRUE(d.warnings.isEmpty());
    EXPECT_EQ(d.reboots, 0);
    EXPECT_TRUE(DatabaseGuard::isSound("RECORD.db", "RECORD"));
    EXPECT_TRUE(RecordRows("RECORD.db").isEmpty());
    EXPECT_EQ(RecordRows("RECORD/2026-12-09.db"), rows);
    EXPECT_EQ(d.dir.read("time.txt"), QByteArray("2026-12-10")) << "the day the rotation was for";
    EXPECT_TRUE(d.dbs.rotationFinished.contains("RECORD/2026-12-09.db")) << d.dbs.rotationFinished.toStdString();
    EXPECT_FALSE(QFileInfo::exists("RECORD.db.replaced"));

    // The archive of the record day is no record: the box and the reboot as before.
    Dir e;
    e.dir.write("time.txt", "2026-12-09");
    QFile::remove("RECORD.db");
    e.dir.write("RECORD/2026-12-09.db", QByteArray(3000, 'g'));
    EXPECT_FALSE(e.dbs.OpenAll());
    EXPECT_EQ(e.warnings, QStringList{gaLanStr[135 * 3 + 1]});
    EXPECT_EQ(e.reboots, 1);
    EXPECT_TRUE(e.dbs.rotationFinished.isEmpty());
}
