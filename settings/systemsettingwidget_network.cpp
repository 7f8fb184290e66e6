// The settings screen's slots for the network page (card fields, reporting card, connectivity
// check) and for the system log page (the days and the chosen day's record).
#include "settings/systemsettingwidget.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSqlTableModel>
#include <QTableView>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/networkparamswidget.h"
#include "settings/connectivity.h"
#include "settings/networkcardfields.h"
#include "settings/pagechoices.h"
#include "settings/recorddays.h"
#include "settings/systemlogwidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/bcombobox.h"
#include "widgets/blineedit.h"
#include "widgets/checkbox.h"
#include "widgets/textrow.h"

namespace {
void Repaint(QWidget* w)
{
    w->repaint();
    QCoreApplication::processEvents();
}
}  // namespace

void SystemSettingWidget::ConnectNetwork()
{
    NetworkParamsWidget* page = networkParams;
    page->initCards = [this] { InitCntNetWidget(); };
    connect(page->bigData, SIGNAL(stateChanged(int)), this, SLOT(SlotCBoxIsUseCntNet(int)));
    connect(page->card, SIGNAL(currentIndexChanged(int)), this, SLOT(SlotCmbCard(int)));
    connect(page->address, SIGNAL(textChanged(QString)), this, SLOT(SlotIpTimelyModify(QString)));
    connect(page->mask, SIGNAL(textChanged(QString)), this, SLOT(SlotMaskTimelyModify(QString)));
    connect(page->gateway, SIGNAL(textChanged(QString)), this, SLOT(SlotWayTimelyModify(QString)));
    connect(page->useCard, SIGNAL(pressed()), this, SLOT(SlotCntClick()));
    connect(page->useCard, SIGNAL(stateChanged(int)), this, SLOT(SlotCntName(int)));
    connect(page->testButton, SIGNAL(clicked(bool)), this, SLOT(SlotCheckPing()));

    connect(this, &BVerticalTabBar::recordshow, this, &SystemSettingWidget::SlotToRecord);
    connect(systemLog->dayList(), &QListWidget::itemClicked, this, &SystemSettingWidget::UpdateRecord);
}

void SystemSettingWidget::InitCntNetWidget()
{
    if (!gpNet || !gpWParaBak)
        return;
    NetworkParamsWidget* page = networkParams;
    const bool blocked = page->card->blockSignals(true);
    page->card->clear();
    page->card->addItems(gpNet->cardEdit.addresses.keys());
    page->card->blockSignals(blocked);
    SlotCmbCard(page->card->currentIndex());
    page->deviceName->setText(gpNet->cardEdit.hostName);
    showChoice(page->videoType, gpWParaBak->video_share);
    showChoice(page->frameRate, gpWParaBak->video_fps_index);
}

void SystemSettingWidget::SlotCmbCard(int index)
{
    if (!gpNet || !gpWParaBak || !gpWPara)
        return;
    NetworkParamsWidget* page = networkParams;
    const QString card = page->card->itemText(index);
    const CardFields f = FieldsForCard(
        gpNet->cardEdit, card, QString::fromLatin1(gpWParaBak->CntNet_UseName),
        QString::fromLatin1(gpWPara->CntNet_UseName), [] { return Ipv4Interfaces(); },
        [] { return runCommand("ip", {"route", "show"}).out; });
    if (f.hasMac) {
        page->mac->setText(f.mac);
        Repaint(page);
    }
    if (f.hasAddress) {
        page->address->setText(f.address);
        page->gateway->setText(f.gateway);
    }
    if (f.hasMask)
        page->mask->setText(f.mask);
    if (f.hasUseCard)
        page->useCard->setChecked(f.useCard);
    page->update();
}

void SystemSettingWidget::SlotIpTimelyModify(QString text)
{
    if (gpNet)
        SetCardEntry(gpNet->cardEdit, networkParams->card->currentText(), 0, text);
}

void SystemSettingWidget::SlotMaskTimelyModify(QString text)
{
    if (gpNet)
        SetCardEntry(gpNet->cardEdit, networkParams->card->currentText(), 1, text);
}

void SystemSettingWidget::SlotWayTimelyModify(QString text)
{
    if (gpNet)
        SetCardEntry(gpNet->cardEdit, networkParams->card->currentText(), 2, text);
}

void SystemSettingWidget::SlotCBoxIsUseCntNet(int value)
{
    cntNetOn_ = value != 0;
    networkParams->testResult->setText(netStatus);
    networkParams->testResult->setVisible(cntNetOn_);
    networkParams->update();
}

void SystemSettingWidget::SlotCntClick()
{
    cntNameTouched_ = true;
}

void SystemSettingWidget::SlotCntName(int state)
{
    if (!cntNameTouched_ || !gpWParaBak)
        return;
    SetReportingCard(*gpWParaBak, networkParams->card->currentText(), state != 0);
    cntNameTouched_ = false;
}

void SystemSettingWidget::SlotCheckPing()
{
    netStatus += "*";
    networkParams->testResult->setText(netStatus);
    Repaint(networkParams);
    netStatus = CheckConnectivity(gpNet && gpNet->connected);
    networkParams->testResult->setText(netStatus);
    networkParams->update();
}

void SystemSettingWidget::SlotToNetwork()
{
    if (!gpNet || !gpWin || !gpWin->CheckRoot())
        return;
    gpNet->cardInForce.addresses = CNT_Net::getNewNetCardInfo();
    gpNet->cardInForce.hostName = CNT_Net::getNetHostName();
}

void SystemSettingWidget::SlotToRecord()
{
    QListWidget* days = systemLog->dayList();
    days->clear();
    days->addItems(RecordDays(gpWin ? gpWin->recordDir.path() : QStringLiteral("./RECORD"), QDate::currentDate()));
    days->setCurrentRow(0);
    UpdateRecord(days->item(0));
    DoChangePage();
}

void SystemSettingWidget::UpdateRecord(QListWidgetItem* item)
{
    QTableView* table = systemLog->table();
    table->setModel(nullptr);
    delete recordModel;
    recordModel = nullptr;
    if (!item)
        return;
    QSqlDatabase db;
    if (systemLog->dayList()->row(item) == 0) {
        db = gpWin ? gpWin->recordDb : QSqlDatabase::database("dbRecord", false);
        if (!db.isOpen() && !db.open())
            return;
    } else {
        dbList.close();
        const QString archive = gpWin ? gpWin->recordDir.absolutePath() : QDir("./RECORD").absolutePath();
        dbList.setDatabaseName(QString("%1//%2.db").arg(archive, item->text()));
        if (!dbList.open())
            return;
        db = dbList;
    }
    recordModel = NewRecordModel(this, db);
    ShowRecordModel(table, recordModel);
    emit pListWClick();
}
