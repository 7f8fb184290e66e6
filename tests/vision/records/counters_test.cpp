// count.txt: byte format and how damaged contents read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPair>
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

TEST(Counters, AFileCutInsideANumberKeepsEveryWholePairAndTakesNoHalfOne)
{
    ProgramDir dir;
    Fill(0);
    gAllNum[0] = 1200;
    gFailNum[0] = 34;
    gAllNum[1] = 234567;
    gFailNum[1] = 890;
    const QByteArray whole = Counters::Format(gAllNum, gFailNum);
    // Cut inside camera 2's total, inside its NG count, and right after it.
    const QList<QPair<int, QList<int>>> cuts = {{whole.indexOf("234567") + 4, {1, 2, 3, 4, 5, 6, 7}},
                                                {whole.indexOf(" 890") + 3, {1, 2, 3, 4, 5, 6, 7}},
                                                {whole.indexOf(" 890") + 5, {2, 3, 4, 5, 6, 7}}};
    for (const auto& cut : cuts) {
        dir.write("count.txt", whole.left(cut.first));
        Fill(50);
        const Counters::ReadResult r = Counters::CountRead();
        EXPECT_TRUE(r.damaged);
        EXPECT_EQ(r.lost, cut.second) << whole.left(cut.first).constData();
        EXPECT_EQ(gAllNum[0], 1200);
        EXPECT_EQ(gFailNum[0], 34);
        const bool second = !cut.second.contains(1);
        EXPECT_EQ(gAllNum[1], second ? 234567 : 0);
        EXPECT_EQ(gFailNum[1], second ? 890 : 0);
        for (int i = 2; i < MAX_CAMERA; ++i)
            EXPECT_EQ(gAllNum[i] + gFailNum[i], 0);
    }
    // Garbage after the sixteen numbers is no damage.
    dir.write("count.txt", whole + "\n\x01junk");
    Fill(50);
    const Counters::ReadResult r = Counters::CountRead();
    EXPECT_FALSE(r.damaged);
    EXPECT_EQ(gAllNum[1], 234567);
    EXPECT_EQ(gFailNum[1], 890);
}

TEST(Counters, APairWithAnUnreadableOrOutOfRangeNumberReadsAsZeroWhole)
{
    ProgramDir dir;
    dir.write("count.txt", "-3 2\n100000001 100000000\tabc 4 99999999999 6 7 8 9 10 11 12 13 14 15 16 ");
    Fill(50);
    const Counters::ReadResult r = Counters::CountRead();
    EXPECT_EQ(r.lost, QList<int>({0, 1, 2, 3}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(gAllNum[i] + gFailNum[i], 0) << i;
    EXPECT_EQ(gAllNum[4], 7);
    EXPECT_EQ(gFailNum[7], 14);
}

TEST(Counters, AMissingFileIsNoDamageButAnEmptyFileOrAFolderIs)
{
    ProgramDir dir;
    Fill(50);
    EXPECT_FALSE(Counters::CountRead().damaged);
    for (int i = 0; i < MAX_CAMERA; ++i)
        EXPECT_EQ(gAllNum[i] + gFailNum[i], 0);
    dir.write("count.txt", "");
    Fill(50);
    Counters::ReadResult r = Counters::CountRead();
    EXPECT_TRUE(r.damaged);
    EXPECT_EQ(r.lost.size(), MAX_CAMERA);
    for (int i = 0; i < MAX_CAMERA; ++i)
        EXPECT_EQ(gAllNum[i] + gFailNum[i], 0);
    QFile::remove("count.txt");
    QDir().mkdir("count.txt");
    Fill(50);
    r = Counters::CountRead();
    EXPECT_TRUE(r.damaged);
    EXPECT_EQ(r.lost.size(), MAX_CAMERA);
    EXPECT_EQ(gAllNum[3], 0);
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
