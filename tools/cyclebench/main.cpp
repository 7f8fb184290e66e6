// Runs the real program with the board simulator and N simulated cameras in a temporary program
// directory, drives M cycles and prints the figures of the running program: trigger edge to the
// release of output 1 minus the stage delay (median, p90, max), the longest GUI-thread stall per
// cycle, resident memory and the start-up time to the main screen.
//   cyclebench [--cameras N] [--cycles M] [--regions R] [--width W] [--height H] [--colour]
//              [--delay TICKS] [--fps N] [--idle SECONDS] [--hold SECONDS] [--pulse MS]
//              [--wrap "PROFILER ARGS"] [--disk-writer MB_PER_S]
// --disk-writer: during the cycles another writer on the same disk writes and syncs MB_PER_S
// megabytes a second (256 KB chunks, each followed by fdatasync) into the program directory.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "common/cyclerig.h"

namespace {

qint64 Percentile(QList<qint64> v, double q)
{
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const int i = std::clamp(int(q * (v.size() - 1) + 0.5), 0, int(v.size()) - 1);
    return v[i];
}

// CPU time (user + system ticks) of a process, or of one of its threads, from /proc.
long long CpuTicks(qint64 pid, qint64 tid = 0)
{
    QFile f(tid ? QString("/proc/%1/task/%2/stat").arg(pid).arg(tid) : QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> w = s.mid(s.lastIndexOf(')') + 2).split(' ');
    return w.value(11).toLongLong() + w.value(12).toLongLong();
}

// Writes and syncs `mbPerSecond` MB a second into `path` until `stop`; the file is rewritten from
// its start every 64 MB. Returns the bytes written.
long long DiskWriter(const QString& path, int mbPerSecond, const std::atomic<bool>& stop)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    constexpr long long kChunk = 256 * 1024;
    const std::vector<char> chunk(size_t(kChunk), 'w');
    const auto period = std::chrono::microseconds(1000000LL * kChunk / (1024LL * 1024 * mbPerSecond));
    auto next = std::chrono::steady_clock::now();
    long long written = 0, offset = 0;
    while (!stop.load()) {
        if (::pwrite(fd, chunk.data(), chunk.size(), offset) > 0)
            written += kChunk;
        ::fdatasync(fd);
        offset = (offset + kChunk) % (64LL * 1024 * 1024);
        next += period;
        std::this_thread::sleep_until(next);
    }
    ::close(fd);
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CycleRigSetup s;
    s.delay0 = 3;
    s.delay1 = 3;
    s.regions = 50;
    int cycles = 20;
    int idle = 0;
    int hold = 0;
    int pulse = 300;  // length of the trigger pulse
    QString wrapper;
    int diskMb = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const int v = i + 1 < args.size() ? args[i + 1].toInt() : 0;
        if (a == "--cameras") s.cameras = std::clamp(v, 1, 8), ++i;
        else if (a == "--cycles") cycles = std::max(1, v), ++i;
        else if (a == "--regions") s.regions = std::clamp(v, 1, 50), ++i;
        else if (a == "--width") s.width = std::max(64, v), ++i;
        else if (a == "--height") s.height = std::max(64, v), ++i;
        else if (a == "--delay") s.delay0 = s.delay1 = std::max(1, v), ++i;
        else if (a == "--idle") idle = std::max(0, v), ++i;
        else if (a == "--hold") hold = std::max(0, v), ++i;
        else if (a == "--pulse") pulse = std::clamp(v, 1, 5000), ++i;
        else if (a == "--colour") s.colour = true;
        else if (a == "--fps") s.fps = std::clamp(v, 1, 200), ++i;
        else if (a == "--wrap" && i + 1 < args.size()) wrapper = args[++i];
        else if (a == "--disk-writer") diskMb = std::clamp(v, 1, 1000), ++i;
        else {
            std::fprintf(stderr, "usage: cyclebench [--cameras N] [--cycles M] [--regions R] [--width W] "
                                 "[--height H] [--colour] [--delay TICKS] [--fps N] [--idle SECONDS] "
                                 "[--hold SECONDS] [--pulse MS] [--wrap \"PROFILER ARGS\"] [--disk-writer MB_PER_S]\n");
            return 2;
        }
    }
    QTemporaryDir tmp;
    if (!tmp.isValid() || !QDir::setCurrent(tmp.path()))
        return 1;
    CycleRig rig(tmp.path());
    if (!rig.Prepare(s)) {
        std::fprintf(stderr, "cyclebench: could not prepare the program directory\n");
        return 1;
    }
    const qint64 startup = rig.Launch({}, wrapper);
    if (startup < 0) {
        std::fprintf(stderr, "cyclebench: the program did not come up\n%s\n", qPrintable(rig.Log()));
        return 1;
    }
    QThread::msleep(1000);
    const long long rssIdle = rig.RssKb();
    if (idle > 0) {
        const qint64 pid = rig.process().processId();
        const long long t0 = CpuTicks(pid), g0 = CpuTicks(pid, pid);
        QThread::sleep(unsigned(idle));
        const long long t1 = CpuTicks(pid), g1 = CpuTicks(pid, pid);
        const double tick = double(sysconf(_SC_CLK_TCK));
        std::printf("idle CPU over %d s: GUI thread %.1f%% of a core, all threads %.1f%%\n", idle,
                    100.0 * double(g1 - g0) / tick / idle, 100.0 * double(t1 - t0) / tick / idle);
    }
    std::atomic<bool> stopWriter{false};
    long long diskBytes = 0;
    QElapsedTimer diskClock;
    diskClock.start();
    std::thread diskThread;
    if (diskMb > 0)
        diskThread = std::thread([&] { diskBytes = DiskWriter(tmp.filePath("diskload.bin"), diskMb, stopWriter); });
    QList<qint64> release;
    int missed = 0;
    const int delayMs = s.delay0 * 100;
    for (int n = 0; n < cycles; ++n) {
        const qint64 edge = rig.Pulse(0, pulse);
        const bool done = edge >= 0 && rig.WaitFor([&] {
            const auto ch = rig.Changes(edge);
            return ch.size() >= 3 && ch.last().bits == 0;
        }, 10000 + 2 * delayMs);  // both stages' delays, counted from the edge
        const auto ch = edge >= 0 ? rig.Changes(edge) : QList<OutputChange>();
        if (!done || ch.size() < 2 || ch[1].bits != 0b001) {
            ++missed;
            continue;
        }
        release << ch[1].ms - edge - delayMs;
        QThread::msleep(200);
    }
    if (diskThread.joinable()) {
        stopWriter = true;
        diskThread.join();
        std::printf("parallel writer: %.1f MB written and synced over %.1f s\n", double(diskBytes) / (1024 * 1024),
                    double(diskClock.elapsed()) / 1000);
    }
    const QList<qint64> stalls = rig.Stalls();
    const long long rss = rig.RssKb();
    std::printf("cameras %d, %dx%d %s, %d regions, delay %d ms, %d cycles (%d not completed)\n", s.cameras, s.width,
                s.height, s.colour ? "colour" : "grey", s.regions, delayMs, cycles, missed);
    std::printf("edge -> release of output 1 minus the delay: median %lld ms, p90 %lld ms, max %lld ms\n",
                Percentile(release, 0.5), Percentile(release, 0.9), Percentile(release, 1.0));
    std::printf("longest GUI-thread stall per verdict: median %lld ms, p90 %lld ms, max %lld ms\n",
                Percentile(stalls, 0.5), Percentile(stalls, 0.9), Percentile(stalls, 1.0));
    if (std::getenv("CYCLEBENCH_STALLS")) {
        std::printf("stalls in verdict order:");
        for (qint64 v : stalls)
            std::printf(" %lld", static_cast<long long>(v));
        std::printf("\n");
    }
    std::printf("resident memory: %lld MB at idle, %lld MB after the cycles\n", rssIdle / 1024, rss / 1024);
    std::printf("start-up to the main screen: %lld ms\n", startup);
    if (hold > 0) {
        // Time to look at the running program (/proc/<pid>/smaps, a profiler attached by pid).
        std::printf("program pid %lld, held for %d s\n", static_cast<long long>(rig.process().processId()), hold);
        std::fflush(stdout);
        QThread::sleep(unsigned(hold));
    }
    rig.Stop();
    return missed == 0 ? 0 : 3;
}
