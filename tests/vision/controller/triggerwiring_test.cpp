// Which stage an input edge starts, for every I/O mode, with the delays the dispatch gives.
#include <gtest/gtest.h>

#include <QString>
#include <vector>

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "vision/controller/triggerwiring.h"

namespace {

struct Start {
    int timer;  // stage timer started
    int delay;  // tenths
    bool operator==(const Start& o) const { return timer == o.timer && delay == o.delay; }
};

std::ostream& operator<<(std::ostream& os, const Start& s) { return os << "{" << s.timer << "," << s.delay << "}"; }

// The controller's side of the input handling, kept to what the wiring decides.
struct Cycle {
    WizardPara p;
    TriggerWiring::DispatchState st;
    int repeatInput = -1;
    int cameras = 1;
    int cycleStarts = 0;
    int pairStarts = 0;
    OutputPlan groupOutputs;

    explicit Cycle(int mode)
    {
        p.io_mode = mode;
    }
    void Derive()
    {
        // A window built by an earlier test left its hooks: they would retrain its views.
        const auto hooks = gRunModeHooks;
        gRunModeHooks = {};
        DeriveRunMode(p);
        gRunModeHooks = hooks;
        st.multiDetect = p.io_mode == 4 ? gDNum - 1 : 0;
    }
    // An edge of input k acted on; the stages started (timers marked running).
    std::vector<Start> Edge(int k, TriggerWiring::ActResult* result = nullptr)
    {
        std::vector<Start> out;
        TriggerWiring::ActHooks h;
        h.cycleStart = [this](int) { ++cycleStarts; };
        h.pairStart = [this] { ++pairStarts; };
        h.outputs = [this](const OutputPlan& o) { groupOutputs.append(o); };
        h.startStage = [&](int j, int delay) {
            out.push_back({j, delay});
            st.timerActive[j] = delay > 0;
            return true;
        };
        const auto r = TriggerWiring::Act(p, gDNum, k, cameras, repeatInput, st, h);
        if (result)
            *result = r;
        return out;
    }
    // The running stage timers end (their verdicts came).
    void Expire()
    {
        for (bool& t : st.timerActive)
            t = false;
    }
};

using V = std::vector<Start>;

} // namespace

TEST(TriggerWiring, StandardFirstStageOnStartsBothStagesFromInput0WithAccumulatedDelay)
{
    Cycle c(0);
    c.p.first_stage_on = 1;
    c.p.stage_delay[0] = 15;
    c.p.stage_delay[1] = 20;
    c.Derive();
    EXPECT_EQ(c.Edge(2), V{});  // no cycle open: input 2 does nothing
    EXPECT_EQ(c.Edge(0), (V{{0, 15}, {1, 35}}));  // stage 1 counts from the same edge
    EXPECT_EQ(c.cycleStarts, 1);
    EXPECT_EQ(c.st.detectMask[0], 1u);
    EXPECT_EQ(c.st.detectMask[1], 1u);
}

TEST(TriggerWiring, StandardSemiAutoWaitsForInput2)
{
    Cycle c(0);
    c.p.first_stage_on = 1;
    c.p.semi_auto = 1;
    c.p.stage_delay[0] = 15;
    c.p.stage_delay[1] = 20;
    c.Derive();
    EXPECT_EQ(c.Edge(2), V{});
    EXPECT_EQ(c.pairStarts, 0);
    EXPECT_EQ(c.Edge(0), (V{{0, 15}}));
    c.Expire();
    EXPECT_EQ(c.Edge(2), (V{{1, 20}}));  // its own delay, not added to stage 0's
    EXPECT_EQ(c.pairStarts, 1);
}

TEST(TriggerWiring, StandardWithoutFirstStageStartsOnlyStage1)
{
    for (int mode : {0, 3, 5}) {
        Cycle c(mode);
        c.p.stage_delay[0] = 15;
        c.p.stage_delay[1] = 20;
        c.Derive();
        EXPECT_EQ(c.Edge(0), (V{{1, 20}})) << "mode " << mode;
        EXPECT_EQ(c.Edge(1), V{}) << "mode " << mode;  // a cycle is open, but no stage takes input 1
    }
}

TEST(TriggerWiring, RestartDetectStartsStage1WhateverTheInputWithItsOwnDelay)
{
    Cycle c(0);
    c.p.first_stage_on = 1;
    c.p.stage_delay[0] = 15;
    c.p.stage_delay[1] = 20;
    c.Derive();
    c.Edge(0);
    c.Expire();
    c.st.restartDetect = 1;
    c.st.lastDelay = 15;
    // The verdict's restart comes as simulated input 1: a plain dispatch in an open cycle.
    EXPECT_EQ(c.Edge(1), (V{{1, 20}}));
    EXPECT_EQ(c.st.restartDetect, -1);
}

