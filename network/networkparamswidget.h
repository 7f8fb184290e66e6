#pragma once
// The network parameters page of the settings screen. Its controls come with the page's own work.
#include "widgets/bwidget.h"

class NetworkParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit NetworkParamsWidget(QWidget* parent = nullptr);

    // Page protocol: load from gpWParaBak when the screen is shown, store back on accept.
    void WizardParaInit() {}
    void accept() {}
};
