#pragma once
// The clock the toolkit reads (password codes, the date and time entry); tests replace it.
#include <functional>

#include <QDateTime>

using ToolkitClock = std::function<QDateTime()>;

// The current local date and time of the clock in force.
QDateTime toolkitNow();
// Replaces the clock; an empty function restores the system clock. Returns the previous one.
ToolkitClock setToolkitClock(ToolkitClock clock);