TEST(TriggerWiring, ZeroDelayIsJudgedInTheSamePassAndCanEndTheDispatch)
{
    Cycle c(0);
    c.p.first_stage_on = 1;
    c.Derive();
    TriggerWiring::ActHooks h;
    std::vector<int> started;
    h.startStage = [&](int j, int) {
        started.push_back(j);
        return false;  // the verdict stopped detection
    };
    const auto r = TriggerWiring::Act(c.p, gDNum, 0, 1, -1, c.st, h);
    EXPECT_EQ(r, TriggerWiring::PassEnds);
    EXPECT_EQ(started, std::vector<int>{0});
}

TEST(TriggerWiring, TwoColourPairsByInputs2And3)
{
    Cycle c(1);
    c.p.first_stage_on = 1;
    c.p.io_sub_mode = 2;  // both pairs
    c.p.stage_delay[0] = 5;
    c.p.stage_delay[1] = 7;
    c.Derive();
    EXPECT_EQ(c.Edge(3), V{});  // no open cycle
    EXPECT_EQ(c.Edge(0), (V{{0, 5}}));
    c.Expire();
    EXPECT_EQ(c.Edge(3), (V{{1, 7}}));  // pair start, second pair: timer 1 judges stage 3
    EXPECT_EQ(c.st.side, 0);
    c.Expire();
    EXPECT_EQ(c.Edge(2), (V{{1, 7}}));
    EXPECT_EQ(c.st.side, 1);
}

TEST(TriggerWiring, TwoColourSubMode0IgnoresInput3AsPairStart)
{
    Cycle c(1);
    c.p.first_stage_on = 1;
    c.p.io_sub_mode = 0;
    c.Derive();
    c.Edge(0);
    c.Expire();
    EXPECT_EQ(c.Edge(3), V{});
    EXPECT_EQ(c.pairStarts, 0);
    EXPECT_EQ(c.Edge(2), (V{{1, 0}}));
}

TEST(TriggerWiring, TurntableSubMode1StartsOnInput3Only)
{
    Cycle c(2);
    c.p.first_stage_on = 1;
    c.p.io_sub_mode = 1;
    c.p.stage_delay[0] = 4;
    c.p.stage_delay[1] = 9;
    c.Derive();
    EXPECT_EQ(c.Edge(0), V{});
    EXPECT_EQ(c.cycleStarts, 0);
    EXPECT_EQ(c.Edge(3), (V{{0, 4}, {1, 9}}));  // second pair, no accumulated delay in pair modes
    EXPECT_EQ(c.cycleStarts, 1);
    EXPECT_EQ(c.st.side, 0);
}

TEST(TriggerWiring, TurntableBothPairsInput0SelectsFirstPair)
{
    Cycle c(2);
    c.p.io_sub_mode = 2;
    c.p.stage_delay[1] = 3;
    c.Derive();
    c.st.side = 0;
    EXPECT_EQ(c.Edge(0), (V{{1, 3}}));  // stage 0 off: only the mould stage of the first pair
    EXPECT_EQ(c.st.side, 1);
}

TEST(TriggerWiring, MultiDetectionTakesInputsInStageOrder)
{
    Cycle c(4);
    c.p.first_stage_on = 1;
    c.p.stage_count = 3;
    for (int i = 0; i < 3; ++i) {
        c.p.stage_source[i] = i;
        c.p.stage_input_choice[i] = i;  // inputs 0, 2, 3
        c.p.stage_delay[i] = 10 + i;
    }
    c.Derive();
    ASSERT_EQ(gDNum, 3);
    EXPECT_EQ(c.Edge(0), (V{{0, 10}}));
    EXPECT_EQ(c.st.multiDetect, 0);
    // The stage-group boundary sets the outputs of every stage with a source (link 0).
    EXPECT_EQ(c.groupOutputs.text(), QString("+1 +3 +0"));
    c.Expire();
    TriggerWiring::ActResult r;
    EXPECT_EQ(c.Edge(3, &r), V{});  // stage 2's input before stage 1's: the pass ends
    EXPECT_EQ(r, TriggerWiring::PassEnds);
    EXPECT_EQ(c.Edge(2), (V{{1, 21}}));  // counts from the previous stage's delay (first_stage_on)
    EXPECT_EQ(c.st.multiDetect, 1);
    c.Expire();
    EXPECT_EQ(c.Edge(3), (V{{2, 33}}));
    EXPECT_EQ(c.st.multiDetect, 2);
}

