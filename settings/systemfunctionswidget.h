#pragma once
// "system function": the main detection switches, the UI language, the counter reset, power-off
// and the password change. The language change saves the record in force and restarts at once.
#include "widgets/bwidget.h"

class BLineEdit;
class CheckBox;
class ColorButton;
class QButtonGroup;
class QRadioButton;

class SystemFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemFunctionsWidget(QWidget* parent = nullptr);

    void WizardParaInit();
    void accept();
    void SlotConnect();

    CheckBox* detection = nullptr;      // first stage on
    CheckBox* semiAuto = nullptr;
    CheckBox* twoSame = nullptr;
    CheckBox* motionCorrect = nullptr;  // checked = stored 0
    CheckBox* password = nullptr;
    CheckBox* templateAuto = nullptr;   // shown only in mode 3
    QButtonGroup* language = nullptr;   // ids 0 Simplified, 1 English, 2 Traditional Chinese
    QRadioButton* languageRadio[3] = {};
    ColorButton* resetCount = nullptr;
    ColorButton* shutDown = nullptr;
    ColorButton* changePwd = nullptr;
    BLineEdit* newPassword = nullptr;
    BLineEdit* confirmPassword = nullptr;

public slots:
    void SlotChangeLan();
};
