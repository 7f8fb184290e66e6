// The modal keyboards, driven through the touch fields that open them.
#include <QLineEdit>
#include <QSlider>
#include <QStyle>

#include "widgetfixture.h"
#include "widgets/blineedit.h"
#include "widgets/blinelabel.h"
#include "widgets/digitalkeyboard.h"
#include "widgets/fullkeyboard.h"
#include "widgets/textrow.h"

namespace {
QLineEdit* entryOf(QDialog* d)
{
    return d->findChild<QLineEdit*>();
}
}  // namespace

class KeyboardTest : public WidgetTest {};

TEST_F(KeyboardTest, NumericKeyboardTypesOnEmptyEntryAndConfirms)
{
    BLineEdit field(nullptr, "Delay", "0-100", KeyboardDigital);
    field.setText("42");
    QString seenOnOpen = "unset";
    QString fieldWhileOpen = "unset";
    answerDialogs([&](QDialog& d) {
        EXPECT_NE(qobject_cast<DigitalKeyboard*>(&d), nullptr);
        EXPECT_EQ(d.size(), QSize(416, 586));
        EXPECT_EQ(d.windowFlags() & (Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
                  Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        seenOnOpen = entryOf(&d)->text();
        fieldWhileOpen = field.text();
        for (const char* k : {"1", "2", ".", ".", "5"})
            ASSERT_TRUE(clickKey(&d, k));
        ASSERT_TRUE(clickKey(&d, "BS"));
        ASSERT_TRUE(clickKey(&d, "Confirm"));
    });
    click(&field);
    EXPECT_EQ(dialogsRun, 1);
    EXPECT_EQ(seenOnOpen, "");
    EXPECT_EQ(fieldWhileOpen, "");
    // Two points in a row are taken as typed; the caller converts.
    EXPECT_EQ(field.text(), "12..");
}

TEST_F(KeyboardTest, CancelCloseAndEmptyConfirmKeepTheOldText)
{
    BLineEdit field(nullptr, "Name", "", 0);
    field.setText("42");
    bool stillOpenAfterEmptyConfirm = false;
    answerDialogs([&](QDialog& d) {
        ASSERT_TRUE(clickKey(&d, "BS"));  // backspace on an empty entry does nothing
        ASSERT_TRUE(clickKey(&d, "Confirm"));
        stillOpenAfterEmptyConfirm = d.isVisible() && d.result() == QDialog::Rejected;
        ASSERT_TRUE(clickKey(&d, "7"));
        ASSERT_TRUE(clickKey(&d, "Cancel"));
    });
    click(&field);
    EXPECT_TRUE(stillOpenAfterEmptyConfirm);
    EXPECT_EQ(field.text(), "42");

    // The close icon is the button with no caption.
    answerDialogs([&](QDialog& d) {
        ASSERT_TRUE(clickKey(&d, "9"));
        ASSERT_TRUE(clickKey(&d, ""));
    });
    click(&field);
    EXPECT_EQ(field.text(), "42");

    // Other buttons open nothing.
    dialogsRun = 0;
    QTest::mouseClick(&field, Qt::RightButton);
    EXPECT_EQ(dialogsRun, 0);
    EXPECT_EQ(field.text(), "42");
}

TEST_F(KeyboardTest, CaptionsFollowTheLanguageInForce)
{
    for (int lan : {0, 1, 2}) {
        gLan = lan;
        int found = 0;
        answerDialogs([&](QDialog& d) {
            for (int row : {121, 124, 157})
                found += findKey(&d, textRow(row)) ? 1 : 0;
            clickKey(&d, "");
        });
        BLineEdit field(nullptr, "", "", KeyboardDigital);
        click(&field);
        EXPECT_EQ(found, 3) << "language " << lan;
    }
    EXPECT_NE(textRow(121), QString());
}

TEST_F(KeyboardTest, FullKeyboardCapsSwitchesCaseOnEveryPress)
{
    BLineEdit field(nullptr, "Product", "letters", KeyboardFull);
    field.setEchoMode(QLineEdit::Password);
    QString shownInEntry;
    QStringList capsCaptions;
    answerDialogs([&](QDialog& d) {
        EXPECT_NE(qobject_cast<FullKeyboard*>(&d), nullptr);
        EXPECT_EQ(d.size(), QSize(1112, 520));
        EXPECT_EQ(entryOf(&d)->echoMode(), QLineEdit::Normal);
        ASSERT_TRUE(clickKey(&d, "A"));
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("小写")));
        capsCaptions << (findKey(&d, QString::fromUtf8("大写")) ? "upper-caption" : "?");
        ASSERT_TRUE(clickKey(&d, "b"));
        ASSERT_TRUE(clickKey(&d, "_"));
        ASSERT_TRUE(clickKey(&d, "1"));
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("大写")));
        ASSERT_TRUE(clickKey(&d, "C"));
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("退格")));
        ASSERT_TRUE(clickKey(&d, "D"));
        shownInEntry = entryOf(&d)->text();
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("确定")));
    });
    click(&field);
    EXPECT_EQ(capsCaptions, QStringList{"upper-caption"});
    EXPECT_EQ(shownInEntry, "Ab_1D");  // in clear inside the keyboard
    EXPECT_EQ(field.text(), "Ab_1D");
    EXPECT_EQ(field.displayText(), QString(5, field.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter)));
}

