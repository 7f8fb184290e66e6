#pragma once
// The camera selector with the exposure and gain rows. It sits at the top of the camera page and
// can float over the main screen (view button) so the operator tunes while watching the picture.
// The settings screen wires its buttons and sliders to its camera slots.
#include <QPointer>
#include <QSize>

#include "settings/pageslider.h"
#include "widgets/bwidget.h"

class QButtonGroup;
class QPushButton;
class QVBoxLayout;

class CameraParamsSubWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraParamsSubWidget(QWidget* parent);

    // Exposure and gain of camera outSet from the edit copy.
    void WizardParaInit();
    void accept() {}
    // The divider and the previous/next buttons: shown while the panel floats.
    void displayIndependent(bool on);
    // Out of the page, over the main screen.
    bool isFloating() const;

    QButtonGroup* cameraGroup = nullptr;  // ids 0..3
    QPushButton* cameraButton[4] = {};
    QPushButton* restoreButton = nullptr;
    QPushButton* assignButton = nullptr;
    QPushButton* viewButton = nullptr;
    QPushButton* previousButton = nullptr;
    QPushButton* nextButton = nullptr;
    PageSlider exposure;  // 1..100
    PageSlider gain;      // 0..64

public slots:
    void viewBtnToggled(bool checked);
    void SlotPreviousCamera();
    void SlotNextCamera();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StepCamera(int step);

    QVBoxLayout* layout_ = nullptr;
    QWidget* divider_ = nullptr;
    QPointer<QWidget> dockParent_;
    QSize dockSize_;
    QSize dockMinimum_;
    QSize dockMaximum_;
};
