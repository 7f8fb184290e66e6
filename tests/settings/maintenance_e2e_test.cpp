// The real program under a private X server in dry run, driven by touches (xdotool): the log page
// of a long day, the network page's connection test and the help page visited; a parameter group
// backed up from the advanced parameters page; then the shut-down of the system functions page
// answered Yes and, at the restart question, No.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/xscreen.h"
#include "core/uitexttable.h"

namespace {
// Screen positions at 1920 x 1080.
const QPoint kSettingsButton(1821, 407);
// The tab column's scroll bar: its handle at the top dragged to the end, and back.
const QPoint kTabScrollTop(334, 435), kTabScrollBottom(334, 1060), kTabScrollHandleLow(334, 800),
    kTabScrollTopEnd(334, 60);
const QPoint kSystemFunctionTab(174, 218), kNetworkTab(174, 599), kSystemLogTab(174, 788);
// With the tab column scrolled to its end.
const QPoint kAdvancedParamTab(174, 738), kHelpTab(153, 1007);
const QPoint kLogNextPage(1598, 1032);
const QPoint kNetworkTest(714, 768);
const QPoint kHelpNext(933, 1050), kHelpAlarm(1090, 1050);
const QPoint kGroupName(704, 252), kBackup(874, 252);
// The full keyboard of the group-name field.
const QPoint kKeyLowerCase(456, 580), kKeyG(949, 580), kKey1(456, 394), kKeyConfirm(1419, 673);
const QPoint kShutDown(1034, 522);

class MaintenanceE2E : public ::testing::Test {
protected:
    ProgramDir dir;
    XScreen screen;
    std::unique_ptr<CycleRig> rig;

    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        static bool texts = false;
        if (!texts) {
            Data_Init();
            texts = true;
        }
        ASSERT_TRUE(screen.Start());
        rig.reset(new CycleRig(dir.path()));
        ASSERT_TRUE(rig->Prepare(CycleRigSetup{}));
        LongDay();
        HelpPictures();
        // The board simulator stops answering once its output pipe is full: read it while waiting.
        screen.idle = [this] { rig->board()->lines(); };
        ASSERT_GE(rig->Launch({"QT_QPA_PLATFORM=xcb", "DISPLAY=" + screen.display(), "XDG_RUNTIME_DIR=" + dir.path()}), 0)
            << rig->Log().toStdString();
        screen.Settle(1500);
    }
    void TearDown() override
    {
        rig.reset();
        screen.Stop();
    }

    // Today's record with many rows and two archived days, for the log page.
    void LongDay()
    {
        QDir().mkpath(dir.file("RECORD"));
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORD/2026-11-30.db"), {{"09.00.00", "Primary", "archived"}}));
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORD/2026-12-01.db"), {{"09.00.00", "Primary", "archived"}}));
        QFile::remove(dir.file("RECORD.db"));
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), LongDayRows(400)));
    }
    // Three manual pages.
    void HelpPictures()
    {
        QDir().mkpath(dir.file("help"));
        for (int i = 1; i <= 3; ++i) {
            QImage page(1725, 982, QImage::Format_RGB32);
            page.fill(QColor(250, 250, 245));
            QPainter p(&page);
            p.setFont(QFont("Noto Sans CJK SC", 60));
            p.drawText(page.rect(), Qt::AlignCenter, QString::fromUtf8("操作手册 第 %1 页").arg(i));
            p.end();
            ASSERT_TRUE(page.save(dir.file(QString("help/%1.png").arg(i, 2, 10, QChar('0')))));
        }
    }
    // Answers No to each box up, as long as one comes within a second (the commit's save
    // question, should it find something to save; the restart question).
    void DeclineBoxes(int most)
    {
        for (int i = 0; i < most; ++i) {
            QRect box;
            for (int t = 0; t < 10 && box.isNull(); ++t) {
                box = screen.Box();
                if (box.isNull())
                    screen.Settle(100);
            }
            if (box.isNull())
                return;
            screen.Touch(XScreen::NoOf(box), 1500);
        }
    }
    bool AnswerYes()
    {
        for (int t = 0; t < 30; ++t) {
            const QRect box = screen.Box();
            if (!box.isNull()) {
                screen.Touch(XScreen::YesOf(box), 1500);
                return true;
            }
            screen.Settle(100);
        }
        return false;
    }
};
}  // namespace

TEST_F(MaintenanceE2E, BackUpAGroupThenShutDownAnsweringNoToTheRestart)
{
    screen.Shot("01-main");
    screen.Touch(kSettingsButton);
    screen.Shot("02-settings");
    screen.Touch(kSystemLogTab);
    screen.Shot("02a-log");
    screen.Touch(kLogNextPage);
    screen.Shot("02b-log-next");
    screen.Touch(kNetworkTab);
    screen.Touch(kNetworkTest, 1500);  // the program's namespace has no default route
    screen.Shot("02c-network-test");
    screen.Drag(kTabScrollTop, kTabScrollBottom);
    screen.Touch(kHelpTab);
    screen.Shot("03a-help");
    screen.Touch(kHelpAlarm);  // three pages, so the last
    screen.Shot("03b-help-alarm");
    screen.Touch(kHelpNext);  // wraps to the first
    screen.Shot("03c-help-next");
    EXPECT_EQ(rig->process().state(), QProcess::Running);

    screen.Touch(kAdvancedParamTab);
    screen.Touch(kGroupName);
    screen.Touch(kKeyLowerCase);
    screen.Touch(kKeyG);
    screen.Touch(kKey1);
    screen.Touch(kKeyConfirm);
    screen.Touch(kBackup);
    screen.Shot("04-backup-question");
    ASSERT_TRUE(AnswerYes());
    DeclineBoxes(1);
    screen.Shot("05-backed-up");
    EXPECT_TRUE(QFileInfo(dir.file("paraGroup/g1/PARAM.db")).isFile());
    EXPECT_TRUE(QFileInfo(dir.file("paraGroup/g1/cammer11")).isDir());

    screen.Drag(kTabScrollHandleLow, kTabScrollTopEnd);
    screen.Touch(kSystemFunctionTab);
    screen.Touch(kShutDown);
    screen.Shot("06-power-question");
    ASSERT_TRUE(AnswerYes());
    screen.Settle(1000);  // the watchdog stop takes a second
    DeclineBoxes(2);
    screen.Shot("07-after");

    EXPECT_TRUE(rig->WaitFor([this] { return rig->Log().contains("dry run, skipped: init 0"); }, 5000))
        << rig->Log().right(3000).toStdString();
    EXPECT_FALSE(rig->Log().contains("dry run, skipped: reboot"));
    QStringList texts;
    for (const QStringList& row : RecordRows(dir.file("RECORD.db")))
        texts << row.value(2);
    EXPECT_TRUE(texts.contains(gaLanStr[292 * LAN_COUNT + rig->language()])) << texts.mid(400).join("|").toStdString();
}
