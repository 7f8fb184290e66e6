#include <gtest/gtest.h>

#include <cstring>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include "common/boardsim.h"
#include "common/programdir.h"
#include "core/comsend.h"
#include "platform/vision/posix_qextserialport.h"

namespace {
QByteArray hostFrame(int cmd, int data)
{
    unsigned char f[6];
    MakeHostFrame(f, cmd, data);
    return QByteArray(reinterpret_cast<const char*>(f), 6);
}

// Reads from gpCom until `n` bytes arrived or the time is up.
QByteArray readPort(int n, int timeoutMs = 2000)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < n && t.elapsed() < timeoutMs) {
        const qint64 avail = gpCom->bytesAvailable();
        if (avail > 0)
            got += gpCom->read(avail);
        else
            QThread::msleep(2);
    }
    return got;
}

struct BoardReply {
    int type;
    unsigned char b[4];
};

// Splits board frames (8 bytes each), checking start, sum and end byte.
QList<BoardReply> boardFrames(const QByteArray& bytes)
{
    QList<BoardReply> out;
    for (int i = 0; i + 8 <= bytes.size(); i += 8) {
        const auto* f = reinterpret_cast<const unsigned char*>(bytes.constData() + i);
        EXPECT_EQ(f[0], 0x5F);
        EXPECT_EQ(f[6], calcLRC(f, 6));
        EXPECT_EQ(f[7], 0xF5);
        out << BoardReply{f[1], {f[2], f[3], f[4], f[5]}};
    }
    return out;
}
}  // namespace

TEST(HostFrame, BytesAndSums)
{
    EXPECT_EQ(hostFrame(2, 0).toHex(' '), QByteArray("5f 02 00 00 61 f5"));
    EXPECT_EQ(hostFrame(1, 0x0105).toHex(' '), QByteArray("5f 01 05 01 66 f5"));
    // only the low 8 bits of the command and 16 of the data go out
    EXPECT_EQ(hostFrame(0x301, 0x7ABCD).toHex(' '), QByteArray("5f 01 cd ab d8 f5"));

    const unsigned char a[] = {0x5F, 0x02, 0x00, 0x00};
    EXPECT_EQ(calcLRC(a, 4), 0x61);
    const unsigned char wrap[] = {0xFF, 0x02};
    EXPECT_EQ(calcLRC(wrap, 2), 0x01);
    EXPECT_EQ(calcLRC(wrap, 0), 0x00);
}

TEST(HostFrame, PortNumberMapsToDevice)
{
    qunsetenv("MOULDMON_SERIAL");
    EXPECT_EQ(ComDeviceName(0), QString("/dev/ttyS0"));
    EXPECT_EQ(ComDeviceName(1), QString("/dev/ttyS2"));
    EXPECT_EQ(ComDeviceName(2), QString("/dev/ttyS3"));
    EXPECT_EQ(ComDeviceName(100), QString("/dev/ttyS101"));
    qputenv("MOULDMON_SERIAL", "/tmp/board-link");
    EXPECT_EQ(ComDeviceName(1), QString("/tmp/board-link"));
    qunsetenv("MOULDMON_SERIAL");
}

TEST(HostFrame, UnopenablePortIsReported)
{
    ProgramDir dir;
    qputenv("MOULDMON_SERIAL", dir.file("no-such-tty").toLocal8Bit());
    EXPECT_FALSE(ComInit());
    ASSERT_NE(gpCom, nullptr);
    EXPECT_FALSE(gpCom->isOpen());
    EXPECT_NE(gpCom->lastError(), 0);
    ComSend(2, 0);  // goes nowhere, does not crash
    // a plain file is no terminal: the line set-up fails
    dir.write("plain", "x");
    qputenv("MOULDMON_SERIAL", dir.file("plain").toLocal8Bit());
    EXPECT_FALSE(ComInit());
    EXPECT_FALSE(gpCom->isOpen());
    qunsetenv("MOULDMON_SERIAL");
}

