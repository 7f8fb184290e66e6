// The controller's pulse and supervision timers: ends of the output pulses, end of the verdict
// display with the stage stepping and pending retraining, the no-input watchdog, the temperature
// alarm, the frame watch and heartbeat, backlight and logout.
#include "vision/controller/mainwindow.h"

#include <QPushButton>
#include <QTimer>

#include "core/ledonoff.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/viewglobals.h"
#include "statistics/temperaturealarm.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/controller/supervision.h"
#include "widgets/modalhook.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"

// In mode 4 a pulse's end releases no output of a stage still to be judged.
void MainWindow::OutTimerOutNG()
{
    ngPulseTimer->stop();
    ApplyOutputs(KeepOwedStageOutputs(Supervision::EndNgPulse(*gpWPara)));
}

void MainWindow::OutTimerNotAllowClose()
{
    closePulseTimer->stop();
    // A release pulse that ends under a camera loss was held by it: the return gives it whole.
    if (lossHeld && ReleasePulseMode())
        lossCutPulse = true;
    ngPulseRunning = false;
    ApplyOutputs(KeepOwedStageOutputs(
        Supervision::EndClosePulse(*gpWPara, runState, MouldHeldByLossOrWarning() || AreaCheckHoldsMould())));
}

void MainWindow::OutTimerNotAllowThimble()
{
    ejectorPulseTimer->stop();
    // An NG's pulse, with a length or without, keeps its inhibit: the ejector's end is not its.
    ApplyOutputs(
        KeepOwedStageOutputs(Supervision::EndEjectorPulse(*gpWPara, runState,
                                                          NgPulseHolds() || MouldHeldByLossOrWarning() || AreaCheckHoldsMould())));
}

bool MainWindow::MouldHeldByLossOrWarning() const
{
    // Nothing looks into the mould while the cameras are lost, and the warning of a stage left
    // unjudged holds it until the operator confirms or a verdict judges it.
    return lossHeld || unjudgedStage >= 0;
}

bool MainWindow::AreaCheckHoldsMould() const
{
    // Resampling's area check keeps the cycle's stages waiting for its answer and the pass takes
    // no machine cycle meanwhile: the mould stays held until End Set.
    return runState != 3 && alarmState != 2 && (openCycle.AnyDeferred() || openCycle.AreaCheckDue() || gFromTrain);
}

void MainWindow::OutTimerReserveOutput()
{
    reserveTimer->stop();
    ApplyOutputs(Supervision::EndReserveOutput());
}

void MainWindow::TimerShow()
{
    const WizardPara& p = *gpWPara;
    showTimer->stop();
    if (alarmState != 2) {
        LEDOnOff(6, 1);
        LEDOnOff(7, 1);
        if (!reCheckFlag && curDetect == shownDetect)
            curDetect = Supervision::NextStage(p, curDetect, gDNum);
        displayState = 3;
        if (alarmState == 1) {
            SetAlarmState(0);
            update();
        }
    } else {
        displayState = 3;
    }
    ServeRetrain();
}

void MainWindow::InCheck()
{
    ApplyOutputs(Supervision::WatchdogFired());
    inputTimeoutTimer->stop();
    InsertRecord(gaLanStr[335 * LAN_COUNT + gLan]);
    // One warning at a time: the next cycle start hides it; a watchdog firing while it is still
    // up only records.
    if (warnShown || !gpWarnBox)
        return;
    warnShown = true;
    gpWarnBox->setText(gaLanStr[335 * LAN_COUNT + gLan]);
    gpWarnBox->confirmButton()->show();
    execModal(*gpWarnBox);
}

void MainWindow::CheckTemp()
{
    if (!gisTempAlarm)
        return;
    ApplyOutputs(Supervision::TempAlarmSet());
    alarmResetTimer->start(1000);
}

void MainWindow::SlotResetAlarm()
{
    ApplyOutputs(Supervision::TempAlarmReset(alarmState, NgPulseHolds()));
    alarmResetTimer->stop();
}

void MainWindow::SlotFPS()
{
    const WizardPara& p = *gpWPara;
    LEDOnOff(5, Supervision::Heartbeat(runState, heartbeatOn) ? 1 : 0);
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v) || gCameraID == CAMERA_NONE)
            continue;
        Supervision::FrameWatch w;
        w.seen = frameSeen[v];
        w.stillSecs = frameStill[v];
        const bool lost = Supervision::WatchFrames(w, frameCount[v], p.image_trigger);
        frameSeen[v] = w.seen;
        frameStill[v] = w.stillSecs;
        frameShown[v] = w.fps;  // the frames of the last second, which the view shows
        if (lost)
            CameraCheck(v);
    }
}

void MainWindow::SlotDrawHint()
{
    hintTimer->stop();
    gDrawHint = 0;
    update();
}

void MainWindow::TimerLogout()
{
    logoutTimer->stop();
    userLevel = 0;
}

void MainWindow::TimerLCD()
{
    lcdTimer->stop();
    LCDOnOff(0);
}
