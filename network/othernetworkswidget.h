#pragma once
// The other networks page of the settings screen. Its controls come with the page's own work.
#include "widgets/bwidget.h"

class OtherNetworksWidget : public BWidget {
    Q_OBJECT
public:
    explicit OtherNetworksWidget(QWidget* parent = nullptr);

    // Page protocol: load from gpWParaBak when the screen is shown, store back on accept.
    void WizardParaInit() {}
    void accept() {}
};
