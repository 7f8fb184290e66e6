#include "vision/controller/stageclock.h"

namespace {
bool Valid(int d) { return d >= 0 && d < StageClock::kStages; }
}

void StageClock::Start(int d, int tenths)
{
    if (Valid(d))
        left[d] = tenths > 0 ? tenths : 0;
}

bool StageClock::Tick(int d)
{
    if (!Valid(d))
        return true;
    if (left[d] > 1) {
        --left[d];
        return false;
    }
    left[d] = 0;
    return true;
}

int StageClock::Remaining(int d) const
{
    return Valid(d) ? left[d] : 0;
}

void StageClock::Reset(int d)
{
    if (Valid(d))
        left[d] = 0;
}

void StageClock::ResetAll()
{
    for (int& v : left)
        v = 0;
}

bool StageClock::PreCutDue(int preCut, int remaining)
{
    return preCut >= 1 && preCut <= 99 && remaining <= preCut;
}

bool StageClock::ManualAllowed(int d) const
{
    return Remaining(d) <= 1;
}
