// The measure finds what an operator sees cut: captions wider than their widget's room after
// padding, indicator, icon and arrow, captions clipped by a parent or a scroll area, painted
// captions, and controls partly outside their window; it leaves whole captions alone.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "textmeasure.h"
#include "widgets/paintedtexts.h"

namespace {

QFont Px(int px)
{
    QFont f;
    f.setPixelSize(px);
    return f;
}

class Painted : public QWidget, public PaintedTexts {
public:
    QString text;
    QRect room;
    QList<PaintedText> paintedTexts() const override { return {{text, Px(20), room}}; }
};

class Measure : public ::testing::Test {
protected:
    QWidget window;
    void SetUp() override { window.resize(600, 400); }
    QList<TextMiss> Shown()
    {
        window.show();
        return MeasureWindow(&window);
    }
};

TEST_F(Measure, LabelsFitByTheirAlignmentAndWrapByWords)
{
    auto* whole = new QLabel("OK", &window);
    whole->setFont(Px(20));
    whole->setGeometry(0, 0, 100, 30);
    auto* cut = new QLabel("Execution process", &window);
    cut->setFont(Px(20));
    cut->setGeometry(0, 40, 60, 30);
    // Right-aligned in a label wider than its parent's right edge leaves: the end of the text is gone.
    auto* clipped = new QLabel("9.09091%", &window);
    clipped->setFont(Px(20));
    clipped->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clipped->setGeometry(500, 80, 200, 30);
    auto* wrapped = new QLabel(QString::fromUtf8("Please restore the parameter group 请还原参数组"), &window);
    wrapped->setWordWrap(true);
    wrapped->setFont(Px(20));
    wrapped->setGeometry(0, 120, 120, 200);
    const QList<TextMiss> misses = Shown();
    ASSERT_EQ(misses.size(), 2);
    EXPECT_EQ(misses[0].text, "Execution process");
    EXPECT_GT(misses[0].need, 60);
    EXPECT_EQ(misses[0].room, 60);
    EXPECT_EQ(misses[1].text, "9.09091%");
    EXPECT_LT(misses[1].room, misses[1].need);

    wrapped->setFixedHeight(30);  // two lines needed, one given
    const QList<TextMiss> high = Shown();
    ASSERT_EQ(high.size(), 3);
    EXPECT_TRUE(high[2].widget.endsWith("(height)"));
}

TEST_F(Measure, ButtonsCountPaddingIndicatorAndIcon)
{
    auto* padded = new QPushButton("Device parameters", &window);
    padded->setStyleSheet("QPushButton{font-size:22px;text-align:left;padding:0px 0px 0px 130px;}");
    padded->setGeometry(0, 0, 300, 60);
    auto* check = new QCheckBox("Two-color", &window);
    check->setStyleSheet("QCheckBox{font-size:22px;} QCheckBox::indicator{width:95px;height:50px;}");
    check->setGeometry(0, 70, 150, 60);
    auto* radio = new QRadioButton("A", &window);
    radio->setStyleSheet("QRadioButton{font-size:22px;}");
    radio->setGeometry(0, 140, 150, 60);
    const QList<TextMiss> misses = Shown();
    ASSERT_EQ(misses.size(), 2);
    EXPECT_EQ(misses[0].text, "Device parameters");
    EXPECT_EQ(misses[0].room, 300 - 130 - 2);  // less the padding and the border
    EXPECT_EQ(misses[1].text, "Two-color");
    EXPECT_LT(misses[1].room, 150 - 95);
}

TEST_F(Measure, ButtonCaptionOnTwoLinesNeedsTheirHeight)
{
    auto* b = new QPushButton("calibrate\r\n touch screen", &window);
    b->setStyleSheet("QPushButton{font-size:22px;}");
    b->setGeometry(0, 0, 200, 50);
    const QList<TextMiss> misses = Shown();
    ASSERT_EQ(misses.size(), 1);
    EXPECT_TRUE(misses[0].widget.endsWith("(height)"));
    EXPECT_GT(misses[0].need, misses[0].room);
    b->setStyleSheet("QPushButton{font-size:16px;}");
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(Measure, ComboCurrentTextBesideItsArrow)
{
    auto* combo = new QComboBox(&window);
    combo->addItems({"one", "Mold open to position"});
    combo->setStyleSheet("QComboBox{padding:1px 32px 1px 32px;font-size:22px;}"
                         "QComboBox::drop-down{subcontrol-origin:padding;subcontrol-position:top right;width:50px;}");
    combo->setGeometry(0, 0, 180, 50);
    EXPECT_TRUE(Shown().isEmpty());
    combo->setCurrentIndex(1);
    const QList<TextMiss> misses = Shown();
    ASSERT_EQ(misses.size(), 1);
    EXPECT_EQ(misses[0].text, "Mold open to position");
    EXPECT_LT(misses[0].room, 180 - 32 - 32 + 1);
}

TEST_F(Measure, ScrollAreaNarrowerThanItsColumnCutsTheCaptions)
{
    auto* area = new QScrollArea(&window);
    area->setGeometry(0, 0, 200, 150);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* column = new QWidget;
    column->setFixedSize(200, 400);
    auto* tab = new QPushButton("Advanced features", column);
    tab->setFont(Px(26));
    tab->setGeometry(0, 0, 200, 60);
    auto* below = new QPushButton("x", column);
    below->setGeometry(0, 300, 60, 60);  // scrolled out of sight, not cut
    area->setWidget(column);
    const QList<TextMiss> misses = Shown();
    ASSERT_EQ(misses.size(), 2);
    EXPECT_TRUE(misses[0].widget.contains("outside")) << misses[0].Line().toStdString();
    EXPECT_LT(misses[0].room, 200);
    EXPECT_EQ(misses[1].text, "Advanced features");
}

TEST_F(Measure, ControlPartlyOutsideItsWindowAndPaintedCaptions)
{
    auto* confirm = new QPushButton("OK", &window);
    confirm->setGeometry(550, 300, 100, 50);
    auto* painted = new Painted;
    painted->setParent(&window);
    painted->setGeometry(0, 0, 300, 50);
    painted->text = "Output count";
    painted->room = QRect(0, 0, 300, 50);
    auto* hidden = new QPushButton("a caption far too long for its button", &window);
    hidden->setGeometry(0, 60, 20, 20);
    hidden->hide();
    QList<TextMiss> misses = Shown();
    ASSERT_EQ(misses.size(), 1);
    EXPECT_EQ(misses[0].need, 100);
    EXPECT_EQ(misses[0].room, 50);
    EXPECT_TRUE(misses[0].text.isEmpty());

    painted->room = QRect(0, 0, 40, 50);  // a legend swatch over the text's first characters
    misses = Shown();
    ASSERT_EQ(misses.size(), 2);
    EXPECT_EQ(misses[1].text, "Output count");
    EXPECT_EQ(misses[1].room, 40);
}

}  // namespace
