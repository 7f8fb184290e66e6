// The region page's life: entering, saving with its change records and the deferred retrain,
// leaving, the camera, stage and source changes, "Live<->Temp", the re-check and "Don't Detect".
#include "mainscreen/drawroiwidget.h"

#include <QStackedWidget>
#include <QTimer>

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/alarmoption.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/regionpagelogic.h"
#include "mainscreen/regioption.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"
#include "vision/controller/verdictlogic.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"
#include "platform/vision/kovvpixel.h"
#include <cstring>

int gHelpC = 0;

DrawROIWidget::DrawROIWidget(MainWindow* win) : QWidget(win), win_(win)
{
    pictureState = [this](int c, int d) -> int* {
        if (c < 0 || c >= MAX_CAMERA || d < 0 || d >= MAX_DETECT)
            return nullptr;
        return &win_->failPicState[c][d];
    };
    takeFromTrain = [] {
        const bool set = gFromTrain != 0;
        gFromTrain = 0;
        return set;
    };
    hide();
}

CammerWidget* DrawROIWidget::View(int v) const
{
    if (v < 0 || v >= MAX_CAMERA || !win_->ViewBuilt(v))
        return nullptr;
    return win_->cammerWidget[v];
}

bool DrawROIWidget::SingleShown() const
{
    return win_->selectedView >= 0 && win_->selectedView < numCamera;
}

CammerWidget* DrawROIWidget::Shown() const
{
    return SingleShown() ? View(win_->selectedView) : nullptr;
}

void DrawROIWidget::SetPicState(int camera, int stage, int from, int to)
{
    int* state = pictureState ? pictureState(camera, stage) : nullptr;
    if (state && *state == from)
        *state = to;
}

bool DrawROIWidget::SafetyDoorRefuses()
{
    if (!gisSafeDoorOpen && gpWPara->enable_disarm_before_open) {
        showWarnBox(textRow(195));
        return true;
    }
    return false;
}

void DrawROIWidget::BackAll()
{
    for (int v = 0; v < numCamera; ++v) {
        CammerWidget* w = View(v);
        if (!w || !w->modelEdit || !w->modelInForce)
            continue;
        *w->modelEdit = *w->modelInForce;
        w->BackMask();
        w->BackIgnorePoint();
    }
}

void DrawROIWidget::Reset(bool)
{
    const WizardPara& p = *gpWPara;
    pageEntered = true;
    if (!asking_)
        BackAll();
    const int e = RegionPage::EditedStage(p, win_->alarmState, win_->curDetect, gDNum);
    viewHost()->edit = e;
    win_->regiOption->setDetect(e);
    if (win_->alarmState == 2) {
        win_->alarmOption->CheckSource(1);
        win_->optionStack->setCurrentIndex(2);
    } else {
        win_->regiOption->CheckSource(0);
        win_->optionStack->setCurrentIndex(1);
    }
}

void DrawROIWidget::Restart()
{
    viewHost()->setCopyArmed(false);
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (CammerWidget* w = View(v))
            w->DeselectROI();
    }
    hide();
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (CammerWidget* w = View(v)) {
            w->ShowHideROIPara();
            w->update();
        }
    }
}

void DrawROIWidget::setSource(int source)
{
    win_->regiOption->CheckSource(source);
}

void DrawROIWidget::ChangeDetectNum(int count)
{
    win_->regiOption->ChangeDetectNum(count);
}

void DrawROIWidget::SlotShowHide() {}
void DrawROIWidget::SlotChangeOp() {}
void DrawROIWidget::SlotShowHideAlarmPoint() {}
void DrawROIWidget::SlotTimerAutoC() {}
void DrawROIWidget::SlotChangePage() {}

void DrawROIWidget::SlotHelp()
{
    gHelpC = 6;
}

