// Warning, question and password boxes, the message boxes and the one-line helpers.
#include <QLabel>
#include <QRegularExpression>
#include <QHBoxLayout>
#include <QWindow>

#include "widgetfixture.h"
#include "core/globals.h"
#include "widgets/blineedit.h"
#include "widgets/bmessagebox.h"
#include "widgets/choosebox.h"
#include "widgets/choosecalinumwidget.h"
#include "widgets/combobox.h"
#include "widgets/fittext.h"
#include "widgets/maintenancecode.h"
#include "widgets/messagedialog.h"
#include "widgets/numberinput.h"
#include "widgets/passwordbox.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"
#include "widgets/toolkitclock.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"

namespace {
QStringList buttonOrder(QWidget* w)
{
    // Buttons left to right as laid out.
    QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) {
        return a->mapTo(a->window(), QPoint()).x() < b->mapTo(b->window(), QPoint()).x();
    });
    QStringList names;
    for (QPushButton* b : buttons)
        names << b->text();
    return names;
}
QString titleOf(QDialog& d)
{
    // The title is the first label of the left column: the one with the smallest x.
    QList<QLabel*> labels = d.findChildren<QLabel*>();
    QLabel* best = nullptr;
    for (QLabel* l : labels) {
        if (!l->text().isEmpty() && (!best || l->x() < best->x()))
            best = l;
    }
    return best ? best->text() : QString();
}
}  // namespace

class DialogTest : public WidgetTest {};

TEST_F(DialogTest, HelpersShowFixedTitlesInTheLanguageInForce)
{
    QStringList titles;
    QStringList texts;
    answerDialogs([&](QDialog& d) {
        titles << titleOf(d);
        if (auto* w = dynamic_cast<WarnBox*>(&d)) {
            texts << w->text();
            QTest::mouseClick(w->confirmButton(), Qt::LeftButton);
        } else if (auto* c = dynamic_cast<ChooseBox*>(&d)) {
            texts << c->text();
            QTest::mouseClick(c->noButton(), Qt::LeftButton);
        }
    });
    gLan = 1;
    showWarnBox("Camera lost");
    EXPECT_FALSE(showChooseBox("Stop?"));
    gLan = 0;
    showWarnBox("");
    showChooseBox("");
    EXPECT_EQ(titles, (QStringList{"Warning!", "Confirmation prompt", QString::fromUtf8("警告!"),
                                   QString::fromUtf8("确认提示")}));
    EXPECT_EQ(texts, (QStringList{"Camera lost", "Stop?", "", ""}));
}

TEST_F(DialogTest, ChooseBoxYesIsTrueAnythingElseFalse)
{
    answerDialogs([](QDialog& d) { QTest::mouseClick(static_cast<ChooseBox&>(d).yesButton(), Qt::LeftButton); });
    EXPECT_TRUE(showChooseBox("Save?"));
    answerDialogs([](QDialog& d) { d.close(); });
    EXPECT_FALSE(showChooseBox("Save?"));
}

TEST_F(DialogTest, BoxesAreCentredInTheDisplayAreaAtEveryShow)
{
    WarnBox warn("Warning!");
    ChooseBox choose("Question");
    PasswordBox password("Password");
    for (QDialog* d : std::initializer_list<QDialog*>{&warn, &choose, &password}) {
        d->show();
        EXPECT_EQ(d->geometry(), QRect(1725 / 2 - 340, 982 / 2 - 125, 680, 250));
        d->hide();
    }
    gShowW = 1000;
    gShowH = 601;
    for (QDialog* d : std::initializer_list<QDialog*>{&warn, &choose, &password}) {
        d->show();
        EXPECT_EQ(d->geometry(), QRect(500 - 340, 300 - 125, 680, 250));
        d->hide();
    }
}

