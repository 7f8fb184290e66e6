#pragma once
// The board thread: owns the serial conversation with the I/O board. Every pass it reads what the
// board sent, handles each complete frame (inputs and output echo, temperatures), resends the output
// word when the board's echo differs from it, and sends the next request: a poll, or every 200th and
// 210th pass a temperature request. Between passes it does not sleep blind: a reply is handled as
// soon as it arrives, and a new output word goes out as soon as it is published, so neither waits
// for the next pass; the requests keep their period.
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
    ~IOThread() override;

    // Pause between passes in ms (5 on the machine); may be changed while running.
    void setPeriod(int ms) { periodMs = ms; }
    int period() const { return periodMs; }
    // One pass of the board loop without the pause. run() calls it; tests drive it directly
    // while the thread is not started.
    void Pass();
    // The output word was changed (any thread): the board thread sends it at once when the
    // board is known to drive other outputs.
    void OutputChanged();
    // A pass up to its request: handles what arrived (resending the outputs when an echo
    // differs) and, when `outputChanged`, sends a new output word that differs from what the
    // board drives. run() calls it alone when woken between passes.
    void Receive(bool outputChanged);

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
    void Request();
    // Waits up to `ms` for bytes from the board or a new output word, handling each at once.
    void WaitBetweenPasses(int ms);

    unsigned char rxBuf[kBufSize];  // received, not yet consumed
    int rxLen;
    int requestCount;               // 0-210
    int tempIndex;                  // gFTemp entry the next temperature reply fills
    int tempEnd;                    // end of the bank of the last temperature request
    Edges latched;                  // guarded by pMutexIO
    qint32 boardOut;                // outputs the board drives as far as known (-1: unknown):
                                    // the last echo, or the word sent since
    int wakeFd;                     // eventfd written by OutputChanged
    std::atomic<int> periodMs;
};
