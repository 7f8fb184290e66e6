#pragma once
// What the board thread watches besides the line: whether the board still answers, and whether
// the monitoring pass on the GUI thread still runs. A board that gives no valid reply for 1 s is
// silent (logged critical once, until it answers again). A monitoring pass missing for 2 s while
// detection runs leaves the machine unwatched: the board thread then sends the mould-close
// inhibit and the alarm itself until passes resume, when the cycle logic owns the outputs again.
// Shared between the two threads through atomics only.
#include <QtGlobal>
#include <atomic>
#include <functional>

class BoardWatch {
public:
    static constexpr qint64 kReplyTimeoutMs = 1000;
    static constexpr qint64 kBlindAfterMs = 2000;

    // --- board thread
    // A valid frame arrived.
    void Replied();
    // Every pass, with the output word the cycle published: the word to keep on the board.
    // Without an open port (`lineOpen` false) there is no conversation to time out; the port
    // that failed to open was logged by ComInit.
    qint32 Supervise(qint32 out, bool lineOpen = true);

    // --- GUI thread
    // Every monitoring pass: whether detection runs, and the word to send should the pass stop
    // (the word in force with the inhibit and the alarm active).
    void Beat(bool detecting, qint32 blindWord);
    bool Silent() const { return silent_.load(); }
    bool Blind() const { return blind_.load(); }
    // How long the last blind spell lasted, once after it ended; 0 otherwise.
    qint64 TakeBlindMs() { return blindSpell_.exchange(0); }

    // Monotonic ms; tests may replace it (set before the thread runs).
    std::function<qint64()> clock;

private:
    qint64 Now() const;

    std::atomic<qint64> lastReply_{-1};
    std::atomic<qint64> lastBeat_{-1};
    std::atomic<bool> detecting_{false};
    std::atomic<qint32> blindWord_{0};
    std::atomic<bool> silent_{false};
    std::atomic<bool> blind_{false};
    std::atomic<qint64> blindSpell_{0};
    qint64 blindFrom_ = 0;  // board thread only
};
