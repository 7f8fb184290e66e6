// The maintenance actions of the settings screen: its slots hand the steps to MaintenanceActions
// with a host made of this screen, its pages and the main window.
#include "settings/systemsettingwidget.h"

#include <functional>

#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>

#include "core/globals.h"
#include "core/syspath.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/maintenanceactions.h"
#include "settings/settingshost.h"
#include "settings/systemfunctionswidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/blineedit.h"
#include "widgets/editdatetime.h"
#include "widgets/modalhook.h"
#include "widgets/modifytimewidget.h"
#include "widgets/numcharinput.h"
#include "widgets/toolkitglobals.h"

namespace {
class ScreenMaintenanceHost : public MaintenanceHost {
public:
    explicit ScreenMaintenanceHost(SystemSettingWidget* screen) : s(screen) {}

    void acceptSettings() override { s->accept(); }
    void record(const QString& text) override { s->host()->insertRecord(text); }
    void flushAll() override { s->host()->flushAll(); }
    bool checkRoot() override { return gpWin && gpWin->CheckRoot(); }
    void clearRecord() override
    {
        if (gpWin)
            gpWin->ClearRecord();
    }

    QString chooseUpdateFile() override
    {
        QFileDialog dialog(s, QObject::tr("选择投影数据文件目录"));
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setViewMode(QFileDialog::List);
        dialog.resize(gShowW - 50, gShowH - 100);
        dialog.setNameFilter("*.[r,t]ar*");
        dialog.setDirectory(sysPath("/mnt"));
        QFont font("wqy-microhei");
        font.setPixelSize(gShowW < 801 ? 20 : 30);
        dialog.setFont(font);
        if (execModal(dialog) != QDialog::Accepted)
            return QString();
        const QStringList files = dialog.selectedFiles();
        return files.isEmpty() ? QString() : files.first();
    }

    bool runClockDialog() override
    {
        s->modifyTimeWidget->entry()->ShowDateTime();
        return execModal(*s->modifyTimeWidget) == 1;
    }
    bool setClock() override { return s->modifyTimeWidget->entry()->setSysDateTime(); }

    QString groupNameText() const override { return s->advanceParam->groupName->text(); }
    void hideCharPad() override
    {
        if (gpNumCharPad)
            gpNumCharPad->HideUpdate();
    }
    QStringList groupItems() const override
    {
        QStringList items;
        for (int i = 0; i < combo()->count(); ++i)
            items << combo()->itemText(i);
        return items;
    }
    int groupIndex() const override { return combo()->currentIndex(); }
    void setGroupItems(const QStringList& items) override
    {
        const bool blocked = combo()->blockSignals(true);
        combo()->clear();
        for (int i = 0; i < items.size(); ++i)
            combo()->addItem(items.at(i), i);
        combo()->blockSignals(blocked);
    }
    void setGroupIndex(int index) override { combo()->setCurrentIndex(index); }
    void removeGroupItem(int index) override { combo()->removeItem(index); }

private:
    QComboBox* combo() const { return s->advanceParam->groupList; }
    SystemSettingWidget* s;
};

void Maintain(SystemSettingWidget* screen, const std::function<void(MaintenanceActions&)>& action)
{
    ScreenMaintenanceHost host(screen);
    MaintenanceActions actions(host);
    action(actions);
}
}  // namespace

void SystemSettingWidget::ConnectMaintenance()
{
    connect(advanceFunc->updateButton, SIGNAL(clicked(bool)), this, SLOT(SlotUpdateApp()));
    connect(advanceFunc->exportButton, SIGNAL(clicked()), this, SLOT(SlotExportData()));
    connect(advanceFunc->factoryResetButton, SIGNAL(clicked()), this, SLOT(SlotRestoreFactorySet()));
    connect(advanceFunc->exitButton, SIGNAL(clicked()), this, SLOT(SlotExit()));
    connect(advanceFunc->modifyTimeButton, SIGNAL(clicked(bool)), this, SLOT(SlotModifyTime()));
    connect(advanceFunc->calibrateButton, SIGNAL(clicked(bool)), this, SLOT(SlotCalibration()));
    connect(advanceParam->saveButton, SIGNAL(clicked()), this, SLOT(SlotParaGroupBackup()));
    connect(advanceParam->restoreButton, SIGNAL(clicked()), this, SLOT(SlotParaGroupRestore()));
    connect(advanceParam->deleteButton, SIGNAL(clicked()), this, SLOT(SlotParaGroupDelete()));
}

void SystemSettingWidget::ParaGroupUpdateList() { Maintain(this, &MaintenanceActions::updateGroupList); }
void SystemSettingWidget::SlotParaGroupBackup() { Maintain(this, &MaintenanceActions::backupGroup); }
void SystemSettingWidget::SlotParaGroupRestore() { Maintain(this, &MaintenanceActions::restoreGroup); }
void SystemSettingWidget::SlotParaGroupDelete() { Maintain(this, &MaintenanceActions::deleteGroup); }
void SystemSettingWidget::SlotUpdateApp() { Maintain(this, &MaintenanceActions::updateApp); }
void SystemSettingWidget::SlotExportData() { Maintain(this, &MaintenanceActions::exportData); }
void SystemSettingWidget::SlotRestoreFactorySet() { Maintain(this, &MaintenanceActions::restoreFactorySet); }
void SystemSettingWidget::SlotModifyTime() { Maintain(this, &MaintenanceActions::modifyTime); }
void SystemSettingWidget::SlotCalibration() { Maintain(this, &MaintenanceActions::calibration); }
void SystemSettingWidget::SlotShutDown() { Maintain(this, &MaintenanceActions::shutDown); }
void SystemSettingWidget::SlotExit() { Maintain(this, &MaintenanceActions::exitProgram); }
void SystemSettingWidget::SlotClearRecord() { Maintain(this, &MaintenanceActions::clearRecord); }

void SystemSettingWidget::SlotChangeLan(int language)
{
    Maintain(this, [language](MaintenanceActions& a) { a.changeLanguage(language); });
}
