// The monitoring pass: new frames, the alarm hold's re-check input, repeated inspections, trigger
// safety, manual and simulated requests, the image trigger and the trigger inputs; the stage
// delays in 100 ms ticks of a clock that is never set, and the automatic repeated inspection.
// The decisions live in TriggerWiring, StageClock and VerdictLogic; this file sequences them on
// the controller's state.
#include "vision/controller/mainwindow.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/viewglobals.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/controller/framecopy.h"
#include "vision/records/savefialimagethread.h"
#include "vision/controller/supervision.h"
#include "network/cnt_net.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/titlebar.h"
#include "vision/controller/triggerwiring.h"
#include "vision/controller/verdictlogic.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"

int gRunCount = 0;
int gisReTrain = 0;
int gisReShape = 0;
int gFromTrain = 0;

namespace {

constexpr int kRunMs = 3;
constexpr int kLostRunMs = 3000;
constexpr int kWhiteBalancePass = 50;

int NowTenths(const MainWindow& w)
{
    return int(w.EpochMs() / 100);
}

} // namespace

void MainWindow::InitCycle()
{
    // Stage delays and output pulses keep their time to the millisecond.
    for (QTimer* t : stageTimer)
        if (t)
            t->setTimerType(Qt::PreciseTimer);
    for (QTimer* t : {ngPulseTimer, closePulseTimer, ejectorPulseTimer, reserveTimer, runTimer})
        if (t)
            t->setTimerType(Qt::PreciseTimer);
    for (QTimer* t : inputTimer)
        if (t)
            t->setTimerType(Qt::PreciseTimer);
    // The stage pair in force: the derivation sets it on every later load; the load of the
    // start-up ran before the controller could take it.
    gRunModeHooks.setSide = [this](int s) { side = s; };
    // A later load in the multiple-detection mode retrains every stage of the views that exist.
    gRunModeHooks.cameraCount = [] { return numCamera; };
    gRunModeHooks.trainStage = [this](int c, int d) {
        if (c < 0 || c >= MAX_CAMERA || d < 0 || d >= MAX_DETECT || !ViewBuilt(c))
            return;
        CammerWidget* v = cammerWidget[c];
        if (v && v->recogniser) {
            v->recogniser->CreateShape(d);
            v->recogniser->VarTrain(d);
        }
    };
    if ((gpWPara->io_mode == 1 || gpWPara->io_mode == 2) && (gpWPara->io_sub_mode == 0 || gpWPara->io_sub_mode == 1))
        side = gpWPara->io_sub_mode == 1 ? 0 : 1;
    CammerRecong::currentStage = [this] { return curDetect; };
    CammerRecong::lastInput = [this] { return lastInput; };
    CammerRecong::insertRecord = [this](const QString& text) { InsertRecord(text); };
    if (!cycleClockMs) {
        auto* clock = new QElapsedTimer;
        clock->start();
        cycleClockMs = [clock] { return clock->elapsed(); };
    }
    for (int v = 0; v < MAX_CAMERA; ++v)
        lastFrameMs[v] = cycleClockMs();
    for (int v = 0; v < MAX_CAMERA; ++v)
        for (int d = 0; d < MAX_DETECT; ++d)
            gFailIndex[v][d] = 0;
    int built = 0;
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (ViewBuilt(v))
            built = v + 1;
    SaveFialImageThread::AllocateSlots(built);
    gpSaveFialImageThread = new SaveFialImageThread;
    pictureWriter = gpSaveFialImageThread;
    pictureWriter->hooks.cameraCount = [built] { return built; };
    pictureWriter->hooks.stageCount = [] { return gDNum.load(); };
    pictureWriter->hooks.limit = [](int kind) { return kind == 0 ? gPicNumNG : gPicNumOK; };
    // Each hand-over carries its own report (PictureSavedReport): the writer reads no GUI state.
    InitFailSafe();  // its hooks are set before the writer runs
    pictureWriter->start(QThread::InheritPriority);
}

bool MainWindow::Inspected(int v) const
{
    return v >= 0 && v < numCamera && v < MAX_CAMERA && ViewBuilt(v);
}

bool MainWindow::Judged(int v) const
{
    return Inspected(v) || (v >= 0 && v < MAX_CAMERA && cycleLost[v] && cammerWidget[v]);
}

void MainWindow::MarkCycleNotOK(int v)
{
    if (v >= 0 && v < MAX_CAMERA && cammerWidget[v]) {
        cycleLost[v] = true;
        cammerWidget[v]->isOK = false;
    }
}

