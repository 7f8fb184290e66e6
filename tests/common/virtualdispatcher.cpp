#include "common/virtualdispatcher.h"

#include <QCoreApplication>
#include <QTimerEvent>
#include <algorithm>

namespace {
VirtualDispatcher* gInstalled = nullptr;
}

VirtualDispatcher* VirtualDispatcher::Install()
{
    if (!gInstalled) {
        gInstalled = new VirtualDispatcher;
        QCoreApplication::setEventDispatcher(gInstalled);
    }
    return gInstalled;
}

VirtualDispatcher* VirtualDispatcher::Instance() { return gInstalled; }

const VirtualDispatcher::Timer* VirtualDispatcher::Find(int id) const
{
    for (const Timer& t : timers_)
        if (t.id == id)
            return &t;
    return nullptr;
}

void VirtualDispatcher::Fire(int id)
{
    auto it = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
    if (it == timers_.end())
        return;
    now_ = std::max(now_, it->due);
    // A repeating timer comes again one interval later; a single-shot one unregisters itself.
    it->due = now_ + std::max(it->intervalMs, 1);
    it->order = ++order_;
    QObject* object = it->object;
    QTimerEvent e(id);
    QCoreApplication::sendEvent(object, &e);
}

void VirtualDispatcher::SetDue(int id, qint64 due)
{
    for (Timer& t : timers_)
        if (t.id == id)
            t.due = due;
}

bool VirtualDispatcher::processEvents(QEventLoop::ProcessEventsFlags)
{
    // Nothing waits here: a loop that spins on this (a dialog run without the modal hook) would
    // never end, so posted events are delivered and control returns.
    QCoreApplication::sendPostedEvents();
    return false;
}

void VirtualDispatcher::registerTimer(int timerId, int interval, Qt::TimerType, QObject* object)
{
    timers_.push_back({timerId, interval, now_ + interval, ++order_, object});
}

bool VirtualDispatcher::unregisterTimer(int timerId)
{
    const auto before = timers_.size();
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [timerId](const Timer& t) { return t.id == timerId; }),
                  timers_.end());
    return timers_.size() != before;
}

bool VirtualDispatcher::unregisterTimers(QObject* object)
{
    const auto before = timers_.size();
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [object](const Timer& t) { return t.object == object; }),
                  timers_.end());
    return timers_.size() != before;
}

QList<QAbstractEventDispatcher::TimerInfo> VirtualDispatcher::registeredTimers(QObject* object) const
{
    QList<TimerInfo> list;
    for (const Timer& t : timers_)
        if (t.object == object)
            list << TimerInfo(t.id, t.intervalMs, Qt::PreciseTimer);
    return list;
}

int VirtualDispatcher::remainingTime(int timerId)
{
    const Timer* t = Find(timerId);
    return t ? int(std::max<qint64>(0, t->due - now_)) : -1;
}
