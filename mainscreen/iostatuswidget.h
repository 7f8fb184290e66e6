#pragma once
// The I/O status strip below the views. Its lamps and names are painted with the main screen.
#include "widgets/bwidget.h"

class MainWindow;

class IOStatusWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOStatusWidget(MainWindow* win);
};