void MainWindow::ApplyOutputs(const OutputPlan& plan)
{
    plan.ApplyTo(gpControlIO);
}

void MainWindow::Run()
{
    const WizardPara& p = *gpWPara;
    StageCountCheck();
    FailSafePass();
    NoteMould();  // what the timers and the screen changed since the last pass
    // The longest time the GUI thread kept the pass from running, reported with each verdict.
    const qint64 passStart = cycleClockMs();
    if (lastPassEndMs > 0)
        longestPassGapMs = qMax(longestPassGapMs, passStart - lastPassEndMs - kRunMs);
    ++gRunCount;
    ++runPasses;
    if (runPasses == kWhiteBalancePass) {
        for (int v = 0; v < MAX_CAMERA; ++v)
            if (Inspected(v))
                cammerWidget[v]->SetWB();
    }

    // 2. A lost camera suspends everything but the retry.
    if (gisLost) {
        lostCycleStart = CycleStartLatched() || lostCycleStart;
        KeepLostStageInputs();
        DropInputEdges(0, 7);
        DropPendingRequests(true);
        runPasses = 0;
        HoldForLoss();
        if (restartCameras)
            restartCameras();
        else
            CameraRestart();
        inputTimeoutTimer->stop();
        lastPassEndMs = 0;
        if (gisLost) {
            runTimer->start(kLostRunMs);
            return;
        }
        // The cameras are back: the pass runs at its own pace again at once.
        CamerasBack(lostCycleStart);
        DropLostStageInputs();
        lostCycleStart = false;
        runTimer->start(kRunMs);
        return;
    }
    lossHeld = false;  // no loss stands: the next one notes what it takes

    // 3. New frames.
    bool newFrame[MAX_CAMERA] = {};
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v) || gCameraID == CAMERA_NONE)
            continue;
        // TakeFrame sets averageGray, the mean of the grey picture (also for colour frames).
        if (!TakeNewFrame(v))
            continue;
        if (p.image_trigger && alarmState != 2)
            imageTriggerSet |= 1u << v;
        newFrame[v] = true;
        if (gisLost) {
            runTimer->start(kRunMs);
            return;
        }
    }

    do {
        // A silent board reports no input: nothing can be triggered until it answers again.
        if (boardSilent) {
            DropPendingRequests(true);
            inputTimeoutTimer->stop();
            break;
        }

        // A pending re-check kept the watchdog off: once it has ended, an idle machine is warned
        // again as after any cycle. The alarm hold and a stop keep it off by their own rules.
        if (watchdogOffForReCheck && !reCheckFlag) {
            watchdogOffForReCheck = false;
            const int ms = Supervision::WatchdogIntervalMs(p.input_timeout_len);
            if (ms > 0 && alarmState != 2 && runState != 3 && !warnShown)
                inputTimeoutTimer->start(ms);
        }

        // 4. Alarm hold: only the re-check inputs count.
        if (alarmState == 2) {
            int edge[4];
            for (int k = 0; k < 4; ++k)
                edge[k] = gpControlIO->IOInTrigger(k);
            const int level0 = gpControlIO->IOState(0, 0);
            const int level3 = gpControlIO->IOState(0, 3);
            const bool due = edge[1] || simInput == 1 ||
                             (curDetect >= 1 && p.semi_auto && (edge[2] || simInput == 2));
            if (due) {
                simInput = -1;
                for (int v = 0; v < MAX_CAMERA; ++v)
                    for (int d = 0; d < MAX_DETECT; ++d)
                        stageInspected[v][d] = false;
                if (p.io_mode == 2) {
                    if (level0 && !level3)
                        side = 1;
                    else if (!level0 && level3)
                        side = 0;
                }
                drawROIWidget->ReCheck(true);
            }
            DropInputEdges(4, 7);
            // Leaving the hold planned the restart of stage 1 for the next pass and armed the
            // watchdog again.
            if (alarmState == 2) {
                DropPendingRequests();
                inputTimeoutTimer->stop();
            }
            break;
        }

        // 5. Repeated inspection after an NG: of the stage whose NG asked for it, also when another
        // stage of the cycle was judged since.
        if (reCheckFlag) {
            if (reCheckStage >= 0 && reCheckStage < MAX_DETECT)
                curDetect = reCheckStage;
            const int s = TriggerWiring::FoldedStage(p, curDetect);
            // A stage waiting for the area check is judged with its answer; while the area check is
            // open no verdict is given (as for a delay ending under it), so the re-check and its
            // count wait for End Set.
            const bool waits =
                openCycle.Deferred(curDetect) || (runState == 2 && (openCycle.AreaCheckDue() || gFromTrain));
            if (!waits && reCheckCount[s] > 0) {
                --reCheckCount[s];
                ReCheck();
            }
            DropInputEdges(0, 7);
            DropPendingRequests();
            inputTimeoutTimer->stop();
            watchdogOffForReCheck = true;
            break;
        }

        // 6. Trigger safety fires the last stage at once.
        if (p.enable_trigger_safety && runState != 3) {
            const bool edge = gpControlIO->IOInTrigger(1);
            if (TriggerWiring::SafetyFires(edge, simInput, restartDetect)) {
                simInput = -1;
                restartDetect = -1;  // judged at once: no restart left to run
                const bool pair = p.io_mode == 1 || p.io_mode == 2;
                for (int v = 0; v < MAX_CAMERA; ++v) {
                    stageInspected[v][1] = false;
                    failPicState[v][1] = 1;
                    if (pair) {
                        stageInspected[v][3] = false;
                        failPicState[v][3] = 1;
                    }
                }
                safetyTrigger = 1;
                // At once, also while a delay runs: one tick would only count it down. Every stage
                // still counting is judged first, in stage order, so that the last stage's OK
                // never releases the mould before an earlier stage is judged; an NG holds there.
                const int last = TriggerWiring::LastStage(p, gDNum);
                bool held = false;
                for (int d = 0; d < last && !held; ++d) {
                    if (!stageClock.Running(d))
                        continue;
                    stageClock.CutShort(d);
                    TimerUp(d);
                    held = alarmState == 2 || runState == 3;
                }
                if (!held) {
                    stageClock.CutShort(last);
                    TimerUp(last);
                }
                safetyTrigger = 0;
                // An NG it found is inspected again before anything else, as in 5: a cycle started
                // in this pass would start that stage again and drop its re-check.
                if (reCheckFlag) {
                    DropInputEdges(0, 7);
                    DropPendingRequests();
                    inputTimeoutTimer->stop();
                    watchdogOffForReCheck = true;
                    break;
                }
            }
        }

        // 7. Stopped: only the two-colour pair choice is kept.
        if (runState == 3) {
            int edge[4];
            for (int k = 0; k < 4; ++k)
                edge[k] = gpControlIO->IOInTrigger(k);
            if (p.io_mode == 1) {
                if (edge[2] && p.io_sub_mode != 1)
                    side = 1;
                if (edge[3] && p.io_sub_mode != 0)
                    side = 0;
            }
            DropInputEdges(4, 7);
            DropPendingRequests();
            inputTimeoutTimer->stop();
            break;
        }

        // 8. Busy while any stage delay runs, or a stage waits for the area check (its mould is
        // held as for a delay: a cycle started now would share its stages' verdicts).
        bool counting = false;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
            counting = counting || stageClock.Running(d);
        bool busy = openCycle.AnyDeferred() || counting;
        if (busy) {
            simInput = -1;
            restartDetect = -1;  // the simulated input that was to carry it is dropped
        }

        // 9. Manual request from the screen.
        if (manualDetect != gDNum) {
            const int r = manualDetect;
            manualDetect = gDNum;
            if (VerdictLogic::ManualAccepted(p, r, multiDetect, gDNum, busy)) {
                const int sr = TriggerWiring::FoldedStage(p, r);
                if (VerdictLogic::ManualAwaited(p, r, detectMask, stageClock.Running(sr))) {
                    qWarning("manual request for stage %d refused: the open cycle judges it after its input", r + 1);
                } else if (!stageClock.ManualAllowed(r)) {
                    // A running delay is not cut short; the operator asks again when it ends.
                    qWarning("manual request for stage %d refused: its delay has %d ticks to run", r + 1,
                             stageClock.Remaining(r));
                } else {
                    lastInput = -(r + 1);
                    cycleStarted = true;
                    const int now = NowTenths(*this);
                    cycleTime = now - cycleStart;
                    cycleStart = now;
                    ++cyclesStarted;
                    if (r == 0)
                        for (bool& f : ngOutFlags)
                            f = false;
                    reCheckCount[0] = reCheckCount[1] = 0;
                    openCycle.Start(StageInForce(r));
                    TimerUp(r);
                    if (alarmState == 2) {
                        ApplyOutputs(VerdictLogic::ManualHoldOutputs(p, r, curDetect, gDNum));
                        break;
                    }
                }
            }
        }

        // A snapshot of this pass whose verdict now waits for the area check holds the cycle
        // from here on, as one that waited before the pass did.
        if (!busy && openCycle.AnyDeferred()) {
            busy = true;
            simInput = -1;
            restartDetect = -1;
        }

        // 10. Image trigger: every camera delivered a frame since the last start.
        if (p.image_trigger) {
            quint32 all = 0;
            for (int v = 0; v < MAX_CAMERA; ++v)
                if (Inspected(v) && gCameraID != CAMERA_NONE)
                    all |= 1u << v;
            if ((imageTriggerSet & all) == all) {
                imageTriggerSet = 0;
                simInput = 0;
            } else if (busy) {
                break;
            }
        }

        // 11, 12. An edge that comes during a delay is not taken after it either.
        if (busy) {
            if (p.io_mode == 4 && openCycle.AnyDeferred() && !counting) {
                // Multiple detection: the stages wait for the area check with their outputs held,
                // and an input now is the machine's next step of this cycle: kept (debounced as
                // any) and taken once they are judged, or the stage order would wait for it for good.
                for (int k = 0; k < 8; ++k) {
                    if (!gpControlIO->IOInTrigger(k))
                        continue;
                    inputTimer[k]->stop();
                    if (p.input_debounce != 0)
                        inputTimer[k]->start(Supervision::TenthsToMs(p.input_debounce));
                    else
                        openCycle.KeepInput(k);
                }
            } else {
                DropInputEdges(0, 7);
            }
            break;
        }
        const quint8 kept = openCycle.TakeInputs();
        for (int k = 0; k < 8; ++k)
            if ((kept >> k) & 1u)
                inputSampled[k] = true;
        for (int k = 0; k < 8; ++k) {
            if (!ActOnInput(k, newFrame))
                break;
            // A verdict of this pass asked for a re-check: its stage holds the cycle as a running
            // delay does, so no further input starts a cycle that would take its timer and its
            // count; the next pass re-checks it before any input is read.
            if (reCheckFlag)
                break;
        }
    } while (false);

    // 13. Display and re-arm.
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (newFrame[v] && Inspected(v))
            cammerWidget[v]->ShowFrame();
    gpControlIO->IOFlashOut();
    // The lamps and the camera strips follow the cycle; only what changed is repainted.
    if (ioStatusWidget)
        ioStatusWidget->Refresh();
    for (int v = 0; v < 4; ++v)
        if (Inspected(v))
            cammerWidget[v]->PassTitleTexts();
    NoteMould();
    runTimer->start(kRunMs);
    // Counted from the main screen on: the passes under the splash are held up by the start-up's
    // last steps (style sheet, first showing of the main screen), not by the cycle.
    lastPassEndMs = isVisible() ? cycleClockMs() : 0;
}

