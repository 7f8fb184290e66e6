#pragma once
// The I/O functions page: how the verdict drives clamp, ejector and alarm, what the spare input 4
// and output 4 stand for, and (shown with the factory switch) the initial state of outputs 1, 2,
// 4 and of the alarm output.
#include <functional>

#include <QList>

#include "widgets/bwidget.h"

class CheckBox;
class QButtonGroup;
class QLabel;

class IOFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOFunctionsWidget(QWidget* parent = nullptr);

    // Page protocol: load from gpWParaBak when the screen is shown, store back on accept.
    void WizardParaInit();
    void accept();

    // Replaces where the "Display factory param" switch is read (default: the advanced functions
    // page of the same screen, its state on that page, saved or not).
    void setFactorySwitch(std::function<bool()> probe) { factorySwitch_ = std::move(probe); }

    CheckBox* functionSwitch(int i) const { return switches_.value(i); }
    QButtonGroup* input4Group() const { return input4_; }
    QButtonGroup* output4Group() const { return output4_; }
    QButtonGroup* initialStateGroup(int i) const { return initGroups_.value(i); }
    // The four initial-state rows are shown only with the factory switch.
    bool initialStatesShown() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QList<CheckBox*> switches_;
    QButtonGroup* input4_;
    QButtonGroup* output4_;
    QList<QButtonGroup*> initGroups_;
    QList<QWidget*> initWidgets_;
    std::function<bool()> factorySwitch_;
};
