// The alarm state's ways in and out, read together: 0 normal, 1 a verdict shown, 2 the alarm hold,
// 3 an editing page (region page, account, alarm pictures, area check after resampling). Every
// state entered here has its way out here; the screens call these, never set the state alone.
// Also what the pass drops when it cannot act (edges, requests) and the close of a cycle whose
// stage expired while the board was silent or that started while the cameras were lost.
#include "vision/controller/mainwindow.h"

#include <QPushButton>
#include <QTime>
#include <QTimer>

#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/iostatuswidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/board/controlport.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/runcontrol.h"
#include "vision/controller/startuphold.h"
#include "vision/records/counters.h"
#include "vision/records/verdictwriter.h"
#include "vision/controller/supervision.h"
#include "vision/controller/triggerwiring.h"
#include "vision/controller/verdictlogic.h"
#include "vision/inspection/cammerrecongnize.h"
#include "widgets/warnbox.h"

namespace {

constexpr int kRowNotJudged = 611;
constexpr int kRowLostCycle = 615;
constexpr int kRowStagesChanged = 616;
constexpr int kRowStageInputsChanged = 619;
constexpr int kRowMouldLeft = 622;
constexpr int kRowParamsReplaced = 623;
constexpr int kRowParamsLost = 624;
constexpr int kRowHoldConfirmed = 625;

const char* AlarmStateName(int state)
{
    static const char* const names[] = {"normal", "verdict shown", "alarm hold", "editing page"};
    return state >= 0 && state < 4 ? names[state] : "unknown";
}

}  // namespace

void MainWindow::SetAlarmState(int to)
{
    const int from = alarmState;
    alarmState = to;
    if (from == to)
        return;
    qDebug("alarm state %d -> %d (%s -> %s) at %s", from, to, AlarmStateName(from), AlarmStateName(to),
           qPrintable(QTime::currentTime().toString("hh:mm:ss.zzz")));
    if (from == 3)
        editingPage = NoEditing;
    if (to == 2)
        ++holdsEntered;
    if (to == 2 || to == 3) {
        if (indexButton)
            indexButton->hide();
        return;
    }
    if (from != 2 && from != 3)
        return;
    // Back to the main screen's plain state: the side panel and the I/O strip come back.
    if (indexButton)
        indexButton->show();
    if (ioStatusWidget)
        ioStatusWidget->show();
    if (from == 2) {
        // The pass stopped the watchdog while the hold lasted: an idle machine after the release
        // is warned again.
        const int ms = Supervision::WatchdogIntervalMs(gpWPara->input_timeout_len);
        if (ms > 0 && inputTimeoutTimer && !warnShown)
            inputTimeoutTimer->start(ms);
    }
}

void MainWindow::EnterEditing(EditingPage page)
{
    SetAlarmState(3);
    editingPage = page;
    if (page != AreaCheckPage && ioStatusWidget)
        ioStatusWidget->hide();
}

void MainWindow::LeaveEditing()
{
    if (alarmState != 3)
        return;
    SetAlarmState(0);
    update();
}

void MainWindow::ServeRetrain()
{
    const WizardPara& p = *gpWPara;
    if (gisReTrain) {
        gisReTrain = 0;
        for (int v = 0; v < MAX_CAMERA; ++v) {
            if (!Inspected(v) || !cammerWidget[v]->recogniser)
                continue;
            for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
                if (!p.stage_enabled[d])
                    continue;
                cammerWidget[v]->recogniser->CreateShape(d);
                cammerWidget[v]->recogniser->VarTrain(d);
            }
        }
    } else if (gisReShape) {
        gisReShape = 0;
        for (int v = 0; v < MAX_CAMERA; ++v) {
            if (!Inspected(v) || !cammerWidget[v]->recogniser)
                continue;
            cammerWidget[v]->recogniser->CreateShape(1);
            cammerWidget[v]->recogniser->VarTrain(1);
        }
    }
}

void MainWindow::DropInputEdges(int from, int to)
{
    // The inputs are not read while the cycle cannot take them: a pulse that came and went then
    // is gone; a level still held is seen by the edge rule at the next pass that reads it.
    for (int k = from; k <= to; ++k)
        gpControlIO->DropLatchedEdges(k);
}

