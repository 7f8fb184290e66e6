#pragma once
// A program directory with the text table, a recording command runner and a statistics store
// host whose statistics day is fixed by the test.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QMap>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "common/programdir.h"
#include "core/uitexttable.h"
#include "statistics/resstatisticsparam.h"

using StatRows = QMap<QString, QPair<QString, QString>>;

// Every row of a statistics file, read on a connection of its own.
inline StatRows ReadStatRows(const QString& file, QString* createSql = nullptr)
{
    StatRows rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stats_check");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select name, value1, value2 from resstatistics");
            while (q.next())
                rows[q.value(0).toString()] = {q.value(1).toString(), q.value(2).toString()};
            if (createSql && q.exec("select sql from sqlite_master where name='resstatistics'") && q.next())
                *createSql = q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("stats_check");
    return rows;
}

inline bool ExecOn(const QString& file, const QString& sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stats_exec");
        db.setDatabaseName(file);
        ok = db.open() && QSqlQuery(db).exec(sql);
        db.close();
    }
    QSqlDatabase::removeDatabase("stats_exec");
    return ok;
}

inline QString Counts(std::initializer_list<int> head)
{
    QList<int> l(head);
    while (l.size() < 24)
        l << 0;
    return JoinCounts(l);
}

class StatsTest : public ::testing::Test {
protected:
    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<RecordingRunner> runner;
    std::unique_ptr<ResStatisticsParam> store;
    QStringList warnings;
    QDate day{2024, 5, 1};
    int screenUpdates = 0;
    bool today = true;

    void SetUp() override
    {
        static bool texts = false;
        if (!texts) {
            Data_Init();
            texts = true;
        }
        dir.reset(new ProgramDir);
        runner.reset(new RecordingRunner);
        QDir().mkpath("ResStatistics");
    }

    void TearDown() override
    {
        store.reset();
        gpResStatisticsParam = nullptr;
        runner.reset();
        dir.reset();
    }

    ResStatisticsHost host()
    {
        ResStatisticsHost h;
        h.statisticsDay = [this] { return unsigned(QDateTime(day, QTime(12, 0)).toSecsSinceEpoch()); };
        h.warn = [this](const QString& t) { warnings << t; };
        h.showsToday = [this] { return today; };
        h.updateScreen = [this] { ++screenUpdates; };
        h.pause = [](int) {};
        return h;
    }
    void start()
    {
        store.reset();
        store.reset(new ResStatisticsParam(host()));
    }
    // A complete file made the way the first start makes it, then a normal start on it.
    void startLoaded()
    {
        start();
        runner->calls.clear();
        warnings.clear();
        start();
        ASSERT_TRUE(store->isLoaded());
    }
    // A start on `d` that finds a usable file of that day: no warning box, the store loaded.
    void startCleanOn(const QDate& d)
    {
        day = d;
        warnings.clear();
        start();
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();
        ASSERT_TRUE(store->isLoaded());
        ASSERT_EQ(store->getCurDate(), d.toString("yyyy-MM-dd"));
    }
    StatRows rows(const QString& file = "ResStatistics.db", QString* sql = nullptr)
    {
        return ReadStatRows(dir->file(file), sql);
    }
};
