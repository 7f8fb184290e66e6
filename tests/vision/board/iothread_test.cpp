// The board thread over a real pty against tools/boardsim. Passes are driven one by one so that
// every frame the host sends can be tied to the pass that sent it; the free-running thread is
// used only where its timing is the point (unplug/plug, ControlPort end to end).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <QElapsedTimer>
#include <QMutexLocker>

#include "common/boardsim.h"
#include "common/programdir.h"
#include "common/windowworld.h"
#include "core/comsend.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "platform/vision/posix_qextserialport.h"
#include "vision/board/controlport.h"
#include "vision/board/iothread.h"

namespace {

// A board frame as hex for boardsim's "raw" command.
QString BoardFrame(int type, int b2, int b3, int b4, int b5)
{
    unsigned char f[8] = {0x5F, (unsigned char)type, (unsigned char)b2, (unsigned char)b3,
                          (unsigned char)b4, (unsigned char)b5, 0, 0xF5};
    f[6] = calcLRC(f, 6);
    return QString(QByteArray(reinterpret_cast<char*>(f), 8).toHex(' '));
}

QString TempFrame(int type, float v)
{
    unsigned char b[4];
    std::memcpy(b, &v, 4);
    return BoardFrame(type, b[0], b[1], b[2], b[3]);
}

void SetOut(qint32 w)
{
    QMutexLocker lock(pMutexIO);
    gDataOut = w;
}

qint32 In()
{
    QMutexLocker lock(pMutexIO);
    return gDataIn;
}

class IOThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateGlobalMutexes();
        QuietWindows();  // a window's board thread polls the same port
        ASSERT_TRUE(sim.start());
        gisCOM = 0;
        ASSERT_TRUE(ComInit());
        SetOut(0);
        gDataIn = 0;
        for (float& t : gFTemp)
            t = 0;
        ClearPublishedTemperatures();
    }
    void TearDown() override
    {
        if (th.isRunning()) {
            th.requestInterruption();
            th.wait();
        }
        sim.stop();
        delete gpCom;
        gpCom = nullptr;
    }

    // Requests (commands 2, 3, 4) logged so far: one per pass.
    int Requests()
    {
        int n = 0;
        for (const BoardFrameLog& f : sim.frames())
            n += f.command >= 2 && f.command <= 4;
        return n;
    }
    // Waits until `bytes` are waiting at the host's port.
    bool WaitBytes(qint64 bytes)
    {
        QElapsedTimer t;
        t.start();
        while (gpCom->bytesAvailable() < bytes) {
            if (t.elapsed() > 3000)
                return false;
            QThread::usleep(200);
        }
        return true;
    }
    // One pass; returns once the board has logged its request and its reply (`replyBytes`)
    // is waiting. Returns the host frames of this pass.
    QList<BoardFrameLog> Pass(qint64 replyBytes = 8)
    {
        const int before = sim.frames().size();
        const int requests = Requests();
        th.Pass();
        EXPECT_TRUE(sim.waitFor([&](const QStringList&) { return Requests() > requests; }));
        if (replyBytes) {
            EXPECT_TRUE(WaitBytes(replyBytes));
        }
        return sim.frames().mid(before);
    }
    static QList<int> Commands(const QList<BoardFrameLog>& frames)
    {
        QList<int> c;
        for (const BoardFrameLog& f : frames)
            c << f.command;
        return c;
    }
    void Raw(const QString& hex, qint64 waitingAfter)
    {
        sim.send("raw " + hex);
        ASSERT_TRUE(WaitBytes(waitingAfter));
    }
    void Inputs(const QString& hex)
    {
        // While the thread polls, frame lines keep arriving: look for the change among the new lines.
        const int seen = sim.lines().size();
        sim.send("in " + hex);
        const QString want = " in " + hex.rightJustified(4, '0');
        ASSERT_TRUE(sim.waitFor([&](const QStringList& l) {
            for (int i = seen; i < l.size(); ++i)
                if (l[i].endsWith(want))
                    return true;
            return false;
        }));
    }

    ProgramDir dir;
    BoardSim sim;
    IOThread th;
};

