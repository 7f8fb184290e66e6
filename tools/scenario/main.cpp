// Random operator scenarios on the real program: scenario SECONDS [SEED] runs one walk of steps
// drawn from SEED (a new one when missing) for SECONDS, checks every invariant after each step,
// and on a breach prints the steps, keeps the program directory and shrinks the sequence.
// scenario --steps "STEP ..." replays a written sequence.
#include <cstdio>
#include <random>

#include <QApplication>
#include <QStringList>

#include "common/xscreen.h"
#include "scenario/scenariorun.h"

int main(int argc, char** argv)
{
    qputenv("MOULDMON_DRYRUN", "1");
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    auto print = [](const QString& s) {
        std::printf("%s\n", qPrintable(s));
        std::fflush(stdout);
    };
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: scenario SECONDS [SEED] [SHRINK_SECONDS] | scenario --steps \"STEP ...\"\n");
        return 2;
    }
    if (!XScreen::Available()) {
        std::fprintf(stderr, "scenario: Xvfb or xdotool missing\n");
        return 2;
    }
    XScreen screen;
    if (!screen.Start()) {
        std::fprintf(stderr, "scenario: no X server\n");
        return 2;
    }
    if (args[0] == "--steps") {
        QList<Step> steps;
        if (!Steps::Read(args.value(1), &steps)) {
            std::fprintf(stderr, "scenario: steps not understood\n");
            return 2;
        }
        const bool ok = Scenario::Replay(screen, steps, print);
        print(ok ? "every invariant held" : "FAILED");
        return ok ? 0 : 1;
    }
    bool ok = false;
    const int seconds = args[0].toInt(&ok);
    if (!ok || seconds <= 0) {
        std::fprintf(stderr, "scenario: SECONDS must be a positive number\n");
        return 2;
    }
    quint64 seed = args.size() > 1 ? args[1].toULongLong(&ok) : 0;
    if (args.size() > 1 && !ok) {
        std::fprintf(stderr, "scenario: SEED must be a number\n");
        return 2;
    }
    if (args.size() < 2)
        seed = std::random_device{}() % 1000000000ULL;
    const int shrink = args.size() > 2 ? args[2].toInt() : 600;
    return Scenario::Walk(screen, seed, seconds, shrink, print) ? 0 : 1;
}
