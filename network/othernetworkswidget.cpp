#include "network/othernetworkswidget.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/syspath.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "settings/devicefields.h"
#include "widgets/blineedit.h"
#include "widgets/checkbox.h"
#include "widgets/fittext.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

namespace {

const char* const kWifiFile = "./cnt_net/wlanpwd.conf";
const char* const kServerDb = "./cnt_net/sysconf.db";
// What a push button's frame and margins take of its width.
const int kButtonPadding = 16;

BLineEdit* Field(QWidget* parent, const char* title, KeyboardType type)
{
    auto* f = new BLineEdit(parent, QString::fromUtf8(title), QString(), type);
    f->setFixedWidth(300);
    return f;
}

QLabel* Caption(QWidget* parent, int row)
{
    auto* label = new QLabel(textRow(row), parent);
    label->setMinimumWidth(130);
    return label;
}

bool ReportingUsable()
{
    return gpWPara && gpWPara->cnt_net_enabled && gpNet && gpNet->isopen && gpNet->connected;
}

}  // namespace

OtherNetworksWidget::OtherNetworksWidget(QWidget* parent) : BWidget(parent)
{
    setObjectName("OtherNetworksWidget");
    smsSwitch = new CheckBox(this, QString());
    ngVideoSwitch = new CheckBox(this, QString());
    techName = Field(this, "", KeyboardFull);
    techPhone = Field(this, "", KeyboardDigital);
    wifiName = Field(this, "", KeyboardFull);
    wifiPassword = Field(this, "", KeyboardDigital);
    infoServer = Field(this, "192.168.3.1", KeyboardDigital);
    fileServer = Field(this, "192.168.3.1", KeyboardDigital);
    infoPort = Field(this, "8000", KeyboardDigital);
    filePort = Field(this, "8000", KeyboardDigital);
    updateWifi = new QPushButton(textRow(444), this);
    updateServer = new QPushButton(textRow(453), this);
    for (QPushButton* b : {updateWifi, updateServer}) {
        b->setFixedSize(200, 50);
        // Longer captions ("Update server settings") are set smaller than the page's 22 px, not cut.
        FitCaption(b, {b->text()}, 200 - kButtonPadding, 22);
    }
    trafficLines = new QLabel(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(100, 50, 0, 50);
    column->setSpacing(30);
    auto row = [&](std::initializer_list<QWidget*> widgets, bool spaced) {
        auto* r = new QHBoxLayout;
        if (spaced) {
            r->setSpacing(40);
            r->setContentsMargins(0, 0, 0, 0);
        }
        for (QWidget* w : widgets)
            r->addWidget(w);
        r->addStretch();
        column->addLayout(r);
    };
    row({Caption(this, 429), smsSwitch}, false);
    row({Caption(this, 430), ngVideoSwitch}, false);
    row({Caption(this, 427), techName, Caption(this, 428), techPhone}, true);
    row({Caption(this, 445), wifiName, Caption(this, 446), wifiPassword, updateWifi}, true);
    row({Caption(this, 450), infoServer, Caption(this, 452), infoPort}, true);
    row({Caption(this, 451), fileServer, Caption(this, 452), filePort, updateServer}, true);
    // The traffic seen per interface while the page shows, a line each.
    row({Caption(this, 695), trafficLines}, true);
    column->addStretch();

    oldInit();
    setStyleSheet("QLabel{font-size:22px;color:#656263;}QPushButton {font-size:22px;color:#656263;}");
    connect(updateWifi, &QPushButton::clicked, this, &OtherNetworksWidget::SlotUpdateWifi);
    connect(updateServer, &QPushButton::clicked, this, &OtherNetworksWidget::SlotUpdateServer);
}

void OtherNetworksWidget::oldInit()
{
    chkTimer = new QTimer(this);
    connect(chkTimer, &QTimer::timeout, this, &OtherNetworksWidget::SlotTimerChk);
}

void OtherNetworksWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    smsSwitch->setChecked(gpWParaBak->alarm_sms != 0);
    loadedTech_ = ParamText(gpWParaBak->CntNet_MsgTechName);
    techName->setText(loadedTech_);
    loadedPhone_ = ParamText(gpWParaBak->CntNet_MsgTechNum);
    techPhone->setText(loadedPhone_);
    ngVideoSwitch->setChecked(gpWParaBak->ng_video_record != 0);
}

void OtherNetworksWidget::accept()
{
    if (gpWParaBak) {
        gpWParaBak->alarm_sms = smsSwitch->isChecked() ? 1 : 0;
        StoreFieldText(gpWParaBak->CntNet_MsgTechName, techName->text(), loadedTech_, false);
        StoreFieldText(gpWParaBak->CntNet_MsgTechNum, techPhone->text(), loadedPhone_, false);
        gpWParaBak->ng_video_record = ngVideoSwitch->isChecked() ? 1 : 0;
    }
    chkTimer->stop();
}

