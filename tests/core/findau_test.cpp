#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTimerEvent>

#include "common/programdir.h"
#include "core/findau.h"
#include "core/timerroundmanage.h"

namespace {
const char kBlkid[] =
    "/dev/sda1: UUID=\"1\" TYPE=\"ext4\" PARTUUID=\"a\"\n"
    "/dev/sda2: UUID=\"2\" TYPE=\"swap\"\n"
    "/dev/sda3: UUID=\"3\" TYPE=\"vfat\"\n"
    "\n"
    "/dev/sdb1: LABEL=\"STICK\" UUID=\"4\" TYPE=\"vfat\"\n"
    "/dev/sdc1: UUID=\"5\" TYPE=\"ntfs\"\n";

// A machine of files under a sysroot and a runner that plays blkid and mount on it.
struct StickMachine {
    ProgramDir dir;
    RecordingRunner runner;
    QByteArray blkid = kBlkid;
    QByteArray mountsBefore = "proc /proc proc rw 0 0\n";
    bool mountWorks = true;

    StickMachine()
    {
        qputenv("MOULDMON_SYSROOT", dir.path().toLocal8Bit());
        dir.write("proc/mounts", mountsBefore);
        runner.answer = [this](const RecordedCommand& c) {
            CommandResult r;
            r.started = true;
            r.exitCode = 0;
            if (c.program == "blkid")
                r.out = blkid;
            if (c.program == "mount" && mountWorks)
                dir.write("proc/mounts", mountsBefore + c.args.value(0).toUtf8() + " /mnt vfat rw 0 0\n");
            if (c.program == "umount")
                dir.write("proc/mounts", "proc /proc proc rw 0 0\n");
            return r;
        };
    }
    ~StickMachine() { qunsetenv("MOULDMON_SYSROOT"); }
    void setMounts(const QByteArray& m)
    {
        mountsBefore = m;
        dir.write("proc/mounts", m);
    }
};
}  // namespace

TEST(FindAU, MountsTheFirstStickOffTheSystemDisk)
{
    StickMachine m;
    EXPECT_EQ(FindAU(), QString("/mnt"));
    // sda3 is vfat but on the system disk; sdb1 is listed before sdc1
    EXPECT_EQ(m.runner.lines(), (QStringList{"blkid", "mount /dev/sdb1 /mnt"}));
}

TEST(FindAU, StickListedBeforeTheSystemDiskIsNotTaken)
{
    StickMachine m;
    m.blkid = "/dev/sdb1: TYPE=\"vfat\"\n/dev/sda1: TYPE=\"ext4\"\n";
    EXPECT_EQ(FindAU(), QString());
    EXPECT_EQ(m.runner.lines(), (QStringList{"blkid"}));
    m.blkid = "/dev/sda1: TYPE=\"ext4\"\n/dev/sda5: TYPE=\"exfat\"\n";
    EXPECT_EQ(FindAU(), QString());
    m.blkid = "";
    EXPECT_EQ(FindAU(), QString());
    EXPECT_EQ(m.runner.lines(), (QStringList{"blkid", "blkid", "blkid"}));
}

TEST(FindAU, AlreadyMountedStickIsUnmountedOncePerLineFirst)
{
    StickMachine m;
    m.setMounts("proc /proc proc rw 0 0\n/dev/sdb1 /mnt vfat rw 0 0\n/dev/sdc1 /mnt ntfs rw 0 0\n");
    EXPECT_EQ(FindAU(), QString("/mnt"));
    EXPECT_EQ(m.runner.lines(), (QStringList{"blkid", "umount /mnt", "umount /mnt", "mount /dev/sdb1 /mnt"}));
}

TEST(FindAU, FailedMountOrUnreadableMountsGiveEmpty)
{
    StickMachine m;
    m.mountWorks = false;
    EXPECT_EQ(FindAU(), QString());
    EXPECT_EQ(m.runner.lines().last(), QString("mount /dev/sdb1 /mnt"));
    m.runner.calls.clear();
    QFile::remove(m.dir.file("proc/mounts"));
    EXPECT_EQ(FindAU(), QString());
    EXPECT_EQ(m.runner.lines(), (QStringList{"blkid"}));  // nothing mounted blind
    // a device name with shell syntax stays one argument
    m.mountWorks = true;
    m.setMounts("");
    m.blkid = "/dev/sda1: TYPE=\"ext4\"\n/dev/sdb1;reboot: TYPE=\"vfat\"\n";
    m.runner.calls.clear();
    EXPECT_EQ(FindAU(), QString("/mnt"));
    EXPECT_EQ(m.runner.calls.last().args, (QStringList{"/dev/sdb1;reboot", "/mnt"}));
}

