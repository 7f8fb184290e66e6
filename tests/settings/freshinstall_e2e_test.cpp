// A fresh install, end to end: the real program under Xvfb on the default databases as they ship,
// "System settings" opened and "Exit setup" touched without a change. Nothing is asked, nothing is
// recorded, and PARAM.db stays byte for byte as it was.
#include <gtest/gtest.h>

#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/xscreen.h"
#include "core/defaultdatabases.h"

namespace {

// Screen positions at 1920 x 1080 (the main window's fixed layout).
const QPoint kSettingsButton(1821, 409);  // option bar, "System settings"
const QPoint kExitSetup(1623, 137);

QByteArray Bytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FreshInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
    }
    void TearDown() override
    {
        rig.Stop();
        screen.Stop();
    }
    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
};

}  // namespace

TEST_F(FreshInstall, UntouchedSettingsExitAsksNothingRecordsNothingAndLeavesTheParametersAsShipped)
{
    // The camera and the board of the rig, on the parameter file a new machine ships with.
    ASSERT_TRUE(rig.Prepare(CycleRigSetup{}));
    ASSERT_TRUE(CreateDefaultDatabases("."));
    const QByteArray shipped = Bytes("PARAM.db");
    ASSERT_FALSE(shipped.isEmpty());
    ASSERT_TRUE(screen.Start()) << "no X server";
    ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()}), 0)
        << rig.Log().toStdString();
    QThread::msleep(1500);  // the start-up's own records are written by then
    const int recordsBefore = RecordRows("RECORD.db").size();

    screen.Touch(kSettingsButton);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("settings: screen shown, pages loaded"); }, 20000))
        << rig.Log().toStdString();
    screen.Shot("freshinstall-settings");
    screen.Touch(kExitSetup);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("settings: nothing changed"); }, 20000))
        << rig.Log().toStdString();
    QThread::msleep(500);
    EXPECT_FALSE(rig.Log().contains("settings: asking whether to save")) << rig.Log().toStdString();
    EXPECT_TRUE(screen.Box().isNull());  // no question box on the screen
    rig.Stop();
    EXPECT_EQ(RecordRows("RECORD.db").size(), recordsBefore);
    EXPECT_TRUE(Bytes("PARAM.db") == shipped) << "PARAM.db changed";
}
