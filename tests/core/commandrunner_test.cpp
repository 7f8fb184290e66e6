#include <gtest/gtest.h>

#include "common/programdir.h"
#include "core/commandrunner.h"
#include "core/syspath.h"

TEST(CommandRunner, DryRunSkipsWhatChangesTheMachine)
{
    ASSERT_TRUE(CommandRunner::dryRun());
    for (const auto& cmd : QList<QStringList>{{"reboot"}, {"init", "0"}, {"date", "-s", "2020-01-01"},
                                               {"hwclock", "-w"}, {"mount", "/dev/sdb1", "/mnt"},
                                               {"umount", "/mnt"}, {"ifup", "eth0"}, {"ip", "addr", "flush", "dev", "eth0"},
                                               {"cp", "-f", "x", "/etc/hosts"}, {"./tsc"}, {"bash", "-c", "reboot"},
                                               {"python3", "/mnt/autocopy-moju.py"}}) {
        EXPECT_TRUE(CommandRunner::changesMachine(cmd.first(), cmd.mid(1))) << cmd.join(' ').toStdString();
        const CommandResult r = runCommand(cmd.first(), cmd.mid(1));
        EXPECT_TRUE(r.skipped) << cmd.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, 0);
    }
    for (const auto& cmd : QList<QStringList>{{"blkid"}, {"ip", "route", "show"}, {"date", "+%s"}, {"ping", "-c", "1", "x"},
                                               {"cp", "a", "b"}, {"python3", "./cnt_net/runNetClient.py"}}) {
        EXPECT_FALSE(CommandRunner::changesMachine(cmd.first(), cmd.mid(1))) << cmd.join(' ').toStdString();
    }
}

TEST(CommandRunner, RunsHarmlessCommandsWithArgumentsVerbatim)
{
    ProgramDir dir;
    // A name holding shell syntax reaches the program as one argument, never a shell.
    const CommandResult r = runCommand("echo", {"a; rm -rf /tmp/x $(id)"});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.out, QByteArray("a; rm -rf /tmp/x $(id)\n"));
    const CommandResult missing = runCommand("/nonexistent/program", {});
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(missing.ok());
    const CommandResult fails = runCommand("false", {});
    EXPECT_TRUE(fails.started);
    EXPECT_EQ(fails.exitCode, 1);
}

TEST(CommandRunner, RecorderReplacesAndRestores)
{
    CommandRunner* real = CommandRunner::instance();
    {
        RecordingRunner rec;
        rec.answer = [](const RecordedCommand& c) {
            CommandResult r;
            r.started = true;
            r.exitCode = c.program == "blkid" ? 0 : 2;
            r.out = "scripted";
            return r;
        };
        EXPECT_EQ(CommandRunner::instance(), &rec);
        EXPECT_EQ(runCommand("blkid", {"-o", "list"}).out, QByteArray("scripted"));
        EXPECT_EQ(runCommand("reboot", {}).exitCode, 2);
        EXPECT_EQ(rec.lines(), (QStringList{"blkid -o list", "reboot"}));
    }
    EXPECT_EQ(CommandRunner::instance(), real);
}

TEST(SysPath, PrefixesSysrootAndSerialOverride)
{
    qunsetenv("MOULDMON_SYSROOT");
    EXPECT_EQ(sysPath("/etc/hosts"), QString("/etc/hosts"));
    qputenv("MOULDMON_SYSROOT", "/tmp/root/");
    EXPECT_EQ(sysPath("/etc/hosts"), QString("/tmp/root/etc/hosts"));
    qunsetenv("MOULDMON_SYSROOT");

    qunsetenv("MOULDMON_SERIAL");
    EXPECT_EQ(serialDevicePath(1), QString("/dev/ttyS1"));
    qputenv("MOULDMON_SERIAL", "/tmp/pty0");
    EXPECT_EQ(serialDevicePath(3), QString("/tmp/pty0"));
    qunsetenv("MOULDMON_SERIAL");
}