void DrawROIWidget::SlotReturn()
{
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (gpNumCharPad)
        gpNumCharPad->HideUpdate();
    for (int v = 0; v < MAX_CAMERA; ++v) {
        CammerWidget* w = View(v);
        if (!w)
            continue;
        w->tempIndex = 0;
        w->DeselectROI();
        w->ShowHideROIPara();
        w->ShowHideTool(0);
        if (gpWPara->cavity_check_on)
            w->ShowHideCheckBox(false);
    }
    if (win_->alarmState == 2) {
        SlotSaveData();
        win_->alarmOption->CheckSource(1);
        return;
    }
    viewHost()->setCopyArmed(false);
    gSource = -1;
    SlotSaveData();
    if (win_->alarmState == 2) {
        // The cycle entered the alarm hold while the question was open: the alarm page stays.
        win_->alarmOption->CheckSource(1);
        return;
    }
    Restart();
    // End Set is the editing state's way out; resampling's area check then retrains.
    win_->LeaveEditing();
    if (takeFromTrain && takeFromTrain())
        win_->BackTrain();
}

void DrawROIWidget::SlotSaveData()
{
    if (numCamera < 1)
        return;
    const WizardPara& p = *gpWPara;
    bool differs = false;
    for (int v = 0; v < numCamera; ++v) {
        CammerWidget* w = View(v);
        if (w && w->modelEdit && w->modelInForce && *w->modelEdit != *w->modelInForce)
            differs = true;
    }
    bool yes = false;
    QStringList notStored;
    if (differs) {
        asking_ = true;
        yes = showChooseBox(textRow(72));
        asking_ = false;
    }
    if (yes) {
        for (int v = 0; v < numCamera; ++v) {
            CammerWidget* w = View(v);
            if (!w || !w->modelEdit || !w->modelInForce || *w->modelEdit == *w->modelInForce)
                continue;
            bool positioning = false;
            const QStringList records =
                RegionPage::ChangeRecords(*w->modelInForce, *w->modelEdit, v, p.io_mode, gDNum, &positioning);
            for (const QString& r : records)
                win_->InsertRecord(r);
            *w->modelInForce = *w->modelEdit;
            w->RestorMask();
            // Ignore points of deleted regions reach the maps in force with the regions.
            w->CommitIgnorePoint();
            const bool twinModes = (p.stage_enabled[0] && (p.io_mode == 0 || p.io_mode == 3 || p.io_mode == 5))
                                   || p.io_mode == 1 || p.io_mode == 2;
            if (p.enabe_two_test && twinModes) {
                w->CopyPara();
                *w->modelEdit = *w->modelInForce;
                w->BackMask();
            }
            // The regions stay in force either way; one not stored is lost at the next start.
            if (!w->modelInForce->SaveDatatoFile())
                notStored << QString::number(v + 1);
            retrainFlags[v] = true;
            if (positioning && w->recogniser) {
                for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
                    if (p.stage_enabled[d])
                        w->recogniser->CreateShape(d);
            }
        }
    }
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (!retrainFlags[v])
            continue;
        retrainFlags[v] = false;
        CammerWidget* w = View(v);
        if (!w || !w->recogniser)
            continue;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d)
            if (p.stage_enabled[d])
                w->recogniser->VarTrain(d);
    }
    if (!notStored.isEmpty()) {
        qCritical("region page: the regions of camera %s are in force but not saved in PARAM.db, a restart "
                  "brings back the old ones",
                  qPrintable(notStored.join(", ")));
        showWarnBox(textRow(621));
    }
}

void DrawROIWidget::SlotAutoChange()
{
    if (win_->alarmState != 2 || (gSource != 0 && gSource != 1) || !SingleShown())
        return;
    if (gSource == 1) {
        win_->optionStack->setCurrentIndex(1);
        if (CammerWidget* w = Shown())
            w->ShowHideTool(3);
        win_->regiOption->SetSource(0);
        return;
    }
    win_->regiOption->SetSource(1);
    for (int v = 0; v < MAX_CAMERA; ++v) {
        CammerWidget* w = View(v);
        if (w && !w->isOK && w->blinkTimer)
            w->blinkTimer->start(1000);
    }
}

