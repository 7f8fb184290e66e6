// The board thread's watches: a board that stops answering, and a monitoring pass that stops
// running while detection runs (the board thread then holds the mould and raises the alarm).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMutexLocker>

#include "common/boardsim.h"
#include "common/programdir.h"
#include "common/windowworld.h"
#include "core/comsend.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "platform/vision/posix_qextserialport.h"
#include "vision/board/boardwatch.h"
#include "vision/board/controlport.h"
#include "vision/board/iothread.h"

namespace {

class BoardWatchTest : public ::testing::Test {
protected:
    void SetUp() override { w.clock = [this] { return now; }; }
    BoardWatch w;
    qint64 now = 1000;
};

}  // namespace

TEST_F(BoardWatchTest, NoValidReplyForOneSecondIsSilentUntilTheNextReply)
{
    w.Supervise(0);  // the first request starts the clock
    now += 999;
    w.Supervise(0);
    EXPECT_FALSE(w.Silent());
    now += 1;
    w.Supervise(0);
    EXPECT_TRUE(w.Silent());
    now += 20000;
    w.Supervise(0);
    EXPECT_TRUE(w.Silent());
    w.Replied();
    w.Supervise(0);
    EXPECT_FALSE(w.Silent());
}

TEST_F(BoardWatchTest, AMissingPassWhileDetectingSendsTheBlindWordUntilPassesResume)
{
    const qint32 published = 0x010, blind = 0x015;
    w.Replied();
    w.Beat(true, blind);
    now += 1999;
    w.Replied();
    EXPECT_EQ(w.Supervise(published), published);
    now += 1;
    w.Replied();
    EXPECT_EQ(w.Supervise(published), blind);
    EXPECT_TRUE(w.Blind());
    EXPECT_EQ(w.TakeBlindMs(), 0);  // still blind: nothing to record yet
    now += 1000;
    w.Beat(true, blind);
    EXPECT_EQ(w.Supervise(published), published);
    EXPECT_EQ(w.TakeBlindMs(), 3000);
    EXPECT_EQ(w.TakeBlindMs(), 0);  // recorded once
}

TEST_F(BoardWatchTest, StoppedDetectionNoPassYetOrNoPortNeverTakesTheOutputs)
{
    EXPECT_EQ(w.Supervise(7), 7);  // no pass has run yet (start-up)
    now += 10000;
    EXPECT_EQ(w.Supervise(7), 7);
    w.Beat(false, 0x1FF);
    now += 10000;
    EXPECT_EQ(w.Supervise(7), 7);
    EXPECT_FALSE(w.Blind());
    w.Beat(true, 0x1FF);  // detecting, but no port open: no board to hold the mould with
    now += 10000;
    EXPECT_EQ(w.Supervise(7, false), 7);
    EXPECT_FALSE(w.Blind());
}

TEST(BoardWatchWord, BlindWordAddsInhibitAndAlarmWithTheirPolarity)
{
    WizardPara para;
    para.output_polarity[2] = 1;  // the alarm output is active low
    WizardPara* saved = gpWPara;
    gpWPara = &para;
    ControlPort port{ControlPort::NoBoard{}};
    port.IOResetAllOut();
    port.IOSetOut(4, 1);
    const qint32 before = port.IOState(1, 4) | port.IOState(1, 2) << 2;
    const qint32 word = port.WordWithActive(0, 2);
    EXPECT_EQ(word & 0x1F, 0x11);  // output 0 set, output 2 low (active), output 4 kept
    EXPECT_EQ(port.IOState(1, 4) | port.IOState(1, 2) << 2, before);  // not changed, not published
    gpWPara = saved;
}

TEST(BoardWatchLine, TheBoardThreadSendsTheBlindWordAndHandsTheOutputsBack)
{
    ProgramDir dir;
    CreateGlobalMutexes();
    QuietWindows();  // a window's board thread polls the same port
    BoardSim sim;
    ASSERT_TRUE(sim.start());
    gisCOM = 0;
    ASSERT_TRUE(ComInit());
    {
        QMutexLocker lock(pMutexIO);
        gDataOut = 0x010;
    }
    IOThread th;
    qint64 now = 0;
    th.watch.clock = [&] { return now; };
    auto passes = [&](int n) {
        for (int i = 0; i < n; ++i) {
            th.Pass();
            QThread::msleep(10);  // the board's reply arrives for the next pass
        }
    };
    auto lastSet = [&] {
        int data = -1;
        for (const BoardFrameLog& f : sim.frames())
            if (f.command == 1)
                data = f.data;
        return data;
    };
    // A pass sends the word once the board's reply to the one before has come: a starved
    // simulator takes more passes, never another word.
    auto passesUntil = [&](int word) {
        for (int i = 0; i < 300 && lastSet() != word; ++i)
            passes(1);
        return lastSet() == word;
    };
    th.watch.Beat(true, 0x015);
    ASSERT_TRUE(passesUntil(0x010));
    now = 2500;  // the pass stopped 2.5 s ago
    ASSERT_TRUE(passesUntil(0x015));
    th.watch.Beat(true, 0x015);
    ASSERT_TRUE(passesUntil(0x010));
    EXPECT_EQ(th.watch.TakeBlindMs(), 2500);
    sim.stop();
    delete gpCom;
    gpCom = nullptr;
}