TEST_F(IOThreadTest, EdgesOfEveryReplyAreLatchedUntilTaken)
{
    auto take = [this](qint32 mask) {
        QMutexLocker lock(pMutexIO);
        return th.TakeEdges(mask);
    };
    // Input 0 up in one reply and down again in the next, with nobody looking in between.
    Inputs("1");
    Pass();
    Pass();
    Inputs("0");
    Pass();
    Pass();
    EXPECT_EQ(In(), 0);
    const IOThread::Edges e = take(0x1);
    EXPECT_EQ(e.rose, 0x1);
    EXPECT_EQ(e.fell, 0x1);
    // Taken once; other inputs' edges stay until asked for.
    Inputs("4");
    Pass();
    Pass();
    EXPECT_EQ(take(0x1).rose, 0);
    EXPECT_EQ(take(0x4).rose, 0x4);
    EXPECT_EQ(take(0x4).rose, 0);
}

TEST_F(IOThreadTest, InputFrameSetsTheInputWordInTheSamePass)
{
    Inputs("205");
    EXPECT_EQ(Commands(Pass()), QList<int>{2});
    EXPECT_EQ(In(), 0) << "the reply is read by the next pass";
    Pass();
    EXPECT_EQ(In(), 0x205);
    Inputs("3ff");
    Pass();
    EXPECT_EQ(In(), 0x205);
    Pass();
    EXPECT_EQ(In(), 0x3FF);
}

TEST_F(IOThreadTest, CommandOneOnlyInThePassThatSeesADifferingEcho)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Commands(Pass()), QList<int>{2}) << "echo 0 matches output word 0";

    SetOut(0x103);
    const QList<BoardFrameLog> first = Pass();
    ASSERT_EQ(Commands(first), (QList<int>{1, 2}));
    EXPECT_EQ(first[0].data, 0x103);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Commands(Pass()), QList<int>{2}) << "echo matches again";

    // The board reports other outputs (e.g. after its own reset): resent in that pass.
    Raw(BoardFrame(2, 0x05, 0x02, 0x01, 0x00), 16);
    const QList<BoardFrameLog> again = Pass();
    ASSERT_EQ(Commands(again), (QList<int>{1, 2}));
    EXPECT_EQ(again[0].data, 0x103);
    EXPECT_EQ(In(), 0x205) << "the later frame of the pass wins";
    EXPECT_EQ(Commands(Pass()), QList<int>{2});
}

TEST_F(IOThreadTest, EchoMatchingOutputWordOneSendsNothingElse)
{
    SetOut(1);
    Pass();
    Pass();  // board now drives output 0
    // 5F 02 05 02 01 00 69 F5: inputs 0x205, echo 1.
    ASSERT_EQ(BoardFrame(2, 0x05, 0x02, 0x01, 0x00), "5f 02 05 02 01 00 69 f5");
    Raw(BoardFrame(2, 0x05, 0x02, 0x01, 0x00), 16);
    EXPECT_EQ(Commands(Pass()), QList<int>{2});
    EXPECT_EQ(In(), 0x205);
}

