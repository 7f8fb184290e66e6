#include "scenario/scenariorun.h"

#include <memory>

#include <QDateTime>
#include <QElapsedTimer>
#include <QTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "common/cyclerig.h"
#include "common/recorddb.h"
#include "common/starvation.h"
#include "common/xscreen.h"
#include "scenario/scenarioactions.h"
#include "scenario/scenarioworld.h"

namespace {

// "ok" from SQLite's own check of the whole file, else what it found.
QString Integrity(const QString& path)
{
    QString out = "not opened";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "scenarioIntegrity");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000");
        if (db.open()) {
            QSqlQuery q(db);
            out = q.exec("PRAGMA integrity_check") && q.next() ? q.value(0).toString() : q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("scenarioIntegrity");
    return out;
}

int AlarmRows(const QList<QStringList>& rows, const QStringList& alarm)
{
    int n = 0;
    for (const QStringList& r : rows)
        for (const QString& a : alarm)
            if (!a.isEmpty() && r.value(2).endsWith(a)) {
                ++n;
                break;
            }
    return n;
}

// Rows of the board watch: its text up to the stall's length.
int BlindRows(const QList<QStringList>& rows, const QStringList& blind)
{
    int n = 0;
    for (const QStringList& r : rows)
        for (const QString& b : blind)
            if (!b.isEmpty() && r.value(2).contains(b.section("%1", 0, 0))) {
                ++n;
                break;
            }
    return n;
}

struct Watch {
    QList<QStringList> rows;
    qint64 checkedMs = 0;
    qint64 probedMs = 0;  // the last way back's edge
    qint64 stagesMs = 0;  // stage delays due to end before this were checked
    std::unique_ptr<Starvation> cpu;  // the CPU the program and the board got in this step
};

// The invariants read from the logs and files, after any step.
QList<Breach> Passive(ScenarioWorld& w, Watch& watch, bool files, const std::function<void(const QString&)>& say)
{
    QList<Breach> out;
    const qint64 now = w.Now();
    w.Wait(50);
    w.ReadPassLog();
    const BoardTimeline t(w.rig().board()->lines());
    const CycleWords& words = w.words();
    // Every change since the last check, and the cycles that started just before it.
    const qint64 from = std::max<qint64>(0, watch.checkedMs - words.SpanMs() - 1000);
    out << Invariants::NoCycleWithoutTrigger(t, w.journal(), words, from);
    out << Invariants::NoReleaseWithoutVerdict(t, w.journal(), words, watch.checkedMs);
    out << Invariants::RestartKeepsInhibit(t, w.journal(), words, watch.checkedMs);
    out << w.TakeFound();
    // A walk over midnight finds the day's rows moved to RECORD/.
    const QList<QStringList> rows = RecordRowsOverDays(w.dir());
    out << Invariants::AlarmHeld(t, w.journal(), words, watch.checkedMs, now - 2000, AlarmRows(rows, w.Texts("Alarm")));
    out << Invariants::BoardWatch(t, w.journal(), words, watch.checkedMs, now - 2000,
                                  BlindRows(rows, w.Texts("Warning: monitoring was held up for %1 ms, signals in that time may be lost")));
    out << Invariants::NothingLost(watch.rows, rows);
    // A delay that ended late on a program that waited for the CPU about as long is said, not a
    // fault; one still running with the machine standing still is (the way back checks that).
    for (const Breach& b : Invariants::StagesJudged(w.StageLog(), w.journal(), watch.stagesMs, now)) {
        if (watch.cpu && watch.cpu->Starved(b.lateMs))
            say(watch.cpu->Text(b.detail));
        else
            out << b;
    }
    watch.stagesMs = now;
    watch.rows = rows;
    watch.checkedMs = now;
    // A program whose display went away exits: that is the test's fault, not the program's.
    if (!w.ScreenRunning())
        out << Breach{"test environment", "the X server the program shows on has ended"};
    else if (!w.Running())
        out << Breach{"nothing lost", "the program exited: " + w.rig().Log().right(300)};
    const QStringList fatal =
        QDir(w.dir() + "/cnt_net/cnt_log_app").entryList({"logFatal*"}, QDir::Files);
    if (!fatal.isEmpty())
        out << Breach{"nothing lost", "the program wrote a fatal log: " + fatal.join(' ')};
    if (files)
        for (const QString& db : {QString("PARAM.db"), QString("RECORD.db")}) {
            const QString r = Integrity(w.dir() + "/" + db);
            if (r != "ok")
                out << Breach{"nothing lost", db + " integrity_check: " + r};
        }
    return out;
}

QList<long long> Counts(ScenarioWorld& w)
{
    QFile f(w.dir() + "/count.txt");
    return Invariants::ReadCounts(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
}

// How long the way back waits for a count past its time before it is lost.
constexpr int kCountBoundMs = 10000;

// Every page left, the machine idle, then one machine cycle on an empty mould. A miss of its
// timing, or the board watch's words in it, on a program that waited for the CPU is said as such
// and the walk goes on; late on its own twice is a fault.
QList<Breach> ProbeWayBack(ScenarioWorld& w, Watch& watch, const std::function<void(const QString&)>& say)
{
    QList<Breach> out;
    ScenarioActions::LeaveEverything(w);
    // Standing still: every delay has ended, each a while ago.
    const QList<Breach> spinning = Invariants::NoIdleStageTimer(w.StageLog(), w.journal(), w.Now(), 3000);
    if (!spinning.isEmpty())
        return spinning;
    for (int attempt = 0, late = 0; attempt < 4 && late < 2; ++attempt) {
        const QList<long long> before = Counts(w);
        // Cycles since the last way back that may have been counted and not stored (an NG).
        int uncounted = 0;
        const BoardTimeline soFar(w.rig().board()->lines());
        for (int n : w.words().TriggerInputs())
            for (qint64 r : soFar.Rises(n))
                uncounted += r > watch.probedMs;
        for (const JournalEvent& e : w.journal())
            uncounted += e.kind == JournalEvent::OperatorInspect && e.ms > watch.probedMs;
        Starvation cpu(w.rig().Pids());
        w.NewCycle();
        const qint64 edge = ScenarioActions::RunCycle(w, 200);
        w.Wait(700);
        w.ReadPassLog();
        const BoardTimeline t(w.rig().board()->lines());
        out = Invariants::WayBack(t, w.words(), edge, 60);
        if (out.isEmpty()) {
            // The cycle's verdict is counted and stored; earlier unstored ones come along with it.
            // Its count is due on the disk by now, but the writer's sync may wait on a shared disk
            // as well as for the CPU: a count that comes within the bound is late, not lost, and
            // is said as such. One that never comes is lost.
            QList<long long> now;
            auto arrived = [&] {
                now = Counts(w);
                return now.size() == 16 && !now.contains(-1) && (before.contains(-1) || now[0] > before[0]);
            };
            QElapsedTimer waited;
            waited.start();
            const bool inTime = arrived();
            while (!inTime && !arrived() && waited.elapsed() < kCountBoundMs)
                w.Wait(10);
            out << Invariants::CountAdded(before, now, uncounted);
            if (!inTime)
                say(QString("count.txt waited for %1 ms after it was due; %2")
                        .arg(waited.elapsed())
                        .arg(cpu.Text(out.isEmpty() ? "late" : "no count")));
            watch.probedMs = edge;
            break;
        }
        qint64 missed = 0;
        bool timing = true;
        for (const Breach& b : out) {
            missed = std::max(missed, b.lateMs);
            timing = timing && b.lateMs > 0;
        }
        // A stall of the pass changes the words: the board watch held the mould meanwhile.
        if (Invariants::BoardWatchWithin(w.journal(), edge - 3000, t.lastMs())) {
            missed = std::max<qint64>(missed, 2000);
            timing = true;
        }
        if (!timing)
            break;
        if (cpu.Starved(missed)) {
            say(cpu.Text(out.first().detail));
            out.clear();
        } else {
            ++late;
        }
        w.Wait(2500);
    }
    return out;
}

}  // namespace

QString ScenarioResult::Text() const
{
    QStringList s;
    for (const Breach& b : breaches)
        s << QString("invariant \"%1\" broken: %2").arg(b.invariant, b.detail);
    return s.join('\n');
}

ScenarioResult ScenarioRunner::Run(const QList<Step>& steps, qint64 deadlineMs, bool keep)
{
    ScenarioResult r;
    ScenarioWorld w(screen_);
    CycleWords words;
    if (!steps.isEmpty() && steps.first().kind == Step::Mode && CycleWords::FromStep(steps.first().a, steps.first().b, &words))
        w.SetWords(words);
    say(w.words().Describe());
    QString why;
    if (!w.Start(&why)) {
        r.breaches << Breach{"start", why};
        return r;
    }
    r.started = true;
    Watch watch;
    for (int i = 0; i < steps.size(); ++i) {
        // Out of time: one closing way back, then the end.
        const bool closing = deadlineMs > 0 && QDateTime::currentMSecsSinceEpoch() > deadlineMs;
        const Step step = closing ? Step{} : steps[i];
        say(QString("step %1/%2 %3 (board ms %4, %5)")
                .arg(i + 1)
                .arg(steps.size())
                .arg(step.Text())
                .arg(w.Now())
                .arg(QTime::currentTime().toString("hh:mm:ss.zzz")));
        watch.cpu = std::make_unique<Starvation>(w.rig().Pids());
        if (step.kind == Step::WayBack)
            r.breaches << ProbeWayBack(w, watch, say);
        else if (step.kind != Step::Mode)
            ScenarioActions::Perform(w, step);
        // MOULDMON_SCENARIO_SHOTS=1: the screen after each step, in the program directory.
        if (qEnvironmentVariableIntValue("MOULDMON_SCENARIO_SHOTS") == 1) {
            QDir().mkpath(w.dir() + "/shots");
            screen_.Grab().save(QString("%1/shots/%2-%3.png").arg(w.dir()).arg(i + 1, 3, 10, QChar('0')).arg(Steps::Name(step.kind)));
        }
        r.breaches << Passive(w, watch, step.kind == Step::WayBack || step.kind == Step::Kill || i + 1 == steps.size(),
                              say);
        r.stepsRun = i + 1;
        if (!r.breaches.isEmpty()) {
            r.failedStep = i;
            if (closing)
                r.closedEarly = true;
            break;
        }
        if (closing)
            break;
    }
    // MOULDMON_SCENARIO_KEEP=1 keeps the directory of a run that passed too.
    keep = keep && (r.failed() || qEnvironmentVariableIntValue("MOULDMON_SCENARIO_KEEP") == 1);
    if (keep) {
        QFile board(w.dir() + "/boardsim.log");
        if (board.open(QIODevice::WriteOnly))
            board.write(w.rig().board()->lines().join('\n').toUtf8() + '\n');
        // What the driver did, in board ms: the causes the invariants looked for.
        QFile journal(w.dir() + "/journal.txt");
        if (journal.open(QIODevice::WriteOnly)) {
            static const char* const kKinds[] = {"scene-ok", "scene-ng", "camera-out", "camera-in", "release", "inspect",
                                                 "killed", "restarted", "killed-resampling", "stopped",
                                                 "started", "pass-stalled", "pass-back"};
            for (const JournalEvent& e : w.journal())
                journal.write(QString("%1 %2\n").arg(e.ms).arg(kKinds[e.kind]).toUtf8());
        }
        QFile out(w.dir() + "/program.out");
        if (out.open(QIODevice::WriteOnly))
            out.write(w.rig().Log().toUtf8());
        r.dir = w.dir();
    }
    w.Finish(keep);
    return r;
}

QList<Step> ScenarioRunner::Shrink(const QList<Step>& failing, const QString& invariant, qint64 budgetMs)
{
    const qint64 end = QDateTime::currentMSecsSinceEpoch() + budgetMs;
    // The mode stays first in every candidate.
    QList<Step> mode;
    if (!failing.isEmpty() && failing.first().kind == Step::Mode)
        mode << failing.first();
    auto fails = [&](QList<Step> candidate) {
        candidate = mode + candidate;
        if (candidate.isEmpty() || candidate.last().kind != Step::WayBack)
            candidate << Step{};
        const ScenarioResult r = Run(candidate, 0, false);
        for (const Breach& b : r.breaches)
            if (b.invariant == invariant)
                return true;
        return false;
    };
    QList<Step> best = failing.mid(mode.size());
    QList<Step> body = best;
    if (!body.isEmpty() && body.last().kind == Step::WayBack)
        body.removeLast();
    auto timeLeft = [&] { return QDateTime::currentMSecsSinceEpoch() < end; };
    // The steps just before the breach most often hold its cause: the shortest tail that fails.
    for (int n = 1; n < body.size() && timeLeft(); n = n < 4 ? n + 1 : n * 3 / 2) {
        const QList<Step> tail = body.mid(body.size() - n);
        say(QString("shrinking: trying the last %1 steps").arg(n));
        if (fails(tail)) {
            best = tail;
            break;
        }
    }
    // Then runs of steps left out, halving the run until single steps.
    if (!best.isEmpty() && best.last().kind == Step::WayBack)
        best.removeLast();
    for (int chunk = std::max(1, int(best.size()) / 2); chunk >= 1 && timeLeft(); chunk /= 2) {
        for (int i = 0; i < best.size() && best.size() > 1 && timeLeft();) {
            QList<Step> candidate = best;
            candidate.erase(candidate.begin() + i, candidate.begin() + std::min(int(best.size()), i + chunk));
            say(QString("shrinking: without steps %1-%2 of %3").arg(i + 1).arg(i + chunk).arg(best.size()));
            if (!candidate.isEmpty() && fails(candidate))
                best = candidate;
            else
                i += chunk;
        }
    }
    if (best.isEmpty() || best.last().kind != Step::WayBack)
        best << Step{};
    return mode + best;
}

namespace Scenario {

namespace {

// The steps that ran up to the breach (the closing way back in place of the step it replaced).
QList<Step> Failing(const ScenarioResult& r, const QList<Step>& steps)
{
    QList<Step> out = steps.mid(0, r.failedStep + 1);
    if (r.closedEarly && !out.isEmpty())
        out.last() = Step{};
    return out;
}

void Report(const ScenarioResult& r, const QList<Step>& steps, const std::function<void(const QString&)>& print)
{
    print(QString("FAILED after step %1 of: %2").arg(r.failedStep + 1).arg(Steps::Write(Failing(r, steps))));
    print(r.Text());
    if (!r.dir.isEmpty())
        print("program directory kept (board log in boardsim.log, program output in program.out): " + r.dir);
}

}  // namespace

bool Walk(XScreen& screen, quint64 seed, int seconds, int shrinkSeconds, const std::function<void(const QString&)>& print,
          QString* shrunk)
{
    print(QString("scenario seed %1, %2 s").arg(seed).arg(seconds));
    const QList<Step> steps = Steps::Generate(seed, 2000);
    ScenarioRunner runner(screen);
    runner.say = [&](const QString& s) { print(s); };
    const ScenarioResult r = runner.Run(steps, QDateTime::currentMSecsSinceEpoch() + qint64(seconds) * 1000);
    if (!r.failed()) {
        print(QString("scenario seed %1: %2 steps, every invariant held").arg(seed).arg(r.stepsRun));
        return true;
    }
    Report(r, steps, print);
    if (r.started && shrinkSeconds > 0 && !r.breaches.isEmpty() && r.breaches.first().invariant != "test environment") {
        const QList<Step> failing = Failing(r, steps);
        runner.say = [](const QString&) {};
        const QList<Step> best = runner.Shrink(failing, r.breaches.first().invariant, qint64(shrinkSeconds) * 1000);
        print(QString("shrunk to %1 steps (invariant \"%2\"): %3")
                  .arg(best.size())
                  .arg(r.breaches.first().invariant, Steps::Write(best)));
        if (shrunk)
            *shrunk = Steps::Write(best);
    }
    print(QString("replay: scripts/scenario %1 %2").arg(seconds).arg(seed));
    return false;
}

bool Replay(XScreen& screen, const QList<Step>& steps, const std::function<void(const QString&)>& print)
{
    ScenarioRunner runner(screen);
    runner.say = [&](const QString& s) { print(s); };
    const ScenarioResult r = runner.Run(steps);
    if (!r.failed())
        return true;
    Report(r, steps, print);
    return false;
}

}  // namespace Scenario
