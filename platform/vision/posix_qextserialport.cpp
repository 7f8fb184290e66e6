#include "platform/vision/posix_qextserialport.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
speed_t speedOf(BaudRateType rate)
{
    switch (rate) {
    case BAUD9600: return B9600;
    case BAUD19200: return B19200;
    case BAUD38400: return B38400;
    case BAUD57600: return B57600;
    case BAUD115200: return B115200;
    }
    return B9600;
}

tcflag_t sizeOf(DataBitsType bits)
{
    switch (bits) {
    case DATA_5: return CS5;
    case DATA_6: return CS6;
    case DATA_7: return CS7;
    case DATA_8: return CS8;
    }
    return CS8;
}
}  // namespace

Posix_QextSerialPort::Posix_QextSerialPort(const QString& name, QextSerialBase::QueryMode mode)
    : name_(name), mode_(mode)
{
}

Posix_QextSerialPort::~Posix_QextSerialPort()
{
    close();
}

bool Posix_QextSerialPort::open(OpenMode mode)
{
    if (isOpen())
        return true;
    int flags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    if ((mode & ReadWrite) == ReadWrite)
        flags |= O_RDWR;
    else if (mode & WriteOnly)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    fd_ = ::open(name_.toLocal8Bit().constData(), flags);
    if (fd_ < 0) {
        lastErrno_ = errno;
        setErrorString(QString::fromLocal8Bit(strerror(lastErrno_)));
        return false;
    }
    if (!applySettings()) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    lastErrno_ = 0;
    // Our own reads are unbuffered: the caller asks for the bytes waiting and reads them itself.
    return QIODevice::open(mode | Unbuffered);
}

void Posix_QextSerialPort::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (isOpen())
        QIODevice::close();
}

bool Posix_QextSerialPort::applySettings()
{
    if (fd_ < 0)
        return true;
    termios t{};
    if (tcgetattr(fd_, &t) != 0) {
        lastErrno_ = errno;
        setErrorString(QString::fromLocal8Bit(strerror(lastErrno_)));
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= sizeOf(dataBits_);
    if (parity_ != PAR_NONE)
        t.c_cflag |= PARENB | (parity_ == PAR_ODD ? PARODD : 0);
    if (stopBits_ == STOP_2)
        t.c_cflag |= CSTOPB;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (flow_ == FLOW_HARDWARE)
        t.c_cflag |= CRTSCTS;
    else if (flow_ == FLOW_XONXOFF)
        t.c_iflag |= IXON | IXOFF;
    // Polling: a read returns what is there at once.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = static_cast<cc_t>(timeoutMs_ / 100);
    cfsetispeed(&t, speedOf(baud_));
    cfsetospeed(&t, speedOf(baud_));
    if (tcsetattr(fd_, TCSANOW, &t) != 0) {
        lastErrno_ = errno;
        setErrorString(QString::fromLocal8Bit(strerror(lastErrno_)));
        return false;
    }
    return true;
}

void Posix_QextSerialPort::setBaudRate(BaudRateType rate)
{
    baud_ = rate;
    applySettings();
}

void Posix_QextSerialPort::setDataBits(DataBitsType bits)
{
    dataBits_ = bits;
    applySettings();
}

void Posix_QextSerialPort::setParity(ParityType parity)
{
    parity_ = parity;
    applySettings();
}

void Posix_QextSerialPort::setStopBits(StopBitsType bits)
{
    stopBits_ = bits;
    applySettings();
}

void Posix_QextSerialPort::setFlowControl(FlowType flow)
{
    flow_ = flow;
    applySettings();
}

void Posix_QextSerialPort::setTimeout(long millisec)
{
    timeoutMs_ = millisec < 0 ? 0 : millisec;
    applySettings();
}

qint64 Posix_QextSerialPort::bytesAvailable() const
{
    if (fd_ < 0)
        return 0;
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return n;
}

qint64 Posix_QextSerialPort::readData(char* data, qint64 maxSize)
{
    if (fd_ < 0)
        return -1;
    const ssize_t n = ::read(fd_, data, static_cast<size_t>(maxSize));
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return n;
}

qint64 Posix_QextSerialPort::writeData(const char* data, qint64 size)
{
    if (fd_ < 0)
        return -1;
    qint64 done = 0;
    bool waited = false;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(size - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return done > 0 ? done : -1;
        // Output queue full: wait at most the timeout once, then give up on the rest.
        if (waited)
            break;
        waited = true;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(timeoutMs_));
    }
    return done;
}
