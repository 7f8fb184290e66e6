#pragma once
// The alarm option bar (option stack page 2), shown while the monitoring cycle holds an alarm:
// "Live<->Temp", the source and camera lists, "Don't Detect", "Add As Temp" and "Re-detected"
// (and the hidden "Ignore Alarm P" and "Del Ignored P").
#include "widgets/bwidget.h"

class BOptionButton;
class QComboBox;

class AlarmOption : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE {
        BTN_NONE = 0,
        BTN_LIVE_TEMP = 1,
        BTN_DONT_DETECT = 2,
        BTN_RECHECK = 3,
        BTN_ADD_TEMP = 4,
        BTN_IGNORE_POINT = 5,
        BTN_DELETE_IGNORED = 6,
    };
    Q_ENUM(BTN_TYPE)

    explicit AlarmOption(QWidget* parent = nullptr);

    void CheckSource(int source);
    void SetCamera(int camera);
    void SetSource(int source);

    BOptionButton* btnLiveTemp = nullptr;
    BOptionButton* btnNoCheck = nullptr;
    BOptionButton* btnReCheck = nullptr;
    BOptionButton* btnAddTemp = nullptr;
    BOptionButton* btnIgnorePoint = nullptr;
    BOptionButton* btnDeletePoint = nullptr;
    QComboBox* comboSource = nullptr;
    QComboBox* comboCamera = nullptr;

public slots:
    void addTempSlot();
    void showHideAlarmPointSlot();
    void btnsToggledSlot(bool checked);
    void ChangeDetectSlot(int detect);
    void ChangeCameraSlot(int camera);
    void ChangeSourceSlot(int source);

signals:
    void btnsToggled(AlarmOption::BTN_TYPE type, bool checked);
    void AlarmChangeDetect(int detect);
    void AlarmChangeCamera(int camera);
    void AlarmChangeSource(int source);

protected:
    void showEvent(QShowEvent* event) override;
};
