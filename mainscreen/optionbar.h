#pragma once
// The column of option buttons at the right of the main screen (option stack page 0). It turns a
// press into one BTN_TYPE for the controller's dispatcher and owns the fine-tuning pad the
// controller places beside the views.
#include <functional>

#include "widgets/bwidget.h"

class BOptionButton;
class FinetuningDialog;

class OptionBar : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE {
        BTN_NONE = 0,
        BTN_MULTI_SCREEN = 1,
        BTN_START_STOP = 2,
        BTN_SETTINGS = 3,
        BTN_RESAMPLE = 4,
        BTN_AREA = 5,
        BTN_STATISTICS = 6,
        BTN_MOLD_SNAPSHOT = 7,
    };
    Q_ENUM(BTN_TYPE)

    explicit OptionBar(QWidget* parent = nullptr);

    FinetuningDialog* finetuning() const { return finetuning_; }
    BTN_TYPE lastType() const { return last_; }
    // Button of a type (1-7), or nullptr.
    BOptionButton* button(BTN_TYPE type) const;
    BOptionButton* proSnapshotButton() const { return btnPro_; }
    // Unchecks the settings button without emitting and forgets the last pressed type.
    void SetTLast();
    // The Stop Detection button while detecting (green), or Start Detection while stopped (red).
    void SetDetecting(bool detecting);

    // Whether the settings screen is shown; by default the main window's main stack on page 1.
    // Tests replace it (an empty function restores the default).
    static void setSettingsShownProbe(std::function<bool()> probe);

signals:
    void btnsToggled(OptionBar::BTN_TYPE type, bool checked);

public slots:
    void btnsToggledSlot(bool checked);
    // Places the pad beside the sending button and shows it; nothing connects it.
    void CalibrationPos();

private:
    static bool SettingsShown();

    FinetuningDialog* finetuning_;
    BOptionButton* btn_[8] = {};  // [type], 0 unused
    BOptionButton* btnPro_;
    BTN_TYPE last_ = BTN_NONE;
};
