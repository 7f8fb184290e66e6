// The report link under floods from its client (tools/reportpeer; run in a network namespace of
// its own, with QT_QPA_PLATFORM=offscreen): heartbeats as fast as the link takes them with 1 MiB
// junk bursts, and 40,000-name product lists every 0.5 s shown on the device page. Figures: the
// longest and the 99th-percentile hold-up of the GUI thread (how late a 1 ms timer fires beside
// the link: an upper bound of the time one link event takes), the replies handled, and the
// resident memory before, at the end of and 2 s after the flood.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "settings/devicefields.h"
#include "settings/deviceparamswidget.h"
#include "widgets/bcombobox.h"
#include "bench/qtbenchmain.h"
#include "bench/reportingdir.h"

namespace {

long long RssKb()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Runs the event loop for `ms` with a 1 ms timer; returns how late each tick came (ms).
std::vector<double> LoopLateness(int ms)
{
    std::vector<double> late;
    QElapsedTimer t, since;
    t.start();
    since.start();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        late.push_back(std::max(0.0, since.nsecsElapsed() / 1e6 - 1.0));
        since.restart();
    });
    tick.start(1);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return late;
}

void Flood(benchmark::State& state, const QByteArray& command, int ms)
{
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CreateReportingDatabases();
    WizardPara para;
    para.cnt_net_enabled = 1;
    gpWPara = &para;
    gpWParaBak = &para;
    auto net = std::make_unique<CNT_Net>();
    gpNet = net.get();
    auto page = std::make_unique<DeviceParamsWidget>(nullptr);
    page->WizardParaInit();
    QProcess peer;
    peer.start(QCoreApplication::applicationDirPath() + "/reportpeer", {"--heartbeat", "0"});
    peer.waitForStarted();
    QElapsedTimer wait;
    wait.start();
    while (!net->connected && wait.elapsed() < 5000)
        QCoreApplication::processEvents();
    LoopLateness(300);
    const long long before = RssKb();
    for (auto _ : state) {
        peer.write(command + "\n");
        std::vector<double> late = LoopLateness(ms);
        const long long atEnd = RssKb();
        LoopLateness(2000);
        std::sort(late.begin(), late.end());
        state.counters["longest_ms"] = late.empty() ? 0 : late.back();
        state.counters["p99_ms"] = late.empty() ? 0 : late[late.size() * 99 / 100];
        state.counters["rss_before_MB"] = before / 1024.0;
        state.counters["rss_end_MB"] = atEnd / 1024.0;
        state.counters["rss_after_MB"] = RssKb() / 1024.0;
        state.counters["products_shown"] = page->productName->count();
    }
    peer.kill();
    peer.waitForFinished();
    page.reset();
    gpNet = nullptr;
    net.reset();
    gpWPara = nullptr;
    gpWParaBak = nullptr;
    QDir::setCurrent(oldCwd);
}

void BM_HeartbeatFloodWithJunkBursts(benchmark::State& state)
{
    Flood(state, "flood 10000 1048576 2000", 10500);
}
BENCHMARK(BM_HeartbeatFloodWithJunkBursts)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ProductListsEveryHalfSecond(benchmark::State& state)
{
    Flood(state, "products 40000 500 8000", 8500);
}
BENCHMARK(BM_ProductListsEveryHalfSecond)->Iterations(1)->Unit(benchmark::kMillisecond);

QByteArray ProductBody(int names)
{
    QByteArray body = "{\"result\": [";
    for (int i = 0; i < names; ++i)
        body += (i ? ", " : "") + QByteArray("{\"product_name\": \"product-") + QByteArray::number(i) + "\"}";
    return body + "]}";
}

// The parts of a 40,000-name product list: reading the body as text, parsing it (now on a worker
// thread) and parsing and showing it on the page (the GUI thread's share is the difference).
void BM_ProductListText(benchmark::State& state)
{
    const QByteArray body = ProductBody(40000);
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromUtf8(body));
}
BENCHMARK(BM_ProductListText)->Unit(benchmark::kMillisecond);

void BM_ProductListParse(benchmark::State& state)
{
    const QByteArray body = ProductBody(40000);
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseProductReply(body));
}
BENCHMARK(BM_ProductListParse)->Unit(benchmark::kMillisecond);

void BM_ProductListParseAndShow(benchmark::State& state)
{
    WizardPara para;
    gpWParaBak = &para;
    DeviceParamsWidget page(nullptr);
    page.WizardParaInit();
    const QString body = QString::fromUtf8(ProductBody(40000));
    for (auto _ : state)
        page.cnt_reset_product(body);
    gpWParaBak = nullptr;
}
BENCHMARK(BM_ProductListParseAndShow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("MOULDMON_DRYRUN", "1");
    return RunBenchmarks<QApplication>(argc, argv);
}
