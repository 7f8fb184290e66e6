#pragma once
// The camera-to-view assignment panel. Its page comes with the main screen; the controller only
// tests whether it is visible.
#include "widgets/bwidget.h"

class MainWindow;

class WidgetChangeCamera : public BWidget {
    Q_OBJECT
public:
    explicit WidgetChangeCamera(MainWindow* win);

public slots:
    // Confirms the assignment held in gCamNO.
    void SlotOK();
};
