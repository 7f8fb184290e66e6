#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <csignal>
#include <sys/resource.h>

#include "statsfixture.h"

namespace {
const QString kZeros = Counts({});
const QString kCreate =
    "CREATE TABLE resstatistics ( 'name' TEXT NOT NULL, 'value1' varchar(255), 'value2' varchar(255), PRIMARY KEY('name') )";

void ExpectCompleteZeroFile(const StatRows& r)
{
    ASSERT_EQ(r.size(), 73);
    EXPECT_EQ(r.value("plan"), qMakePair(QString("0"), QString("")));
    for (int d = 0; d < 8; ++d) {
        EXPECT_EQ(r.value(QString("Detect%1").arg(d)), qMakePair(kZeros, kZeros)) << d;
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(r.value(QString("C%1_D%2").arg(c).arg(d)), qMakePair(kZeros, kZeros)) << c << d;
    }
}

// The day a statistics file is stamped with (yyyyMMdd), 0 when none.
int StampOf(const QString& file)
{
    int stamp = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stats_stamp");
        db.setDatabaseName(file);
        QSqlQuery q(db);
        if (db.open() && q.exec("PRAGMA user_version") && q.next())
            stamp = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("stats_stamp");
    return stamp;
}

bool SetChanged(const QString& file, const QDateTime& when)
{
    QFile f(file);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}
}  // namespace

// --- start-up: making the file, the template and the reboot

TEST_F(StatsTest, FreshFolderMakesTheTableAllRowsTheTemplateAndReboots)
{
    start();
    EXPECT_EQ(warnings.value(0), "统计文件不存在，需要重启来生成它");
    QString sql;
    ExpectCompleteZeroFile(rows("ResStatistics.db", &sql));
    EXPECT_EQ(sql, kCreate);
    ExpectCompleteZeroFile(rows("ResStatisticsNULL.db"));
    EXPECT_EQ(runner->lines(), QStringList{"reboot"});
    // Not loaded until the restart: nothing is counted.
    EXPECT_EQ(store->add(5, true, 1, 2), 0);
    EXPECT_EQ(store->addTotal(5, true, 1), 0);
    EXPECT_EQ(store->okOf(1, 2).size(), 24);
}

TEST_F(StatsTest, ZeroLengthFileIsMadeFromTheTemplateAndReboots)
{
    start();
    ASSERT_TRUE(ExecOn(dir->file("ResStatisticsNULL.db"), "update resstatistics set value1='7' where name='plan'"));
    runner->calls.clear();
    dir->write("ResStatistics.db", "");
    start();
    EXPECT_EQ(rows().value("plan").first, "7");
    EXPECT_EQ(rows().size(), 73);
    EXPECT_EQ(runner->lines(), QStringList{"reboot"});
}

TEST_F(StatsTest, AnEmptyTemplateWarnsInsteadOfRebootingAtEveryStart)
{
    dir->write("ResStatisticsNULL.db", "");
    start();
    EXPECT_TRUE(runner->calls.isEmpty());
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_EQ(warnings[1], gaLanStr[544 * LAN_COUNT + 1]);
    EXPECT_FALSE(store->isLoaded());
    EXPECT_EQ(store->add(0, false, 0, 0), 0);
    EXPECT_TRUE(store->nextDay("2024-05-02"));
    EXPECT_EQ(store->getCurDate(), "2024-05-02");
}

TEST_F(StatsTest, MissingRowsAreInsertedAsZerosAndPresentRowsKept)
{
    start();
    const QString f = dir->file("ResStatistics.db");
    ASSERT_TRUE(ExecOn(f, "delete from resstatistics where name in ('C3_D4','Detect2','plan')"));
    ASSERT_TRUE(ExecOn(f, "update resstatistics set value1='" + Counts({4, 5}) + "', value2='1 2 3' where name='C1_D1'"));
    start();
    EXPECT_TRUE(runner->lines() == QStringList{"reboot"});  // only the first start's
    EXPECT_TRUE(warnings.size() == 1);
    const StatRows r = rows();
    EXPECT_EQ(r.size(), 73);
    EXPECT_EQ(r.value("C3_D4"), qMakePair(kZeros, kZeros));
    EXPECT_EQ(r.value("Detect2"), qMakePair(kZeros, kZeros));
    EXPECT_EQ(r.value("plan").first, "0");
    EXPECT_EQ(r.value("C1_D1").second, "1 2 3");
    EXPECT_EQ(store->okOf(1, 1).mid(0, 3), (QList<int>{4, 5, 0}));
    // A short count text is zero-filled to 24 in memory.
    EXPECT_EQ(store->ngOf(1, 1), ParseCounts(Counts({1, 2, 3})));
    EXPECT_EQ(store->getCurDate(), "2024-05-01");
}

