#include "mainscreen/imagewidget.h"

#include "mainscreen/chromerules.h"

ImageWidget::ImageWidget(int index, QWidget* parent) : QWidget(parent), index_(index)
{
    InitChromeResources();
    number_ = QPixmap(QString(":/img/icons/camNum%1.png").arg(index + 1)).scaledToWidth(48, Qt::SmoothTransformation);
    camera_ = QPixmap(":/img/icons/camera.png");
}