void DrawROIWidget::SlotChangeSource(int source)
{
    const int previous = gSource;
    gSource = source;
    viewHost()->setCopyArmed(false);
    const int a = win_->alarmState;
    if (source == 0 && a == 2 && win_->CheckPassword() == 0) {
        // Refused: the previous source stays, so no region is edited without the password.
        gSource = previous;
        return;
    }
    if (a == 2 && source != 1 && gpControlIO) {
        gpControlIO->IOSetOut(2, 0);
        gpControlIO->IOFlashOut();
    }
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (CammerWidget* w = View(v)) {
            w->tempIndex = 0;
            w->DeselectROI();
            w->ShowHideROIPara();
        }
    }
    int& vm = win_->selectedView;
    const int top = source == 1 ? numCamera : numCamera - 1;
    if (vm < 0 || vm > top) {
        vm = 0;
        win_->ChangeCammer();
    }
    win_->alarmOption->SetCamera(vm);
    if (gpWPara->cavity_check_on) {
        for (int v = 0; v < MAX_CAMERA; ++v)
            if (CammerWidget* w = View(v))
                w->ShowHideCheckBox(source == 0);
    }
    if (win_->ioStatusWidget)
        win_->ioStatusWidget->show();
    CammerWidget* w = Shown();
    const int e = viewHost()->editStage();
    switch (source) {
    case 2:
        if (w && e >= 0 && e < MAX_DETECT && w->ngFrames[e][0] && w->frameShown) {
            w->ngIndex = 0;
            std::memcpy(w->frameShown, w->ngFrames[e][0], size_t(gColorLen));
            w->update();
        }
        break;
    case 0:
        viewHost()->setDrawMode(0);
        if (pageEntered) {
            pageEntered = false;
            BackAll();
        }
        if (w) {
            RegiOption::ShowTemplate(w, e);
            w->update();
        }
        break;
    case 1:
        if (a == 2)
            for (int v = 0; v < MAX_CAMERA; ++v)
                if (CammerWidget* x = View(v))
                    x->blinkPhase = 0;
        break;
    case 3:
    case 4:
        // The option bar lists and loads the records (RegiOption::ChangeSourceSlot).
        break;
    default: break;
    }
}

void DrawROIWidget::SlotChangeCamera(int camera)
{
    if (camera < numCamera)
        win_->selectedView = camera;
    else
        win_->selectedView = gSource == 1 ? numCamera : numCamera - 1;
    if (win_->alarmState == 3 && gpWPara->cavity_check_on)
        if (CammerWidget* w = Shown())
            w->ShowHideCheckBox(true);
    win_->ChangeCammer();
    SlotChangeSource(gSource);
}

void DrawROIWidget::SlotChangeDetect(int stage)
{
    if (!SingleShown() || (gSource != 0 && gSource != 2 && gSource != 3 && gSource != 4))
        return;
    const WizardPara& p = *gpWPara;
    viewHost()->setCopyArmed(false);
    const int k = (p.io_mode == 1 || p.io_mode == 2) ? (stage & 1) : stage;
    if (k == 0 && !p.first_stage_on) {
        showWarnBox(textRow(118));
        return;
    }
    const bool same = p.enabe_two_test != 0;
    if (k != 0 && same && p.stage_enabled[0] && gSource == 0 && !detectNoteShown_
        && (p.io_mode == 0 || p.io_mode == 3 || p.io_mode == 5)) {
        detectNoteShown_ = true;
        showWarnBox(textRow(119));
    } else if (same && gSource == 0 && !detectNoteShown_ && (p.io_mode == 1 || p.io_mode == 2) && stage > 1) {
        detectNoteShown_ = true;
        showWarnBox(textRow(371));
    }
    if (CammerWidget* w = Shown())
        w->DeselectROI();
    viewHost()->edit = stage;
    SlotChangeSource(gSource);
    CammerWidget* w = Shown();
    if (w && w->modelEdit && stage >= 0 && stage < MAX_DETECT && w->modelEdit->roiNum[stage] == 0
        && p.auto_region_prompt && showChooseBox(textRow(354)) && SingleShown()
        && (gSource == 0 || gSource == 2 || gSource == 3 || gSource == 4))
        win_->AutogenerationRegion(stage);
    if (win_->alarmState == 3)
        if (CammerWidget* x = Shown())
            x->SetCheckBoxState(1);
}

void DrawROIWidget::SlotReCheck()
{
    ReCheck(false);
}

