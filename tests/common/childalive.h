#pragma once
#include <QProcess>

// Whether the child still runs. QProcess learns of a child's end only in an event loop or a
// waitFor call, so a driver that sleeps between its looks would take a dead child for a live one.
bool ChildAlive(const QProcess& p);