void MainWindow::DropPendingRequests(bool keepRestart)
{
    if (manualDetect != gDNum)
        qWarning("manual request for stage %d dropped: the cycle cannot take it now", manualDetect + 1);
    manualDetect = gDNum;
    if (keepRestart && restartDetect >= 0)
        return;  // its simulated input carries it
    simInput = -1;
    restartDetect = -1;
}

void MainWindow::BoardBack()
{
    // The board's warning took the start-up hold's place on the screen: it comes back.
    if (startupHold != NoStartupHold && (unjudgedStage < 0 || startupHold == MouldLeftUnjudged)) {
        ShowConfirmable(startupHoldText);
        return;
    }
    if (unjudgedStage < 0)
        return;
    // The stage that expired unjudged is shown until the operator confirms it; the mould stays
    // held until then (or until a verdict).
    HoldUnjudged(gaLanStr[kRowNotJudged * LAN_COUNT + gLan].arg(unjudgedStage + 1));
}

bool MainWindow::CycleStartLatched()
{
    if (runState != 1 || alarmState == 2)
        return false;
    bool latched = false;
    for (int k = 0; k < 4; ++k)
        if (TriggerWiring::Classify(*gpWPara, k, false, -1, true).role == TriggerWiring::CycleStart)
            latched = gpControlIO->IOInTrigger(k) || latched;
    return latched;
}

void MainWindow::KeepLostStageInputs()
{
    // Only where the pass would take them: detecting, no hold, a cycle open and no delay
    // counting (an edge during a delay is dropped, lost cameras or not).
    if (runState != 1 || alarmState == 2 || !StagesOpen() || openCycle.AnyDeferred())
        return;
    for (int d = 0; d < MAX_DETECT; ++d)
        if (stageClock.Running(d))
            return;
    const WizardPara& p = *gpWPara;
    const int last = qBound(0, gDNum - 1, MAX_DETECT - 1);
    for (int k = 0; k < 8; ++k) {
        if (k == 1 && p.enable_trigger_safety)
            continue;  // it judges the last stage at once: nothing can be judged now
        const TriggerWiring::Role role =
            TriggerWiring::Classify(p, k, detectMask[1] != 0, repeatInput, detectMask[last] == 0).role;
        if (role == TriggerWiring::CycleStart || role == TriggerWiring::Ignore)
            continue;  // a start is CycleStartLatched's
        bool stageInput = role == TriggerWiring::PairStart;
        for (int d = 0; d < gDNum && d < MAX_DETECT && !stageInput; ++d)
            stageInput = p.stage_enabled[d] && p.stage_trigger_input[d] == k;
        if (!stageInput || !gpControlIO->IOInTrigger(k))
            continue;
        // As the pass takes an edge: confirmed by the debounce timer, or at once.
        lostStageInputs |= quint8(1u << k);
        inputTimer[k]->stop();
        if (p.input_debounce != 0)
            inputTimer[k]->start(Supervision::TenthsToMs(p.input_debounce));
        else
            inputSampled[k] = true;
    }
}

void MainWindow::DropLostStageInputs()
{
    // A start under the loss overtook their cycle (its warning tells the operator), or the
    // alarm hold, a stop or a change of the stages ended it meanwhile.
    const bool taken = !lostCycleStart && runState == 1 && alarmState != 2 && StagesOpen();
    for (int k = 0; k < 8 && !taken; ++k) {
        if (!(lostStageInputs & (1u << k)))
            continue;
        inputTimer[k]->stop();
        inputSampled[k] = false;
    }
    lostStageInputs = 0;
}

void MainWindow::HoldForLoss()
{
    if (!lossHeld) {
        lossHeld = true;
        lossCutPulse = ReleasePulseMode() && closePulseTimer->isActive() && !ngPulseRunning;
        lossTookRelease = !lossCutPulse && runState != 3 && !gpControlIO->OutActive(0);
    }
    gpControlIO->IOSetOut(0, 1);
    gpControlIO->IOFlashOut();
}

bool MainWindow::ReleasePulseMode() const
{
    const WizardPara& p = *gpWPara;
    return p.is_cut_ontime && p.mold_pulse > 0 && !p.ng_pulse_mode;
}

