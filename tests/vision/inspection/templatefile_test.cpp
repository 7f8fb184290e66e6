// Template pictures damaged by a power cut or a bad copy are never taken for the mould's picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "common/programdir.h"
#include "vision/inspection/templatefile.h"

TEST(TemplateFile, EachDamageIsToldApartAndOnlyAWholePictureOfTheRightSizeIsLoaded)
{
    ProgramDir dir;
    // 10 x 3: grey rows are padded to 12 bytes in the file.
    for (bool colour : {false, true}) {
        QImage img(10, 3, colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
        img.fill(qRgb(200, 200, 200));
        if (!colour)
            img = img.convertToFormat(QImage::Format_Indexed8);
        const int bytes = colour ? 120 : 30;
        ASSERT_TRUE(img.save("t.bmp", "BMP"));
        QImage loaded;
        EXPECT_EQ(LoadTemplateFile("t.bmp", 10, 3, bytes, &loaded), TemplateDamage::None);
        EXPECT_EQ(loaded.pixel(9, 2), img.pixel(9, 2));
        EXPECT_EQ(LoadTemplateFile("t.bmp", 10, 4, bytes), TemplateDamage::Unreadable);
        EXPECT_EQ(LoadTemplateFile("t.bmp", 10, 3, colour ? 30 : 120), TemplateDamage::Unreadable);
        // One byte short of the last row is a cut picture, whatever Qt would make of it.
        QFile f("t.bmp");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.resize(f.size() - 1));
        loaded = QImage();
        EXPECT_EQ(LoadTemplateFile("t.bmp", 10, 3, bytes, &loaded), TemplateDamage::Cut) << colour;
        EXPECT_TRUE(loaded.isNull());
    }
    ASSERT_TRUE(dir.write("empty.bmp", ""));
    EXPECT_EQ(LoadTemplateFile("empty.bmp", 10, 3, 30), TemplateDamage::Empty);
    ASSERT_TRUE(QDir().mkdir("folder.bmp"));
    EXPECT_EQ(LoadTemplateFile("folder.bmp", 10, 3, 30), TemplateDamage::NotAFile);
    EXPECT_EQ(LoadTemplateFile("missing.bmp", 10, 3, 30), TemplateDamage::Missing);
    ASSERT_TRUE(dir.write("garbage.bmp", QByteArray(200, 'x')));
    EXPECT_EQ(LoadTemplateFile("garbage.bmp", 10, 3, 30), TemplateDamage::Unreadable);
}
