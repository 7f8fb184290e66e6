// Stage delays on whole ticks: when the verdict comes, when the pre-cut inhibit comes, and which
// manual requests are refused.
#include <gtest/gtest.h>

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
    c.ResetAll();
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
