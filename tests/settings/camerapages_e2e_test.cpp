// The real program under Xvfb, driven by touches (xdotool): the camera page's exposure slider
// reaches the simulated camera at once; leaving the settings with No puts the value in force back
// on the camera, with Yes it is stored and recorded.
#include <gtest/gtest.h>

#include <QPoint>
#include <QRect>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/xscreen.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "widgets/textrow.h"

namespace {

// How long the program may take to act on a touch (the machine may be busy).
const int kReactMs = 12000;

// Screen positions at 1920 x 1080 in the main window's fixed layout, and colours that tell which
// screen is shown: the settings header, the selected "Camera Param" tab, the floating panel's
// checked view button.
const QPoint kHeader(1625, 137);
const QPoint kCameraTabPixel(174, 409);
const QPoint kFloatingViewChecked(1372, 700);  // the checked view button of the floating panel
const QRgb kHeaderGrey = 0xF4F4F4;
const QRgb kSelectedTab = 0x656263;
const QPoint kSettingsButton(1821, 409);  // option bar, "System settings"
const QPoint kCameraTab(174, 409);        // tab "Camera Param"
const QPoint kExposureRight(923, 327);    // on the groove right of the exposure handle at 30
const QPoint kExitSetup(1625, 137);
const QPoint kViewButton(1643, 257);          // camera panel docked: float it
const QPoint kFloatingViewButton(1396, 724);  // the same button on the floating panel: dock it
const QPoint kFloatingGainRight(1000, 916);   // floating panel: right of the gain handle at 32

class CameraPageEndToEnd : public ::testing::Test {
protected:
    // The question box's Yes or No.
    bool Answer(bool yes)
    {
        for (int tries = 0; tries < 100; ++tries) {
            const QRect box = x.Box();
            if (!box.isNull()) {
                x.Touch(yes ? XScreen::YesOf(box) : XScreen::NoOf(box));
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    }
    // A touch that changes the screen, then the wait until the screen shows `state`.
    void Navigate(QPoint p, const QList<QPair<QPoint, QRgb>>& state)
    {
        x.Touch(p, 400);
        QStringList seen;
        EXPECT_TRUE(x.WaitForPixels(state, kReactMs, &seen))
            << "screen did not change after the touch at " << p.x() << "," << p.y() << ": "
            << seen.join(' ').toStdString();
    }
    // The exposure calls the simulated cameras logged (for failure messages).
    std::string ExposureCalls() { return rig->Log().split('\n').filter("0x20000BC1").join('\n').toStdString(); }
    int StoredExposure()
    {
        int value = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "e2eExposure");
            db.setDatabaseName(dir.file("PARAM.db"));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec("SELECT value FROM sysparam WHERE name = 'exposeTime'") && q.next())
                    value = q.value(0).toString().split(' ').value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase("e2eExposure");
        return value;
    }

    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        ASSERT_TRUE(x.Start()) << "Xvfb did not start";
        static bool texts = false;
        if (!texts) {
            Data_Init();
            texts = true;
        }
        gLan = 0;
        rig.reset(new CycleRig(dir.path()));
        CycleRigSetup s;
        s.cameras = 2;
        ASSERT_TRUE(rig->Prepare(s));
        ASSERT_GT(rig->Launch({"QT_QPA_PLATFORM=xcb", "DISPLAY=" + x.display(), "XDG_RUNTIME_DIR=" + dir.path()}), 0)
            << rig->Log().toStdString();
        QThread::msleep(1500);
    }
    void TearDown() override
    {
        if (rig)
            rig->Stop();
    }
    void Shot(const QString& name) { x.Shot(name); }

    ProgramDir dir;
    XScreen x;
    std::unique_ptr<CycleRig> rig;
};

TEST_F(CameraPageEndToEnd, ExposureLiveThenNoRestoresThenYesStores)
{
    // Camera 1 starts at exposure 30; a touch right of the handle is one page step (+10). The
    // simulated Daheng camera takes 20 + 1000 x microseconds.
    const QString at30 = "SIM000001 GXSetFloat 0x20000BC1 30020.000000";
    const QString at40 = "SIM000001 GXSetFloat 0x20000BC1 40020.000000";
    Shot("e2e_main");
    Navigate(kSettingsButton, {{kHeader, kHeaderGrey}});
    Navigate(kCameraTab, {{kCameraTabPixel, kSelectedTab}});
    Shot("e2e_camera");
    const int in30 = rig->Log().count(at30);
    x.Touch(kExposureRight);
    EXPECT_TRUE(rig->WaitFor([&] { return rig->Log().count(at40) == 1; }, kReactMs))
        << "applied at once\n" << ExposureCalls();
    Shot("e2e_moved");

    x.Touch(kExitSetup);
    ASSERT_TRUE(Answer(false));
    EXPECT_TRUE(rig->WaitFor([&] { return rig->Log().count(at30) > in30; }, kReactMs)) << "No: the value in force again";
    EXPECT_EQ(StoredExposure(), 30);
    Shot("e2e_declined");

    Navigate(kSettingsButton, {{kHeader, kHeaderGrey}});
    Navigate(kCameraTab, {{kCameraTabPixel, kSelectedTab}});
    x.Touch(kExposureRight);
    EXPECT_TRUE(rig->WaitFor([&] { return rig->Log().count(at40) == 2; }, kReactMs));
    x.Touch(kExitSetup);
    ASSERT_TRUE(Answer(true));
    EXPECT_TRUE(rig->WaitFor([&] { return StoredExposure() == 40; }, kReactMs));
    const QString fragment = textRow(237).arg(1).arg(30).arg(40);
    EXPECT_TRUE(rig->WaitFor(
        [&] {
            for (const QStringList& row : RecordRows(dir.file("RECORD.db")))
                if (row.value(2).contains(fragment))
                    return true;
            return false;
        },
        kReactMs))
        << fragment.toStdString();
    Shot("e2e_accepted");
}

TEST_F(CameraPageEndToEnd, GainOnTheFloatingPanelMovesTheCameraAtOnce)
{
    // Gain 32 of 0..64 over the simulated range 0..24 dB is 12; one page step more is 42, 15.75.
    const QString at42 = "SIM000001 GXSetFloat 0x20001393 15.750000";
    const QString at32 = "SIM000001 GXSetFloat 0x20001393 12.000000";
    Navigate(kSettingsButton, {{kHeader, kHeaderGrey}});
    Navigate(kCameraTab, {{kCameraTabPixel, kSelectedTab}});
    Navigate(kViewButton, {{kFloatingViewChecked, kSelectedTab}});
    Shot("e2e_floating");
    const int in32 = rig->Log().count(at32);
    x.Touch(kFloatingGainRight);
    EXPECT_TRUE(rig->WaitFor([&] { return rig->Log().count(at42) == 1; }, kReactMs))
        << "the settings screen is hidden: the camera must read the edit copy";
    Shot("e2e_floating_gain");
    Navigate(kFloatingViewButton, {{kHeader, kHeaderGrey}, {kCameraTabPixel, kSelectedTab}});
    x.Touch(kExitSetup);
    ASSERT_TRUE(Answer(false));
    EXPECT_TRUE(rig->WaitFor([&] { return rig->Log().count(at32) > in32; }, kReactMs)) << "No: the gain in force again";
}

}  // namespace
