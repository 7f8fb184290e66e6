#include "mainscreen/iostatuswidget.h"

#include "vision/mainwindow.h"

IOStatusWidget::IOStatusWidget(MainWindow* win) : BWidget(win) {}
