// Starting, stopping and resampling detection, the operator's access level, the screen actions of
// the option bar and the side panel, manual and simulated triggers.
#include "vision/controller/mainwindow.h"

#include <QMutexLocker>
#include <QStackedWidget>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "core/ledonoff.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/titlebar.h"
#include "mainscreen/viewhost.h"
#include "network/cnt_net.h"
#include "settings/systemsettingwidget.h"
#include "vision/inspection/autoregion.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "vision/camera/framememory.h"
#include "vision/board/controlport.h"
#include "vision/controller/framecopy.h"
#include "vision/controller/runcontrol.h"
#include "vision/controller/triggerwiring.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"
#include "widgets/showbox.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int r) { return gaLanStr[r * LAN_COUNT + gLan]; }

} // namespace

int MainWindow::CheckPassword()
{
    const int level = RunControl::LevelWithoutBox(gpWPara->is_psw_used, userLevel);
    if (level != 0)
        return level;
    PasswordBox box(Row(569));
    box.setTitleRow(569);
    execModal(box);
    return userLevel;
}

bool MainWindow::CheckRoot()
{
    if (userLevel == 2)
        return true;
    if (gpPasswordBox)
        execModal(*gpPasswordBox);
    return userLevel == 2;
}

OutputPlan MainWindow::StartOutputs(bool holdMould, bool keepCycle) const
{
    const bool pulseStays = keepCycle && NgPulseOutlastsOk();
    OutputPlan o = RunControl::StartDetectOutputs(*gpWPara, holdMould || pulseStays);
    if (pulseStays)
        o.set(2);
    // The restart inside the open cycle releases no stage of it before its verdict.
    return keepCycle ? KeepOwedStageOutputs(o) : o;
}

OutputPlan MainWindow::KeepOwedStageOutputs(OutputPlan plan, int judged) const
{
    // Each stage's output holds the machine's step until that stage's own verdict: a restart, an
    // NG's pulse or a pulse's end that clears outputs by the other modes' rules leaves it.
    if (gpWPara->io_mode != 4)
        return plan;
    quint32 owed = 0;
    for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
        if (d != judged &&
            (detectMask[d] != 0 || stageClock.Running(d) || openCycle.Deferred(d) || (alarmState == 2 && d == curDetect)))
            owed |= 1u << TriggerWiring::Mode4StageOutput(d, gDNum);
    auto& steps = plan.steps;
    steps.erase(std::remove_if(steps.begin(), steps.end(),
                               [owed](const OutputPlan::Step& s) {
                                   return s.kind == OutputPlan::Clear && s.n >= 0 && s.n < 32 && ((owed >> s.n) & 1u);
                               }),
                steps.end());
    return plan;
}

void MainWindow::StartDetect(bool holdMould, bool keepCycle)
{
    const bool holdEnds = alarmState == 2;
    const bool pulseStays = keepCycle && NgPulseOutlastsOk();
    ApplyOutputs(StartOutputs(holdMould, keepCycle));
    if (!closePulseTimer->isActive() && !pulseStays)
        ngPulseRunning = false;  // an NG's pulse without a length: its outputs are cleared
    SetAlarmState(0);
    if (!keepCycle) {
        releaseDue = false;
        for (int& n : reCheckCount)
            n = 0;
        reCheckFlag = 0;
    }
    // An alarm hold ended by stopping and starting: its NG picture is kept.
    if (holdEnds)
        HandOverPictures(true);
    ResetRun();
    runState = 1;
}

void MainWindow::ResetRun()
{
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v))
            continue;
        CammerWidget* w = cammerWidget[v];
        w->isOK = true;
        // A delay still running keeps its time: its stage is judged when it has run, never
        // left without a verdict nor judged before the mould is open.
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
            for (int r = 0; r < MAX_ROI; ++r) {
                w->roiOK[d][r] = true;
                w->roiValue[d][r] = 0;
            }
        }
    }
}

void MainWindow::StopDetect()
{
    ApplyOutputs(RunControl::StopDetectOutputs(*gpWPara));
    // The stop's outputs replace a release pulse still running and what a camera loss took (a
    // release, or a release pulse it cut short): they belong to the run the stop ended, and a
    // start sets its own inhibit. An NG's pulse keeps its own end.
    if (ReleasePulseMode())
        closePulseTimer->stop();
    lossTookRelease = lossCutPulse = false;
    if (!closePulseTimer->isActive())
        ngPulseRunning = false;
    if (gpWPara->io_mode == 4) {
        for (quint32& m : detectMask)
            m = 0;
        curDetect = multiDetect = gDNum - 1;
    }
    SetStopDetect();
    // A stop that releases the mould ends a stage left unjudged (by a silent board, a lost camera
    // or the run before) with it: a later start must not take the released mould for held. The
    // default parameters' hold stays, the board keeps that inhibit.
    const bool released = gpWPara->enable_stop_mold != 1;
    if (released && startupHold != ParametersReplaced && (unjudgedStage >= 0 || startupHold == MouldLeftUnjudged)) {
        unjudgedStage = -1;
        startupHold = NoStartupHold;
        startupHoldText.clear();
        if (faultBox)
            faultBox->hide();
    }
}

