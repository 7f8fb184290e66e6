// The day change handed to a writer whose turn the test decides: counts made before its outcome
// comes back, days closed meanwhile, the log of a failing move; and the archive step on a full
// file system of its own.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtGlobal>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/faultyfileops.h"
#include "common/waituntil.h"
#include "statistics/dayarchive.h"
#include "statsfixture.h"
#include "vision/records/verdictwriter.h"

namespace {

QStringList gLines;
void Capture(QtMsgType, const QMessageLogContext&, const QString& text)
{
    gLines << text;
}

// In a forked child: a mount namespace of its own with a small tmpfs at `at`; false where none
// can be made here.
bool MountSmall(const QString& at, const char* size)
{
    return unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", qPrintable(at), "tmpfs", 0, size) == 0;
}

// Writes `path` in blocks of `blockSize` until the file system takes no more; false if it cannot
// be opened.
bool FillUp(const QString& path, int blockSize)
{
    QFile fill(path);
    if (!fill.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(blockSize, 'x');
    while (fill.write(block) == block.size() && fill.flush()) {
    }
    fill.close();
    return true;
}

// In a forked child: the program directory made on a small file system of its own at `small`
// and started once, which makes the statistics file. Leaves with 2 where no mount namespace can
// be made here, with 3 where the directory cannot be set up.
void StartOnASmallProgramDir(const QString& small, const ResStatisticsHost& host)
{
    if (!MountSmall(small, "size=256k"))
        _exit(2);
    if (!QDir::setCurrent(small) || !ResStatisticsParam::WriteEmptyFiles(".") || !QDir().mkpath("ResStatistics"))
        _exit(3);
    ResStatisticsParam first(host);
}

// Waits for the forked child and gives its exit code.
void WaitForExit(pid_t child, int* code)
{
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    *code = WEXITSTATUS(status);
}

// A fresh file as a day change leaves it before it takes its name: the template's copy with stage
// 0's OK counts `ok`, stamped 2024-05-02.
bool LeaveFreshFile(const QString& ok)
{
    return QFile::copy("ResStatisticsNULL.db", "ResStatistics.db.new") &&
           ExecOn("ResStatistics.db.new", "update resstatistics set value1 = '" + ok + "' where name = 'Detect0'") &&
           ExecOn("ResStatistics.db.new", "PRAGMA user_version = 20240502");
}

// Stage 0's OK counts of the day in the statistics file at `path`, summed.
int SumOk0(const QString& path)
{
    int n = 0;
    for (int v : ParseCounts(ReadStatRows(path).value("Detect0").first))
        n += v;
    return n;
}

class DayChange : public StatsTest {
protected:
    QList<std::function<bool()>> works;
    QList<std::function<void(bool)>> dones;

    // A complete file, then a start whose commits are written at once and whose day change
    // waits for runWork() and finish().
    void startDeferred()
    {
        startLoaded();
        ResStatisticsHost h = host();
        h.commit = [](const QString& file, const QStringList& statements) { VerdictWriter::CommitNow(file, statements); };
        h.drain = [] { return true; };
        h.roll = [this](std::function<bool()> work, std::function<void(bool)> done) {
            works << work;
            dones << done;
        };
        store.reset();
        store.reset(new ResStatisticsParam(h));
        ASSERT_TRUE(store->isLoaded());
    }
    bool runWork() { return works.takeFirst()(); }
    void finish(bool moved) { dones.takeFirst()(moved); }
    void step() { finish(runWork()); }
    int ok0(const QString& file = "ResStatistics.db")
    {
        int n = 0;
        for (int v : ParseCounts(rows(file).value("Detect0").first))
            n += v;
        return n;
    }
};

}  // namespace

TEST_F(DayChange, CountsMadeWhileTheChangeRunsAreOnDiskBeforeItsOutcomeComesBack)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    store->addTotal(1, true, 0);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    store->addTotal(2, true, 0);  // before the writer's turn: in memory, not in May 1's file
    EXPECT_EQ(ok0(), 1);
    ASSERT_TRUE(runWork());
    store->addTotal(3, true, 0);  // after it, before the outcome
    // A stop here ends the program before `done` runs: the disk must hold both.
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 1, 1}));
    EXPECT_EQ(ok0("ResStatistics/2024-05-01.db"), 1);
    finish(true);
    store->addTotal(4, true, 0);
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 1, 1, 1}));
}

