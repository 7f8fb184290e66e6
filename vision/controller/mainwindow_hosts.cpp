// What the widget toolkit and the camera code ask of the controller, answered by the main window.
#include "vision/controller/mainwindow.h"

#include <QPushButton>
#include <QTimer>

#include "core/ledonoff.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/roioperation.h"
#include "mainscreen/titlebar.h"
#include "mainscreen/viewhost.h"
#include "network/cnt_net.h"
#include "statistics/temperaturealarm.h"
#include "settings/customionamewidget.h"
#include "settings/systemsettingwidget.h"
#include "mainscreen/widgetchangecamera.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cammerwidget.h"
#include "widgets/modalhook.h"
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
    void markCycleNotOK(int view) override { win->MarkCycleNotOK(view); }
    void setMouldCloseInhibit() override { win->HoldForLoss(); }
    // The global box, which the cameras' return hides: a box of its own would stay up after the
    // return and keep the frame watch waiting in it, so a second loss went unnoticed.
    void showWarnBox(const QString& text) override
    {
        if (!gpWarnBox) {
            ::showWarnBox(text);
            return;
        }
        gpWarnBox->setText(text);
        gpWarnBox->confirmButton()->show();
        execModal(*gpWarnBox);
    }
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

class WindowViewHost : public ViewHost {
public:
    explicit WindowViewHost(MainWindow* w) : win(w) {}
    int viewMode() const override { return win->selectedView; }
    void setViewMode(int m) override { win->selectedView = m; }
    void changeCammer() override { win->ChangeCammer(); }
    int runState() const override { return win->runState; }
    int alarmState() const override { return win->alarmState; }
    int displayState() const override { return win->displayState; }
    int curDetect() const override { return win->curDetect; }
    int panMode() const override { return win->zoomToolMode; }
    QPointF panOffset() const override { return {win->zoom.offsetX, win->zoom.offsetY}; }
    void setPanOffset(QPointF p) override
    {
        win->zoom.offsetX = p.x();
        win->zoom.offsetY = p.y();
    }
    double zoom() const override { return win->zoom.scale; }
    double cellScale(int i) const override
    {
        const float s[4] = {win->cellScaleX, win->cellScaleY, win->viewScaleX, win->viewScaleY};
        return i >= 0 && i < 4 ? s[i] : 1.0;
    }
    bool delayActive(int stage) const override
    {
        return win->stageClock.Running(stage);
    }
    float countdown(int stage) const override { return win->StageSeconds(stage); }
    int frameRate(int camera) const override
    {
        return camera >= 0 && camera < MAX_CAMERA ? win->frameShown[camera] : 0;
    }
    // The touch on the view shown alone is the zoom centre.
    void setLastTouch(QPoint p) override
    {
        ViewHost::setLastTouch(p);
        win->zoom.centreX = p.x();
        win->zoom.centreY = p.y();
    }
    bool tempAlarm() const override { return gisTempAlarm != 0; }
    // The views' status lines, counts, frame rate and touch readout go to the title bar.
    void setCameraInfo(int camera, int type, const QString& text) override
    {
        ViewHost::setCameraInfo(camera, type, text);
        if (win->titleBar)
            win->titleBar->setCameraInfo(camera, type, text, MESSAGE_WARNING);
    }
    void showSizeHint() override
    {
        ViewHost::showSizeHint();
        if (win->hintTimer)
            win->hintTimer->start(3000);
    }
    void setLocation(const QString& text) override
    {
        ViewHost::setLocation(text);
        if (win->titleBar)
            win->titleBar->setLocation(text);
    }
    QVector<QRgb> greyTable() const override { return win->grayTable ? *win->grayTable : ViewHost::greyTable(); }
    void sendTempPic(const QString& path) override
    {
        if (gpWPara && gpWPara->cnt_net_enabled && gpNet && gpNet->isopen && gpNet->connected)
            gpNet->CNT_SendTempPic(path);
    }
    // The region page and its bars.
    void alarmSetCamera(int camera) override
    {
        if (win->alarmOption)
            win->alarmOption->SetCamera(camera);
    }
    void drawPolygonCommand(CammerWidget*) override
    {
        if (win->drawROIWidget)
            win->drawROIWidget->SlotDrawPloygn();
    }
    void tempLast() override
    {
        if (win->regiOption)
            win->regiOption->SlotTempLast();
    }
    void tempNext() override
    {
        if (win->regiOption)
            win->regiOption->SlotTempNext();
    }
    QWidget* createRoiTool(CammerWidget* view) override { return new roiOperation(view); }
    // Mode 2 of the shared video: the view's display copy becomes the camera's channel.
    void addUseMemory(int camera, int w, int h, unsigned char* frame) override
    {
        if (gpNet && gpNet->isopen)
            gpNet->CNT_AddUseMemory(camera, w, h, frame);
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
    setViewHost(new WindowViewHost(this));
    SetScreenOffFlag(&screenOff);
}

bool MainWindow::ViewBuilt(int v) const
{
    if (v < 0 || v >= MAX_CAMERA || !cammerWidget[v])
        return false;
    if (simulatedViews > 0)
        return v < simulatedViews;
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
