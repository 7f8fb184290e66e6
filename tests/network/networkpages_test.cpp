// The network parameters, other networks and reminders pages on their own.
#include <cstring>

#include <QButtonGroup>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QAbstractButton>

#include "common/programtest.h"
#include "common/reportpeer.h"
#include "core/defaultdatabases.h"
#include "core/parameterstore.h"
#include "network/cnt_net.h"
#include "network/memorandumwidget.h"
#include "network/networkparamswidget.h"
#include "network/othernetworkfiles.h"
#include "network/othernetworkswidget.h"
#include "widgets/bcombobox.h"
#include "widgets/blineedit.h"
#include "widgets/checkbox.h"
#include "widgets/choosebox.h"
#include "widgets/warnbox.h"
#include "widgets/modalhook.h"

namespace {

// A page test with a report server (reporting off unless PARAM.db says so), a machine tree under
// MOULDMON_SYSROOT and the modal boxes answered and counted.
class NetPages : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        UseParameters();
        oldRoot = qgetenv("MOULDMON_SYSROOT");
        qputenv("MOULDMON_SYSROOT", root.path().toLocal8Bit());
        oldNet = gpNet;
        net.reset(new CNT_Net);
        gpNet = net.get();
        setModalHook([this](QDialog& d) {
            const bool choose = dynamic_cast<ChooseBox*>(&d) != nullptr;
            boxes << (choose ? "ChooseBox" : dynamic_cast<WarnBox*>(&d) ? "WarnBox" : "other");
            return choose ? answer : int(QDialog::Accepted);
        });
    }
    void TearDown() override
    {
        setModalHook({});
        gpNet = oldNet;
        net.reset();
        if (oldRoot.isEmpty())
            qunsetenv("MOULDMON_SYSROOT");
        else
            qputenv("MOULDMON_SYSROOT", oldRoot);
        ProgramTest::TearDown();
    }
    bool WriteSys(const QString& path, const QByteArray& data)
    {
        const QString full = root.path() + path;
        QDir().mkpath(QFileInfo(full).path());
        QFile f(full);
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
    void MakeServerDb(const QStringList& keys)
    {
        QDir().mkpath("cnt_net");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pagetest");
            db.setDatabaseName("cnt_net/sysconf.db");
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            q.exec("create table info_sysconf (信息名称 text, 值 text)");
            for (const QString& k : keys) {
                q.prepare("insert into info_sysconf values (?, ?)");
                q.addBindValue(k);
                q.addBindValue(k.startsWith("serverip") ? "10.0.0.1" : "7000");
                q.exec();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("pagetest");
    }
    QMap<QString, QString> ServerRows()
    {
        QMap<QString, QString> rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pagetest");
            db.setDatabaseName("cnt_net/sysconf.db");
            db.open();
            QSqlQuery q("select 信息名称, 值 from info_sysconf", db);
            while (q.next())
                rows.insert(q.value(0).toString(), q.value(1).toString());
            db.close();
        }
        QSqlDatabase::removeDatabase("pagetest");
        return rows;
    }

    QTemporaryDir root;
    QByteArray oldRoot;
    CNT_Net* oldNet = nullptr;
    std::unique_ptr<CNT_Net> net;
    QStringList boxes;
    int answer = QDialog::Accepted;
};

TEST_F(NetPages, NetworkParamsRoundTripAndDeviceNameOnlyOnAccept)
{
    paraBak.cnt_net_enabled = 1;
    paraBak.serial_port = 3;
    paraBak.video_share = 1;
    paraBak.video_fps_index = 4;
    net->cardEdit.hostName = net->cardInForce.hostName = "press-7";
    NetworkParamsWidget page;
    page.initCards = [&] {  // the settings screen's part of loading
        page.videoType->button(paraBak.video_share)->setChecked(true);
        page.frameRate->button(paraBak.video_fps_index)->setChecked(true);
        page.deviceName->setText(net->cardEdit.hostName);
    };
    page.WizardParaInit();
    EXPECT_TRUE(page.bigData->isChecked());
    EXPECT_EQ(page.serialPort->currentText(), "COM4");
    const WizardPara before = paraBak;
    page.accept();
    EXPECT_EQ(std::memcmp(&before, &paraBak, sizeof paraBak), 0);

    page.serialPort->setCurrentIndex(0);
    page.bigData->setChecked(false);
    page.videoType->button(2)->setChecked(true);
    page.frameRate->button(0)->setChecked(true);
    page.deviceName->setText("press-8");
    EXPECT_EQ(net->cardEdit.hostName, "press-7");
    page.accept();
    EXPECT_EQ(paraBak.serial_port, 0);
    EXPECT_EQ(paraBak.cnt_net_enabled, 0);
    EXPECT_EQ(paraBak.video_share, 2);
    EXPECT_EQ(paraBak.video_fps_index, 0);
    EXPECT_EQ(net->cardEdit.hostName, "press-8");
    EXPECT_EQ(net->cardInForce.hostName, "press-7");
}

