// A power cut during a save: tools/savechurn saves parameters, regions and record rows without
// end and is killed with SIGKILL at random points; every restart must open all three databases
// as sound, with the last committed state, and never replace one.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <random>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "core/defaultdatabases.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "statistics/resstatisticsparam.h"
#include "vision/records/counters.h"
#include "vision/controller/startupdatabases.h"
#include "vision/inspection/cammersingleton.h"

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

QString IntegrityCheck(const QString& file)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            result = q.exec("PRAGMA integrity_check") && q.next() ? q.value(0).toString() : "no answer";
        } else {
            result = "does not open";
        }
    }
    QSqlDatabase::removeDatabase("integrity");
    return result;
}

// A rollback journal that SQLite would play into the file at its next open: it starts with the
// journal magic (a committed or rolled-back one is deleted or has its header zeroed).
bool HotJournal(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(8) == QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
}

// Runs tools/savechurn in `dir` with `args`, lets it save `ms` after it is ready and kills it
// (SIGKILL); `out` gets what it printed.
void ChurnUntilKilled(const QString& dir, const QStringList& args, int ms, QByteArray* out)
{
    QProcess child;
    child.setWorkingDirectory(dir);
    child.start(buildDir() + "/savechurn", args);
    ASSERT_TRUE(child.waitForStarted(5000));
    QElapsedTimer t;
    t.start();
    while (!out->contains("ready\n") && t.elapsed() < 10000 && child.state() == QProcess::Running) {
        child.waitForReadyRead(50);
        *out += child.readAllStandardOutput();
    }
    ASSERT_TRUE(out->contains("ready\n")) << child.readAllStandardError().toStdString();
    QThread::msleep(ulong(ms));
    child.kill();
    ASSERT_TRUE(child.waitForFinished(5000));
    *out += child.readAllStandardOutput();
}

// Last number the child printed for each kind: committed for sure (the next one may be too).
struct Printed {
    int param = 0, region = 0, record = 0;
};

Printed LastPrinted(const QByteArray& out)
{
    Printed p;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> w = line.split(' ');
        if (w.size() != 2)
            continue;
        const int n = w[1].toInt();
        if (w[0] == "param")
            p.param = n;
        else if (w[0] == "region")
            p.region = n;
        else if (w[0] == "record")
            p.record = n;
    }
    return p;
}

// The start-up's database check and open, then what the three kinds hold.
Printed Restart(QStringList* warnings, int* reboots, QString* damage)
{
    StartupDatabases dbs;
    dbs.warn = [&](const QString& w) { *warnings << w; };
    dbs.pause = [](int) {};
    dbs.reboot = [&] { ++*reboots; };
    Printed p;
    if (!dbs.OpenAll()) {
        *damage = dbs.damage.isEmpty() ? QString("not opened") : dbs.damage;
        CloseConnections();
        return p;
    }
    WizardPara para;
    para.LoadDatafromFile();
    CammerSingleton regions(0);
    regions.LoadWithMasks(nullptr);
    const QList<QStringList> rows = RecordRows("RECORD.db");
    CloseConnections();
    p.param = para.ng_max_num;
    p.region = regions.roiNum[0] > 0 ? regions.param1[0][0] : 0;
    p.record = rows.isEmpty() ? 0 : rows.last().value(2).toInt();
    return p;
}

}  // namespace

TEST(KillDuringSave, EveryRestartFindsTheLastCommitAndNoFileIsReplaced)
{
    ProgramDir dir;
    Data_Init();
    ASSERT_TRUE(CreateDefaultDatabases("."));
    ASSERT_TRUE(CreateDefaultDatabases("paraGroup/default"));
    ASSERT_TRUE(MakeRecordDb("RECORDNULL.db"));
    ASSERT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));

    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> after(2, 150);
    SCOPED_TRACE("seed " + std::to_string(seed));
    int next = 1;
    QStringList ignored;
    int none = 0;
    QString damage;
    Printed committed = Restart(&ignored, &none, &damage);  // what the previous restart found
    ASSERT_TRUE(damage.isEmpty());
    int hotJournals = 0;
    for (int kill = 0; kill < 30; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        QByteArray out;
        ASSERT_NO_FATAL_FAILURE(ChurnUntilKilled(dir.path(), {QString::number(next)}, after(rng), &out));
        const Printed printed = LastPrinted(out);
        for (const char* f : {"PARAM.db-journal", "RECORD.db-journal"})
            if (HotJournal(f))
                ++hotJournals;

        // The restart: the start-up's database check and open.
        QStringList warnings;
        int reboots = 0;
        QString damage;
        const Printed now = Restart(&warnings, &reboots, &damage);
        ASSERT_TRUE(damage.isEmpty()) << damage.toStdString();
        EXPECT_TRUE(warnings.isEmpty());
        EXPECT_EQ(reboots, 0);
        const int param = now.param, region = now.region, record = now.record;
        const QList<QStringList> rows = RecordRows("RECORD.db");

        // Each kind holds its last printed commit or the one after it (committed, not yet printed);
        // never anything older than what the previous restart found.
        auto found = [&](int value, int printedNo, int before) {
            return printedNo > 0 ? (value == printedNo || value == printedNo + 1) : (value == before || value == next);
        };
        EXPECT_TRUE(found(param, printed.param, committed.param)) << param << " printed " << printed.param;
        EXPECT_TRUE(found(region, printed.region, committed.region)) << region << " printed " << printed.region;
        EXPECT_TRUE(found(record, printed.record, committed.record)) << record << " printed " << printed.record;
        // Record rows: one per commit, none lost, none half there.
        for (int i = 1; i < rows.size(); ++i)
            EXPECT_GT(rows[i].value(2).toInt(), rows[i - 1].value(2).toInt());
        for (const char* f : {"PARAM.db", "RECORD.db", "SN.db"}) {
            EXPECT_EQ(IntegrityCheck(f), "ok") << f;
            EXPECT_FALSE(HotJournal(QString(f) + "-journal")) << f;
        }
        EXPECT_TRUE(QDir(".").entryList({"*.damaged-*"}).isEmpty());
        if (HasFailure())
            break;
        committed = {param, region, record};
        next = qMax(param, qMax(region, record)) + 1;
    }
    std::printf("[ figures  ] 30 kills during saves: %d left a hot journal, all rolled back at restart\n", hotJournals);
}

