// The real program on a private X server with two simulated cameras running: the display dying
// under it, and a test ending its server, which stops the program first.
#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/xscreen.h"

namespace {

class DisplayLossE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        CycleRigSetup s;
        s.cameras = 2;
        s.fps = 50;
        ASSERT_TRUE(rig.Prepare(s));
        ASSERT_TRUE(screen.Start());
        ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path()}), 0)
            << rig.Log().toStdString();
        QThread::msleep(1000);  // the camera threads are delivering
    }
    void TearDown() override { rig.Stop(); }

    ProgramDir dir;
    XScreen screen;
    CycleRig rig{dir.path()};
};

}  // namespace

TEST_F(DisplayLossE2E, ADisplayThatDiesEndsTheProgramWithStatusOneAndNoFault)
{
    screen.Vanish();
    ASSERT_TRUE(rig.process().waitForFinished(15000)) << rig.Log().toStdString();
    const QString log = rig.Log();
    EXPECT_EQ(rig.process().exitStatus(), QProcess::NormalExit) << log.right(4000).toStdString();
    EXPECT_EQ(rig.process().exitCode(), 1);
    EXPECT_TRUE(log.contains("The X11 connection broke"));
    // A sanitizer build reports a destructor run under a live thread here.
    EXPECT_FALSE(log.contains("Sanitizer")) << log.right(4000).toStdString();
    EXPECT_FALSE(log.contains("runtime error:"));
    EXPECT_FALSE(log.contains("crashed!!!"));
}

TEST_F(DisplayLossE2E, StoppingTheServerStopsItsProgramFirst)
{
    const qint64 pid = rig.process().processId();
    screen.Stop();
    EXPECT_FALSE(screen.running());
    // The program ended by the stop (SIGTERM), never by a lost display.
    ASSERT_TRUE(rig.process().waitForFinished(1000));
    EXPECT_EQ(rig.process().exitStatus(), QProcess::CrashExit) << pid;
    EXPECT_FALSE(rig.Log().contains("The X11 connection broke")) << rig.Log().right(4000).toStdString();
}
