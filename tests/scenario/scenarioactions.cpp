#include "scenario/scenarioactions.h"

#include <algorithm>
#include <cstdio>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "common/cyclerig.h"
#include "common/recorddb.h"
#include "core/orderlystop.h"
#include "scenario/boardtimeline.h"
#include "scenario/scenarioworld.h"

namespace {

// Rows of the text table the program's buttons show.
constexpr int kRowStop = 127;
constexpr int kRowStart = 136;
constexpr int kRowDontDetect = 47;
constexpr int kRowAddTemplate = 48;
constexpr int kRowIgnorePoint = 54;
constexpr int kRowRedetect = 61;
constexpr int kRowLiveTemplate = 212;

constexpr JournalEvent::Kind kRelease = JournalEvent::OperatorRelease;
constexpr JournalEvent::Kind kInspect = JournalEvent::OperatorInspect;

int CycleMs(const ScenarioWorld& w)
{
    return w.words().SpanMs();
}

// The tool buttons under the region page's picture (no text: told apart by their place).
QList<QRect> RegionTools(const QList<Shown>& map)
{
    QList<QRect> tools;
    for (const Shown& s : map)
        if (s.cls == "QPushButton" && s.text.isEmpty() && s.rect.y() > 1000 && s.rect.width() == 60)
            tools << s.rect;
    std::sort(tools.begin(), tools.end(), [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
    return tools;
}

QList<QRect> Combos(const QList<Shown>& map)
{
    QList<QRect> out;
    for (const Shown& s : map)
        if (s.cls == "QComboBox" && s.rect.x() > 1700)
            out << s.rect;
    std::sort(out.begin(), out.end(), [](const QRect& a, const QRect& b) { return a.y() < b.y(); });
    return out;
}

// Staged cycles: a cycle whose first stage was judged (an alarm hold left on it, a cycle cut short)
// waits for its later stages' inputs; the machine gives them, in order. False when none waits.
bool FinishOpenCycle(ScenarioWorld& w)
{
    const CycleWords& c = w.words();
    const int word = BoardTimeline(w.rig().board()->lines()).WordAt(w.Now());
    if (!c.Staged() || c.Active(word, c.alarm) || c.Same(word, c.idle))
        return false;
    bool raised = false;
    const QList<QPair<int, int>> inputs = c.Inputs();
    for (int i = 1; i < inputs.size(); ++i) {
        const bool waits = c.mode != 4 ? c.Active(word, c.closeInhibit) && !c.Active(word, c.ejectInhibit)
                                       : c.Active(word, c.StageOutput(i));
        if (!waits)
            continue;
        w.Pulse(inputs[i].first, 60);
        w.Wait(c.SpanMs() + 300);
        raised = true;
    }
    return raised;
}

bool RegionPage(ScenarioWorld& w)
{
    return w.Shows("End Set");
}

QList<long long> Counts(ScenarioWorld& w)
{
    QFile f(w.dir() + "/count.txt");
    return Invariants::ReadCounts(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
}

// Whether a record row begins with `text`.
bool Recorded(ScenarioWorld& w, const QString& text)
{
    for (const QStringList& r : RecordRowsOverDays(w.dir()))
        if (r.value(2).startsWith(text))
            return true;
    return false;
}

// Rows of the record naming an alarm.
int AlarmRows(ScenarioWorld& w)
{
    const QStringList alarm = w.Texts("Alarm");
    int n = 0;
    for (const QStringList& r : RecordRowsOverDays(w.dir()))
        for (const QString& a : alarm)
            if (!a.isEmpty() && r.value(2).endsWith(a)) {
                ++n;
                break;
            }
    return n;
}

// Whether camera 1 has an NG picture of any stage written at or after `fromMs` (ms since the epoch).
bool NgPictureSince(ScenarioWorld& w, qint64 fromMs)
{
    const QString top = w.dir() + "/alarmimage/camera1";
    for (const QString& stage : QDir(top).entryList({"detect*"}, QDir::Dirs))
        for (const QFileInfo& f : QDir(top + "/" + stage + "/NG").entryInfoList({"*.jpg"}, QDir::Files))
            if (f.lastModified().toMSecsSinceEpoch() >= fromMs - 1000)
                return true;
    return false;
}

// SIGTERM: the program ends within the stop's bound, as a stop in order ends, and sends nothing
// to the board after the signal; what it counted and recorded before it is on the disk. `hold`:
// it was stopped in an alarm hold this step's cycle entered (started at `cycleMs`, ms since the
// epoch), whose NG count, alarm row and NG picture were made before the signal.
void TermChecks(ScenarioWorld& w, const QList<long long>& counted, bool hold, const QList<long long>& beforeCycle,
                int rowsBefore, qint64 cycleMs)
{
    const CycleWords& c = w.words();
    const QString logBefore = w.rig().Log();
    // The flush's bound, the watchdog's stop (1 s), and a second to take the signal up and end.
    const int boundMs = OrderlyStop::kFlushBoundMs + 2000;
    const ScenarioWorld::StopSeen seen = w.Terminate(10 * boundMs);
    const qint64 endMs = w.Now();
    if (seen.tookMs < 0) {
        w.Found(Breach{"stop in order", QString("SIGTERM: the program had not ended %1 ms later").arg(10 * boundMs)});
        return;
    }
    if (seen.tookMs > boundMs) {
        const qint64 late = seen.tookMs - boundMs;
        const QString what = QString("SIGTERM: the program ended %1 ms after it, its bound %2 ms; a thread waited %3 ms for a CPU")
                                 .arg(seen.tookMs).arg(boundMs).arg(seen.waitedMs);
        if (seen.waitedMs * 2 < late)
            w.Found(Breach{"stop in order", what, late});
        else
            std::printf("starved: %s\n", qPrintable(what));
    }
    if (!seen.bySignal)
        w.Found(Breach{"stop in order", "SIGTERM: the program did not end by the signal: " + w.rig().Log().right(600)});
    const QString log = w.rig().Log().mid(logBefore.size());
    if (!log.contains("SIGTERM: the program stops in order") ||
        !log.contains("end: everything held is written and the databases are closed"))
        w.Found(Breach{"nothing lost", "SIGTERM: the stop did not tell that everything held was written: " + log.right(1500)});
    // The board keeps the outputs of the end: the stop itself sends none (a word sent just
    // before the signal may be logged a moment after it).
    const BoardTimeline t(w.rig().board()->lines());
    const int atSignal = t.WordAt(seen.signalledMs + 30);
    for (const BoardWord& word : t.words())
        if (word.ms > seen.signalledMs + 30 && word.ms <= endMs && !c.Same(word.word, atSignal))
            w.Found(Breach{"stop in order", QString("SIGTERM at board ms %1 with 0x%2: the stop sent 0x%3 at %4")
                                                .arg(seen.signalledMs)
                                                .arg(atSignal, 4, 16, QChar('0'))
                                                .arg(word.word, 4, 16, QChar('0'))
                                                .arg(word.ms)});
    // Counts are only ever added: what the disk held before the signal, and in a hold the NG of
    // its cycle with that cycle's inspection.
    const QList<long long> now = Counts(w);
    QList<long long> want = counted;
    // (No count.txt yet: nothing counted.)
    if (hold && beforeCycle.size() == 16 && want.size() == 16) {
        want[0] = std::max(want[0], std::max(beforeCycle[0], 0LL) + 1);
        want[1] = std::max(want[1], std::max(beforeCycle[1], 0LL) + 1);
    }
    const bool counts = want.value(0, -1) >= 0 && want.value(1, -1) >= 0;
    // No count.txt before any count is made.
    if ((now.size() != 16 || now.contains(-1)) && (counts || QFile::exists(w.dir() + "/count.txt")))
        w.Found(Breach{"nothing lost", "count.txt after a stop by SIGTERM is not 16 numbers"});
    else if (counts && (now[0] < want[0] || now[1] < want[1]))
        w.Found(Breach{"nothing lost", QString("count.txt after a stop by SIGTERM: camera 1 %1 inspections, %2 NG; "
                                               "counted before it: at least %3 and %4")
                                           .arg(now[0]).arg(now[1]).arg(want[0]).arg(want[1])});
    if (hold) {
        if (AlarmRows(w) <= rowsBefore)
            w.Found(Breach{"nothing lost", "stopped by SIGTERM in an alarm hold: the hold's alarm has no record row"});
        if (!NgPictureSince(w, cycleMs))
            w.Found(Breach{"nothing lost", "stopped by SIGTERM in an alarm hold: the NG picture of the stage judged NG "
                                           "is not in alarmimage/camera1"});
    }
}

// Kill or Term: the program ended at a drawn moment and started again in its directory.
void End(ScenarioWorld& w, const Step& s)
{
    const bool term = s.kind == Step::Term;
    const CycleWords& c = w.words();
    // The cables go back first: the kill then meets the state the program shows the board (a
    // silent board's inhibit reaches it only with its return).
    if (!w.cameraPlugged()) {
        w.Camera(true);
        w.Wait(4000);
    }
    if (!w.boardPlugged()) {
        w.Board(true);
        w.Wait(1000);
    }
    QList<long long> before;
    bool held = false;
    bool holding = false;
    int rowsBefore = 0;
    qint64 cycleMs = 0;
    if (s.a == 1 || s.a == 2) {
        const bool part = s.a == 2 || s.b == 1;
        if (w.sceneOk() == part)
            w.ShowScene(!part);
        w.Wait(200);
        // In a hold already, the start input starts nothing: no NG of the step's own to count.
        holding = c.Active(BoardTimeline(w.rig().board()->lines()).WordAt(w.Now()), c.alarm);
        before = holding ? QList<long long>{} : Counts(w);
        rowsBefore = term ? AlarmRows(w) : 0;
        cycleMs = QDateTime::currentMSecsSinceEpoch();
        w.NewCycle();
        w.Pulse(c.StartInput(), 300);
        if (s.a == 1) {
            w.Wait(200);
        } else {
            // The part is seen by the first stage, or without it by the second, which may wait for
            // its own input; automatic re-inspections come before the alarm.
            QElapsedTimer t;
            t.start();
            bool second = c.firstOn || !c.Staged();
            while (t.elapsed() < 5000 && !held) {
                if (!second && t.elapsed() >= c.delay0Ms + 200) {
                    w.Pulse(c.Inputs()[1].first, 60);
                    second = true;
                }
                w.Wait(20);
                held = c.Active(BoardTimeline(w.rig().board()->lines()).WordAt(w.Now()), c.alarm);
            }
            w.Wait(s.b);
        }
    }
    const int word = BoardTimeline(w.rig().board()->lines()).WordAt(w.Now());
    // Mode 5's cycle sets no mould-close inhibit: its word is idle while a stage still counts
    // (a cycle the step started) or waits for input 2 (semi-automatic).
    const bool idle = c.Same(word, c.idle) && !(c.mode == 5 && (c.semi || s.a != 0));
    const bool resampling = w.resampling();
    const bool plain = idle && !resampling;
    const int verdicts = w.rig().Log().count("verdict stage");
    QString why;
    if (term) {
        TermChecks(w, Counts(w), held && !holding, before, rowsBefore, cycleMs);
        if (!w.Restart(&why)) {
            w.Found(Breach{"start", why});
            return;
        }
    } else if (!w.KillAndRestart(&why)) {
        w.Found(Breach{"start", why});
        return;
    }
    const QString warning = w.RestartWarningText();
    if (c.Active(word, c.closeInhibit) && !resampling) {
        // The mould held at the end: the start says so and records it; the warning stands until
        // its confirm or the verdict of a cycle (the one open at the kill may come through the
        // edge the board kept). The start clears the alarm: an alarm now is that cycle's NG, whose
        // hold took the warning's place.
        const int after = BoardTimeline(w.rig().board()->lines()).WordAt(w.Now());
        const bool stillHeld = c.Active(after, c.closeInhibit) && !c.Active(after, c.alarm);
        if (warning.isEmpty())
            w.Found(Breach{"restart keeps the mould", "the text table has no row 622 for the restart's warning"});
        // A verdict since the start (of the cycle the kept edge opened; with long delays its
        // first stage comes while a later one holds the mould) takes the warning down.
        else if (stillHeld && !w.RestartWarningShown() && w.rig().Log().count("verdict stage") == verdicts)
            w.Found(Breach{"restart keeps the mould", QString("killed holding 0x%1: no warning \"%2...\" after the start")
                                                            .arg(word, 4, 16, QChar('0'))
                                                            .arg(warning)});
        else if (!Recorded(w, warning))
            w.Found(Breach{"restart keeps the mould", "the restart's warning has no record row"});
    } else if (idle && !warning.isEmpty() && w.RestartWarningShown()) {
        w.Found(Breach{"restart keeps the mould", "killed with the mould released, the start shows the restart's warning"});
    }
    if (held) {
        // The NG of the hold was counted before the end.
        const QList<long long> now = Counts(w);
        if (before.size() == 16 && before[1] >= 0 && (now.value(1, -1) < before[1] + 1))
            w.Found(Breach{"nothing lost", QString("count.txt: camera 1 had %1 NG before a cycle judged NG and %2 after "
                                                   "the program was ended in its hold and started again")
                                               .arg(before[1])
                                               .arg(now.value(1, -1))});
    }
    if (plain) {
        // Ended idle: the start is an ordinary one, its first cycle too.
        const int now = BoardTimeline(w.rig().board()->lines()).WordAt(w.Now());
        if (!c.Same(now, c.idle))
            w.Found(Breach{"restart keeps the mould", QString("killed idle, the start holds 0x%1").arg(now, 4, 16, QChar('0'))});
        if (!w.sceneOk())
            w.ShowScene(true);
        w.Wait(200);
        w.NewCycle();
        const qint64 edge = ScenarioActions::RunCycle(w, 200);
        w.Wait(700);
        for (const Breach& b : Invariants::WayBack(BoardTimeline(w.rig().board()->lines()), c, edge, 150))
            w.Found(Breach{b.invariant, "the first cycle after a start from idle: " + b.detail});
    }
}

}  // namespace

namespace ScenarioActions {

qint64 RunCycle(ScenarioWorld& w, int firstMs, int extraAtMs, const std::function<void()>& extra, bool exact, bool alt)
{
    QElapsedTimer t;
    qint64 edge = -1;
    const int start = w.words().StartInput(alt);
    if (exact) {
        edge = w.rig().Pulse(start, firstMs);
        t.start();
    } else {
        t.start();
        edge = w.Now();
        w.Pulse(start, firstMs);
    }
    // What comes when: the later stages' inputs and the extra, in time order.
    QList<QPair<int, int>> due;  // ms, input (-1: the extra)
    const QList<QPair<int, int>> inputs = w.words().Inputs(alt);
    for (int i = 1; i < inputs.size(); ++i)
        due << QPair<int, int>{inputs[i].second, inputs[i].first};
    if (extraAtMs >= 0 && extra)
        due << QPair<int, int>{extraAtMs, -1};
    std::stable_sort(due.begin(), due.end(), [](const QPair<int, int>& a, const QPair<int, int>& b) { return a.first < b.first; });
    for (const QPair<int, int>& d : due) {
        w.Wait(int(std::max<qint64>(0, d.first - t.elapsed())));
        if (d.second < 0)
            extra();
        else
            w.Pulse(d.second, 60);
    }
    w.Wait(int(std::max<qint64>(0, w.words().SpanMs(alt) - t.elapsed())));
    return edge;
}

void Perform(ScenarioWorld& w, const Step& s)
{
    const int cycle = CycleMs(w);
    switch (s.kind) {
    case Step::CycleOk:
    case Step::CycleNg:
        if (w.sceneOk() != (s.kind == Step::CycleOk))
            w.ShowScene(s.kind == Step::CycleOk);
        w.Wait(200);
        w.NewCycle();
        RunCycle(w, s.a, -1, {}, false, s.b == 1);
        w.Wait(700);
        break;
    case Step::PulseInDelay:
        if (!w.sceneOk())
            w.ShowScene(true);
        w.Wait(200);
        w.NewCycle();
        RunCycle(w, 300, s.a, [&] { w.Pulse(w.words().StartInput(), s.b); }, false);
        w.Wait(std::max(0, s.a - cycle) + 1500);
        break;
    case Step::Recheck:
        if (w.sceneOk() != bool(s.a))
            w.ShowScene(bool(s.a));
        w.Wait(200);
        w.Pulse(1, s.b);
        w.Wait(1500);
        break;
    case Step::PulseAnyTime:
        w.NewCycle();
        w.Pulse(w.words().StartInput(), s.a);
        w.Wait(cycle + 700);
        break;
    case Step::StartStop: {
        // Starting clears every output; stopping too, after its question.
        const bool stop = w.TouchRow(kRowStop, 300);
        if (stop || w.TouchRow(kRowStart, 300, {kRelease})) {
            if (!stop)
                w.Note(JournalEvent::DetectionStarted);
            else if (w.Answer(bool(s.a), 1500, {kRelease}) && s.a)
                w.Note(JournalEvent::DetectionStopped);
            w.Wait(500);
        }
        break;
    }
    case Step::Resample:
        if (!w.sceneOk())
            w.ShowScene(true);
        if (w.TouchText("Resample", 300)) {
            w.SetResampling(true);
            // Resampling while stopped starts detection, which clears every output.
            if (w.Answer(bool(s.a), 1500, {kRelease}) && s.a) {
                w.Note(JournalEvent::DetectionStarted);
                w.Answer(bool(s.b), 1000, {kRelease});  // the template deletion asks on its own
            }
            w.Wait(500);
        }
        break;
    case Step::AreaSettings:
        w.TouchText("Area Settings", 1000);
        break;
    case Step::EndSet:
        // Back to detection after resampling releases the inhibit.
        if (w.TouchText("End Set", 300, {kRelease})) {
            if (w.Answer(bool(s.a), 800, {kRelease}))
                w.EditsAnswered(bool(s.a));
            w.Wait(700);
            w.SetResampling(w.ResamplingShown());
        }
        break;
    case Step::DrawRegion: {
        const QList<QRect> tools = RegionTools(w.Map());
        if (!RegionPage(w) || tools.isEmpty() || !w.PageStageHasRegions())
            break;
        w.Touch(tools.first().center(), 300);
        w.Drag(QPoint(850 + s.a, 400), QPoint(1050 + s.a, 600));
        w.Wait(300);
        w.Answer(true, 500);
        break;
    }
    case Step::DeleteRegion: {
        const QList<QRect> tools = RegionTools(w.Map());
        if (!RegionPage(w) || tools.size() < 6)
            break;
        w.Touch(QPoint(400, 450), 300);  // inside the region every program directory starts with
        w.Touch(tools[5].center(), 300);
        if (w.Answer(bool(s.a), 800) && s.a)
            w.RegionDeleted();
        break;
    }
    case Step::RegionLists: {
        const QList<QRect> combos = Combos(w.Map());
        if (s.a >= combos.size())
            break;
        w.Touch(combos[s.a].center(), 500);
        // The list opens as a window of its own over the page; its entries share its height.
        const QList<Shown> map = w.Map();
        QRect popup;
        for (const Shown& sh : map)
            if (sh.cls == "QComboBoxPrivateContainer")
                popup = sh.rect;
        if (popup.isNull())
            break;
        const int entries = s.a == 0 ? 5 : 2;
        // A picture source other than the live one silences the alarm of a hold.
        if (s.a == 0)
            w.Note(kRelease);
        w.Touch(QPoint(popup.center().x(), popup.y() + popup.height() * (2 * (s.b % entries) + 1) / (2 * entries)), 800);
        if (w.Answer(true, 500))
            w.EditsAnswered(true);
        break;
    }
    case Step::ProSnapshot:
    case Step::MoldSnapshot: {
        const bool part = s.kind == Step::ProSnapshot && s.a == 0;
        if (w.sceneOk() == part) {
            w.ShowScene(!part);
            w.Wait(300);
        }
        w.TouchText(s.kind == Step::ProSnapshot ? "Pro snapshot" : "Mold snapshot", 1500, {kInspect});
        break;
    }
    case Step::MultiScreen:
        w.TouchText("Multi-screen", 800);
        break;
    case Step::AlarmPage: {
        const int rows[] = {kRowRedetect, kRowAddTemplate, kRowIgnorePoint, kRowLiveTemplate, kRowDontDetect};
        if (w.Find(w.Map(), {w.RowText(kRowRedetect)}).isNull())
            break;
        // A template is added from an empty mould; the other buttons meet either.
        const bool empty = s.b || rows[s.a] == kRowAddTemplate;
        if (w.sceneOk() != empty) {
            w.ShowScene(empty);
            w.Wait(300);
        }
        if (w.TouchRow(rows[s.a], 500, {kRelease, kInspect})) {
            if (rows[s.a] == kRowDontDetect)
                w.Pass();
            else if (rows[s.a] == kRowAddTemplate)
                w.Taught();
        }
        w.Answer(true, 800, {kRelease, kInspect});
        w.Wait(1200);
        break;
    }
    case Step::Settings:
        if (!w.TouchText("System settings", 2500))
            break;
        if (s.a == 1) {
            w.Touch(QPoint(1000, 247), 300);  // the groove right of the first slider's handle
            w.TouchText("Exit setup", 800);
            w.Answer(false, 1500);
        } else if (s.a == 2) {
            w.TouchText("Multi-screen", 800);
            w.Answer(false, 800);
        } else {
            w.TouchText("Exit setup", 800);
            w.Answer(false, 800);
        }
        w.Wait(500);
        break;
    case Step::CameraUnplug:
        if (s.a > 0) {
            if (!w.sceneOk())
                w.ShowScene(true);
            w.Wait(200);
            w.NewCycle();
            RunCycle(w, 300, s.a, [&] { w.Camera(false); }, false);
        }
        if (w.cameraPlugged())
            w.Camera(false);
        w.Wait(std::max(0, s.a - cycle) + 1500);
        break;
    case Step::CameraPlug:
        w.Camera(true);
        w.Wait(1500);
        break;
    case Step::BoardUnplug:
        w.Board(false);
        w.Wait(1000);
        break;
    case Step::BoardPlug:
        w.Board(true);
        w.Wait(1000);
        break;
    case Step::HeldGui:
        if (!w.sceneOk())
            w.ShowScene(true);
        w.Wait(200);
        w.NewCycle();
        w.HoldGui();
        w.Wait(15);
        RunCycle(w, s.a, -1, {}, false);
        w.Wait(w.words().holdMs + 1000);
        break;
    case Step::Pause:
        w.Wait(s.a);
        break;
    case Step::SideInCycle: {
        if (!w.sceneOk())
            w.ShowScene(true);
        w.Wait(200);
        w.NewCycle();
        // What the operator touches on the side panel, with the answers that carry it out.
        const QList<Step> side[5] = {{Step{Step::Resample, 1, 0}},
                                     {Step{Step::StartStop, 1, 0}, Step{Step::StartStop, 1, 0}},
                                     {Step{Step::AreaSettings, 0, 0}, Step{Step::EndSet, 1, 0}},
                                     {Step{Step::ProSnapshot, 1, 0}},
                                     {Step{Step::AlarmPage, 0, 1}}};
        RunCycle(w, 300, s.a, [&] {
            for (const Step& t : side[std::max(0, std::min(4, s.b))])
                Perform(w, t);
        }, false);
        w.Wait(1500);
        break;
    }
    case Step::Kill:
    case Step::Term:
        End(w, s);
        break;
    case Step::WayBack:
    case Step::Mode:
    case Step::KindCount:
        break;
    }
}

void LeaveEverything(ScenarioWorld& w)
{
    if (!w.cameraPlugged()) {
        w.Camera(true);
        // The program's retries (every 3 s) see it again.
        w.Wait(4000);
    }
    if (!w.boardPlugged())
        w.Board(true);
    if (!w.sceneOk())
        w.ShowScene(true);
    // Resampling ordered: the next cycle takes the templates and opens the area check, whose End
    // Set below returns to detection (the inhibit is meant to stay until then).
    if (w.resampling()) {
        w.NewCycle();
        RunCycle(w, 300, -1, {}, false);
        w.Wait(1000);
    }
    // Until a whole round finds nothing to leave and the machine stands still.
    for (int round = 0; round < 6; ++round) {
        bool touched = false;
        for (int k = 0; k < 6; ++k) {
            // A warning may stand over a question: it is closed first (a touch meant for the
            // question's No would land on the warning).
            // The confirm of a restart's warning releases the mould it kept.
            const QList<JournalEvent::Kind> confirm =
                w.RestartWarningShown() ? QList<JournalEvent::Kind>{kRelease} : QList<JournalEvent::Kind>{};
            bool t = w.Dismiss(confirm) || w.Answer(false, 0) || w.TouchText("Exit setup", 1000);
            if (!t && w.TouchRow(kRowRedetect, 1500, {kRelease, kInspect}))
                t = true;
            if (!t && w.TouchText("End Set", 300, {kRelease})) {
                if (w.Answer(true, 800, {kRelease}))
                    w.EditsAnswered(true);
                w.Wait(700);
                w.SetResampling(w.ResamplingShown());
                t = true;
            }
            if (!t && w.TouchRow(kRowStart, 700, {kRelease})) {
                w.Note(JournalEvent::DetectionStarted);
                t = true;
            }
            if (!t && FinishOpenCycle(w))
                t = true;
            if (!t)
                break;
            touched = true;
        }
        // A verdict on the screen goes after 2 s.
        w.Wait(2200);
        if (!touched && w.words().Same(BoardTimeline(w.rig().board()->lines()).WordAt(w.Now()), w.words().idle))
            break;
    }
}

}  // namespace ScenarioActions
