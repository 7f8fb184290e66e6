#include "settings/customionamewidget.h"

#include "vision/controller/mainwindow.h"

CustomIONameWidget::CustomIONameWidget(MainWindow* win) : BWidget(win) {}

void CustomIONameWidget::init() {}
