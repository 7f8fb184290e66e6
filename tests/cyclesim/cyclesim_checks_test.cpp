// Runs whose cycle breaks a rule the simulation's checks must see.
#include <gtest/gtest.h>

#include "common/cyclesim.h"

using namespace cyclesim;

namespace {

Result RunText(const std::string& text)
{
    Config c;
    std::vector<Event> ev;
    std::string error;
    EXPECT_TRUE(FromText(text, &c, &ev, &error)) << error;
    return cyclesim::Run(c, ev);
}

}  // namespace

// Release pulse (is_cut_ontime, 1 s), turntable: the mould stage's OK at 0.5 s holds the release
// back for the prod stage, judged at 8 s. Its OK clears output 0 and nothing sets it again: the
// mould is left released, not released for the pulse's length after the cycle's last verdict.
TEST(CycleSimChecks, AReleaseWithoutItsPulseAfterTheLastVerdictFails)
{
    const Result r = RunText("io=2,cut=1,mold=10,d0=80,d1=5: i0+ w100 i0- w12000");
    EXPECT_TRUE(r.failed) << "output 0 stayed clear after the last verdict of a cycle with a release pulse";
    EXPECT_EQ(r.key, "release pulse");
    // The mould stage judged last: its OK gives the pulse, 1 s clear and the inhibit back.
    const Result inOrder = RunText("io=2,cut=1,mold=10,d0=5,d1=10: i0+ w100 i0- w12000 i0+ w100 i0- w12000");
    EXPECT_FALSE(inOrder.failed) << inOrder.what;
}

// Both snapshots after resampling, the password refused: output 0 is left set with nothing to
// release it. The check that sees it must see it as well with a release pulse set, and once a
// camera lost meanwhile is back (its recovery holds the mould only while it is away).
TEST(CycleSimChecks, AMouldHeldForGoodIsSeenWithAReleasePulseOrACameraLostAndBack)
{
    const std::string setUp = "io=1,stages=4,d0=17,d1=17,d2=0,d3=2,rc=3,noclose=1,mold=29,thimble=11,stopnotalarm=1,"
                              "watchdog=7,psw=1,debounce=4";
    const std::string events = ": R a+ a+ M w7 P";
    const bool plain = RunText(setUp + ",cut=0" + events + " L").failed;
    EXPECT_EQ(RunText(setUp + ",cut=1" + events + " L").failed, plain) << "release pulse set";
    EXPECT_TRUE(plain);
    EXPECT_EQ(RunText(setUp + ",cut=0" + events + " l0+ w3100 l0- w3100 L").failed, plain) << "camera 0 lost and back";
    EXPECT_EQ(RunText(setUp + ",cut=1" + events + " l0+ L w3100 l0- w3100").failed, plain) << "both";
}
