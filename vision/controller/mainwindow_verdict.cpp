// Inspection of one camera for a stage, the verdict over all cameras with its outputs, alarm hold,
// records, counters and pictures, and the return from resampling's area check. The decisions are
// VerdictLogic's; this file sequences them on the controller's and the views' state.
#include "vision/controller/mainwindow.h"

#include <QDateTime>
#include <QTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QStackedWidget>
#include <QThread>
#include <QThreadPool>
#include <QVarLengthArray>
#include <QWaitCondition>
#include <QMutex>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>
#include <cstring>

#include "core/ledonoff.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/viewglobals.h"
#include "network/cnt_net.h"
#include "settings/systemsettingwidget.h"
#include "statistics/temperaturealarm.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/records/counters.h"
#include "vision/inspection/paramroi.h"
#include "vision/records/savefialimagethread.h"
#include "vision/controller/runcontrol.h"
#include "vision/controller/supervision.h"
#include "vision/controller/triggerwiring.h"
#include "vision/controller/verdictlogic.h"
#include "widgets/warnbox.h"

namespace {

constexpr int kOriginalImageKeep = 200;

bool NetReady() { return gpWPara->cnt_net_enabled && gpNet && gpNet->isopen; }
bool NetConnected() { return NetReady() && gpNet->connected; }

// At most `keep` files stay below "./originalimage", the oldest go first.
void PruneOriginalImages(int keep)
{
    QList<QFileInfo> files;
    QDirIterator it(QStringLiteral("./originalimage"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files << it.fileInfo();
    }
    if (files.size() <= keep)
        return;
    std::sort(files.begin(), files.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.lastModified() < b.lastModified(); });
    for (int i = 0; i < files.size() - keep; ++i)
        QFile::remove(files[i].absoluteFilePath());
}

// One stage's cameras for the engines, shared by the threads that judge them.
struct InspectionRound {
    std::vector<std::pair<int, int>> jobs;  // camera, stage in force
    std::atomic<int> next{0};
    int done = 0;  // under mutex
    QMutex mutex;
    QWaitCondition finished;
};

} // namespace

void MainWindow::RunAlgorithm(int camera, int stage)
{
    bool stale = false;
    const int d = BeforeInspection(camera, stage, &stale, true);
    if (d < 0)
        return;
    if (!stale)
        Inspect(camera, d);
    AfterInspection(camera, d, stale);
    CountsMade();
}

void MainWindow::CountsMade()
{
    // A count reaches count.txt when it is made, not at the cycle's last verdict: a stop, a crash
    // or a power cut before that verdict (or a cycle that never gets to it) must not lose it.
    if (countsUnwritten)
        CountWrite();
}