TEST_F(NetPages, TechnicianTextsRoundTripAsUtf8CutOnACharacter)
{
    OtherNetworksWidget page;
    page.techName->setText(QString::fromUtf8("张工"));
    page.techPhone->setText("13800000000");
    page.smsSwitch->setChecked(true);
    page.accept();
    EXPECT_EQ(QByteArray(paraBak.CntNet_MsgTechName), QByteArray("张工"));
    EXPECT_EQ(paraBak.alarm_sms, 1);
    EXPECT_EQ(paraBak.ng_video_record, 0);
    OtherNetworksWidget again;
    again.WizardParaInit();
    EXPECT_EQ(again.techName->text(), QString::fromUtf8("张工"));
    EXPECT_EQ(again.techPhone->text(), "13800000000");
    EXPECT_TRUE(again.smsSwitch->isChecked());

    // 34 three-byte characters: 102 bytes, cut to 33 characters (99 bytes), never half of one.
    page.techName->setText(QString(34, QChar(0x5F20)));
    page.accept();
    EXPECT_EQ(ParamText(paraBak.CntNet_MsgTechName), QString(33, QChar(0x5F20)));
}

TEST_F(NetPages, UpdateButtonCaptionsFitTheirFixedButtonsInEveryLanguage)
{
    for (int lan : {0, 1, 2}) {
        gLan = lan;
        OtherNetworksWidget page;
        page.show();
        for (QPushButton* b : {page.updateWifi, page.updateServer}) {
            EXPECT_EQ(b->size(), QSize(200, 50));
            // The room the style leaves for the caption, in the type the button is drawn with.
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
            EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->text()), room.width())
                << lan << " " << b->text().toStdString() << " at " << b->font().pixelSize() << " px";
            EXPECT_GE(b->font().pixelSize(), 12);
        }
    }
}

TEST_F(NetPages, WifiFileBytesAndTheRecordedCopy)
{
    RecordingRunner runner;
    OtherNetworksWidget page;
    page.wifiName->setText(QString::fromUtf8("车间 5G"));
    page.wifiPassword->setText("pass word1");
    page.SlotUpdateWifi();
    EXPECT_EQ(dir->read("cnt_net/wlanpwd.conf"),
              QByteArray("network={\r\n\tssid=\"") + QString::fromUtf8("车间 5G").toUtf8() +
                  "\"\r\n\tpsk=\"pass word1\"\r\n\tproto=RSN\r\n}\r\n");
    EXPECT_EQ(runner.lines(), QStringList{"cp -f ./cnt_net/wlanpwd.conf /etc/wpa_supplicant/"});
    EXPECT_EQ(boxes, QStringList{"ChooseBox"});

    // A failed copy is shown.
    runner.answer = [](const RecordedCommand&) {
        CommandResult r;
        r.started = true;
        r.exitCode = 1;
        return r;
    };
    boxes.clear();
    page.SlotUpdateWifi();
    EXPECT_EQ(boxes, (QStringList{"ChooseBox", "WarnBox"}));
}

TEST_F(NetPages, WifiRefusalsAndNoWriteNothing)
{
    RecordingRunner runner;
    OtherNetworksWidget page;
    const struct {
        const char* name;
        const char* password;
    } bad[] = {{"a\"b", "password1"},  {"net\nx", "password1"}, {"", "password1"},
               {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "password1"},  // 33 bytes
               {"net", "short7!"}, {"net", "pass\"word"}, {"net", "pass\x01word"},
               {"net", "密码密码密码密码"}};
    for (const auto& b : bad) {
        boxes.clear();
        page.wifiName->setText(QString::fromUtf8(b.name));
        page.wifiPassword->setText(QString::fromUtf8(b.password));
        page.SlotUpdateWifi();
        EXPECT_EQ(boxes, (QStringList{"ChooseBox", "WarnBox"})) << b.name << " / " << b.password;
    }
    EXPECT_TRUE(WifiValuesValid(QString(32, 'n'), QString(63, 'p')));
    EXPECT_FALSE(WifiValuesValid("n", QString(64, 'p')));
    answer = QDialog::Rejected;
    page.wifiName->setText("net");
    page.wifiPassword->setText("password1");
    page.SlotUpdateWifi();
    EXPECT_FALSE(QFile::exists("cnt_net/wlanpwd.conf"));
    EXPECT_TRUE(runner.calls.isEmpty());
}