bool MainWindow::ActOnInput(int k, bool* newFrame)
{
    const WizardPara& p = *gpWPara;
    bool act = false;
    if (gpControlIO->IOInTrigger(k)) {
        inputTimer[k]->stop();
        if (p.input_debounce != 0)
            inputTimer[k]->start(Supervision::TenthsToMs(p.input_debounce));
        else
            act = true;
    }
    const bool simulated = !act && !inputSampled[k] && k != repeatInput && k == simInput;
    if (!act)
        act = inputSampled[k] || k == repeatInput || k == simInput;
    if (!act)
        return true;
    inputSampled[k] = false;
    simInput = -1;
    lastInput = k + 1;

    TriggerWiring::DispatchState st;
    st.side = side;
    // The restart after a stage-0 alarm rides on the simulated input set with it, in this act
    // only: one that cannot take effect now is dropped, never left to cut a later cycle's delay.
    st.restartDetect = simulated ? restartDetect : -1;
    const int restartPassed = st.restartDetect;
    restartDetect = -1;
    st.lastDelay = lastDelay;
    st.multiDetect = multiDetect;
    for (int d = 0; d < MAX_DETECT; ++d) {
        st.detectMask[d] = detectMask[d];
        st.timerActive[d] = stageClock.Running(d);
    }
    auto syncBack = [&] {
        side = st.side;
        restartDetect = st.restartDetect;
        lastDelay = st.lastDelay;
        multiDetect = st.multiDetect;
    };
    TriggerWiring::ActHooks h;
    h.cycleStart = [&](int input) {
        for (int d = 0; d < MAX_DETECT; ++d)
            detectMask[d] = st.detectMask[d];
        CycleStart(input);
    };
    h.pairStart = [&] {
        detectMask[1] = st.detectMask[1];
        for (int v = 0; v < MAX_CAMERA; ++v)
            for (int d = 0; d < MAX_DETECT; ++d)
                stageInspected[v][d] = false;
        ApplyOutputs(TriggerWiring::PairStartOutputs(p));
    };
    h.outputs = [&](const OutputPlan& o) { ApplyOutputs(o); };
    h.startStage = [&](int j, int delay) {
        syncBack();
        qDebug("stage %d delay %d ms started at %s", j + 1, std::max(delay, 0) * StageClock::kTickMs,
               qPrintable(QDateTime::currentDateTime().toString("yyyy/MM/dd-HH:mm:ss.zzz")));
        stageStartedAs[j] = StageInForce(j);
        openCycle.Start(stageStartedAs[j]);
        stageClock.Start(j, delay);
        if (delay <= 0) {
            for (int v = 0; v < MAX_CAMERA; ++v)
                newFrame[v] = false;
            TimerUp(j);
            // The verdict may have moved the masks, the side or the stage pointer.
            for (int d = 0; d < MAX_DETECT; ++d)
                st.detectMask[d] = detectMask[d];
            st.side = side;
            st.multiDetect = multiDetect;
            st.restartDetect = restartDetect;
            return !(runState == 3 || p.io_mode == 4);
        }
        PreCut(j);
        displayState = 1;
        return true;
    };
    const TriggerWiring::ActResult r = TriggerWiring::Act(p, gDNum, k, MaxInspected(), repeatInput, st, h);
    syncBack();
    if (restartDetect == restartPassed)
        restartDetect = -1;  // not taken up by this dispatch
    for (int d = 0; d < MAX_DETECT; ++d)
        detectMask[d] = st.detectMask[d];
    if (r == TriggerWiring::PassEnds)
        return false;
    // After every dispatch, whether a stage started or not.
    repeatInput = -1;
    update();
    return true;
}

