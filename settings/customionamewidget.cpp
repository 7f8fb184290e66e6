#include "settings/customionamewidget.h"

#include "vision/mainwindow.h"

CustomIONameWidget::CustomIONameWidget(MainWindow* win) : BWidget(win) {}

void CustomIONameWidget::init() {}
