#include <gtest/gtest.h>

#include "vision/controller/opencycle.h"

// Stages wait in any order and come out lowest first, each once, telling how they are judged; the
// area check is due only while the stage that took the last template waits.
TEST(OpenCycle, WaitingStagesComeOutOnceLowestFirstAndAReleaseWaitsForTheOthers)
{
    OpenCycle c;
    c.Defer(3, false);
    c.Defer(1, true);
    c.Defer(3, false);  // again: still one verdict
    EXPECT_TRUE(c.AreaCheckDue());
    EXPECT_FALSE(c.OnlyTemplates());
    EXPECT_TRUE(c.OthersDeferred(1));
    EXPECT_FALSE(c.Deferred(2));
    bool templ = false;
    EXPECT_EQ(c.Take(&templ), 1);
    EXPECT_TRUE(templ);
    EXPECT_FALSE(c.AreaCheckDue());
    EXPECT_FALSE(c.OthersDeferred(3));
    EXPECT_EQ(c.Take(&templ), 3);
    EXPECT_FALSE(templ);
    EXPECT_EQ(c.Take(&templ), -1);
    // A stage judged another way (its re-check) no longer waits; a reset drops every stage.
    c.Defer(0, true);
    c.Defer(1, false);
    c.Judged(0);
    EXPECT_FALSE(c.AreaCheckDue());
    EXPECT_TRUE(c.AnyDeferred());
    c.Reset();
    EXPECT_FALSE(c.AnyDeferred());
    c.Defer(8, true);  // out of range: ignored
    c.Defer(-1, true);
    EXPECT_FALSE(c.AnyDeferred());
}

// A start is a stage of this cycle until its final verdict: an inspection in between (the verdict
// that asks for a re-check, its area check) keeps it; a reset drops it.
TEST(OpenCycle, AStartLastsUntilTheStagesFinalVerdict)
{
    OpenCycle c;
    EXPECT_FALSE(c.Started(2));
    c.Start(2);
    c.Defer(2, false);
    c.Judged(2);
    EXPECT_TRUE(c.Started(2));
    EXPECT_FALSE(c.Started(1));
    c.Finished(2);
    EXPECT_FALSE(c.Started(2));
    c.Start(0);
    c.Start(7);
    c.Reset();
    EXPECT_FALSE(c.Started(0));
    EXPECT_FALSE(c.Started(7));
    c.Start(8);  // out of range: ignored
    c.Start(-1);
    for (int d = 0; d < OpenCycle::kStages; ++d)
        EXPECT_FALSE(c.Started(d));
}
