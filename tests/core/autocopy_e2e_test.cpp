// The real program (own network namespace, board simulator, simulated camera) with a stick's copy
// script on /mnt of its machine files and the polling minute shortened: a stick left mounted runs
// its script once, one taken out and put back runs it again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"

TEST(AutoCopyE2E, AStickLeftMountedRunsItsScriptOnce)
{
    ProgramDir dir;
    CycleRig rig(dir.path());
    ASSERT_TRUE(rig.Prepare(CycleRigSetup()));
    const QString sysroot = dir.file("sysroot");
    ASSERT_TRUE(QDir().mkpath(sysroot + "/mnt"));
    ASSERT_TRUE(dir.write("sysroot/mnt/autocopy-moju.py", "print('copied')\n"));
    ASSERT_GE(rig.Launch({"MOULDMON_SYSROOT=" + sysroot, "MOULDMON_AUTOCOPY_MS=100"}), 0) << rig.Log().toStdString();
    // The script is started through the command runner (skipped and logged in a dry run).
    const QString started = "(detached): python3 " + sysroot + "/mnt/autocopy-moju.py";
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().count(started) >= 1; }, 3000)) << rig.Log().toStdString();
    QThread::msleep(1000);  // ten polls with the stick still there
    EXPECT_EQ(rig.Log().count(started), 1) << rig.Log().toStdString();

    ASSERT_TRUE(QFile::remove(sysroot + "/mnt/autocopy-moju.py"));
    QThread::msleep(300);
    ASSERT_TRUE(dir.write("sysroot/mnt/autocopy-moju.py", "print('copied')\n"));
    EXPECT_TRUE(rig.WaitFor([&] { return rig.Log().count(started) == 2; }, 3000)) << rig.Log().toStdString();
    QThread::msleep(500);
    EXPECT_EQ(rig.Log().count(started), 2);
    rig.Stop();
}
