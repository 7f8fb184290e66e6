// What a start reads of the run before it: a torn or unreadable mould state must hold the mould,
// only a file never written (a new program directory) lets a start release it at once.
#include <gtest/gtest.h>

#include <QDir>

#include "common/programdir.h"
#include "vision/controller/startuphold.h"

TEST(StartupHold, OnlyAFreeOrNeverWrittenMouldStateReleasesTheMouldAtTheStart)
{
    ProgramDir dir;
    EXPECT_FALSE(StartupHold::MouldLeftHeld()) << "never written";
    struct Case {
        const char* what;
        QByteArray bytes;
        bool held;
    };
    const Case cases[] = {
        {"free", StartupHold::MouldText(false), false},
        {"held", StartupHold::MouldText(true), true},
        {"empty (cut before its bytes)", "", true},
        {"cut inside the word", "fr", true},
        {"garbage", "\x01\xff" "free\n", true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dir.write(StartupHold::kMouldFile, c.bytes));
        EXPECT_EQ(StartupHold::MouldLeftHeld(), c.held) << c.what;
    }
    ASSERT_TRUE(QFile::remove(StartupHold::kMouldFile));
    ASSERT_TRUE(QDir().mkpath(StartupHold::kMouldFile + "/x"));
    EXPECT_TRUE(StartupHold::MouldLeftHeld()) << "a directory in its place";
}

TEST(StartupHold, TheReplacedMarkNamesTheDamagedCopyUntilItIsForgotten)
{
    ProgramDir dir;
    EXPECT_FALSE(StartupHold::ReadReplaced().marked);
    ASSERT_TRUE(StartupHold::MarkReplaced("PARAM.db.damaged-20261208-093000", "PARAM.db: quick_check\nfailed"));
    StartupHold::Replaced r = StartupHold::ReadReplaced();
    EXPECT_TRUE(r.marked);
    EXPECT_EQ(r.aside, "PARAM.db.damaged-20261208-093000");
    EXPECT_EQ(r.why, "PARAM.db: quick_check failed");
    // A torn mark still holds: the parameters in force are the default's all the same.
    ASSERT_TRUE(dir.write(StartupHold::kReplacedMark, "asi"));
    r = StartupHold::ReadReplaced();
    EXPECT_TRUE(r.marked);
    EXPECT_TRUE(r.aside.isEmpty());
    EXPECT_TRUE(StartupHold::ForgetReplaced());
    EXPECT_FALSE(StartupHold::ReadReplaced().marked);
    EXPECT_TRUE(StartupHold::ForgetReplaced()) << "nothing left to forget";
}