TEST_F(DayChange, ADayClosedWhileTheMoveRunsIsNeverDroppedWhenALaterStepFails)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    store->addTotal(0, true, 0);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    store->addTotal(1, true, 0);
    day = QDate(2024, 5, 2);
    store->nextDay("2024-05-03");
    store->addTotal(2, true, 0);
    day = QDate(2024, 5, 3);
    store->nextDay("2024-05-04");
    store->addTotal(3, true, 0);
    step();  // May 1 archived; the fresh file, made for May 2, closes at once
    ASSERT_EQ(works.size(), 1);
    // May 2's file is gone when its turn comes, and May 3's archive is in the way once.
    ASSERT_TRUE(QFile::remove("ResStatistics.db"));
    ASSERT_TRUE(QDir().mkpath("ResStatistics/2024-05-03.db.part"));
    step();
    ASSERT_TRUE(QDir("ResStatistics/2024-05-03.db.part").removeRecursively());
    store->tryMoveAgain();
    while (!works.isEmpty())
        step();
    EXPECT_FALSE(store->movePending());
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files),
              (QStringList{"2024-05-01.db", "2024-05-02.db", "2024-05-03.db"}));
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-02.db").value("Detect0").first, Counts({0, 1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-03.db").value("Detect0").first, Counts({0, 0, 1}));
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 0, 1}));
}

TEST_F(DayChange, ADayClosedWhileTheArchiveAloneIsTriedKeepsItsFile)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    ASSERT_TRUE(QDir("ResStatistics").removeRecursively());
    dir->write("ResStatistics", "a file where the folder belongs");
    store->addTotal(0, true, 0);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    step();
    store->addTotal(1, true, 0);
    ASSERT_TRUE(QFile::remove("ResStatistics"));
    store->tryMoveAgain();  // the archive alone, still to run when May 2 closes
    day = QDate(2024, 5, 2);
    store->nextDay("2024-05-03");
    store->addTotal(2, true, 0);
    while (!works.isEmpty())
        step();
    EXPECT_FALSE(store->movePending());
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-02.db").value("Detect0").first, Counts({0, 1}));
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 1}));
}

TEST_F(DayChange, AFailingMoveIsLoggedOnceAMinuteWithoutQtsWarningsAndItsSuccessOnce)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    ASSERT_TRUE(QDir("ResStatistics").removeRecursively());
    dir->write("ResStatistics", "a file where the folder belongs");
    gLines.clear();
    const QtMessageHandler was = qInstallMessageHandler(Capture);
    store->nextDay("2024-05-02");
    step();
    for (int i = 0; i < 10; ++i) {
        store->tryMoveAgain();
        step();
    }
    QFile::remove("ResStatistics");
    store->tryMoveAgain();
    step();
    store->tryMoveAgain();
    qInstallMessageHandler(was);
    EXPECT_TRUE(works.isEmpty());
    ASSERT_EQ(gLines.size(), 2) << gLines.join("\n").toStdString();
    EXPECT_TRUE(gLines[0].contains("not moved into")) << gLines[0].toStdString();
    EXPECT_TRUE(gLines[1].contains("done after failed tries")) << gLines[1].toStdString();
    EXPECT_TRUE(QFile::exists("ResStatistics/2024-05-01.db"));
}

