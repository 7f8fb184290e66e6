#include "vision/board/boardwatch.h"

#include <QtDebug>
#include <chrono>

qint64 BoardWatch::Now() const
{
    if (clock)
        return clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void BoardWatch::Replied()
{
    lastReply_ = Now();
}

qint32 BoardWatch::Supervise(qint32 out, bool lineOpen)
{
    const qint64 now = Now();
    qint64 reply = lastReply_.load();
    if (!lineOpen) {
        lastReply_ = -1;
        reply = now;
    } else if (reply < 0) {
        // The time-out counts from the first request.
        lastReply_.compare_exchange_strong(reply, now);
        reply = lastReply_.load();
    }
    const bool quiet = now - reply >= kReplyTimeoutMs;
    if (quiet && !silent_) {
        silent_ = true;
        qCritical("I/O board: no valid reply for %lld ms, triggers cannot be seen", static_cast<long long>(now - reply));
    } else if (!quiet && silent_) {
        silent_ = false;
        qWarning("I/O board answers again");
    }

    const qint64 beat = lastBeat_.load();
    // Without a port there is no board to hold the mould with, and no trigger to miss.
    const bool missing = lineOpen && detecting_ && beat >= 0 && now - beat >= kBlindAfterMs;
    if (missing && !blind_) {
        blind_ = true;
        blindFrom_ = beat;
        qCritical("monitoring pass has not run for %lld ms: mould-close inhibit and alarm set by the board thread",
                  static_cast<long long>(now - beat));
    } else if (!missing && blind_) {
        blind_ = false;
        const qint64 spell = qMax<qint64>(1, lastBeat_.load() - blindFrom_);
        blindSpell_ = spell;
        qWarning("monitoring pass runs again after %lld ms, the cycle owns the outputs again", static_cast<long long>(spell));
    }
    return blind_ ? blindWord_.load() : out;
}

void BoardWatch::Beat(bool detecting, qint32 blindWord)
{
    blindWord_ = blindWord;
    detecting_ = detecting;
    lastBeat_ = Now();
}
