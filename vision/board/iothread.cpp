#include "vision/board/iothread.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <QMutexLocker>

#include "core/comsend.h"
#include "core/globals.h"
#include "platform/vision/posix_qextserialport.h"
#include "vision/board/controlport.h"

namespace {

constexpr unsigned char kStart = 0x5F;
constexpr unsigned char kEnd = 0xF5;
constexpr int kFrameLen = 8;
constexpr int kBankSize = 8;

enum Command { CmdSetOutputs = 1, CmdPoll = 2, CmdTempLow = 3, CmdTempHigh = 4 };
enum Reply { ReplyPoll = 2, ReplyTempLow = 3, ReplyTempHigh = 4 };

bool IsFrame(const unsigned char* f)
{
    return f[0] == kStart && f[6] == calcLRC(f, 6) && f[7] == kEnd;
}

float FloatLE(const unsigned char* b)
{
    const quint32 bits = quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) |
                         (quint32(b[3]) << 24);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

} // namespace

IOThread::IOThread()
    : QThread(nullptr), rxBuf{}, rxLen(0), requestCount(0), tempIndex(0), tempEnd(kBankSize),
      boardOut(-1), wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), periodMs(5)
{
}

IOThread::~IOThread()
{
    if (wakeFd >= 0)
        ::close(wakeFd);
}

void IOThread::run()
{
    while (!isInterruptionRequested()) {
        Pass();
        WaitBetweenPasses(qMax(0, periodMs.load()));
    }
}

void IOThread::OutputChanged()
{
    if (wakeFd >= 0) {
        const quint64 one = 1;
        // Fails only when the counter is full, and then a wake is pending anyway.
        (void)!::write(wakeFd, &one, sizeof one);
    }
}

void IOThread::WaitBetweenPasses(int ms)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    // A port that reports hang-up or error is not watched again before the next pass, so it
    // cannot turn the wait into a busy loop.
    bool watchPort = true;
    for (;;) {
        const auto left = end - Clock::now();
        if (left <= Clock::duration::zero() || isInterruptionRequested())
            return;
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {-1, POLLIN, 0}};
        const int port = (watchPort && gpCom && gpCom->isOpen()) ? gpCom->handle() : -1;
        fds[1].fd = port;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
        const int n = ppoll(fds, port >= 0 ? 2 : 1, &ts, nullptr);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Cannot wait on the descriptors: sleep out the period as a plain pause.
            const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (rest.count() > 0)
                QThread::msleep(unsigned(rest.count()));
            return;
        }
        if (n == 0)
            return;
        bool changed = false;
        if (fds[0].revents & POLLIN) {
            quint64 count;
            changed = ::read(wakeFd, &count, sizeof count) == sizeof count;
        }
        if (port >= 0 && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)))
            watchPort = false;
        const bool bytes = port >= 0 && (fds[1].revents & POLLIN);
        if (changed || bytes)
            Receive(changed);
    }
}

void IOThread::Pass()
{
    Receive(false);
    Request();
}

void IOThread::Receive(bool outputChanged)
{
    qint32 out;
    {
        QMutexLocker lock(pMutexIO);
        out = gDataOut;
    }
    out = watch.Supervise(out, gpCom && gpCom->isOpen());

    // Read at most the free space of the receive buffer; anything beyond stays in the port
    // for the next pass.
    bool arrived = false;
    if (gpCom) {
        const qint64 waiting = gpCom->bytesAvailable();
        const int room = kBufSize - rxLen;
        if (waiting > 0 && room > 0) {
            const qint64 got = gpCom->read(reinterpret_cast<char*>(rxBuf + rxLen),
                                           qMin<qint64>(waiting, room));
            if (got > 0) {
                rxLen += int(got);
                arrived = true;
            }
        }
    }

    bool resend = false;
    if (arrived && rxLen >= kFrameLen) {
        int pos = 0;
        while (rxLen - pos >= kFrameLen) {
            if (IsFrame(rxBuf + pos)) {
                watch.Replied();
                HandleFrame(rxBuf + pos, out, &resend);
                pos += kFrameLen;
            } else {
                ++pos;  // resynchronise one byte at a time
            }
        }
        rxLen -= pos;
        std::memmove(rxBuf, rxBuf + pos, size_t(rxLen));
    }

    // A new word goes out at once when the board drives other outputs; else the next echo that
    // differs brings it.
    if (outputChanged && boardOut >= 0 && boardOut != (out & 0x3FF))
        resend = true;
    if (resend) {
        ComSend(CmdSetOutputs, out);
        boardOut = out & 0x3FF;
    }
}

void IOThread::Request()
{
    ++requestCount;
    if (requestCount == kTempRequestLow) {
        tempIndex = 0;
        tempEnd = kBankSize;
        ComSend(CmdTempLow, 0);
    } else if (requestCount == kTempRequestHigh) {
        tempIndex = kBankSize;
        tempEnd = 2 * kBankSize;
        requestCount = 0;
        ComSend(CmdTempHigh, 0);
    } else {
        ComSend(CmdPoll, 0);
    }
}

IOThread::Edges IOThread::TakeEdges(qint32 mask)
{
    Edges e;
    e.rose = latched.rose & mask;
    e.fell = latched.fell & mask;
    latched.rose &= ~mask;
    latched.fell &= ~mask;
    return e;
}

void IOThread::HandleFrame(const unsigned char* f, qint32 out, bool* resend)
{
    switch (f[1]) {
    case ReplyPoll: {
        const qint32 inputs = f[2] + (f[3] & 3) * 256;
        const qint32 echo = f[4] + (f[5] & 3) * 256;
        {
            QMutexLocker lock(pMutexIO);
            latched.rose |= inputs & ~gDataIn;
            latched.fell |= gDataIn & ~inputs;
            gDataIn = inputs;
        }
        boardOut = echo;
        if (echo != (out & 0x3FF))
            *resend = true;
        break;
    }
    case ReplyTempLow:
    case ReplyTempHigh:
        // Replies beyond the requested bank of eight are ignored.
        if (tempIndex < tempEnd) {
            gFTemp[tempIndex++] = FloatLE(f + 2);
            // The bank is whole: readers get it at once, never a mix with the reply before.
            if (tempIndex == tempEnd)
                PublishTemperatures(tempEnd - kBankSize, gFTemp + tempEnd - kBankSize, kBankSize);
        }
        break;
    default:
        break;
    }
}