// Lines break by what the glyphs take: at spaces where they can, else inside a word, and nothing
// is lost; the box keeps its size and place whatever the text.
TEST_F(DialogTest, LongTextsAreBrokenByGlyphWidthAndTheBoxStaysInTheDisplayArea)
{
    QFont font;
    font.setPixelSize(30);
    const QFontMetrics fm(font);
    const QString han = QString::fromUtf8("機").repeated(40);
    const QString text = "\"Operator\" is too long, \r\n it is stored as: \r\n " + QString("W").repeated(99) + "\n" + han;
    const QString wrapped = WrapToWidth(text, font, 400);
    for (QString line : wrapped.split('\n'))
        EXPECT_LE(fm.horizontalAdvance(line.remove('\r')), 400) << line.toStdString();
    EXPECT_EQ(QString(wrapped).remove(QRegularExpression("\\s")), QString(text).remove(QRegularExpression("\\s")))
        << "breaks only at spaces taken out or between characters";
    EXPECT_EQ(WrapToWidth("one two three", font, fm.horizontalAdvance("one two") + 1), "one two\nthree");
    EXPECT_EQ(WrapToWidth("a\r\nb", font, 400), "a\r\nb");

    const WrappedText fit = FitWrapped(font, text, 400, 150);
    EXPECT_LT(fit.px, 30);
    EXPECT_GE(fit.px, kMinCaptionPixels);
    EXPECT_LE(fit.height, 150);
    EXPECT_EQ(BoxInArea(QSize(680, 250), QRect(0, 0, 1725, 982)), QRect(522, 366, 680, 250));
    EXPECT_EQ(BoxInArea(QSize(680, 1200), QRect(0, 0, 1725, 982)), QRect(522, 0, 680, 982));

    // A Traditional Chinese operator name of 110 characters, stored as 99 "?".
    gLan = 2;
    WarnBox warn("Warning!");
    warn.setText(textRow(648).arg(textRow(434), QString(99, '?')));
    warn.show();
    EXPECT_EQ(warn.geometry(), QRect(1725 / 2 - 340, 982 / 2 - 125, 680, 250));
    EXPECT_EQ(warn.text(), textRow(648).arg(textRow(434), QString(99, '?')));
    QLabel* message = nullptr;
    for (QLabel* l : warn.findChildren<QLabel*>())
        if (l->text().contains('?'))
            message = l;
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(QRect(QPoint(), warn.size()).contains(QRect(message->mapTo(&warn, QPoint()), message->size())));
    const QFontMetrics shown(message->font());
    for (QString line : message->text().split('\n'))
        EXPECT_LE(shown.horizontalAdvance(line.remove('\r')), message->width()) << line.toStdString();
    EXPECT_LE(shown.lineSpacing() * message->text().split('\n').size(), message->height());
}

// The table's texts were broken for a box of another width: no line of one word before their own
// break, no line that starts or ends with a blank.
TEST_F(DialogTest, OwnBreaksOfALineTooWideCountAsBlanksAndBlanksAtABreakGo)
{
    QFont font;
    font.setPixelSize(30);
    const int width = QFontMetrics(font).horizontalAdvance("aaa bbb") + 1;
    EXPECT_EQ(WrapToWidth("aaa bbb ccc \r\n ddd", font, width).toStdString(), "aaa bbb\nccc ddd");
    EXPECT_EQ(WrapToWidth("aaa bbb   ccc", font, width).toStdString(), "aaa bbb\nccc");
    EXPECT_EQ(WrapToWidth("aaa bbb ", font, width).toStdString(), "aaa bbb") << "no empty line for a trailing blank";
    // Lines that fit keep the text's breaks; a bare line feed ends a line whatever the width.
    EXPECT_EQ(WrapToWidth(" aaa \r\n bbb", font, width).toStdString(), "aaa\r\nbbb");
    EXPECT_EQ(WrapToWidth("aaa bbb ccc\nddd\r\neee", font, width).toStdString(), "aaa bbb\nccc\nddd\r\neee");
    // Chinese joins its broken lines without a blank.
    const QString han = QString::fromUtf8("相机不可用，\r\n请检查连接！");
    const int narrow = QFontMetrics(font).horizontalAdvance(QString::fromUtf8("相机不可"));
    const QString wrapped = WrapToWidth(han, font, narrow);
    EXPECT_EQ(QString(wrapped).remove('\n').toStdString(),
              QString(han).remove(QRegularExpression("\\s")).toStdString());
}

TEST_F(DialogTest, WarningWakesADarkScreen)
{
    WarnBox warn("Warning!");
    para.location_level = 30;
    host.dark = true;
    warn.show();
    warn.hide();
    EXPECT_EQ(host.screenOnCalls, 1);
    EXPECT_EQ(host.timerRestarts, QList<int>{30000});

    para.location_level = 0;
    host.dark = true;
    warn.show();
    warn.hide();
    EXPECT_EQ(host.screenOnCalls, 2);
    EXPECT_EQ(host.timerRestarts, QList<int>{30000});

    ChooseBox choose("Q");
    host.dark = true;
    choose.show();
    EXPECT_EQ(host.screenOnCalls, 2);
}

