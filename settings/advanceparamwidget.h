#pragma once
// The "Advanced Param" page: nine tuning sliders and the parameter-group controls, whose actions
// are the settings screen's.
#include "settings/pageslider.h"
#include <QMap>
#include <QWidget>

class BLineEdit;
class QComboBox;
class QLabel;
class QPushButton;

// The screen-off delay is 0 (never) or at least 10 seconds.
int ScreenOffDelay(int seconds);

class AdvanceparamWidget : public QWidget {
    Q_OBJECT
public:
    explicit AdvanceparamWidget(QWidget* parent);

    void WizardParaInit();
    void accept();

    BLineEdit* groupName = nullptr;
    QPushButton* saveButton = nullptr;
    QComboBox* groupList = nullptr;
    QPushButton* restoreButton = nullptr;
    QPushButton* deleteButton = nullptr;

    PageSlider offset;          // location_adge 1..8000
    PageSlider amplify;         // difference_multiplier 0..4
    PageSlider minSpot;         // min_spot 1..20
    PageSlider angle;           // shape_angle_limit 0..180
    PageSlider screenOff;       // location_level 0..9999 s
    PageSlider autoLogout;      // auto_cancel_timelen 0..1000 s
    PageSlider templateCount;   // max_mold_num 0..50
    PageSlider ngRecords;       // ng_max_num 0..500
    PageSlider okRecords;       // ok_record_max_num 0..500

public slots:
    void slotQSliderValue(int value);

private:
    QMap<QObject*, QLabel*> valueLabels_;
};
