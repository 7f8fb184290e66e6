// Live camera tuning: the camera page's sliders write the edit copy for camera outSet and apply it
// to that camera at once; leaving without a commit applies the values in force again.
#include "settings/systemsettingwidget.h"

#include <QTimer>

#include "core/globals.h"
#include "core/wizardpara.h"
#include <QSlider>

#include "settings/cameraparamssubwidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/settingshost.h"
#include "vision/camera/cameradiscovery.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

bool SystemSettingWidget::cameraPanelVisible() const
{
    const CameraParamsSubWidget* panel = cameraParams ? cameraParams->subWidget.data() : nullptr;
    return panel && panel->isFloating() && panel->isVisible();
}

void SystemSettingWidget::SetExposeTime(int exposeTime)
{
    gpWParaBak->exposure[outSet] = exposeTime;
    host()->applyCamera(outSet, SettingsHost::Exposure);
}

void SystemSettingWidget::SetAdjust(int adjustPlus)
{
    gpWParaBak->gain[outSet] = adjustPlus;
    host()->applyCamera(outSet, SettingsHost::Gain);
}

void SystemSettingWidget::SetSharp(int value)
{
    gpWParaBak->sharpness[outSet] = value;
    host()->applyCamera(outSet, SettingsHost::Sharpness);
}

void SystemSettingWidget::SetContrast(int value)
{
    gpWParaBak->contrast[outSet] = value;
    host()->applyCamera(outSet, SettingsHost::Contrast);
}

void SystemSettingWidget::SetGamma(int value)
{
    gpWParaBak->gamma[outSet] = value;
    host()->applyCamera(outSet, SettingsHost::Gamma);
}

void SystemSettingWidget::SetAutoWDR(int state)
{
    gpWParaBak->auto_wdr = state;
    for (int v = 0; v < 8; ++v)
        host()->applyCamera(v, SettingsHost::Exposure);
}

void SystemSettingWidget::SetAutoExp(int state)
{
    gpWParaBak->auto_exposure = state;
    for (int v = 0; v < 8; ++v)
        host()->applyCamera(v, SettingsHost::Exposure);
}

void SystemSettingWidget::SlotChangeCamera()
{
    if (numCamera == 1)
        return;
    // The camera sub-panel's buttons are named "相机1" .. "相机4".
    if (QObject* from = sender()) {
        const QString name = from->objectName();
        const QString prefix = QString::fromUtf8("相机");
        if (name.startsWith(prefix)) {
            const int n = name.mid(prefix.size()).toInt();
            if (n >= 1 && n <= 4)
                outSet = n - 1;
        }
    }
    host()->showCamera(outSet);
    LoadCameraSliders(false);
    update();
}

void SystemSettingWidget::SlotRestoreDefaultSettings()
{
    if (!showChooseBox(textRow(527)))
        return;
    host()->restoreCameraDefaults(outSet);
    LoadCameraSliders(true);
}

void SystemSettingWidget::SlotTuneCamera()
{
    host()->showCameraAssignment();
}

void SystemSettingWidget::SlotChangeShowMode()
{
    showMode = !showMode;
    if (showMode)
        host()->showCamera(outSet);
    update();
    host()->repaintMain();
}

void SystemSettingWidget::SlotAutoExposeTime()
{
    autoExposeTimer->start(2000);
    host()->autoExposureStart(outSet);
}

void SystemSettingWidget::SlotAutoExposeTimeTimeout()
{
    autoExposeTimer->stop();
    int exposure = 0, gain = 0;
    if (!host()->autoExposureStop(outSet, &exposure, &gain))
        return;
    gpWParaBak->exposure[outSet] = exposure;
    gpWParaBak->gain[outSet] = gain;
    LoadCameraSliders(false);
    update();
}

void SystemSettingWidget::LoadCameraSliders(bool speed)
{
    // Their valueChanged writes the same values back through the setters above.
    cameraParams->LoadCameraValues(speed);
}