TEST_F(IOThreadTest, RequestPatternAndTemperaturesOver210Passes)
{
    const float temps[16] = {21.5f, -3.25f, 0.0f, 100.125f, 7.0f, 8.5f, 1e-3f, 250.0f,
                             30.0f, 31.0f, 32.5f, -40.0f, 33.0f, 34.0f, 35.0f, 999.5f};
    for (int i = 0; i < 16; ++i)
        sim.send(QString("temp %1 %2").arg(i).arg(double(temps[i]), 0, 'g', 9));

    QList<int> requests;
    for (int pass = 1; pass <= 211; ++pass) {
        const bool temp = pass == 200 || pass == 210;
        for (const BoardFrameLog& f : Pass(temp ? 64 : 8))
            requests << f.command;
        if (pass == 201) {
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ(gFTemp[i], temps[i]) << "channel " << i;
            EXPECT_EQ(gFTemp[8], 0.0f);
        }
    }
    ASSERT_EQ(requests.size(), 211);
    for (int i = 0; i < 211; ++i) {
        const int pass = i + 1;
        const int want = pass == 200 ? 3 : pass == 210 ? 4 : 2;
        EXPECT_EQ(requests[i], want) << "pass " << pass;
    }
    EXPECT_EQ(requests.mid(0, 210).count(2), 208);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(gFTemp[i], temps[i]) << "channel " << i;
    float shown[16] = {};
    PublishedTemperatures(0, shown, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(shown[i], temps[i]) << "channel " << i << " as other threads see it";
}

// The statistics screen reads the temperatures on the GUI thread while replies arrive: it gets a
// bank only once one reply has filled all of it, never the first channels of a new reply beside
// the last ones of the reply before.
TEST_F(IOThreadTest, OtherThreadsSeeOnlyBanksOneReplyFilled)
{
    const float before[8] = {50, 51, 52, 53, 54, 55, 56, 57};
    PublishTemperatures(0, before, 8);
    Pass();
    QString first, rest;
    for (int i = 0; i < 5; ++i)
        first += TempFrame(3, 20.0f + i) + " ";
    for (int i = 5; i < 8; ++i)
        rest += TempFrame(3, 20.0f + i) + " ";
    Raw(first, 8 + 5 * 8);
    Pass();
    EXPECT_EQ(gFTemp[4], 24.0f) << "the board thread has the first five";
    float shown[8] = {};
    PublishedTemperatures(0, shown, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(shown[i], before[i]) << "channel " << i << " while the reply is half in";
    Raw(rest, 8 + 3 * 8);
    Pass();
    PublishedTemperatures(0, shown, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(shown[i], 20.0f + i) << "channel " << i << " once the reply is whole";
    // Out of range asks change nothing and read nothing.
    PublishTemperatures(12, before, 8);
    float beyond[2] = {-1, -1};
    PublishedTemperatures(15, beyond, 2);
    EXPECT_EQ(beyond[0], -1.0f);
    PublishedTemperatures(8, shown, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(shown[i], 0.0f) << "channel " << 8 + i;
}

TEST_F(IOThreadTest, TemperatureRepliesStayInsideTheirBank)
{
    // Replies with no request fill the first bank only; extra ones are ignored.
    Pass();
    QString burst;
    for (int i = 0; i < 12; ++i)
        burst += TempFrame(4, 10.0f + i) + " ";
    Raw(burst, 8 + 12 * 8);
    Pass();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(gFTemp[i], 10.0f + i);
    for (int i = 8; i < 16; ++i)
        EXPECT_EQ(gFTemp[i], 0.0f) << "entry " << i << " belongs to the other request";
}

TEST_F(IOThreadTest, GarbageBetweenGoodFramesIsSkipped)
{
    Inputs("1");
    Pass();
    // Two stray bytes, a good frame, a frame with a wrong check byte, one with a wrong end
    // byte, a lone start byte, another good frame.
    const QString bad1 = BoardFrame(2, 0x44, 0, 0, 0).replace(QRegExp("[0-9a-f]{2} f5$"), "00 f5");
    const QString bad2 = BoardFrame(2, 0x55, 0, 0, 0).replace(QRegExp("f5$"), "f4");
    Raw("13 37 " + BoardFrame(2, 0x22, 0x01, 0, 0) + " " + bad1 + " " + bad2 + " 5f " +
            BoardFrame(3, 0, 0, 0xC8, 0x41),
        8 + 2 + 8 + 8 + 8 + 1 + 8);
    Pass();
    EXPECT_EQ(gFTemp[0], 25.0f) << "frame after the garbage handled in the same pass";
    EXPECT_EQ(In(), 0x122) << "bad frames are never handled";
    Pass();
    EXPECT_EQ(In(), 0x1) << "the board's next reply lines up again";
}

TEST_F(IOThreadTest, FrameSplitAcrossReadsIsHandledWhole)
{
    Pass();
    // 1012 zero bytes push the end of the next frame beyond one read of 1024 bytes (the
    // poll reply already waiting takes 8): it is read in two parts by two passes.
    const QString zeros = QString("00").repeated(1012);
    Raw(zeros + " " + TempFrame(3, 42.5f), 8 + 1012 + 8);
    Pass(0);
    EXPECT_EQ(gFTemp[0], 0.0f) << "only half of the frame read so far";
    EXPECT_TRUE(WaitBytes(4 + 8));
    Pass();
    EXPECT_EQ(gFTemp[0], 42.5f);
    Inputs("7");
    Pass();
    Pass();
    EXPECT_EQ(In(), 0x7);
}

// Between passes: a reply is handled without a request of its own, and a new output word goes
// out only when the board is known to drive other outputs.
TEST_F(IOThreadTest, BetweenPassesRepliesAreReadAndNewOutputsSentWithoutARequest)
{
    SetOut(1);
    th.Receive(true);
    EXPECT_EQ(sim.frames().size(), 0) << "nothing is known of the board's outputs yet";

    Inputs("5");
    Pass();  // poll; the reply (echo 0, output word 1) waits
    EXPECT_EQ(Commands(sim.frames()), QList<int>{2});
    const int requests = Requests();
    int frames = sim.frames().size();
    th.Receive(false);
    EXPECT_EQ(In(), 0x5) << "read as soon as woken, not at the next pass";
    ASSERT_TRUE(sim.waitForFrames(frames + 1));
    QList<BoardFrameLog> sent = sim.frames().mid(frames);
    ASSERT_EQ(Commands(sent), QList<int>{1}) << "the echo differs: resent, but no request";
    EXPECT_EQ(sent[0].data, 1);

    // The word changes and changes back before any echo: each change reaches the board.
    frames = sim.frames().size();
    SetOut(0x103);
    th.Receive(true);
    SetOut(1);
    th.Receive(true);
    ASSERT_TRUE(sim.waitForFrames(frames + 2));
    sent = sim.frames().mid(frames);
    ASSERT_EQ(Commands(sent), (QList<int>{1, 1}));
    EXPECT_EQ(sent[0].data, 0x103);
    EXPECT_EQ(sent[1].data, 1);

    // The same word again, and a wake without a change: nothing more goes out.
    th.Receive(true);
    th.Receive(false);
    EXPECT_EQ(Commands(Pass()), QList<int>{2});
    EXPECT_EQ(Commands(Pass()), QList<int>{2}) << "the echo matches the word last sent";
    EXPECT_EQ(Requests(), requests + 2);
}

// The running thread does not wait out its period: the reply to its poll and a published
// output word are both handled while the next request is still far off.
TEST_F(IOThreadTest, RunningThreadAnswersBeforeItsNextRequest)
{
    th.setPeriod(60000);
    Inputs("9");
    th.start();
    QElapsedTimer w;
    w.start();
    while (In() != 0x9 && w.elapsed() < 3000)
        QThread::msleep(1);
    EXPECT_EQ(In(), 0x9);
    EXPECT_EQ(Requests(), 1);

    SetOut(0x81);
    th.OutputChanged();
    EXPECT_TRUE(sim.waitFor([&](const QStringList&) {
        const auto f = sim.frames();
        return std::any_of(f.begin(), f.end(), [](const BoardFrameLog& x) {
            return x.command == 1 && x.data == 0x81;
        });
    }));
    EXPECT_EQ(Requests(), 1) << "sent without waiting for the next pass";

    th.requestInterruption();
    th.OutputChanged();  // ends the wait
    EXPECT_TRUE(th.wait(3000));
}

TEST_F(IOThreadTest, UnpluggedBoardKeepsPollingCalmlyAndRecoversOnPlug)
{
    Inputs("5");
    Pass();
    Pass();
    ASSERT_EQ(In(), 0x5);

    th.setPeriod(5);
    sim.send("unplug");
    ASSERT_TRUE(sim.waitFor([](const QStringList& l) { return !l.filter(QRegExp("^\\d+ unplug$")).isEmpty(); }));
    Inputs("0");
    const int before = Requests();
    QElapsedTimer t;
    t.start();
    th.start();
    QThread::msleep(300);
    const int polled = Requests() - before;
    const qint64 ms = t.elapsed();
    EXPECT_TRUE(th.isRunning());
    EXPECT_GE(polled, 10) << "still polling";
    EXPECT_LE(polled, ms / 5 + 5) << "a pause in every pass, no busy loop";
    EXPECT_EQ(In(), 0x5) << "inputs stay as they were";

    sim.send("plug");
    QElapsedTimer w;
    w.start();
    while (In() != 0 && w.elapsed() < 2000)
        QThread::msleep(5);
    EXPECT_EQ(In(), 0x0) << "answers again after plug";
    Inputs("9");
    w.restart();
    while (In() != 9 && w.elapsed() < 2000)
        QThread::msleep(5);
    EXPECT_EQ(In(), 0x9);
}

TEST(ControlPortBoard, OutputsAndInputsEndToEnd)
{
    CreateGlobalMutexes();
    QuietWindows();
    ProgramDir dir;
    BoardSim sim;
    ASSERT_TRUE(sim.start());
    WizardPara para;
    para.output_polarity[2] = 1;  // the alarm output idles at level 1
    WizardPara* saved = gpWPara;
    gpWPara = &para;
    gisCOM = 0;
    gDataIn = 0;

    ControlPort io;
    EXPECT_EQ(gDataOut, 0x4) << "all outputs inactive, published by the constructor";
    ASSERT_TRUE(sim.waitFor([&](const QStringList&) {
        for (const BoardFrameLog& f : sim.frames())
            if (f.command == 1 && f.data == 0x4)
                return true;
        return false;
    })) << "the board gets the idle levels";

    sim.send("in 1");
    QElapsedTimer t;
    t.start();
    int edge = 0;
    while (!edge && t.elapsed() < 2000) {
        edge = io.IOInTrigger(0);
        QThread::msleep(2);
    }
    EXPECT_EQ(edge, 1);
    EXPECT_EQ(io.IOState(0, 0), 1);

    // While the cycle cannot take inputs: a pulse that came and went is dropped; a level raised
    // then and still held is an edge at the next read, as the edge rule gives it.
    auto settle = [&](const QString& in) {
        sim.send("in " + in);
        QThread::msleep(60);
    };
    settle("0");
    io.IOInTrigger(0);
    settle("1");
    settle("0");
    io.DropLatchedEdges(0);
    EXPECT_EQ(io.IOInTrigger(0), 0) << "a pulse during a delay";
    settle("1");
    io.DropLatchedEdges(0);
    EXPECT_EQ(io.IOInTrigger(0), 1) << "a level still held when the cycle can take it";

    io.IOSetOut(0, 1);
    io.IOSetOut(2, 1);
    io.IOFlashOut();
    EXPECT_TRUE(sim.waitFor([&](const QStringList&) {
        const auto f = sim.frames();
        return !f.isEmpty() && std::any_of(f.begin(), f.end(), [](const BoardFrameLog& x) {
            return x.command == 1 && x.data == 0x1;
        });
    }));

    io.thread()->requestInterruption();
    io.thread()->wait();
    sim.stop();
    delete gpCom;
    gpCom = nullptr;
    gpWPara = saved;
}

} // namespace
