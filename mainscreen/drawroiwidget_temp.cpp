// The region page's template, ignore-point and browsing commands, and the region tool bar's
// drawing and deleting commands.
#include "mainscreen/drawroiwidget.h"

#include <cstring>

#include <QDateTime>
#include <QFileInfo>

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/regionpagelogic.h"
#include "mainscreen/regioption.h"
#include "mainscreen/templatefiles.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "platform/vision/kovvpixel.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "vision/camera/framememory.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/verdictlogic.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

namespace {
constexpr int kIgnoreValueLimit = 2000;  // a region alarmed over more pixels is not ignored
constexpr int kNoNgPictureRow = 593;     // "Add As Temp" without an NG picture held
}

void DrawROIWidget::SlotAddTemp()
{
    const WizardPara& p = *gpWPara;
    const int a = win_->alarmState;
    const int v = win_->selectedView;
    const int c = win_->curDetect;
    const int e = viewHost()->editStage();
    const Asked asked = AskedNow();
    CammerWidget* w = View(v);
    if (a == 2 && gSource == 1) {
        if (!SingleShown() || !w || w->isOK) {
            showWarnBox(textRow(107));
            return;
        }
        // A lost camera's view shows the frame from before the loss, not this mould: as a
        // template it would pass a part left in the mould.
        if (!win_->PictureCurrent(v)) {
            showWarnBox(VerdictLogic::NoPictureRecordText(v));
            return;
        }
        if (SafetyDoorRefuses())
            return;
    }
    if (gTempNum <= 1) {
        showWarnBox(textRow(258));
        return;
    }
    if (p.template_add_option && win_->CheckPassword() == 0)
        return;
    const bool live = a == 2 && gSource == 1;
    const int s = live ? c : e;
    if (!showChooseBox(textRow(108)) || !StillShown(asked))
        return;
    if (!SingleShown() || !w || (a == 2 && gSource != 1 && gSource != 2) || (a == 3 && gSource != 2))
        return;
    if (s < 0 || s >= MAX_DETECT || (!live && (e < 0 || e >= MAX_DETECT)))
        return;
    const unsigned char* picture = nullptr;
    if (live) {
        picture = w->frameCorrected;
    } else {
        // Only a held NG picture becomes a template; an empty ring slot is a black frame.
        const int n = std::min(w->ngCount[e], 3);
        if (n > 0 && w->ngIndex >= 0 && w->ngIndex < n)
            picture = w->ngFrames[e][w->ngIndex];
        if (!picture) {
            showWarnBox(textRow(kNoNgPictureRow));
            return;
        }
    }
    if (!picture)
        return;
    win_->InsertRecord(textRow(109).arg(v + 1));
    const int t = TemplateFiles::ChooseAddSlot(w->cameraIndex, s, w->tempValid[s], w->tempCount[s], gTempNum);
    if (t < 0 || t >= int(w->templates[s].size()))
        return;
    std::memcpy(w->templates[s][size_t(t)], picture, size_t(gColorLen));
    const QString path = TemplateFiles::SlotPath(w->cameraIndex, s, t);
    TemplateFiles::Write(path, w->templates[s][size_t(t)], gImageW, gImageH, gisColor, viewHost()->greyTable());
    viewHost()->sendTempPic(QFileInfo(path).absoluteFilePath());
    if (live) {
        if (w->recogniser)
            w->recogniser->VarTrain(c);
        w->stageCycleFlags[c] = true;
        SetPicState(v, c, 3, 5);
        ReCheck(false, 5);
    } else {
        retrainFlags[v] = true;
    }
}

void DrawROIWidget::SlotTempDeleteCur()
{
    CammerWidget* w = Shown();
    const int e = viewHost()->editStage();
    if (!w || e < 0 || e >= MAX_DETECT)
        return;
    if (w->tempIndex == 0) {
        showWarnBox(textRow(68));
        return;
    }
    if (!showChooseBox(textRow(69)))
        return;
    const int i = w->tempIndex;
    if (i < 0 || i >= int(w->tempValid[e].size()))
        return;
    if (w->tempValid[e][size_t(i)]) {
        w->tempValid[e][size_t(i)] = 0;
        w->tempCount[e]--;
    }
    retrainFlags[win_->selectedView] = true;
    TemplateFiles::RemoveSlot(w->cameraIndex, e, i);
    SlotTempNext();
    win_->InsertRecord(textRow(70).arg(win_->selectedView + 1).arg(i + 1));
}

void DrawROIWidget::SlotTempDeleteAll()
{
    for (int v = 0; v < MAX_CAMERA; ++v) {
        CammerWidget* w = View(v);
        if (!w)
            continue;
        for (int d = 0; d < gDNum && d < MAX_DETECT; ++d) {
            w->tempCount[d] = 1;
            w->tempIndex = 0;
            retrainFlags[v] = true;
            for (size_t t = 1; t < w->tempValid[d].size(); ++t)
                w->tempValid[d][t] = 0;
            if (!w->tempValid[d].empty())
                w->tempValid[d][0] = 1;
            TemplateFiles::RemoveAdded(w->cameraIndex, d);
        }
    }
    win_->InsertRecord(textRow(71));
}

void DrawROIWidget::SlotTempLast()
{
    Browse(-1);
}

void DrawROIWidget::SlotTempNext()
{
    Browse(1);
}

void DrawROIWidget::Browse(int dir)
{
    win_->regiOption->Browse(dir);
}

