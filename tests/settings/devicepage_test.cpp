// Device parameters page: product-list replies, when the list is asked for, how the texts and
// numbers reach the record, and the statistics reset.
#include "settings/pageroundtrip.h"

#include <climits>
#include <memory>

#include <QDir>
#include <QPushButton>

#include "common/programdir.h"
#include "common/waituntil.h"
#include "core/parameterstore.h"
#include "network/cnt_net.h"
#include "settings/devicefields.h"
#include "settings/deviceparamswidget.h"
#include "widgets/bcombobox.h"
#include "widgets/blineedit.h"
#include "widgets/bmessagebox.h"
#include "widgets/textrow.h"

namespace {

class DevicePage : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        gDeviceReportHooks = {};
    }
    void TearDown() override
    {
        gDeviceReportHooks = DeviceReportHooks::standard();
        PageTest::TearDown();
    }
    static QStringList Entries(const BComboBox* box)
    {
        QStringList l;
        for (int i = 0; i < box->count(); ++i)
            l << box->itemText(i);
        return l;
    }
};

TEST_F(DevicePage, RoundTripKeepsEveryFieldByteForByte)
{
    SetParamText(paraBak.CntNet_ProName, QString::fromUtf8("注塑件-A7"));
    SetParamText(paraBak.CntNet_Operator, QString::fromUtf8("张三"));
    paraBak.cavity = 4;
    paraBak.expected_capacity = 1200;
    paraBak.product_batch = 20261207;
    // An operator stored by an older program may end in a cut character: untouched, it goes back
    // as it was, not as what was shown.
    const WizardPara before = paraBak;
    DeviceParamsWidget page(nullptr);
    page.WizardParaInit();
    EXPECT_EQ(page.operatorName->text(), QString::fromUtf8("张三"));
    EXPECT_EQ(Entries(page.productName), QStringList{QString::fromUtf8("注塑件-A7")});
    EXPECT_EQ(page.cavity->text(), "4");
    page.accept();
    EXPECT_TRUE(SameRecord(paraBak, before)) << "a stored Chinese operator must not come back as ??";

    std::memcpy(paraBak.CntNet_Operator, "ab\xe5\xbc", 5);  // a UTF-8 sequence cut short
    const WizardPara cut = paraBak;
    page.WizardParaInit();
    page.accept();
    EXPECT_TRUE(SameRecord(paraBak, cut));
}

TEST_F(DevicePage, TypedTextsAndNumbers)
{
    DeviceParamsWidget page(nullptr);
    page.WizardParaInit();
    page.operatorName->setText(QString::fromUtf8("José 李"));
    page.cavity->setText(" 0012 ");
    page.expectedCapacity->setText("");
    page.productBatch->setText("2147483647");
    page.productName->setEditable(true);
    page.productName->setEditText(QString::fromUtf8("杯盖"));
    EXPECT_EQ(page.refusedField(), 0);
    page.accept();
    EXPECT_EQ(QByteArray(paraBak.CntNet_Operator), QByteArray("Jos\xc3\xa9 ?")) << "é kept as UTF-8, 李 becomes ?";
    EXPECT_EQ(ParamText(paraBak.CntNet_ProName), QString::fromUtf8("杯盖"));
    EXPECT_EQ(paraBak.cavity, 12);
    EXPECT_EQ(paraBak.expected_capacity, 0);
    EXPECT_EQ(paraBak.product_batch, INT_MAX);
    // The "?" is said; the product name, kept whole, is not.
    EXPECT_EQ(page.cutNotes(), QStringList{textRow(648).arg(textRow(434), QString::fromUtf8("José ?"))});

    // Numbers the record cannot hold as typed: refused field by field, the edit copy keeps its value.
    const QList<std::pair<BLineEdit*, int>> fields = {
        {page.cavity, 435}, {page.expectedCapacity, 436}, {page.productBatch, 437}};
    for (const char* bad : {"99999999999", "2147483648", "00.5", "ABC12", "12ab", "-3", "1 2", "１２"}) {
        for (const auto& [field, row] : fields) {
            const WizardPara before = paraBak;
            const QString kept = field->text();
            field->setText(QString::fromUtf8(bad));
            EXPECT_EQ(page.refusedField(), row) << bad;
            page.accept();
            EXPECT_TRUE(SameRecord(paraBak, before)) << bad;
            field->setText(kept);
        }
    }
    EXPECT_EQ(page.refusedField(), 0);

    // Longer than the 100-byte field: cut to at most 99 bytes, never inside a character, and said.
    page.operatorName->setText(QString(110, 'o'));
    page.accept();
    EXPECT_EQ(ParamText(paraBak.CntNet_Operator), QString(99, 'o'));
    page.operatorName->setText(QString(60, QChar(0xe9)));  // 120 bytes in UTF-8
    page.accept();
    EXPECT_EQ(std::strlen(paraBak.CntNet_Operator), 98u);
    ASSERT_EQ(page.cutNotes().size(), 1);
    EXPECT_EQ(page.cutNotes()[0].remove("\r\n "), textRow(648).arg(textRow(434), QString(49, QChar(0xe9))).remove("\r\n "));
    // A text left as loaded is not said, whatever it holds.
    page.WizardParaInit();
    EXPECT_TRUE(page.cutNotes().isEmpty());
}

