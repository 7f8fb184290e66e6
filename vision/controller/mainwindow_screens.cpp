// The main window's screens: the dispatchers of the three option columns, the small page switches,
// the layout of one to eight camera views, and the zoom and pan of the view shown alone.
#include "vision/controller/mainwindow.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/imagecontainer.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/iostatuswidget.h"
#include "network/cnt_net.h"
#include "settings/systemsettingwidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "widgets/finetuningdialog.h"

namespace {
constexpr int kZoomToolsMs = 30000;  // the zoom tools collapse this long after the last press
}

void MainWindow::OptBtnsToggledSlot(OptionBar::BTN_TYPE type, bool)
{
    // The account state opens no page: the next press on the bar is its way out.
    if (alarmState == 3 && editingPage == AccountPage)
        LeaveEditing();
    if (type == OptionBar::BTN_SETTINGS) {
        if (userLevel == 2)
            userLevel = gpWPara->is_psw_used ? 1 : 0;
        *gpWParaBak = *gpWPara;
        if (gpNet)
            gpNet->CopyCardToEdit();
        if (CheckPassword() != 0) {
            settingWidget->BeginEdit();
            if (alarmState != 2)
                mainStack->setCurrentIndex(1);
        } else {
            optionBar->SetTLast();
        }
        return;
    }
    settingWidget->Leave();
    mainStack->setCurrentIndex(0);
    switch (type) {
    case OptionBar::BTN_MULTI_SCREEN:
        selectedView = numCamera;
        ChangeCammer();
        break;
    case OptionBar::BTN_START_STOP: SlotStartStop(); break;
    case OptionBar::BTN_RESAMPLE: SlotReTrain(); break;
    case OptionBar::BTN_AREA: SlotAdjustArea(); break;
    case OptionBar::BTN_STATISTICS: SlotShowStatisticsWidget(); break;
    case OptionBar::BTN_MOLD_SNAPSHOT: SlotManualTrig1(); break;
    default: break;
    }
}

void MainWindow::RegionBtnsToggledSlot(RegiOption::BTN_TYPE type, bool)
{
    switch (type) {
    case RegiOption::BTN_DELETE_TEMP: drawROIWidget->SlotTempDeleteCur(); break;
    case RegiOption::BTN_ADD_TEMP: drawROIWidget->SlotAddTemp(); break;
    case RegiOption::BTN_END_SET:
        drawROIWidget->SlotReturn();
        optionStack->setCurrentIndex(alarmState == 2 ? 2 : 0);
        break;
    case RegiOption::BTN_LIVE_TEMP: drawROIWidget->SlotAutoChange(); break;
    default: break;
    }
}

void MainWindow::AlarmtnsToggledSlot(AlarmOption::BTN_TYPE type, bool)
{
    switch (type) {
    case AlarmOption::BTN_LIVE_TEMP: drawROIWidget->SlotAutoChange(); break;
    case AlarmOption::BTN_DONT_DETECT: drawROIWidget->SlotNoCheckCur(); break;
    case AlarmOption::BTN_RECHECK: drawROIWidget->SlotReCheck(); break;
    case AlarmOption::BTN_ADD_TEMP: drawROIWidget->SlotAddTemp(); break;
    case AlarmOption::BTN_IGNORE_POINT: drawROIWidget->SlotIgnoreAlarmPoint(); break;
    case AlarmOption::BTN_DELETE_IGNORED: drawROIWidget->SlotDeleteIgnorePoint(); break;
    default: break;
    }
}

void MainWindow::SlotChangeDetect(int stage)
{
    drawROIWidget->SlotChangeDetect(stage);
}

void MainWindow::SlotChangeCamera(int camera)
{
    drawROIWidget->SlotChangeCamera(camera);
}

void MainWindow::SlotChangeSource(int source)
{
    optionStack->setCurrentIndex(1);
    regiOption->CheckSource(source);
}

void MainWindow::SlotReturn()
{
    if (!Guard("SAR"))
        return;
    if (numCamera > 1) {
        selectedView = numCamera;
        ChangeCammer();
    } else {
        selectedView = 0;
        zoom.reset();
    }
}

void MainWindow::SlotShowAlarmImgae()
{
    if (!Guard("SARHCN"))
        return;
    EnterEditing(AlarmPicturePage);
    drawROIWidget->Reset(false);
    drawROIWidget->setSource(4);
}

void MainWindow::SlotShowStatisticsWidget()
{
    if (statisticsWidget)
        statisticsWidget->show();
}

void MainWindow::cameraPramsAdjust(bool adjust)
{
    if (adjust) {
        rememberedPage = mainStack->currentIndex();
        rememberedSplit = imageContainer->splitMode();
        mainStack->setCurrentIndex(0);
        imageContainer->showSplit(0);
    } else {
        mainStack->setCurrentIndex(rememberedPage);
        imageContainer->setSplitMode(rememberedSplit);
    }
}