TEST(TriggerWiring, MultiDetectionRepeatInputStartsNextStageOfTheSameInput)
{
    Cycle c(4);
    c.p.first_stage_on = 1;
    c.p.stage_count = 2;
    c.p.stage_source[0] = 0;
    c.p.stage_source[1] = 0;  // both stages on input 0
    c.p.stage_input_choice[0] = 0;
    c.p.stage_link[0] = 2;    // no group outputs
    c.Derive();
    EXPECT_EQ(c.Edge(0), (V{{0, 0}}));
    c.st.detectMask[0] = 0;   // stage 0 was judged
    c.Expire();
    c.repeatInput = 0;        // the verdict asks for input 0 again
    EXPECT_EQ(c.Edge(0), (V{{1, 0}}));
    EXPECT_TRUE(c.groupOutputs.empty());
}

TEST(TriggerWiring, CycleAndPairStartOutputs)
{
    WizardPara p;
    EXPECT_EQ(TriggerWiring::CycleStartOutputs(p, true).text(), QString("+0 +1 F"));
    EXPECT_EQ(TriggerWiring::CycleStartOutputs(p, false).text(), QString("+0 F"));
    p.pre_cut = 5;  // the pre-cut sets the inhibit later
    EXPECT_EQ(TriggerWiring::CycleStartOutputs(p, true).text(), QString("+1 F"));
    p.pre_cut = 0;
    p.release_ejector_at_start = 1;
    EXPECT_EQ(TriggerWiring::CycleStartOutputs(p, true).text(), QString("+0 -1 -4 -5 -6 -7 F"));
    p.release_ejector_at_start = 0;
    p.io_mode = 5;
    p.enable_cutoff_ontime = 1;
    EXPECT_EQ(TriggerWiring::CycleStartOutputs(p, true).text(), QString("F"));
    p.io_mode = 4;
    EXPECT_TRUE(TriggerWiring::CycleStartOutputs(p, true).empty());
    p.io_mode = 0;
    p.ng_pulse_mode = 1;
    EXPECT_TRUE(TriggerWiring::CycleStartOutputs(p, true).empty());
    EXPECT_TRUE(TriggerWiring::PairStartOutputs(p).empty());
    p.ng_pulse_mode = 0;
    EXPECT_EQ(TriggerWiring::PairStartOutputs(p).text(), QString("+0 F"));
    p.no_close_inhibit_at_start = 1;
    EXPECT_EQ(TriggerWiring::PairStartOutputs(p).text(), QString("F"));
}

TEST(TriggerWiring, ReCheckCountsAtCycleStart)
{
    WizardPara p;
    p.front_auto_check_time = 2;
    int counts[8] = {3, 3, 3, 3, 3, 3, 3, 3};
    TriggerWiring::ReCheckCountsAtStart(p, counts);
    EXPECT_EQ(counts[0], 0);
    EXPECT_EQ(counts[1], 2);
    EXPECT_EQ(counts[2], 3);
    p.ng_pulse_mode = 1;
    TriggerWiring::ReCheckCountsAtStart(p, counts);
    EXPECT_EQ(counts[1], 0);
    p.ng_pulse_mode = 0;
    p.io_mode = 4;
    TriggerWiring::ReCheckCountsAtStart(p, counts);
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(counts[i], 0);
}

TEST(TriggerWiring, AStageStartsWithItsCycleOnlyWhenTheCycleStartItselfStartsIt)
{
    // {io_mode, io_sub_mode, semi_auto}: whether stages 0 and 1 start in the cycle start's act.
    struct Case {
        int mode, sub, semi;
        bool stage0, stage1;
    };
    const Case cases[] = {
        {0, 0, 0, true, true},  {0, 0, 1, true, false},   // semi-automatic: input 2
        {1, 2, 0, true, false},                            // two-colour: the pair's inputs 2, 3
        {2, 0, 0, true, true},  {2, 1, 0, true, true},  {2, 2, 0, true, true},
        {2, 2, 1, true, false}, {4, 0, 0, false, false},  // multi-detection: its own order
    };
    for (const Case& c : cases) {
        WizardPara p;
        p.io_mode = c.mode;
        p.io_sub_mode = c.sub;
        p.semi_auto = c.semi;
        p.first_stage_on = 1;
        DeriveRunMode(p);
        EXPECT_EQ(TriggerWiring::StartsWithCycle(p, 0), c.stage0) << c.mode << " " << c.sub << " " << c.semi;
        EXPECT_EQ(TriggerWiring::StartsWithCycle(p, 1), c.stage1) << c.mode << " " << c.sub << " " << c.semi;
    }
}
