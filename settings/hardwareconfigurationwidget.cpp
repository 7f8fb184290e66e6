#include "settings/hardwareconfigurationwidget.h"

#include "vision/controller/mainwindow.h"

HardwareConfigurationWidget::HardwareConfigurationWidget(MainWindow* win) : BWidget(win) {}