TEST(FindAU, FindUAndManualMount)
{
    StickMachine m;
    EXPECT_FALSE(FindU());
    m.setMounts("/dev/sdb1 /mnt vfat rw 0 0\n");
    EXPECT_TRUE(FindU());
    m.runner.answer = [](const RecordedCommand& c) {
        CommandResult r;
        r.started = true;
        r.exitCode = c.args.value(0) == "/dev/sdc1" ? 0 : 32;
        return r;
    };
    EXPECT_TRUE(FindU_ByManual());
    EXPECT_EQ(m.runner.lines(), (QStringList{"umount /mnt", "mount /dev/sdb1 /mnt", "mount /dev/sdc1 /mnt"}));
}

TEST(AutoCopy, TimerRunsTheScriptOncePerInsertionAndNotWhileRunning)
{
    ProgramDir dir;
    qputenv("MOULDMON_SYSROOT", dir.path().toLocal8Bit());
    RecordingRunner runner;
    TimerRoundManage t;
    t.init();
    ASSERT_EQ(t.timers().size(), 1);
    const int id = t.timers().firstKey();
    EXPECT_EQ(t.timers().value(id), QString("autocopy"));

    QTimerEvent tick(id);
    QCoreApplication::sendEvent(&t, &tick);
    EXPECT_TRUE(runner.calls.isEmpty());  // no script on the stick

    const QByteArray mounts = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
    dir.write("proc/self/mountinfo", mounts + "90 22 8:17 / /mnt rw - vfat /dev/sdb1 rw\n");
    dir.write("mnt/autocopy-moju.py", "print('x')\n");
    QProcess running;  // stands for a run of the script that is still going
    running.start("sleep", {"30"});
    ASSERT_TRUE(running.waitForStarted());
    runner.detachedPid = running.processId();
    QCoreApplication::sendEvent(&t, &tick);
    ASSERT_EQ(runner.calls.size(), 1);
    EXPECT_TRUE(runner.calls[0].detached);
    EXPECT_EQ(runner.calls[0].line(), "python3 " + dir.path() + "/mnt/autocopy-moju.py");
    for (int minute = 0; minute < 3; ++minute)
        QCoreApplication::sendEvent(&t, &tick);
    EXPECT_EQ(runner.calls.size(), 1) << "the stick stays mounted: its script ran once";

    // Mounted again (a new mount id): a new insertion, run again, but not while the run for the
    // previous one still goes.
    dir.write("proc/self/mountinfo", mounts + "91 22 8:17 / /mnt rw - vfat /dev/sdb1 rw\n");
    QCoreApplication::sendEvent(&t, &tick);
    EXPECT_EQ(runner.calls.size(), 1);
    running.kill();
    running.waitForFinished();
    QCoreApplication::sendEvent(&t, &tick);
    EXPECT_EQ(runner.calls.size(), 2);
    QCoreApplication::sendEvent(&t, &tick);
    EXPECT_EQ(runner.calls.size(), 2);

    // Taken out and put back with nothing else telling them apart: seen gone, so run again.
    ASSERT_TRUE(QFile::remove(dir.file("mnt/autocopy-moju.py")));
    QCoreApplication::sendEvent(&t, &tick);
    EXPECT_EQ(runner.calls.size(), 2);
    dir.write("mnt/autocopy-moju.py", "print('x')\n");
    QCoreApplication::sendEvent(&t, &tick);
    EXPECT_EQ(runner.calls.size(), 3);

    QTimerEvent other(id + 1000);  // not ours: handed to QObject, nothing runs
    QCoreApplication::sendEvent(&t, &other);
    EXPECT_EQ(runner.calls.size(), 3);
    qunsetenv("MOULDMON_SYSROOT");
}
