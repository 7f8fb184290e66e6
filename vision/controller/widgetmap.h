#pragma once
// Test seam for drivers outside the program: with MOULDMON_WIDGET_MAP=<file> in the environment,
// each SIGUSR1 makes the GUI thread write every visible widget (class, object name, text, screen
// rectangle) to that file, so a driver touches what the screen shows where the widgets say they
// are. Without the variable nothing is installed.
#include <QString>

class QWidget;

namespace WidgetMap {

void Install();
// The map as written: a first line "map <n>" (n counts the maps written), then one line a visible
// widget: class, object name, text, x, y, width, height, separated by tabs.
QString Describe(int sequence);

}  // namespace WidgetMap