TEST(BoardRoundTrip, FramesInputsAndTemperaturesOverPty)
{
    ProgramDir dir;
    BoardSim sim;
    ASSERT_TRUE(sim.start());
    gisCOM = 1;
    ASSERT_TRUE(ComInit());
    EXPECT_EQ(gpCom->portName(), sim.link());

    sim.send("in 205");
    ASSERT_TRUE(sim.waitFor([](const QStringList& l) { return !l.isEmpty() && l.last().endsWith(" in 0205"); }));
    ComSend(1, 0x0301);
    ComSend(2, 0);
    QList<BoardReply> r = boardFrames(readPort(8));
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].type, 2);
    EXPECT_EQ(r[0].b[0] + (r[0].b[1] & 3) * 256, 0x205);  // inputs 0, 2 and 9
    EXPECT_EQ(r[0].b[2] + (r[0].b[3] & 3) * 256, 0x301);  // output echo

    sim.send("temp 2 21.5");
    sim.send("temp 9 -3.25");
    QThread::msleep(30);
    ComSend(3, 0);
    r = boardFrames(readPort(64));
    ASSERT_EQ(r.size(), 8);
    float v;
    std::memcpy(&v, r[2].b, 4);
    EXPECT_EQ(r[2].type, 3);
    EXPECT_FLOAT_EQ(v, 21.5f);
    ComSend(4, 0);
    r = boardFrames(readPort(64));
    ASSERT_EQ(r.size(), 8);
    std::memcpy(&v, r[1].b, 4);
    EXPECT_EQ(r[1].type, 4);
    EXPECT_FLOAT_EQ(v, -3.25f);

    ASSERT_TRUE(sim.waitForFrames(4));
    const QList<BoardFrameLog> f = sim.frames();
    ASSERT_EQ(f.size(), 4);
    EXPECT_EQ(f[0].command, 1);
    EXPECT_EQ(f[0].data, 0x0301);
    EXPECT_EQ(f[1].command, 2);
    EXPECT_EQ(f[2].command, 3);
    EXPECT_EQ(f[3].command, 4);
    EXPECT_TRUE(f[0].ms <= f[3].ms);
    gpCom->close();
}

TEST(BoardRoundTrip, UnplugDropsPulsesEndAndRawBytesPass)
{
    ProgramDir dir;
    BoardSim sim;
    ASSERT_TRUE(sim.start());
    gisCOM = 0;
    ASSERT_TRUE(ComInit());

    sim.send("unplug");
    ASSERT_TRUE(sim.waitFor([](const QStringList& l) { return !l.isEmpty() && l.last().endsWith(" unplug"); }));
    ComSend(1, 0x00F);
    ComSend(2, 0);
    ASSERT_TRUE(sim.waitForFrames(2));
    EXPECT_TRUE(readPort(8, 150).isEmpty());  // no answer while the cable is out
    sim.send("plug");
    ASSERT_TRUE(sim.waitFor([](const QStringList& l) { return l.last().endsWith(" plug"); }));
    ComSend(2, 0);
    QList<BoardReply> r = boardFrames(readPort(8));
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].b[2], 0);  // the output frame sent while unplugged was dropped

    sim.send("pulse 3 40");
    ASSERT_TRUE(sim.waitFor([](const QStringList& l) { return l.filter(" in 0000").size() == 1; }, 2000));
    const QStringList ins = sim.lines().filter(QRegularExpression("^\\d+ in "));
    ASSERT_EQ(ins.size(), 2);
    EXPECT_TRUE(ins[0].endsWith(" in 0008"));
    const qint64 up = ins[0].section(' ', 0, 0).toLongLong();
    const qint64 down = ins[1].section(' ', 0, 0).toLongLong();
    EXPECT_GE(down - up, 35);
    EXPECT_LE(down - up, 500);

    sim.send("raw 00 5f 02");
    EXPECT_EQ(readPort(3).toHex(' '), QByteArray("00 5f 02"));
    // bytes around a frame from the host are skipped, the frame is still seen
    gpCom->write(QByteArray::fromHex("aa5f") + hostFrame(2, 0) + QByteArray::fromHex("f5"));
    r = boardFrames(readPort(8));
    EXPECT_EQ(r.size(), 1);
    gpCom->close();
}
