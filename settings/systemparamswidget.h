#pragma once
// "System Param": the two stage delays, the automatic re-detections, the filter size and the alarm
// area, each a slider with a value label that opens the numeric keyboard.
#include "settings/pageslider.h"
#include "widgets/bwidget.h"

class BlineLabel;
class QLabel;
class QSlider;

class SystemParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemParamsWidget(QWidget* parent = nullptr);

    void WizardParaInit();
    void accept();
    // The re-detect label by the I/O mode in force when the page is built.
    void paraInit();

    enum Row { Delay1, Delay2, ReCheck, Size, Area, RowCount };
    PageSlider row[RowCount];
    QSlider* slider[RowCount] = {};
    BlineLabel* value[RowCount] = {};
    QLabel* labelReCheck = nullptr;

public slots:
    void slotQSliderValue(int v);

private:
    void ShowValue(int row, int v);
};
