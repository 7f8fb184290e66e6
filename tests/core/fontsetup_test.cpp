#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSet>

#include "core/fontsetup.h"
#include "core/uitexttable.h"

// Each family the screens name resolves, by an explicit substitution, to an installed CJK font
// that draws both Chinese scripts.
TEST(FontSetup, ScreenFamiliesResolveToCjkFonts)
{
    ASSERT_TRUE(InstallFontSubstitutions());
    const QString sample = QString::fromUtf8("检測參數確认警告功能：");
    for (const QString& family : ScreenFontFamilies()) {
        const QStringList subs = QFont::substitutes(family);
        ASSERT_FALSE(subs.isEmpty()) << family.toStdString();
        for (const QString& s : subs)  // Qt keeps substitutes in lower case
            EXPECT_TRUE(CjkFontFamilies().contains(s, Qt::CaseInsensitive)) << s.toStdString();

        QFont font(family);
        font.setPixelSize(30);
        const QFontInfo info(font);
        EXPECT_TRUE(CjkFontFamilies().contains(info.family())) << family.toStdString() << " -> "
                                                               << info.family().toStdString();
        const QFontMetrics fm(font);
        for (const QChar c : sample)
            EXPECT_TRUE(fm.inFont(c)) << family.toStdString() << " lacks U+" << std::hex << c.unicode();

        const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
        ASSERT_TRUE(raw.isValid()) << family.toStdString();
        EXPECT_TRUE(CjkFontFamilies().contains(raw.familyName())) << raw.familyName().toStdString();
        EXPECT_TRUE(raw.supportsCharacter(QChar(0x6AA2)));  // 檢
    }
    EXPECT_EQ(QFont::substitutes("SourceHanSansCN-Medium").value(0).toLower(), QString("noto sans cjk sc"));
}

// No text of the table shows a box: every character of every language is in the fonts the
// screens draw with.
TEST(FontSetup, EveryTableTextHasItsGlyphs)
{
    Data_Init();
    for (const QString& family : ScreenFontFamilies()) {
        QFont font(family);
        font.setPixelSize(24);
        const QFontMetrics fm(font);
        QSet<QChar> missing;
        for (int i = 0; i < LAN_ROWS * LAN_COUNT; ++i)
            for (const QChar c : gaLanStr[i])
                if (c != '\r' && c != '\n' && !fm.inFont(c))
                    missing.insert(c);
        QString list;
        for (const QChar c : missing)
            list += c;
        EXPECT_TRUE(missing.isEmpty()) << family.toStdString() << " lacks " << list.toStdString();
    }
}

// Drawing Chinese in a screen family puts ink where a font without the glyphs would not
// (offscreen rendering of the same text in both scripts and in English).
TEST(FontSetup, ChineseTextsDrawInk)
{
    Data_Init();
    for (int lan = 0; lan < LAN_COUNT; ++lan) {
        QImage img(400, 60, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        QFont font("wqy-microhei");
        font.setPixelSize(30);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(img.rect(), Qt::AlignLeft | Qt::AlignVCenter, gaLanStr[566 * 3 + lan]);
        p.end();
        int ink = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ink += qGray(img.pixel(x, y)) < 128;
        EXPECT_GT(ink, 200) << lan;
    }
}

// The temperature unit is drawn, not left blank, in every family the screens name.
TEST(FontSetup, DegreeSignDrawsInk)
{
    ASSERT_TRUE(InstallFontSubstitutions());
    for (const QString& family : ScreenFontFamilies()) {
        QImage img(80, 60, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        QFont font(family);
        font.setPixelSize(40);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(img.rect(), Qt::AlignCenter, QString::fromUtf8("℃"));
        p.end();
        int ink = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ink += qGray(img.pixel(x, y)) < 128;
        EXPECT_GT(ink, 30) << family.toStdString();
    }
}
