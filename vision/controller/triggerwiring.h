#pragma once
// Which stage an input of the machine starts, by I/O mode: the role of an acted-on input (cycle
// start, stage-pair start, stage dispatch), the stage dispatch with its delays, the extra ordering
// and stage-group rules of the multi-detection mode, and the outputs of a cycle or pair start.
// Plain decisions on the parameter record and a few controller values; the controller applies them.
#include <QtGlobal>
#include <functional>

#include "vision/controller/outputplan.h"

class WizardPara;

class TriggerWiring {
public:
    enum Role {
        Ignore,      // no cycle open and the input starts none
        CycleStart,  // clears the stage masks and opens a cycle, then dispatches
        PairStart,   // re-opens the second stage (pair) of an open cycle, then dispatches
        Dispatch,    // goes straight to the stage dispatch
        Mode4,       // multi-detection: ordering and group rules, then the dispatch
    };
    struct Decision {
        Role role = Ignore;
        int side = -1;  // stage pair to select first (1 first pair, 0 second pair); -1 unchanged
    };

    // Role of input k once it is acted on. cycleOpen: detectMask[1] is not empty; lastMaskEmpty:
    // multi-detection's last stage has no camera left.
    static Decision Classify(const WizardPara& p, int k, bool cycleOpen, int repeatInput, bool lastMaskEmpty);

    // Controller values the dispatch reads and moves on.
    struct DispatchState {
        int side = 1;
        int restartDetect = -1;
        int lastDelay = 0;       // tenths, kept from dispatch to dispatch
        int multiDetect = 0;
        quint32 detectMask[8] = {};
        bool timerActive[8] = {};
    };
    // Stage dispatch of input k: calls start(j, delayTenths) for every stage timer j the input
    // starts, in order; start returns false to end the dispatch (a zero delay judged at once that
    // stopped detection). Returns how many stages were started.
    static int RunDispatch(const WizardPara& p, int dnum, int k, DispatchState& st,
                           const std::function<bool(int j, int delay)>& start);

    // An acted-on input k, whole: its role, the masks of a cycle or pair start, the multi-detection
    // rules and the dispatch. The hooks do the controller's part: cycleStart(k) after the masks are
    // set (timing, watchdog, counters, camera flags, outputs), pairStart() likewise, outputs() for
    // the stage-group outputs, startStage(j, delay) as for RunDispatch.
    struct ActHooks {
        std::function<void(int k)> cycleStart;
        std::function<void()> pairStart;
        std::function<void(const OutputPlan&)> outputs;
        std::function<bool(int j, int delay)> startStage;
    };
    enum ActResult {
        NoStage,    // the input started no stage
        Started,    // at least one stage started
        PassEnds,   // the input came out of stage order, or a stage judged at once stopped detection
    };
    static ActResult Act(const WizardPara& p, int dnum, int k, int cameras, int repeatInput, DispatchState& st,
                         const ActHooks& h);

    // Multi-detection, before the dispatch. endPass: the input came out of stage order and the pass
    // ends. Otherwise the stage-group boundary may set stage outputs and move multiDetect.
    struct Mode4Result {
        bool endPass = false;
        int multiDetect = 0;
        OutputPlan outputs;
    };
    static Mode4Result Mode4Rules(const WizardPara& p, int dnum, int k, int multiDetect, int repeatInput,
                                  bool lastMaskEmpty);

    // Outputs of a cycle start (mask0: stage 0 has cameras in this cycle) and of a pair start.
    static OutputPlan CycleStartOutputs(const WizardPara& p, bool mask0);
    static OutputPlan PairStartOutputs(const WizardPara& p);
    // Automatic repeated inspections allowed at a cycle start.
    static void ReCheckCountsAtStart(const WizardPara& p, int reCheckCount[8]);

    // Output bit (0-based) that multi-detection stage `stage` drives; the last stage uses entry 7.
    static int Mode4StageOutput(int stage, int dnum);
    // The trigger-safety input fires: its edge, or input 1 simulated from the screen. The simulated
    // input 1 that carries the restart of stage 1 after a stage-0 alarm is that restart, to run
    // with the stage's own delay, not the machine saying the mould is open.
    static bool SafetyFires(bool edge1, int simInput, int restartDetect);
    // Stage j (of the pair in modes 1 and 2; not mode 4) is started by an input that starts the
    // cycle: it starts in that act or, once it is over, not before the next cycle.
    static bool StartsWithCycle(const WizardPara& p, int j);
    // Stage whose mask stage `stage` uses: s & 1 in modes 1 and 2, else the stage itself.
    static int FoldedStage(const WizardPara& p, int stage);
    // The last stage: gDNum - 1 in mode 4, else 1.
    static int LastStage(const WizardPara& p, int dnum);
    // Which input starts each of the eight stages (0 for a stage that is off), one byte a stage:
    // equal values start the same stages by the same inputs.
    static quint64 StageInputs(const WizardPara& p);
};
