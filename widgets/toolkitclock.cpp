#include "widgets/toolkitclock.h"

namespace {
ToolkitClock& clockRef()
{
    static ToolkitClock clock;
    return clock;
}
}  // namespace

QDateTime toolkitNow()
{
    const ToolkitClock& clock = clockRef();
    return clock ? clock() : QDateTime::currentDateTime();
}

ToolkitClock setToolkitClock(ToolkitClock clock)
{
    ToolkitClock previous = clockRef();
    clockRef() = std::move(clock);
    return previous;
}
