// The store handing its writes to a writer thread: one commit per group of writes (a verdict),
// the same rows on the disk as when written at once, and the day change draining first.
#include <QFile>
#include <thread>

#include "statsfixture.h"
#include "vision/records/verdictwriter.h"

namespace {

class HandedStats : public StatsTest {
protected:
    VerdictWriter writer;
    QList<QStringList> commits;
    bool drainAnswer = true;
    int drains = 0;

    void SetUp() override
    {
        StatsTest::SetUp();
        writer.start();
    }
    void TearDown() override
    {
        writer.Flush(10000);
        StatsTest::TearDown();
    }
    // A complete file, then a start whose writes are handed to the writer.
    void startHanded()
    {
        startLoaded();
        ResStatisticsHost h = host();
        h.commit = [this](const QString& file, const QStringList& statements) {
            EXPECT_EQ(file, dir->file("ResStatistics.db"));
            commits << statements;
            writer.Commit(file, statements);
        };
        h.drain = [this] {
            ++drains;
            return drainAnswer && writer.Flush(10000);
        };
        store.reset();
        store.reset(new ResStatisticsParam(h));
        ASSERT_TRUE(store->isLoaded());
        ASSERT_TRUE(commits.isEmpty()) << "loading a complete file writes nothing";
    }
    void verdict(int slot, bool ok, int stage)
    {
        store->beginWrites();
        store->addTotal(slot, ok, stage);
        store->add(slot, ok, stage, 0);
        store->add(slot, true, stage, 1);
        store->endWrites();
    }
};

}  // namespace

TEST_F(HandedStats, EachVerdictIsOneCommitWithTheRowsWrittenAtOnceBefore)
{
    startHanded();
    verdict(3, false, 1);
    verdict(3, true, 1);
    ASSERT_EQ(commits.size(), 2);
    EXPECT_EQ(commits[0].size(), 17) << "the stage row and the stage's eight camera rows, twice";
    store->setCurPlan(7);  // a write outside a group is a commit of its own
    ASSERT_EQ(commits.size(), 3);
    ASSERT_TRUE(writer.Flush(10000));
    const StatRows r = rows();
    EXPECT_EQ(r.value("Detect1"), qMakePair(Counts({0, 0, 0, 1}), Counts({0, 0, 0, 1})));
    EXPECT_EQ(r.value("C0_D1"), qMakePair(Counts({0, 0, 0, 1}), Counts({0, 0, 0, 1})));
    EXPECT_EQ(r.value("C1_D1"), qMakePair(Counts({0, 0, 0, 2}), Counts({})));
    EXPECT_EQ(r.value("plan").first, "7");
    // What the next start loads.
    start();
    EXPECT_EQ(store->okOf(1, 1)[3], 2);
    EXPECT_EQ(store->ngTotalOf(1)[3], 1);
}

TEST_F(HandedStats, TheDayChangeWaitsForTheHandedCommitsAndTheNewDaysCountsWaitApartMeanwhile)
{
    startHanded();
    verdict(5, false, 0);
    drainAnswer = false;
    EXPECT_FALSE(store->nextDay("2024-05-02"));
    EXPECT_EQ(store->getCurDate(), "2024-05-02");
    EXPECT_FALSE(QFile::exists("ResStatistics/2024-05-01.db"));

    const int before = commits.size();
    verdict(5, false, 0);
    EXPECT_EQ(commits.size(), before) << "a count of the new day handed into the closed day's file";
    drainAnswer = true;
    store->tryMoveAgain();
    EXPECT_EQ(drains, 2);
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").second, Counts({0, 0, 0, 0, 0, 1}));
    // Handed over again afterwards, into the new day's file.
    verdict(6, true, 0);
    ASSERT_TRUE(writer.Flush(10000));
    EXPECT_EQ(rows().value("Detect0"), qMakePair(Counts({0, 0, 0, 0, 0, 0, 1}), Counts({0, 0, 0, 0, 0, 1})));
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect0").first, Counts({}));
}

TEST_F(HandedStats, TheMoveRunsWhereTheHostSaysAndItsOutcomeComesBackAfter)
{
    startLoaded();
    ResStatisticsHost h = host();
    h.commit = [this](const QString& file, const QStringList& statements) { writer.Commit(file, statements); };
    std::function<bool()> work;
    std::function<void(bool)> done;
    h.roll = [&](std::function<bool()> w, std::function<void(bool)> d) {
        work = w;
        done = d;
    };
    store.reset(new ResStatisticsParam(h));
    verdict(3, true, 1);
    ASSERT_TRUE(store->nextDay("2024-05-02"));
    ASSERT_TRUE(work);
    verdict(4, true, 1);  // while the move is on its way: apart
    store->tryMoveAgain();  // one move at a time
    bool moved = false;
    std::thread other([&] {
        writer.Flush(10000);
        moved = work();
    });
    other.join();
    ASSERT_TRUE(moved);
    EXPECT_EQ(rows("ResStatistics/2024-05-01.db").value("Detect1").first, Counts({0, 0, 0, 1}));
    EXPECT_EQ(rows().value("Detect1").first, Counts({})) << "the move wrote today's counts itself";
    done(true);
    ASSERT_TRUE(writer.Flush(10000));
    EXPECT_EQ(rows().value("Detect1").first, Counts({0, 0, 0, 0, 1}));
    // A day closing while the move is on its way: the fresh file takes that day's counts and
    // moves in turn.
    day = QDate(2024, 5, 2);
    ASSERT_TRUE(store->nextDay("2024-05-03"));
    verdict(7, true, 1);
    ASSERT_TRUE(store->nextDay("2024-05-04"));
    verdict(8, true, 1);
    ASSERT_TRUE(writer.Flush(10000));
    ASSERT_TRUE(work());
    done(true);
    ASSERT_TRUE(work()) << "the day closed meanwhile was not moved";
    done(true);
    ASSERT_TRUE(writer.Flush(10000));
    EXPECT_EQ(rows("ResStatistics/2024-05-02.db").value("Detect1").first, Counts({0, 0, 0, 0, 1}));
    EXPECT_EQ(rows("ResStatistics/2024-05-03.db").value("Detect1").first, Counts({0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(rows().value("Detect1").first, Counts({0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_FALSE(store->movePending());
    // A store gone before the outcome came: nothing is touched.
    ASSERT_TRUE(store->nextDay("2024-05-05"));
    store.reset();
    done(true);
}
