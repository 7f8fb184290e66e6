#include "settings/hardwareconfigurationwidget.h"

#include "vision/mainwindow.h"

HardwareConfigurationWidget::HardwareConfigurationWidget(MainWindow* win) : BWidget(win) {}
