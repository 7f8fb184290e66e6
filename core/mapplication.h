#pragma once
// The system's application object: every touch the application dispatches passes the touch watch
// (logout and screen-off countdowns, waking a dark screen, the long press that leads to touch
// calibration) before it is delivered.
#include <QApplication>

#include "core/touchwatch.h"

class QTimer;

class MApplication : public QApplication {
public:
    MApplication(int& argc, char** argv);
    ~MApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    TouchWatch& touchWatch() { return watch; }

private:
    QTimer* longPressTimer;
    TouchWatch watch;
};

// The watch's view of the running program: camera make, parameter record, main window, backlight,
// "./tsc" and the reboot that follows it.
TouchWatchContext ProgramTouchWatchContext();
