#pragma once
// What must always hold while an operator and a machine work the program, checked from outside:
// the board's words, the driver's own journal of what it did (in board time), the record rows and
// the counters. Each breach names its invariant.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "scenario/boardtimeline.h"

// What the driver did, in board milliseconds.
struct JournalEvent {
    enum Kind {
        SceneOk,         // an empty mould in front of the cameras
        SceneNg,         // a part left in the mould
        CameraOut,       // a camera's cable pulled
        CameraIn,        // and put back
        OperatorRelease, // an action the operator may release the inhibits or the alarm with
        OperatorInspect, // an action that inspects without a machine trigger (snapshot, re-detect)
        Killed,          // the program ended: by SIGKILL, or the SIGTERM that stopped it in order
        Restarted,       // the program showed its main screen (its first start too)
        KilledResampling,  // the same moment as a Killed: templates were to be taken (an empty mould
                           // held for the area check, not a mould left unjudged)
        DetectionStopped,  // the operator stopped detection: nothing is judged until a start
        DetectionStarted,  // started again (a start also shows as Restarted)
        // From the program's log, not the driver: the monitoring pass had not run for 2 s while
        // detecting, and the board thread held the mould (mould-close inhibit and alarm) until
        // the pass ran again.
        PassStalled,
        PassBack,
        // From the program's log: the region page held the cycle (mode 4 keeps the edges that
        // come meanwhile and takes them when the page ends).
        EditingOpen,
        EditingClosed,
    };
    qint64 ms;
    Kind kind;
};

// A stage delay as the program logged it (standard error), in board milliseconds.
struct StageEvent {
    qint64 ms;
    int stage;         // from 1
    int delayMs = 0;   // a start's delay
    bool start = true; // else the delay ended (judged, or stopped without a verdict)
};

struct Breach {
    QString invariant;  // "way back", "no release without a verdict", ...
    QString detail;
    qint64 lateMs = 0;  // a timing window missed by this much (else 0)
};

// The words of the mode in force: the idle word, the outputs the cycle drives, and one machine
// cycle on an empty mould as the mode derives it (its stage inputs raised in order, each after
// the stage before it was judged). Words are compared on outputs 0-3 only: the polarity of
// outputs 4-7 differs by mode.
struct CycleWords {
    int mode = 0;           // I/O mode 0-5
    int stages = 2;         // mode 4: stage_count (2 or 3)
    int stageInput[3] = {0, 2, 3};  // mode 4: the input of each stage
    int sub = 0;            // modes 1 and 2: io_sub_mode (0-3)
    bool firstOn = true;    // first_stage_on
    bool semi = false;      // semi_auto
    bool safety = false;    // enable_trigger_safety
    int recheck = 0;        // front_auto_check_time
    int idle = 0x00F0;
    int closeInhibit = 0;   // output numbers
    int ejectInhibit = 1;
    int alarm = 2;
    int delay0Ms = 300;     // edge to stage 1's verdict
    int delay1Ms = 500;     // stage 2's delay (mode 0: counted from the same edge)
    int delay2Ms = 300;     // mode 4: stage 3's delay
    int holdMs = 150;       // the longest GUI hold the driver asks for
    bool longDelays = false;  // option 8: stage delays of seconds, each its own
    static constexpr int kMask = 0x0F;

    // The words for `mode`; mode 4 with `stages` stages on inputs 0, `in1` and the other of 2, 3.
    static CycleWords ForMode(int mode, int stages = 2, int in1 = 2);
    // The words of a mode step's values: `b` is mode 4's stage mapping (stages x 10 + input), or
    // for the other modes sub-mode x 100 + front_auto_check_time x 1000 + options x 10000 (1
    // first stage off, 2 semi-automatic, 4 trigger safety). False for values no mode has.
    static bool FromStep(int a, int b, CycleWords* out);
    int StepB() const;
    // How the settings read in a walk's first line.
    QString Describe() const;
    bool Active(int word, int output) const { return word >= 0 && (((word ^ idle) >> output) & 1); }
    bool Same(int a, int b) const { return ((a ^ b) & kMask) == 0; }
    int Word(std::initializer_list<int> active) const;
    struct Change {
        int input;    // index into Inputs(): the edge the time counts from
        int afterMs;  // from that edge
        int word;
    };
    // The output stage i of a cycle holds until it is judged (mode 4; else -1).
    int StageOutput(int i) const;
    // The input a cycle starts with; `alt`: the other stage pair where both are in force.
    int StartInput(bool alt = false) const;
    // Every input that starts a cycle, and with trigger safety input 1, which judges at once.
    QList<int> TriggerInputs() const;
    // The inputs that may release an alarm hold (the re-check; semi-automatic also input 2).
    QList<int> ReleaseInputs() const;
    // A stage waits for an input of its own after the cycle's first (modes 1 and 4, semi-automatic).
    bool Staged() const;
    // The outputs a cycle start sets.
    QList<int> StartOutputs() const;
    // The inputs one cycle raises, each with its time from the first edge (ms): the next stage's
    // input comes 200 ms after the stage before it was judged.
    QList<QPair<int, int>> Inputs(bool alt = false) const;
    // The words one cycle on an empty mould gives.
    QList<Change> Cycle(bool alt = false) const;
    // From the first edge to the last verdict (one may change no output).
    int SpanMs(bool alt = false) const;
    // How long after a cycle's input-0 edge its input-0 stages are counting (an input-0 rise then
    // starts nothing).
    int BusyMs() const;
};

