// Value entries, switches, buttons and the style-sheet helpers.
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>

#include "widgetfixture.h"
#include "core/uitexttable.h"
#include "widgets/c_slider.h"
#include "widgets/c_type_com.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/edit.h"
#include "widgets/editbox.h"
#include "widgets/editparam.h"
#include "widgets/edittempbox.h"
#include "widgets/edittempparam.h"
#include "widgets/label.h"

class EntryTest : public WidgetTest {};

TEST_F(EntryTest, RangedFieldNeverStaysEmptyOrOutOfRange)
{
    Edit field(1, nullptr, 1);
    field.setRange(0, 9999999);
    field.setText("12a");
    EXPECT_EQ(field.text(), "0");
    field.setText("");
    EXPECT_EQ(field.text(), "0");
    field.setText("20000000");
    EXPECT_EQ(field.text(), "9999999");
    field.setText("-5");
    EXPECT_EQ(field.text(), "0");
    field.setValue(42);
    EXPECT_EQ(field.value(), 42);

    Edit swapped(1, nullptr, 1);
    swapped.setRange(100, 10);  // repaired at the next change
    swapped.setText("500");
    EXPECT_EQ(swapped.text(), "100");
    swapped.setText("1");
    EXPECT_EQ(swapped.text(), "10");

    Edit free(9, nullptr, 1);  // no range: anything goes
    free.setText("abc");
    EXPECT_EQ(free.text(), "abc");
    EXPECT_EQ(free.value(), 0);
    free.setValue(2.5);
    EXPECT_DOUBLE_EQ(free.valueToDouble(), 2.5);
}

TEST_F(EntryTest, DotKeyIsReported)
{
    Edit field(9, nullptr, 1);
    QSignalSpy dots(&field, &Edit::sig_Dot);
    QTest::keyClick(&field, Qt::Key_Period);
    QTest::keyClick(&field, Qt::Key_5);
    EXPECT_EQ(dots.count(), 1);
}

TEST_F(EntryTest, PasswordFieldStartsEmptyOnFocus)
{
    QWidget window;
    Edit field(1, &window, 1);
    field.setEchoMode(QLineEdit::Password);
    field.setText("secret");
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field.setFocus();
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(field.placeholderText(), "Password:");
    EXPECT_EQ(host.keypadTarget(), &field);
}

TEST_F(EntryTest, ValueBoxClampsWithZeroAllowedOrNot)
{
    EditBox box(10, 100, nullptr, "Gain", "ms", 0, 1);
    QSignalSpy changes(&box, &EditBox::valueChanged);
    box.setUse0(true);
    box.setValue(0);
    EXPECT_EQ(box.value(), 0);
    box.setValue(5);
    EXPECT_EQ(box.value(), 10);
    box.setUse0(false);
    box.setValue(0);
    EXPECT_EQ(box.value(), 10);
    box.setValue(150);
    EXPECT_EQ(box.value(), 100);
    EXPECT_EQ(box.field()->text(), "100");
    EXPECT_EQ(changes.count(), 4);

    // Step buttons, clicked for real.
    auto steps = box.findChildren<ColorButton*>();
    ASSERT_EQ(steps.size(), 4);
    QStringList captions;
    for (ColorButton* b : steps)
        captions << b->text();
    EXPECT_EQ(captions, (QStringList{"- 5", "- 1", "+ 1", "+ 5"}));
    box.setValue(50);
    QTest::mouseClick(steps[3], Qt::LeftButton);
    QTest::mouseClick(steps[1], Qt::LeftButton);
    EXPECT_EQ(box.value(), 54);
    box.setValue(98);
    QTest::mouseClick(steps[3], Qt::LeftButton);
    EXPECT_EQ(box.value(), 100);
}

TEST_F(EntryTest, ValueBoxScaledDisplayAndZeroScale)
{
    EditBox tenths(0, 1000, nullptr, "Delay", "", 2, 10);
    tenths.setValue(25);
    EXPECT_EQ(tenths.field()->text(), "2.5");
    EXPECT_EQ(tenths.findChildren<ColorButton*>()[1]->text(), "- 0.1");
    EditBox zero(0, 1000, nullptr, "Odd", "", 2, 0);  // a zero scale counts as one
    zero.setValue(25);
    EXPECT_EQ(zero.field()->text(), "25");
    EXPECT_EQ(zero.findChildren<ColorButton*>()[0]->text(), "- 5");
    EditBox hidden(0, 10, nullptr, "None", "", 7, 1);
    hidden.setValue(3);
    EXPECT_EQ(hidden.field()->text(), "");
    EXPECT_EQ(appendDigit(INT_MAX / 10, 9, false, 1, INT_MAX), INT_MAX);
    EXPECT_EQ(appendDigit(123, 4, false, 10, 100000), 1240);
    EXPECT_EQ(valueFromShown("2.5", 10), 25);
}

