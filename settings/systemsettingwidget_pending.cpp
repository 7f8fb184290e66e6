// The maintenance slots of the screen; their work comes with the maintenance actions.
#include "settings/systemsettingwidget.h"

void SystemSettingWidget::ParaGroupUpdateList() {}
void SystemSettingWidget::SlotExit() {}
void SystemSettingWidget::SlotShutDown() {}
void SystemSettingWidget::SlotChangeLan(int) {}
void SystemSettingWidget::SlotUpdateApp() {}
void SystemSettingWidget::SlotModifyTime() {}
void SystemSettingWidget::SlotExportData() {}
void SystemSettingWidget::SlotParaGroupBackup() {}
void SystemSettingWidget::SlotParaGroupRestore() {}
