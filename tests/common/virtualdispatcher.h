#pragma once
// An event dispatcher for the GUI thread whose timers run on a clock the test advances: a timer
// fires only when the test delivers it, in the order of its due time, so a run depends on nothing
// but what the test does. Posted events are delivered only when the test asks. Installed before
// the application object is made (Install), it serves every QTimer of the GUI thread.
#include <QAbstractEventDispatcher>
#include <vector>

class VirtualDispatcher : public QAbstractEventDispatcher {
public:
    struct Timer {
        int id;
        int intervalMs;
        qint64 due;
        qint64 order;  // registration order: equal due times fire first come, first served
        QObject* object;
    };

    // Makes the dispatcher of the main thread; must run before the application object exists.
    static VirtualDispatcher* Install();
    // The one installed, or null.
    static VirtualDispatcher* Instance();

    qint64 Now() const { return now_; }
    void SetNow(qint64 ms) { now_ = ms; }
    // The active timer with this id, or null.
    const Timer* Find(int id) const;
    // The earliest active timer that `accept` admits, or null.
    template <class F>
    const Timer* Earliest(F accept) const
    {
        const Timer* best = nullptr;
        for (const Timer& t : timers_)
            if (accept(t) && (!best || t.due < best->due || (t.due == best->due && t.order < best->order)))
                best = &t;
        return best;
    }
    // Advances the clock to the timer's due time (never back) and delivers its timeout.
    void Fire(int id);
    // Moves a timer's next timeout (the clock is not changed).
    void SetDue(int id, qint64 due);

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    bool hasPendingEvents() override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int timerId, int interval, Qt::TimerType, QObject* object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject* object) override;
    QList<TimerInfo> registeredTimers(QObject* object) const override;
    int remainingTime(int timerId) override;
    void wakeUp() override {}
    void interrupt() override {}
    void flush() override {}

private:
    qint64 now_ = 0;
    qint64 order_ = 0;
    std::vector<Timer> timers_;
};