void MainWindow::SetStopDetect()
{
    const int m = RunControl::StopMaskEntry(*gpWPara, curDetect);
    if (m >= 0)
        detectMask[m] = 0;
    stageClock.StopAll();
    openCycle.Reset();
    runState = 3;
}

void MainWindow::SlotStartStop()
{
    if (!Guard("SAR"))
        return;
    if (runState == 3) {
        // A stop that kept the mould left its unjudged stage's warning up: the mould stays held
        // until the operator confirms it, as the warning says.
        StartDetect(ConfirmationOwed());
        ApplyOutputs(RunControl::StartPulseOutputs(*gpWPara));
        InsertRecord(Row(142));
        ShowDetecting(true);
    } else {
        if (CheckPassword() == 0)
            return;
        if (!showChooseBox(Row(140)) || !Guard("SA"))
            return;
        StopDetect();
        InsertRecord(Row(141));
        ShowDetecting(false);
    }
    update();
    if (gpWPara->cnt_net_enabled && gpNet && gpNet->isopen) {
        // The stopped minutes are kept without a client; only sending needs one.
        if (!gpNet->connected) {
            gpNet->CNT_RecordManualStop();
        } else {
            gpNet->CNT_SendManualStop();
            gpNet->CNT_SendStatistics("null");
        }
    }
}

void MainWindow::ShowDetecting(bool on)
{
    LEDOnOff(4, on ? 1 : 0);
    if (titleBar)
        titleBar->setStyleSheet(on ? "TitleBar{background-color:#1f3f8d;}" : "TitleBar{background-color:#ee2329;}");
    if (optionBar)
        optionBar->SetDetecting(on);
}

void MainWindow::SlotReTrain()
{
    const WizardPara& p = *gpWPara;
    if (!Guard("SOCN") || CheckPassword() == 0)
        return;
    if (!showChooseBox(Row(137)) || !Guard("SARH"))
        return;
    SetAlarmState(0);
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v))
            continue;
        cammerWidget[v]->isOK = true;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
            for (int r = 0; r < MAX_ROI; ++r)
                cammerWidget[v]->roiOK[d][r] = true;
    }
    if (runState == 3) {
        StartDetect(ConfirmationOwed());  // as Start: an owed confirmation keeps the mould
        ApplyOutputs(RunControl::StartPulseOutputs(p));
        // The lamp, title bar and start/stop button as a start by the button gives them: left
        // as "Start Detection", the button's next touch asked to stop the detection.
        ShowDetecting(true);
    }
    runState = 2;
    drawROIWidget->SlotTempDeleteAll();
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v))
            continue;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
            if (p.stage_enabled[d])
                captureFlag[v][d] = true;
            if (cammerWidget[v]->ignoreMap[d]) {
                FrameMemory::ZeroPages(cammerWidget[v]->ignoreMap[d], size_t(gImageLen));
                cammerWidget[v]->SaveIgnorePoint(d);
            }
        }
    }
    InsertRecord(Row(139));
    SaveSN(0);
    update();
}

void MainWindow::CheckArea(bool)
{
    if (settingWidget && settingWidget->isVisible())
        settingWidget->Leave();
    // The templates are taken: while the password is asked the pass runs under the box and
    // detects on them, so a stage that expires meanwhile is judged as any, never resampled into a
    // second area check nor given a verdict it was not inspected for.
    const int resampling = runState;
    runState = 1;
    const int level = CheckPassword();
    if (alarmState == 2)
        return;  // a verdict meanwhile entered the alarm hold: it keeps the mould and the screen
    if (level == 0)
        return;
    runState = resampling;
    EnterEditing(AreaCheckPage);
    drawROIWidget->Reset(false);
    gFromTrain = 1;
}