TEST_F(DevicePage, ProductReplyEdgeCases)
{
    DeviceParamsWidget page(nullptr);
    SetParamText(paraBak.CntNet_ProName, "cup");
    page.WizardParaInit();

    page.cnt_reset_product(R"({"result": []})");
    EXPECT_EQ(Entries(page.productName), QStringList{"cup"});
    EXPECT_EQ(page.productName->currentIndex(), 0);

    page.cnt_reset_product(R"({"result": [{"product_name": "lid"}, {"product_name": "cup"}, {"product_name": "cap"}]})");
    EXPECT_EQ(Entries(page.productName), (QStringList{"cup", "lid", "cap"})) << "current first and once";
    EXPECT_EQ(page.productName->currentText(), "cup");

    page.productName->setCurrentIndex(1);  // the operator picks "lid"
    for (const char* bad : {R"({"result": [{"product_name": "x"}, {"name": "y"}]})", "not json", R"({"other": 1})",
                            R"({"result": {"product_name": "x"}})", R"([{"product_name": "x"}])"}) {
        page.cnt_reset_product(bad);
        EXPECT_EQ(Entries(page.productName), (QStringList{"cup", "lid", "cap"})) << bad;
        EXPECT_EQ(page.productName->currentText(), "lid") << bad;
    }

    page.cnt_reset_product(QString::fromUtf8(R"({"result": [{"product_name": "杯"}, {"product_name": 7}, {"product_name": "lid"}]})"));
    EXPECT_EQ(Entries(page.productName), (QStringList{"lid", QString::fromUtf8("杯"), ""})) << "a non-string name is empty";
    EXPECT_EQ(page.productName->currentIndex(), 0);
}

TEST_F(DevicePage, ProductListAskedOnlyWhenReportingIsOnAndTheClientLinked)
{
    int sent = 0;
    gDeviceReportHooks.sendGetProduct = [&sent] { ++sent; };
    CNT_Net net;
    gpNet = &net;
    DeviceParamsWidget page(nullptr);
    struct Case {
        int enabled;
        bool open;
        bool connected;
        int sends;
    };
    for (const Case c : {Case{1, true, true, 1}, Case{0, true, true, 0}, Case{1, false, true, 0}, Case{1, true, false, 0}}) {
        sent = 0;
        para.cnt_net_enabled = c.enabled;
        paraBak.cnt_net_enabled = 1;  // the record in force decides
        net.isopen = c.open;
        net.connected = c.connected;
        page.getProductButton->click();
        EXPECT_EQ(sent, c.sends) << c.enabled << c.open << c.connected;
    }
    gpNet = nullptr;
    para.cnt_net_enabled = 1;
    page.SlotGetProductName();
    EXPECT_EQ(sent, 0) << "no report server";
}

