#pragma once
// The board thread: owns the serial conversation with the I/O board. Every pass it reads what the
// board sent, handles each complete frame (inputs and output echo, temperatures), resends the output
// word when the board's echo differs from it, and sends the next request: a poll, or every 200th and
// 210th pass a temperature request.
#include <QThread>
#include <atomic>

#include "vision/board/boardwatch.h"

class IOThread : public QThread {
    Q_OBJECT
public:
    static constexpr int kBufSize = 1024;
    static constexpr int kTempRequestLow = 200;   // pass that asks for channels 0-7
    static constexpr int kTempRequestHigh = 210;  // pass that asks for channels 8-15, then wraps

    IOThread();

    // Pause between passes in ms (5 on the machine); may be changed while running.
    void setPeriod(int ms) { periodMs = ms; }
    int period() const { return periodMs; }
    // One pass of the board loop without the pause. run() calls it; tests drive it directly
    // while the thread is not started.
    void Pass();

    // Input bits that rose and fell in the poll replies since they were last taken, so that a
    // pulse shorter than the gap between two looks of the cycle is still seen. The caller holds
    // pMutexIO (the input word is read under it in the same step); the bits of `mask` are cleared.
    struct Edges {
        qint32 rose = 0;
        qint32 fell = 0;
    };
    Edges TakeEdges(qint32 mask);

    // Reply time-out and the watch over the monitoring pass (see boardwatch.h).
    BoardWatch watch;

protected:
    // Repeats Pass() and the pause until an interruption is requested (never on the machine).
    void run() override;

private:
    void HandleFrame(const unsigned char* f, qint32 out, bool* resend);

    unsigned char rxBuf[kBufSize];  // received, not yet consumed
    int rxLen;
    int requestCount;               // 0-210
    int tempIndex;                  // gFTemp entry the next temperature reply fills
    int tempEnd;                    // end of the bank of the last temperature request
    Edges latched;                  // guarded by pMutexIO
    std::atomic<int> periodMs;
};
