// Runs whose cycle breaks a rule the simulation's checks must see.
#include <gtest/gtest.h>

#include "common/cyclesim.h"
#include "vision/records/counters.h"

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
// back for the prod stage, judged at 8 s. The release pulse runs from that last verdict, whole, in
// either order of the two verdicts. (The program before its mend left output 0 clear for good here,
// and this check failed it with "release pulse".)
TEST(CycleSimChecks, AReleaseIsAWholePulseAfterTheLastVerdictInEitherOrder)
{
    const Result heldBack = RunText("io=2,cut=1,mold=10,d0=80,d1=5: i0+ w100 i0- w12000");
    EXPECT_FALSE(heldBack.failed) << heldBack.key << ": " << heldBack.what;
    const Result inOrder = RunText("io=2,cut=1,mold=10,d0=5,d1=10: i0+ w100 i0- w12000 i0+ w100 i0- w12000");
    EXPECT_FALSE(inOrder.failed) << inOrder.what;
}

// Both snapshots after resampling, the password refused: the mould the area check held is
// released. The check of a mould held for good judges it alike with a release pulse set and with a
// camera lost and back meanwhile (the loss holds the mould only while the camera is away). (The
// program before its mend left output 0 set here, and all four forms failed.)
TEST(CycleSimChecks, AMouldHeldForGoodIsJudgedAlikeWithAReleasePulseOrACameraLostAndBack)
{
    const std::string setUp = "io=1,stages=4,d0=17,d1=17,d2=0,d3=2,rc=3,noclose=1,mold=29,thimble=11,stopnotalarm=1,"
                              "watchdog=7,psw=1,debounce=4";
    const std::string events = ": R a+ a+ M w7 P";
    const Result plain = RunText(setUp + ",cut=0" + events + " L");
    EXPECT_FALSE(plain.failed) << plain.key << ": " << plain.what;
    EXPECT_EQ(RunText(setUp + ",cut=1" + events + " L").failed, plain.failed) << "release pulse set";
    EXPECT_EQ(RunText(setUp + ",cut=0" + events + " l0+ w3100 l0- w3100 L").failed, plain.failed) << "camera 0 lost and back";
    EXPECT_EQ(RunText(setUp + ",cut=1" + events + " l0+ L w3100 l0- w3100").failed, plain.failed) << "both";
}

// NG-pulse mode, trigger safety on (each pass reads input 1, the safety door): the door opens
// during the stage-0 NG's pulse and lifts its alarm, once and again after closing. Only the step in
// which the door opens is let off the alarm check; a later early end of the alarm in the cycle is
// still seen (the check was off for the rest of the cycle once the door had opened).
TEST(CycleSimChecks, TheSafetyDoorLiftsTheAlarmOnlyInTheStepItOpens)
{
    const std::string setUp = "io=0,safety=1,ngpulse=1,mold=20,d0=10,d1=5: i1+ w100 p0n i0+ w1010";
    const Result once = RunText(setUp + " i1- w100 p0o w2000");
    EXPECT_FALSE(once.failed) << once.key << ": " << once.what;
    const Result twice = RunText(setUp + " i1- w100 i1+ w20 i1- p0o w2000");
    EXPECT_FALSE(twice.failed) << twice.key << ": " << twice.what;
}

// Each count reaches count.txt when it is made: the inspection of a cycle whose last stage has
// not come yet (semi-automatic: input 2 starts it; mode 5: its delay still counts), and one
// stopped between its stages, are on the disk at once, OK or NG; none waits in memory for a later
// verdict that a stop, a crash or a power cut would take. (The program before its mend handed an
// OK's count over only at the last stage's verdict, and each form failed with "count only in
// memory".)
TEST(CycleSimChecks, ACountIsOnTheDiskBeforeTheCyclesLastStage)
{
    const struct {
        const char* run;
        int ng;  // NG counted for camera 1
    } runs[] = {
        {"io=0,semi=1,d0=3,d1=5: i0+ w100 i0- w3000", 0},             // stage 1 never started
        {"io=0,semi=1,d0=3,d1=5: p0n i0+ w100 i0- w3000", 1},         // stage 0 NG
        {"io=0,semi=1,d0=3,d1=5: i0+ w100 i0- w1000 S a+ w2000", 0},  // stopped between the stages
        {"io=5,d0=3,d1=50: i0+ w100 i0- w1000", 0},                   // stage 1 counts its delay
    };
    for (const auto& c : runs) {
        const int all = gAllNum[0], fail = gFailNum[0];
        const Result r = RunText(c.run);
        EXPECT_FALSE(r.failed) << c.run << "\n" << r.key << ": " << r.what << "\n" << r.context;
        // The check above compares what was counted: a run that counted nothing would pass it.
        EXPECT_EQ(gAllNum[0] - all, 1) << c.run;
        EXPECT_EQ(gFailNum[0] - fail, c.ng) << c.run;
    }
}