// The archive folder on a file system of its own (a child in a mount namespace of its own, as
// root), full: nothing that is not whole is left there, and the day goes once space is back.
TEST_F(StatsTest, AFullArchiveFileSystemKeepsNoPartialArchiveAndTheDayGoesWholeOnceSpaceIsBack)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    startLoaded();
    store->addTotal(5, true, 2);
    store.reset();
    ASSERT_TRUE(QFile::rename("ResStatistics.db", "ResStatistics-2024-05-01.db"));
    const QString aside = dir->file("ResStatistics-2024-05-01.db");
    const StatRows closed = ReadStatRows(aside);
    const QString archive = dir->file("ResStatistics");
    const QString file = dir->file("ResStatistics.db");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Codes: 10+ what failed.
        if (!MountSmall(archive, "size=64k") || !FillUp(archive + "/fill", 4096))
            _exit(2);
        for (int i = 0; i < 3; ++i) {
            QStringList made;
            QString error;
            if (DayArchive::ArchiveWaiting(file, archive, &made, &error))
                _exit(10);
            if (QDir(archive).entryList(QDir::Files) != QStringList{"fill"})
                _exit(11);
        }
        QFile::remove(archive + "/fill");
        QStringList made;
        QString error;
        if (!DayArchive::ArchiveWaiting(file, archive, &made, &error) || made != QStringList{archive + "/2024-05-01.db"})
            _exit(12);
        if (QDir(archive).entryList(QDir::Files) != QStringList{"2024-05-01.db"} || QFile::exists(aside))
            _exit(13);
        if (ReadStatRows(archive + "/2024-05-01.db") != closed)
            _exit(14);
        _exit(0);
    }
    int code = 0;
    ASSERT_NO_FATAL_FAILURE(WaitForExit(child, &code));
    if (code == 2)
        GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(code, 0) << "10: archived on a full file system, 11: a partial archive left, 12: not "
                          "archived with space back, 13: not once, 14: not whole";
}

TEST(DayArchiveTarget, TakesTheNameOfAnEmptyLeftoverAndStepsPastAWholeArchive)
{
    ProgramDir dir;
    QDir().mkpath("a");
    EXPECT_EQ(DayArchive::ArchiveTarget("a", "2024-05-01"), "a/2024-05-01.db");
    dir.write("a/2024-05-01.db", "");
    EXPECT_EQ(DayArchive::ArchiveTarget("a", "2024-05-01"), "a/2024-05-01.db");
    dir.write("a/2024-05-01.db", "whole");
    EXPECT_EQ(DayArchive::ArchiveTarget("a", "2024-05-01"), "a/2024-05-01_2.db");

    // Only the days set aside wait for the archive, a file of a like name never.
    for (const char* name : {"ResStatistics-2024-05-01.db", "ResStatistics-2024-05-01_2.db", "ResStatistics-old.db",
                             "ResStatistics-2024-05-02.db.part", "ResStatistics-2024-05-03.dbx"})
        dir.write(name, "x");
    EXPECT_EQ(DayArchive::Waiting(dir.file("ResStatistics.db")),
              (QStringList{dir.file("ResStatistics-2024-05-01.db"), dir.file("ResStatistics-2024-05-01_2.db")}));
}

// The program directory on a small file system of its own (a child in a mount namespace of its
// own, as root) that is full at the day change: the change waits with the counts in memory and
// is done once space is back, every count in its day.
TEST_F(StatsTest, AFullProgramDirectoryAtTheDayChangeKeepsEveryCountInItsDayOnceSpaceIsBack)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const QString small = dir->file("small");
    ASSERT_TRUE(QDir().mkpath(small));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        StartOnASmallProgramDir(small, host());
        auto s = std::make_unique<ResStatisticsParam>(host());
        s->addTotal(23, true, 0);
        if (!FillUp("fill", 1024))
            _exit(3);
        const bool changed = s->nextDay("2024-05-02");
        s->addTotal(0, true, 0);
        s->addTotal(0, true, 0);
        s->tryMoveAgain();
        if (changed || !s->movePending())
            _exit(10);
        if (ParseCounts(ReadStatRows("ResStatistics.db").value("Detect0").first)[23] != 1)
            _exit(11);
        QFile::remove("fill");
        s->tryMoveAgain();
        if (s->movePending())
            _exit(12);
        s->addTotal(0, true, 0);
        QList<int> at23 = ParseCounts("");
        at23[23] = 1;
        if (ReadStatRows("ResStatistics/2024-05-01.db").value("Detect0").first != JoinCounts(at23))
            _exit(13);
        if (ReadStatRows("ResStatistics.db").value("Detect0").first != Counts({3}))
            _exit(14);
        s.reset();
        _exit(0);
    }
    int code = 0;
    ASSERT_NO_FATAL_FAILURE(WaitForExit(child, &code));
    if (code == 2)
        GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(code, 0) << "3: set-up, 10: changed on a full directory, 11: the closed day changed, "
                          "12: not changed with space back, 13: the closed day, 14: today";
}

