#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QTabBar>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>

#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "statistics/histogram.h"
#include "statistics/statisticsfigures.h"
#include "statistics/statisticswidget.h"
#include "statistics/temperaturealarm.h"
#include "statistics/temperaturestatisticswidget.h"
#include "statsfixture.h"
#include "widgets/choosebox.h"
#include "widgets/edit.h"
#include "widgets/edittempbox.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace {
QString Row(int row) { return gaLanStr[row * LAN_COUNT + gLan]; }

class ScreenTest : public StatsTest {
protected:
    WizardPara para;
    std::unique_ptr<StatisticsWidget> screen;
    int cycle = 0;
    float temps[8] = {};    // what the board reports
    QStringList asked;      // texts of the modal boxes, in order
    QList<bool> answers;    // answers to the choose boxes, in order (then: no)

    void SetUp() override
    {
        StatsTest::SetUp();
        gLan = 0;
        gShowW = 1725;
        gShowH = 982;
        day = QDate(2024, 5, 2);
        ASSERT_TRUE(ResStatisticsParam::WriteEmptyFiles("."));
        start();
        gpResStatisticsParam = store.get();
        ASSERT_TRUE(CreateDefaultDatabases("."));
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
        db.setDatabaseName("PARAM.db");
        ASSERT_TRUE(db.open());
        gpWPara = &para;
        gisTempAlarm = 0;
        setModalHook([this](QDialog& d) {
            if (auto* c = dynamic_cast<ChooseBox*>(&d)) {
                asked << c->text();
                return (answers.isEmpty() ? false : answers.takeFirst()) ? int(QDialog::Accepted) : int(QDialog::Rejected);
            }
            if (auto* w = dynamic_cast<WarnBox*>(&d))
                asked << w->text();
            return int(QDialog::Accepted);
        });
        StatisticsScreenHost h;
        h.cycleTime = [this] { return cycle; };
        h.temperatures = [this](float* degrees) {
            for (int i = 0; i < 8; ++i)
                degrees[i] = temps[i];
        };
        screen.reset(new StatisticsWidget(nullptr, h));
    }

    void TearDown() override
    {
        screen.reset();
        setModalHook({});
        gpWPara = nullptr;
        QSqlDatabase::database(PARAM_DB_CONNECTION, false).close();
        QSqlDatabase::removeDatabase(PARAM_DB_CONNECTION);
        qunsetenv("MOULDMON_SYSROOT");
        StatsTest::TearDown();
    }

    QString label(const char* name) { return screen->findChild<QLabel*>(name)->text(); }
    QStringList days()
    {
        QStringList out;
        for (int i = 0; i < screen->dayList()->count(); ++i)
            out << screen->dayList()->item(i)->text();
        return out;
    }
    void archive(const QString& day, const QString& detect1Ok, const QString& plan)
    {
        ASSERT_TRUE(ResStatisticsParam::WriteEmptyFiles("arch"));
        ASSERT_TRUE(ExecOn("arch/ResStatistics.db", "update resstatistics set value1='" + detect1Ok + "' where name='Detect1'"));
        ASSERT_TRUE(ExecOn("arch/ResStatistics.db", "update resstatistics set value1='" + plan + "' where name='plan'"));
        ASSERT_TRUE(QFile::rename("arch/ResStatistics.db", "ResStatistics/" + day + ".db"));
    }
    void select(int row)
    {
        screen->dayList()->setCurrentRow(row);
        screen->updateRecord(screen->dayList()->item(row));
    }
};
}  // namespace

TEST(StatisticsFigures, RateAndCycleTexts)
{
    EXPECT_EQ(NgRateText(10, 40), "25%");
    EXPECT_EQ(NgRateText(1, 3), "33.3333%");
    EXPECT_EQ(NgRateText(0, 0), "0%");
    EXPECT_EQ(CycleText(25), "周期  2.5");
    EXPECT_EQ(CycleText(1234), "周期 123.4");
}