TEST_F(StatsTest, ShippedFilesLoadWithoutWarningOrReboot)
{
    const QString exe = buildDir() + "/makedb";
    ASSERT_EQ(QProcess::execute(exe, {dir->path(), dir->file("paraGroup/default")}), 0);
    EXPECT_FALSE(QFile::exists("paraGroup/default/ResStatistics.db"));  // a group restore must not wipe the day
    QString sql;
    ExpectCompleteZeroFile(rows("ResStatistics.db", &sql));
    EXPECT_EQ(sql, kCreate);
    ExpectCompleteZeroFile(rows("ResStatisticsNULL.db"));
    start();
    EXPECT_TRUE(store->isLoaded());
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(runner->calls.isEmpty());
}

TEST(CountText, ReadsTwentyFourCountsWhateverTheText)
{
    EXPECT_EQ(ParseCounts("  1\t2  x 4\n"), ParseCounts(Counts({1, 2, 0, 4})));
    QList<int> thirty;
    for (int i = 1; i <= 30; ++i)
        thirty << i;
    EXPECT_EQ(ParseCounts(JoinCounts(thirty)), thirty.mid(0, 24));
    EXPECT_EQ(ParseCounts("").size(), 24);
    EXPECT_EQ(JoinCounts({0, 12, 3}), "0 12 3");
}

// --- counting