TEST_F(NetPages, WifiFieldsReadBackOnShowAndAnEmptyNameKeepsTheField)
{
    OtherNetworksWidget page;
    page.wifiName->setText("kept");
    ASSERT_TRUE(WriteSys("/etc/wpa_supplicant/wlanpwd.conf",
                         "network={\r\n\tssid=\"\"\r\n\tpsk=\"secret99\"\r\n}\r\n"));
    page.SlotWifi();
    EXPECT_EQ(page.wifiName->text(), "kept");
    EXPECT_EQ(page.wifiPassword->text(), "secret99");
    ASSERT_TRUE(WriteSys("/etc/wpa_supplicant/wlanpwd.conf", WifiConfText(QString::fromUtf8("车间"), "secret99")));
    page.SlotWifi();
    EXPECT_EQ(page.wifiName->text(), QString::fromUtf8("车间"));
}

TEST_F(NetPages, ServerUpdateChangesOnlyExistingRowsAndSetsTheFlag)
{
    MakeServerDb({"serverip_info"});
    OtherNetworksWidget page;
    page.SlotServer();
    EXPECT_EQ(page.infoServer->text(), "10.0.0.1");
    EXPECT_EQ(page.infoPort->text(), "");
    page.infoServer->setText("192.168.9.9");
    page.infoPort->setText("not a port");  // no row: neither checked nor written
    page.SlotUpdateServer();
    EXPECT_EQ(ServerRows(), (QMap<QString, QString>{{"serverip_info", "192.168.9.9"}}));
    EXPECT_TRUE(net->serverSettingsChanged);
}

TEST_F(NetPages, ServerRefusalsWriteNothingAndLeaveTheFlag)
{
    MakeServerDb(ServerKeys());
    const QMap<QString, QString> before = ServerRows();
    OtherNetworksWidget page;
    page.SlotServer();
    page.infoServer->setText("192.168.9.9");
    for (const char* port : {"0", "65536", "80' or '1'='1", ""}) {
        page.filePort->setText(port);
        boxes.clear();
        page.SlotUpdateServer();
        EXPECT_EQ(boxes, (QStringList{"ChooseBox", "WarnBox"})) << port;
    }
    page.filePort->setText("8000");
    page.fileServer->setText("1.2.3.4'; drop table info_sysconf; --");
    page.SlotUpdateServer();
    EXPECT_EQ(ServerRows(), before);
    EXPECT_FALSE(net->serverSettingsChanged);
    answer = QDialog::Rejected;
    page.fileServer->setText("10.0.0.2");
    page.SlotUpdateServer();
    EXPECT_EQ(ServerRows(), before);
    EXPECT_FALSE(net->serverSettingsChanged);
    answer = QDialog::Accepted;
    page.filePort->setText("65535");
    page.SlotUpdateServer();
    EXPECT_EQ(ServerRows().value("serverport_file"), "65535");
    EXPECT_TRUE(net->serverSettingsChanged);
}

TEST_F(NetPages, TrafficFlagsFromProcNetDev)
{
    auto dev = [&](qint64 eth0, qint64 wlan0) {
        return WriteSys("/proc/net/dev",
                        "Inter-|   Receive\n face |bytes    packets\n    lo: 900 1 0\n  eth0: " +
                            QByteArray::number(eth0) + " 5 0\n wlan0: " + QByteArray::number(wlan0) + " 2 0\n");
    };
    ASSERT_TRUE(dev(1000, 50));
    OtherNetworksWidget page;
    page.SlotStartChk();
    EXPECT_EQ(page.traffic().counts().keys(), (QList<QString>{"eth0", "wlan0"}));
    EXPECT_TRUE(page.trafficTimer()->isActive());
    ASSERT_TRUE(dev(1001, 50));
    page.SlotTimerChk();
    EXPECT_TRUE(page.traffic().flags().value("eth0"));
    EXPECT_FALSE(page.traffic().flags().value("wlan0"));
    page.SlotTimerChk();
    EXPECT_FALSE(page.traffic().flags().value("eth0"));
    ASSERT_TRUE(WriteSys("/proc/net/dev", "  eth0: 1001 5 0\n  eth1: 77 1 0\n"));
    page.SlotTimerChk();
    EXPECT_FALSE(page.traffic().flags().value("eth1"));  // seen for the first time
    page.accept();
    EXPECT_FALSE(page.trafficTimer()->isActive());
}

