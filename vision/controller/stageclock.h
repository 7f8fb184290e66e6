#pragma once
// The delays of the detect stages, counted in whole 100 ms ticks. A delay of D tenths is judged at
// the D-th tick after its start (a delay of 0 at once). Counting in integers keeps the pre-cut
// exact: with pre_cut p the mould-close inhibit comes when p ticks or fewer remain before the
// verdict, so pre_cut 10 with a delay of 30 sets it exactly 1.0 s before the verdict.
// The ticks fall due by a clock that is never set (not the wall clock): a tick whose time came
// while the thread was held up is still counted (DueTicks), so a delay keeps its time.
// The clock owns whether a stage runs: every change of a stage calls `wake`, which sets the
// stage's timer for its next tick or stops it, so a timer never runs without a tick to come and
// a running stage always has one.
#include <QtGlobal>
#include <functional>

class StageClock {
public:
    static constexpr int kStages = 8;
    static constexpr int kTickMs = 100;

    StageClock();
    // Milliseconds of a clock that only runs forward; replaced by tests.
    std::function<qint64()> now;
    // Called with the milliseconds to stage d's next tick while it runs, with -1 once it does not.
    std::function<void(int d, int ms)> wake;

    // Starts stage d with a delay of `tenths` (negative counts as 0), its ticks counted from now;
    // a stage started again while it runs starts its delay anew.
    void Start(int d, int tenths);
    // One tick of stage d; true when the delay has expired (the stage is judged now and no longer
    // runs). A stage that was never started, or whose delay is 0, expires at once.
    bool Tick(int d);
    // Whether stage d's delay runs: it is started and not yet judged or stopped.
    bool Running(int d) const;
    // Ticks of stage d whose time has come and that were not ticked yet (at least one is still
    // to come while the stage runs).
    int DueTicks(int d) const;
    // Ticks n of them without a verdict: the last tick, the verdict's, is always Tick's.
    void Skip(int d, int n);
    // Milliseconds until the next tick of stage d falls due (at least 1).
    int MsToNextTick(int d) const;
    // Ticks still to come before the verdict of stage d (0 when due or idle).
    int Remaining(int d) const;
    // Seconds left for the countdown display.
    float Seconds(int d) const { return Remaining(d) / 10.0f; }
    // Cuts stage d's delay short: a running stage is judged at its next tick.
    void CutShort(int d);
    // Stage d is no longer judged (stopped, or its cycle ended without a verdict).
    void Stop(int d);
    void StopAll();
    // Sets stage d's timer again for its next tick (after a wake that found none due yet).
    void Rearm(int d) { Sync(d); }

    // Whether the mould-close inhibit of pre_cut p (1-99 tenths) is due with `remaining` ticks to go.
    static bool PreCutDue(int preCut, int remaining);
    // A manual request for stage d runs its inspection at once only when at most one tick of its
    // delay is left; otherwise it is refused (a running delay is not cut short).
    bool ManualAllowed(int d) const;

private:
    void Sync(int d);

    bool running[kStages] = {};
    int left[kStages] = {};
    int ticked[kStages] = {};
    qint64 startMs[kStages] = {};
};