TEST_F(EntryTest, TemperatureBoxClampsBoundsIntoTheRange)
{
    EditTempBox box(0, 1000, 0, 1000, nullptr, "T1", QString::fromUtf8("℃"), 2, 10);
    box.setValueRange(-5, 2000);
    box.CheckRange();
    EXPECT_EQ(box.getMinValue(), 0);
    EXPECT_EQ(box.getMaxValue(), 1000);
    EXPECT_EQ(box.upperField()->text(), "100");
    box.setValue(555);
    EXPECT_TRUE(box.judgeValue());
    box.setValueRange(555, 600);
    EXPECT_TRUE(box.judgeValue());  // limits are inside
    box.setValue(601);
    EXPECT_FALSE(box.judgeValue());
    EXPECT_TRUE(box.checkFocus(box.upperField()));
    EXPECT_FALSE(box.checkFocus(box.lowerField()));
}

TEST_F(EntryTest, SwitchComboAndPicture)
{
    CheckBox sw(nullptr, "Alarm");
    QTest::mouseClick(&sw, Qt::LeftButton, Qt::NoModifier, QPoint(5, sw.height() / 2));
    EXPECT_EQ(sw.value(), 1);
    sw.setValue(0);
    EXPECT_EQ(sw.value(), 0);
    sw.setValue(7);
    EXPECT_EQ(sw.checkState(), Qt::Checked);

    ComboBox combo;
    QSignalSpy clicks(&combo, &ComboBox::clicked);
    combo.addItems({"a", "b"});
    combo.setItemHeight(73);
    EXPECT_EQ(combo.styleSheet(),
              "QComboBox QAbstractItemView::item{height:73px;}QComboBox::tab-bar{border-width:0px;}");
    EXPECT_EQ(combo.focusPolicy(), Qt::NoFocus);
    QTest::mousePress(&combo, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    combo.hidePopup();

    Label picture(nullptr, QPixmap(10, 10));
    QSignalSpy pressed(&picture, &Label::clicked);
    QTest::mouseClick(&picture, Qt::LeftButton);
    QTest::mouseClick(&picture, Qt::RightButton);
    EXPECT_EQ(pressed.count(), 1);
}

TEST_F(EntryTest, ColorButtonCaptionSizeAndPressedPicture)
{
    gLan = 1;
    EXPECT_EQ(ColorButton::captionPixelSize(3), 22);
    gLan = 0;
    EXPECT_EQ(ColorButton::captionPixelSize(3), 27);
    EXPECT_EQ(ColorButton::captionPixelSize(4), 24);
    EXPECT_EQ(ColorButton::captionPixelSize(9), 0);
    ColorButton b("OK", nullptr, 3);
    b.resize(180, 70);
    const QImage up = b.grab().toImage();
    b.setDown(true);
    const QImage down = b.grab().toImage();
    EXPECT_NE(up, down);  // the down picture is drawn while pressed
    b.SetRepeat();
    EXPECT_EQ(b.autoRepeatDelay(), 300);
    EXPECT_EQ(b.autoRepeatInterval(), 50);
}

TEST_F(EntryTest, StyleSheetHelpers)
{
    C_Type_COM com;
    QLineEdit edit;
    com.setTxtQss(&edit, C_Type_COM::C_Color(2));
    EXPECT_EQ(edit.styleSheet(), "QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid "
                                 "#DCE4EC;}QLineEdit:focus{border:2px solid #3498DB;}");
    QPushButton btn;
    btn.setStyleSheet("keep");
    com.setBtnQss(&btn, C_Type_COM::C_Color(5));
    EXPECT_EQ(btn.styleSheet(), "keep");
    com.setBtnQss(&btn, C_Type_COM::C_Color(0));
    EXPECT_EQ(btn.styleSheet(), "QPushButton{border-style:none;padding:3px;border-radius:5px;color:#FFFFFF;"
                                "background:#323232;}QPushButton:hover{color:#FFFFFF;background:#323232;}"
                                "QPushButton:pressed{color:#FFFFFF;background:#C8934A;}");
    EXPECT_EQ(btn.focusPolicy(), Qt::NoFocus);
    QProgressBar bar;
    com.setBarQss(&bar, "#111", "#222");
    EXPECT_EQ(bar.styleSheet(), "QProgressBar{font:9pt;height:8px;background:#111;border-radius:8px;"
                                "text-align:center;border:1px solid #111;}QProgressBar:chunk{border-radius:8px;"
                                "background-color:#222;}");
    QSlider slider;
    com.setSliderQss(&slider, C_Type_COM::C_Color(1));
    EXPECT_TRUE(slider.styleSheet().startsWith(
        "QSlider::groove:horizontal,QSlider::add-page:horizontal{height:14px;border-radius:4px;background:#FFFBF0;}"
        "QSlider::sub-page:horizontal{height:14px;border-radius:4px;background:#1ABC9C;}"));
}

TEST_F(EntryTest, JumpSliderSnapsAtTheEnds)
{
    C_Slider slider;
    slider.setRange(0, 100);
    slider.resize(500, 30);
    QSignalSpy values(&slider, &C_Slider::cChgValue);
    for (int x : {5, 250, 492}) {
        QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(x, 15));
        values.wait(0);
    }
    ASSERT_EQ(values.count(), 3);
    EXPECT_EQ(values[0][0].toInt(), 0);
    EXPECT_EQ(values[1][0].toInt(), 50);
    EXPECT_EQ(values[2][0].toInt(), 100);
    EXPECT_EQ(C_Slider::valueAt(10, 0, 3, 9), 3);  // no width: no division
}