namespace {

// What a restart finds of the verdicts: the inspections of every camera in count.txt, and the
// OK counts of slot 0, stage 0 in the statistics, per camera row and for the stage row.
struct Found {
    QList<int> counts;  // count.txt, cameras 0-7
    QList<int> stats;   // C0_D0 .. C7_D0, then Detect0
};

Found FindVerdicts()
{
    Found f;
    int all[MAX_CAMERA], fail[MAX_CAMERA];
    QFile file("count.txt");
    Counters::Parse(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), all, fail);
    for (int c = 0; c < MAX_CAMERA; ++c)
        f.counts << all[c];
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "verdictcheck");
        db.setDatabaseName("ResStatistics.db");
        if (db.open()) {
            QSqlQuery q(db);
            QStringList names;
            for (int c = 0; c < MAX_CAMERA; ++c)
                names << QString("C%1_D0").arg(c);
            names << "Detect0";
            for (const QString& n : names)
                f.stats << (q.exec("select value1 from resstatistics where name='" + n + "'") && q.next()
                                ? ParseCounts(q.value(0).toString()).value(0)
                                : -1);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("verdictcheck");
    return f;
}

int LastVerdict(const QByteArray& out)
{
    int n = 0;
    for (const QByteArray& line : out.split('\n'))
        if (line.startsWith("verdict "))
            n = line.mid(8).toInt();
    return n;
}

}  // namespace

// Killed while the verdict writer syncs: count.txt and the statistics each hold a prefix of the
// verdicts handed over (a verdict's count before its statistics), never part of one.
TEST(KillDuringSave, VerdictWritesLeaveAPrefixOfTheVerdicts)
{
    ProgramDir dir;
    ASSERT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> after(5, 200);
    SCOPED_TRACE("seed " + std::to_string(seed));
    Found before = FindVerdicts();
    int total = 0;
    for (int kill = 0; kill < 30; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        QByteArray out;
        ASSERT_NO_FATAL_FAILURE(ChurnUntilKilled(dir.path(), {"--verdicts"}, after(rng), &out));
        const int handed = LastVerdict(out);

        const Found now = FindVerdicts();
        ASSERT_EQ(now.counts.size(), MAX_CAMERA);
        ASSERT_EQ(now.stats.size(), MAX_CAMERA + 1);
        // Never a mix: every camera and the stage at the same verdict.
        for (int c = 1; c < MAX_CAMERA; ++c)
            EXPECT_EQ(now.counts[c], now.counts[0]) << "count.txt camera " << c;
        for (int i = 1; i <= MAX_CAMERA; ++i)
            EXPECT_EQ(now.stats[i], now.stats[0]) << "statistics row " << i;
        // A prefix of this run's verdicts (the one handed after the last print may be in).
        const int counted = now.counts[0] - before.counts[0];
        const int stated = now.stats[0] - before.stats[0];
        EXPECT_GE(stated, 0);
        EXPECT_LE(counted, handed + 1);
        EXPECT_TRUE(counted == stated || counted == stated + 1)
            << "count.txt " << counted << " statistics " << stated << " handed " << handed;
        EXPECT_EQ(IntegrityCheck("ResStatistics.db"), "ok");
        EXPECT_FALSE(HotJournal("ResStatistics.db-journal"));
        if (HasFailure())
            break;
        total += stated;
        before = now;
    }
    std::printf("[ figures  ] 30 kills during verdict writes: %d verdicts' statistics on the disk\n", total);
}