int MainWindow::MaxInspected() const
{
    int n = 0;
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (Inspected(v))
            n = v + 1;
    return n;
}

void MainWindow::CycleStart(int k)
{
    const WizardPara& p = *gpWPara;
    const int now = NowTenths(*this);
    cycleTime = now - cycleStart;
    cycleStart = now;
    ++cyclesStarted;
    if (warnShown) {
        warnShown = false;
        if (gpWarnBox)
            gpWarnBox->hide();
    }
    // The watchdog is re-armed at every cycle start, also the one that clears its warning.
    const int watchdogMs = Supervision::WatchdogIntervalMs(p.input_timeout_len);
    if (watchdogMs > 0)
        inputTimeoutTimer->start(watchdogMs);
    else
        inputTimeoutTimer->stop();
    for (bool& f : ngOutFlags)
        f = false;
    releaseDue = false;
    gisSafeDoorOpen = false;
    TriggerWiring::ReCheckCountsAtStart(p, reCheckCount);
    HandOverPictures(true);  // a held picture not yet written goes before the states restart
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v))
            continue;
        // "Don't Detect" and a template taken from the alarm pass one mould, not the next ones.
        for (bool& skip : cammerWidget[v]->stageCycleFlags)
            skip = false;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
            if (!p.stage_enabled[d])
                continue;
            stageInspected[v][d] = false;
            failPicState[v][d] = 1;
            stageCountFlag[d] = true;
        }
        allCountFlag[v] = true;
        failCountFlag[v] = true;
    }
    ApplyOutputs(TriggerWiring::CycleStartOutputs(p, detectMask[0] != 0));
}