void MainWindow::CamerasBack(bool cycleStarted)
{
    // A release pulse that ran when the loss came or started under it was cut short.
    const bool cutPulse = ReleasePulseMode() && (lossCutPulse || (closePulseTimer->isActive() && !ngPulseRunning));
    const bool tookRelease = lossTookRelease;
    lossHeld = lossTookRelease = lossCutPulse = false;
    if (runState == 3 && alarmState != 2) {
        // Stopped (the alarm hold stops detection too, and keeps its inhibit): no cycle to judge,
        // and no start would come to clear what the loss set. The inhibit goes back to what the
        // stop left (held only where a stop holds the mould).
        gpControlIO->IOSetOut(0, gpWPara->enable_stop_mold == 1 || NgPulseHolds() ? 1 : 0);
        gpControlIO->IOFlashOut();
        return;
    }
    if (MouldVerdictOwed())
        return;  // a cycle still open, the area check or a warning keeps the inhibit
    if (!cycleStarted) {
        if (cutPulse) {
            ReleaseHeldBack();  // the judged mould's release, whole again, its inhibit at its end
            return;
        }
        // What the loss set goes; an NG's pulse keeps its own inhibit until the pulse ends, and
        // with release pulses the inhibit between them stays unless the loss took a release.
        const bool inhibit = NgPulseHolds() || (ReleasePulseMode() && !tookRelease);
        gpControlIO->IOSetOut(0, inhibit ? 1 : 0);
        gpControlIO->IOFlashOut();
        return;
    }
    // The machine opened the mould while nothing could look into it: held as a stage the board
    // left unjudged.
    unjudgedStage = 0;
    HoldUnjudged(gaLanStr[kRowLostCycle * LAN_COUNT + gLan]);
}

bool MainWindow::MouldVerdictOwed() const
{
    if (CycleIdle())
        return false;
    if ((runState != 1 && runState != 2) || alarmState == 2 || reCheckFlag || releaseDue || unjudgedStage >= 0 ||
        openCycle.AnyDeferred() || openCycle.AreaCheckDue() || gFromTrain || warnShown ||
        startupHold != NoStartupHold)
        return true;
    for (int d = 0; d < MAX_DETECT; ++d)
        if (stageClock.Running(d))
            return true;
    // No delay counts: only the mould stage's verdict, still awaited, releases output 0. The entry
    // of a stage the alarm hold stopped awaits nothing.
    const int last = TriggerWiring::LastStage(*gpWPara, gDNum);
    return last >= 0 && last < MAX_DETECT && detectMask[last] != 0;
}

bool MainWindow::NgPulseHolds() const
{
    return gpWPara->ng_pulse_mode && ngPulseRunning && (closePulseTimer->isActive() || ngPulseEndless);
}

bool MainWindow::NgPulseOutlastsOk(int stage) const
{
    const quint32 others = ngPulseStages & ~(stage >= 0 && stage < MAX_DETECT ? 1u << stage : 0u);
    return gpWPara->ng_pulse_mode && ngPulseRunning &&
           (closePulseTimer->isActive() || (ngPulseEndless && ngPulseCycle == cyclesStarted && others != 0));
}

void MainWindow::HoldUnjudged(const QString& text)
{
    InsertRecord(text);
    ShowConfirmable(text);
}

void MainWindow::ShowConfirmable(const QString& text)
{
    ShowFault(text);
    owedQuestion = text;
    owedStartup = startupHold != NoStartupHold && !startupHoldText.isEmpty() && text.startsWith(startupHoldText);
    if (faultBox && faultBox->confirmButton()) {
        faultBox->confirmButton()->show();
        // Bound to this question only: the next text shown in the box (the silent board's, the
        // picture writer's) takes the binding away.
        QObject::disconnect(faultConfirm);
        faultConfirm = connect(faultBox->confirmButton(), &QPushButton::clicked, this, &MainWindow::ConfirmUnjudged);
    }
}

