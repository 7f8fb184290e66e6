#pragma once
// The "Camera Param" page: the camera panel on top, then the factory rows clarity, gamma, truth
// and capture speed (shown while "Display factory param" is ticked on the advanced functions page).
#include <QMap>
#include <QPointer>

#include "settings/cameraparamssubwidget.h"
#include "settings/pageslider.h"
#include "widgets/bwidget.h"

class QLabel;

class CameraParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraParamsWidget(QWidget* parent);
    ~CameraParamsWidget() override;

    // Clarity, truth and gamma of camera outSet and the capture speed from the edit copy.
    void WizardParaInit();
    // Sets the exposure, gain, clarity, truth and gamma sliders (with `speed` also the capture
    // speed slider) from the edit copy for camera outSet; the settings screen calls it when the
    // edited camera changes or the camera's defaults were read back.
    void LoadCameraValues(bool speed);
    // Stores the capture speed (the per-camera values reach the edit copy while the sliders move).
    void accept();

    QPointer<CameraParamsSubWidget> subWidget;
    PageSlider clarity;  // sharpness 0..100
    PageSlider gamma;    // 0..250
    PageSlider truth;    // contrast 1..200
    PageSlider speed;    // capture speed 0..32

public slots:
    void slotQSliderValue(int value);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QMap<QObject*, QLabel*> valueLabels_;
};
