#include <gtest/gtest.h>

#include <thread>

#include <unistd.h>

#include <QElapsedTimer>

#include "core/globals.h"
#include "core/startup.h"

TEST(StartUp, StyleSheetIsTheTwentySevenRulesWhole)
{
    const QString sheet = ApplicationStyleSheet();
    EXPECT_EQ(sheet.size(), 1927);
    EXPECT_EQ(sheet.toUtf8().size(), 1929);
    EXPECT_EQ(sheet.count('{'), 27);
    EXPECT_TRUE(sheet.startsWith("QLabel{font-size:18px;color:white;}MainWindow{background-color:#ffffff;}"));
    EXPECT_TRUE(sheet.endsWith("QComboBox QAbstractItemView::item{height:50px;}"));
    EXPECT_TRUE(sheet.contains("image:url(:/img/icons/圆1.png);}QSlider::add-page{"));
}

TEST(StartUp, StopWtdClearsTheFlagAndAlwaysPauses)
{
    int pauses = 0;
    SetStopWTDPause([&] { ++pauses; });
    gisRunWTD = true;
    StopWTD();
    EXPECT_FALSE(gisRunWTD);
    StopWTD();  // already clear: still pauses
    EXPECT_EQ(pauses, 2);
    SetStopWTDPause({});
}

TEST(StartUp, StopWtdTakesOneSecond)
{
    QElapsedTimer t;
    t.start();
    StopWTD();
    EXPECT_GE(t.elapsed(), 990);
}

TEST(StartUpDeathTest, ExitEndsWithTheAskedCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Exit(3), ::testing::ExitedWithCode(3), "");
    EXPECT_EXIT(Exit(0), ::testing::ExitedWithCode(0), "");
}

namespace {
// Made only in a death test's child: if its destructor runs, the child ends with 9.
struct DestructorProbe {
    ~DestructorProbe() { _exit(9); }
};
}  // namespace

TEST(StartUpDeathTest, AnExitAfterStartUpRunsNoDestructorOfWhatStartUpMade)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // An exit() from any thread keeps its status; the probe's destructor would make it 9.
    EXPECT_EXIT(
        {
            static DestructorProbe probe;
            (void)probe;
            EndProcessOnExit();
            std::thread([] { std::exit(4); }).join();
        },
        ::testing::ExitedWithCode(4), "");
}