// The same full directory, with counts of the closing day made after it filled: their writes
// fail, so memory alone holds them when the day closes, and they must reach the closed day's file.
TEST_F(StatsTest, CountsTheFullDirectoryRefusedBeforeTheDayChangeReachTheClosedDay)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const QString small = dir->file("small");
    ASSERT_TRUE(QDir().mkpath(small));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        StartOnASmallProgramDir(small, host());
        auto s = std::make_unique<ResStatisticsParam>(host());
        s->addTotal(22, true, 0);
        if (!FillUp("fill", 1024))
            _exit(3);
        s->addTotal(23, true, 0);
        s->add(23, false, 0, 1);
        if (ParseCounts(ReadStatRows("ResStatistics.db").value("Detect0").first)[23] != 0)
            _exit(3);  // the full directory took the write: nothing shown
        s->nextDay("2024-05-02");
        QFile::remove("fill");
        s->tryMoveAgain();
        if (s->movePending())
            _exit(10);
        const StatRows closed = ReadStatRows("ResStatistics/2024-05-01.db");
        if (closed.value("Detect0").first != Counts({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}))
            _exit(11);
        if (closed.value("C1_D0").second != Counts({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}))
            _exit(12);
        s.reset();
        _exit(0);
    }
    int code = 0;
    ASSERT_NO_FATAL_FAILURE(WaitForExit(child, &code));
    if (code == 2)
        GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(code, 0) << "3: set-up, 10: not changed with space back, 11: a stage count lost, "
                          "12: a camera count lost";
}

// ResStatistics.db taken away during the day (the next commit makes no file in its place), so the
// closed day's counts exist only in memory; they are its archive.
TEST_F(DayChange, AClosedDayWhoseFileWasEmptiedIsArchivedWholeFromMemory)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    store->addTotal(1, true, 0);
    ASSERT_TRUE(QFile::remove("ResStatistics.db"));
    store->addTotal(2, true, 0);
    ASSERT_EQ(QFileInfo("ResStatistics.db").size(), 0);
    store->nextDay("2024-05-02");
    step();
    store->addTotal(3, true, 0);
    EXPECT_FALSE(store->movePending());
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), QStringList{"2024-05-01.db"});
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({0, 1, 1}));
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 0, 1}));
}

// Stopped between the day change's two renames (the closed day set aside, the fresh file not yet
// in place), started again two days later: each day goes into its own archive with its counts.
TEST_F(StatsTest, AStopBetweenTheTwoRenamesThenADayChangeAtTheStartKeepsEachDay)
{
    startLoaded();
    store->addTotal(1, true, 0);
    store.reset();
    ASSERT_TRUE(LeaveFreshFile(Counts({0, 0, 1})));
    ASSERT_TRUE(QFile::rename("ResStatistics.db", "ResStatistics-2024-05-01.db"));
    day = QDate(2024, 5, 4);
    start();
    ASSERT_TRUE(store->isLoaded());
    EXPECT_EQ(store->getCurDate(), "2024-05-02");
    day = QDate(2024, 5, 2);  // the controller holds the file's day until the change
    EXPECT_TRUE(store->nextDay("2024-05-04"));
    store->addTotal(3, true, 0);
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), (QStringList{"2024-05-01.db", "2024-05-02.db"}));
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({0, 1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-02.db").value("Detect0").first, Counts({0, 0, 1}));
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 0, 1}));
    EXPECT_EQ(QDir().entryList({"ResStatistics*"}, QDir::Files), (QStringList{"ResStatistics.db", "ResStatisticsNULL.db"}));
}