TEST_F(StatsTest, AddCountsOneCameraAndRewritesTheStagesRowsOnly)
{
    startLoaded();
    const QString f = dir->file("ResStatistics.db");
    ASSERT_TRUE(ExecOn(f, "update resstatistics set value1='stale' where name in ('C0_D1','C0_D2')"));

    EXPECT_EQ(store->add(5, true, 1, 8), 0);
    EXPECT_EQ(rows().value("C0_D1").first, "stale");

    EXPECT_EQ(store->add(5, true, 1, 2), 1);
    const StatRows r = rows();
    EXPECT_EQ(r.value("C2_D1").first, Counts({0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(r.value("C0_D1").first, kZeros);   // every camera's row of stage 1 written
    EXPECT_EQ(r.value("C0_D2").first, "stale");  // other stages untouched
    EXPECT_EQ(store->okOf(1, 2)[5], 1);
}

TEST_F(StatsTest, IndicesOutsideTheListsChangeNothing)
{
    startLoaded();
    const StatRows before = rows();
    EXPECT_EQ(store->add(24, true, 1, 1), 0);
    EXPECT_EQ(store->add(-1, false, 1, 1), 0);
    EXPECT_EQ(store->add(0, true, 8, 1), 0);
    EXPECT_EQ(store->add(0, true, 1, 9), 0);
    EXPECT_EQ(store->addTotal(24, true, 1), 0);
    EXPECT_EQ(store->addTotal(0, true, 8), 0);
    store->reset(3, 9, 0);
    store->setFindRes(8, 0);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(screenUpdates, 0);
}

TEST_F(StatsTest, ShiftSumsFollowTheHourSlots)
{
    start();
    QList<int> hours;
    for (int i = 1; i <= 24; ++i)
        hours << i;
    ASSERT_TRUE(ExecOn(dir->file("ResStatistics.db"),
                       "update resstatistics set value1='" + JoinCounts(hours) + "' where name='Detect1'"));
    start();
    EXPECT_EQ(store->okTotalOf(1), hours);
    EXPECT_EQ(store->getCount(0, true), 78);
    EXPECT_EQ(store->getCount(1, true), 222);
    EXPECT_EQ(store->getCount(2, true), 300);
    EXPECT_EQ(store->getCount(1, false), 0);
    EXPECT_EQ(store->getCount(3, true), 0);
    EXPECT_EQ(store->getRes(1, true), hours.mid(12));
    EXPECT_TRUE(store->getRes(3, false).isEmpty());
}

TEST_F(StatsTest, AStageTotalRefreshesTheScreenOnlyWhileItShowsToday)
{
    startLoaded();
    EXPECT_EQ(store->addTotal(12, false, 1), 1);  // clock hour 20: night shift
    EXPECT_EQ(screenUpdates, 1);
    EXPECT_EQ(store->getCount(1, false), 1);
    EXPECT_EQ(rows().value("Detect1").second, Counts({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    today = false;
    store->addTotal(3, true, 1);
    EXPECT_EQ(screenUpdates, 1);
    EXPECT_EQ(store->getCount(0, true), 0);  // the shown (archived) figures stay
    store->setCurPlan(450);
    EXPECT_EQ(rows().value("plan").first, "450");
}

// --- day rollover

TEST_F(StatsTest, RolloverArchivesTheDayAndStartsAFreshFile)
{
    startLoaded();
    store->add(3, false, 1, 0);
    store->addTotal(3, false, 1);
    store->setCurPlan(99);
    ASSERT_TRUE(store->nextDay("2024-05-02"));

    const StatRows archived = rows("ResStatistics/2024-05-01.db");
    EXPECT_EQ(archived.value("Detect1").second, Counts({0, 0, 0, 1}));
    EXPECT_EQ(archived.value("C0_D1").second, Counts({0, 0, 0, 1}));
    EXPECT_EQ(archived.value("plan").first, "99");
    ExpectCompleteZeroFile(rows());
    EXPECT_EQ(store->ngTotalOf(1), ParseCounts(""));
    EXPECT_EQ(store->ngOf(1, 0), ParseCounts(""));
    EXPECT_EQ(store->getCurDate(), "2024-05-02");

    // The same closing date again keeps the first archive.
    store->addTotal(0, true, 2);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db"), archived);
    EXPECT_EQ(rows("ResStatistics/2024-05-01_2.db").value("Detect2").first, Counts({1}));
}

TEST_F(StatsTest, RolloverWithoutTemplateStillMakesACompleteFile)
{
    startLoaded();
    ASSERT_TRUE(QFile::remove("ResStatisticsNULL.db"));
    store->setCurPlan(5);
    store->setPlan(5);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    ExpectCompleteZeroFile(rows());
    store->add(1, true, 0, 0);
    EXPECT_EQ(rows().value("C0_D0").first, Counts({0, 1}));
}

TEST_F(StatsTest, WhileTheArchiveFolderIsUnusableTheClosedDayWaitsAsItWasAndTodayIsCountedOnDisk)
{
    startLoaded();
    store->addTotal(2, true, 1);
    store->setCurPlan(40);
    ASSERT_TRUE(QDir("ResStatistics").removeRecursively());
    dir->write("ResStatistics", "a file where the folder belongs");
    const StatRows closed = rows();
    EXPECT_TRUE(store->nextDay("2024-05-02"));
    EXPECT_FALSE(store->movePending());
    EXPECT_TRUE(store->archivePending());
    EXPECT_EQ(store->getCurDate(), "2024-05-02");
    EXPECT_EQ(store->okTotalOf(1), ParseCounts(""));
    EXPECT_EQ(rows("ResStatistics-2024-05-01.db"), closed);
    EXPECT_EQ(StampOf(dir->file("ResStatistics-2024-05-01.db")), 20240501);
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240502);
    store->addTotal(2, true, 1);
    store->add(2, false, 1, 3);
    store->setCurPlan(41);
    store->tryMoveAgain();  // still failing
    EXPECT_EQ(rows("ResStatistics-2024-05-01.db"), closed) << "the new day counted into the closed day's file";
    // Today's counts are on the disk at once: a stop (no destructor runs) keeps them.
    StatRows today = rows();
    EXPECT_EQ(today.value("Detect1").first, Counts({0, 0, 1}));
    EXPECT_EQ(today.value("C3_D1").second, Counts({0, 0, 1}));
    EXPECT_EQ(today.value("plan").first, "41");

    ASSERT_TRUE(QFile::remove("ResStatistics"));
    store->tryMoveAgain();
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db"), closed);
    EXPECT_FALSE(QFile::exists("ResStatistics-2024-05-01.db"));
    EXPECT_EQ(rows(), today);
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240502);
    store->addTotal(2, true, 1);
    EXPECT_EQ(rows().value("Detect1").first, Counts({0, 0, 2}));
}

TEST_F(StatsTest, DaysClosedWhileTheArchiveFailsEachGetAnArchiveOfTheirOwnAlsoAfterARestart)
{
    startLoaded();
    store->addTotal(0, true, 0);
    ASSERT_TRUE(QDir("ResStatistics").removeRecursively());
    dir->write("ResStatistics", "a file where the folder belongs");
    EXPECT_TRUE(store->nextDay("2024-05-02"));
    store->addTotal(1, true, 0);
    day = QDate(2024, 5, 2);
    EXPECT_TRUE(store->nextDay("2024-05-03"));
    store->addTotal(2, true, 0);
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 1}));
    EXPECT_EQ(rows("ResStatistics-2024-05-02.db").value("Detect0").first, Counts({0, 1}));

    // Stopped, mended, started again: the first check archives the days set aside.
    store.reset();
    ASSERT_TRUE(QFile::remove("ResStatistics"));
    day = QDate(2024, 5, 3);
    start();
    EXPECT_EQ(store->getCurDate(), "2024-05-03");
    EXPECT_TRUE(store->archivePending());
    store->tryMoveAgain();
    EXPECT_FALSE(store->archivePending());
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), (QStringList{"2024-05-01.db", "2024-05-02.db"}));
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-02.db").value("Detect0").first, Counts({0, 1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-02.db").size(), 73);
    EXPECT_EQ(StampOf(dir->file("ResStatistics/2024-05-02.db")), 20240502);
    EXPECT_EQ(rows().value("Detect0").first, Counts({0, 0, 1}));
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240503);
    EXPECT_EQ(QDir().entryList({"ResStatistics*"}, QDir::Files),
              (QStringList{"ResStatistics.db", "ResStatisticsNULL.db"}));
}