void MainWindow::PreCut(int d)
{
    const WizardPara& p = *gpWPara;
    if (d == TriggerWiring::LastStage(p, gDNum) && !p.ng_pulse_mode &&
        StageClock::PreCutDue(p.pre_cut, stageClock.Remaining(d))) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }
}

void MainWindow::TimerUp(int d)
{
    const WizardPara& p = *gpWPara;
    if (d < 0 || d >= MAX_DETECT)
        return;
    const int last = TriggerWiring::LastStage(p, gDNum);
    const bool started = stageClock.Running(d);
    const bool expired = stageClock.Tick(d);
    PreCut(d);
    if (!expired) {
        for (int v = 0; v < MAX_CAMERA; ++v) {
            if (!Inspected(v))
                continue;
            const bool small = gShowW < 1024;
            cammerWidget[v]->update(QRect(int((small ? 270 : 520) * viewScaleX), int(5 * viewScaleY),
                                          small ? 40 : 130, small ? 18 : 36));
        }
        return;
    }
    if (StageWithoutBoard(d))
        return;
    const int judged = started && stageStartedAs[d] >= 0 ? stageStartedAs[d] : StageInForce(d);
    if (runState == 2 && (openCycle.AreaCheckDue() || gFromTrain)) {
        // The area check after resampling is due or open: the stage is inspected and judged with
        // its answer, the mould held until then.
        openCycle.Defer(judged, false);
        return;
    }
    const bool allOk = RunAlgorithms([judged] { return judged; }, true);
    // A stage whose capture took the last template is judged with the area check's answer.
    if (!openCycle.Deferred(judged))
        CheckNG(judged);
    displayState = 2;
    if (VerdictLogic::AutoUpdateDue(p, alarmState, d, last, allOk, reCheckFlag)) {
        gisReShape = 1;
        for (int v = 0; v < MAX_CAMERA; ++v)
            if (Inspected(v))
                cammerWidget[v]->SaveReTrainImage(1);
    }
}

