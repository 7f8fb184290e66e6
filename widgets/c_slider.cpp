#include "widgets/c_slider.h"

#include <QMouseEvent>

C_Slider::C_Slider(QWidget* parent) : QSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setStyleSheet(QString("QSlider{border-color: #bcbcbc;}QSlider::groove:horizontal {border: 1px solid #999999;"
                          "height: 10px}") +
                  "QSlider::handle:horizontal {width: 8px;background: rgb(0, 160, 230); margin: -7px -7px -7px "
                  "-7px;border-radius: 1px;}" +
                  "QSlider::sub-page:horizontal{background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, "
                  "stop:0 #439cf3, stop:0.25 #439cf3, stop:0.5 #439cf3, stop:1 #439cf3);}" +
                  "QSlider::add-page:horizontal{background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, "
                  "stop:0 #bcbcbc, stop:0.25 #bcbcbc, stop:0.5 #bcbcbc, stop:1 #bcbcbc);}");
}

int C_Slider::valueAt(int x, int width, int minimum, int maximum)
{
    if (width <= 0)  // nothing to measure against
        return minimum;
    const int edge = width / 50;
    int pos = x;
    if (x > width - edge)
        pos = width;
    else if (x < edge)
        pos = 0;
    return int(qint64(maximum - minimum) * pos / width) + minimum;
}

void C_Slider::mouseReleaseEvent(QMouseEvent* e)
{
    setValue(valueAt(qRound(e->localPos().x()), width(), minimum(), maximum()));
    emit cChgValue(value());
    QSlider::mouseReleaseEvent(e);
}
