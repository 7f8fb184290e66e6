#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlTableModel>
#include <QHeaderView>
#include <QTableView>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "settings/helpwidget.h"
#include "settings/recorddays.h"
#include "settings/systemlogwidget.h"
#include "widgets/pagecontrolbar.h"

namespace {
class SystemLogPage : public ::testing::Test {
protected:
    ProgramDir dir;
    QSqlTableModel* model = nullptr;
    SystemLogWidget* page = nullptr;

    void load(int rows)
    {
        ASSERT_TRUE(MakeRecordDb(dir.file("RECORD.db"), LongDayRows(rows)));
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "logPageTest");
        db.setDatabaseName(dir.file("RECORD.db"));
        ASSERT_TRUE(db.open());
        page = new SystemLogWidget;
        model = new QSqlTableModel(page, db);
        model->setTable("RECORD");
        model->select();
        page->table()->setModel(model);
        page->show();
        page->modelChange();
    }
    void TearDown() override
    {
        delete page;
        QSqlDatabase::removeDatabase("logPageTest");
    }
    int position() const { return page->table()->verticalScrollBar()->value(); }
};
}  // namespace

TEST_F(SystemLogPage, ALongDayIsCountedWholeAndTheBarPagesThroughIt)
{
    load(700);
    EXPECT_EQ(model->rowCount(), 700) << "rows beyond the first fetch are counted";
    const int perPage = 810 / page->table()->rowHeight(0) - 1;
    EXPECT_EQ(page->pagesFound(), 700 / perPage + 1 + (700 % perPage ? 1 : 0));
    QScrollBar* bar = page->table()->verticalScrollBar();
    const int step = bar->maximum() / page->pagesFound();
    ASSERT_GT(step, 0);

    page->pageBar()->nextButton()->click();
    EXPECT_EQ(position(), step);
    EXPECT_TRUE(page->pageBar()->pageButton(2)->isChecked());
    page->pageBar()->lastButton()->click();
    EXPECT_EQ(position(), bar->maximum());
    page->pageBar()->nextButton()->click();
    EXPECT_EQ(position(), bar->maximum());
    page->pageBar()->previousButton()->click();
    EXPECT_EQ(position(), bar->maximum() - step);
    page->pageBar()->firstButton()->click();
    EXPECT_EQ(position(), 0);
    EXPECT_TRUE(page->pageBar()->pageButton(2)->isChecked()) << "position 0 leaves the buttons";
    page->pageBar()->pageButton(3)->click();
    EXPECT_EQ(position(), 2 * step);
}

TEST_F(SystemLogPage, AnEmptyDayHasNoPagesAndTheBarStaysStill)
{
    load(0);
    EXPECT_EQ(page->pagesFound(), 0);
    EXPECT_EQ(page->pageCount(nullptr), -1);
    page->pageBar()->nextButton()->click();
    EXPECT_EQ(position(), 0);
}

namespace {
class HelpPage : public ::testing::Test {
protected:
    ProgramDir dir;
    void SetUp() override
    {
        gShowW = 1725;
        gShowH = 982;
        gHelpC = 0;
    }
    void TearDown() override
    {
        gLan = 0;
        gHelpC = 0;
    }
    void pictures(const QString& folder, int count)
    {
        for (int i = 0; i < count; ++i) {
            QPixmap p(8, 8);
            p.fill(QColor(i * 40, 0, 0));
            QDir().mkpath(dir.file(folder));
            ASSERT_TRUE(p.save(dir.file(QString("%1/%2.png").arg(folder).arg(i, 2, 10, QChar('0')))));
        }
    }
};
}  // namespace

TEST_F(HelpPage, ButtonsWrapOverTheEnglishManualAndTheAlarmPageFallsBackToTheLast)
{
    pictures("help", 5);
    pictures("help-en", 3);
    gLan = 2;
    HelpWidget help;
    EXPECT_EQ(help.pages(), 3);
    help.button(0)->click();
    EXPECT_EQ(gHelpC, 2);
    help.button(1)->click();
    EXPECT_EQ(gHelpC, 0);
    help.button(2)->click();
    EXPECT_EQ(help.shownPage(), 2);
    gHelpC = 6;  // the region page's help button
    EXPECT_EQ(help.shownPage(), 2);
    help.show();
    help.button(3)->click();  // Return: the first page, still shown
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(gHelpC, 0);
    EXPECT_EQ(help.shownPage(), 0);
}

TEST_F(HelpPage, WithoutPicturesTheCameraPictureIsTheOnePage)
{
    HelpWidget help;
    EXPECT_EQ(help.pages(), 1);
    help.button(1)->click();
    help.button(0)->click();
    EXPECT_EQ(gHelpC, 0);
    EXPECT_FALSE(help.grab().isNull());
}

TEST(RecordTable, NewestRowFirstUnderTheThreeHeadersAtTheirWidths)
{
    static bool texts = false;
    if (!texts) {
        Data_Init();
        texts = true;
    }
    ProgramDir dir;
    QDir().mkpath(dir.file("RECORD"));
    ASSERT_TRUE(MakeRecordDb(dir.file("RECORD/2026-12-01.db"),
                             {{"08.00.01", "Primary", "first"}, {"17.30.00", "Advanced", "last"},
                              {"12.00.00", "Primary", "noon"}}));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "recordTableTest");
        db.setDatabaseName(dir.file("RECORD/2026-12-01.db"));
        ASSERT_TRUE(db.open());
        gLan = 1;
        QTableView table;
        QSqlTableModel* model = NewRecordModel(&table, db);
        ShowRecordModel(&table, model);
        EXPECT_EQ(model->data(model->index(0, 2)).toString(), "last");
        EXPECT_EQ(model->data(model->index(2, 2)).toString(), "first");
        EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Time");
        EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "User");
        EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Operation content");
        EXPECT_EQ(table.columnWidth(0), 120);
        EXPECT_EQ(table.columnWidth(1), 125);
        EXPECT_EQ(table.columnWidth(2), 1330);
        EXPECT_FALSE(table.verticalHeader()->isVisible());
        gLan = 0;
    }
    QSqlDatabase::removeDatabase("recordTableTest");
}
