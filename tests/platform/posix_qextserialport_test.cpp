#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>

#include "common/starvation.h"
#include "platform/vision/posix_qextserialport.h"

namespace {
// A pty pair: the test holds the master, the port opens the slave.
struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
};
}  // namespace

TEST(SerialPort, PollingReadsWhatIsWaitingAndLineIsRaw)
{
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    Posix_QextSerialPort port(pty.slave, QextSerialBase::Polling);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    port.setBaudRate(BAUD115200);
    port.setDataBits(DATA_8);
    port.setParity(PAR_NONE);
    port.setStopBits(STOP_1);
    port.setFlowControl(FLOW_OFF);
    port.setTimeout(1);
    EXPECT_EQ(port.lastError(), 0);

    EXPECT_EQ(port.bytesAvailable(), 0);
    char buf[16];
    EXPECT_EQ(port.read(buf, sizeof buf), 0);  // nothing there: returns at once

    // bytes a cooked line would change (CR, ^C, ^S, 0xFF) arrive untouched
    const QByteArray sent = QByteArray::fromHex("5f0d0a0313ff11f5");
    ASSERT_EQ(::write(pty.master, sent.constData(), sent.size()), sent.size());
    QElapsedTimer t;
    t.start();
    while (port.bytesAvailable() < sent.size() && t.elapsed() < 1000)
        QThread::msleep(1);
    EXPECT_EQ(port.bytesAvailable(), sent.size());
    EXPECT_EQ(port.read(port.bytesAvailable()), sent);

    termios tio{};
    ASSERT_EQ(tcgetattr(pty.master, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_FALSE(tio.c_lflag & (ECHO | ICANON));

    // nothing written comes back (no echo)
    EXPECT_EQ(port.write(QByteArray("\x5f\x02\x00\x00\x61\xf5", 6)), 6);
    QThread::msleep(5);
    EXPECT_EQ(port.bytesAvailable(), 0);
}

TEST(SerialPort, WriteToALineNobodyReadsDoesNotHang)
{
    Pty pty;
    Posix_QextSerialPort port(pty.slave, QextSerialBase::Polling);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    port.setTimeout(1);
    const QByteArray block(4096, 'x');
    const Starvation cpu;
    QElapsedTimer t;
    t.start();
    qint64 total = 0;
    for (int i = 0; i < 100; ++i) {
        const qint64 n = port.write(block);
        if (n <= 0)
            break;
        total += n;
    }
    EXPECT_TRUE(cpu.OnTime(t.elapsed(), 0, 2000, "writes to a full line"));
    EXPECT_GT(total, 0);
    EXPECT_LT(total, 100 * 4096);  // the queue filled and the rest was given up
}

TEST(SerialPort, MissingDeviceFailsWithItsError)
{
    Posix_QextSerialPort port("/nonexistent/ttyS9", QextSerialBase::Polling);
    EXPECT_FALSE(port.open(QIODevice::ReadWrite));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastError(), ENOENT);
    EXPECT_EQ(port.bytesAvailable(), 0);
    EXPECT_EQ(port.write("x", 1), -1);
}
