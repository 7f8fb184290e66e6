// Output and input words of ControlPort: polarity, the mould-backup redirect, input folding,
// edges and the safety door. No board: the words are checked directly.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "vision/board/controlport.h"

namespace {

class ControlPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateGlobalMutexes();
        saved = gpWPara;
        gpWPara = &para;
        gDataIn = 0;
        gDataOut = 0;
        gisSafeDoorOpen = false;
    }
    void TearDown() override { gpWPara = saved; }

    // One polling pass of the monitoring cycle over inputs 0..3; returns the edges as bits.
    int PassEdges(ControlPort& io)
    {
        int edges = 0;
        for (int n = 0; n < 4; ++n)
            edges |= io.IOInTrigger(n) << n;
        return edges;
    }
    int OutWord(ControlPort& io)
    {
        int w = 0;
        for (int n = 0; n < 16; ++n)
            w |= io.IOState(1, n) << n;
        return w;
    }

    WizardPara para;
    WizardPara* saved = nullptr;
};

TEST_F(ControlPortTest, OutputWordFollowsPolarity)
{
    para.output_polarity[0] = 1;
    para.output_polarity[2] = 1;
    para.output_polarity[8] = 1;
    ControlPort io{ControlPort::NoBoard{}};
    // All outputs inactive: inverted channels sit at level 1.
    EXPECT_EQ(OutWord(io), 0x105);

    io.IOSetOut(2, 1);  // inverted alarm: active = level 0
    io.IOSetOut(4, 1);  // plain NG output: active = level 1
    EXPECT_EQ(OutWord(io), 0x111);
    EXPECT_EQ(gDataOut, 0) << "nothing is published before IOFlashOut";
    io.IOFlashOut();
    EXPECT_EQ(gDataOut, 0x111);

    io.IOResetAllOut();
    io.IOFlashOut();
    EXPECT_EQ(gDataOut, 0x105);
}

TEST_F(ControlPortTest, OutputsOutsideZeroToEightAreIgnored)
{
    ControlPort io{ControlPort::NoBoard{}};
    io.IOSetOut(9, 1);
    io.IOSetOut(-1, 1);
    io.IOSetOut(31, 1);
    EXPECT_EQ(OutWord(io), 0);
    EXPECT_EQ(io.IOState(1, 40), 0);
}

TEST_F(ControlPortTest, MouldBackupRedirectsToBitThree)
{
    para.enable_mold_backup = 2;  // output 1 drives bit 3
    ControlPort io{ControlPort::NoBoard{}};
    io.IOSetOut(1, 1);
    EXPECT_EQ(OutWord(io), 0x8) << "bit 3 set, bit 1 untouched";
    io.IOSetOut(3, 0);  // output 3 itself still reaches bit 3
    EXPECT_EQ(OutWord(io), 0);
    io.IOSetOut(1, 1);
    io.IOSetOut(1, 0);
    EXPECT_EQ(OutWord(io), 0);

    // The redirected output keeps its own polarity, not that of output 3.
    para.output_polarity[1] = 1;
    para.output_polarity[3] = 0;
    io.IOSetOut(1, 1);
    EXPECT_EQ(OutWord(io), 0);
    io.IOSetOut(1, 0);
    EXPECT_EQ(OutWord(io), 0x8);

    // A redirect that names no output changes nothing.
    para.enable_mold_backup = 12;
    ControlPort io2{ControlPort::NoBoard{}};
    io2.IOSetOut(1, 1);
    EXPECT_EQ(OutWord(io2), 0x0) << "output 1 inverted: active is level 0";
    io2.IOSetOut(5, 1);
    EXPECT_EQ(OutWord(io2), 0x20);
}

TEST_F(ControlPortTest, InputEdgesWithPolarity)
{
    para.input_polarity[2] = 1;  // input 2 active at level 0
    ControlPort io{ControlPort::NoBoard{}};

    gDataIn = 0x1;
    EXPECT_EQ(PassEdges(io), 0x1) << "input 0 rises";
    EXPECT_EQ(PassEdges(io), 0) << "an edge is reported once";
    EXPECT_EQ(io.IOState(0, 0), 1);
    EXPECT_EQ(io.IOState(0, 2), 1) << "inverted input at level 0 is active";

    gDataIn = 0x4;  // input 0 falls, input 2 goes to level 1 (inactive)
    EXPECT_EQ(PassEdges(io), 0);
    EXPECT_EQ(io.IOState(0, 2), 0);
    gDataIn = 0x0;  // input 2 back to level 0: toward its active level
    EXPECT_EQ(PassEdges(io), 0x4);
    EXPECT_EQ(io.IOState(0, 0), 0);

    // Bits above the polarity table read plain.
    gDataIn = 0x200;
    io.IOInTrigger(9);
    EXPECT_EQ(io.IOState(0, 9), 1);
    EXPECT_EQ(io.IOInTrigger(16), 0);
}

