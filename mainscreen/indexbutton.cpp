#include "mainscreen/indexbutton.h"

#include "vision/mainwindow.h"

IndexButton::IndexButton(MainWindow* win) : BWidget(win)
{
    hide();
}
