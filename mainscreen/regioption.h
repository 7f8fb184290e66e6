#pragma once
// The region page (option stack page 1): its buttons, stage and camera choices come with the
// region editing screens.
#include "widgets/bwidget.h"

class RegiOption : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE { BTN_NONE = 0, BTN_DELETE_TEMP = 1, BTN_ADD_TEMP = 2, BTN_END_SET = 3, BTN_LIVE_TEMP = 4 };
    Q_ENUM(BTN_TYPE)

    explicit RegiOption(QWidget* parent = nullptr);

    // Selects picture-source entry `source` (re-applied when already current).
    void CheckSource(int source);
    int source() const { return source_; }

public slots:
    void ChangeDetectSlot(int stage);
    void ChangeSourceSlot(int source);

signals:
    void btnsToggled(RegiOption::BTN_TYPE type, bool checked);
    void ChangeDetect(int stage);
    void ChangeCamera(int camera);

private:
    int source_ = 0;
};