bool MainWindow::RunAlgorithms(const std::function<int()>& stage, bool named)
{
    bool allOk = true;
    // Capturing retrain pictures may start detection part-way through the cameras: one after
    // another, as always.
    if (runState == 2) {
        quint8 noPicture = 0;
        for (int v = 0; v < MAX_CAMERA; ++v) {
            if (!Judged(v))
                continue;
            bool stale = false;
            const int d = BeforeInspection(v, stage(), &stale, true, named);
            if (stale)
                noPicture |= quint8(1u << v);
            if (d >= 0) {
                if (!stale)
                    Inspect(v, d);
                AfterInspection(v, d, stale);
            }
            allOk = allOk && cammerWidget[v]->isOK;
        }
        // A capture of this round took the last template: the stage's verdict waits for the area
        // check, and the cameras that had no picture now are NG in it whatever they have then.
        const int d = named ? stage() : StageInForce(stage());
        if (openCycle.AreaCheckDue() && openCycle.Deferred(d))
            openCycle.NoPicture(d, noPicture);
        CountsMade();
        return allOk;
    }
    struct Due {
        int camera, d;
        bool stale;
    };
    QVarLengthArray<Due, MAX_CAMERA> due;
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Judged(v))
            continue;
        bool stale = false;
        // Only a raw picture adds a file to prune: once a round is enough without them.
        const int d = BeforeInspection(v, stage(), &stale, rawCapture || due.isEmpty(), named);
        if (d >= 0)
            due.append({v, d, stale});
    }
    // The engines share nothing: the cameras are taken one at a time by whichever thread is free,
    // this one included, so on a busy machine a worker that is not scheduled yet costs no more
    // than judging one after another. A worker starting after the last camera was taken finds
    // nothing to do and touches only the round it shares.
    auto round = std::make_shared<InspectionRound>();
    for (const Due& c : due)
        if (!c.stale)
            round->jobs.push_back({c.camera, c.d});
    const int jobs = int(round->jobs.size());
    auto work = [this, round] {
        for (int i; (i = round->next.fetch_add(1)) < int(round->jobs.size());) {
            Inspect(round->jobs[size_t(i)].first, round->jobs[size_t(i)].second);
            QMutexLocker lock(&round->mutex);
            if (++round->done == int(round->jobs.size()))
                round->finished.wakeAll();
        }
    };
    // Simulated views are judged on this thread, one after the other.
    const bool parallel = jobs > 1 && !simulatedPicture;
    if (parallel && !inspectionPool) {
        inspectionPool = new QThreadPool(this);
        inspectionPool->setExpiryTimeout(-1);  // the threads wait for the next stage
        inspectionPool->setMaxThreadCount(qBound(1, QThread::idealThreadCount() - 1, MAX_CAMERA - 1));
    }
    for (int k = 1; parallel && k < jobs && k <= inspectionPool->maxThreadCount(); ++k)
        inspectionPool->start(work);
    work();
    round->mutex.lock();
    while (round->done < jobs)
        round->finished.wait(&round->mutex);
    round->mutex.unlock();
    for (const Due& c : due)
        AfterInspection(c.camera, c.d, c.stale);
    CountsMade();
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (Judged(v))
            allOk = allOk && cammerWidget[v]->isOK;
    return allOk;
}

int MainWindow::StageInForce(int stage) const
{
    const WizardPara& p = *gpWPara;
    if (p.io_mode == 1 || p.io_mode == 2)
        return (stage >= 2 ? stage - 2 : stage) + (side == 0 ? 2 : 0);
    return stage;
}