TEST_F(DialogTest, CaptionsAreSetWhenShown)
{
    gLan = 1;
    WarnBox warn("x");
    warn.setTitleRow(568);
    gLan = 0;
    warn.show();
    EXPECT_EQ(warn.confirmButton()->text(), textRow(121));
    EXPECT_EQ(warn.titleLabel()->text(), QString::fromUtf8("警告!"));
}

namespace {
// A touch on the screen: through the window system, where a modal box blocks other windows.
void touch(QPushButton* b)
{
    QWindow* w = b->window()->windowHandle();
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, b->mapTo(b->window(), b->rect().center()));
}
}  // namespace

TEST_F(DialogTest, AWarningShownOverAWaitingQuestionIsAnsweredFirstThenTheQuestion)
{
    ChooseBox question("Question");
    question.setWindowModality(Qt::ApplicationModal);
    question.show();
    WarnBox warn("Warning!");
    warn.showReachable();
    ASSERT_TRUE(warn.isVisible());
    // Both stand in the same place: the warning covers the question's buttons.
    EXPECT_EQ(warn.geometry(), question.geometry());
    touch(warn.confirmButton());
    EXPECT_FALSE(warn.isVisible());
    EXPECT_EQ(warn.result(), int(QDialog::Accepted));
    EXPECT_EQ(QApplication::activeModalWidget(), &question);
    touch(question.yesButton());
    EXPECT_FALSE(question.isVisible());
    EXPECT_EQ(question.result(), int(QDialog::Accepted));

    // With nothing waiting it is not modal: the screens under it keep taking touches.
    warn.showReachable();
    EXPECT_EQ(warn.windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

class PasswordTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        // The field opens the numeric keyboard; answer it with what `typed` holds.
        answerDialogs([this](QDialog& d) {
            for (const QChar c : typed)
                clickKey(&d, QString(c));
            clickKey(&d, typed.isEmpty() ? "Cancel" : "Confirm");
        });
        box.show();
    }
    void enter(const QString& text)
    {
        typed = text;
        click(box.passwordField());
        QTest::mouseClick(box.yesButton(), Qt::LeftButton);
    }
    QString placeholder() const { return box.passwordField()->placeholderText(); }

    PasswordBox box{"Password"};
    QString typed;
};

