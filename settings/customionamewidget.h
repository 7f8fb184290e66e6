#pragma once
// The I/O naming panel. Its page comes with the settings screens; the controller creates it, calls
// init() once and tests whether it is visible.
#include "widgets/bwidget.h"

class MainWindow;

class CustomIONameWidget : public BWidget {
    Q_OBJECT
public:
    explicit CustomIONameWidget(MainWindow* win);

    // Selects the stored name choice in each of its combos.
    void init();
};
