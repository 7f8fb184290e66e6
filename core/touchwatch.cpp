#include "core/touchwatch.h"

#include <QTimer>

namespace {
template <typename R>
R call(const std::function<R()>& f, R fallback)
{
    return f ? f() : fallback;
}
}  // namespace

TouchWatch::TouchWatch(QTimer* longPressTimer, TouchWatchContext context)
    : timer(longPressTimer), ctx(std::move(context))
{
    QObject::connect(timer, &QTimer::timeout, [this] { LongPressReached(); });
}

void TouchWatch::RestartCountdowns()
{
    const int logout = call<int>(ctx.logoutSeconds, -1);
    const int backlight = call<int>(ctx.backlightSeconds, -1);
    if (QTimer* t = call<QTimer*>(ctx.logoutTimer, nullptr); t && logout > 0)
        t->start(logout * 1000);
    if (QTimer* t = call<QTimer*>(ctx.backlightTimer, nullptr); t && backlight > 0)
        t->start(backlight * 1000);
}

bool TouchWatch::Filter(QEvent::Type type)
{
    if (type == QEvent::MouseButtonPress) {
        if (call<int>(ctx.cameraId, 0) == 0 && !timer->isActive() && !reached)
            timer->start(kLongPressMs);
        // Before the record and the window exist a press only feeds the long press.
        if (call<bool>(ctx.windowExists, false)) {
            RestartCountdowns();
            if (call<bool>(ctx.screenOff, false)) {
                if (ctx.screenOn)
                    ctx.screenOn();
                return true;
            }
        }
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        if (reached) {
            if (ctx.runCalibration)
                ctx.runCalibration();
            if (call<bool>(ctx.windowExists, false) && ctx.rebootAfterCalibration)
                ctx.rebootAfterCalibration();
            reached = false;
        } else if (timer->isActive()) {
            timer->stop();
        }
    }
    return false;
}

void TouchWatch::LongPressReached()
{
    timer->stop();
    if (call<int>(ctx.cameraId, 0) != 0)
        return;
    reached = true;
    if (call<bool>(ctx.windowExists, false) && ctx.announceCalibration)
        ctx.announceCalibration();
}
