#include "maintenancefixture.h"

#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/startup.h"
#include "core/uitexttable.h"
#include "widgets/textrow.h"

using MaintenanceSteps = MaintenanceTest;

TEST_F(MaintenanceSteps, ShutDownCommitsRecordsAndFlushesThenRestartsOrPowersOff)
{
    const QStringList committed = {"ask:" + textRow(291), "accept", "save", "record:" + textRow(292),
                                   "stopwtd", "flush", "ask:" + textRow(293)};
    answers = {true, true};
    MaintenanceActions(*host).shutDown();
    EXPECT_EQ(log, committed + QStringList{"cmd:reboot"});

    log.clear();
    answers = {true, false};
    MaintenanceActions(*host).shutDown();
    EXPECT_EQ(log, committed + QStringList{"cmd:init 0"});

    log.clear();
    answers = {false};
    MaintenanceActions(*host).shutDown();
    EXPECT_EQ(log, QStringList{"ask:" + textRow(291)});
}

TEST_F(MaintenanceSteps, ClockSetsSystemAndHardwareClockBeforeTheRecordAndTheRestart)
{
    answers = {true};
    MaintenanceActions(*host).modifyTime();
    ASSERT_EQ(log.size(), 9);
    EXPECT_TRUE(log.at(1).startsWith("cmd:date -s "));
    EXPECT_EQ(log.mid(2), QStringList({"cmd:hwclock --systohc", "accept", "save", "record:" + textRow(401),
                                       "stopwtd", "flush", "cmd:reboot"}));

    // A clock that could not be set is reported and nothing restarts.
    log.clear();
    answers = {true};
    runner->answer = [this](const RecordedCommand& c) {
        log << "cmd:" + c.line();
        CommandResult r;
        r.started = true;
        r.exitCode = c.program == "date" ? 1 : 0;
        return r;
    };
    MaintenanceActions(*host).modifyTime();
    EXPECT_EQ(log.last(), "warn:" + textRow(645));
    EXPECT_FALSE(log.contains("cmd:reboot"));

    log.clear();
    host->clockConfirmed = false;
    MaintenanceActions(*host).modifyTime();
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(MaintenanceSteps, CalibrationRunsTheCalibrationProgramThenRestarts)
{
    answers = {true};
    MaintenanceActions(*host).calibration();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(459), "cmd:./tsc", "flush", "cmd:reboot"}));
}

TEST_F(MaintenanceSteps, UpdateCopiesTheArchiveUnderTheNameItsEndingGives)
{
    EXPECT_EQ(UpdateTargetName("/mnt/app-2.1.tar.gz"), "newupdate.tar.gz");
    EXPECT_EQ(UpdateTargetName("/mnt/sub/app.tar.xz"), "newupdate.tar.xz");
    EXPECT_EQ(UpdateTargetName("/mnt/app.rar/"), "newupdate.rar");
    EXPECT_EQ(UpdateTargetName("/mnt/app.tar.bz2"), "");
    EXPECT_EQ(UpdateTargetName("/mnt/tar.gz/readme.txt"), "") << "only the file name counts";

    // No stick at first: asked again, then found.
    host->sticks = QStringList{"", "/mnt"};
    host->updateFile = "/mnt/app-2.1.tar.xz";
    answers = {true, true};
    MaintenanceActions(*host).updateApp();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(320), "ask:" + textRow(323), "stopwtd",
                                "cmd:cp -rf /mnt/app-2.1.tar.xz ./newupdate.tar.xz", "flush", "cmd:sync",
                                "cmd:reboot"}));

    log.clear();
    host->sticks = QStringList{"/mnt"};
    host->updateFile = "/mnt/app.zip";
    answers = {true};
    MaintenanceActions(*host).updateApp();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(323)})) << "an unusable file leaves the watchdog running";
}

TEST_F(MaintenanceSteps, AFailedCopyOfUpdateOrFactoryArchiveWarnsAndDoesNotRestart)
{
    answers = {true};
    MaintenanceActions(*host).restoreFactorySet();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(551) + "?",
                                "cmd:cp -f paraGroup/default/20clearsh.tar.gz ./newupdate.tar.gz", "cmd:sync",
                                "cmd:reboot"}));
    EXPECT_EQ(dir->read("newupdate.tar.gz"), QByteArray("archive"));

    QFile::remove("paraGroup/default/20clearsh.tar.gz");
    log.clear();
    answers = {true};
    MaintenanceActions(*host).restoreFactorySet();
    EXPECT_EQ(log.last(), "warn:" + textRow(643));
    EXPECT_FALSE(log.contains("cmd:reboot"));

    log.clear();
    host->sticks = QStringList{"/mnt"};
    host->updateFile = dir->file("missing.tar.gz");
    answers = {true};
    MaintenanceActions(*host).updateApp();
    EXPECT_EQ(log.last(), "warn:" + textRow(643));
    EXPECT_FALSE(log.contains("cmd:reboot"));
}

