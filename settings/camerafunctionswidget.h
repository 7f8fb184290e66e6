#pragma once
// The "Camera function" page: fifteen factory switches of the camera and the inspection methods,
// shown while "Display factory param" is ticked on the advanced functions page.
#include <QList>

#include "widgets/bwidget.h"

class CheckBox;
class QLabel;
class WizardPara;

// Measures whose parameters only show with "Display all the parameters": storing one of them on
// turns that switch on too.
bool DisplayDetailNeeded(const WizardPara& p);

class CameraFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraFunctionsWidget(QWidget* parent);

    void WizardParaInit();
    void accept();

    // Left column.
    CheckBox* autoShading = nullptr;       // "Automatic shading", live through the settings screen
    CheckBox* colorCamera = nullptr;
    CheckBox* externalTrigger = nullptr;
    CheckBox* defectDetect = nullptr;
    CheckBox* ignoreArea = nullptr;
    CheckBox* blackArea = nullptr;
    CheckBox* similarity = nullptr;
    CheckBox* blackCount = nullptr;
    // Right column.
    CheckBox* noLensOptimize = nullptr;
    CheckBox* grayChannel = nullptr;
    CheckBox* displayDetail = nullptr;
    CheckBox* spotDetect = nullptr;
    CheckBox* manualEdit = nullptr;
    CheckBox* whiteArea = nullptr;
    CheckBox* whiteCount = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QList<QWidget*> rows_;  // the thirty labels and switches
};
