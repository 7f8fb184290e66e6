#include "widgets/boptionbutton.h"

BOptionButton::BOptionButton(QWidget* parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setFixedSize(175, 112);
    setStyleSheet("BOptionButton{background-color:#d3d3d3;icon-size:68px 68px;border-style:none;color:#656263;"
                  "font-size:18px;padding:10px 0px 0px 0px;}"
                  "BOptionButton:pressed{color:#ffffff;background-color:#656263;}");
}
