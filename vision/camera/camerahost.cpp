#include "vision/camera/camerahost.h"

#include <QDebug>
#include <QThread>

#include "vision/camera/cammerwidget.h"
#include "vision/gige/cipconfig.h"
#include "vision/gige/ensuredevicereach.h"
#include "vision/board/controlport.h"
#include "widgets/showbox.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"

namespace {
CameraHost gDefaultHost;
CameraHost* gHost = &gDefaultHost;
}  // namespace

CameraHost* cameraHost()
{
    return gHost;
}

CameraHost* setCameraHost(CameraHost* host)
{
    CameraHost* old = gHost;
    gHost = host ? host : &gDefaultHost;
    return old;
}

bool CameraHost::cameraOpened(int view) const
{
    return view >= 0 && view < 8 && opened[view];
}

void CameraHost::setCameraOpened(int view, bool on)
{
    if (view >= 0 && view < 8)
        opened[view] = on;
}

int CameraHost::runState() const
{
    return state;
}

void CameraHost::markCycleNotOK(int view)
{
}

void CameraHost::clearFrameCount(int view)
{
}

void CameraHost::insertRecord(const QString& text)
{
    qInfo().noquote() << "record:" << text;
}

void CameraHost::showWarnBox(const QString& text)
{
    ::showWarnBox(text);
}

void CameraHost::hideWarnBox()
{
    if (gpWarnBox)
        gpWarnBox->hide();
}

void CameraHost::setMouldCloseInhibit()
{
    if (gpControlIO) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }
}

int CameraHost::repairAllCameraIP()
{
    return RepairAllCameraIP();
}

int CameraHost::ensureDeviceReach(bool wait)
{
    StartEnsureDeviceReach();
    return wait ? WaitEnsureDeviceReach() : 0;
}

bool CameraHost::settingsVisible() const
{
    return false;
}

bool CameraHost::cameraPanelVisible() const
{
    return false;
}

CammerWidget* CameraHost::view(int v) const
{
    return CammerWidget::cameraView(v);
}

void CameraHost::wait(int ms)
{
    QThread::msleep(ulong(ms));
}