TEST_F(StatsTest, AFreshFileThatCannotBeMadeIsADayChangeNotDoneAndTheCountsWait)
{
    startLoaded();
    store->addTotal(3, false, 1);
    const StatRows closed = rows();
    // Files may not grow past 1 KiB: no fresh file can be made, the renames need no space.
    rlimit was{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = was;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool changed = store->nextDay("2024-05-02");
    store->addTotal(4, true, 1);
    store->tryMoveAgain();
    setrlimit(RLIMIT_FSIZE, &was);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(changed);
    EXPECT_TRUE(store->movePending());
    EXPECT_EQ(rows(), closed) << "the closed day's file changed";
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240501);
    EXPECT_EQ(QDir().entryList({"ResStatistics*"}, QDir::Files),
              (QStringList{"ResStatistics.db", "ResStatisticsNULL.db"}));
    EXPECT_TRUE(QDir("ResStatistics").isEmpty());

    store->tryMoveAgain();
    EXPECT_FALSE(store->movePending());
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db"), closed);
    EXPECT_EQ(rows().value("Detect1").first, Counts({0, 0, 0, 0, 1}));
    EXPECT_EQ(rows().size(), 73);
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240502);
}

// --- the day a start finds

TEST_F(StatsTest, AStartDaysLaterHoldsTheClosedDayUntilItIsArchivedUnderItsOwnDate)
{
    startLoaded();
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240501);
    store->addTotal(18, true, 0);  // 02:40 the next morning, still May 1's statistics day
    store->addTotal(18, false, 0);
    store->add(18, false, 0, 1);
    store.reset();

    day = QDate(2024, 6, 20);
    start();
    EXPECT_EQ(store->getCurDate(), "2024-05-01") << "loaded as today's";
    EXPECT_EQ(store->okTotalOf(0)[18], 1);
    // The controller holds the day found and its day check closes it.
    day = QDate(2024, 5, 1);
    ASSERT_TRUE(store->nextDay("2024-06-20"));
    const StatRows archived = rows("ResStatistics/2024-05-01.db");
    QList<int> slot18 = ParseCounts("");
    slot18[18] = 1;
    EXPECT_EQ(archived.value("Detect0"), qMakePair(JoinCounts(slot18), JoinCounts(slot18)));
    EXPECT_EQ(ParseCounts(archived.value("C1_D0").second)[18], 1);
    EXPECT_EQ(StampOf(dir->file("ResStatistics/2024-05-01.db")), 20240501);
    ExpectCompleteZeroFile(rows());
    EXPECT_EQ(StampOf(dir->file("ResStatistics.db")), 20240620);
    EXPECT_EQ(store->okTotalOf(0), ParseCounts(""));

    // Started again the same statistics day: today's, with its counts, nothing archived again.
    day = QDate(2024, 6, 20);
    store->addTotal(2, true, 0);
    start();
    EXPECT_EQ(store->getCurDate(), "2024-06-20");
    EXPECT_EQ(store->okTotalOf(0), ParseCounts(Counts({0, 0, 1})));
    EXPECT_EQ(QDir("ResStatistics").entryList(QDir::Files), QStringList{"2024-05-01.db"});
}