// Every rename of the fresh file fails (the closed day is set aside already), each count tries the
// change again and is handed behind it, then the program stops: the next start finds today's
// counts in place, no empty file and no file left beside it.
TEST_F(DayChange, AFreshFileThatCannotTakeItsNameThenAStopKeepsTodaysCountsForTheStart)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    store->addTotal(1, true, 0);
    store->addTotal(1, true, 0);
    auto ops = std::make_unique<FaultyFileOps>();
    ops->FailRenamesFrom("ResStatistics.db.new");
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    ASSERT_FALSE(runWork());
    store->addTotal(2, true, 0);  // handed behind the change: written after its try
    finish(false);
    store->tryMoveAgain();
    ASSERT_FALSE(runWork());
    store->addTotal(3, false, 0);
    finish(false);
    EXPECT_FALSE(QFileInfo::exists("ResStatistics.db")) << "a write made the file";
    store.reset();  // the stop
    ops.reset();
    ASSERT_NO_FATAL_FAILURE(startCleanOn(QDate(2024, 5, 2)));
    EXPECT_EQ(rows().value("Detect0"), qMakePair(Counts({0, 0, 1}), Counts({0, 0, 0, 1})));
    EXPECT_EQ(store->okTotalOf(0)[2], 1);
    EXPECT_EQ(store->ngTotalOf(0)[3], 1);
    EXPECT_EQ(QDir().entryList({"ResStatistics*"}, QDir::Files),
              (QStringList{"ResStatistics-2024-05-01.db", "ResStatistics.db", "ResStatisticsNULL.db"}));
    store->tryMoveAgain();
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({0, 2}));
}

// The closed day cannot be set aside: the fresh file made for today is kept with today's counts,
// and a start after a stop finishes the change.
TEST_F(DayChange, AFreshFileWhoseDayCouldNotBeSetAsideIsKeptAndPutInPlaceAtTheStart)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    store->addTotal(1, true, 0);
    auto ops = std::make_unique<FaultyFileOps>();
    ops->FailRenamesFrom("/ResStatistics.db");
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    ASSERT_FALSE(runWork());
    finish(false);
    store->addTotal(2, true, 0);  // in memory until the next try
    store->tryMoveAgain();
    ASSERT_FALSE(runWork());
    store->addTotal(3, true, 0);  // handed behind the try: into the fresh file, not the closed day's
    finish(false);
    EXPECT_EQ(rows("ResStatistics.db.new").value("Detect0").first, Counts({0, 0, 1, 1}));
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 1}));
    store.reset();
    ops.reset();
    ASSERT_NO_FATAL_FAILURE(startCleanOn(QDate(2024, 5, 2)));
    EXPECT_EQ(store->okTotalOf(0)[2], 1);
    EXPECT_EQ(store->okTotalOf(0)[3], 1);
    EXPECT_FALSE(QFileInfo::exists("ResStatistics.db.new"));
    EXPECT_EQ(rows("ResStatistics-2024-05-01.db").value("Detect0").first, Counts({0, 1}));
}

