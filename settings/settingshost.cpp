#include "settings/settingshost.h"

#include <QStackedWidget>
#include <QTimer>

#include "mainscreen/drawroiwidget.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/widgetchangecamera.h"
#include "network/cnt_net.h"
#include "settings/customionamewidget.h"
#include "settings/hardwareconfigurationwidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"

namespace {

SettingsHost* gDefaultHost()
{
    static SettingsHost host;
    return &host;
}

SettingsHost* gHost = nullptr;

CammerWidget* viewOf(int v)
{
    return gpWin && v >= 0 && v < MAX_CAMERA ? gpWin->cammerWidget[v] : nullptr;
}

}  // namespace

SettingsHost* SettingsHost::instance()
{
    return gHost ? gHost : gDefaultHost();
}

SettingsHost* SettingsHost::setInstance(SettingsHost* host)
{
    SettingsHost* previous = instance();
    gHost = host;
    return previous;
}

int SettingsHost::userLevel() const
{
    return gpWin ? gpWin->userLevel : 0;
}

void SettingsHost::setUserLevel(int level)
{
    if (gpWin)
        gpWin->userLevel = level;
}

void SettingsHost::insertRecord(const QString& text)
{
    if (gpWin)
        gpWin->InsertRecord(text);
}

void SettingsHost::countWrite()
{
    if (gpWin)
        gpWin->CountWrite();
}

void SettingsHost::flushAll()
{
    if (gpWin)
        gpWin->FLushAll();
}

void SettingsHost::applyCamera(int view, CameraValue value)
{
    CammerWidget* w = viewOf(view);
    if (!w)
        return;
    switch (value) {
    case Exposure: w->SetExposeTime(); break;
    case Gain: w->SetAdjustPlus(); break;
    case Sharpness: w->SetSharp(); break;
    case Contrast: w->SetContrast(); break;
    case Gamma: w->SetGamma(); break;
    }
}

void SettingsHost::restoreCameraDefaults(int view)
{
    if (CammerWidget* w = viewOf(view))
        w->RestoreDefaultSettings();
}

bool SettingsHost::autoExposureStart(int view)
{
    CammerWidget* w = viewOf(view);
    if (gCameraID != CAMERA_MIND || !w || !w->mindHandle)
        return false;
    CameraSetAeState(w->mindHandle, 1);
    CameraSetAeTarget(w->mindHandle, 120);
    CameraSetAeExposureRange(w->mindHandle, 0, 100000.0);
    CameraSetAntiFlick(w->mindHandle, 1);
    return true;
}

bool SettingsHost::autoExposureStop(int view, int* exposureMs, int* gain)
{
    CammerWidget* w = viewOf(view);
    if (gCameraID != CAMERA_MIND || !w || !w->mindHandle)
        return false;
    CameraSetAeState(w->mindHandle, 0);
    double us = 0;
    int g = 0;
    CameraGetExposureTime(w->mindHandle, &us);
    CameraGetAnalogGain(w->mindHandle, &g);
    *exposureMs = int(us / 1000);
    *gain = g;
    return true;
}

void SettingsHost::cameraChangeTrig(int view)
{
    if (CammerWidget* w = viewOf(view))
        w->CameraChangeTrig(false);
}

void SettingsHost::cameraSetSpeed()
{
    CameraSetSpeed();
}

void SettingsHost::updateView(int view)
{
    if (CammerWidget* w = viewOf(view))
        w->update();
}

void SettingsHost::showMainScreen()
{
    if (gpWin && gpWin->mainStack)
        gpWin->mainStack->setCurrentIndex(0);
}

void SettingsHost::overlayTools(int mode)
{
    if (gpWin)
        gpWin->MShowHide(mode);
}

void SettingsHost::showCamera(int view)
{
    if (!gpWin)
        return;
    gpWin->selectedView = view;
    gpWin->ChangeCammer();
}

void SettingsHost::showCameraAssignment()
{
    if (!gpWin)
        return;
    gpWin->setcontentLayout();
    if (gpWin->widgetChangeCamera) {
        gpWin->widgetChangeCamera->show();
        gpWin->widgetChangeCamera->raise();
    }
}

void SettingsHost::showCustomIONamePage()
{
    if (gpWin && gpWin->customIONameWidget) {
        gpWin->customIONameWidget->show();
        gpWin->customIONameWidget->raise();
    }
}

void SettingsHost::showHardwarePage()
{
    if (gpWin && gpWin->hardwareConfigurationWidget) {
        gpWin->hardwareConfigurationWidget->show();
        gpWin->hardwareConfigurationWidget->raise();
    }
}

void SettingsHost::repaintMain()
{
    if (gpWin)
        gpWin->update();
}

void SettingsHost::startScreenOffTimer(int ms)
{
    if (gpWin && gpWin->lcdTimer)
        gpWin->lcdTimer->start(ms);
}

void SettingsHost::sidePanelShowHide(int mode)
{
    if (gpWin && gpWin->indexButton)
        gpWin->indexButton->ShowHide(mode);
}

void SettingsHost::restartReportClient()
{
    if (gpNet)
        gpNet->CNT_ReStart();
}

int SettingsHost::cameraCount() const
{
    return qBound(0, numCamera, MAX_CAMERA);
}

void SettingsHost::createShape(int camera, int stage)
{
    CammerWidget* w = viewOf(camera);
    if (w && w->recogniser && gpWin->ViewBuilt(camera))
        w->recogniser->CreateShape(stage);
}

void SettingsHost::varTrain(int camera, int stage)
{
    CammerWidget* w = viewOf(camera);
    if (w && w->recogniser && gpWin->ViewBuilt(camera))
        w->recogniser->VarTrain(stage);
}

void SettingsHost::copyPara(int camera)
{
    CammerWidget* w = viewOf(camera);
    if (!w || !w->modelInForce || !gpWin->ViewBuilt(camera))
        return;
    w->CopyPara();
    w->modelInForce->SaveDatatoFile();
}

void SettingsHost::changeDetectNum(int count)
{
    if (gpWin && gpWin->drawROIWidget)
        gpWin->drawROIWidget->ChangeDetectNum(count);
}

void SettingsHost::resetStages(int count, const WizardPara& edited)
{
    if (!gpWin)
        return;
    MainWindow& win = *gpWin;
    const int stages = qBound(0, count, MAX_DETECT);
    // The stage masks stay: the pass's stage-count check clears them, and a cycle it finds open
    // keeps its mould held with the warning of the stage left unjudged.
    (void)edited;
    for (int c = 0; c < cameraCount(); ++c) {
        CammerWidget* w = viewOf(c);
        for (int j = 0; j < stages; ++j) {
            if (w)
                w->stageCycleFlags[j] = false;
            win.failPicState[c][j] = 0;
            win.stageCountFlag[j] = false;
        }
        win.allCountFlag[c] = false;
        win.failCountFlag[c] = false;
    }
    win.curDetect = count - 1;
}

void SettingsHost::setSide(int side)
{
    if (gpWin)
        gpWin->side = side;
}
