#include "mainscreen/widgetchangecamera.h"

#include "vision/cameradiscovery.h"
#include "vision/mainwindow.h"

WidgetChangeCamera::WidgetChangeCamera(MainWindow* win) : BWidget(win)
{
    hide();
}

void WidgetChangeCamera::SlotOK()
{
    SaveSN(0);
}
