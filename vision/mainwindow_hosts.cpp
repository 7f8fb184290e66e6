// What the widget toolkit and the camera code ask of the controller, answered by the main window.
#include "vision/mainwindow.h"

#include <QTimer>

#include "core/ledonoff.h"
#include "settings/customionamewidget.h"
#include "settings/systemsettingwidget.h"
#include "mainscreen/widgetchangecamera.h"
#include "vision/cameradiscovery.h"
#include "vision/camerahost.h"
#include "vision/cammerwidget.h"
#include "widgets/showbox.h"
#include "widgets/toolkithost.h"
#include "widgets/warnbox.h"
#include "widgets/toolkitglobals.h"

namespace {

class WindowToolkitHost : public ToolkitHost {
public:
    explicit WindowToolkitHost(MainWindow* w) : win(w) {}
    QWidget* mainWidget() override { return win; }
    int userLevel() const override { return win->userLevel; }
    void setUserLevel(int level) override { win->userLevel = level; }
    bool screenOff() const override { return win->screenOff != 0; }
    void switchScreenOn() override { LCDOnOff(1); }
    void restartScreenOffTimer(int ms) override
    {
        if (win->lcdTimer)
            win->lcdTimer->start(ms);
    }
    void SlotMoveT() override { win->SlotMoveT(); }
    void SlotMoveB() override { win->SlotMoveB(); }
    void SlotMoveL() override { win->SlotMoveL(); }
    void SlotMoveR() override { win->SlotMoveR(); }
    void MRecovery() override { win->MRecovery(); }

private:
    MainWindow* win;
};

class WindowCameraHost : public CameraHost {
public:
    explicit WindowCameraHost(MainWindow* w) : win(w) {}
    int runState() const override { return win->runState; }
    void clearFrameCount(int view) override
    {
        if (view >= 0 && view < MAX_CAMERA)
            win->frameCount[view] = 0;
    }
    void insertRecord(const QString& text) override { win->InsertRecord(text); }
    void showWarnBox(const QString& text) override { ::showWarnBox(text); }
    void hideWarnBox() override
    {
        if (gpWarnBox)
            gpWarnBox->hide();
    }
    bool settingsVisible() const override
    {
        return win->settingWidget && win->settingWidget->isVisibleTo(win);
    }
    bool cameraPanelVisible() const override
    {
        return win->settingWidget && win->settingWidget->cameraPanelVisible();
    }
    CammerWidget* view(int v) const override
    {
        return v >= 0 && v < MAX_CAMERA ? win->cammerWidget[v] : nullptr;
    }

private:
    MainWindow* win;
};

}  // namespace

void MainWindow::InstallHosts()
{
    // Kept for the whole run, as the window itself.
    ToolkitHost::setInstance(new WindowToolkitHost(this));
    setCameraHost(new WindowCameraHost(this));
    SetScreenOffFlag(&screenOff);
}

bool MainWindow::ViewBuilt(int v) const
{
    if (v < 0 || v >= MAX_CAMERA || !cammerWidget[v])
        return false;
    // In the no-camera mode the four laid-out views count as open without a device behind them.
    return v == 0 || (gCameraID != CAMERA_NONE && cammerWidget[v]->cameraOpened());
}

ScreenState MainWindow::Screen() const
{
    auto shown = [this](const QWidget* w) { return w && w->isVisibleTo(this); };
    ScreenState s;
    s.settingsVisible = shown(settingWidget);
    s.alarmPageVisible = shown(alarmOption);
    s.regionPageVisible = shown(regiOption);
    s.alarmState = alarmState;
    s.changeCameraVisible = shown(widgetChangeCamera);
    s.ioNameVisible = shown(customIONameWidget);
    s.optionBarVisible = shown(optionBar);
    return s;
}