namespace Invariants {

// A cycle start (both inhibits set from a word without them) follows an input-0 rise that came
// while no cycle was counting its delays, an input 0 still raised when the cycle became idle, or
// an operator's inspection; a pulse that came and went during a delay is never kept for later.
QList<Breach> NoCycleWithoutTrigger(const BoardTimeline& t, const QList<JournalEvent>& journal,
                                    const CycleWords& w, qint64 fromMs);
// The mould-close inhibit is released only where an OK verdict could come from: not while a part
// is in the mould or a camera is unplugged, unless the operator released it.
QList<Breach> NoReleaseWithoutVerdict(const BoardTimeline& t, const QList<JournalEvent>& journal,
                                      const CycleWords& w, qint64 fromMs);
// The alarm, once set, stays set until a re-check (input 1) or an operator's release; each alarm
// hold entered has its record row (`alarmRows` rows name an alarm so far).
QList<Breach> AlarmHeld(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w,
                        qint64 fromMs, qint64 settledMs, int alarmRows);
// After the operator left every page and the machine stood still: the idle word; then one
// machine cycle on an empty mould from `edgeMs` gives the mode's words (`Cycle`) on time, within
// `slackMs`, and nothing else.
QList<Breach> WayBack(const BoardTimeline& t, const CycleWords& w, qint64 edgeMs, int slackMs);
// A program killed while the mould-close inhibit was set keeps it from its restart until the
// operator confirms (an operator's release) or a cycle (or an inspection the operator asked for)
// after the restart is judged.
QList<Breach> RestartKeepsInhibit(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w,
                                  qint64 fromMs);
// Whether `ms` lies in a start of the program that found the mould released: what it sends
// before and just after its main screen shows is its start-up, not a cycle.
// `any`: whatever the mould's state at the end before it.
bool StartingUp(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w, qint64 ms, bool any);
// A stall of the monitoring pass the program logged (PassStalled) holds the mould on the board:
// mould-close inhibit and alarm through it, until the pass runs again (PassBack) and the cycle's
// word returns; each ended stall has its record row (`blindRows` rows so far).
QList<Breach> BoardWatch(const BoardTimeline& t, const QList<JournalEvent>& journal, const CycleWords& w,
                         qint64 fromMs, qint64 settledMs, int blindRows);
// Whether a logged stall of the pass (with the board's lag after the line) reaches into [from, to].
bool BoardWatchWithin(const QList<JournalEvent>& journal, qint64 from, qint64 to);
// The word the cycle owns at `ms`: in a stall of the pass, the word before it.
int OwnWordAt(const BoardTimeline& t, const QList<JournalEvent>& journal, qint64 ms);
// Every stage delay started ends (its stage judged, or stopped) within its delay plus 1 s: one
// still running at nowMs past that, or that ended past it after fromMs (the last check), is a
// breach with the lateness since the later of that limit and fromMs (lateMs), which a program
// starved in that span may explain. A stall of the pass begun before that limit moves it to 1 s
// after the pass ran again; a kill ends every delay.
QList<Breach> StagesJudged(const QList<StageEvent>& stages, const QList<JournalEvent>& journal, qint64 fromMs,
                           qint64 nowMs);
// With the machine standing still: no stage delay still running `graceMs` after it was due to
// end (a timer that runs on with no verdict to come).
QList<Breach> NoIdleStageTimer(const QList<StageEvent>& stages, const QList<JournalEvent>& journal, qint64 nowMs,
                               qint64 graceMs);
// Record rows are only ever added, in order.
QList<Breach> NothingLost(const QList<QStringList>& before, const QList<QStringList>& now);
// count.txt after a full OK cycle: camera 1's inspections grew by that cycle, and by at most
// `uncounted` more (cycles judged NG since the counts were last stored); never more NG than
// inspections.
QList<Breach> CountAdded(const QList<long long>& before, const QList<long long>& now, int uncounted);
// count.txt: 16 numbers, each followed by a blank; -1 entries when unreadable.
QList<long long> ReadCounts(const QByteArray& countTxt);

}  // namespace Invariants
