#pragma once
// The region page controller: enters and leaves the region and alarm pages, saves the edit copies
// of the region models with one operation record per changed region, retrains, and carries out
// the page commands (templates, ignore points, browsing, re-check, "Don't Detect"). It shows
// nothing itself; the page state lives in the main window and the camera views.
#include <functional>

#include <QImage>
#include <QString>
#include <QWidget>

#include "core/globals.h"

class CammerWidget;
class MainWindow;

class DrawROIWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawROIWidget(MainWindow* win);

    // Enters the region page, or the alarm page while the alarm holds (the argument is not used).
    void Reset(bool unused);
    // Leaves the page: deselects and repaints every view.
    void Restart();
    // Chooses a picture source through the region option bar.
    void setSource(int source);
    // Rebuilds the region option bar's stage list for `count` stages.
    void ChangeDetectNum(int count);
    // The re-check; `fromCycle` (an input ended the alarm hold inside the monitoring pass) asks
    // nothing: it inspects with the models in force and leaves unsaved edits in the edit copies.
    // `method` is the alarm-release method the re-check stands for (7 re-check, 4 a camera not
    // detected, 5 a picture taken as a template); the verdict reports it when the alarm ends.
    void ReCheck(bool fromCycle, int method = 7);

    bool pageEntered = false;
    bool retrainFlags[MAX_CAMERA] = {};

    // Picture state of camera c, stage d in the monitoring cycle (3 NG held, 4 not detected, 5
    // taken as a template, 7 re-check); null when the cycle keeps none.
    std::function<int*(int camera, int stage)> pictureState;
    // gFromTrain: the page was opened by resampling's area check; reading clears it.
    std::function<bool()> takeFromTrain;

public slots:
    void SlotShowHide();
    void SlotReturn();
    void SlotChangeSource(int source);
    void SlotChangeCamera(int camera);
    void SlotChangeDetect(int stage);
    void SlotChangeOp();
    void SlotCopyArea();
    void SlotDrawHand();
    void SlotDrawRect();
    void SlotDrawCircle();
    void SlotDrawPloygn();
    void SlotDeleteROI();
    void SlotDeleteAllROI();
    void SlotTempLast();
    void SlotTempNext();
    void SlotTempDeleteCur();
    void SlotTempDeleteAll();
    void SlotNoCheckCur();
    void SlotAddTemp();
    void SlotShowHideAlarmPoint();
    void SlotIgnoreAlarmPoint();
    void SlotDeleteIgnorePoint();
    void SlotReCheck();
    void SlotHelp();
    void SlotAutoChange();
    void SlotTimerAutoC();
    void SlotChangePage();
    void SlotSaveData();

private:
    // SlotSaveData for an action of the alarm hold: false when the hold the action was asked in
    // ended while the save question was open.
    bool SaveDataInHold();
    // The alarm hold in force (0 none): an answer given after a box acts only in the hold it was
    // asked in, not in a later one the machine's re-check and the next cycle entered meanwhile.
    quint64 HoldNow() const;
    bool SameHold(quint64 asked) const;
    // What an answer of the alarm page acts on: the NG shown when it was asked. A re-check within
    // the same hold (the machine's, or a snapshot) gives a new verdict whose NG the operator has
    // not seen; the answer then acts on nothing.
    struct Asked {
        quint64 hold = 0;
        quint64 verdicts = 0;
    };
    Asked AskedNow() const;
    bool StillShown(const Asked& asked) const;
    // The built view of index v, else null.
    CammerWidget* View(int v) const;
    // The view shown alone, or null for the split view or a view not built.
    CammerWidget* Shown() const;
    bool SingleShown() const;
    // Copies every view's model in force into its edit copy (masks and ignore maps too).
    void BackAll();
    // Shows template tempIndex of stage `stage` of view `v` in frameShown, with its file time.
    void Browse(int dir);
    void SetPicState(int camera, int stage, int from, int to);
    bool SafetyDoorRefuses();
    // The regions' draw commands act only on a single view in the template source.
    CammerWidget* EditableView() const;
    // Arms drawing of a new rectangle (1) or ring (4) on the edited view.
    void StartDrawing(int drawMode);

    MainWindow* win_;
    bool detectNoteShown_ = false;
    // The save question is open: the cycle may enter the alarm hold meanwhile, whose Reset must
    // not replace the edit copies being asked about.
    bool asking_ = false;
};