TEST_F(MaintenanceSteps, LanguageChangeRecordsInTheOldLanguageAndRestarts)
{
    MaintenanceActions(*host).changeLanguage(1);
    MaintenanceActions(*host).changeLanguage(3);
    EXPECT_TRUE(log.isEmpty());
    const QString english = textRow(319);
    answers = {true};
    MaintenanceActions(*host).changeLanguage(0);
    EXPECT_EQ(gLan, 0);
    EXPECT_EQ(log, QStringList({"ask:" + QString(gaLanStr[318 * LAN_COUNT + 1]), "record:" + english, "accept",
                                "save", "stopwtd", "flush", "cmd:reboot"}));
}

TEST_F(MaintenanceSteps, ExitRecordsCommitsAndEndsTheProcessWithCodeZero)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            SetStopWTDPause([] {});
            answers = {true};
            MaintenanceActions(*host).exitProgram();
            std::fprintf(stderr, "still running\n");
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    answers = {false};
    MaintenanceActions(*host).exitProgram();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(294)}));
}

TEST_F(MaintenanceSteps, ExitWaitsForTheRecordRowsBeforeTheProcessEnds)
{
    host->fakeExit = true;
    answers = {true};
    MaintenanceActions(*host).exitProgram();
    EXPECT_EQ(log, QStringList({"ask:" + textRow(294), "record:" + textRow(295), "accept", "save",
                                "warn:" + textRow(296), "flush", "exit:0"}));
}

class MaintenanceExport : public MaintenanceTest {
protected:
    QTemporaryDir root;
    void SetUp() override
    {
        MaintenanceTest::SetUp();
        qputenv("MOULDMON_SYSROOT", root.path().toLocal8Bit());
        for (const char* f : {"originalimage/cammer11", "originalimage/cammer12", "originalimage/cammer21",
                              "originalimage/cammer22", "originalimage/cammer31"})
            folder(f);
        host->sticks = QStringList{"/mnt"};
    }
    void TearDown() override
    {
        qunsetenv("MOULDMON_SYSROOT");
        MaintenanceTest::TearDown();
    }
    int pictures(const QString& rel) const
    {
        return QDir(dir->file(rel)).entryList(QDir::Files).size();
    }
};

TEST_F(MaintenanceExport, TwoCamerasTwoStagesEmptyTheirPictureFoldersAfterAVerifiedCopy)
{
    QDir().mkpath(root.path() + "/mnt");
    answers = {true};
    MaintenanceActions(*host).exportData();
    const QStringList stamps = QDir(root.path() + "/mnt").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(stamps.size(), 1);
    const QString copy = root.path() + "/mnt/" + stamps.first() + "/" + QFileInfo(dir->path()).fileName();
    EXPECT_TRUE(QFileInfo(copy + "/PARAM.db").isFile());
    EXPECT_TRUE(QFileInfo(copy + "/originalimage/cammer22/pic.bmp").isFile());
    EXPECT_TRUE(QFileInfo(copy + "/paraGroup/default/20clearsh.tar.gz").isFile());
    for (const char* f : {"originalimage/cammer11", "originalimage/cammer12", "originalimage/cammer21",
                          "originalimage/cammer22"})
        EXPECT_EQ(pictures(f), 0) << f;
    EXPECT_EQ(pictures("originalimage/cammer31"), 1);
    EXPECT_TRUE(log.contains("cmd:umount /mnt"));
    EXPECT_EQ(log.last(), "warn:" + textRow(147));
}

TEST_F(MaintenanceExport, ACopyThatFailsKeepsEveryPictureAndNeverReportsSuccess)
{
    // No folder can be made on the stick.
    QFile blocker(root.path() + "/mnt");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    answers = {true};
    MaintenanceActions(*host).exportData();
    EXPECT_EQ(log.last(), "warn:" + textRow(644));
    EXPECT_FALSE(log.contains("warn:" + textRow(147)));
    EXPECT_EQ(pictures("originalimage/cammer11"), 1);

    // A file that cannot be read is missing from the copy.
    QFile::remove(root.path() + "/mnt");
    QDir().mkpath(root.path() + "/mnt");
    ASSERT_TRUE(QFile::link(dir->file("gone"), dir->file("originalimage/dangling.bmp")));
    log.clear();
    answers = {true};
    host->sticks = QStringList{"/mnt"};
    MaintenanceActions(*host).exportData();
    EXPECT_EQ(log.last(), "warn:" + textRow(644));
    EXPECT_EQ(pictures("originalimage/cammer22"), 1);
}
