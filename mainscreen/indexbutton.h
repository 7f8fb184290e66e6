#pragma once
// The side command panel at the right edge of the view area. Its buttons come with the main
// screen; the controller reads the manual-trigger choice.
#include "widgets/bwidget.h"

class MainWindow;

class IndexButton : public BWidget {
    Q_OBJECT
public:
    explicit IndexButton(MainWindow* win);

    // The stage (0-based) chosen for a manual trigger.
    int CurChooseTrig() const { return chosen_; }

private:
    int chosen_ = 0;
};