int MainWindow::BeforeInspection(int camera, int stage, bool* stale, bool prune, bool named)
{
    const WizardPara& p = *gpWPara;
    if (!Judged(camera) || stage < 0 || stage >= MAX_DETECT)
        return -1;
    CammerWidget* view = cammerWidget[camera];
    // The latest picture at the moment of judging, not the one the last pass took.
    if (gCameraID != CAMERA_NONE && Inspected(camera))
        TakeNewFrame(camera);
    const int d = named ? stage : StageInForce(stage);
    curDetect = d;
    const int s = TriggerWiring::FoldedStage(p, d);
    detectMask[s] &= ~(1u << camera);

    if (prune)
        PruneOriginalImages(kOriginalImageKeep);
    if (rawCapture && view->frameWork) {
        QImage raw = gisColor ? QImage(view->frameWork, gImageW, gImageH, gImageW * 4, QImage::Format_RGB32)
                              : QImage(view->frameWork, gImageW, gImageH, gImageW, QImage::Format_Indexed8);
        if (!gisColor && grayTable)
            raw.setColorTable(*grayTable);
        const QString path = QString("./originalimage/cammer%1%2/template%3.bmp")
                                 .arg(camera + 1)
                                 .arg(d + 1)
                                 .arg(QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss-zzz"));
        if (!raw.save(path))
            qWarning("raw picture %s not saved", qPrintable(path));
    }

    *stale = cycleLost[camera] || (gCameraID != CAMERA_NONE && FrameTooOld(camera)) ||
             (simulatedPicture && simulatedPicture(camera, d) == 2);
    if (runState == 2 && !PairStillSampling(d) && PairStillSampling(d >= 2 ? 0 : 2)) {
        // Both stage pairs resampled, the cycles on one side only: the side whose templates are
        // taken is inspected again (a part left in it is held) while the other side waits for
        // its next cycle to take them.
        return d;
    }
    if (runState == 2) {
        // No picture: a template from the last frame before the camera went silent, or from none,
        // would judge every later mould against the wrong picture. It is taken later (the next
        // cycle or a re-check); the camera is judged here as while detecting, its NG with the
        // outputs, count and record of any camera NG (returned to the caller for that).
        const int noPicture = *stale ? d : -1;
        if (captureFlag[camera][d] && !*stale) {
            if (p.stage_enabled[d])
                view->SaveReTrainImage(d);
            captureFlag[camera][d] = false;
            view->isOK = true;
        } else if (!*stale) {
            // Its template is taken and nothing is detected while resampling: the verdict another
            // stage's missing picture left in the view is not this stage's.
            view->isOK = true;
        }
        bool left = false;
        for (int v = 0; v < MAX_CAMERA; ++v)
            for (int dd = 0; dd < gDNum && dd < MAX_DETECT; ++dd)
                left = left || (Inspected(v) && p.stage_enabled[dd] && captureFlag[v][dd]);
        if (!left && alarmState == 3 && editingPage == AreaCheckPage) {
            // The area check is already open: a later inspection keeps the outputs of its start
            // (a cycle started meanwhile leaves no ejector inhibit behind) but neither restarts
            // detection nor opens the page again (that would throw away unsaved edits).
            // In mode 4 that cycle's stages still to start are closed with their outputs, so the
            // stage order takes input 0 after End Set; a stage waiting for its verdict keeps its own.
            if (p.io_mode == 4) {
                for (quint32& m : detectMask)
                    m = 0;
                multiDetect = gDNum - 1;
            }
            ApplyOutputs(StartOutputs(true, true));
            return -1;
        }
        if (!left && openCycle.AreaCheckDue())
            return noPicture;  // another camera of this stage took the last template: asked once
        if (!left) {
            // Detection restarts on the new templates with the mould still held for the area check
            // (also with NG pulses: the pass takes no machine cycle until its answer, so the mould
            // must not run free). The area check opens once this inspection has returned: no
            // verdict is given under its boxes by the slot that reached it. This stage's verdict
            // waits for its answer, its output too. An NG's pulse still running, or one without a
            // length given in this cycle, keeps outputs 0 and 2 until its own end.
            openCycle.Defer(d, true);
            StartDetect(true, true);
            runState = 2;
            QMetaObject::invokeMethod(this, [this] { AskAreaCheck(); }, Qt::QueuedConnection);
            return noPicture;
        }
        if (gSource == -1 || gSource == 1)
            view->update();
        return noPicture;
    }

    return d;
}

bool MainWindow::PairStillSampling(int d) const
{
    const WizardPara& p = *gpWPara;
    if (p.io_mode != 1 && p.io_mode != 2)
        return true;
    const int first = d >= 2 ? 2 : 0;
    for (int v = 0; v < MAX_CAMERA; ++v)
        for (int dd = first; dd < first + 2 && dd < gDNum; ++dd)
            if (Inspected(v) && p.stage_enabled[dd] && captureFlag[v][dd])
                return true;
    return false;
}

void MainWindow::Inspect(int camera, int d)
{
    CammerWidget* view = cammerWidget[camera];
    if (simulatedPicture) {
        view->isOK = simulatedPicture(camera, d) == 0;
        return;
    }
    if (!view->recogniser)
        return;
    view->recogniser->ShapeMatch();
    if (view->frameShown && view->frameWork) {
        std::memcpy(view->frameShown, view->frameWork, size_t(gColorLen));
        view->ShownReplaced();
    }
    view->recogniser->Judge(d);
}

void MainWindow::AfterInspection(int camera, int d, bool stale)
{
    const WizardPara& p = *gpWPara;
    CammerWidget* view = cammerWidget[camera];
    const int s = TriggerWiring::FoldedStage(p, d);
    judgedNoPicture[camera] = stale;
    if (stale) {
        // The camera stopped delivering: its last frame is not judged again.
        view->isOK = false;
        InsertRecord(VerdictLogic::NoPictureRecordText(camera));
    } else if (view->recogniser) {
        view->recogniser->Publish();
    }

    if (!view->isOK) {
        const VerdictLogic::CameraNg ng =
            VerdictLogic::OnCameraNg(p, s, reCheckCount[s], failCountFlag[camera], failPicState[camera][d]);
        if (ng.final) {
            ApplyOutputs(ng.outputs);
            if (ng.countFail) {
                ++gFailNum[camera];
                failCountFlag[camera] = false;
                countsUnwritten = true;
            }
            if (ng.markNgOutputs && view->modelInForce) {
                // The regions of the stage judged now: in the paired modes the folded stage 0
                // holds the other pair's last results.
                const int count = qBound(0, view->modelInForce->roiNum[d], MAX_ROI);
                for (int r = 0; r < count; ++r)
                    if (!view->roiOK[d][r])
                        ngOutFlags[qBound(0, view->modelInForce->outputNo[r], 3)] = true;
            }
            if (ng.keepNgPicture) {
                const int slot = view->ngCount[d] % 3;
                const unsigned char* src = view->frameCorrected ? view->frameCorrected : view->frameWork;
                if (view->ngFrames[d][slot] && src)
                    std::memcpy(view->ngFrames[d][slot], src, size_t(gColorLen));
                ++view->ngCount[d];
            }
        }
    }
    if (allCountFlag[camera]) {
        ++gAllNum[camera];
        allCountFlag[camera] = false;
        countsUnwritten = true;
    }
    gpControlIO->IOFlashOut();
    if (gSource == -1 || gSource == 1)
        view->update();
}

void MainWindow::CheckNG() { CheckNG(curDetect); }

void MainWindow::CheckNG(int stage)
{
    const WizardPara& p = *gpWPara;
    curDetect = stage;
    ++verdictsGiven;  // the views now show what this verdict inspected
    if (gFromTrain) {
        // Resampling's area check: no verdict; the request that started this inspection is served.
        cycleStarted = false;
        return;
    }
    const bool ofCycle = openCycle.Started(stage);
    openCycle.Judged(stage);
    bool ng = false;
    QVector<int> ngCameras;
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Judged(v) || cammerWidget[v]->isOK)
            continue;
        ng = true;
        ngCameras << v;
        if (cammerWidget[v]->blinkTimer)
            cammerWidget[v]->blinkTimer->start(1000);
    }
    lastVerdictNG = ng;
    if (stage == 1 && !operatorCheck) {
        if (gisTempAlarm)
            ng = true;
    } else {
        operatorCheck = false;
    }
    const int s = TriggerWiring::FoldedStage(p, stage);
    // Re-checks are for an NG: an OK is the stage's last verdict whatever re-checks are left. It
    // spends the stage's start (or a later trigger-safety firing would pass for a start of this
    // cycle), and it is counted and reported (or every OK cycle went uncounted with re-checks set).
    const bool final = reCheckCount[s] <= 0 || !ng;
    if (final)
        openCycle.Finished(stage);
    // Diagnostics on standard error: the verdict and the longest stall of the pass since the last one.
    qDebug("verdict stage %d %s at %s, longest pass stall %lld ms", stage + 1, ng ? "NG" : "OK",
           qPrintable(QTime::currentTime().toString("hh:mm:ss.zzz")), static_cast<long long>(longestPassGapMs));
    longestPassGapMs = 0;

    if (final) {
        if (lastInput != 0) {
            if (NetConnected())
                gpNet->CNT_SendStatistics_Once(g_listParamROI, ng, lastInput);
            lastInput = 0;
            g_listParamROI.clear();
        }
        if (ng) {
            if (stage >= 0 && stage < MAX_DETECT)
                stageCountFlag[stage] = false;
            if (NetConnected()) {
                if (p.ng_video_record && p.video_share)
                    gpNet->CNT_SendSaveNgVideo(1, 1);
                if (p.alarm_sms) {
                    int n = 0;
                    for (int v : ngCameras) {
                        const CammerSingleton* m = cammerWidget[v]->modelInForce;
                        // The judged stage's regions, as for the NG outputs.
                        const int count = m ? qBound(0, m->roiNum[stage], MAX_ROI) : 0;
                        for (int r = 0; r < count; ++r)
                            n += cammerWidget[v]->roiOK[stage][r] ? 0 : 1;
                    }
                    gpNet->CNT_SendTelInfo(s, n);
                }
                for (int v : ngCameras) {
                    const CammerSingleton* m = cammerWidget[v]->modelInForce;
                    const int count = m ? qBound(0, m->roiNum[stage], MAX_ROI) : 0;
                    for (int r = 0; r < count; ++r)
                        if (!cammerWidget[v]->roiOK[stage][r])
                            gpNet->ChkandAddStaticticsItem(v, stage, r);
                }
                gpNet->CNT_SendStatistics("null");
            }
        }
    }

    auto display = [&](bool ngLamps) {
        cycleStarted = false;
        if (alarmState != 2 && alarmState != 3) {
            SetAlarmState(1);
            showTimer->start(2000);
            shownDetect = stage;
            update();
            LEDOnOff(6, ngLamps ? 0 : 1);
            LEDOnOff(7, ngLamps ? 1 : 0);
        }
    };
    auto repeatRule = [&] {
        if (p.io_mode != 4)
            return;
        if (!cycleStarted)
            repeatInput = VerdictLogic::RepeatInputAfter(p, multiDetect);
        else
            cycleStarted = false;
    };
    auto ngPulses = [&] {
        ApplyOutputs(VerdictLogic::NgPulses(p, ngOutFlags));
        const int ms = Supervision::TenthsToMs(p.thimble_pulse);
        if (ms > 0)
            ngPulseTimer->start(ms);
    };
    auto pictures = [&] {
        for (int v = 0; v < MAX_CAMERA; ++v)
            if (Judged(v))
                Pictures(v, final, s);
    };
    auto countersAndHandOver = [&](bool ok) {
        HandOverPictures(false);
        if (VerdictLogic::CountsDue(p, gDNum, s, ok)) {
            CountWrite();
            if (NetConnected())
                gpNet->CNT_SendStatistics("null");
        }
    };

    // Another stage of the cycle still counts its delay or waits for the area check.
    bool pending = openCycle.OthersDeferred(stage);
    for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
        pending = pending || stageClock.Running(d);
    // Only a verdict that judges the mould (the last stage's), hands it to a hold that tells (the
    // alarm hold or a stop) or leaves a stage of its cycle to judge it: a snapshot of the product
    // alone, also an NG that holds nothing, leaves the mould as unjudged as it was. Judging the
    // mould needs a stage started since the hold: the trigger-safety input firing a stage that
    // never started (or the last stage of a count changed under the cycle) judges nothing the
    // hold was told for.
    const int lastStage = (p.io_mode == 4 || p.io_mode == 5) ? gDNum - 1 : 1;
    // (An NG with re-checks left is not final.)
    auto closesUnjudged = [&] {
        return final && unjudgedStage >= 0 &&
               (alarmState == 2 || runState == 3 || (ofCycle && (pending || s == lastStage)));
    };
    // An OK that does not close it releases nothing: the warning's confirmation releases the mould.
    const bool okCloses = !ng && closesUnjudged();
    const bool keepForConfirmation = !ng && unjudgedStage >= 0 && !okCloses;
    if (!ng) {
        const bool pulseRuns = NgPulseOutlastsOk(stage);
        // Judged again OK, this stage's NG no longer stands; another stage's may.
        if (stage >= 0 && stage < MAX_DETECT)
            ngPulseStages &= ~(1u << stage);
        const VerdictLogic::OkOutputs ok = VerdictLogic::OnOk(p, s, stage, gDNum, gisReTrain, pending, pulseRuns);
        OutputPlan okOutputs = ok.outputs;
        if (keepForConfirmation) {
            auto& steps = okOutputs.steps;
            steps.erase(std::remove(steps.begin(), steps.end(), OutputPlan::Step{OutputPlan::Clear, 0}), steps.end());
        }
        ApplyOutputs(KeepOwedStageOutputs(okOutputs, stage));
        // The mould is released once every stage of the cycle is judged OK, whatever the delays.
        if (ok.releaseWithheld) {
            releaseDue = true;
        } else if (releaseDue && !pending && !ok.pulseMode) {
            if (keepForConfirmation)
                releaseDue = false;  // the confirmation releases it (an idle machine's outputs)
            else
                ReleaseHeldBack();
        }
        if (ok.pulseMode) {
            if (!pulseRuns)
                ngPulseRunning = false;  // this OK cleared what an NG's pulse without a length left
            // Its end ends the ejector inhibit; output 0 stays while the warning holds the mould.
            if (ok.closePulse)
                closePulseTimer->start(Supervision::TenthsToMs(p.mold_pulse));
        } else {
            repeatRule();
            // Another stage's OK leaves a re-check that is still due to its own stage.
            if (stage == reCheckStage || reCheckStage < 0)
                reCheckFlag = 0;
            if (VerdictLogic::HoldLeaveApplies(p, s, alarmState)) {
                drawROIWidget->Restart();
                optionStack->setCurrentIndex(0);
                const VerdictLogic::HoldLeave hl = VerdictLogic::LeaveHold(p, s, stage, gDNum);
                ApplyOutputs(hl.outputs);
                if (hl.leave) {
                    SetAlarmState(0);
                    ResetRun();
                    runState = 1;
                    if (hl.stage1Next && detectMask[1] == 0) {
                        // No machine cycle is open (a snapshot raised the alarm): no stage is
                        // left to judge, and no input would start one (semi-automatic's input 2
                        // starts the second stage only in an open cycle), so the mould is released
                        // as a cycle's last verdict releases it: with the release pulse, the
                        // inhibit comes back at its end.
                        ReleaseHeldBack();
                    } else if (hl.restartStage1) {
                        simInput = 1;
                        restartDetect = 1;
                    }
                }
                if (hl.startDetect)
                    StartDetect();
                // A re-check that ends the hold came out OK.
                if (releaseMethod == 7)
                    releaseMethod = 8;
                if (NetConnected()) {
                    gpNet->CNT_AddNgTimes(int(EpochMs() - ngTime));
                    if (p.ng_video_record && p.video_share)
                        gpNet->CNT_SendSaveNgVideo(1, 0);
                    gpNet->CNT_SendCancle();
                }
            }
        }
        display(false);
        const VerdictLogic::ReleasePulses rp = VerdictLogic::OnOkRelease(p, s);
        ApplyOutputs(rp.outputs);
        // A release held back pulses from the verdict that gives it, not while output 0 is held.
        if (rp.closePulse && !ok.releaseWithheld && !keepForConfirmation &&
            !(ngPulseRunning && closePulseTimer->isActive()))
            closePulseTimer->start(Supervision::TenthsToMs(p.mold_pulse));
        if (rp.ejectorPulse)
            ejectorPulseTimer->start(Supervision::TenthsToMs(p.thimble_pulse));
        pictures();
        countersAndHandOver(true);
    } else if (p.ng_pulse_mode) {
        ApplyOutputs(KeepOwedStageOutputs(VerdictLogic::NgPulseMode(p), stage));
        // Without a length no timer ends it: it stands until an OK of a later cycle, an OK that
        // judges again every stage of its cycle it stands for, or a start or stop clears it. A
        // pulse of the same cycle still standing adds this stage to those.
        if (!ngPulseRunning || ngPulseCycle != cyclesStarted)
            ngPulseStages = 0;
        if (stage >= 0 && stage < MAX_DETECT)
            ngPulseStages |= 1u << stage;
        ngPulseRunning = true;
        ngPulseEndless = p.mold_pulse <= 0;
        ngPulseCycle = cyclesStarted;
        if (p.mold_pulse > 0)
            closePulseTimer->start(Supervision::TenthsToMs(p.mold_pulse));
        display(true);
        if (p.enable_stop_not_alarm && s == 0)
            ngPulses();
        pictures();
        countersAndHandOver(false);
    } else if (p.enable_stop_not_alarm && s == 0) {
        display(false);
        ngPulses();
        // The mould stage was judged OK before this stage, which pulses and holds nothing: the
        // release its OK held back for this verdict comes now.
        if (releaseDue && !pending)
            ReleaseHeldBack();
        repeatRule();
        pictures();
    } else {
        if (alarmState != 2) {
            if (final) {
                ApplyOutputs(VerdictLogic::HoldEntry(p, s, safetyTrigger));
                if (screenOff) {
                    LCDOnOff(1);
                    if (p.location_level > 0)
                        lcdTimer->start(p.location_level * 1000);
                }
                SetStopDetect();
                SetAlarmState(2);
                releaseDue = false;
                releaseMethod = 0;
                // The alarm page shows the live picture: a template source left by an open region
                // page must not reach the page switches below, which take a non-live source in
                // the hold for the operator silencing the alarm.
                gSource = 1;
                selectedView = numCamera;
                if (settingWidget)
                    settingWidget->Leave();
                mainStack->setCurrentIndex(0);
                ChangeCammer();
                drawROIWidget->Reset(false);
                reCheckFlag = 0;
                LEDOnOff(6, 0);
                LEDOnOff(7, 1);
                InsertRecord(VerdictLogic::AlarmRecordText(ngCameras));
            } else if (p.io_mode != 4) {
                reCheckFlag = 1;
                reCheckStage = stage;
            }
            ngTime = EpochMs();
            cycleStarted = false;
        }
        pictures();
    }
    // An NG is judged on the hold it entered.
    if (okCloses || (ng && closesUnjudged())) {
        // A verdict of the next cycle closes the one the silent board left unjudged, or the one
        // the run before left.
        unjudgedStage = -1;
        if (startupHold == MouldLeftUnjudged)
            startupHold = NoStartupHold;
        if (faultBox)
            faultBox->hide();
        // A verdict on the default parameters releases nothing: their warning stays.
        if (startupHold == ParametersReplaced)
            ShowConfirmable(startupHoldText);
    }
    // Mode 4: an OK that leaves no cycle open and nothing held releases every stage output,
    // also those set under a stage count changed since (they belong to no stage now).
    if (!ng && p.io_mode == 4 && runState != 3 && alarmState != 2 && unjudgedStage < 0 && !CycleOpen() &&
        !ngPulseTimer->isActive()) {
        // An NG's close pulse still running, or one without a length given in this cycle, keeps
        // what it set (outputs 0 and 2).
        const bool pulseHolds = NgPulseOutlastsOk();
        OutputPlan o;
        for (int d = 0; d < 8; ++d) {
            const int out = TriggerWiring::Mode4StageOutput(d, 8);
            if (!(pulseHolds && (out == 0 || out == 2)))
                o.clear(out);
        }
        o.flash();
        ApplyOutputs(o);
    }
    if (final)
        CountStatistics(ng);
    if (NetReady())
        g_listParamROI.clear();
}