TEST_F(PasswordTest, FixedCodeGivesAdvancedEvenWhenItIsAlsoThePassword)
{
    para.is_psw_used = 0;
    qstrcpy(para.password, "9157");
    EXPECT_EQ(placeholder(), "Password:");
    enter("9157");
    EXPECT_EQ(host.userLevel(), 2);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(PasswordTest, StoredPasswordGivesPrimaryAndWrongOnesResetTheLevel)
{
    para.is_psw_used = 1;
    qstrcpy(para.password, "2468");
    host.setUserLevel(2);
    enter("1111");
    EXPECT_EQ(host.userLevel(), 0);
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.passwordField()->text(), "");
    EXPECT_EQ(placeholder(), "The password is wrong");
    EXPECT_EQ(box.state(), 0);  // clearing the refused entry was a change to empty
    enter("9157");  // the fixed code does not open a protected unit
    EXPECT_EQ(host.userLevel(), 0);
    enter("2468");
    EXPECT_EQ(host.userLevel(), 1);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(PasswordTest, PlaceholderSequenceAfterRefusals)
{
    para.is_psw_used = 1;
    qstrcpy(para.password, "2468");
    enter("13");
    box.passwordField()->setText("5");
    EXPECT_EQ(placeholder(), "");
    box.passwordField()->setText("");
    EXPECT_EQ(placeholder(), "Password:");  // refused entry was not empty

    enter("");  // a refused empty entry
    EXPECT_EQ(box.state(), 2);
    box.passwordField()->setText("5");
    box.passwordField()->setText("");
    EXPECT_EQ(placeholder(), "The password is wrong");
    box.passwordField()->setText("5");
    box.passwordField()->setText("");
    EXPECT_EQ(placeholder(), "Password:");
}

TEST_F(PasswordTest, TenDigitCodeIsValidThisHourAndThePreviousOne)
{
    para.is_psw_used = 1;
    qstrcpy(para.password, "2468");
    const QDateTime at(QDate(2024, 2, 29), QTime(14, 5, 9));
    const QString code = MaintenanceCode::hourCode(at);
    ASSERT_EQ(code.size(), 10);
    for (const QChar c : code)
        ASSERT_TRUE(c.isDigit());
    EXPECT_EQ(MaintenanceCode::hourCode(QDateTime(QDate(2024, 2, 29), QTime(14, 59, 59))), code);
    EXPECT_NE(MaintenanceCode::hourCode(QDateTime(QDate(2024, 2, 29), QTime(15, 0, 0))), code);
    EXPECT_NE(MaintenanceCode::hourCode(QDateTime(QDate(2024, 3, 29), QTime(14, 0, 0))), code);

    QDateTime now = at.addSecs(3600);  // next hour: the code is still valid
    setToolkitClock([&] { return now; });
    enter(code);
    EXPECT_EQ(host.userLevel(), 2);
    box.show();
    now = at.addSecs(2 * 3600);  // two hours later it is not
    enter(code);
    EXPECT_EQ(host.userLevel(), 0);
    EXPECT_TRUE(box.isVisible());
    setToolkitClock(ToolkitClock());
}

TEST_F(PasswordTest, KeypadConfirmReachesOnlyTheVisibleBox)
{
    NumberInput pad;
    gpNumPad = &pad;
    para.is_psw_used = 1;
    qstrcpy(para.password, "2468");
    PasswordBox shown("Password");
    PasswordBox hidden("Password");
    gpPasswordBox = &shown;
    shown.show();
    host.setUserLevel(1);
    // The hidden box would refuse its empty field and reset the level.
    shown.passwordField()->setText("2468");
    pad.HideUpdate();
    EXPECT_EQ(host.userLevel(), 1);
    EXPECT_FALSE(shown.isVisible());
    EXPECT_EQ(shown.result(), QDialog::Accepted);
    EXPECT_EQ(hidden.result(), QDialog::Rejected);
    gpPasswordBox = nullptr;
    gpNumPad = nullptr;
}

TEST_F(DialogTest, MessageBoxButtonOrders)
{
    BMessageBox yesNo("Title", "Text", 12, BMessageBoxWarning);
    yesNo.show();
    EXPECT_EQ(buttonOrder(&yesNo), (QStringList{"NO", "YES"}));
    BMessageBox confirm("Title", "Text", 3, BMessageBoxNoIcon);
    confirm.show();
    EXPECT_EQ(buttonOrder(&confirm), (QStringList{"Cancel", "Confirm"}));
    // Icon values outside 1..4 leave an empty 48 x 48 place.
    QList<QLabel*> labels = confirm.findChildren<QLabel*>();
    auto icon = std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return l->size() == QSize(48, 48); });
    ASSERT_NE(icon, labels.end());
    EXPECT_TRUE((*icon)->pixmap() == nullptr || (*icon)->pixmap()->isNull());

    answerDialogs([](QDialog& d) { clickKey(&d, "YES"); });
    EXPECT_EQ(execModal(yesNo), QDialog::Accepted);
    answerDialogs([](QDialog& d) { clickKey(&d, "Cancel"); });
    EXPECT_EQ(execModal(confirm), QDialog::Rejected);
}

TEST_F(DialogTest, MessageDialogButtonsByMode)
{
    MessageDialog one("T", "M", 0x1);
    EXPECT_EQ(buttonOrder(&one), QStringList{"OK"});
    MessageDialog three("T", "M", 0x1011);
    three.show();
    EXPECT_EQ(buttonOrder(&three), (QStringList{"OK", "Cancel", "Yes"}));
    three.resetMessage("changed");
    EXPECT_EQ(three.findChild<QLabel*>("message")->text(), "changed");
    answerDialogs([](QDialog& d) { clickKey(&d, "Yes"); });
    EXPECT_EQ(execModal(three), QDialog::Accepted);
}

TEST_F(DialogTest, CalibrationChooserOffersThreeCounts)
{
    ChooseCaliNumWidget chooser;
    EXPECT_EQ(chooser.pointChoice()->count(), 3);
    EXPECT_EQ(chooser.pointChoice()->itemText(2), " 25 ");
    EXPECT_EQ(chooser.pointChoice()->pos(), QPoint(440, 32));
    chooser.setCaption("Points");
    chooser.show();
    chooser.grab();  // paints: the buttons go to their places
    EXPECT_EQ(chooser.yesButton()->geometry(), QRect(680 / 3 - 160, 2 * (250 / 3) - 50, 220, 100));
}
