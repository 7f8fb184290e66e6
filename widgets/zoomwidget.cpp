#include "widgets/zoomwidget.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "widgets/toolkitglobals.h"

ZoomWidget::ZoomWidget(QWidget* parent) : QWidget(parent)
{
    InitWidgetResources();
    track_ = QPixmap(":/img/icons/6.png").scaledToHeight(192, Qt::SmoothTransformation);
    knob_ = QPixmap(":/img/icons/7.png").scaledToWidth(86, Qt::SmoothTransformation);
    setFixedSize(86, 192);
}

void ZoomWidget::stepFor(int d, int* offset, int* step)
{
    if (d < -53) {
        *offset = -53;
        *step = 100;
    } else if (d > 53) {
        *offset = 53;
        *step = -100;
    } else {
        *offset = d;
        *step = d * (-100) / 53;
    }
}

void ZoomWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap((width() - track_.width()) / 2, 0, track_);
    p.drawPixmap(0, (height() - knob_.height()) / 2 + offset_, knob_);
}

void ZoomWidget::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const int x = qRound(e->localPos().x());
    const int y = qRound(e->localPos().y());
    if (int(std::sqrt(double((x - 43) * (x - 43) + (y - 96) * (y - 96)))) <= 43) {
        pressX_ = x;
        pressY_ = y;
    }
}

void ZoomWidget::mouseMoveEvent(QMouseEvent* e)
{
    int step = 0;
    stepFor(qRound(e->localPos().y()) - pressY_, &offset_, &step);
    emit zoomSignal(step);
    update();
}

void ZoomWidget::mouseReleaseEvent(QMouseEvent*)
{
    offset_ = 0;
    update();
}