void MainWindow::ReleaseHeldBack()
{
    const WizardPara& p = *gpWPara;
    releaseDue = false;
    gpControlIO->IOSetOut(0, 0);
    gpControlIO->IOFlashOut();
    // The mould stage's release pulse runs its full length from this release.
    if (VerdictLogic::OnOkRelease(p, 1).closePulse && !(ngPulseRunning && closePulseTimer->isActive()))
        closePulseTimer->start(Supervision::TenthsToMs(p.mold_pulse));
}

void MainWindow::Pictures(int camera, bool final, int s)
{
    const WizardPara& p = *gpWPara;
    if (curDetect < 0 || curDetect >= MAX_DETECT)
        return;
    CammerWidget* view = cammerWidget[camera];
    int& c = failPicState[camera][curDetect];
    const VerdictLogic::Pictures pr = VerdictLogic::OnPictures(p, c, !view->isOK, final, s, gPicNumNG, gPicNumOK);
    for (VerdictLogic::PicOp op : pr.ops) {
        switch (op) {
        case VerdictLogic::SaveNg: view->SaveFailImage(curDetect, 0); break;
        case VerdictLogic::SaveOk: view->SaveFailImage(curDetect, 1); break;
        case VerdictLogic::StampNg: view->UpdateFailImage(curDetect, 0); break;
        case VerdictLogic::StampOk: view->UpdateFailImage(curDetect, 1); break;
        }
    }
    c = pr.state;
    if (pr.handNgNow)
        SaveFialImageThread::HandOver(camera, curDetect, false, true, PictureSavedReport());
    // A hold may last as long as the operator is away: its NG picture is on the disk from its
    // start, and the hold's outcome replaces that file.
    if (pr.ops.contains(VerdictLogic::SaveNg)) {
        if (c == 3)
            SaveFialImageThread::HandOverHeld(camera, curDetect);
        else
            SaveFialImageThread::ForgetHeld(camera, curDetect);
    }
}

