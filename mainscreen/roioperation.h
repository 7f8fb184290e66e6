#pragma once
// The region tool bar each camera view carries: rectangle, circle, polygon, free-hand, copy,
// delete and delete all, each calling the region page controller's command.
#include "widgets/bwidget.h"

class QPushButton;

class roiOperation : public BWidget {
public:
    explicit roiOperation(QWidget* parent = nullptr);
    // Connects each button's pressed() to its command of the region page controller.
    void Btnconnect();

    QPushButton* buttons[7] = {};
};
