// The global keypads typing into the focused field, placed under it, never taking the focus.
#include <QApplication>
#include <QLineEdit>

#include "widgetfixture.h"
#include "core/globals.h"
#include "widgets/blineedit.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"
#include "widgets/editbox.h"
#include "widgets/editparam.h"
#include "widgets/edittempbox.h"
#include "widgets/edittempparam.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/passwordbox.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"

class KeypadTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        window.resize(1200, 900);
        host.main = &window;
        gpNumPad = new NumberInput(nullptr);
        gpNumPad->setParent(&window);
        gpNumCharPad = new NumCharInput(nullptr);
        gpNumCharPad->setParent(&window);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override
    {
        gpNumPad = nullptr;
        gpNumCharPad = nullptr;
        WidgetTest::TearDown();
    }
    // Touches a field as a finger does: press (focus) and release (pad).
    void touch(QWidget* field) { click(field, QPoint(5, 5)); }
    void numKey(const QString& caption) { ASSERT_TRUE(clickKey(gpNumPad, caption)); }
    void charKey(const QString& caption) { ASSERT_TRUE(clickKey(gpNumCharPad, caption)); }

    QWidget window;
};

TEST_F(KeypadTest, NumericPadTypesIntoTheTouchedFieldAndStartsFresh)
{
    Edit field(1, &window, 1);
    field.setGeometry(100, 100, 200, 50);
    field.show();
    field.setText("77");
    touch(&field);
    EXPECT_EQ(host.keypadTarget(), &field);
    ASSERT_TRUE(gpNumPad->isVisible());
    EXPECT_EQ(gpNumPad->parentWidget(), &window);
    EXPECT_EQ(gpNumPad->pos(), QPoint(100, 155));  // under the field, 5 px apart
    EXPECT_EQ(field.text(), "");                    // every touch starts a new entry
    numKey("1");
    numKey("2");
    numKey("0");
    EXPECT_EQ(field.text(), "120");
    EXPECT_TRUE(field.hasFocus());  // keys never take the focus
    EXPECT_EQ(field.cursorPosition(), 3);
    numKey("BS");
    numKey("BS");
    numKey("BS");
    EXPECT_EQ(field.text(), "");
    numKey("5");  // backspace to empty: the next digit starts a new entry
    EXPECT_EQ(field.text(), "5");
    numKey("Confirm");
    EXPECT_FALSE(gpNumPad->isVisible());
    EXPECT_FALSE(field.hasFocus());
    EXPECT_EQ(host.keypadTarget(), nullptr);
}

TEST_F(KeypadTest, PadIsPlacedAboveLowFieldsAndInsideTheHost)
{
    Edit low(1, &window, 1);
    low.setGeometry(50, gShowH - 100, 200, 50);  // pad would reach gShowH - 49
    low.show();
    touch(&low);
    EXPECT_EQ(gpNumPad->y(), gShowH - 100 + 50 + 5 - (230 + 45));

    Edit right(1, &window, 1);
    right.setGeometry(1100, 100, 90, 40);
    right.show();
    touch(&right);
    EXPECT_EQ(gpNumPad->x(), 1200 - 427);  // flush with the host's right edge
    EXPECT_EQ(gpNumPad->y(), 145);

    // Flag 0x8: placed in the grandparent, offset by the parent.
    QWidget box(&window);
    box.setGeometry(300, 200, 400, 100);
    box.show();
    Edit inner(9, &box, 1);
    inner.setGeometry(10, 20, 100, 40);
    inner.show();
    touch(&inner);
    EXPECT_EQ(gpNumPad->parentWidget(), &window);
    EXPECT_EQ(gpNumPad->pos(), QPoint(310, 265));
}

TEST_F(KeypadTest, AlphanumericPadAppendsAndKeepsFocusOnConfirm)
{
    Edit field(3, &window, 1);
    field.setGeometry(100, 100, 200, 50);
    field.show();
    field.setText("ab");
    touch(&field);
    ASSERT_TRUE(gpNumCharPad->isVisible());
    EXPECT_FALSE(gpNumPad->isVisible());
    EXPECT_EQ(gpNumCharPad->size(), QSize(785, 295));
    EXPECT_EQ(field.text(), "ab");  // no first-key rule: it always appends
    charKey("Q");
    charKey("7");
    charKey("_");
    EXPECT_EQ(field.text(), "abQ7_");
    charKey(textRow(158));  // caps: lower-case letters
    charKey("w");
    charKey(textRow(441));  // symbols
    charKey("@");
    charKey(textRow(442));  // back to upper-case letters
    charKey("E");
    charKey(textRow(157));
    EXPECT_EQ(field.text(), "abQ7_w@");
    EXPECT_TRUE(field.hasFocus());
    charKey(textRow(121));
    EXPECT_FALSE(gpNumCharPad->isVisible());
    EXPECT_TRUE(field.hasFocus());
    EXPECT_EQ(host.keypadTarget(), &field);
}

TEST_F(KeypadTest, AlphanumericPadOpensOnUpperCaseAndCapsLeavesPunctuation)
{
    Edit field(3, &window, 1);
    field.setGeometry(100, 100, 200, 50);
    field.show();
    touch(&field);
    charKey(textRow(441));
    EXPECT_EQ(gpNumCharPad->key(11)->text(), "-");
    EXPECT_EQ(gpNumCharPad->key(36)->text(), "\"");
    charKey(textRow(158));  // caps from the punctuation page: lower-case letters
    EXPECT_EQ(gpNumCharPad->key(11)->text(), "q");
    EXPECT_EQ(gpNumCharPad->key(37)->text(), textRow(441));
    gpNumCharPad->hide();
    touch(&field);
    EXPECT_EQ(gpNumCharPad->key(11)->text(), "Q");
    EXPECT_EQ(gpNumCharPad->key(38)->text(), textRow(158));
}