void DrawROIWidget::SlotIgnoreAlarmPoint()
{
    CammerWidget* w = Shown();
    const int c = win_->curDetect;
    if (!w || w->isOK) {
        showWarnBox(textRow(107));
        return;
    }
    if (c < 0 || c >= MAX_DETECT || !w->modelInForce || !w->ignoreMap[c] || !w->ngPoints)
        return;
    // Taken before any box: the machine's re-check may end the hold, or judge the mould again,
    // while one is open; NG points it found are not the ones the operator was shown.
    const Asked asked = AskedNow();
    if (gpWPara->ignore_point_option && (win_->CheckPassword() == 0 || !StillShown(asked)))
        return;
    if (!showChooseBox(textRow(113)) || !StillShown(asked))
        return;
    win_->InsertRecord(textRow(114).arg(win_->selectedView + 1));
    const int count = std::clamp(w->modelInForce->roiNum[c], 0, int(MAX_ROI));
    int overLimit = 0;
    for (int r = 0; r < count; ++r) {
        if (w->roiOK[c][r])
            continue;
        if (w->roiValue[c][r] > kIgnoreValueLimit) {
            ++overLimit;
            continue;
        }
        const int boxes = std::clamp(w->ngBoxes[c][r][0][0], 0, 99);
        for (int b = 1; b <= boxes; ++b) {
            RegionEditor::IgnoreNgBox(w->ignoreMap[c], w->ngPoints, w->ngBoxes[c][r][b]);
            // The edit copy follows, so a later save of region edits keeps these points.
            if (w->ignoreMapEdit[c])
                RegionEditor::IgnoreNgBox(w->ignoreMapEdit[c], w->ngPoints, w->ngBoxes[c][r][b]);
        }
    }
    w->update();
    w->SaveIgnorePoint(c);
    if (w->recogniser)
        w->recogniser->VarTrain(c);
    // Told only now that the points are written: a box runs the cycle, and a re-check under it
    // may find NG points in other regions that the answer was not given for.
    for (int i = 0; i < overLimit; ++i)
        showWarnBox(textRow(115).arg(kIgnoreValueLimit));
}

void DrawROIWidget::SlotDeleteIgnorePoint()
{
    CammerWidget* w = Shown();
    const int c = win_->curDetect;
    if (!w || w->isOK) {
        showWarnBox(textRow(107));
        return;
    }
    if (c < 0 || c >= MAX_DETECT || !w->ignoreMap[c])
        return;
    // The answer belongs to the hold and the NG it was asked over, not to one the machine's
    // re-check or the next cycle gave while the question was open.
    const Asked asked = AskedNow();
    if (!showChooseBox(textRow(116)) || !StillShown(asked))
        return;
    win_->InsertRecord(textRow(117).arg(win_->selectedView + 1));
    FrameMemory::ZeroPages(w->ignoreMap[c], size_t(gImageLen));
    if (w->ignoreMapEdit[c])
        FrameMemory::ZeroPages(w->ignoreMapEdit[c], size_t(gImageLen));
    w->update();
    w->SaveIgnorePoint(c);
    if (w->recogniser)
        w->recogniser->VarTrain(c);
}

// ---- Region tool bar commands.

CammerWidget* DrawROIWidget::EditableView() const
{
    return gSource == 0 ? Shown() : nullptr;
}

void DrawROIWidget::StartDrawing(int drawMode)
{
    CammerWidget* w = EditableView();
    if (!w)
        return;
    viewHost()->setCopyArmed(false);
    w->DeselectROI();
    w->ShowHideROIPara();
    viewHost()->setDrawMode(drawMode);
}

void DrawROIWidget::SlotDrawRect()
{
    StartDrawing(1);
}

void DrawROIWidget::SlotDrawCircle()
{
    StartDrawing(4);
}

void DrawROIWidget::SlotDrawPloygn()
{
    CammerWidget* w = EditableView();
    if (!w)
        return;
    viewHost()->setCopyArmed(false);
    viewHost()->free = false;
    if (viewHost()->drawMode() == 2) {
        w->SavePolygon();
        if (viewHost()->drawMode() == 0)
            w->update();
        return;
    }
    w->DeselectROI();
    w->ShowHideROIPara();
    viewHost()->setDrawMode(2);
}

void DrawROIWidget::SlotDrawHand()
{
    CammerWidget* w = EditableView();
    if (!w)
        return;
    viewHost()->setCopyArmed(false);
    viewHost()->free = true;
    w->DeselectROI();
    w->ShowHideROIPara();
    viewHost()->setDrawMode(2);
}

void DrawROIWidget::SlotCopyArea()
{
    if (!EditableView())
        return;
    viewHost()->setCopyArmed(true);
    viewHost()->setDrawMode(0);
}

void DrawROIWidget::SlotDeleteROI()
{
    CammerWidget* w = EditableView();
    if (!w)
        return;
    viewHost()->setCopyArmed(false);
    if (w->selectedROI == -1) {
        showWarnBox(textRow(65));
        win_->update();
        return;
    }
    if (showChooseBox(textRow(66)) && EditableView() == w) {
        w->DeleteROI(w->selectedROI);
        w->selectedROI = -1;
        w->ShowHideROIPara();
    }
    win_->update();
}

void DrawROIWidget::SlotDeleteAllROI()
{
    CammerWidget* w = EditableView();
    if (!w)
        return;
    viewHost()->setCopyArmed(false);
    // The stage's ignore points go with its regions in the edit copy, saved with them.
    if (showChooseBox(textRow(67)) && EditableView() == w)
        w->DeleteAllROI();
    win_->update();
}