void MainWindow::ConfirmUnjudged()
{
    if (unjudgedStage < 0 && startupHold == NoStartupHold)
        return;
    // The replaced parameters are a question of their own: a stage's confirmation leaves their
    // hold to it, asked next.
    const bool keepReplaced = startupHold == ParametersReplaced && unjudgedStage >= 0 && !owedStartup;
    if (startupHold != NoStartupHold && !keepReplaced) {
        if (startupHold == ParametersReplaced) {
            if (!StartupHold::ForgetReplaced())
                qCritical("the mark of the replaced parameters could not be removed");
            gpControlIO->HoldMould(false);
        }
        startupHold = NoStartupHold;
        startupHoldText.clear();
        InsertRecord(gaLanStr[kRowHoldConfirmed * LAN_COUNT + gLan]);
    }
    unjudgedStage = -1;
    if (faultBox)
        faultBox->hide();
    // The silent board, the lost camera or the end of the run before ended the cycle; the
    // operator has seen it: the outputs of an idle machine (the cycle start's ejector inhibit goes
    // with the mould-close inhibit). A cycle that started since keeps its outputs for its verdict,
    // resampling's area check keeps the mould until End Set.
    if (runState != 3 && alarmState != 2 && !CycleOpen() && !gFromTrain) {
        ApplyOutputs(RunControl::StartDetectOutputs(*gpWPara));
        // An NG's pulse without a length went with its outputs: nothing may set them again for it.
        if (!closePulseTimer->isActive())
            ngPulseRunning = false;
        // With release pulses the confirmed mould gets one, whole: its end puts the inhibit
        // back, as between any two verdicts.
        if (ReleasePulseMode())
            closePulseTimer->start(Supervision::TenthsToMs(gpWPara->mold_pulse));
    }
    if (keepReplaced)
        ShowConfirmable(startupHoldText);
}

bool MainWindow::ConfirmationOwed() const
{
    return unjudgedStage >= 0 || startupHold != NoStartupHold;
}

bool MainWindow::CycleOpen() const
{
    return StagesOpen() || openCycle.AnyDeferred();
}

bool MainWindow::StagesOpen() const
{
    bool open = reCheckFlag || releaseDue;
    for (int d = 0; d < MAX_DETECT; ++d)
        open = open || detectMask[d] != 0 || stageClock.Running(d);
    return open;
}

void MainWindow::ReadStartupHold()
{
    const StartupHold::Replaced replaced = StartupHold::ReadReplaced();
    const bool mouldHeld = StartupHold::MouldLeftHeld();
    mouldNoted = mouldHeld;
    if (replaced.marked) {
        startupHold = ParametersReplaced;
        startupHoldText = replaced.aside.isEmpty()
                              ? gaLanStr[kRowParamsLost * LAN_COUNT + gLan]
                              : gaLanStr[kRowParamsReplaced * LAN_COUNT + gLan].arg(replaced.aside);
        gpControlIO->HoldMould(true);
        qWarning("start-up hold: parameters replaced by the default copy (%s)", qPrintable(replaced.why));
    } else if (mouldHeld) {
        startupHold = MouldLeftUnjudged;
        startupHoldText = gaLanStr[kRowMouldLeft * LAN_COUNT + gLan];
        unjudgedStage = 0;
        qWarning("start-up hold: the run before ended with a mould not yet judged");
    }
}

bool MainWindow::MouldUnjudged() const
{
    if (startupHold != NoStartupHold || alarmState == 2 || unjudgedStage >= 0 || lostCycleStart)
        return true;
    if (runState == 3)
        return false;  // stopping released the mould
    return CycleOpen();
}

void MainWindow::NoteMould()
{
    const bool held = MouldUnjudged();
    if (held == mouldNoted)
        return;
    mouldNoted = held;
    const QString path = QDir::current().absoluteFilePath(StartupHold::kMouldFile);
    if (verdictWriter)
        // A hold must reach the disk before a kill can end the program, whatever waits in the
        // queue; a release keeps its place behind the counts of its cycle.
        held ? verdictWriter->WriteFileAhead(path, StartupHold::MouldText(held))
             : verdictWriter->WriteFile(path, StartupHold::MouldText(held));
    else if (!Counters::WriteBytes(path, StartupHold::MouldText(held)))
        qCritical("mould state not written");
}

bool MainWindow::CycleIdle() const
{
    // Resampling waits for its next cycle as detection does; once a capture took the last
    // template, the area check holds the mould until its answer.
    if ((runState != 1 && runState != 2) || alarmState == 2 || reCheckFlag || unjudgedStage >= 0 ||
        openCycle.AnyDeferred() || openCycle.AreaCheckDue() || gFromTrain)
        return false;
    // A warning that keeps the inhibit until it is confirmed or the next cycle starts.
    if (warnShown || startupHold != NoStartupHold)
        return false;
    for (int d = 0; d < MAX_DETECT; ++d)
        if (detectMask[d] != 0 || stageClock.Running(d))
            return false;
    return true;
}

