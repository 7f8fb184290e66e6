#pragma once
// The I/O naming page of the multi-detection procedure: a signal name for each of the eight
// generic inputs and outputs, chosen from the fixed name lists. Confirm passes the choices to the
// I/O grid, which captions its trigger items and columns by them, and to the edit copy.
#include "widgets/bwidget.h"

class ColorButton;
class ComboBox;
class IOWidget;
class MainWindow;
class QGridLayout;
class QLabel;
class SystemSettingWidget;

class CustomIONameWidget : public BWidget {
    Q_OBJECT
public:
    explicit CustomIONameWidget(MainWindow* win);

    // Selects the grid's name choices in the combos (once, at start-up; later openings show
    // them as the operator left them).
    void init();
    // The settings screen and its grid (taken from the main window when it has them).
    void attach(SystemSettingWidget* screen, IOWidget* grid);

    ComboBox* inputCombo(int slot) const { return slot >= 0 && slot < 8 ? inputs_[slot] : nullptr; }
    ComboBox* outputCombo(int slot) const { return slot >= 0 && slot < 8 ? outputs_[slot] : nullptr; }
    QLabel* inputCaption(int slot) const { return slot >= 0 && slot < 8 ? inCaptions_[slot] : nullptr; }
    QLabel* outputCaption(int slot) const { return slot >= 0 && slot < 8 ? outCaptions_[slot] : nullptr; }
    ColorButton* confirmButton() const { return confirm_; }

public slots:
    void accept();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    MainWindow* win_;
    SystemSettingWidget* screen_ = nullptr;
    IOWidget* grid_ = nullptr;
    ComboBox* inputs_[8];
    ComboBox* outputs_[8];
    QLabel* inCaptions_[8];
    QLabel* outCaptions_[8];
    ColorButton* confirm_;
    QGridLayout* layout_;
};
