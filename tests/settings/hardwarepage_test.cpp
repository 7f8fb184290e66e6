// Hardware configuration page: "conf.txt" as label pairs, the live camera count.
#include "settings/pageroundtrip.h"

#include <QGridLayout>
#include <QLabel>

#include "settings/hardwareconfigurationwidget.h"
#include "widgets/colorbutton.h"

namespace {

class HardwarePage : public PageTest {
protected:
    // Texts of grid row r, columns 0 and 1.
    static QStringList Row(HardwareConfigurationWidget& page, int r)
    {
        auto* grid = static_cast<QGridLayout*>(page.layout());
        QStringList texts;
        for (int c = 0; c < 2; ++c) {
            QLayoutItem* item = grid->itemAtPosition(r, c);
            auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
            texts << (label ? label->text() + "|" + label->styleSheet() : QString("-"));
        }
        return texts;
    }
};

TEST_F(HardwarePage, MissingFileGivesOnlyTheConfirmButton)
{
    HardwareConfigurationWidget page(nullptr);
    auto* grid = static_cast<QGridLayout*>(page.layout());
    EXPECT_EQ(grid->count(), 1);
    EXPECT_EQ(grid->itemAtPosition(0, 0)->widget(), page.confirmButton);
    EXPECT_EQ(page.countLabel, nullptr);
}

TEST_F(HardwarePage, PairsColoursAndTheLiveCount)
{
    dir->write("conf.txt", "CPU_type\tx86_64\r\n\nMemory\n\nCount\t9\nDisk\t64G\textra\n");
    numCamera = 3;
    gCameraID = 4;
    HardwareConfigurationWidget page(nullptr);
    EXPECT_EQ(Row(page, 0), (QStringList{"CPU type|color:yellow;", "x86 64|color:yellow;"}));
    EXPECT_EQ(Row(page, 1), (QStringList{"Memory|color:cyan;", "|color:cyan;"})) << "a key without value";
    EXPECT_EQ(Row(page, 3), (QStringList{"Disk|color:yellow;", "64G|color:yellow;"})) << "a second TAB ends the value";
    ASSERT_NE(page.countLabel, nullptr);
    page.show();
    EXPECT_EQ(page.countLabel->text(), "3") << "not the file's 9";
    page.hide();
    gCameraID = 0;
    page.show();
    EXPECT_EQ(page.countLabel->text(), "0") << "no camera make found";
    auto* grid = static_cast<QGridLayout*>(page.layout());
    EXPECT_EQ(grid->itemAtPosition(4, 0)->widget(), page.confirmButton);
    page.confirmButton->click();
    EXPECT_FALSE(page.isVisible());
}

TEST_F(HardwarePage, MapFormLaterLineWins)
{
    dir->write("conf.txt", "A\t1\nB_x\t2\nA\t3\n");
    QMap<QString, QString> map;
    HardwareConfigurationWidget::loadConfiguration(map);
    EXPECT_EQ(map, (QMap<QString, QString>{{"A", "3"}, {"B x", "2"}}));
    QList<QPair<QString, QString>> list;
    HardwareConfigurationWidget::loadConfiguration(list);
    EXPECT_EQ(list.size(), 3);
}

}  // namespace
