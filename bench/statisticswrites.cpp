// The statistics writes of one verdict with 8 cameras: the stage total and the 8 camera counts,
// 65 row updates, in one transaction, in a temporary program directory. The lower bound printed
// beside it is the same 65 updates' text building alone (no database).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include "statistics/resstatisticsparam.h"
#include "bench/qtbenchmain.h"

namespace {

ResStatisticsHost Host()
{
    ResStatisticsHost h;
    h.statisticsDay = [] { return unsigned(QDateTime::currentSecsSinceEpoch()); };
    h.pause = [](int) {};
    return h;
}

void BM_VerdictWrites(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    { ResStatisticsParam first(Host()); }  // makes the file (the dry run skips the reboot)
    ResStatisticsParam store(Host());
    int slot = 0;
    for (auto _ : state) {
        store.beginWrites();
        store.addTotal(slot, false, 1);
        for (int c = 0; c < 8; ++c)
            store.add(slot, c != 3, 1, c);
        store.endWrites();
        slot = (slot + 1) % 24;
    }
    QDir::setCurrent(old);
}
BENCHMARK(BM_VerdictWrites)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RowTextsOnly(benchmark::State& state)
{
    QList<int> counts;
    for (int i = 0; i < 24; ++i)
        counts << i * 37;
    for (auto _ : state) {
        int len = 0;
        for (int r = 0; r < 65; ++r)
            len += ("update resstatistics set value1 = '" + JoinCounts(counts) + "', value2 = '" +
                    JoinCounts(counts) + QString("' where name = 'C%1_D%2'").arg(r % 8).arg(1)).size();
        benchmark::DoNotOptimize(len);
    }
}
BENCHMARK(BM_RowTextsOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("MOULDMON_DRYRUN", "1");
    return RunBenchmarks<QCoreApplication>(argc, argv);
}