void MainWindow::StageCountCheck()
{
    const quint64 inputs = TriggerWiring::StageInputs(*gpWPara);
    const bool countChanged = cycleStages != gDNum;
    if (!countChanged && inputs == cycleInputs)
        return;
    cycleInputs = inputs;
    // The same stages started by other inputs: a cycle that waits for none of them goes on, and
    // so do the alarm hold and a stop, whose own ends start what is left.
    if (!countChanged && (runState == 3 || alarmState == 2 || !CycleOpen()))
        return;
    if (countChanged)
        qInfo("stage count %d -> %d: cycle state reset", cycleStages, gDNum.load());
    else
        qInfo("stage inputs changed with a cycle open: cycle state reset");
    // A cycle open now loses its stages with the old count: its mould stays held (it was not
    // judged), and the operator is told and confirms the release.
    int unjudged = -1;
    if (runState != 3 && alarmState != 2 && CycleOpen()) {
        for (int d = MAX_DETECT - 1; d >= 0; --d)
            if (stageClock.Running(d) || openCycle.Deferred(d) || detectMask[d] != 0)
                unjudged = d;
        if (unjudged < 0)
            unjudged = qBound(0, reCheckFlag ? reCheckStage : curDetect, MAX_DETECT - 1);
    }
    cycleStages = gDNum;
    // "No request" is the stage count itself: the old count would read as a request for a stage.
    manualDetect = gDNum;
    simInput = repeatInput = restartDetect = -1;
    stageClock.StopAll();
    for (int d = 0; d < MAX_DETECT; ++d) {
        detectMask[d] = 0;
        reCheckCount[d] = 0;
        stageCountFlag[d] = false;
    }
    reCheckFlag = 0;
    releaseDue = false;
    openCycle.Reset();
    cycleStarted = false;
    curDetect = multiDetect = gDNum - 1;
    for (int v = 0; v < MAX_CAMERA; ++v) {
        allCountFlag[v] = failCountFlag[v] = false;
        for (int d = 0; d < MAX_DETECT; ++d) {
            stageInspected[v][d] = false;
            failPicState[v][d] = 0;
        }
    }
    for (int k = 0; k < 8; ++k) {
        inputSampled[k] = false;
        if (inputTimer[k])
            inputTimer[k]->stop();
    }
    // An edge latched before the change belongs to the old stages.
    DropInputEdges(0, 7);
    if (unjudged >= 0 && unjudgedStage < 0) {
        unjudgedStage = unjudged;
        // The warning asks to confirm the mould's release: a mould still free (pre-cut, no
        // inhibit at the start, the pulse mode, a mode-4 stage group not reached) is held from
        // here, as the stage it will not judge would have held it before its verdict.
        OutputPlan hold;
        hold.set(0);
        hold.flash();
        ApplyOutputs(hold);
        const int row = countChanged ? kRowStagesChanged : kRowStageInputsChanged;
        HoldUnjudged(gaLanStr[row * LAN_COUNT + gLan].arg(unjudged + 1));
    }
}

bool MainWindow::TakeNewFrame(int v)
{
    CammerWidget* w = cammerWidget[v];
    if (!w || !w->TakeFrame())
        return false;
    const qint64 now = cycleClockMs();
    if (!cycleLost[v])
        frameIntervalMs[v] = VerdictLogic::NextFrameInterval(frameIntervalMs[v], now - lastFrameMs[v]);
    lastFrameMs[v] = now;
    cycleLost[v] = false;  // its camera is back
    ++frameCount[v];
    return true;
}

bool MainWindow::FrameTooOld(int v) const
{
    return VerdictLogic::FrameStale(gpWPara->image_trigger, cycleClockMs() - lastFrameMs[v], frameIntervalMs[v]);
}

bool MainWindow::PictureCurrent(int v) const
{
    if (v < 0 || v >= MAX_CAMERA)
        return false;
    return !judgedNoPicture[v] && !cycleLost[v] && !(gCameraID != CAMERA_NONE && FrameTooOld(v));
}