void DrawROIWidget::ReCheck(bool fromCycle, int method)
{
    MainWindow* w = win_;
    const WizardPara& p = *gpWPara;
    if (w->curDetect < 0 || w->curDetect >= MAX_DETECT)
        return;
    // The operator's re-check offers unsaved edits first; the cycle's never asks inside its pass
    // and leaves them in the edit copies (the engine inspects with the models in force).
    if (!fromCycle && !SaveDataInHold())
        return;
    const int c = w->curDetect;
    const int v0 = w->selectedView;
    if (c < 0 || c >= MAX_DETECT)
        return;
    w->releaseMethod = method;
    w->ResetRun();
    const int s = TriggerWiring::FoldedStage(p, c);
    const int last = TriggerWiring::LastStage(p, gDNum);
    w->detectMask[s] = 0;
    VerdictLogic::SlotReCheckOutputs(p, s, last).ApplyTo(gpControlIO);
    bool takes[MAX_CAMERA] = {};
    for (int i = 0; i < MAX_CAMERA; ++i) {
        if (!w->Inspected(i) || w->cammerWidget[i]->stageCycleFlags[c] || !p.stage_enabled[c])
            continue;
        takes[i] = true;
        w->detectMask[s] |= 1u << i;
        SetPicState(i, c, 3, 7);
    }
    for (int i = 0; i < MAX_CAMERA; ++i)
        if (takes[i])
            w->RunAlgorithm(i, c);
    w->operatorCheck = true;
    w->CheckNG();
    if (w->alarmState == 2) {
        // Live source on a single view: show the first NG camera from the one shown.
        if (v0 < numCamera && gSource == 1) {
            int v = v0;
            for (int n = 0; n < numCamera; ++n) {
                if (w->Inspected(v) && !w->cammerWidget[v]->isOK)
                    break;
                v = (v + 1) % numCamera;
            }
            w->selectedView = v;
            w->ChangeCammer();
            viewHost()->alarmSetCamera(v);
        }
        return;
    }
    gSource = -1;
}

quint64 DrawROIWidget::HoldNow() const
{
    return win_->alarmState == 2 ? win_->holdsEntered : 0;
}

bool DrawROIWidget::SameHold(quint64 asked) const
{
    return asked == 0 || HoldNow() == asked;
}

DrawROIWidget::Asked DrawROIWidget::AskedNow() const
{
    return {HoldNow(), win_->verdictsGiven};
}

bool DrawROIWidget::StillShown(const Asked& asked) const
{
    return SameHold(asked.hold) && (asked.hold == 0 || win_->verdictsGiven == asked.verdicts);
}

bool DrawROIWidget::SaveDataInHold()
{
    const quint64 hold = HoldNow();
    SlotSaveData();
    // The question runs the cycle: the machine's re-check may have ended the hold (and the next
    // cycle started) meanwhile; what the operator asked for belonged to that hold.
    return SameHold(hold);
}

void DrawROIWidget::SlotNoCheckCur()
{
    const WizardPara& p = *gpWPara;
    const int c = win_->curDetect;
    if (c < 0 || c >= MAX_DETECT)
        return;
    // Taken before any box: the machine's re-check may end the hold, or judge the mould again,
    // while one is open.
    const Asked asked = AskedNow();
    if (p.enable_pass_protect && win_->CheckPassword() == 0)
        return;
    if (SafetyDoorRefuses() || !StillShown(asked))
        return;
    if (!SingleShown()) {
        // The save question runs the cycle too: a re-check under it may judge the mould again.
        if (!showChooseBox(textRow(102)) || !StillShown(asked) || !SaveDataInHold() || !StillShown(asked))
            return;
        gSource = -1;
        win_->ResetRun();
        for (int v = 0; v < MAX_CAMERA; ++v)
            SetPicState(v, c, 3, 4);
        win_->releaseMethod = 4;
        win_->operatorCheck = true;
        win_->CheckNG(c);
        win_->InsertRecord(textRow(103));
        return;
    }
    const int i = win_->selectedView;
    CammerWidget* w = View(i);
    if (!w)
        return;
    bool anyNG = false;
    for (int v = 0; v < numCamera; ++v)
        if (CammerWidget* x = View(v))
            anyNG = anyNG || !x->isOK;
    if (w->isOK && anyNG) {
        showWarnBox(textRow(107));
        return;
    }
    if (!showChooseBox(textRow(105).arg(i + 1)) || !StillShown(asked))
        return;
    w->stageCycleFlags[c] = true;
    SetPicState(i, c, 3, 4);
    win_->InsertRecord(textRow(106).arg(i + 1));
    ReCheck(false, 4);
}