bool MainWindow::HandOverPictures(bool holdOver)
{
    bool kept = true;
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!Inspected(v))
            continue;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
            const VerdictLogic::HandOver h = VerdictLogic::HandOverFor(failPicState[v][d], holdOver);
            if (!h.ok && !h.ng)
                continue;
            kept = SaveFialImageThread::HandOver(v, d, h.ok, h.ng, PictureSavedReport()) && kept;
            failPicState[v][d] = 0;
        }
    }
    return kept;
}

void MainWindow::BackTrain()
{
    // Detection stopped while the area check was open (its stop box was already up): End Set
    // ends the editing only. The stop keeps its outputs and its screen; Start resumes.
    if (runState != 3) {
        runState = 1;
        EndAreaCheck();
    }
    gisReTrain = 1;
    // Retrained now rather than at the end of the verdict display: every verdict restarts that
    // display, so with cycles shorter than it the pending retrain kept the last stage's OK from
    // releasing the mould cycle after cycle.
    ServeRetrain();
}

void MainWindow::AskAreaCheck()
{
    if (!openCycle.AreaCheckDue())
        return;  // a stop, the alarm hold or a change of the stages ended the cycle meanwhile
    CheckArea(false);
    if (!gFromTrain)
        EndAreaCheck();  // refused, or a hold came meanwhile: no region page to wait for
}

