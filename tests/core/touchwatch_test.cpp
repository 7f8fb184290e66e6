#include <gtest/gtest.h>

#include <QTimer>

#include "core/touchwatch.h"

namespace {

// A main window's worth of state the watch reads and changes.
struct Fixture {
    QTimer longPress;
    QTimer logout;
    QTimer backlight;
    int camera = 0;
    bool window = true;
    int logoutSec = 30;
    int backlightSec = 120;
    bool dark = false;
    int screenOns = 0, announced = 0, calibrations = 0, reboots = 0;
    TouchWatch watch{&longPress, {}};

    Fixture()
    {
        longPress.setSingleShot(false);
        TouchWatchContext& c = watch.context();
        c.cameraId = [this] { return camera; };
        c.windowExists = [this] { return window; };
        c.logoutTimer = [this] { return &logout; };
        c.backlightTimer = [this] { return &backlight; };
        c.logoutSeconds = [this] { return logoutSec; };
        c.backlightSeconds = [this] { return backlightSec; };
        c.screenOff = [this] { return dark; };
        c.screenOn = [this] { dark = false; ++screenOns; };
        c.announceCalibration = [this] { ++announced; };
        c.runCalibration = [this] { ++calibrations; };
        c.rebootAfterCalibration = [this] { ++reboots; };
    }
};

}  // namespace

TEST(TouchWatch, EveryPressRearmsLogoutAndBacklight)
{
    Fixture f;
    f.logout.start(1000);
    f.backlight.start(1000);
    EXPECT_FALSE(f.watch.Filter(QEvent::MouseButtonPress));
    EXPECT_TRUE(f.logout.isActive());
    EXPECT_EQ(f.logout.interval(), 30000);
    EXPECT_EQ(f.backlight.interval(), 120000);
    // A release leaves them alone.
    f.logout.start(7);
    EXPECT_FALSE(f.watch.Filter(QEvent::MouseButtonRelease));
    EXPECT_EQ(f.logout.interval(), 7);
}

TEST(TouchWatch, ZeroDelaysLeaveTheTimersAsTheyAre)
{
    Fixture f;
    f.logoutSec = 0;
    f.backlightSec = -5;
    f.backlight.start(4321);
    f.watch.Filter(QEvent::MouseButtonPress);
    EXPECT_FALSE(f.logout.isActive());
    EXPECT_TRUE(f.backlight.isActive());
    EXPECT_EQ(f.backlight.interval(), 4321);
}

TEST(TouchWatch, BeforeTheWindowExistsPressesOnlyFeedTheLongPress)
{
    Fixture f;
    f.window = false;
    f.dark = true;
    EXPECT_FALSE(f.watch.Filter(QEvent::MouseButtonPress));
    EXPECT_FALSE(f.logout.isActive());
    EXPECT_EQ(f.screenOns, 0);
    EXPECT_TRUE(f.longPress.isActive());
}

TEST(TouchWatch, PressOnDarkScreenLightsItAndIsSwallowed)
{
    Fixture f;
    f.dark = true;
    f.camera = 6;
    EXPECT_TRUE(f.watch.Filter(QEvent::MouseButtonPress));
    EXPECT_EQ(f.screenOns, 1);
    EXPECT_FALSE(f.dark);
    EXPECT_TRUE(f.logout.isActive());  // countdowns restarted before the swallow
    // The matching release is delivered, the next press too.
    EXPECT_FALSE(f.watch.Filter(QEvent::MouseButtonRelease));
    EXPECT_FALSE(f.watch.Filter(QEvent::MouseButtonPress));
    EXPECT_EQ(f.screenOns, 1);
}

TEST(TouchWatch, LongPressOnlyWithoutCamera)
{
    Fixture f;
    f.camera = 7;
    f.watch.Filter(QEvent::MouseButtonPress);
    EXPECT_FALSE(f.longPress.isActive());

    Fixture g;
    g.watch.Filter(QEvent::MouseButtonPress);
    ASSERT_TRUE(g.longPress.isActive());
    EXPECT_EQ(g.longPress.interval(), TouchWatch::kLongPressMs);
    // Released before five seconds: stopped, and the next press counts afresh.
    g.watch.Filter(QEvent::MouseButtonRelease);
    EXPECT_FALSE(g.longPress.isActive());
    EXPECT_EQ(g.calibrations, 0);
    g.watch.Filter(QEvent::MouseButtonPress);
    EXPECT_TRUE(g.longPress.isActive());
}

TEST(TouchWatch, ReachedLongPressCalibratesOnReleaseThenReboots)
{
    Fixture f;
    f.watch.Filter(QEvent::MouseButtonPress);
    f.watch.LongPressReached();
    EXPECT_FALSE(f.longPress.isActive());
    EXPECT_TRUE(f.watch.longPressReached());
    EXPECT_EQ(f.announced, 1);
    // A further press while reached does not start a new count.
    f.watch.Filter(QEvent::MouseButtonPress);
    EXPECT_FALSE(f.longPress.isActive());
    EXPECT_FALSE(f.watch.Filter(QEvent::MouseButtonRelease));
    EXPECT_EQ(f.calibrations, 1);
    EXPECT_EQ(f.reboots, 1);
    EXPECT_FALSE(f.watch.longPressReached());
}

TEST(TouchWatch, CameraComingIntoUseCancelsTheLongPress)
{
    Fixture f;
    f.watch.Filter(QEvent::MouseButtonPress);
    f.camera = 4;
    f.watch.LongPressReached();
    EXPECT_FALSE(f.watch.longPressReached());
    EXPECT_EQ(f.announced, 0);
    f.watch.Filter(QEvent::MouseButtonRelease);
    EXPECT_EQ(f.calibrations, 0);
}