TEST_F(StatsTest, AFileWithoutStampHoldsTheStatisticsDayOfItsLastChangeAndIsStampedWithIt)
{
    startLoaded();
    store.reset();
    const QString f = dir->file("ResStatistics.db");
    auto unstamped = [&](const QDateTime& changed) {
        return ExecOn(f, "PRAGMA user_version = 0") && SetChanged(f, changed);  // as files were before stamps
    };
    ASSERT_TRUE(unstamped(QDateTime(QDate(2024, 4, 2), QTime(12, 0))));
    day = QDate(2024, 5, 2);
    start();
    EXPECT_EQ(store->getCurDate(), "2024-05-02") << "a file without counts has no day to file";

    store->addTotal(23, false, 3);
    store.reset();
    ASSERT_TRUE(unstamped(QDateTime(QDate(2024, 5, 3), QTime(7, 59, 59))));
    day = QDate(2024, 5, 3);
    start();
    EXPECT_EQ(store->getCurDate(), "2024-05-02");
    EXPECT_EQ(store->ngTotalOf(3)[23], 1);
    EXPECT_EQ(StampOf(f), 20240502);
}

TEST_F(StatsTest, AStoreCutAtHalfIsKeptAsideTheDayStartsInASoundFileAndTheOperatorIsToldOnce)
{
    startLoaded();
    store.reset();
    QFile f(dir->file("ResStatistics.db"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_GT(f.size(), 4096);
    ASSERT_TRUE(f.resize(f.size() / 2));
    f.close();
    ASSERT_TRUE(SetChanged(dir->file("ResStatistics.db"), QDateTime(QDate(2024, 4, 20), QTime(12, 0))));
    const QByteArray damaged = dir->read("ResStatistics.db");
    QStringList notices;
    auto withNotice = [&] {
        ResStatisticsHost h = host();
        h.notice = [&](const QString& t) { notices << t; };
        store.reset();
        store.reset(new ResStatisticsParam(h));
    };
    withNotice();
    ASSERT_EQ(notices.size(), 1);
    const QStringList aside = QDir(dir->path()).entryList({"ResStatistics.db.damaged-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(notices[0].contains(aside[0])) << notices[0].toStdString();
    EXPECT_EQ(dir->read(aside[0]), damaged);
    EXPECT_TRUE(runner->calls.isEmpty()) << "no restart";
    EXPECT_TRUE(store->isLoaded());
    EXPECT_EQ(store->getCurDate(), "2024-05-01") << "the fresh file is today's, whatever the damaged one held";
    // The verdicts' writes land again.
    store->add(3, false, 0, 1);
    EXPECT_EQ(rows().size(), 73);
    EXPECT_EQ(ParseCounts(rows().value("C1_D0").second).value(3), 1);
    withNotice();
    EXPECT_EQ(notices.size(), 1) << "a sound store is no news";
}
