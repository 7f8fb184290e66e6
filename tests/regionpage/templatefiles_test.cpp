// Template files of one camera and stage: free slots, replacing the oldest added file by its
// file time (never the first template), removing after the slot count was lowered, deleting one
// or all added templates with their reports, and the record list newest first.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>

#include "common/programdir.h"
#include "mainscreen/picturebrowser.h"
#include "mainscreen/templatefiles.h"

namespace {

struct Reports {
    QStringList lines;
    Reports()
    {
        TemplateFiles::reportDeleted = [this](int c, int s, const QString& n) {
            lines << QString("%1 %2 %3").arg(c).arg(s).arg(n);
        };
    }
    ~Reports() { TemplateFiles::reportDeleted = nullptr; }
};

// Writes ./cammer11/<name> with the modification time `secs` after a fixed moment.
void Touch(ProgramDir& dir, const QString& rel, int secs)
{
    ASSERT_TRUE(dir.write(rel, "x"));
    QFile f(dir.file(rel));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime t = QDateTime::fromSecsSinceEpoch(1700000000 + secs);
    ASSERT_TRUE(f.setFileTime(t, QFileDevice::FileModificationTime));
}

}  // namespace

TEST(TemplateFiles, FreeSlotFirst)
{
    ProgramDir dir;
    std::vector<int> valid = {1, 0, 1};
    int count = 2;
    EXPECT_EQ(TemplateFiles::ChooseAddSlot(0, 0, valid, count, 3), 1);
    EXPECT_EQ(valid, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(count, 3);
}

TEST(TemplateFiles, FullReplacesOldestAddedByFileTimeNeverTheFirst)
{
    ProgramDir dir;
    Reports rep;
    // template0 is the oldest file but is never replaced; template2 is older than template1.
    Touch(dir, "cammer11/template0.bmp", 0);
    Touch(dir, "cammer11/template1.bmp", 300);
    Touch(dir, "cammer11/template2.bmp", 200);
    std::vector<int> valid = {1, 1, 1};
    int count = 3;
    EXPECT_EQ(TemplateFiles::ChooseAddSlot(0, 0, valid, count, 3), 2);
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(rep.lines.isEmpty());
    EXPECT_TRUE(QFile::exists("cammer11/template2.bmp"));
}

TEST(TemplateFiles, LoweredCountRemovesTheOldFileAndUsesTheLastSlot)
{
    ProgramDir dir;
    Reports rep;
    Touch(dir, "cammer23/template0.bmp", 50);
    Touch(dir, "cammer23/template1.bmp", 300);
    Touch(dir, "cammer23/template2.bmp", 400);
    Touch(dir, "cammer23/template4.bmp", 100);
    std::vector<int> valid = {1, 1, 1};
    int count = 3;
    EXPECT_EQ(TemplateFiles::ChooseAddSlot(1, 2, valid, count, 3), 2);
    EXPECT_FALSE(QFile::exists("cammer23/template4.bmp"));
    EXPECT_EQ(rep.lines, QStringList{"2 3 template4"});
}

TEST(TemplateFiles, FullWithoutAddedFilesTakesTheLastSlot)
{
    ProgramDir dir;
    Touch(dir, "cammer11/template0.bmp", 0);
    std::vector<int> valid = {1, 1};
    int count = 2;
    EXPECT_EQ(TemplateFiles::ChooseAddSlot(0, 0, valid, count, 2), 1);
    std::vector<int> none;
    int zero = 0;
    EXPECT_EQ(TemplateFiles::ChooseAddSlot(0, 0, none, zero, 2), -1);
}

TEST(TemplateFiles, DeleteOneAndAllAdded)
{
    ProgramDir dir;
    Reports rep;
    Touch(dir, "cammer12/template0.bmp", 0);
    Touch(dir, "cammer12/template1.bmp", 0);
    Touch(dir, "cammer12/template2.bmp", 0);
    Touch(dir, "cammer12/template10.bmp", 0);
    Touch(dir, "cammer12/ignorepoint.bmp", 0);
    TemplateFiles::RemoveSlot(0, 1, 2);
    EXPECT_FALSE(QFile::exists("cammer12/template2.bmp"));
    EXPECT_EQ(rep.lines, QStringList{"1 2 template2.bmp"});
    rep.lines.clear();
    EXPECT_EQ(TemplateFiles::RemoveAdded(0, 1), (QStringList{"template1.bmp", "template10.bmp"}));
    EXPECT_EQ(rep.lines, (QStringList{"1 2 template1.bmp", "1 2 template10.bmp"}));
    EXPECT_EQ(QDir("cammer12").entryList(QDir::Files), (QStringList{"ignorepoint.bmp", "template0.bmp"}));
}

TEST(TemplateFiles, WritesGreyIndexedAndRecordsNewestFirst)
{
    ProgramDir dir;
    std::vector<unsigned char> grey(8 * 4);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<unsigned char>(i * 7);
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    ASSERT_TRUE(TemplateFiles::Write("cammer11/template1.bmp", grey.data(), 8, 4, false, table));
    QImage img("cammer11/template1.bmp");
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(img.pixelIndex(3, 2), 19 * 7);

    Touch(dir, "ok/a.jpg", 10);
    Touch(dir, "ok/b.jpg", 30);
    Touch(dir, "ok/c.jpg", 20);
    Touch(dir, "ok/d.png", 40);
    EXPECT_EQ(TemplateFiles::RecordNames("ok"), (QStringList{"b.jpg", "c.jpg", "a.jpg"}));
    EXPECT_TRUE(TemplateFiles::RecordNames("missing").isEmpty());
}

// One browser serves both previous/next buttons: templates skip invalid slots, the NG ring and the
// record list wrap, and a record list that shrank between steps keeps the index in range.
TEST(PictureBrowser, StepsEachSourceAndWraps)
{
    ProgramDir dir;
    PictureBrowser b;
    int temp = 0, ng = 0;
    const std::vector<int> valid{1, 0, 1, 1};
    EXPECT_EQ(b.Step(0, 1, valid, temp, 0, ng), PictureBrowser::Template);
    EXPECT_EQ(temp, 2);
    EXPECT_EQ(b.Step(0, -1, valid, temp, 0, ng), PictureBrowser::Template);
    EXPECT_EQ(temp, 0);
    EXPECT_EQ(b.Step(0, -1, valid, temp, 0, ng), PictureBrowser::Template);
    EXPECT_EQ(temp, 3);

    // Five held NG pictures still browse as a ring of three.
    EXPECT_EQ(b.Step(2, -1, valid, temp, 5, ng), PictureBrowser::NgPicture);
    EXPECT_EQ(ng, 2);
    EXPECT_EQ(b.Step(2, 1, valid, temp, 0, ng), PictureBrowser::NgPicture);
    EXPECT_EQ(ng, 0);
    EXPECT_EQ(b.Step(1, 1, valid, temp, 5, ng), PictureBrowser::None);

    // No records: nothing moves.
    b.Restart(4);
    b.Open(dir.file("ng"));
    EXPECT_EQ(b.Step(4, 1, valid, temp, 0, ng), PictureBrowser::None);
    EXPECT_FALSE(b.recordsOK());

    for (int i = 0; i < 3; ++i) {
        QImage img(4, 4, QImage::Format_RGB32);
        img.fill(qRgb(10 * i, 0, 0));
        ASSERT_TRUE(QDir().mkpath(dir.file("ng")));
        ASSERT_TRUE(img.save(dir.file(QString("ng/%1.jpg").arg(i))));
        QFile f(dir.file(QString("ng/%1.jpg").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000 + i), QFileDevice::FileModificationTime));
    }
    b.Restart(3);
    b.Open(dir.file("ng"));
    EXPECT_TRUE(b.recordsOK());
    EXPECT_EQ(b.count(), 3);
    EXPECT_EQ(b.label(), "2");  // newest first
    EXPECT_EQ(b.picture().size(), QSize(4, 4));
    EXPECT_EQ(b.Step(3, -1, valid, temp, 0, ng), PictureBrowser::Record);
    EXPECT_EQ(b.index(), 2);
    b.Open(dir.file("ng"));
    EXPECT_EQ(b.label(), "0");
    ASSERT_TRUE(QFile::remove(dir.file("ng/0.jpg")));
    b.Open(dir.file("ng"));
    EXPECT_EQ(b.index(), 1);
    EXPECT_EQ(b.label(), "1");
}
