#pragma once
// What the application object decides about every touch: any press restarts the automatic logout
// and the screen-off countdown, a press on a dark screen only lights it and is not delivered, and
// while no camera is in use a press held five seconds announces touch-screen calibration, which
// runs when the finger is lifted and is followed by a reboot.
#include <functional>
#include <QEvent>

class QTimer;

// The watch's view of the rest of the program. The application object fills it from the globals
// (camera make, parameter record, main window); tests fill it with their own.
struct TouchWatchContext {
    std::function<int()> cameraId;            // 0 = no camera in use
    std::function<bool()> windowExists;       // the main window has been built
    std::function<QTimer*()> logoutTimer;     // null until the main window made it
    std::function<QTimer*()> backlightTimer;  // null until the main window made it
    std::function<int()> logoutSeconds;       // < 0 while no parameter record exists
    std::function<int()> backlightSeconds;    // < 0 while no parameter record exists
    std::function<bool()> screenOff;
    std::function<void()> screenOn;           // LCDOnOff(1)
    std::function<void()> announceCalibration;  // the "release for calibration" box
    std::function<void()> runCalibration;     // "./tsc", waiting until it ends
    std::function<void()> rebootAfterCalibration;  // watchdog flag, pause, flush, "reboot"
};

class TouchWatch {
public:
    static constexpr int kLongPressMs = 5000;

    // `longPressTimer` is the repeating timer whose first timeout ends the long press; the watch
    // connects it to LongPressReached.
    TouchWatch(QTimer* longPressTimer, TouchWatchContext context);

    // True when the event must not be delivered.
    bool Filter(QEvent::Type type);
    // The long-press timer's timeout.
    void LongPressReached();

    bool longPressReached() const { return reached; }
    TouchWatchContext& context() { return ctx; }

private:
    void RestartCountdowns();

    QTimer* timer;
    TouchWatchContext ctx;
    bool reached = false;
};
