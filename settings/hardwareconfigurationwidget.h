#pragma once
// The hardware configuration page; created once by the controller and kept hidden. Its page comes
// with the settings screens.
#include "widgets/bwidget.h"

class MainWindow;

class HardwareConfigurationWidget : public BWidget {
    Q_OBJECT
public:
    explicit HardwareConfigurationWidget(MainWindow* win);
};