// What an earlier version left at a stop: an empty ResStatistics.db (made by a write) beside the
// whole fresh file. It is finished like a missing file, also where the rename fails at the start.
TEST_F(StatsTest, AnEmptyFileBesideAWholeFreshFileIsFinishedLikeAMissingOne)
{
    for (const bool renameFails : {false, true}) {
        SCOPED_TRACE(renameFails ? "the rename fails" : "the rename works");
        store.reset();
        for (const QString& f : QDir().entryList({"ResStatistics*"}, QDir::Files))
            QFile::remove(f);
        day = QDate(2024, 5, 1);
        startLoaded();
        store->addTotal(1, true, 0);
        store.reset();
        ASSERT_TRUE(LeaveFreshFile(Counts({0, 0, 4})));
        ASSERT_TRUE(QFile::rename("ResStatistics.db", "ResStatistics-2024-05-01.db"));
        ASSERT_TRUE(dir->write("ResStatistics.db", ""));
        FaultyFileOps ops;
        if (renameFails)
            ops.FailRenamesFrom("ResStatistics.db.new");
        ASSERT_NO_FATAL_FAILURE(startCleanOn(QDate(2024, 5, 2)));
        EXPECT_EQ(store->okTotalOf(0)[2], 4);
        EXPECT_EQ(QDir().entryList({"ResStatistics*"}, QDir::Files),
                  (QStringList{"ResStatistics-2024-05-01.db", "ResStatistics.db", "ResStatisticsNULL.db"}));
    }
}

// A fresh file of an earlier day than the file's is a leftover: the file stays today's and the
// leftover's counts go with the closed days, never away.
TEST_F(StatsTest, AFreshFileOlderThanTheFileGoesWithTheClosedDays)
{
    startLoaded();
    store->addTotal(1, true, 0);
    store.reset();
    ASSERT_TRUE(ExecOn("ResStatistics.db", "PRAGMA user_version = 20240503"));
    ASSERT_TRUE(LeaveFreshFile(Counts({0, 0, 4})));
    ASSERT_NO_FATAL_FAILURE(startCleanOn(QDate(2024, 5, 3)));
    EXPECT_EQ(store->okTotalOf(0)[1], 1);
    EXPECT_FALSE(QFileInfo::exists("ResStatistics.db.new"));
    EXPECT_EQ(rows("ResStatistics-2024-05-02.db").value("Detect0").first, Counts({0, 0, 4}));
}

// A damaged file beside a whole fresh file: the damaged one is kept aside as any damaged file
// and the fresh one takes its place with today's counts.
TEST_F(StatsTest, ADamagedFileBesideAWholeFreshFileGivesWayToIt)
{
    startLoaded();
    store.reset();
    ASSERT_TRUE(LeaveFreshFile(Counts({0, 0, 4})));
    ASSERT_TRUE(dir->write("ResStatistics.db", QByteArray(4096, 'x')));
    ASSERT_NO_FATAL_FAILURE(startCleanOn(QDate(2024, 5, 2)));
    EXPECT_EQ(store->okTotalOf(0)[2], 4);
    EXPECT_FALSE(QFileInfo::exists("ResStatistics.db.new"));
    EXPECT_EQ(QDir().entryList({"ResStatistics.db.*"}, QDir::Files).size(), 1) << "the damaged file kept aside";
}

// 25 tries of a change whose fresh file cannot take its name, a count with each, then one that
// works: one line for the failure (what was done and where the counts are), one for the success,
// none for the counts that wait.
TEST_F(DayChange, AFailingRenameIsToldOnceWithWhatWasDoneItsSuccessOnceAndTheWaitingCountsNever)
{
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    auto ops = std::make_unique<FaultyFileOps>();
    ops->FailRenamesFrom("ResStatistics.db.new");
    gLines.clear();
    const QtMessageHandler was = qInstallMessageHandler(Capture);
    store->nextDay("2024-05-02");
    for (int i = 0; i < 25; ++i) {
        if (i > 0)
            store->tryMoveAgain();
        runWork();
        store->addTotal(0, true, 0);
        finish(false);
    }
    ops.reset();
    store->tryMoveAgain();
    const bool moved = runWork();
    store->addTotal(0, true, 0);
    finish(moved);
    qInstallMessageHandler(was);
    EXPECT_TRUE(moved);
    EXPECT_FALSE(store->movePending());
    EXPECT_EQ(rows().value("Detect0").first, Counts({26}));
    ASSERT_EQ(gLines.size(), 2) << gLines.join("\n").toStdString();
    EXPECT_TRUE(gLines[0].contains("ResStatistics-2024-05-01.db")) << gLines[0].toStdString();
    EXPECT_FALSE(gLines[0].contains("stays as it is")) << gLines[0].toStdString();
    EXPECT_TRUE(gLines[1].contains("done after failed tries (25 of them)")) << gLines[1].toStdString();
}

