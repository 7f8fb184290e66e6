// Stage delays on whole ticks: when the verdict comes, when the pre-cut inhibit comes, and which
// manual requests are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "vision/controller/stageclock.h"

namespace {

// Ticks (100 ms each) until stage d is judged.
int TicksToVerdict(StageClock& c, int d)
{
    int n = 1;
    while (!c.Tick(d))
        ++n;
    return n;
}

} // namespace

TEST(StageClock, DelayOfDTenthsIsJudgedAtTheDthTick)
{
    StageClock c;
    for (int d : {1, 2, 15, 20, 30, 99}) {
        c.Start(3, d);
        EXPECT_EQ(TicksToVerdict(c, 3), d) << d;
        EXPECT_EQ(c.Remaining(3), 0);
    }
    c.Start(0, 0);
    EXPECT_TRUE(c.Tick(0));   // a delay of 0 is judged at once
    c.Start(0, -4);
    EXPECT_TRUE(c.Tick(0));
    EXPECT_TRUE(c.Tick(5));   // never started
}

TEST(StageClock, PreCut10WithDelay30ComesExactlyOneSecondBeforeTheVerdict)
{
    StageClock c;
    c.Start(1, 30);
    int firstCut = -1, verdict = -1;
    for (int tick = 1; tick <= 40 && verdict < 0; ++tick) {
        const bool due = c.Tick(1);
        if (firstCut < 0 && StageClock::PreCutDue(10, c.Remaining(1)))
            firstCut = tick;
        if (due)
            verdict = tick;
    }
    EXPECT_EQ(verdict, 30);
    EXPECT_EQ(firstCut, 20);  // 2.0 s after the trigger, 1.0 s before the verdict
}

TEST(StageClock, PreCutForEveryDelayAndPreCut)
{
    for (int delay = 1; delay <= 60; ++delay) {
        for (int p = 1; p <= 99; p += 7) {
            StageClock c;
            c.Start(1, delay);
            int firstCut = StageClock::PreCutDue(p, c.Remaining(1)) ? 0 : -1;
            int tick = 0;
            bool due = false;
            while (!due) {
                due = c.Tick(1);
                ++tick;
                if (firstCut < 0 && StageClock::PreCutDue(p, c.Remaining(1)))
                    firstCut = tick;
            }
            ASSERT_EQ(tick, delay);
            EXPECT_EQ(firstCut, std::max(0, delay - p)) << "delay " << delay << " pre_cut " << p;
        }
    }
    EXPECT_FALSE(StageClock::PreCutDue(0, 0));
    EXPECT_FALSE(StageClock::PreCutDue(100, 0));
}

TEST(StageClock, ManualRequestRefusedWhileMoreThanOneTickIsLeft)
{
    StageClock c;
    EXPECT_TRUE(c.ManualAllowed(0));  // idle
    c.Start(0, 3);
    EXPECT_FALSE(c.ManualAllowed(0));
    c.Tick(0);
    EXPECT_FALSE(c.ManualAllowed(0));
    c.Tick(0);
    EXPECT_TRUE(c.ManualAllowed(0));  // one tick left: the request judges it now
    EXPECT_TRUE(c.Tick(0));
    c.Start(2, 50);
    c.StopAll();
    EXPECT_TRUE(c.ManualAllowed(2));
    EXPECT_FLOAT_EQ(c.Seconds(2), 0.0f);
    c.Start(2, 15);
    EXPECT_FLOAT_EQ(c.Seconds(2), 1.5f);
}

