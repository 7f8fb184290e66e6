#include "widgets/label.h"

#include <QMouseEvent>

Label::Label(QWidget* parent, QPixmap pixmap) : QLabel(parent)
{
    setScaledContents(true);
    setPixmap(pixmap);
}

void Label::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(e);
}