// Days a stop left in the program folder are archived at the start: that is no failed try.
TEST_F(DayChange, ADayLeftFromBeforeTheStartIsArchivedWithoutATaleOfFailedTries)
{
    startLoaded();
    store->addTotal(1, true, 0);
    store.reset();
    ASSERT_TRUE(QFile::rename("ResStatistics.db", "ResStatistics-2024-05-01.db"));
    ASSERT_TRUE(QFile::copy("ResStatisticsNULL.db", "ResStatistics.db"));
    ASSERT_TRUE(ExecOn("ResStatistics.db", "PRAGMA user_version = 20240502"));
    day = QDate(2024, 5, 2);
    gLines.clear();
    const QtMessageHandler was = qInstallMessageHandler(Capture);
    ASSERT_NO_FATAL_FAILURE(startDeferred());
    store->tryMoveAgain();
    while (!works.isEmpty())
        step();
    qInstallMessageHandler(was);
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({0, 1}));
    for (const QString& line : gLines)
        EXPECT_FALSE(line.contains("failed")) << line.toStdString();
}

// The archive on a slow disk of its own: its copy waits for its sync on the writer's second
// thread when a stop signal comes. The counts of the new day handed over meanwhile are on the
// disk when the stop ends (nothing holds them behind the copy), and the disk as the killed copy
// leaves it (its part file not synced, the closed day still set aside) is finished at the next
// start with every count in its day.
TEST_F(DayChange, AStopWhileTheArchiveCopyWaitsForItsDiskLosesNoCountAndTheNextStartFinishesIt)
{
    startLoaded();
    auto writer = std::make_unique<VerdictWriter>();
    writer->start();
    VerdictWriter* w = writer.get();
    auto handed = [](std::function<void(std::function<void()>)> hand) {
        return [hand](std::function<bool()> work, std::function<void(bool)> done) {
            hand([work, done] {
                const bool ok = work();
                QMetaObject::invokeMethod(QCoreApplication::instance(), [done, ok] { done(ok); }, Qt::QueuedConnection);
            });
        };
    };
    ResStatisticsHost h = host();
    h.commit = [w](const QString& file, const QStringList& statements) { w->Commit(file, statements); };
    h.drain = [w] { return w->Flush(2000); };
    h.roll = handed([w](std::function<void()> task) { w->Run(task); });
    h.archive = handed([w](std::function<void()> task) { w->RunBeside(task); });
    store.reset();
    store.reset(new ResStatisticsParam(h));
    ASSERT_TRUE(store->isLoaded());

    const QString archive = QDir("ResStatistics").absolutePath() + "/";
    FaultyFileOps ops;
    ops.CrossDeviceInto(archive);
    ops.HoldSyncsUnder(archive);
    store->addTotal(1, true, 0);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
        return !store->movePending() && ops.heldSyncs() > 0;
    }, 10000)) << "the copy never reached its disk";
    store->addTotal(2, true, 0);
    store->addTotal(3, true, 0);

    // The stop as the signal runs it: the writer flushed and stopped, the store let go, the
    // copy still waiting.
    for (int round = 0; round < 3 && w->Flush(2000) && w->pending(); ++round)
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    EXPECT_TRUE(w->Stop(2000));
    store.reset();
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 1, 1})) << "the new day's counts waited behind the copy";
    EXPECT_EQ(DayArchive::StampOf(dir->file("ResStatistics.db")), 20240502);
    EXPECT_EQ(ok0("ResStatistics-2024-05-01.db"), 1);

    // What the disk holds when the process ends here, started again elsewhere.
    QTemporaryDir after;
    ASSERT_TRUE(after.isValid());
    ASSERT_EQ(QProcess::execute("cp", {"-a", dir->path() + "/.", after.path()}), 0);
    EXPECT_TRUE(QFileInfo::exists(after.path() + "/ResStatistics/2024-05-01.db.part"));
    ops.Release();
    writer.reset();  // the copy in the first directory ends
    ops.CrossDeviceInto(after.path() + "/ResStatistics/");  // still a file system of its own
    const QString was = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(after.path()));
    day = QDate(2024, 5, 2);
    store.reset(new ResStatisticsParam(host()));
    ASSERT_TRUE(store->isLoaded());
    EXPECT_EQ(store->getCurDate(), "2024-05-02");
    store->tryMoveAgain();
    EXPECT_FALSE(store->archivePending());
    store->addTotal(4, true, 0);
    store.reset();
    EXPECT_EQ(SumOk0(after.path() + "/ResStatistics.db"), 3);
    EXPECT_EQ(SumOk0(after.path() + "/ResStatistics/2024-05-01.db"), 1);
    EXPECT_FALSE(QFileInfo::exists(after.path() + "/ResStatistics-2024-05-01.db"));
    EXPECT_FALSE(QFileInfo::exists(after.path() + "/ResStatistics/2024-05-01.db.part"));
    QDir::setCurrent(was);
}