TEST(StageClock, TicksLostWhileTheThreadWasHeldUpAreCountedSoTheVerdictKeepsItsTime)
{
    qint64 ms = 0;
    StageClock c;
    c.now = [&ms] { return ms; };
    c.Start(1, 30);
    // As the timer slot takes them: every tick that fell due, the verdict only by Tick.
    auto slot = [&c] {
        const int due = c.DueTicks(1);
        c.Skip(1, due - 1);
        return due > 0 && c.Tick(1);
    };
    ms = 99;
    EXPECT_EQ(c.DueTicks(1), 0);  // an early wake ticks nothing
    ms = 530;                     // held up past four ticks
    EXPECT_FALSE(slot());
    EXPECT_EQ(c.Remaining(1), 25);
    EXPECT_EQ(c.MsToNextTick(1), 70);  // back on the ticks counted from the start
    ms = 2999;
    EXPECT_FALSE(slot());
    EXPECT_EQ(c.Remaining(1), 1);
    ms = 3000;
    EXPECT_TRUE(slot());
    // Held up past the end: the verdict comes at the first tick after, never a skipped one.
    c.Start(2, 5);
    ms += 900;
    c.Skip(2, c.DueTicks(2));
    EXPECT_EQ(c.Remaining(2), 1);
}

// The clock starts and stops the stage's timer: a random mix of starts, restarts, cut-short
// delays, stops and wakes (early, on time, late) never leaves a timer running without a tick to
// come, and every stage started is judged at the tick its delay ends on (a cut-short one at its
// next tick), never before and never lost.
TEST(StageClock, TheTimerRunsExactlyWhileTheStageRunsAndEveryStageStartedIsJudgedOnItsTick)
{
    qint64 ms = 0;
    StageClock c;
    c.now = [&ms] { return ms; };
    qint64 wakeAt[StageClock::kStages];
    for (qint64& w : wakeAt)
        w = -1;
    c.wake = [&](int d, int in) {
        ASSERT_TRUE(d >= 0 && d < StageClock::kStages);
        ASSERT_TRUE(in == -1 || (in >= 1 && in <= StageClock::kTickMs)) << in;
        wakeAt[d] = in < 0 ? -1 : ms + in;
    };
    qint64 due[StageClock::kStages] = {};  // when the running stage's verdict is due
    bool cut[StageClock::kStages] = {};
    std::mt19937 rng(61);
    auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
    int judged = 0;
    for (int step = 0; step < 20000; ++step) {
        const int d = pick(3);
        switch (pick(8)) {
        case 0: {
            const int tenths = pick(40);
            c.Start(d, tenths);
            due[d] = ms + std::max(tenths, 1) * StageClock::kTickMs;
            cut[d] = false;
            if (tenths == 0) {  // judged at once by the caller
                ASSERT_TRUE(c.Tick(d));
                ++judged;
            }
            break;
        }
        case 1:
            if (c.Running(d)) {
                c.CutShort(d);  // judged at the next wake, not before now
                due[d] = std::min(due[d], ms);
                cut[d] = true;
            }
            break;
        case 2:
            if (pick(10) == 0)
                c.StopAll();
            else
                c.Stop(d);
            break;
        default: {
            // The event loop: time goes on (a held-up thread now and then), each timer due wakes.
            ms += pick(10) == 0 ? pick(700) : pick(60);
            for (int j = 0; j < StageClock::kStages; ++j) {
                if (wakeAt[j] < 0 || wakeAt[j] > ms)
                    continue;
                const int n = c.DueTicks(j);
                if (n == 0) {
                    c.Rearm(j);
                    continue;
                }
                c.Skip(j, n - 1);
                if (c.Tick(j)) {
                    ++judged;
                    ASSERT_GE(ms, due[j]) << "judged before its delay ran, step " << step;
                    ASSERT_LT(ms, due[j] + 800) << "judged later than the thread was held up, step " << step;
                }
            }
        }
        }
        for (int j = 0; j < StageClock::kStages; ++j) {
            ASSERT_EQ(wakeAt[j] >= 0, c.Running(j)) << "stage " << j << ", step " << step;
            ASSERT_FALSE(c.Running(j) && ms >= due[j] + 800) << "stage " << j << " never judged, step " << step;
            if (c.Running(j))
                ASSERT_LE(wakeAt[j], std::max(ms, due[j]) + (cut[j] ? StageClock::kTickMs : 0))
                    << "a wake after the verdict's time, step " << step;
        }
    }
    EXPECT_GT(judged, 500);
}