void MainWindow::StageTimerTick(int d)
{
    StageCountCheck();
    if (!stageClock.Running(d))
        return;  // stopped by the stage count's change
    // Ticks the thread was too busy to take are counted now; the clock sets the timer for the
    // next one.
    const int due = stageClock.DueTicks(d);
    if (due > 0) {
        stageClock.Skip(d, due - 1);
        TimerUp(d);
    } else {
        stageClock.Rearm(d);  // woken before the tick's time
    }
    if (stageClock.Running(d))
        return;
    // The delay ended: edges that came between the last pass and now came during it. The
    // trigger-safety input keeps its edge while a later stage may still count.
    const bool safety = gpWPara->enable_trigger_safety && runState != 3;
    DropInputEdges(0, 0);
    DropInputEdges(safety ? 2 : 1, 7);
}

void MainWindow::TimerUp0() { StageTimerTick(0); }
void MainWindow::TimerUp1() { StageTimerTick(1); }
void MainWindow::TimerUp2() { StageTimerTick(2); }
void MainWindow::TimerUp3() { StageTimerTick(3); }
void MainWindow::TimerUp4() { StageTimerTick(4); }
void MainWindow::TimerUp5() { StageTimerTick(5); }
void MainWindow::TimerUp6() { StageTimerTick(6); }
void MainWindow::TimerUp7() { StageTimerTick(7); }

void MainWindow::ReCheck()
{
    const WizardPara& p = *gpWPara;
    // The stage whose NG asked for it, as it was judged: not mapped again by a side that changed.
    const int stage = curDetect;
    const int s = TriggerWiring::FoldedStage(p, stage);
    const int last = TriggerWiring::LastStage(p, gDNum);
    detectMask[s] = 0;
    ApplyOutputs(VerdictLogic::ReCheckOutputs(p, s, last, reCheckCount[s]));
    if (MaxInspected() == 0) {
        CheckNG(stage);
        return;
    }
    const bool enabled = stage >= 0 && stage < MAX_DETECT && p.stage_enabled[stage];
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (Inspected(v) && enabled)
            detectMask[s] |= 1u << v;
    if (enabled)
        RunAlgorithms([stage] { return stage; }, true);
    if (!openCycle.Deferred(stage))
        CheckNG(stage);
}

// Input confirmation: acted on only when the input is still active after the debounce time.
void MainWindow::CheckInput(int k)
{
    if (k >= 0 && k < 8)
        inputSampled[k] = gpControlIO->IOState(0, k) != 0;
}

void MainWindow::TimerCheckInput0() { inputTimer[0]->stop(); CheckInput(0); }
void MainWindow::TimerCheckInput1() { inputTimer[1]->stop(); CheckInput(1); }
void MainWindow::TimerCheckInput2() { inputTimer[2]->stop(); CheckInput(2); }
void MainWindow::TimerCheckInput3() { inputTimer[3]->stop(); CheckInput(3); }
void MainWindow::TimerCheckInput4() { inputTimer[4]->stop(); CheckInput(4); }
void MainWindow::TimerCheckInput5() { inputTimer[5]->stop(); CheckInput(5); }
void MainWindow::TimerCheckInput6() { inputTimer[6]->stop(); CheckInput(6); }
void MainWindow::TimerCheckInput7() { inputTimer[7]->stop(); CheckInput(7); }
