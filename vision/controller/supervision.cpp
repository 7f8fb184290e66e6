#include "vision/controller/supervision.h"

#include <limits>

#include "core/wizardpara.h"

namespace {
// Stopped with the stop's mould-close inhibit: a pulse begun before the stop does not end it.
bool StopHolds(const WizardPara& p, int runState) { return runState == 3 && p.enable_stop_mold == 1; }
}  // namespace

OutputPlan Supervision::EndNgPulse(const WizardPara& p)
{
    OutputPlan o;
    if (!p.enable_cutoff_ontime)
        o.clear(1);
    for (int n = 4; n <= 7; ++n)
        o.clear(n);
    o.flash();
    return o;
}

OutputPlan Supervision::EndClosePulse(const WizardPara& p, int runState, bool heldElsewhere)
{
    OutputPlan o;
    if (p.ng_pulse_mode) {
        if (!StopHolds(p, runState) && !heldElsewhere)
            o.clear(0);
        o.clear(1);
        o.clear(2);
        o.flash();
    } else if (runState != 3) {
        o.set(0);
        o.flash();
    }
    return o;
}

OutputPlan Supervision::EndEjectorPulse(const WizardPara& p, int runState, bool ngPulseRuns)
{
    OutputPlan o;
    if (p.ng_pulse_mode) {
        if (!StopHolds(p, runState) && !ngPulseRuns)
            o.clear(0);
        o.clear(1);
        o.flash();
    } else if (runState != 3) {
        o.set(1);
        o.flash();
    }
    return o;
}

OutputPlan Supervision::EndReserveOutput()
{
    OutputPlan o;
    o.clear(3);
    o.flash();
    return o;
}

int Supervision::NextStage(const WizardPara& p, int curDetect, int dnum)
{
    if (dnum < 1)
        return curDetect;
    int next = (curDetect + 1) % dnum;
    if (!(p.io_mode == 4 || (next & 1) || p.first_stage_on))
        next = (next + 1) % dnum;
    return next;
}

int Supervision::WatchdogIntervalMs(qint64 seconds)
{
    if (seconds <= 0)
        return 0;
    const qint64 maxMs = std::numeric_limits<int>::max();
    if (seconds > maxMs / 1000)
        return int(maxMs);
    return int(seconds * 1000);
}

int Supervision::TenthsToMs(qint64 tenths)
{
    if (tenths <= 0)
        return 0;
    const qint64 maxMs = std::numeric_limits<int>::max();
    if (tenths > maxMs / 100)
        return int(maxMs);
    return int(tenths * 100);
}

OutputPlan Supervision::WatchdogFired()
{
    OutputPlan o;
    o.set(0);
    o.flash();
    return o;
}

OutputPlan Supervision::TempAlarmSet()
{
    OutputPlan o;
    o.set(2);  // goes out with the next publication of the word
    return o;
}

OutputPlan Supervision::TempAlarmReset(int alarmState, bool ngPulseHolds)
{
    OutputPlan o;
    if (alarmState != 2 && !ngPulseHolds)
        o.clear(2);
    return o;
}

bool Supervision::WatchFrames(FrameWatch& w, int frameCount, bool imageTrigger)
{
    bool lost = false;
    if (!imageTrigger) {
        if (frameCount == w.seen) {
            if (++w.stillSecs > 5) {
                lost = true;
                w.stillSecs = 0;
            }
        } else {
            w.stillSecs = 0;
        }
    }
    w.fps = frameCount - w.seen;
    w.seen = frameCount;
    return lost;
}

bool Supervision::Heartbeat(int runState, bool& blink)
{
    if (runState == 3)
        return true;
    blink = !blink;
    return blink;
}