namespace {
QStringList gSetAsideLines;
void CaptureSetAside(QtMsgType, const QMessageLogContext&, const QString& text)
{
    gSetAsideLines << text;
}
}  // namespace

// A fresh file SQLite cannot read, found at a start or by a day change: it is set aside under a
// name of its own with its bytes, the day changes, only the latest few are kept (the one that goes
// is named), and the stop is told.
TEST_F(StatsTest, AnUnreadableFreshFileIsSetAsideAndTheDayChanges)
{
    const QByteArray junk(4096, 'x');
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "at the start" : "during the run");
        dir.reset();
        dir.reset(new ProgramDir);
        QDir().mkpath("ResStatistics");
        day = QDate(2024, 5, 1);
        startLoaded();
        store->addTotal(1, true, 0);
        if (atStart) {
            store.reset();
            ASSERT_TRUE(dir->write("ResStatistics.db.new", junk));
            ASSERT_NO_FATAL_FAILURE(startCleanOn(day));
        } else {
            for (int n = 1; n <= DayArchive::kUnreadableKept; ++n)
                ASSERT_TRUE(dir->write(QString("ResStatistics.db.new-unreadable-%1").arg(n), "old"));
            ASSERT_TRUE(dir->write("ResStatistics.db.new", junk));
        }
        const QString aside =
            QString("ResStatistics.db.new-unreadable-%1").arg(atStart ? 1 : DayArchive::kUnreadableKept + 1);
        gSetAsideLines.clear();
        const QtMessageHandler old = qInstallMessageHandler(CaptureSetAside);
        const bool changed = store->nextDay("2024-05-02");
        qInstallMessageHandler(old);
        day = QDate(2024, 5, 2);
        EXPECT_TRUE(changed);
        EXPECT_FALSE(store->movePending());
        EXPECT_EQ(dir->read(aside), junk);
        EXPECT_FALSE(QFileInfo::exists("ResStatistics.db.new"));
        EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({0, 1}));
        EXPECT_EQ(QDir().entryList({"ResStatistics.db.new-unreadable-*"}, QDir::Files).size(),
                  atStart ? 1 : DayArchive::kUnreadableKept);
        if (!atStart) {
            EXPECT_FALSE(QFileInfo::exists("ResStatistics.db.new-unreadable-1"));
            EXPECT_TRUE(gSetAsideLines.filter("ResStatistics.db.new-unreadable-1 removed").size() == 1)
                << gSetAsideLines.join('\n').toStdString();
        }
        EXPECT_TRUE(store->leftOut().contains("set aside as " + aside)) << store->leftOut().toStdString();
        store.reset();
    }
}
