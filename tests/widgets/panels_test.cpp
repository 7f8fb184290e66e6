// Settings frame, paging row, fine-tuning pad, zoom knob and the splash.
#include <QLabel>
#include <QSignalSpy>
#include <QStackedLayout>

#include "widgetfixture.h"
#include "widgets/blineedit.h"
#include "widgets/bsplashscreen.h"
#include "widgets/bverticaltabbar.h"
#include "widgets/finetuningdialog.h"
#include "widgets/pagecontrolbar.h"
#include "widgets/splashwidget.h"
#include "widgets/splitline.h"
#include "widgets/textrow.h"
#include "widgets/zoomwidget.h"

class PanelTest : public WidgetTest {};

TEST_F(PanelTest, TabGroupsAddInOrderAndOnlyTheFirstIsChecked)
{
    BVerticalTabBar bar;
    QPixmap icon(46, 46);
    icon.fill(Qt::blue);
    bar.addWidgetGroup(icon, {"a", "b"}, {new QWidget});  // lengths differ: nothing
    bar.addWidgetGroup(icon, {}, {});
    EXPECT_TRUE(bar.tabButtons().isEmpty());

    auto* p0 = new QWidget;
    auto* p1 = new QWidget;
    auto* p2 = new QWidget;
    bar.addWidgetGroup(icon, {"System", textRow(575)}, {p0, p1});
    bar.addWidgetGroup(icon, {textRow(431)}, {p2});
    ASSERT_EQ(bar.tabButtons().size(), 3);
    EXPECT_TRUE(bar.tabButtons()[0]->isChecked());
    EXPECT_FALSE(bar.tabButtons()[2]->isChecked());
    EXPECT_EQ(bar.titleLabel()->text(), "System");
    EXPECT_EQ(bar.pageStack()->currentWidget(), p0);
    EXPECT_EQ(p2->parent(), &bar);
    bar.resize(1920, 1000);
    bar.show();
    EXPECT_LT(bar.tabButtons()[1]->y(), bar.tabButtons()[2]->y() - 80);  // the group gap

    QSignalSpy record(&bar, &BVerticalTabBar::recordshow);
    QSignalSpy memo(&bar, &BVerticalTabBar::Memorandum);
    QSignalSpy device(&bar, &BVerticalTabBar::DeviPara);
    QSignalSpy exits(&bar, &BVerticalTabBar::Exitsetup);
    QTest::mouseClick(bar.tabButtons()[1], Qt::LeftButton);
    EXPECT_EQ(record.count(), 1);
    EXPECT_EQ(bar.pageStack()->currentWidget(), p1);
    EXPECT_EQ(bar.titleLabel()->text(), textRow(575));
    QTest::mouseClick(bar.tabButtons()[2], Qt::LeftButton);
    EXPECT_EQ(device.count(), 1);
    EXPECT_TRUE(bar.tabButtons()[2]->isChecked());
    EXPECT_FALSE(bar.tabButtons()[1]->isChecked());
    QTest::mouseClick(bar.tabButtons()[0], Qt::LeftButton);
    EXPECT_EQ(record.count() + memo.count() + device.count(), 2);
    QTest::mouseClick(bar.exitButton(), Qt::LeftButton);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(bar.exitButton()->text(), "Exit setup");
}

TEST_F(PanelTest, TabSignalsFollowTheLanguageOfTheCaption)
{
    BVerticalTabBar bar;
    QPixmap icon;
    gLan = 0;
    bar.addWidgetGroup(icon, {textRow(576)}, {new QWidget});
    QSignalSpy memo(&bar, &BVerticalTabBar::Memorandum);
    QTest::mouseClick(bar.tabButtons()[0], Qt::LeftButton);
    EXPECT_EQ(memo.count(), 1);
    gLan = 1;  // the caption is now another language's text
    QTest::mouseClick(bar.tabButtons()[0], Qt::LeftButton);
    EXPECT_EQ(memo.count(), 1);
}