TEST_F(ControlPortTest, InputThreeFoldsOntoTriggerInput)
{
    struct Case {
        int mode;
        int target;
    } cases[] = {{1, 0}, {2, 1}, {3, 2}, {-1, 2}};
    for (const Case& c : cases) {
        para.enable_output_thimble_pulse = c.mode;
        ControlPort io{ControlPort::NoBoard{}};
        gDataIn = 0x8;  // only input 3
        EXPECT_EQ(io.IOInTrigger(c.target), 1) << "mode " << c.mode;
        EXPECT_EQ(io.IOState(0, c.target), 1);
        EXPECT_EQ(io.IOState(0, 3), 1) << "input 3 itself stays";

        // Input 3 inactive: the target reads inactive even when its own bit is set.
        gDataIn = 1 << c.target;
        EXPECT_EQ(io.IOInTrigger(c.target), 0);
        EXPECT_EQ(io.IOState(0, c.target), 0) << "mode " << c.mode;
    }

    para.enable_output_thimble_pulse = 0;
    ControlPort io{ControlPort::NoBoard{}};
    gDataIn = 0x8;
    EXPECT_EQ(PassEdges(io), 0x8);
}

TEST_F(ControlPortTest, SafetyDoorReleasesAlarmInTheFirstCallOfThePass)
{
    ControlPort io{ControlPort::NoBoard{}};
    gDataIn = 0x2;  // door input active
    PassEdges(io);
    io.IOSetOut(2, 1);
    io.IOSetOut(0, 1);
    io.IOFlashOut();
    ASSERT_EQ(gDataOut, 0x5);

    gDataIn = 0x0;  // the door input drops
    EXPECT_EQ(io.IOInTrigger(0), 0);
    EXPECT_TRUE(gisSafeDoorOpen);
    EXPECT_EQ(gDataOut, 0x1) << "alarm released and published, inhibit kept";
    EXPECT_EQ(OutWord(io), 0x1);
}

TEST_F(ControlPortTest, SafetyDoorOnlyOutsideModesOneAndTwo)
{
    for (int mode : {1, 2}) {
        para.io_mode = mode;
        ControlPort io{ControlPort::NoBoard{}};
        gDataIn = 0x2;
        PassEdges(io);
        io.IOSetOut(2, 1);
        io.IOFlashOut();
        gDataIn = 0x0;
        PassEdges(io);
        EXPECT_FALSE(gisSafeDoorOpen) << "mode " << mode;
        EXPECT_EQ(OutWord(io), 0x4);
    }
    for (int mode : {0, 3, 4, 5}) {
        para.io_mode = mode;
        gisSafeDoorOpen = false;
        ControlPort io{ControlPort::NoBoard{}};
        gDataIn = 0x2;
        PassEdges(io);
        io.IOSetOut(2, 1);
        gDataIn = 0x0;
        PassEdges(io);
        EXPECT_TRUE(gisSafeDoorOpen) << "mode " << mode;
        EXPECT_EQ(OutWord(io), 0) << "mode " << mode;
    }
}

TEST_F(ControlPortTest, SafetyDoorWithoutAlarmOnlyPublishesAndFlags)
{
    ControlPort io{ControlPort::NoBoard{}};
    gDataIn = 0x2;
    PassEdges(io);
    io.IOSetOut(1, 1);  // set but not yet published
    gDataIn = 0x0;
    PassEdges(io);
    EXPECT_TRUE(gisSafeDoorOpen);
    EXPECT_EQ(gDataOut, 0x2);

    // Closing the door again is not an opening.
    gisSafeDoorOpen = false;
    gDataIn = 0x2;
    PassEdges(io);
    EXPECT_FALSE(gisSafeDoorOpen);
}

TEST_F(ControlPortTest, SafetyDoorWithInvertedDoorInput)
{
    para.input_polarity[1] = 1;  // door active at level 0: opening is a rise to 1
    ControlPort io{ControlPort::NoBoard{}};
    io.IOSetOut(2, 1);
    gDataIn = 0x2;
    PassEdges(io);
    EXPECT_TRUE(gisSafeDoorOpen);
    EXPECT_EQ(OutWord(io), 0);
}

TEST_F(ControlPortTest, SafetyDoorReleasesAnInvertedAlarm)
{
    para.output_polarity[2] = 1;
    ControlPort io{ControlPort::NoBoard{}};
    gDataIn = 0x2;
    PassEdges(io);
    io.IOSetOut(2, 1);  // active inverted alarm: bit 2 at level 0
    ASSERT_EQ(OutWord(io), 0x0);
    gDataIn = 0x0;
    PassEdges(io);
    EXPECT_TRUE(gisSafeDoorOpen);
    EXPECT_EQ(OutWord(io), 0x4) << "released: back at its inactive level 1";
    EXPECT_EQ(gDataOut, 0x4);

    // An inactive inverted alarm stays inactive.
    gDataIn = 0x2;
    PassEdges(io);
    gDataIn = 0x0;
    PassEdges(io);
    EXPECT_EQ(OutWord(io), 0x4);
}

TEST_F(ControlPortTest, SafetyDoorReleasesARedirectedAlarm)
{
    para.enable_mold_backup = 3;  // the alarm drives bit 3
    ControlPort io{ControlPort::NoBoard{}};
    gDataIn = 0x2;
    PassEdges(io);
    io.IOSetOut(2, 1);
    ASSERT_EQ(OutWord(io), 0x8);
    gDataIn = 0x0;
    PassEdges(io);
    EXPECT_EQ(OutWord(io), 0x0);
    EXPECT_EQ(gDataOut, 0x0);

    // Redirected and inverted.
    para.output_polarity[2] = 1;
    ControlPort io2{ControlPort::NoBoard{}};
    gDataIn = 0x2;
    PassEdges(io2);
    io2.IOSetOut(2, 1);
    ASSERT_EQ(OutWord(io2), 0x0);
    gDataIn = 0x0;
    PassEdges(io2);
    EXPECT_EQ(OutWord(io2), 0x8);
}

} // namespace
