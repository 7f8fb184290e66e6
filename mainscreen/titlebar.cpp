#include "mainscreen/titlebar.h"

TitleBar::TitleBar(QWidget* parent) : BWidget(parent)
{
    setObjectName("TitleBar");
    setFixedHeight(60);
    setStyleSheet("TitleBar{background-color:#1f3f8d;}");
}
