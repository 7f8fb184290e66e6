#include "scenario/invariants.h"

#include <algorithm>
#include <limits>

namespace {

QString Hex(int word)
{
    return QString("0x%1").arg(word, 4, 16, QChar('0')).toUpper().replace("0X", "0x");
}

bool Within(const QList<JournalEvent>& journal, JournalEvent::Kind kind, qint64 from, qint64 to)
{
    for (const JournalEvent& e : journal)
        if (e.kind == kind && e.ms >= from && e.ms <= to)
            return true;
    return false;
}

// The last of the two kinds logged at or before `ms` is `on` (`off` when neither was).
bool StateAt(const QList<JournalEvent>& journal, JournalEvent::Kind on, JournalEvent::Kind off, qint64 ms)
{
    bool state = false;
    for (const JournalEvent& e : journal) {
        if (e.ms > ms)
            break;
        if (e.kind == on)
            state = true;
        else if (e.kind == off)
            state = false;
    }
    return state;
}

// Rises of any of `inputs`, in time order.
QList<qint64> RisesOf(const BoardTimeline& t, const QList<int>& inputs)
{
    QList<qint64> out;
    for (int n : inputs)
        out << t.Rises(n);
    std::sort(out.begin(), out.end());
    return out;
}

// The Restarted event that ended the start after `from` (-1: none yet).
qint64 RestartAfter(const QList<JournalEvent>& journal, qint64 from)
{
    for (const JournalEvent& e : journal)
        if (e.kind == JournalEvent::Restarted && e.ms >= from)
            return e.ms;
    return -1;
}

// A stall of the monitoring pass, in board ms: from its first log line until the pass ran again
// (or the program ended); the board takes each word up to kLagMs after its line.
struct Stall {
    qint64 from;
    qint64 to;
    bool ended;  // the pass ran again (else the program was killed in it)
};
constexpr qint64 kLagMs = 1500;

QList<Stall> Stalls(const QList<JournalEvent>& journal)
{
    QList<Stall> out;
    bool open = false;
    for (const JournalEvent& e : journal) {
        if (e.kind == JournalEvent::PassStalled && !open) {
            out << Stall{e.ms, -1, false};
            open = true;
        } else if (open && (e.kind == JournalEvent::PassBack || e.kind == JournalEvent::Killed)) {
            out.last().to = e.ms;
            out.last().ended = e.kind == JournalEvent::PassBack;
            open = false;
        }
    }
    return out;
}

// The stall whose words may reach the board at `ms` (null: none). The cycle's word stood still
// for the 2 s before the first line: the pass did not run.
const Stall* StallAt(const QList<Stall>& stalls, qint64 ms)
{
    for (const Stall& s : stalls)
        if (ms >= s.from - 200 && (s.to < 0 || ms <= s.to + kLagMs))
            return &s;
    return nullptr;
}

QString Around(const BoardTimeline& t, qint64 from, qint64 to, qint64 origin)
{
    QString s;
    for (const BoardWord& b : t.words())
        if (b.ms >= from && b.ms <= to)
            s += QString(" %1%2:%3").arg(b.ms >= origin ? "+" : "").arg(b.ms - origin).arg(Hex(b.word));
    return s.trimmed();
}

}  // namespace

int CycleWords::Word(std::initializer_list<int> active) const
{
    int w = idle;
    for (int o : active)
        w ^= 1 << o;
    return w;
}

CycleWords CycleWords::ForMode(int mode, int stages, int in1)
{
    const int in2 = in1 == 2 ? 3 : 2;
    CycleWords w;
    w.mode = mode;
    w.stages = mode == 4 ? std::max(2, std::min(3, stages)) : 2;
    w.stageInput[1] = mode == 4 ? in1 : mode == 1 ? 2 : 0;
    w.stageInput[2] = in2;
    if (mode == 4)
        w.delay1Ms = 300;  // a later stage's delay adds the earlier ones': keep the cycle short
    return w;
}

