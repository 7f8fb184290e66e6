#include "mainscreen/drawroiwidget.h"

#include "vision/mainwindow.h"

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/viewhost.h"
#include "mainscreen/viewglobals.h"
#include "vision/cameradiscovery.h"
#include "vision/cammerwidget.h"
#include "vision/controlport.h"
#include "vision/triggerwiring.h"
#include "vision/verdictlogic.h"

DrawROIWidget::DrawROIWidget(MainWindow* win) : QWidget(win), win_(win)
{
    hide();
}

// The page commands come with the region editing screens.
void DrawROIWidget::Reset(bool) {}
void DrawROIWidget::Restart() {}
void DrawROIWidget::setSource(int) {}
void DrawROIWidget::SlotNoCheckCur() {}
void DrawROIWidget::SlotReturn() {}
void DrawROIWidget::SlotTempDeleteAll() {}
void DrawROIWidget::SlotTempDeleteCur() {}
void DrawROIWidget::SlotAddTemp() {}
void DrawROIWidget::SlotAutoChange() {}
void DrawROIWidget::SlotIgnoreAlarmPoint() {}
void DrawROIWidget::SlotDeleteIgnorePoint() {}
void DrawROIWidget::SlotChangeDetect(int) {}
void DrawROIWidget::SlotChangeSource(int) {}
void DrawROIWidget::SlotSaveData() {}

void DrawROIWidget::SlotChangeCamera(int camera)
{
    win_->selectedView = camera;
    win_->ChangeCammer();
}

// "Re-detected": inspects the stage that raised the alarm again on live pictures; an OK verdict
// ends the alarm hold.
void DrawROIWidget::SlotReCheck()
{
    MainWindow* w = win_;
    const WizardPara& p = *gpWPara;
    const int c = w->curDetect;
    const int v0 = w->selectedView;
    if (c < 0 || c >= MAX_DETECT)
        return;
    SlotSaveData();
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
        if (w->failPicState[i][c] == 3)
            w->failPicState[i][c] = 7;
    }
    for (int i = 0; i < MAX_CAMERA; ++i)
        if (takes[i])
            w->RunAlgorithm(i, c);
    w->operatorCheck = true;
    w->CheckNG();
    if (w->alarmState == 2) {
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