TEST_F(PanelTest, PagingRowLaysOutItsControls)
{
    PageControlBar bar;
    bar.resize(1200, 70);
    bar.show();
    EXPECT_EQ(bar.height(), 70);
    EXPECT_TRUE(bar.pageButton(2)->isCheckable());
    QTest::mouseClick(bar.pageButton(2), Qt::LeftButton);
    QTest::mouseClick(bar.pageButton(3), Qt::LeftButton);
    EXPECT_FALSE(bar.pageButton(2)->isChecked());
    EXPECT_TRUE(bar.pageButton(3)->isChecked());
    EXPECT_EQ(bar.pageButton(5), nullptr);
    EXPECT_LT(bar.firstButton()->x(), bar.previousButton()->x());
    EXPECT_LT(bar.pageField()->x(), bar.nextButton()->x());
    EXPECT_LT(bar.nextButton()->x(), bar.lastButton()->x());
    EXPECT_FALSE(bar.firstButton()->icon().isNull());
    answerDialogs([](QDialog& d) {
        clickKey(&d, "3");
        clickKey(&d, "Confirm");
    });
    click(bar.pageField());
    EXPECT_EQ(bar.pageField()->text(), "3");
}

TEST_F(PanelTest, FineTuningArrowsRepeatWholePictureOnce)
{
    FinetuningDialog pad;
    pad.show();
    EXPECT_EQ(pad.size(), QSize(165, 165));
    QTest::mouseClick(pad.upButton(), Qt::LeftButton);
    QTest::mouseClick(pad.leftButton(), Qt::LeftButton);
    QTest::mouseClick(pad.rightButton(), Qt::LeftButton);
    QTest::mouseClick(pad.downButton(), Qt::LeftButton);
    EXPECT_EQ(host.calls, (QStringList{"T", "L", "R", "B"}));
    host.calls.clear();
    QTest::mousePress(pad.rightButton(), Qt::LeftButton);
    QTest::qWait(pad.rightButton()->autoRepeatDelay() + 2 * pad.rightButton()->autoRepeatInterval() + 40);
    QTest::mouseRelease(pad.rightButton(), Qt::LeftButton);
    EXPECT_GE(host.calls.count("R"), 2);
    host.calls.clear();
    QTest::mousePress(pad.wholeButton(), Qt::LeftButton);
    QTest::qWait(pad.rightButton()->autoRepeatDelay() + 2 * pad.rightButton()->autoRepeatInterval() + 40);
    QTest::mouseRelease(pad.wholeButton(), Qt::LeftButton);
    EXPECT_EQ(host.calls, QStringList{"all"});
}

TEST_F(PanelTest, ZoomKnobStepsAndSpringsBack)
{
    ZoomWidget zoom;
    zoom.show();
    EXPECT_EQ(zoom.size(), QSize(86, 192));
    QSignalSpy steps(&zoom, &ZoomWidget::zoomSignal);
    QTest::mousePress(&zoom, Qt::LeftButton, Qt::NoModifier, QPoint(43, 96));
    QMouseEvent up(QEvent::MouseMove, QPointF(43, 70), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&zoom, &up);
    EXPECT_EQ(steps.last()[0].toInt(), 49);
    QMouseEvent down(QEvent::MouseMove, QPointF(43, 156), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&zoom, &down);
    EXPECT_EQ(steps.last()[0].toInt(), -100);
    EXPECT_EQ(zoom.knobOffset(), 53);
    QTest::mouseRelease(&zoom, Qt::LeftButton, Qt::NoModifier, QPoint(43, 156));
    EXPECT_EQ(zoom.knobOffset(), 0);
    EXPECT_EQ(steps.count(), 2);

    // A press outside the knob keeps the old press point.
    QTest::mousePress(&zoom, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(zoom.pressPoint(), QPoint(43, 96));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 96 - 60), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&zoom, &move);
    EXPECT_EQ(steps.last()[0].toInt(), 100);
    EXPECT_EQ(zoom.knobOffset(), -53);
}

TEST_F(PanelTest, SplitLinesAndSplash)
{
    QWidget parent;
    QWidget* v = createVerticalSplitLine(&parent, "#656263");
    QWidget* h = createHorizontalSplitLine(&parent, "#d3d3d3");
    EXPECT_EQ(v->parent(), &parent);
    EXPECT_EQ(v->maximumWidth(), 1);
    EXPECT_EQ(h->maximumHeight(), 1);
    EXPECT_EQ(h->styleSheet(), "background-color:#d3d3d3");

    BSplashScreen splash;
    EXPECT_EQ(splash.size(), QSize(1920, 1080));
    QStringList texts;
    for (QLabel* l : splash.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains(QString::fromUtf8("模内监控器")));
    EXPECT_TRUE(texts.contains("16.0.1.7"));
}
