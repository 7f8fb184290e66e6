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