TEST_F(KeyboardTest, FullKeyboardSymbolPageAndCancel)
{
    BLineEdit field(nullptr, "", "", 1);
    field.setText("old");
    answerDialogs([&](QDialog& d) {
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("符号")));
        ASSERT_TRUE(clickKey(&d, "@"));
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("符号")));
        ASSERT_TRUE(clickKey(&d, "Q"));
        EXPECT_EQ(entryOf(&d)->text(), "@Q");
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("确定")));
    });
    click(&field);
    EXPECT_EQ(field.text(), "@Q");

    answerDialogs([&](QDialog& d) {
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("确定")));  // empty: stays open
        EXPECT_TRUE(d.isVisible());
        ASSERT_TRUE(clickKey(&d, "Z"));
        ASSERT_TRUE(clickKey(&d, QString::fromUtf8("取消")));
    });
    click(&field);
    EXPECT_EQ(field.text(), "@Q");
}

// The slider label: the slider clamps, and whatever reaches the page is the slider's value.
class SliderLabelTest : public WidgetTest {
protected:
    void typeIntoLabel(BlineLabel& label, const QString& entry, bool confirm = true)
    {
        answerDialogs([&](QDialog& d) {
            for (const QChar c : entry)
                ASSERT_TRUE(clickKey(&d, QString(c)));
            ASSERT_TRUE(clickKey(&d, confirm ? "Confirm" : "Cancel"));
        });
        click(&label);
    }
};

TEST_F(SliderLabelTest, NumbersBelowOneCountInTenths)
{
    QSlider slider;
    slider.setRange(0, 100);
    slider.setValue(30);
    BlineLabel label(&slider, nullptr, "Delay", "", KeyboardDigital);
    EXPECT_EQ(label.text(), "30");
    typeIntoLabel(label, "0.5");
    EXPECT_EQ(slider.value(), 5);
    typeIntoLabel(label, "1.5");
    EXPECT_EQ(slider.value(), 1);
    typeIntoLabel(label, "12");
    EXPECT_EQ(slider.value(), 12);
    EXPECT_EQ(label.text(), "12");
}

TEST_F(SliderLabelTest, OutOfRangeEntryReachesThePageClampedEveryTime)
{
    QSlider slider;
    slider.setRange(0, 100);
    slider.setValue(40);
    BlineLabel label(&slider, nullptr, "Area", "", KeyboardDigital);
    QList<int> record;  // what the page's slot would write into the parameter record
    QObject::connect(&slider, &QSlider::valueChanged, [&](int v) {
        record.append(v);
        label.setText(QString("%1 s").arg(v / 10.0));
    });
    typeIntoLabel(label, "99999");
    typeIntoLabel(label, "99999");
    EXPECT_EQ(record, (QList<int>{100, 100}));
    EXPECT_EQ(slider.value(), 100);
    EXPECT_EQ(label.text(), "10 s");
}

TEST_F(SliderLabelTest, CancelRestoresTheTextAndLeavesTheSlider)
{
    QSlider slider;
    slider.setRange(0, 100);
    slider.setValue(12);
    BlineLabel label(&slider, nullptr, "", "", KeyboardDigital);
    label.setText("1.2 s");  // formatted by the page
    slider.setValue(7);      // changed meanwhile by a drag
    int signals_ = 0;
    QObject::connect(&slider, &QSlider::valueChanged, [&](int) { ++signals_; });
    typeIntoLabel(label, "55", false);
    EXPECT_EQ(label.text(), "1.2 s");
    EXPECT_EQ(slider.value(), 7);
    EXPECT_EQ(signals_, 0);
}

TEST_F(SliderLabelTest, EntryConversionSaturates)
{
    EXPECT_EQ(BlineLabel::entryToValue("0.5", KeyboardDigital), 5);
    EXPECT_EQ(BlineLabel::entryToValue("0.5", KeyboardFull), 0);
    EXPECT_EQ(BlineLabel::entryToValue("1e30", KeyboardDigital), INT_MAX);
    EXPECT_EQ(BlineLabel::entryToValue("..", KeyboardDigital), 0);
    EXPECT_EQ(BlineLabel::entryToValue("99999999999", KeyboardDigital), INT_MAX);
}
