// Starts the real program again and again (board simulator, N simulated cameras, a temporary
// program directory each time) and prints the longest monitoring pass gap of each start, as the
// program reports it 10 s after its main screen: the longest time between two passes from the
// first one on, the time the board watch would see.
//   passgapbench [--cameras N] [--runs K] [--busy-per-core B] [--xvfb] [PROGRAM...]
// Several programs (an older build beside this one) take turns, run by run, so they meet the same
// load. --busy-per-core B: B busy-looping processes per core run beside them for the whole bench.
// --xvfb: on a private X server at 1920 x 1080 instead of offscreen (a real first show and paint).
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/cyclerig.h"
#include "common/xscreen.h"

namespace {

QString LoadAverage()
{
    QFile f("/proc/loadavg");
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    return QString::fromLatin1(f.readAll()).section(' ', 0, 2);
}

struct Start {
    qint64 gapMs = -1;      // -1: no report
    qint64 shownMs = -1;    // process start to the main screen
    bool watchFired = false;
    QString load;
};

Start OneStart(const QString& program, const CycleRigSetup& s, const QStringList& env)
{
    Start r;
    r.load = LoadAverage();
    QTemporaryDir tmp;
    if (!tmp.isValid() || !QDir::setCurrent(tmp.path()))
        return r;
    {
        CycleRig rig(tmp.path());
        rig.program = program;
        if (rig.Prepare(s)) {
            r.shownMs = rig.Launch(env);
            const QRegularExpression re("start-up: longest monitoring pass gap (\\d+) ms");
            QRegularExpressionMatch m;
            if (r.shownMs >= 0)
                rig.WaitFor([&] { return (m = re.match(rig.Log())).hasMatch(); }, 20000);
            if (m.hasMatch())
                r.gapMs = m.captured(1).toLongLong();
            r.watchFired = rig.Log().contains("monitoring pass has not run for");
        }
        rig.Stop();
    }
    QDir::setCurrent(QDir::tempPath());
    return r;
}

std::vector<pid_t> Busy(int perCore)
{
    std::vector<pid_t> pids;
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    for (long i = 0; i < perCore * cores; ++i) {
        const pid_t p = fork();
        if (p == 0) {
            for (volatile unsigned long n = 0;; n = n + 1) {
            }
        }
        if (p > 0)
            pids.push_back(p);
    }
    return pids;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CycleRigSetup s;
    s.regions = 50;
    s.delay0 = s.delay1 = 3;
    int runs = 5;
    int busy = 0;
    QStringList programs;
    bool xvfb = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const int v = i + 1 < args.size() ? args[i + 1].toInt() : 0;
        if (a == "--cameras") s.cameras = std::clamp(v, 1, 8), ++i;
        else if (a == "--runs") runs = std::max(1, v), ++i;
        else if (a == "--busy-per-core") busy = std::clamp(v, 0, 16), ++i;
        else if (a == "--xvfb") xvfb = true;
        else if (!a.startsWith("--")) programs << QFileInfo(a).absoluteFilePath();
        else {
            std::fprintf(stderr, "usage: passgapbench [--cameras N] [--runs K] [--busy-per-core B] [--xvfb] [PROGRAM...]\n");
            return 2;
        }
    }
    if (programs.isEmpty())
        programs << QString();  // the build's own
    XScreen screen;
    QStringList env;
    if (xvfb) {
        if (!XScreen::Available() || !screen.Start()) {
            std::fprintf(stderr, "passgapbench: no X server\n");
            return 1;
        }
        env << "QT_QPA_PLATFORM=xcb" << "DISPLAY=" + screen.display();
    }
    const std::vector<pid_t> busyPids = Busy(busy);
    std::vector<std::vector<Start>> starts(size_t(programs.size()));
    for (int r = 0; r < runs; ++r)
        for (int p = 0; p < programs.size(); ++p) {
            starts[size_t(p)].push_back(OneStart(programs[p], s, env));
            const Start& st = starts[size_t(p)].back();
            std::printf("run %d %s: gap %lld ms, main screen after %lld ms, load %s%s\n", r + 1,
                        qPrintable(programs[p].isEmpty() ? QString("this build") : programs[p]),
                        static_cast<long long>(st.gapMs), static_cast<long long>(st.shownMs), qPrintable(st.load),
                        st.watchFired ? ", board watch fired" : "");
            std::fflush(stdout);
        }
    for (pid_t p : busyPids)
        kill(p, SIGKILL);
    for (pid_t p : busyPids)
        waitpid(p, nullptr, 0);
    std::printf("%d cameras, %s, %d busy processes a core, load at the end %s\n", s.cameras,
                xvfb ? "Xvfb" : "offscreen", busy, qPrintable(LoadAverage()));
    int failed = 0;
    for (int p = 0; p < programs.size(); ++p) {
        QList<qint64> gaps;
        int fired = 0, missing = 0;
        for (const Start& st : starts[size_t(p)]) {
            if (st.gapMs >= 0)
                gaps << st.gapMs;
            else
                ++missing;
            fired += st.watchFired;
        }
        std::sort(gaps.begin(), gaps.end());
        std::printf("%s: longest pass gap median %lld ms, max %lld ms over %d starts; board watch fired in %d, "
                    "no report in %d\n",
                    qPrintable(programs[p].isEmpty() ? QString("this build") : programs[p]),
                    static_cast<long long>(gaps.isEmpty() ? -1 : gaps[gaps.size() / 2]),
                    static_cast<long long>(gaps.isEmpty() ? -1 : gaps.last()), runs, fired, missing);
        failed += missing;
    }
    return failed ? 3 : 0;
}