TEST_F(KeypadTest, TouchBetweenKeysReachesNothingBeneath)
{
    Edit field(1, &window, 1);
    field.setGeometry(100, 100, 200, 50);
    field.show();
    QPushButton beneath(&window);
    beneath.setGeometry(100, 155, 427, 230);
    beneath.show();
    int pressed = 0;
    QObject::connect(&beneath, &QPushButton::clicked, [&] { ++pressed; });
    touch(&field);
    gpNumPad->raise();
    click(gpNumPad, QPoint(107, 40));  // the gap between "1" and "2"
    EXPECT_EQ(pressed, 0);
    EXPECT_TRUE(gpNumPad->isVisible());
}

TEST_F(KeypadTest, KeysWithoutTargetDoNothingAndADeletedTargetIsForgotten)
{
    gpNumPad->show();
    numKey("3");
    numKey("BS");
    numKey("Confirm");
    gpNumCharPad->show();
    charKey("A");
    charKey(textRow(157));
    auto* field = new Edit(1, &window, 1);
    field->setGeometry(100, 100, 200, 50);
    field->show();
    touch(field);
    ASSERT_EQ(host.keypadTarget(), field);
    delete field;
    EXPECT_EQ(host.keypadTarget(), nullptr);
    gpNumPad->show();
    numKey("4");
    numKey("Confirm");
}

TEST_F(KeypadTest, ValueBoxDigitsClampOnCommitNotPerKey)
{
    EditBox box(10, 500, &window, "Area", "", 0, 1);
    box.move(100, 100);
    box.show();
    QList<int> changes;
    QObject::connect(&box, &EditBox::valueChanged, [&](int v) { changes.append(v); });
    box.setValue(100);
    changes.clear();
    touch(box.field());
    numKey("1");
    numKey("2");
    EXPECT_EQ(box.field()->text(), "12");
    EXPECT_EQ(box.value(), 12);
    numKey("BS");
    EXPECT_EQ(box.value(), 1);  // the stored value follows the text
    numKey("BS");
    EXPECT_EQ(box.value(), 0);
    numKey("5");
    EXPECT_EQ(box.value(), 5);  // below the minimum while typing
    EXPECT_TRUE(changes.isEmpty());
    numKey("Confirm");
    EXPECT_EQ(box.value(), 10);
    EXPECT_EQ(changes, QList<int>{10});

    touch(box.field());
    for (int i = 0; i < 14; ++i)
        numKey("9");  // far past both the maximum and the int range
    EXPECT_EQ(box.value(), 500);
    numKey("Confirm");
    EXPECT_EQ(box.field()->text(), "500");
}

TEST_F(KeypadTest, TemperatureBoundsAreTypedInDegrees)
{
    EditTempBox box(0, 1000, 0, 1000, &window, "T1", QString::fromUtf8("℃"), 2, 10);
    box.move(100, 100);
    box.show();
    box.setValueRange(200, 800);
    EXPECT_EQ(box.lowerField()->text(), "20");
    touch(box.upperField());
    numKey("6");
    numKey("5");
    EXPECT_EQ(box.getMaxValue(), 650);  // 65 degrees in tenths
    EXPECT_EQ(box.upperField()->text(), "65");
    numKey("BS");
    EXPECT_EQ(box.getMaxValue(), 60);
    numKey("Confirm");
    touch(box.lowerField());
    for (int i = 0; i < 12; ++i)
        numKey("9");
    EXPECT_EQ(box.getMinValue(), 1000);
    numKey("Confirm");
    EXPECT_EQ(box.getMinValue(), 1000);
    EXPECT_EQ(box.getMaxValue(), 60);  // a lower bound above the upper one stays as typed
}

TEST_F(KeypadTest, ConfirmWithThePasswordBoxOnScreenSubmitsIt)
{
    PasswordBox box("Password", nullptr);
    gpPasswordBox = &box;
    para.is_psw_used = 1;
    qstrcpy(para.password, "2468");
    Edit field(1, &window, 1);
    field.setGeometry(100, 100, 200, 50);
    field.show();
    touch(&field);
    box.show();
    box.passwordField()->setText("2468");
    int checks = 0;
    QObject::connect(gpNumPad, &NumberInput::chkpassword, [&] { ++checks; });
    gpNumPad->show();
    numKey("Confirm");
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(host.userLevel(), 1);
    EXPECT_FALSE(box.isVisible());
    gpPasswordBox = nullptr;
}

TEST_F(KeypadTest, HidingThePasswordBoxEndsTheEntry)
{
    Edit field(1, &window, 1);
    field.setGeometry(100, 100, 200, 50);
    field.show();
    touch(&field);
    ASSERT_TRUE(gpNumPad->isVisible());
    PasswordBox box("Password", nullptr);
    box.show();
    box.hide();
    EXPECT_EQ(host.keypadTarget(), nullptr);
    EXPECT_FALSE(gpNumPad->isVisible());
    EXPECT_FALSE(field.hasFocus());
}
