#include "vision/controller/stageclock.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {
bool Valid(int d) { return d >= 0 && d < StageClock::kStages; }
}

StageClock::StageClock()
{
    now = [] {
        static QElapsedTimer* clock = [] {
            auto* c = new QElapsedTimer;
            c->start();
            return c;
        }();
        return clock->elapsed();
    };
}

void StageClock::Start(int d, int tenths)
{
    if (!Valid(d))
        return;
    running[d] = true;
    left[d] = tenths > 0 ? tenths : 0;
    ticked[d] = 0;
    startMs[d] = now();
    Sync(d);
}

bool StageClock::Tick(int d)
{
    if (!Valid(d))
        return true;
    ++ticked[d];
    if (left[d] > 1) {
        --left[d];
        Sync(d);
        return false;
    }
    left[d] = 0;
    const bool was = running[d];
    running[d] = false;
    if (was)
        Sync(d);
    return true;
}

bool StageClock::Running(int d) const
{
    return Valid(d) && running[d];
}

int StageClock::DueTicks(int d) const
{
    if (!Running(d))
        return 0;
    // A running stage always has its verdict's tick to come, also with nothing left to count.
    const qint64 due = (now() - startMs[d]) / kTickMs - ticked[d];
    return int(std::max<qint64>(0, std::min<qint64>(due, std::max(left[d], 1))));
}

void StageClock::Skip(int d, int n)
{
    if (!Valid(d) || n <= 0)
        return;
    n = std::min(n, left[d] - 1);
    if (n <= 0)
        return;
    left[d] -= n;
    ticked[d] += n;
    Sync(d);
}

int StageClock::MsToNextTick(int d) const
{
    if (!Valid(d))
        return kTickMs;
    const qint64 next = startMs[d] + qint64(ticked[d] + 1) * kTickMs - now();
    return int(std::max<qint64>(1, std::min<qint64>(next, kTickMs)));
}

int StageClock::Remaining(int d) const
{
    return Valid(d) ? left[d] : 0;
}

void StageClock::CutShort(int d)
{
    if (Valid(d))
        left[d] = running[d] ? 1 : 0;
}

void StageClock::Stop(int d)
{
    if (!Valid(d))
        return;
    left[d] = 0;
    running[d] = false;
    Sync(d);
}

void StageClock::StopAll()
{
    for (int d = 0; d < kStages; ++d)
        Stop(d);
}

void StageClock::Sync(int d)
{
    if (wake)
        wake(d, running[d] ? MsToNextTick(d) : -1);
}

bool StageClock::PreCutDue(int preCut, int remaining)
{
    return preCut >= 1 && preCut <= 99 && remaining <= preCut;
}

bool StageClock::ManualAllowed(int d) const
{
    return Remaining(d) <= 1;
}
