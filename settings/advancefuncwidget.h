#pragma once
// The "Advanced features" page: thirteen switches of the record, the main window's raw-capture
// switch and the maintenance buttons (the settings screen connects them to its slots).
#include "widgets/bwidget.h"

class CheckBox;
class QPushButton;

// Whether "Display factory param" is ticked right now on the advanced functions page of the
// screen `page` belongs to (not the stored value): the camera and I/O pages show their factory
// controls by it. False when there is no such page.
bool FactoryParamShown(const QWidget* page);

class AdvanceFuncWidget : public BWidget {
    Q_OBJECT
public:
    explicit AdvanceFuncWidget(QWidget* parent);

    void WizardParaInit();
    // Stores the switches into the edit copy; the raw-capture switch reaches the running main
    // window at once, whether the settings are then saved or not.
    void accept();

    CheckBox* factoryParam = nullptr;
    CheckBox* ignorePointPassword = nullptr;
    CheckBox* snapShot = nullptr;
    CheckBox* stopDetectPassword = nullptr;
    CheckBox* screenSound = nullptr;
    CheckBox* ngTemplate = nullptr;
    CheckBox* autoRegion = nullptr;
    CheckBox* realTimeRoi = nullptr;
    CheckBox* saveOkRecord = nullptr;
    CheckBox* moldNumber = nullptr;
    CheckBox* skipMoldPassword = nullptr;
    CheckBox* useLog = nullptr;
    CheckBox* addTemplatePassword = nullptr;
    CheckBox* rawCapture = nullptr;

    QPushButton* updateButton = nullptr;
    QPushButton* modifyTimeButton = nullptr;
    QPushButton* calibrateButton = nullptr;
    QPushButton* exitButton = nullptr;  // hidden
    QPushButton* exportButton = nullptr;
    QPushButton* factoryResetButton = nullptr;
    // Opens the hardware configuration page; placed in no layout and never shown.
    QPushButton* hardwareButton = nullptr;
};
