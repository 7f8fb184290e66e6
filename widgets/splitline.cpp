#include "widgets/splitline.h"

#include <QWidget>

QWidget* createVerticalSplitLine(QWidget* parent, QString colour)
{
    auto* line = new QWidget(parent);
    line->setFixedWidth(1);
    line->setStyleSheet("background-color:" + colour);
    return line;
}

QWidget* createHorizontalSplitLine(QWidget* parent, QString colour)
{
    auto* line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setStyleSheet("background-color:" + colour);
    return line;
}
