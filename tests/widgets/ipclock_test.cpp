// The IP address entry and the clock entry.
#include <QDateEdit>
#include <QSignalSpy>
#include <QTimeEdit>

#include "widgetfixture.h"
#include "widgets/edit.h"
#include "widgets/editdatetime.h"
#include "widgets/editip.h"
#include "widgets/modifytimewidget.h"
#include "widgets/toolkitclock.h"

class IpEntryTest : public WidgetTest {};

TEST_F(IpEntryTest, AddressesRoundTripAndOctetsAreClamped)
{
    EditIP ip("IP");
    ip.setTextIP("192.168.1.20");
    EXPECT_EQ(ip.getTextIP(), "192.168.1.20");

    EditIP big("IP");
    big.setTextIP("300.1.1.1");
    EXPECT_EQ(big.octet(0)->text(), "255");
    EXPECT_EQ(big.getTextIP(), "255.1.1.1");

    EditIP extra("IP");
    extra.setTextIP("10.0.0.1.5");
    EXPECT_EQ(extra.octet(3)->text(), "15");
    EXPECT_EQ(extra.getTextIP(), "10.0.0.15");

    EditIP zeros("IP");
    zeros.setTextIP("007.8.9.1");
    EXPECT_EQ(zeros.getTextIP(), "7.8.9.1");

    EditIP partial("IP");
    partial.setTextIP("1.2.3.4");
    partial.setTextIP("9.8");  // missing parts keep their text
    EXPECT_EQ(partial.getTextIP(), "9.8.3.4");
    partial.octet(1)->setText("");
    EXPECT_EQ(partial.octet(1)->text(), "0");
    partial.octet(2)->setText("x");
    EXPECT_EQ(partial.getTextIP(), "9.0.0.4");
}

TEST_F(IpEntryTest, TypedDotJumpsToTheNextOctet)
{
    QWidget window;
    EditIP ip("IP", &window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy changes(&ip, &EditIP::textchange);
    ip.octet(0)->setFocus();
    QTest::keyClicks(ip.octet(0), "10");
    QTest::keyClick(ip.octet(0), Qt::Key_Period);
    EXPECT_TRUE(ip.octet(1)->hasFocus());
    EXPECT_EQ(ip.octet(1)->text(), "0");
    ip.octet(3)->setFocus();
    QTest::keyClick(ip.octet(3), Qt::Key_Period);  // nothing beyond the key itself
    EXPECT_TRUE(ip.octet(3)->hasFocus());
    EXPECT_GT(changes.count(), 0);
    EXPECT_TRUE(changes.last()[0].toString().startsWith("10.0."));
}

class ClockEntryTest : public WidgetTest {};

TEST_F(ClockEntryTest, SetsSystemThenHardwareClock)
{
    RecordingRunner runner;
    EditDateTime entry("");
    setToolkitClock([] { return QDateTime(QDate(2024, 2, 29), QTime(14, 5, 9)); });
    entry.ShowDateTime();
    setToolkitClock(ToolkitClock());
    EXPECT_EQ(entry.editedText(), "2024-02-29 14:05:09");
    EXPECT_TRUE(entry.setSysDateTime());
    EXPECT_EQ(runner.lines(), (QStringList{"date -s 2024-02-29 14:05:09", "hwclock --systohc"}));
    ASSERT_EQ(runner.calls.size(), 2);
    EXPECT_EQ(runner.calls[0].args, (QStringList{"-s", "2024-02-29 14:05:09"}));
}

TEST_F(ClockEntryTest, FailureOfEitherCommandIsReported)
{
    EditDateTime entry("");
    entry.dateEditor()->setDate(QDate(2025, 1, 2));
    entry.timeEditor()->setTime(QTime(3, 4, 5));
    {
        RecordingRunner runner;
        runner.answer = [](const RecordedCommand& c) {
            CommandResult r;
            r.started = true;
            r.exitCode = c.program == "date" ? 1 : 0;
            return r;
        };
        EXPECT_FALSE(entry.setSysDateTime());
        EXPECT_EQ(runner.lines(), QStringList{"date -s 2025-01-02 03:04:05"});  // no hwclock after a failed date
    }
    {
        RecordingRunner runner;
        runner.answer = [](const RecordedCommand& c) {
            CommandResult r;
            r.started = c.program == "date";
            r.exitCode = r.started ? 0 : -1;
            return r;
        };
        EXPECT_FALSE(entry.setSysDateTime());
        EXPECT_EQ(runner.calls.size(), 2);
    }
}

TEST_F(ClockEntryTest, DialogConfirmsAndCancels)
{
    ModifyTimeWidget dialog("Modify Time");
    EXPECT_EQ(dialog.geometry(), QRect(1725 / 2 - 340, 982 / 2 - 200, 680, 400));
    answerDialogs([](QDialog& d) { clickKey(&d, "Confirm"); });
    EXPECT_EQ(execModal(dialog), QDialog::Accepted);
    answerDialogs([](QDialog& d) { clickKey(&d, "Cancel"); });
    EXPECT_EQ(execModal(dialog), QDialog::Rejected);
}