void MainWindow::setcontentLayout()
{
    mainStack->setCurrentIndex(0);
}

void MainWindow::sysSettingWidgetAccept()
{
    settingWidget->accept();
}

// --- view layout

void MainWindow::ChangeCammer()
{
    const int W = gShowW, H = gShowH;
    zoom.reset();
    const int n = qBound(0, numCamera, MAX_CAMERA);
    if (n == 1) {
        selectedView = 0;
        if (CammerWidget* v = cammerWidget[0]) {
            v->setGeometry(0, 0, W, H);
            v->show();
        }
        MShowHide(1);
        return;
    }
    const ViewLayout l = computeViewLayout(n, selectedView, W, H);
    for (int i = 0; i < n; ++i) {
        CammerWidget* v = cammerWidget[i];
        if (!v)
            continue;
        if (l.cells[i].isEmpty()) {
            v->hide();
        } else {
            v->setGeometry(l.cells[i]);
            v->show();
        }
    }
    if (selectedView >= 0 && selectedView < n) {
        MShowHide(3);
        MShowHide(1);
    } else {
        MShowHide(4);
        MShowHide(0);
    }
    if (l.changesScale && l.cellW > 0) {
        cellScaleX = float(l.cellW) / float(gImageW);
        cellScaleY = float(l.cellH) / float(gImageH);
        viewScaleX = float(l.cellW) / float(W);
        viewScaleY = float(l.cellH) / float(H);
    }
}

void MainWindow::MShowHide(int mode)
{
    const bool one = selectedView >= 0 && selectedView < qMin(numCamera, MAX_CAMERA);
    QWidget* pad = optionBar ? optionBar->finetuning() : nullptr;
    if (one && cammerWidget[selectedView]) {
        QWidget* parent = cammerWidget[selectedView];
        for (QWidget* w : {static_cast<QWidget*>(zoomOutButton), pad, static_cast<QWidget*>(zoomInButton)}) {
            if (w && w->parentWidget() != parent)
                w->setParent(parent);
        }
    }
    auto setShown = [](QWidget* w, bool on) {
        if (w)
            w->setVisible(on);
    };
    switch (mode) {
    case 0:
        zoomToolMode = 0;
        setShown(zoomInButton, false);
        setShown(pad, false);
        setShown(zoomOutButton, false);
        break;
    case 1:
        zoomToolMode = 1;
        setShown(zoomInButton, true);
        setShown(pad, false);
        setShown(zoomOutButton, false);
        break;
    case 2:
        zoomToolMode = 2;
        setShown(pad, true);
        setShown(zoomOutButton, true);
        setShown(zoomInButton, true);
        break;
    case 3:
        if (one)
            ShowHideTool(selectedView, 1);
        break;
    case 4:
        for (int v = 0; v < selectedView && v < MAX_CAMERA; ++v)
            ShowHideTool(v, 0);
        break;
    default: break;
    }
}

void MainWindow::MHideAll()
{
    if (zoomToolMode == 2)
        MShowHide(1);
}

void MainWindow::MEnlargeScale()
{
    zoomTimer->start(kZoomToolsMs);
    if (zoomToolMode == 1)
        MShowHide(2);
    else if (zoomToolMode == 2)
        MScale(1);
}

void MainWindow::MReductionScale()
{
    zoomTimer->start(kZoomToolsMs);
    MScale(-1);
}

void MainWindow::MRecovery()
{
    zoomTimer->start(kZoomToolsMs);
    MScale(0);
}

void MainWindow::SlotMoveT()
{
    zoomTimer->start(kZoomToolsMs);
    SlotMove(0, -1);
}

void MainWindow::SlotMoveB()
{
    zoomTimer->start(kZoomToolsMs);
    SlotMove(0, 1);
}

void MainWindow::SlotMoveL()
{
    zoomTimer->start(kZoomToolsMs);
    SlotMove(-1, 0);
}

void MainWindow::SlotMoveR()
{
    zoomTimer->start(kZoomToolsMs);
    SlotMove(1, 0);
}

void MainWindow::MScale(int step)
{
    zoom.scaleStep(step);
    Repaint();
}

void MainWindow::SlotMove(int dx, int dy)
{
    if (zoom.scale <= 1.0)
        return;
    zoom.move(dx, dy);
    Repaint();
}

void MainWindow::MTimerScale()
{
    zoomTimer->stop();
    MHideAll();
}

void MainWindow::Repaint()
{
    if (selectedView >= 0 && selectedView < MAX_CAMERA && cammerWidget[selectedView])
        cammerWidget[selectedView]->update();
}

void MainWindow::ShowHideTool(int view, int mask)
{
    if (view >= 0 && view < MAX_CAMERA && cammerWidget[view])
        cammerWidget[view]->ShowHideTool(mask);
}

// --- events

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    BWidget::mousePressEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    setFocus(Qt::OtherFocusReason);
    BWidget::mouseReleaseEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    return BWidget::eventFilter(watched, event);
}
