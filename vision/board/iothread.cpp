#include "vision/board/iothread.h"

#include <cstring>
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
      periodMs(5)
{
}

void IOThread::run()
{
    while (!isInterruptionRequested()) {
        Pass();
        QThread::msleep(unsigned(qMax(0, periodMs.load())));
    }
}

void IOThread::Pass()
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

    if (resend)
        ComSend(CmdSetOutputs, out);

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
        if (echo != (out & 0x3FF))
            *resend = true;
        break;
    }
    case ReplyTempLow:
    case ReplyTempHigh:
        // Replies beyond the requested bank of eight are ignored.
        if (tempIndex < tempEnd)
            gFTemp[tempIndex++] = FloatLE(f + 2);
        break;
    default:
        break;
    }
}
