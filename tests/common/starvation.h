#pragma once
// Whether processes got the CPU they asked for during a span: the time each of their threads
// waited on a run queue (the second field of /proc/<pid>/task/<tid>/schedstat). A timing check
// that misses its window asks this before it calls the program late: a program whose thread
// waited for a CPU about as long as the miss was starved, not slow. Safety checks never ask.
#include <functional>
#include <memory>
#include <mutex>

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QThread;

class Starvation {
public:
    // `pids`: the processes watched; empty: this process.
    explicit Starvation(const QList<qint64>& pids = {});
    // Starts a new span (and forgets the threads kept below).
    void Restart();
    // Keeps the count of `thread` (of this process) as it ends: a thread that ended is gone from
    // /proc, and the thread a stop waits for ends just before the check. The camera simulator's
    // own threads of this process leave theirs without it (platform/camsdk/threadwaits.h).
    void Watch(QThread* thread);
    // The longest run-queue wait of one thread since the span began (ms).
    qint64 WaitedMs() const;
    // A thread waited for a CPU at least half as long as the check missed its window by.
    bool Starved(qint64 missedMs) const;
    // "starved: <what>; a thread waited N ms for a CPU in the last M ms".
    QString Text(const QString& what) const;
    // A time `seenMs` wanted at `wantMs` within `slackMs`: true when on time, and when missed
    // on processes that were starved (said on standard output); false when late on their own.
    bool OnTime(qint64 seenMs, qint64 wantMs, qint64 slackMs, const QString& what) const;
    // Processes events until `cond` holds: true within `windowMs`, and later (up to ten windows)
    // on processes that were starved by about the delay.
    bool WaitInTime(const std::function<bool()>& cond, int windowMs, const QString& what) const;

private:
    // The counts of watched threads as they ended; shared with the threads' slots.
    struct Ended {
        ~Ended();
        std::mutex mutex;
        QMap<QString, qint64> counts;
        QList<QMetaObject::Connection> connections;
    };
    QMap<QString, qint64> Read() const;  // "<pid>/<tid>" -> run-queue wait (ns)
    std::shared_ptr<Ended> ended_;
    QList<qint64> pids_;
    QMap<QString, qint64> start_;
    QElapsedTimer span_;
    qint64 spanStartNs_ = 0;  // ThreadWaits' clock
};
