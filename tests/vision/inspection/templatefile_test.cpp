// Template pictures damaged by a power cut or a bad copy are never taken for the mould's picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "common/programdir.h"
#include "vision/inspection/templatefile.h"

namespace {

// 10 x 3: rows of 12 bytes in the file in grey (padded), 40 in colour.
QImage Picture(bool colour)
{
    QImage img(10, 3, colour ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (!colour) {
        QVector<QRgb> grey;
        for (int i = 0; i < 256; ++i)
            grey << qRgb(i, i, i);
        img.setColorTable(grey);
        img.fill(200);
    } else {
        img.fill(qRgb(200, 10, 10));
    }
    return img;
}

void CutBy(const QString& path, int bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(f.size() - bytes));
}

TEST(TemplateFile, EachDamageIsToldApartAndOnlyAWholePictureOfTheRightSizeIsLoaded)
{
    ProgramDir dir;
    for (bool colour : {false, true}) {
        const int bytes = colour ? 120 : 30;
        ASSERT_TRUE(Picture(colour).save("whole.bmp", "BMP"));
        QImage loaded;
        EXPECT_EQ(LoadTemplateFile("whole.bmp", 10, 3, bytes, &loaded), TemplateDamage::None);
        EXPECT_EQ(loaded.pixel(9, 2), Picture(colour).pixel(9, 2));
        // Another picture size or depth than the detection's.
        EXPECT_EQ(LoadTemplateFile("whole.bmp", 10, 4, bytes, &loaded), TemplateDamage::Unreadable);
        EXPECT_EQ(LoadTemplateFile("whole.bmp", 10, 3, colour ? 30 : 120), TemplateDamage::Unreadable);

        // One byte short of the last row is a cut picture, whatever Qt makes of it.
        ASSERT_TRUE(QFile::copy("whole.bmp", "cut.bmp"));
        CutBy("cut.bmp", 1);
        loaded = QImage();
        EXPECT_EQ(LoadTemplateFile("cut.bmp", 10, 3, bytes, &loaded), TemplateDamage::Cut) << colour;
        EXPECT_TRUE(loaded.isNull());
        QFile::remove("cut.bmp");
        QFile::remove("whole.bmp");
    }
    ASSERT_TRUE(dir.write("empty.bmp", ""));
    EXPECT_EQ(LoadTemplateFile("empty.bmp", 10, 3, 30), TemplateDamage::Empty);
    ASSERT_TRUE(QDir().mkdir("folder.bmp"));
    EXPECT_EQ(LoadTemplateFile("folder.bmp", 10, 3, 30), TemplateDamage::NotAFile);
    EXPECT_EQ(LoadTemplateFile("missing.bmp", 10, 3, 30), TemplateDamage::Missing);
    ASSERT_TRUE(dir.write("garbage.bmp", QByteArray(200, 'x')));
    EXPECT_EQ(LoadTemplateFile("garbage.bmp", 10, 3, 30), TemplateDamage::Unreadable);
    // A header that announces more rows than a short file holds.
    ASSERT_TRUE(Picture(false).save("half.bmp", "BMP"));
    CutBy("half.bmp", 18);
    EXPECT_EQ(LoadTemplateFile("half.bmp", 10, 3, 30), TemplateDamage::Cut);
}

}  // namespace
