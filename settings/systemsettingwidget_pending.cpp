// Slots of the screen whose work comes with other pages: the maintenance actions, and the slots
// that act on the I/O parameters and advanced parameters pages' own controls. Each moves to its
// page's work when that lands.
#include "settings/systemsettingwidget.h"

void SystemSettingWidget::SlotParaGroupChange(int) {}
void SystemSettingWidget::SlotChgVolume(int) {}
void SystemSettingWidget::ParaGroupUpdateList() {}
void SystemSettingWidget::SlotExit() {}
void SystemSettingWidget::SlotShutDown() {}
void SystemSettingWidget::SlotChangeLan(int) {}
void SystemSettingWidget::SlotUpdateApp() {}
void SystemSettingWidget::SlotModifyTime() {}
void SystemSettingWidget::SlotExportData() {}
void SystemSettingWidget::SlotParaGroupBackup() {}
void SystemSettingWidget::SlotParaGroupRestore() {}
