// count.txt: byte format and how damaged contents read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "common/programdir.h"
#include "vision/records/counters.h"

namespace {

void Fill(int base)
{
    for (int i = 0; i < MAX_CAMERA; ++i) {
        gAllNum[i] = base + i;
        gFailNum[i] = base + 100 + i;
    }
}

TEST(Counters, AllZeroIsSixteenZerosEachWithOneBlank)
{
    ProgramDir dir;
    Fill(0);
    for (int i = 0; i < MAX_CAMERA; ++i)
        gAllNum[i] = gFailNum[i] = 0;
    ASSERT_TRUE(Counters::CountWrite());
    const QByteArray data = dir.read("count.txt");
    EXPECT_EQ(data, QByteArray("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "));
    EXPECT_EQ(data.size(), 32);
}

TEST(Counters, WriteOrderIsTotalThenNgPerCameraAndReadsBack)
{
    ProgramDir dir;
    Fill(1);
    gAllNum[7] = 100000000;
    ASSERT_TRUE(Counters::CountWrite());
    EXPECT_EQ(dir.read("count.txt"),
              QByteArray("1 101 2 102 3 103 4 104 5 105 6 106 7 107 100000000 108 "));
    // Nothing but count.txt is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"count.txt"});

    Fill(9);
    Counters::CountRead();
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_EQ(gFailNum[0], 101);
    EXPECT_EQ(gAllNum[7], 100000000);
    EXPECT_EQ(gFailNum[7], 108);

    // Rewriting replaces the whole content.
    Fill(0);
    for (int i = 0; i < MAX_CAMERA; ++i)
        gAllNum[i] = gFailNum[i] = 0;
    ASSERT_TRUE(Counters::CountWrite());
    EXPECT_EQ(dir.read("count.txt").size(), 32);
}

TEST(Counters, ShortFileReadsMissingNumbersAsZero)
{
    ProgramDir dir;
    dir.write("count.txt", "5 1 7");
    Fill(50);
    Counters::CountRead();
    EXPECT_EQ(gAllNum[0], 5);
    EXPECT_EQ(gFailNum[0], 1);
    EXPECT_EQ(gAllNum[1], 7);
    EXPECT_EQ(gFailNum[1], 0);
    for (int i = 2; i < MAX_CAMERA; ++i) {
        EXPECT_EQ(gAllNum[i], 0);
        EXPECT_EQ(gFailNum[i], 0);
    }
}

TEST(Counters, OutOfRangeAndUnreadableNumbersReadAsZero)
{
    ProgramDir dir;
    dir.write("count.txt", "-3 2\n100000001 100000000\tabc 4 99999999999 6");
    Fill(50);
    Counters::CountRead();
    EXPECT_EQ(gAllNum[0], 0);
    EXPECT_EQ(gFailNum[0], 2);
    EXPECT_EQ(gAllNum[1], 0);
    EXPECT_EQ(gFailNum[1], 100000000);
    EXPECT_EQ(gAllNum[2], 0);
    EXPECT_EQ(gFailNum[2], 4);
    EXPECT_EQ(gAllNum[3], 0);
    EXPECT_EQ(gFailNum[3], 6);
    EXPECT_EQ(gAllNum[4], 0);
}

TEST(Counters, MissingOrEmptyFileReadsAllZero)
{
    ProgramDir dir;
    Fill(50);
    Counters::CountRead();
    for (int i = 0; i < MAX_CAMERA; ++i)
        EXPECT_EQ(gAllNum[i] + gFailNum[i], 0);
    dir.write("count.txt", "");
    Fill(50);
    Counters::CountRead();
    for (int i = 0; i < MAX_CAMERA; ++i)
        EXPECT_EQ(gAllNum[i] + gFailNum[i], 0);
}

TEST(Counters, UnwritablePlaceReportsNothingWritten)
{
    ProgramDir dir;
    QDir().mkdir(dir.file("sub"));
    Fill(3);
    EXPECT_FALSE(Counters::CountWrite(dir.file("missing/count.txt")));
    EXPECT_FALSE(Counters::CountWrite(dir.file("sub")));
    EXPECT_TRUE(QFileInfo(dir.file("sub")).isDir());
}

} // namespace