bool CycleWords::FromStep(int a, int b, CycleWords* out)
{
    if (a < 0 || a > 5 || b < 0)
        return false;
    if (a == 4) {
        if (b / 10 < 2 || b / 10 > 3 || b % 10 < 2 || b % 10 > 3)
            return false;
        *out = ForMode(4, b / 10, b % 10);
        return true;
    }
    const int sub = b / 100 % 10, recheck = b / 1000 % 10, flags = b / 10000;
    // Mode 5 has no automatic re-inspection; only the paired modes have sub-modes.
    if (b % 100 != 0 || flags > 15 || recheck > 3 || (a == 5 && recheck) || (sub && a != 1 && a != 2))
        return false;
    *out = ForMode(a);
    out->sub = sub;
    out->recheck = recheck;
    out->firstOn = !(flags & 1);
    out->semi = flags & 2;
    out->safety = flags & 4;
    if (flags & 8) {
        // Seconds, each stage its own: the operator's side panel meets a running delay.
        out->longDelays = true;
        out->delay0Ms = 1500;
        out->delay1Ms = 2500;
        out->delay2Ms = 2000;
    }
    if (a == 1)
        out->stageInput[1] = sub == 1 ? 3 : 2;
    return true;
}

int CycleWords::StepB() const
{
    if (mode == 4)
        return stages * 10 + stageInput[1];
    return sub * 100 + recheck * 1000 +
           ((firstOn ? 0 : 1) | (semi ? 2 : 0) | (safety ? 4 : 0) | (longDelays ? 8 : 0)) * 10000;
}

QString CycleWords::Describe() const
{
    QString s = QString("I/O mode %1").arg(mode);
    if (mode == 4) {
        QStringList inputs;
        for (int i = 0; i < stages; ++i)
            inputs << QString::number(stageInput[i]);
        return s + QString(", %1 stages on inputs %2").arg(stages).arg(inputs.join(", "));
    }
    if (mode == 1 || mode == 2)
        s += QString(", sub-mode %1").arg(sub);
    if (!firstOn)
        s += ", first stage off";
    if (semi)
        s += ", semi-automatic";
    if (safety)
        s += ", trigger safety";
    if (recheck)
        s += QString(", %1 automatic re-inspections").arg(recheck);
    if (longDelays)
        s += QString(", delays %1 and %2 ms").arg(delay0Ms).arg(delay1Ms);
    return s;
}

int CycleWords::StartInput(bool alt) const
{
    if (mode != 2)
        return 0;
    return sub == 1 || (sub >= 2 && alt) ? 3 : 0;
}

QList<int> CycleWords::TriggerInputs() const
{
    QList<int> out;
    if (mode == 2 && sub >= 2)
        out << 0 << 3;
    else
        out << StartInput();
    if (safety)
        out << 1;
    return out;
}

QList<int> CycleWords::ReleaseInputs() const
{
    return semi ? QList<int>{1, 2} : QList<int>{1};
}

namespace {

// The input that starts the second stage of a staged cycle; -1 when input 0 starts it.
int SecondInput(const CycleWords& w, bool alt)
{
    if (w.mode == 1)
        return w.sub == 1 || (w.sub >= 2 && alt) ? 3 : 2;
    return w.semi ? 2 : -1;
}

}  // namespace

bool CycleWords::Staged() const
{
    return mode == 4 || SecondInput(*this, false) >= 0;
}

QList<int> CycleWords::StartOutputs() const
{
    if (mode == 5)
        return firstOn ? QList<int>{ejectInhibit} : QList<int>{};
    if (!firstOn)
        return {closeInhibit};
    return {closeInhibit, ejectInhibit};
}

QList<QPair<int, int>> CycleWords::Inputs(bool alt) const
{
    if (mode != 4) {
        QList<QPair<int, int>> out{{StartInput(alt), 0}};
        if (SecondInput(*this, alt) >= 0)
            out << QPair<int, int>{SecondInput(*this, alt), delay0Ms + 200};
        return out;
    }
    QList<QPair<int, int>> out{{0, 0}};
    int judged = delay0Ms;
    int delay = delay0Ms;
    const int own[3] = {delay0Ms, delay1Ms, delay2Ms};
    for (int i = 1; i < stages; ++i) {
        out << QPair<int, int>{stageInput[i], judged + 200};
        delay += own[i];
        judged += 200 + delay;
    }
    return out;
}

namespace {

// When the second stage of a cycle is judged: the index of the input its delay counts from, and
// the delay.
QPair<int, int> SecondVerdict(const CycleWords& w)
{
    if (w.Staged())
        return {1, w.delay1Ms};
    // Modes 0, 3 and 5 add the first stage's delay when it runs; the stage pairs count their own.
    const bool adds = w.firstOn && w.mode != 1 && w.mode != 2;
    return {0, adds ? w.delay0Ms + w.delay1Ms : w.delay1Ms};
}

}  // namespace

