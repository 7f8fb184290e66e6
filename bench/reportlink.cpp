// The report link against tools/reportpeer (run it in a network namespace of its own: it listens
// on 127.0.0.1:8890). Figures: acknowledged 1 KiB messages per second, and the longest and mean
// GUI-thread enqueue with a peer that acknowledges, never acknowledges, stops reading (the ack wait
// shortened to 1 ms so the writes fill the socket buffers), and with no peer. The lower bound
// beside the enqueue is a plain append of the same frame to a list under a mutex.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMutex>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/cnt_thread.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/paramroi.h"
#include "vision/records/counters.h"
#include "bench/qtbenchmain.h"
#include "bench/reportingdir.h"

namespace {

const QByteArray kKiB(1024, 'x');

void Spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool SpinUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

// A program directory with reporting on, the server and optionally a peer.
struct Link {
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    WizardPara para;
    std::unique_ptr<CNT_Net> net;
    QProcess peer;

    explicit Link(const QList<QByteArray>& peerCommands, bool withPeer = true, int ackWaitMs = 5000)
    {
        QDir::setCurrent(dir.path());
        CreateReportingDatabases();
        para.cnt_net_enabled = 1;
        gpWPara = &para;
        net.reset(new CNT_Net);
        ReportTimings t;
        t.ackWaitMs = ackWaitMs;
        net->setTimings(t);
        if (!withPeer)
            return;
        peer.start(QCoreApplication::applicationDirPath() + "/reportpeer", {"--heartbeat", "1000"});
        peer.waitForStarted();
        for (const QByteArray& c : peerCommands)
            peer.write(c + "\n");
        SpinUntil([&] { return bool(net->connected); }, 5000);
        Spin(100);
    }
    ~Link()
    {
        if (peer.state() != QProcess::NotRunning) {
            peer.kill();
            peer.waitForFinished();
        }
        net.reset();
        gpWPara = nullptr;
        QDir::setCurrent(oldCwd);
    }
};

void BM_AcknowledgedKiBMessages(benchmark::State& state)
{
    Link link({});
    const int n = int(state.range(0));
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i)
            link.net->CNT_Enqueue(SEND_RECORD, kKiB);
        SpinUntil([&] { return link.net->queuedMessages() == 0; }, 120000);
        state.counters["msgs_per_s"] = n * 1000.0 / qMax<qint64>(1, t.elapsed());
    }
}
BENCHMARK(BM_AcknowledgedKiBMessages)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The longest, the 99.9th percentile and the mean of the enqueue times, and how many took over
// 1 ms (on a loaded machine the longest is mostly the scheduler: compare the lower bound's).
void Figures(benchmark::State& state, std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    const double total = std::accumulate(ns.begin(), ns.end(), 0.0);
    state.counters["max_us"] = ns.back() / 1000.0;
    state.counters["p50_us"] = ns[ns.size() / 2] / 1000.0;
    state.counters["p999_us"] = ns[size_t(ns.size() * 0.999)] / 1000.0;
    state.counters["mean_us"] = total / 1000.0 / ns.size();
    state.counters["over_1ms"] = double(std::count_if(ns.begin(), ns.end(), [](qint64 v) { return v > 1000000; }));
}

// Enqueues n messages from the GUI thread, letting its event loop run between them as the cycle
// does.
void EnqueueFigures(benchmark::State& state, Link& link, int n)
{
    for (auto _ : state) {
        std::vector<qint64> ns;
        ns.reserve(n);
        for (int i = 0; i < n; ++i) {
            QElapsedTimer t;
            t.start();
            link.net->CNT_Enqueue(SEND_RECORD, kKiB);
            ns.push_back(t.nsecsElapsed());
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        Figures(state, ns);
        state.counters["queued"] = link.net->queuedMessages();
    }
}

void BM_EnqueuePeerAcknowledges(benchmark::State& state)
{
    Link link({});
    EnqueueFigures(state, link, 9000);
}
BENCHMARK(BM_EnqueuePeerAcknowledges)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EnqueuePeerNeverAcknowledges(benchmark::State& state)
{
    Link link({"ack never"});
    EnqueueFigures(state, link, 9000);
}
BENCHMARK(BM_EnqueuePeerNeverAcknowledges)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EnqueuePeerStopsReading(benchmark::State& state)
{
    Link link({"ack never", "stopread"}, true, 1);
    Spin(3000);  // two writes per message each millisecond: the socket buffers fill
    EnqueueFigures(state, link, 9000);
}
BENCHMARK(BM_EnqueuePeerStopsReading)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EnqueueNoPeer(benchmark::State& state)
{
    Link link({}, false);
    EnqueueFigures(state, link, 12000);  // past the bound: the oldest are dropped
}
BENCHMARK(BM_EnqueueNoPeer)->Iterations(1)->Unit(benchmark::kMillisecond);

// The reports of one NG verdict with 8 cameras x 50 regions on the GUI thread: the single result
// (type 18, 400 rows), the NG video and SMS (15, 16), the 50 NG regions counted and the statistics
// (type 7, saved to its file), with a peer acknowledging between verdicts.
void BM_VerdictReportsEightCamerasFiftyRegions(benchmark::State& state)
{
    Link link({});
    numCamera = 8;
    for (int c = 0; c < 8; ++c) {
        gAllNum[c] = 100000 + c;
        gFailNum[c] = 1000 + c;
    }
    QList<param_roi> rows;
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 50; ++r)
            rows << param_roi{c, 0, r, 0, 40 + r, 10, 90, r % 7 ? 1 : 0};
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 50; ++r)
            link.net->ChkandAddStaticticsItem(c, 0, r);  // a record of every region already
    std::vector<qint64> ns;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        link.net->CNT_SendStatistics_Once(rows, true, 1);
        link.net->CNT_SendSaveNgVideo(1, 1);
        link.net->CNT_SendTelInfo(0, 50);
        for (int r = 0; r < 50; ++r)
            link.net->ChkandAddStaticticsItem(3, 0, r);
        link.net->CNT_SendStatistics("null");
        ns.push_back(t.nsecsElapsed());
        SpinUntil([&] { return link.net->queuedMessages() == 0; }, 5000);
    }
    Figures(state, ns);
    numCamera = 0;
}
BENCHMARK(BM_VerdictReportsEightCamerasFiftyRegions)->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_LowerBoundAppendUnderMutex(benchmark::State& state)
{
    QMutex mutex;
    QList<QByteArray> list;
    std::vector<qint64> ns;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        {
            QMutexLocker lock(&mutex);
            list.append(FrameReport(1, kKiB));
            if (list.size() > 10000)
                list.removeFirst();
        }
        ns.push_back(t.nsecsElapsed());
    }
    Figures(state, ns);
}
BENCHMARK(BM_LowerBoundAppendUnderMutex)->Iterations(9000);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("MOULDMON_DRYRUN", "1");
    return RunBenchmarks<QCoreApplication>(argc, argv);
}
