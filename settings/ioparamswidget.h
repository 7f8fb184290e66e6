#pragma once
// The I/O parameters page: the execution procedure, the cavity position of the two-sided
// procedures, input time-out, ejector and clamp pulses, pre-cut and debounce, and in the
// multi-detection procedure the initial state of outputs 5 to 9 and the buttons that open the
// I/O grid and the naming page.
#include <functional>

#include <QList>

#include "widgets/bwidget.h"

class ComboBox;
class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;

class IOParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOParamsWidget(QWidget* parent = nullptr);

    // Page protocol: load from gpWParaBak when the screen is shown, store back on accept.
    void WizardParaInit();
    void accept();

    // Shows the controls that belong to a procedure (cavity row for 1 and 2, the grid and naming
    // buttons for 4); the procedure radios' clicks come here through the settings screen.
    void showProcedureControls(int procedure);
    // Replaces where the "Display factory param" switch is read (default: the advanced functions
    // page of the same screen, its state on that page, saved or not).
    void setFactorySwitch(std::function<bool()> probe) { factorySwitch_ = std::move(probe); }

    QButtonGroup* procedureGroup() const { return procedure_; }
    QButtonGroup* cavityGroup() const { return cavity_; }
    QPushButton* customIOButton() const { return customIO_; }
    QPushButton* ioNameButton() const { return ioName_; }
    QLabel* cavityCaption() const { return cavityCaption_; }
    QSlider* slider(int row) const { return sliders_.value(row); }
    QLabel* valueLabel(int row) const { return values_.value(row); }
    QLabel* initialStateCaption() const { return initCaption_; }
    // Combo of output 5 + i; none unless the procedure in force was 4 when the page was built.
    ComboBox* initialStateCombo(int i) const { return initCombos_.value(i); }

public slots:
    void slotQSliderValue(int value);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool multiDetectionInForce() const;
    void updateInitialStateRow();

    QButtonGroup* procedure_;
    QButtonGroup* cavity_;
    QLabel* cavityCaption_;
    QPushButton* customIO_;
    QPushButton* ioName_;
    QList<QSlider*> sliders_;
    QList<QLabel*> values_;
    int shownValues_[5] = {};
    QLabel* initCaption_ = nullptr;
    QList<ComboBox*> initCombos_;
    std::function<bool()> factorySwitch_;
};
