// The gallery tool writes a picture of every widget in each language.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/programdir.h"

TEST(WidgetGallery, SavesEveryWidgetInThreeLanguages)
{
    QTemporaryDir out;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    tool.setProcessEnvironment(env);
    tool.start(buildDir() + "/widgetgallery", {out.path()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QStringList files = QDir(out.path()).entryList({"*.png"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size() % 3, 0);
    EXPECT_GE(files.size(), 30 * 3);
    for (const char* name : {"digitalkeyboard", "fullkeyboard", "numberinput", "numcharinput", "warnbox",
                             "choosebox", "passwordbox", "bmessagebox_yesno", "slider", "bverticaltabbar"}) {
        for (int lan = 0; lan < 3; ++lan) {
            const QImage img(out.path() + QString("/%1_%2.png").arg(name).arg(lan));
            ASSERT_FALSE(img.isNull()) << name << " " << lan;
            bool varied = false;  // not a blank grab
            for (int y = 0; y < img.height() && !varied; y += 7)
                for (int x = 0; x < img.width() && !varied; x += 7)
                    varied = img.pixel(x, y) != img.pixel(0, 0);
            EXPECT_TRUE(varied) << name << " " << lan;
        }
    }
    // Languages differ where texts differ.
    EXPECT_NE(QImage(out.path() + "/warnbox_0.png"), QImage(out.path() + "/warnbox_1.png"));
}