void MainWindow::SlotAdjustArea()
{
    const WizardPara& p = *gpWPara;
    // Read again after the password box: the cycle ran under it and may have entered the alarm
    // hold, whose screen the page must not take over.
    if (!Guard("SARHCN") || CheckPassword() == 0 || !Guard("SARHCN"))
        return;
    optionStack->setCurrentIndex(1);
    EnterEditing(AreaPage);
    drawROIWidget->Reset(false);
    // With all views shown there is no view of index numCamera: the first view serves.
    const int v = RunControl::AdjustAreaView(selectedView, numCamera);
    if (!ViewBuilt(v))
        return;
    CammerWidget* view = cammerWidget[v];
    view->ShowHideTool(3);
    const int stage = viewHost()->editStage();
    if (view->modelInForce && stage >= 0 && stage < MAX_DETECT && view->modelInForce->roiNum[stage] == 0 &&
        p.auto_region_prompt) {
        if (showChooseBox(Row(354)) && Guard("SAH"))
            AutogenerationRegion(stage);
    }
    if (p.cavity_check_on) {
        view->SetCheckBoxState(1);
        view->ShowHideCheckBox(true);
    }
}

void MainWindow::SlotAccount()
{
    if (!Guard("SARHCN") || CheckPassword() == 0 || !Guard("SARHCN"))
        return;  // as the area page: an alarm hold entered under the password box keeps its screen
    EnterEditing(AccountPage);
}

void MainWindow::SlotManualTrig(int stage)
{
    if (RunControl::ManualTrigRefused(*gpWPara, stage)) {
        showWarnBox(Row(145));
        return;
    }
    manualDetect = stage;
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (cammerWidget[v])
            for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
                cammerWidget[v]->stageCycleFlags[d] = false;
    if (gCameraID == CAMERA_NONE) {
        // Demonstration: the next picture of camera 1's fifth template folder, in the working format.
        const int v = ViewBuilt(selectedView) && selectedView < numCamera ? selectedView : 0;
        QByteArray frame;
        const QImage picture(RunControl::DemoPicturePath(demoIndex));
        if (ViewBuilt(v) && cammerWidget[v]->frameWork &&
            FrameCopy::ToWorkingFrame(picture, gImageW, gImageH, gisColor, frame) && frame.size() == gColorLen)
            std::memcpy(cammerWidget[v]->frameWork, frame.constData(), size_t(gColorLen));
        demoIndex = RunControl::NextDemoIndex(demoIndex);
    }
}

void MainWindow::SlotManualTrig0() { SlotManualTrig(0); }
void MainWindow::SlotManualTrig1() { SlotManualTrig(1); }
void MainWindow::SlotMuliManualTrig() { SlotManualTrig(indexButton ? indexButton->CurChooseTrig() : 0); }

void MainWindow::SlotSimulationTrigIn1() { simInput = 0; }
void MainWindow::SlotSimulationTrigIn2() { simInput = 1; }
void MainWindow::SlotSimulationTrigIn3() { simInput = 2; }
void MainWindow::SlotSimulationTrigIn4() { simInput = 3; }
void MainWindow::SlotSimulationTrigIn5() { simInput = 4; }
void MainWindow::SlotSimulationTrigIn6() { simInput = 5; }
void MainWindow::SlotSimulationTrigIn7() { simInput = 6; }
void MainWindow::SlotSimulationTrigIn8() { simInput = 7; }

void MainWindow::SetRawInput(int bit, bool on)
{
    QMutexLocker lock(pMutexIO);
    if (on)
        gDataIn |= qint32(1) << bit;
    else
        gDataIn &= ~(qint32(1) << bit);
}

void MainWindow::SlotPressedTrigIn1() { SetRawInput(0, true); }
void MainWindow::SlotPressedTrigIn2() { SetRawInput(1, true); }
void MainWindow::SlotPressedTrigIn3() { SetRawInput(2, true); }
void MainWindow::SlotPressedTrigIn4() { SetRawInput(3, true); }
void MainWindow::SlotReleasedTrigIn1() { SetRawInput(0, false); }
void MainWindow::SlotReleasedTrigIn2() { SetRawInput(1, false); }
void MainWindow::SlotReleasedTrigIn3() { SetRawInput(2, false); }
void MainWindow::SlotReleasedTrigIn4() { SetRawInput(3, false); }

void MainWindow::SlotHelp() {}
void MainWindow::SlotNewUser() {}
void MainWindow::SlotNewUserLastStep() {}
void MainWindow::SlotSystemPara() {}

void MainWindow::AutogenerationRegion(int stage)
{
    const int v = RunControl::AdjustAreaView(selectedView, numCamera);
    if (!ViewBuilt(v))
        return;
    CammerWidget* view = cammerWidget[v];
    if (AutoGenerateRegion(*view, stage, gpWPara->minimum_size, gpWPara->minimum_area).made) {
        // The new region is not selected: back to selecting, nothing picked.
        viewHost()->setDrawMode(0);
        view->selectedROI = -1;
        view->ShowHideROIPara();
        update();
    }
    view->update();
}
