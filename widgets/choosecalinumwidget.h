#pragma once
// A question box with a choice of 4, 9 or 25 touch-calibration points.
#include "widgets/choosebox.h"

class ComboBox;

class ChooseCaliNumWidget : public ChooseBox {
public:
    explicit ChooseCaliNumWidget(QWidget* parent = nullptr);

    ComboBox* pointChoice() const { return choice_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ComboBox* choice_;
};