// Empty files an earlier version left in the archive after failed copies hold no day: listed,
// each showed its day again with nothing in it.
TEST(StatisticsFigures, TheDayListLeavesOutEmptyArchiveFiles)
{
    ProgramDir dir;
    ASSERT_TRUE(QDir().mkpath("a"));
    dir.write("a/2024-04-30.db", "whole");
    for (const char* name : {"a/2024-05-01.db", "a/2024-05-01_2.db", "a/2024-05-01_3.db"})
        dir.write(name, "");
    dir.write("a/2024-05-01_4.db", "whole");
    EXPECT_EQ(ArchiveDays("a", "2024-05-02"), (QStringList{"2024-05-02", "2024-05-01_4", "2024-04-30"}));
}

TEST_F(ScreenTest, DayFiguresFollowTheShownLists)
{
    store->setFindRes(ParseCounts("30"), ParseCounts("0 0 0 0 0 0 0 0 0 0 0 0 10"));
    cycle = 25;
    screen->updateData();
    EXPECT_EQ(label("morningOk"), "30");
    EXPECT_EQ(label("nightNg"), "10");
    EXPECT_EQ(label("dayTotal"), "40");
    EXPECT_EQ(label("dayNg"), "10");
    EXPECT_EQ(label("ngRate"), "25%");
    EXPECT_EQ(label("cycle"), "周期  2.5");
    EXPECT_EQ(screen->morningChart()->series1().value(0), 30);
    EXPECT_EQ(screen->nightChart()->series2().value(0), 10);

    store->setFindRes(ParseCounts("2"), ParseCounts("1"));
    screen->updateData();
    EXPECT_EQ(label("ngRate"), "33.3333%");
}

// The screen's own fonts (no application style sheet): every caption whole once shown, the long
// English titles drawn smaller, the Chinese ones at the sizes the screen gives them.
TEST_F(ScreenTest, EveryCaptionFitsItsLabelInEveryLanguage)
{
    StatisticsScreenHost h;
    for (int lan = 0; lan < LAN_COUNT; ++lan) {
        gLan = lan;
        StatisticsWidget shown(nullptr, h);
        shown.show();
        QApplication::processEvents();
        int captions = 0;
        for (QLabel* l : shown.findChildren<QLabel*>()) {
            if (l->text().isEmpty() || !l->isVisible())
                continue;
            ++captions;
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width())
                << "language " << lan << ": \"" << l->text().toStdString() << "\"";
            if (l->text() == Row(545))
                EXPECT_EQ(QFontInfo(l->font()).pixelSize() < QFontInfo(QFont("wqy-microhei", 35)).pixelSize(), lan == 1)
                    << "language " << lan;
        }
        EXPECT_GE(captions, 15) << "language " << lan;
        EXPECT_FALSE(shown.tabs()->tabText(0).trimmed().isEmpty()) << "language " << lan;
        QTabBar* bar = shown.tabs()->tabBar();
        EXPECT_EQ(QFontInfo(bar->font()).pixelSize(), 25) << "the tabs are measured in the size they are drawn";
        EXPECT_LE(bar->fontMetrics().horizontalAdvance(bar->tabText(0)), bar->tabRect(0).width()) << "language " << lan;
    }
    gLan = 0;
}

TEST_F(ScreenTest, ArchivedDaysListNewestFirstAndShowReadOnly)
{
    archive("2024-04-30", Counts({5}), "70");
    archive("2024-05-01", Counts({0, 7}), "80");
    store->setCurPlan(100);
    screen->updateList();
    EXPECT_EQ(days(), (QStringList{"2024-05-02", "2024-05-01", "2024-04-30"}));
    EXPECT_TRUE(screen->isToday());
    EXPECT_EQ(screen->planField()->text(), "100");

    select(2);
    EXPECT_FALSE(screen->planField()->isEnabled());
    EXPECT_EQ(label("morningOk"), "5");
    EXPECT_EQ(screen->planField()->text(), "70");
    screen->planField()->setText("12345");
    EXPECT_EQ(rows().value("plan").first, "100");
    EXPECT_EQ(rows("ResStatistics/2024-04-30.db").value("plan").first, "70");

    select(0);
    EXPECT_TRUE(screen->planField()->isEnabled());
    EXPECT_EQ(label("morningOk"), "0");
    screen->planField()->setText("120");
    EXPECT_EQ(rows().value("plan").first, "120");
}

