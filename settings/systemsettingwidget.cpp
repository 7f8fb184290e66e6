#include "settings/systemsettingwidget.h"

int SystemSettingWidget::outSet = 0;

SystemSettingWidget::SystemSettingWidget(QWidget* parent) : BWidget(parent)
{
    setObjectName("SystemSettingWidget");
}

// The pages and their commands come with the settings screens.
void SystemSettingWidget::sysparaInit() {}
void SystemSettingWidget::accept() {}
void SystemSettingWidget::SetExposeTime(int) {}
void SystemSettingWidget::SetAdjust(int) {}
void SystemSettingWidget::SetSharp(int) {}
void SystemSettingWidget::SetContrast(int) {}
void SystemSettingWidget::SetGamma(int) {}
void SystemSettingWidget::SetAutoExp(int) {}
void SystemSettingWidget::SetAutoWDR(int) {}
void SystemSettingWidget::SlotRestoreDefaultSettings() {}
void SystemSettingWidget::SlotExit() {}
void SystemSettingWidget::SlotShutDown() {}
void SystemSettingWidget::SlotChangeLan(int) {}
void SystemSettingWidget::SlotUpdateApp() {}
void SystemSettingWidget::SlotModifyTime() {}
void SystemSettingWidget::SlotExportData() {}
void SystemSettingWidget::SlotParaGroupBackup() {}
void SystemSettingWidget::SlotParaGroupRestore() {}
