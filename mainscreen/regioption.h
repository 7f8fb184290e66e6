#pragma once
// The region option bar (option stack page 1): "Live<->Temp", the picture-source, camera and
// detect-stage lists, "Add As Temp", "Delete Temp" and "End Set". Its lists switch what the
// camera views show and which camera and stage are edited; it also browses the shown source for
// the views' previous/next buttons.
#include <QImage>
#include <QString>

#include "mainscreen/picturebrowser.h"
#include "widgets/bwidget.h"

class BOptionButton;
class CammerWidget;
class QComboBox;

class RegiOption : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE { BTN_NONE = 0, BTN_DELETE_TEMP = 1, BTN_ADD_TEMP = 2, BTN_END_SET = 3, BTN_LIVE_TEMP = 4 };
    Q_ENUM(BTN_TYPE)

    explicit RegiOption(QWidget* parent = nullptr);

    void setDetect(int stage);
    void SetSource(int source);
    // Selects picture-source entry `source` (re-applied when already current).
    void CheckSource(int source);
    // What the bar and the shown view offer for the source in force.
    void ChangePage();
    void ChangeDetectNum(int count);
    void LoadPic();
    static void GetTempTIme(int c, int d, int n);

    // Shows template slot tempIndex of `stage` on view x (slot 0 when out of range).
    static void ShowTemplate(CammerWidget* x, int stage);
    // Steps the shown source for the views' previous/next buttons and the region page.
    void Browse(int dir);

    PictureBrowser browser;
    int recordCamera = 0;
    int recordStage = 0;
    BOptionButton* btnDeleteTemp = nullptr;
    BOptionButton* btnAddTemp = nullptr;
    BOptionButton* btnEndSet = nullptr;
    BOptionButton* btnLiveTemp = nullptr;
    QComboBox* comboDetect = nullptr;
    QComboBox* comboCamera = nullptr;
    QComboBox* comboSource = nullptr;
    int lastType = 0;

public slots:
    void ChangeSourceSlot(int source);
    void SlotTempLast();
    void SlotTempNext();
    void addTempSlot();
    void btnsToggledSlot(bool checked);
    void ChangeDetectSlot(int detect);
    void ChangeCameraSlot(int camera);

signals:
    void btnsToggled(RegiOption::BTN_TYPE type, bool checked);
    void ChangeDetect(int stage);
    void ChangeCamera(int camera);
    void ChangeSource(int source);

private:
    bool detectNoteShown_ = false;
};