QList<CycleWords::Change> CycleWords::Cycle(bool alt) const
{
    if (mode != 4) {
        QList<Change> out;
        int word = idle;
        for (int o : StartOutputs())
            word ^= 1 << o;
        if (word != idle)
            out << Change{0, 0, word};
        if (firstOn && Active(word, ejectInhibit)) {
            word ^= 1 << ejectInhibit;
            out << Change{0, delay0Ms, word};
        }
        // The input that starts the second stage sets the mould-close inhibit too (in mode 5 the
        // only one to set it).
        if (SecondInput(*this, alt) >= 0 && !Active(word, closeInhibit)) {
            word ^= 1 << closeInhibit;
            out << Change{1, 0, word};
        }
        if (Active(word, closeInhibit)) {
            const QPair<int, int> v = SecondVerdict(*this);
            out << Change{v.first, v.second, idle};
        }
        return out;
    }
    // Mode 4: input 0 sets every stage's output (stage i on output OutputNo[i] - 1: 1, 3; the last
    // stage on output 0); each stage's verdict clears its own, a later stage's delay adding the
    // earlier ones'.
    int word = idle;
    for (int i = 0; i < stages; ++i)
        word ^= 1 << StageOutput(i);
    QList<Change> out{{0, 0, word}};
    const int own[3] = {delay0Ms, delay1Ms, delay2Ms};
    int delay = 0;
    for (int i = 0; i < stages; ++i) {
        delay += own[i];
        word ^= 1 << StageOutput(i);
        out << Change{i, delay, word};
    }
    return out;
}

int CycleWords::StageOutput(int i) const
{
    if (mode != 4 || i < 0 || i >= stages)
        return -1;
    return i == stages - 1 ? closeInhibit : i == 0 ? ejectInhibit : 3;
}

int CycleWords::SpanMs(bool alt) const
{
    const QList<QPair<int, int>> inputs = Inputs(alt);
    if (mode == 4) {
        const Change last = Cycle(alt).last();
        return inputs[last.input].second + last.afterMs;
    }
    const QPair<int, int> v = SecondVerdict(*this);
    return std::max(firstOn ? delay0Ms : 0, inputs[v.first].second + v.second);
}

int CycleWords::BusyMs() const
{
    if (Staged())
        return firstOn ? delay0Ms : 0;
    if (mode == 2)
        return firstOn ? std::max(delay0Ms, delay1Ms) : delay1Ms;
    return SecondVerdict(*this).second;
}