TEST_F(ScreenTest, TemperaturesShowInTenthsAndAlarmOnlyOutsideSetLimits)
{
    TemperatureStatisticsWidget* view = screen->temperatureView();
    temps[0] = 25.37f;
    screen->updateData();
    QStringList shown;
    for (QLabel* l : view->box(0)->findChildren<QLabel*>())
        shown << l->text();
    EXPECT_TRUE(shown.contains("25.3")) << shown.join('|').toStdString();
    // Limits 0/0 (the default): not monitored.
    EXPECT_EQ(gisTempAlarm, 0);
    const QString shots = qEnvironmentVariable("MOULDMON_TEST_SHOTS");
    if (!shots.isEmpty()) {
        screen->show();
        screen->tabs()->setCurrentIndex(1);
        screen->grab().save(shots + "/statistics-temperature.png");
        screen->tabs()->setCurrentIndex(0);
        screen->hide();
    }

    view->box(0)->setValueRange(200, 750);
    temps[0] = 80.0f;
    screen->updateData();
    EXPECT_EQ(gisTempAlarm, 1);
    temps[0] = 75.0f;
    screen->updateData();
    EXPECT_EQ(gisTempAlarm, 0);
}

TEST_F(ScreenTest, ALimitChangedOnTheTabIsSavedWhenLeavingIt)
{
    screen->show();
    screen->tabs()->setCurrentIndex(1);
    screen->temperatureView()->box(2)->setValueRange(150, 640);
    screen->tabs()->setCurrentIndex(0);
    EXPECT_EQ(para.temp_min[2], 150);
    EXPECT_EQ(para.temp_max[2], 640);
    QSqlQuery q(QSqlDatabase::database(PARAM_DB_CONNECTION));
    ASSERT_TRUE(q.exec("select value from sysparam where name='system11'") && q.next());
    const QStringList fields = q.value(0).toString().split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(fields.value(2), "150") << q.value(0).toString().toStdString();
    EXPECT_EQ(fields.value(10), "640");
}

TEST_F(ScreenTest, ExportWritesTheShownDayToTheStickBeforeReportingSuccess)
{
    qputenv("MOULDMON_SYSROOT", dir->path().toLocal8Bit());
    dir->write("proc/mounts", "proc /proc proc rw 0 0\n");
    runner->answer = [this](const RecordedCommand& c) {
        CommandResult r;
        r.started = true;
        r.exitCode = 0;
        if (c.program == "blkid")
            r.out = "/dev/sda1: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n";
        if (c.program == "mount")
            dir->write("proc/mounts", "/dev/sdb1 /mnt vfat rw 0 0\n");
        return r;
    };
    store->setFindRes(ParseCounts("4 1"), ParseCounts("0 2"));
    store->setPlan(300);

    // No stick folder yet: the write fails, the operator is asked again and gives up.
    answers = {true, false};
    screen->SlotExportData();
    EXPECT_EQ(asked, (QStringList{Row(324), Row(320)}));

    asked.clear();
    QDir().mkpath(dir->file("mnt"));
    answers = {true};
    screen->SlotExportData();
    EXPECT_EQ(asked, (QStringList{Row(324), Row(147)}));
    const QStringList files = QDir(dir->file("mnt")).entryList({"*.xls"});
    ASSERT_EQ(files.size(), 1);
    const QString table = QString::fromUtf8(dir->read("mnt/" + files[0]));
    EXPECT_TRUE(table.contains("8\t4\t0\n9\t1\t2\n")) << table.toStdString();
    EXPECT_TRUE(table.contains("morning\t5\t2\n"));
    EXPECT_TRUE(table.contains("plan\t300\n"));
    EXPECT_EQ(runner->lines().last(), "umount /mnt");
}
