#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPixmap>

#include "common/programdir.h"
#include "core/uitexttable.h"

TEST(SharedPictures, CompiledInPicturesLoadAndProgramFilesMayBeMissing)
{
    ProgramDir dir;  // no images/ folder
    Data_Init();
    ASSERT_NE(gpPixmapLogo, nullptr);
    EXPECT_FALSE(gpPixmapLogo->isNull());
    EXPECT_EQ(gpPixmapBG->size(), QSize(680, 250));
    EXPECT_FALSE(gpPixmapSlideru->isNull());
    EXPECT_FALSE(gpPixmapSliderd->isNull());
    EXPECT_FALSE(gpPixmapSlidert->isNull());
    EXPECT_EQ(gpPixmapOUT[0]->size(), QSize(70, 80));
    EXPECT_EQ(gpPixmapOUT[1]->size(), QSize(70, 80));
    // The down button differs from the up one, and the on lamp from the off one.
    EXPECT_NE(gpPixmapButton[0]->toImage(), gpPixmapButton[1]->toImage());
    EXPECT_NE(gpPixmapOUT[0]->toImage(), gpPixmapOUT[1]->toImage());
    EXPECT_FALSE(gpPixmapMove[5]->isNull());
    EXPECT_EQ(gpPixmapMove[5]->toImage(), gpPixmapMove[6]->toImage());

    // Files of the program directory: missing files are null pictures, nothing fails.
    EXPECT_TRUE(gpPixmapEdit->isNull());
    EXPECT_TRUE(gpPixmapTitle->isNull());
    EXPECT_TRUE(gpPixmapLine->isNull());
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(gpPixmapMove[i]->isNull()) << i;
    for (QPixmap* p : gpPixmapUser)
        EXPECT_TRUE(p->isNull());
}

TEST(SharedPictures, InstalledProgramPicturesLoadIntoTheSameObjects)
{
    ProgramDir dir;
    QPixmap* edit = gpPixmapEdit;
    ASSERT_TRUE(InstallProgramImages(dir.path()));
    for (const QString& name : ProgramImageNames())
        EXPECT_TRUE(QFile::exists(dir.file("images/" + name))) << name.toStdString();
    Data_Init();
    if (edit) {
        EXPECT_EQ(gpPixmapEdit, edit);  // pointers handed out earlier stay valid
    }
    EXPECT_FALSE(gpPixmapEdit->isNull());
    EXPECT_FALSE(gpPixmapTitle->isNull());
    EXPECT_FALSE(gpPixmapLine->isNull());
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(gpPixmapMove[i]->isNull()) << i;
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(gpPixmapUser[i]->isNull()) << i;
    // Checked and plain user pictures are told apart.
    EXPECT_NE(gpPixmapUser[0]->toImage(), gpPixmapUser[1]->toImage());

    // A file removed later reads as a null picture on the next load.
    QFile::remove(dir.file("images/edit.png"));
    Data_Init();
    EXPECT_TRUE(gpPixmapEdit->isNull());
}

TEST(SharedPictures, InstallingIntoAnUnusableDirectoryFails)
{
    ProgramDir dir;
    ASSERT_TRUE(dir.write("images", "not a directory"));
    EXPECT_FALSE(InstallProgramImages(dir.path()));
    EXPECT_EQ(dir.read("images"), QByteArray("not a directory"));
}
