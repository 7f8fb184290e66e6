#pragma once
// The "Network Param" page: the card and its addresses, the device name, the reporting switch,
// the serial port of the I/O board, the connection test and the shared video. The card list, the
// card's fields and the test are driven by the settings screen's slots, which reach these controls.
#include <functional>

#include "widgets/bwidget.h"

class BComboBox;
class BLineEdit;
class CheckBox;
class QButtonGroup;
class QLabel;
class QPushButton;

class NetworkParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit NetworkParamsWidget(QWidget* parent = nullptr);

    // Page protocol. Loading sets the reporting switch and the serial port from gpWParaBak, then
    // fills the card controls, the device name and the video groups through `initCards` (the
    // settings screen's); accepting stores them into gpWParaBak and the edited card record.
    void WizardParaInit();
    void accept();
    std::function<void()> initCards;

    BComboBox* serialPort = nullptr;
    BComboBox* card = nullptr;
    QLabel* testResult = nullptr;
    QLabel* mac = nullptr;
    CheckBox* bigData = nullptr;
    BLineEdit* address = nullptr;
    BLineEdit* deviceName = nullptr;
    BLineEdit* mask = nullptr;
    CheckBox* useCard = nullptr;
    BLineEdit* gateway = nullptr;
    QPushButton* testButton = nullptr;
    QButtonGroup* videoType = nullptr;
    QButtonGroup* frameRate = nullptr;
};
