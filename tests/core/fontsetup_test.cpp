#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRawFont>

#include "core/fontsetup.h"

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