TEST_F(DevicePage, ProductRepliesOfTheReportServerReachThePage)
{
    CNT_Net net;  // no PARAM.db: reporting off, nothing listens
    gpNet = &net;
    auto page = std::make_unique<DeviceParamsWidget>(nullptr);
    page->WizardParaInit();
    net.ParsingBackBuf("POST / HTTP/1.1\r\nSessionId: 14\r\n\r\n{\"result\": [{\"product_name\": \"lid\"}]}");
    ASSERT_TRUE(WaitUntil([&] { return !page->productReplyPending(); }, 3000));
    EXPECT_EQ(Entries(page->productName), (QStringList{"", "lid"}));

    // Replies coming faster than they are parsed: the newest wins, none is shown twice.
    const auto reply = [](const QString& name) {
        return "POST / HTTP/1.1\r\nSessionId: 14\r\n\r\n{\"result\": [{\"product_name\": \"" + name + "\"}]}";
    };
    for (const QString& name : {"a", "b", "not json", "c"})
        net.ParsingBackBuf(name == "not json" ? "POST /\r\nSessionId: 14\r\n\r\n{" : reply(name));
    ASSERT_TRUE(WaitUntil([&] { return !page->productReplyPending(); }, 3000));
    const QStringList shown = Entries(page->productName);
    EXPECT_EQ(shown.first(), "");
    EXPECT_EQ(shown.last(), "c");
    EXPECT_LE(shown.size(), 3);

    // The page going while a reply is parsed: the result finds no page and is dropped.
    net.ParsingBackBuf(reply("d"));
    EXPECT_TRUE(page->productReplyPending());
    page.reset();  // the receiver goes with the page
    WaitUntil([] { return false; }, 200);
    net.ParsingBackBuf("POST / HTTP/1.1\r\nSessionId: 14\r\n\r\n{\"result\": []}");
    gpNet = nullptr;
}

TEST_F(DevicePage, StatisticsResetAsksThenClearsAtOnce)
{
    RecordingRunner runner;
    int statistics = 0, manualStop = 0;
    gDeviceReportHooks.initStatistics = [&] { ++statistics; };
    gDeviceReportHooks.initManualStop = [&] { ++manualStop; };
    dir->write("cnt_net/data/Statistics", "{}");
    dir->write("cnt_net/data/ManualStop", "{}");
    QString asked;
    int answer = QDialog::Rejected;
    setModalHook([&](QDialog& d) {
        asked = d.metaObject()->className();
        return answer;
    });
    DeviceParamsWidget page(nullptr);
    page.resetStatisticsButton->click();
    EXPECT_EQ(asked, "BMessageBox");
    EXPECT_TRUE(QFile::exists("cnt_net/data/Statistics")) << "declined: nothing happens";
    EXPECT_TRUE(runner.calls.isEmpty());
    EXPECT_EQ(statistics, 0);

    answer = QDialog::Accepted;
    page.resetStatisticsButton->click();
    EXPECT_FALSE(QFile::exists("cnt_net/data/Statistics"));
    EXPECT_FALSE(QFile::exists("cnt_net/data/ManualStop"));
    EXPECT_EQ(runner.lines(), (QStringList{"rm -rf ./cnt_net/cnt_alarmimage", "rm -rf ./cnt_net/cnt_tempimage",
                                           "rm -rf ./cnt_net/cnt_fail"}));
    EXPECT_EQ(statistics, 1);
    EXPECT_EQ(manualStop, 1);
    page.resetStatisticsButton->click();  // files already gone: still runs without complaint
    EXPECT_EQ(statistics, 2);
}

}  // namespace