namespace Invariants {

QList<Breach> NoCycleWithoutTrigger(const BoardTimeline& t, const QList<JournalEvent>& journal,
                                    const CycleWords& w, qint64 fromMs)
{
    QList<Breach> out;
    const QList<int> outputs = w.StartOutputs();
    if (outputs.isEmpty())
        return out;  // a cycle start changes no output: nothing to see
    auto started = [&](int word) {
        for (int o : outputs)
            if (!w.Active(word, o))
                return false;
        return true;
    };
    const QList<BoardWord>& words = t.words();
    QList<qint64> starts;
    QList<qint64> ends;  // when each start's cycle stopped counting
    QList<bool> closeOnly;  // the start word added the mould-close inhibit alone
    for (int i = 0; i < words.size(); ++i) {
        const bool both = started(words[i].word) && !w.Active(words[i].word, w.alarm);
        const bool before = i > 0 && started(words[i - 1].word);
        if (!both || before)
            continue;
        qint64 end = words[i].ms + w.BusyMs() + 50;
        for (int j = i + 1; j < words.size() && words[j].ms < end; ++j)
            if ((w.mode != 5 && !w.Active(words[j].word, w.closeInhibit)) || w.Active(words[j].word, w.alarm)) {
                end = words[j].ms;
                break;
            }
        bool others = i > 0;
        for (int o : outputs)
            others = others && (o == w.closeInhibit || w.Active(words[i - 1].word, o));
        starts << words[i].ms;
        ends << end;
        closeOnly << (outputs == QList<int>{w.closeInhibit} || others);
    }
    const QList<qint64> rises = RisesOf(t, w.TriggerInputs());
    for (int i = 0; i < starts.size(); ++i) {
        const qint64 s = starts[i];
        if (s < fromMs || StartingUp(t, journal, w, s, true))
            continue;
        // The mould-close inhibit alone is also the silent board's and the lost camera's, added
        // too to the outputs a hold keeps (mode 4: a stage's output, its alarm lifted by the door).
        if (closeOnly[i]
            && (t.SentFrom(s) != s || StateAt(journal, JournalEvent::CameraOut, JournalEvent::CameraIn, s)
                || Within(journal, JournalEvent::CameraIn, s - 4000, s)))
            continue;
        bool triggered = Within(journal, JournalEvent::OperatorInspect, s - 2000, s);
        QStringList late;
        for (qint64 e : rises) {
            if (e > s || e < s - (w.holdMs + 250))
                continue;
            bool duringDelay = false;
            for (int j = 0; j < i; ++j)
                duringDelay = duringDelay || (e > starts[j] && e < ends[j]);
            if (duringDelay)
                late << QString::number(e - s);
            else
                triggered = true;
        }
        // Mode 4 keeps an edge that comes while the region page holds the cycle and takes it
        // when the page ends.
        if (w.mode == 4) {
            qint64 opened = -1;
            for (const JournalEvent& j : journal) {
                if (j.ms > s)
                    break;
                if (j.kind == JournalEvent::EditingOpen)
                    opened = j.ms;
                else if (j.kind == JournalEvent::EditingClosed && opened >= 0) {
                    if (j.ms >= s - (w.holdMs + 250))
                        for (qint64 e : rises)
                            triggered = triggered || (e >= opened && e <= j.ms);
                    opened = -1;
                }
            }
        }
        // An input still raised when the cycle became idle is read then as an edge.
        for (int n : w.TriggerInputs())
            triggered = triggered || t.HighWithin(n, s - 60 - w.holdMs, s);
        if (!triggered)
            out << Breach{"no cycle without a trigger",
                          QString("cycle-start outputs set at board ms %1 with no trigger-input rise while idle in the %2 ms "
                                  "before (rises during a delay at %3); words: %4")
                              .arg(s)
                              .arg(w.holdMs + 250)
                              .arg(late.isEmpty() ? "none" : late.join(' '))
                              .arg(Around(t, s - 2000, s + 200, s))};
    }
    return out;
}

namespace {

// Detection stopped by the operator at `ms`: the outputs are the stop's, nothing is judged.
bool DetectionStoppedAt(const QList<JournalEvent>& journal, qint64 ms)
{
    bool stopped = false;
    for (const JournalEvent& e : journal) {
        if (e.ms > ms)
            break;
        if (e.kind == JournalEvent::DetectionStopped)
            stopped = true;
        else if (e.kind == JournalEvent::DetectionStarted || e.kind == JournalEvent::Restarted)
            stopped = false;
    }
    return stopped;
}

// The inhibit released at words[i] was set by a camera loss that came while the mould was free
// and no trigger input rose: the cameras back give the idle word back, nothing was left unjudged.
bool LossGivenBack(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w, int i)
{
    const QList<BoardWord>& words = t.words();
    int j = i - 1;
    while (j > 0 && w.Active(words[j - 1].word, w.closeInhibit))
        --j;
    if (j == 0)
        return false;
    const qint64 rise = words[j].ms;
    qint64 out = -1;
    for (const JournalEvent& e : journal)
        if (e.kind == JournalEvent::CameraOut && e.ms <= rise)
            out = e.ms;
    // The frame watch hands a still camera over at its sixth still second.
    if (out < 0 || rise - out > 8000 || w.Active(t.WordAt(out), w.closeInhibit)
        || StateAt(journal, JournalEvent::CameraOut, JournalEvent::CameraIn, words[i].ms))
        return false;
    for (int k = 0; k < j; ++k)
        if (words[k].ms >= out && w.Active(words[k].word, w.closeInhibit))
            return false;
    for (qint64 r : RisesOf(t, w.TriggerInputs()))
        if (r >= out - 1000 && r <= words[i].ms)
            return false;
    return true;
}

}  // namespace

QList<Breach> NoReleaseWithoutVerdict(const BoardTimeline& t, const QList<JournalEvent>& journal,
                                      const CycleWords& w, qint64 fromMs)
{
    QList<Breach> out;
    const QList<BoardWord>& words = t.words();
    const QList<Stall> stalls = Stalls(journal);
    for (int i = 1; i < words.size(); ++i) {
        const qint64 ms = words[i].ms;
        if (ms < fromMs || !w.Active(words[i - 1].word, w.closeInhibit) || w.Active(words[i].word, w.closeInhibit))
            continue;
        // The board watch gives the mould back to the cycle's word when the pass runs again.
        const Stall* stall = StallAt(stalls, ms);
        if (stall && !w.Active(t.WordAt(stall->from - 500), w.closeInhibit))
            continue;
        if (Within(journal, JournalEvent::OperatorRelease, t.SentFrom(ms) - 2500, ms) || StartingUp(t, journal, w, ms, false)
            || DetectionStoppedAt(journal, t.SentFrom(ms)) || LossGivenBack(t, journal, w, i))
            continue;
        // A frame takes a moment to reach the inspection: what was shown 0.3 s before is seen.
        QString why;
        if (StateAt(journal, JournalEvent::SceneNg, JournalEvent::SceneOk, ms - 300)
            && StateAt(journal, JournalEvent::SceneNg, JournalEvent::SceneOk, ms))
            why = "a part in the mould";
        else if (StateAt(journal, JournalEvent::CameraOut, JournalEvent::CameraIn, ms - 400)
                 && StateAt(journal, JournalEvent::CameraOut, JournalEvent::CameraIn, ms))
            why = "a camera unplugged";
        if (!why.isEmpty())
            out << Breach{"no release without a verdict",
                          QString("mould-close inhibit released at board ms %1 (%2 -> %3) with %4; words: %5")
                              .arg(ms)
                              .arg(Hex(words[i - 1].word), Hex(words[i].word), why)
                              .arg(Around(t, ms - 2000, ms + 100, ms))};
    }
    return out;
}

QList<Breach> AlarmHeld(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w,
                        qint64 fromMs, qint64 settledMs, int alarmRows)
{
    QList<Breach> out;
    const QList<BoardWord>& words = t.words();
    const QList<qint64> recheck = RisesOf(t, w.ReleaseInputs());
    const QList<Stall> stalls = Stalls(journal);
    // A hold lasts until the mould-close inhibit is released, and in mode 4 also every stage output
    // it kept while its alarm stood (a snapshot's hold keeps the judged stage's output alone); the
    // safety door (input 1), a stop or a re-check may clear the alarm output and a later pass set
    // it again within the same hold, one row for both.
    int entered = 0;
    bool inHold = false;
    QList<int> kept;  // the stage outputs the hold kept while its alarm stood
    for (int i = 0; i < words.size(); ++i) {
        const bool was = i > 0 && w.Active(words[i - 1].word, w.alarm);
        const bool is = w.Active(words[i].word, w.alarm);
        const qint64 ms = words[i].ms;
        // The board watch's alarm is no hold: the cycle's own word (before the stall) had none.
        const Stall* stall = StallAt(stalls, ms);
        const bool watch = stall && !w.Active(t.WordAt(stall->from - 500), w.alarm);
        bool held = w.Active(words[i].word, w.closeInhibit);
        for (int o : kept)
            held = held || w.Active(words[i].word, o);
        if (!held) {
            inHold = false;
            kept.clear();
        }
        if (!was && is && !inHold && ms <= settledMs && !watch)
            ++entered;
        if (is && !watch) {
            inHold = true;
            for (int s = 0; s < w.stages; ++s)
                if (w.StageOutput(s) >= 0 && w.Active(words[i].word, w.StageOutput(s)) && !kept.contains(w.StageOutput(s)))
                    kept << w.StageOutput(s);
        }
        if (!was || is || ms < fromMs || watch)
            continue;
        bool released = Within(journal, JournalEvent::OperatorRelease, t.SentFrom(ms) - 2500, ms);
        // A program ended in a hold starts again without it; the mould-close inhibit stays.
        for (const JournalEvent& e : journal)
            if (e.kind == JournalEvent::Killed && ms >= e.ms) {
                const qint64 r = RestartAfter(journal, e.ms);
                released = released || r < 0 || ms <= r + 3000;
            }
        for (qint64 r : recheck)
            released = released || (r <= ms && r >= ms - 2500);
        if (!released)
            out << Breach{"alarm held", QString("alarm output cleared at board ms %1 with no re-check and no operator's "
                                                "release; words: %2")
                                            .arg(ms)
                                            .arg(Around(t, ms - 3000, ms + 100, ms))};
    }
    if (alarmRows < entered)
        out << Breach{"alarm held", QString("%1 alarm holds entered, %2 alarm rows in RECORD.db").arg(entered).arg(alarmRows)};
    return out;
}

QList<Breach> WayBack(const BoardTimeline& t, const CycleWords& w, qint64 edgeMs, int slackMs)
{
    QList<Breach> out;
    const int before = t.WordAt(edgeMs - 1);
    if (!w.Same(before, w.idle))
        out << Breach{"way back", QString("after every page was left the board holds %1, not the idle word %2 (outputs 0-3); "
                                          "words: %3")
                                      .arg(Hex(before), Hex(w.idle & CycleWords::kMask), Around(t, edgeMs - 3000, edgeMs, edgeMs))};
    // Each stage input's real edge: the times count from it.
    const QList<QPair<int, int>> inputs = w.Inputs();
    QList<qint64> edges{edgeMs};
    for (int i = 1; i < inputs.size(); ++i) {
        qint64 e = -1;
        for (qint64 r : t.Rises(inputs[i].first))
            if (e < 0 && r >= edgeMs + inputs[i].second - 100)
                e = r;
        edges << (e < 0 ? edgeMs + inputs[i].second : e);
    }
    const QList<CycleWords::Change> want = w.Cycle();
    // A stage input the driver raised late moves the words after it.
    qint64 end = edgeMs + w.SpanMs();
    for (const CycleWords::Change& c : want)
        end = std::max(end, edges[c.input] + c.afterMs);
    end += 500;
    QList<BoardWord> seen;  // the changes on outputs 0-3
    int last = before;
    for (const BoardWord& b : t.words())
        if (b.ms >= edgeMs && b.ms <= end && !w.Same(b.word, last)) {
            seen << b;
            last = b.word;
        }
    QString wantText;
    for (const CycleWords::Change& c : want)
        wantText += QString("%1%2 +%3").arg(wantText.isEmpty() ? "" : ", ").arg(Hex(c.word & CycleWords::kMask)).arg(edges[c.input] - edgeMs + c.afterMs);
    const QString words = Around(t, edgeMs - 500, end, edgeMs);
    bool sameWords = seen.size() == want.size();
    for (int i = 0; sameWords && i < want.size(); ++i)
        sameWords = w.Same(seen[i].word, want[i].word);
    if (!sameWords) {
        out << Breach{"way back", QString("one cycle on an empty mould (mode %1) from the input-0 edge gave %2, not %3 "
                                          "(outputs 0-3)")
                                      .arg(w.mode)
                                      .arg(words.isEmpty() ? "no word" : words, wantText)};
        return out;
    }
    for (int i = 0; i < want.size(); ++i) {
        const qint64 at = edges[want[i].input] - edgeMs + want[i].afterMs;
        const qint64 off = seen[i].ms - edgeMs - at;
        if (off > slackMs || off < -slackMs)
            out << Breach{"way back", QString("late: %1 at +%2 ms, wanted +%3 within %4 ms; words: %5")
                                          .arg(Hex(want[i].word))
                                          .arg(seen[i].ms - edgeMs)
                                          .arg(at)
                                          .arg(slackMs)
                                          .arg(words), std::abs(off)};
    }
    return out;
}

bool StartingUp(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w, qint64 ms, bool any)
{
    qint64 kill = -1;
    for (const JournalEvent& e : journal)
        if (e.kind == JournalEvent::Killed && e.ms <= ms)
            kill = e.ms;
    const qint64 shown = RestartAfter(journal, kill);
    if (shown < 0)
        return kill >= 0;  // killed and not shown again yet: still starting
    if (ms > shown + 500)
        return false;
    return any || kill < 0 || !w.Active(OwnWordAt(t, journal, kill), w.closeInhibit);
}

QList<Breach> RestartKeepsInhibit(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w,
                                  qint64 fromMs)
{
    QList<Breach> out;
    const QList<qint64> rises = RisesOf(t, w.TriggerInputs());
    for (const JournalEvent& k : journal) {
        if (k.kind != JournalEvent::Killed || !w.Active(OwnWordAt(t, journal, k.ms), w.closeInhibit)
            || Within(journal, JournalEvent::KilledResampling, k.ms, k.ms))
            continue;
        const qint64 shown = RestartAfter(journal, k.ms);
        qint64 released = -1;
        for (const BoardWord& b : t.words())
            if (b.ms > k.ms && !w.Active(b.word, w.closeInhibit)) {
                released = b.ms;
                break;
            }
        if (released < fromMs)
            continue;
        // The operator's confirm, or an inspection the operator asked for (a snapshot judges the mould).
        bool cause = shown >= 0
            && (Within(journal, JournalEvent::OperatorRelease, std::max(shown, t.SentFrom(released) - 2500), released)
                || Within(journal, JournalEvent::OperatorInspect, shown, released));
        for (qint64 r : rises)
            cause = cause || (r > k.ms && r < released);
        // The cycle open at the kill, run by the new program from the edge the board kept: its
        // start sets the ejector inhibit again, its verdict releases.
        for (int i = 1; i < t.words().size() && w.StartOutputs().contains(w.ejectInhibit); ++i) {
            const BoardWord& b = t.words()[i];
            cause = cause || (b.ms > k.ms && b.ms < released && w.Active(b.word, w.ejectInhibit)
                              && !w.Active(t.words()[i - 1].word, w.ejectInhibit));
        }
        if (!cause)
            out << Breach{"restart keeps the mould", QString("killed at board ms %1 holding %2; the start (main screen at %3) "
                                                             "released the mould-close inhibit at %4 with no confirm and no cycle; "
                                                             "words: %5")
                                                         .arg(k.ms)
                                                         .arg(Hex(t.WordAt(k.ms)))
                                                         .arg(shown)
                                                         .arg(released)
                                                         .arg(Around(t, k.ms - 500, released + 100, k.ms))};
    }
    return out;
}

int OwnWordAt(const BoardTimeline& t, const QList<JournalEvent>& journal, qint64 ms)
{
    const Stall* s = StallAt(Stalls(journal), ms);
    return t.WordAt(s ? s->from - 500 : ms);
}

bool BoardWatchWithin(const QList<JournalEvent>& journal, qint64 from, qint64 to)
{
    for (const Stall& s : Stalls(journal))
        if (s.from - 200 <= to && (s.to < 0 || s.to + kLagMs >= from))
            return true;
    return false;
}

QList<Breach> BoardWatch(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w,
                         qint64 fromMs, qint64 settledMs, int blindRows)
{
    QList<Breach> out;
    int ended = 0;
    for (const Stall& s : Stalls(journal)) {
        ended += s.ended && s.to <= settledMs;
        // While the pass does not run the board thread holds the mould, whatever the cycle's word.
        const qint64 held = s.from + kLagMs;
        const qint64 end = s.to < 0 ? t.lastMs() : s.to;
        if (end < fromMs || held >= end)
            continue;
        QList<BoardWord> seen{{held, t.WordAt(held)}};
        for (const BoardWord& b : t.words())
            if (b.ms > held && b.ms <= end)
                seen << b;
        for (const BoardWord& b : seen)
            if (b.word >= 0 && !t.SilentAt(b.ms) && !(w.Active(b.word, w.closeInhibit) && w.Active(b.word, w.alarm))) {
                out << Breach{"board watch", QString("the pass stalled from board ms %1 to %2, the board holds %3 at %4 "
                                                     "(mould-close inhibit and alarm wanted); words: %5")
                                                 .arg(s.from)
                                                 .arg(end)
                                                 .arg(Hex(b.word))
                                                 .arg(b.ms)
                                                 .arg(Around(t, s.from - 500, end + 500, s.from))};
                break;
            }
    }
    if (blindRows < ended)
        out << Breach{"board watch", QString("%1 stalls of the pass ended, %2 rows of them in RECORD.db").arg(ended).arg(blindRows)};
    return out;
}

namespace {

struct StageSpan {
    int stage;
    qint64 from;
    qint64 due;  // the delay's end
    qint64 to;   // -1: still running
};

// Each start with the end that closed it: its end line, a restart of the stage, or a kill.
QList<StageSpan> StageSpans(const QList<StageEvent>& stages, const QList<JournalEvent>& journal)
{
    QList<StageSpan> out;
    QList<qint64> kills;
    for (const JournalEvent& e : journal)
        if (e.kind == JournalEvent::Killed)
            kills << e.ms;
    int open[9];
    for (int& o : open)
        o = -1;
    auto closeAll = [&](qint64 ms) {
        for (int& o : open)
            if (o >= 0) {
                out[o].to = ms;
                o = -1;
            }
    };
    int k = 0;
    for (const StageEvent& e : stages) {
        for (; k < kills.size() && kills[k] <= e.ms; ++k)
            closeAll(kills[k]);
        if (e.stage < 1 || e.stage > 8)
            continue;
        int& o = open[e.stage];
        if (o >= 0) {
            out[o].to = e.ms;
            o = -1;
        }
        if (e.start) {
            out << StageSpan{e.stage, e.ms, e.ms + e.delayMs, -1};
            o = int(out.size()) - 1;
        }
    }
    for (; k < kills.size(); ++k)
        closeAll(kills[k]);
    return out;
}

} // namespace

QList<Breach> StagesJudged(const QList<StageEvent>& stages, const QList<JournalEvent>& journal, qint64 fromMs,
                           qint64 nowMs)
{
    QList<Breach> out;
    for (const StageSpan& s : StageSpans(stages, journal)) {
        qint64 limit = s.due + 1000;
        // A stall of the pass the board watch covered holds every timer up with it: the verdict
        // is due within the same 1 s after the pass runs again, not whenever it comes.
        for (const Stall& st : Stalls(journal)) {
            if (st.from - 200 > limit || (st.to >= 0 && st.to + 200 < s.from))
                continue;
            limit = st.to < 0 ? std::numeric_limits<qint64>::max() : std::max(limit, st.to + 1000);
        }
        const qint64 end = s.to >= 0 ? s.to : nowMs;
        if (end <= limit || end <= fromMs)
            continue;
        // Late before the last check was judged then (maybe excused as a starved program): what
        // is judged now is the lateness since, so an excuse never covers a delay that runs on.
        const qint64 lateFrom = std::max(limit, fromMs);
        Breach b{"stage judged",
                 s.to >= 0 ? QString("stage %1 started at board ms %2 with a delay of %3 ms ended at %4")
                                 .arg(s.stage)
                                 .arg(s.from)
                                 .arg(s.due - s.from)
                                 .arg(s.to)
                           : QString("stage %1 started at board ms %2 with a delay of %3 ms is still running at %4")
                                 .arg(s.stage)
                                 .arg(s.from)
                                 .arg(s.due - s.from)
                                 .arg(nowMs)};
        b.lateMs = end - lateFrom;
        out << b;
    }
    return out;
}

QList<Breach> NoIdleStageTimer(const QList<StageEvent>& stages, const QList<JournalEvent>& journal, qint64 nowMs,
                               qint64 graceMs)
{
    QList<Breach> out;
    for (const StageSpan& s : StageSpans(stages, journal))
        if (s.to < 0 && nowMs > s.due + graceMs)
            out << Breach{"no stage timer without a tick",
                          QString("the machine stands still at board ms %1; stage %2's delay, started at %3 to end at %4, "
                                  "still runs")
                              .arg(nowMs)
                              .arg(s.stage)
                              .arg(s.from)
                              .arg(s.due)};
    return out;
}

QList<Breach> NothingLost(const QList<QStringList>& before, const QList<QStringList>& now)
{
    if (now.size() >= before.size() && now.mid(0, before.size()) == before)
        return {};
    int first = 0;
    while (first < before.size() && first < now.size() && before[first] == now[first])
        ++first;
    return {Breach{"nothing lost", QString("RECORD.db had %1 rows, now %2; first difference at row %3: \"%4\"")
                                       .arg(before.size())
                                       .arg(now.size())
                                       .arg(first + 1)
                                       .arg(before.value(first).join(" | "))}};
}

QList<long long> ReadCounts(const QByteArray& countTxt)
{
    QList<long long> out;
    const QList<QByteArray> parts = countTxt.split(' ');
    for (int i = 0; i < 16; ++i) {
        bool ok = false;
        const long long v = parts.value(i).toLongLong(&ok);
        out << (ok && v >= 0 ? v : -1);
    }
    if (parts.size() != 17 || !parts.last().isEmpty())
        out[0] = -1;
    return out;
}

QList<Breach> CountAdded(const QList<long long>& before, const QList<long long>& now, int uncounted)
{
    QList<Breach> out;
    auto text = [](const QList<long long>& c) {
        QStringList s;
        for (long long v : c)
            s << QString::number(v);
        return s.join(' ');
    };
    if (now.size() != 16 || now.contains(-1))
        return {Breach{"nothing lost", "count.txt is not 16 numbers each followed by a blank: " + text(now)}};
    for (int c = 0; c < 8; ++c)
        if (now[2 * c + 1] > now[2 * c])
            out << Breach{"nothing lost", QString("count.txt: camera %1 has more NG than inspections: %2").arg(c + 1).arg(text(now))};
    if (before.size() == 16 && !before.contains(-1) && (now[0] < before[0] + 1 || now[0] > before[0] + 1 + uncounted))
        out << Breach{"nothing lost", QString("count.txt: camera 1 counted %1 inspections before a full cycle and %2 after "
                                              "(%3 cycles not stored yet)")
                                          .arg(before[0])
                                          .arg(now[0])
                                          .arg(uncounted)};
    return out;
}

}  // namespace Invariants