QStringList OtherNetworksWidget::cutNotes() const
{
    QStringList notes;
    for (const QString& note :
         {CutNote(techName->text(), loadedTech_, false, 427), CutNote(techPhone->text(), loadedPhone_, false, 428)})
        if (!note.isEmpty())
            notes << note;
    return notes;
}

void OtherNetworksWidget::showEvent(QShowEvent* event)
{
    SlotWifi();
    SlotServer();
    SlotStartChk();
    BWidget::showEvent(event);
}

void OtherNetworksWidget::hideEvent(QHideEvent* event)
{
    SlotCloseWgt();
    BWidget::hideEvent(event);
}

void OtherNetworksWidget::SlotWifi()
{
    QFile file(sysPath("/etc/wpa_supplicant/wlanpwd.conf"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString name, password;
    ParseWifiConf(file.readAll(), &name, &password);
    if (!name.isEmpty())
        wifiName->setText(name);
    if (!password.isEmpty())
        wifiPassword->setText(password);
}

void OtherNetworksWidget::SlotUpdateWifi()
{
    if (!showChooseBox(textRow(448)))
        return;
    const QString name = wifiName->text(), password = wifiPassword->text();
    if (!WifiValuesValid(name, password)) {
        showWarnBox(textRow(691));
        return;
    }
    QDir().mkpath("./cnt_net");
    QFile file(kWifiFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const QByteArray text = WifiConfText(name, password);
    const bool written = file.write(text) == text.size();
    file.close();
    if (!written) {
        showWarnBox(textRow(692));
        return;
    }
    const CommandResult r = runCommand("cp", {"-f", kWifiFile, "/etc/wpa_supplicant/"});
    if (!r.skipped && !r.ok())
        showWarnBox(textRow(692));
}

void OtherNetworksWidget::SlotServer()
{
    const QMap<QString, QString> values = ReadServerSettings(kServerDb);
    BLineEdit* fields[4] = {infoServer, fileServer, infoPort, filePort};
    for (int i = 0; i < 4; ++i) {
        const auto it = values.constFind(ServerKeys()[i]);
        if (it != values.constEnd())
            fields[i]->setText(*it);
    }
}

void OtherNetworksWidget::SlotUpdateServer()
{
    if (!showChooseBox(textRow(454)))
        return;
    if (!QFile::exists(kServerDb))
        return;
    const QMap<QString, QString> values{{ServerKeys()[0], infoServer->text()},
                                        {ServerKeys()[1], fileServer->text()},
                                        {ServerKeys()[2], infoPort->text()},
                                        {ServerKeys()[3], filePort->text()}};
    switch (WriteServerSettings(kServerDb, values)) {
    case ServerWrite::Refused:
        showWarnBox(textRow(693));
        return;
    case ServerWrite::Failed:
        showWarnBox(textRow(694));
        return;
    case ServerWrite::Written:
        break;
    }
    if (gpNet)
        gpNet->serverSettingsChanged = true;
}

void OtherNetworksWidget::SlotStartChk()
{
    QFile dev(sysPath("/proc/net/dev"));
    traffic_.start(dev.open(QIODevice::ReadOnly) ? ReceiveCounts(dev.readAll()) : QMap<QString, qint64>());
    chkTimer->start(kTrafficMs);
    ShowTraffic();
}

void OtherNetworksWidget::SlotTimerChk()
{
    QFile dev(sysPath("/proc/net/dev"));
    traffic_.tick(dev.open(QIODevice::ReadOnly) ? ReceiveCounts(dev.readAll()) : QMap<QString, qint64>());
    ShowTraffic();
}

void OtherNetworksWidget::ShowTraffic()
{
    QStringList lines;
    for (auto it = traffic_.counts().cbegin(); it != traffic_.counts().cend(); ++it)
        lines << it.key() + ": " + textRow(traffic_.flags().value(it.key(), false) ? 696 : 697);
    trafficLines->setText(lines.join('\n'));
    update();
}

void OtherNetworksWidget::SlotCloseWgt()
{
    chkTimer->stop();
}

void OtherNetworksWidget::SlotResetStatistics()
{
    if (!showChooseBox(textRow(447)))
        return;
    ResetReportStatistics(gpNet ? std::function<void()>([] { gpNet->InitStatistics(); }) : nullptr,
                          gpNet ? std::function<void()>([] { gpNet->InitManualStop(); }) : nullptr);
}

void OtherNetworksWidget::SlotGetProductName()
{
    if (ReportingUsable())
        gpNet->CNT_SendGetProduct();
}

void OtherNetworksWidget::SlotGetRemindList()
{
    if (ReportingUsable())
        gpNet->CNT_SendGetRemindList();
}