TEST_F(NetPages, RequestsNeedReportingAndAClient)
{
    OtherNetworksWidget page;
    page.SlotGetRemindList();
    page.SlotGetProductName();
    EXPECT_EQ(net->queuedMessages(), 0);
}

const char* kThree = R"({"result":[
 {"operator":"王五","create_utc":0,"notify_utc":86400000,"duration":5,"reminder_name":"换模"},
 {"operator":"b","create_utc":1000,"notify_utc":2000,"duration":10,"reminder_name":"n2"},
 {"operator":"c","create_utc":1000,"notify_utc":2000,"duration":15,"reminder_name":"n3"}]})";

class Reminders : public NetPages {
protected:
    void SetUp() override
    {
        oldTz = qgetenv("TZ");
        qputenv("TZ", "UTC");
        tzset();
        NetPages::SetUp();
    }
    void TearDown() override
    {
        NetPages::TearDown();
        if (oldTz.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
    }
    QStringList Row(const MemorandumWidget& page, int r)
    {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << page.model()->index(r, c).data().toString();
        return cells;
    }
    QByteArray oldTz;
};

TEST_F(Reminders, RefillInReplyOrderWithUtf8AndEpochTimes)
{
    MemorandumWidget page;
    page.show();
    page.cnt_reset_remind(QString::fromUtf8(kThree));
    ASSERT_EQ(page.model()->rowCount(), 3);
    EXPECT_EQ(Row(page, 0), (QStringList{QString::fromUtf8("王五"), "70-01-01 00:00:00", "70-01-02 00:00:00", "5",
                                          QString::fromUtf8("换模")}));
    EXPECT_EQ(Row(page, 2)[0], "c");
    // An empty list and malformed replies keep the table.
    for (const char* body : {R"({"result":[]})", "{not json", R"({"other":[]})"}) {
        page.cnt_reset_remind(body);
        EXPECT_EQ(page.model()->rowCount(), 3) << body;
    }
}

TEST_F(Reminders, MissingKeyEndsTheRefillAndAHiddenPageIsUntouched)
{
    MemorandumWidget page;
    page.show();
    page.cnt_reset_remind(R"({"result":[
        {"operator":"a","create_utc":0,"notify_utc":0,"duration":1,"reminder_name":"n1"},
        {"operator":"b","create_utc":0,"notify_utc":60000},
        {"operator":"c","create_utc":0,"notify_utc":0,"duration":1,"reminder_name":"n3"}]})");
    ASSERT_EQ(page.model()->rowCount(), 2);
    EXPECT_EQ(Row(page, 0)[4], "n1");
    EXPECT_EQ(Row(page, 1), (QStringList{"b", "70-01-01 00:00:00", "70-01-01 00:01:00", "", ""}));
    page.hide();
    page.cnt_reset_remind(QString::fromUtf8(kThree));
    EXPECT_EQ(page.model()->rowCount(), 2);
}

// A reporting server in a program directory, a peer client answering the reminder request.
TEST_F(Reminders, PeerReplyFillsTheShownPage)
{
    ASSERT_TRUE(CreateDefaultDatabases("."));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pagetest");
        db.setDatabaseName("PARAM.db");
        db.open();
        QSqlQuery q(db);
        q.exec("UPDATE sysparam SET value = '1 0 0 0 0 0 0 0' WHERE name = 'CntNet'");
        db.close();
    }
    QSqlDatabase::removeDatabase("pagetest");
    gpNet = nullptr;
    net.reset(new CNT_Net);
    gpNet = net.get();
    ASSERT_TRUE(net->isopen);
    para.cnt_net_enabled = 1;
    MemorandumWidget page;  // registers for the reminder replies
    OtherNetworksWidget other;
    page.show();
    ReportPeerProcess peer({"--port", "8890"});
    ASSERT_TRUE(WaitUntil([&] { return bool(net->connected); }, 5000));
    other.SlotGetRemindList();
    ASSERT_TRUE(peer.waitForFrames(1));
    EXPECT_TRUE(peer.frames()[0].startsWith("17:"));
    QByteArray body = QByteArray(kThree).replace("\n", "");
    peer.send("session 17 " + body);
    EXPECT_TRUE(WaitUntil([&] { return page.model()->rowCount() == 3; }, 5000));
    EXPECT_EQ(Row(page, 1)[4], "n2");
    peer.stop();
}

}  // namespace
