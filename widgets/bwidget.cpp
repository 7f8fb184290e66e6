#include "widgets/bwidget.h"

#include <QPainter>
#include <QStyleOption>

BWidget::BWidget(QWidget* parent) : QWidget(parent) {}

void BWidget::paintEvent(QPaintEvent*)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
}
