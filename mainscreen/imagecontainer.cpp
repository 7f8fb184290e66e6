#include "mainscreen/imagecontainer.h"

#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"

ImageContainer::ImageContainer(MainWindow* win) : QWidget(win), win_(win)
{
    setObjectName("ImageContainer");
    setStyleSheet("#ImageContainer{background-color:#000000;}");
    setAttribute(Qt::WA_StyledBackground, true);
    // All eight views exist whatever the number of cameras found.
    CammerWidget::StartUpBatch batch;
    for (int i = 0; i < 8; ++i)
        win->cammerWidget[i] = new CammerWidget(i, this);
}

void ImageContainer::showSplit(bool)
{
    win_->ChangeCammer();
}

QWidget* ViewArea(MainWindow* win)
{
    if (win && win->imageContainer)
        return win->imageContainer;
    return win;
}
