#include "mainscreen/viewhost.h"

#include "vision/camera/cammerwidget.h"

namespace {

ViewHost gDefaultHost;
ViewHost* gHost = &gDefaultHost;

}  // namespace

QVector<QRgb> ViewHost::greyTable() const
{
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgba(i, i, i, 255);
    return table;
}

void ViewHost::drawPolygonCommand(CammerWidget* view)
{
    // The region page's polygon command closes the polygon in progress.
    if (view)
        view->SavePolygon();
}

void ViewHost::setCameraInfo(int camera, int type, const QString& text)
{
    if (camera >= 0 && camera < 4 && type >= 0 && type < 4)
        cameraInfo[camera][type] = text;
}

void ViewHost::addUseMemory(int, int, int, unsigned char*) {}

ViewHost* viewHost()
{
    return gHost;
}

ViewHost* setViewHost(ViewHost* host)
{
    ViewHost* old = gHost == &gDefaultHost ? nullptr : gHost;
    gHost = host ? host : &gDefaultHost;
    return old;
}
