#pragma once
// State of the main screen shared by the camera views and the region page.
#include <QString>

// What the camera views show: 0 template (region editing allowed), 1 live image, 2 recent NG
// pictures, 3 OK record pictures, 4 NG record pictures, -1 the monitoring view.
extern int gSource;
// File time "yyyy-MM-dd hh.mm.ss" of the shown template.
extern QString gTempTime;
// A size hint of the region panel is being shown; the main window's hint timer clears it.
extern int gDrawHint;