void MainWindow::EndAreaCheck()
{
    // The stages that waited are judged first, each by name (a verdict of the stage last seen
    // would judge one twice). Then the mould the area check held is released as its End Set
    // releases it, unless what they found holds it (the alarm hold, a re-check) or a stage of the
    // cycle still counts or waits for its input: its own verdict releases it. A stage left
    // unjudged keeps the mould for the operator's confirmation.
    JudgeDeferred();
    if (runState != 3 && alarmState != 2 && !CycleOpen() && !ConfirmationOwed()) {
        ApplyOutputs(VerdictLogic::BackTrainOutputs(*gpWPara));
        // With release pulses this release is one too, whole from here: its end puts back the
        // inhibit that stands between pulses (the prod stage's verdict gives no pulse of its own).
        if (ReleasePulseMode())
            closePulseTimer->start(Supervision::TenthsToMs(gpWPara->mold_pulse));
        // With NG pulses the area check held the mould too: its end releases it unless an NG's
        // pulse still holds it.
        if (gpWPara->ng_pulse_mode && !NgPulseHolds() && !MouldHeldByLossOrWarning()) {
            gpControlIO->IOSetOut(0, 0);
            gpControlIO->IOFlashOut();
        }
    }
}

void MainWindow::JudgeDeferred()
{
    const WizardPara& p = *gpWPara;
    bool tookTemplate = false;
    quint8 noPicture = 0;
    for (int d; (d = openCycle.Take(&tookTemplate, &noPicture)) >= 0;) {
        if (runState == 3 || alarmState == 2) {
            openCycle.Reset();  // a stop or the alarm hold ended the cycle: its stages are stopped
            return;
        }
        if (tookTemplate) {
            // Its picture became the template: OK, as the capture set it, whatever a stage judged
            // since left in the views. A camera without a picture at the stage's time stays NG
            // (come back since or not), with the outputs of a camera NG: the restart of
            // detection that took the last template cleared those it had set.
            const int s = TriggerWiring::FoldedStage(p, d);
            for (int v = 0; v < MAX_CAMERA; ++v) {
                if (!Inspected(v))
                    continue;
                const bool none = (noPicture & (1u << v)) != 0;
                cammerWidget[v]->isOK = !none && !cycleLost[v];
                if (none) {
                    const VerdictLogic::CameraNg ng = VerdictLogic::OnCameraNg(p, s, reCheckCount[s], false, 0);
                    if (ng.final)
                        ApplyOutputs(ng.outputs);
                }
            }
        } else {
            RunAlgorithms([d] { return d; }, true);
        }
        CheckNG(d);
    }
}
